// The plan file's digest in the registry: a REG_SZ value (SHA-256 as 64 lower-case hex digits) under
// HKCU\Software\Kestrel\PlanDigest, named by the plan file's path as its last minute is
// (MinuteValueName), and the system's SHA-256 that makes it.
#pragma once

#include "platform/plan_digest_store.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace kestrel::win {

inline constexpr wchar_t kPlanDigestKeyName[] = L"PlanDigest";

class RegistryPlanDigest final : public PlanDigestStore {
public:
    // `planFilePath` as LongPathOf gives it. Tests pass another key; the program uses HKCU\Software\Kestrel.
    explicit RegistryPlanDigest(std::wstring_view planFilePath, HKEY root = HKEY_CURRENT_USER,
                                const std::wstring& keyPath = L"Software\\Kestrel");
    std::optional<std::wstring> Read() override;
    bool Write(const std::wstring& digest) override;
    void Remove() override;

private:
    HKEY root_;
    std::wstring keyPath_;
    std::wstring name_;
};

// SHA-256 of `bytes` through the system (BCrypt), as 64 lower-case hex digits; nullopt when the system
// cannot.
std::optional<std::wstring> SystemPlanDigest(std::string_view bytes);

} // namespace kestrel::win
