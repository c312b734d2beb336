// The last minute the scheduler looked at, kept as the value "LastMinute" (REG_SZ, a decimal UTC minute
// number) under HKCU\Software\Kestrel.
#pragma once

#include "platform/last_minute_store.h"

#include <windows.h>

#include <string>

namespace kestrel::win {

inline constexpr wchar_t kKestrelKeyPath[] = L"Software\\Kestrel";
inline constexpr wchar_t kLastMinuteValue[] = L"LastMinute";

class RegistryLastMinute final : public LastMinuteStore {
public:
    // Tests pass another key; the program uses HKCU\Software\Kestrel.
    explicit RegistryLastMinute(HKEY root = HKEY_CURRENT_USER, std::wstring keyPath = kKestrelKeyPath)
        : root_(root), keyPath_(std::move(keyPath)) {}
    std::optional<std::int64_t> Load() override;
    void Save(std::int64_t utcMinute) override;

private:
    HKEY root_;
    std::wstring keyPath_;
};

} // namespace kestrel::win
