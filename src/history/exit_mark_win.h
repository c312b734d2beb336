// The exit mark as the value "Running" (REG_SZ, ExitMarkText) under HKCU\Software\Kestrel. After a clean
// end the value stays when it keeps a time zone, holding the zone alone.
#pragma once

#include "history/exit_mark.h"

#include <windows.h>

#include <string>

namespace kestrel::win {

inline constexpr wchar_t kExitMarkValue[] = L"Running";

class RegistryExitMark final : public ExitMark {
public:
    // Tests pass another key; the program uses HKCU\Software\Kestrel.
    explicit RegistryExitMark(HKEY root = HKEY_CURRENT_USER, std::wstring keyPath = L"Software\\Kestrel")
        : root_(root), keyPath_(std::move(keyPath)) {}
    std::optional<std::wstring> Read() override;
    std::wstring Zone() override;
    using ExitMark::Set;
    void Set(const std::wstring& lastSeen, const std::wstring& zone) override;
    void Clear() override;

private:
    // What the value holds now; a missing value reads as no mark and no zone.
    ExitMarkReading Stored();

    HKEY root_;
    std::wstring keyPath_;
};

// The name of the time zone the computer is set to now (its key name, such as "China Standard Time",
// which does not change with daylight saving or the display language); empty when Windows cannot say.
std::wstring CurrentTimeZoneName();

} // namespace kestrel::win
