// The plan file's digest in the registry; see plan_digest_store_win.h.
#include "platform/plan_digest_store_win.h"

#include "platform/crypto_win.h"
#include "platform/last_minute_store.h"
#include "platform/registry_win.h"

#include <array>

namespace kestrel::win {

RegistryPlanDigest::RegistryPlanDigest(std::wstring_view planFilePath, HKEY root, const std::wstring& keyPath)
    : root_(root), keyPath_(keyPath + L"\\" + kPlanDigestKeyName), name_(MinuteValueName(planFilePath)) {}

std::optional<std::wstring> RegistryPlanDigest::Read() {
    DWORD type = REG_NONE;
    std::wstring text;
    if (!QueryRegValue(root_, keyPath_, name_, type, text) || type != REG_SZ) {
        return std::nullopt;
    }
    return text;
}

bool RegistryPlanDigest::Write(const std::wstring& digest) {
    return SetRegValue(root_, keyPath_, name_, REG_SZ, digest);
}

void RegistryPlanDigest::Remove() {
    DeleteRegValue(root_, keyPath_, name_);
}

std::optional<std::wstring> SystemPlanDigest(std::string_view bytes) {
    std::array<std::uint8_t, 32> digest{};
    if (!Sha256(bytes, digest)) {
        return std::nullopt;
    }
    std::wstring text;
    for (const std::uint8_t byte : digest) {
        text += L"0123456789abcdef"[byte >> 4];
        text += L"0123456789abcdef"[byte & 15];
    }
    return text;
}

} // namespace kestrel::win
