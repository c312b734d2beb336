// The last minute looked at, in the registry; see last_minute_store_win.h.
#include "platform/last_minute_store_win.h"

#include "platform/registry_win.h"

namespace kestrel::win {

namespace {

std::optional<std::wstring> ReadText(HKEY root, const std::wstring& keyPath, const std::wstring& name) {
    DWORD type = REG_NONE;
    std::wstring text;
    if (!QueryRegValue(root, keyPath, name, type, text) || type != REG_SZ) {
        return std::nullopt;
    }
    return text;
}

} // namespace

std::optional<std::wstring> RegistryMinuteValues::Read(const std::wstring& name) {
    return ReadText(root_, keyPath_ + L"\\" + kLastMinuteName, name);
}

bool RegistryMinuteValues::Write(const std::wstring& name, const std::wstring& text) {
    return SetRegValue(root_, keyPath_ + L"\\" + kLastMinuteName, name, REG_SZ, text);
}

std::optional<std::wstring> RegistryMinuteValues::ReadShared() {
    return ReadText(root_, keyPath_, kLastMinuteName);
}

void RegistryMinuteValues::DeleteShared() {
    DeleteRegValue(root_, keyPath_, kLastMinuteName);
}

std::wstring LongPathOf(const std::wstring& path) {
    // The file itself may not exist yet; its folder does.
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        return path;
    }
    const std::wstring folder = path.substr(0, slash);
    std::wstring longer(MAX_PATH, L'\0');
    DWORD length = ::GetLongPathNameW(folder.c_str(), longer.data(), static_cast<DWORD>(longer.size()));
    if (length >= longer.size()) {
        longer.resize(length);
        length = ::GetLongPathNameW(folder.c_str(), longer.data(), static_cast<DWORD>(longer.size()));
    }
    if (length == 0 || length >= longer.size()) {
        return path;
    }
    longer.resize(length);
    return longer + path.substr(slash);
}

} // namespace kestrel::win
