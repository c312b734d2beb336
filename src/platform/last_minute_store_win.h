// The last minute the scheduler looked at, per plan file, in the registry: a REG_SZ value (a decimal UTC
// minute number) named by the plan file's path under the key HKCU\Software\Kestrel\LastMinute. Earlier
// versions kept one value "LastMinute" directly under HKCU\Software\Kestrel for every copy; a key and a
// value may share a name, so the two live side by side until the old one is taken over.
#pragma once

#include "platform/last_minute_store.h"

#include <windows.h>

#include <string>

namespace kestrel::win {

inline constexpr wchar_t kKestrelKeyPath[] = L"Software\\Kestrel";
inline constexpr wchar_t kLastMinuteName[] = L"LastMinute";

class RegistryMinuteValues final : public MinuteValues {
public:
    // Tests pass another key; the program uses HKCU\Software\Kestrel.
    explicit RegistryMinuteValues(HKEY root = HKEY_CURRENT_USER, std::wstring keyPath = kKestrelKeyPath)
        : root_(root), keyPath_(std::move(keyPath)) {}
    std::optional<std::wstring> Read(const std::wstring& name) override;
    bool Write(const std::wstring& name, const std::wstring& text) override;
    std::optional<std::wstring> ReadShared() override;
    void DeleteShared() override;

private:
    HKEY root_;
    std::wstring keyPath_;
};

// The full path with every folder in its long form, as far as it exists: the same plan file reached
// through a short 8.3 name keeps the same minute.
std::wstring LongPathOf(const std::wstring& path);

} // namespace kestrel::win
