// RegistryLockStore; see registry_lock_store_win.h.
#include "lock/registry_lock_store_win.h"

#include "base/texts.h"
#include "base/web_addresses.h"
#include "platform/registry_value_text.h"
#include "platform/registry_win.h"

#include <windows.h>

namespace kestrel::win {

std::optional<std::vector<std::uint8_t>> RegistryLockStore::ReadPasswordRecord() {
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> bytes;
    switch (QueryRegBytes(HKEY_CURRENT_USER, kSettingsKeyPath, text::kPasswordValueName, type, bytes)) {
    case RegRead::Missing:
        return std::nullopt;
    case RegRead::Read:
        // A value of another type was not written by Kestrel: it reads as a damaged record.
        return type == REG_BINARY ? bytes : std::vector<std::uint8_t>{};
    case RegRead::Unreadable:
        break;
    }
    return std::vector<std::uint8_t>{};
}

bool RegistryLockStore::WritePasswordRecord(std::span<const std::uint8_t> record) {
    return SetRegBinary(HKEY_CURRENT_USER, kSettingsKeyPath, text::kPasswordValueName, record);
}

bool RegistryLockStore::DeletePasswordRecord() {
    if (DeleteRegValue(HKEY_CURRENT_USER, kSettingsKeyPath, text::kPasswordValueName)) {
        return true;
    }
    // Already gone counts as deleted.
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> bytes;
    return QueryRegBytes(HKEY_CURRENT_USER, kSettingsKeyPath, text::kPasswordValueName, type, bytes) ==
           RegRead::Missing;
}

std::vector<std::wstring> RegistryLockStore::ReadForbiddenList() {
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> bytes;
    if (QueryRegBytes(HKEY_CURRENT_USER, kSettingsKeyPath, text::kForbiddenValueName, type, bytes) !=
            RegRead::Read ||
        type != REG_MULTI_SZ) {
        return {};
    }
    return SplitMultiString(bytes);
}

bool RegistryLockStore::WriteForbiddenList(const std::vector<std::wstring>& entries) {
    std::wstring data;
    for (const std::wstring& entry : entries) {
        data += entry;
        data += L'\0';
    }
    return SetRegValue(HKEY_CURRENT_USER, kSettingsKeyPath, text::kForbiddenValueName, REG_MULTI_SZ, data);
}

bool RegistryLockStore::DeleteForbiddenList() {
    return DeleteRegValue(HKEY_CURRENT_USER, kSettingsKeyPath, text::kForbiddenValueName);
}

} // namespace kestrel::win
