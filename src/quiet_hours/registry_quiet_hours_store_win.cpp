// RegistryQuietHoursStore; see registry_quiet_hours_store_win.h.
#include "quiet_hours/registry_quiet_hours_store_win.h"

#include "base/texts.h"
#include "base/web_addresses.h"
#include "platform/registry_value_text.h"
#include "platform/registry_win.h"
#include "quiet_hours/quiet_hours.h"

namespace kestrel::win {

namespace {

// Writes the lines as one multi-string value; no lines: the value goes (already gone counts as done).
bool WriteLines(const wchar_t* name, const std::vector<std::wstring>& lines) {
    if (lines.empty()) {
        DWORD type = REG_NONE;
        std::vector<std::uint8_t> bytes;
        return DeleteRegValue(HKEY_CURRENT_USER, kSettingsKeyPath, name) ||
               QueryRegBytes(HKEY_CURRENT_USER, kSettingsKeyPath, name, type, bytes) == RegRead::Missing;
    }
    std::wstring data;
    for (const std::wstring& line : lines) {
        data += line;
        data += L'\0';
    }
    return SetRegValue(HKEY_CURRENT_USER, kSettingsKeyPath, name, REG_MULTI_SZ, data);
}

} // namespace

std::wstring QuietHoursValueFullName() {
    return std::wstring(L"HKEY_CURRENT_USER\\") + kSettingsKeyPath + L"\\" + text::kQuietHoursValueName;
}

std::optional<StoredValue> RegistryQuietHoursStore::ReadWindows() {
    StoredValue value;
    DWORD type = REG_NONE;
    switch (
        QueryRegBytes(HKEY_CURRENT_USER, kSettingsKeyPath, text::kQuietHoursValueName, type, value.bytes)) {
    case RegRead::Missing:
        return std::nullopt;
    case RegRead::Read:
        value.type = type;
        return value;
    case RegRead::Unreadable:
        break;
    }
    return StoredValue{};
}

bool RegistryQuietHoursStore::WriteWindows(const std::vector<std::wstring>& lines) {
    return WriteLines(text::kQuietHoursValueName, lines);
}

std::vector<std::wstring> RegistryQuietHoursStore::ReadExcuses() {
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> bytes;
    if (QueryRegBytes(HKEY_CURRENT_USER, kSettingsKeyPath, text::kQuietHoursExcusedValueName, type, bytes) !=
            RegRead::Read ||
        type != REG_MULTI_SZ || bytes.size() > kMaxQuietHoursBytes) {
        return {};
    }
    return SplitMultiString(bytes);
}

bool RegistryQuietHoursStore::WriteExcuses(const std::vector<std::wstring>& lines) {
    return WriteLines(text::kQuietHoursExcusedValueName, lines);
}

} // namespace kestrel::win
