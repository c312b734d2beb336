// Where the parent's lock keeps its state between runs: the password record and, while a password is
// set, the forbidden list. The program keeps both under HKEY_CURRENT_USER\Software\Kestrel; tests pass
// a fake.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrel {

class LockStore {
public:
    virtual ~LockStore() = default;
    // The stored record's bytes; nullopt when there is none. A value of another type than the record's
    // reads as no bytes at all, which is a damaged record.
    virtual std::optional<std::vector<std::uint8_t>> ReadPasswordRecord() = 0;
    virtual bool WritePasswordRecord(std::span<const std::uint8_t> record) = 0;
    virtual bool DeletePasswordRecord() = 0;
    // The kept forbidden list, in order; empty when none is kept.
    virtual std::vector<std::wstring> ReadForbiddenList() = 0;
    virtual bool WriteForbiddenList(const std::vector<std::wstring>& entries) = 0;
    virtual bool DeleteForbiddenList() = 0;
};

} // namespace kestrel
