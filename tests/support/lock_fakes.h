// Stand-ins for the parent's lock: a store in memory and a fast key derivation (the real PBKDF2 is
// tested against known vectors under Wine).
#pragma once

#include "lock/parent_lock.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrel::testing {

// The password record and the kept forbidden list, in memory; writes and deletes of the record fail on
// request.
struct FakeLockStore final : LockStore {
    std::optional<std::vector<std::uint8_t>> record;
    std::vector<std::wstring> forbidden;
    bool forbiddenKept = false;
    bool failWrites = false;
    bool failDeletes = false;
    std::optional<std::vector<std::uint8_t>> ReadPasswordRecord() override { return record; }
    bool WritePasswordRecord(std::span<const std::uint8_t> bytes) override {
        if (failWrites) {
            return false;
        }
        record.emplace(bytes.begin(), bytes.end());
        return true;
    }
    bool DeletePasswordRecord() override {
        if (failDeletes) {
            return false;
        }
        record.reset();
        return true;
    }
    std::vector<std::wstring> ReadForbiddenList() override { return forbidden; }
    bool WriteForbiddenList(const std::vector<std::wstring>& entries) override {
        forbidden = entries;
        forbiddenKept = true;
        return true;
    }
    bool DeleteForbiddenList() override {
        forbidden.clear();
        forbiddenKept = false;
        return true;
    }
};

// Not a key derivation, only something that depends on every input.
inline std::optional<PasswordKey> FastDerive(const std::wstring& password, const PasswordSalt& salt,
                                             std::uint32_t iterations) {
    PasswordKey key{};
    std::uint32_t h = iterations;
    for (std::size_t i = 0; i < key.size(); ++i) {
        for (const wchar_t c : password) {
            h = h * 31 + static_cast<std::uint32_t>(c);
        }
        h = h * 131 + salt[i % salt.size()] + static_cast<std::uint32_t>(i);
        key[i] = static_cast<std::uint8_t>(h >> 7);
    }
    return key;
}

} // namespace kestrel::testing
