// The exit mark as the value "Running" (REG_SZ, the minute last seen) under HKCU\Software\Kestrel.
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
    void Set(const std::wstring& lastSeen) override;
    void Clear() override;

private:
    HKEY root_;
    std::wstring keyPath_;
};

} // namespace kestrel::win
