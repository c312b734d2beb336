// The parent's lock's state in the registry: under HKEY_CURRENT_USER\Software\Kestrel, the password
// record as one binary value and, while a password is set, the forbidden list as one multi-string value.
#pragma once

#include "lock/lock_store.h"

namespace kestrel::win {

class RegistryLockStore final : public LockStore {
public:
    std::optional<std::vector<std::uint8_t>> ReadPasswordRecord() override;
    bool WritePasswordRecord(std::span<const std::uint8_t> record) override;
    bool DeletePasswordRecord() override;
    std::vector<std::wstring> ReadForbiddenList() override;
    bool WriteForbiddenList(const std::vector<std::wstring>& entries) override;
    bool DeleteForbiddenList() override;
};

} // namespace kestrel::win
