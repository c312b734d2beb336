// Kestrel's settings watched while it runs; see settings_watch_win.h.
#include "shell/settings_watch_win.h"

#include "base/app_messages.h"
#include "base/texts.h"
#include "history/exit_mark_win.h"
#include "platform/last_minute_store_win.h"
#include "platform/clock.h"
#include "platform/registry_win.h"
#include "platform/text_compare.h"

#include <vector>

namespace kestrel::win {

namespace {

constexpr wchar_t kSettingsPath[] = L"Software\\Kestrel";
constexpr wchar_t kRootName[] = L"HKEY_CURRENT_USER\\";

std::wstring FullName(const std::wstring& keyPath, const std::wstring& valueName) {
    return kRootName + keyPath + L"\\" + valueName;
}

// Every value of `keyPath` and of its subkeys, by full name; `where` learns each one's key and name.
void ReadTree(const std::wstring& keyPath, SettingValues& values,
              std::map<std::wstring, std::pair<std::wstring, std::wstring>>& where) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return;
    }
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameLength = 16384;
        DWORD type = 0;
        DWORD size = 0;
        const LONG result = ::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, nullptr, &size);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (result != ERROR_SUCCESS || size > kMaxRegValueBytes) {
            continue;
        }
        SettingValue value;
        value.type = type;
        value.bytes.resize(size);
        DWORD read = size;
        if (::RegQueryValueExW(key, name, nullptr, &type, value.bytes.data(), &read) != ERROR_SUCCESS) {
            continue;
        }
        value.bytes.resize(read);
        const std::wstring valueName(name, nameLength);
        values[FullName(keyPath, valueName)] = std::move(value);
        where[FullName(keyPath, valueName)] = {keyPath, valueName};
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        if (::RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        subkeys.emplace_back(name, nameLength);
    }
    ::RegCloseKey(key);
    for (const std::wstring& subkey : subkeys) {
        ReadTree(keyPath + L"\\" + subkey, values, where);
    }
}

bool StartsWithIgnoringCase(const std::wstring& text, const std::wstring& start) {
    return text.size() >= start.size() && EqualIgnoringCase(std::wstring_view(text).substr(0, start.size()), start);
}

} // namespace

SettingsWatch::SettingsWatch(SettingsWatchHost host)
    : host_(std::move(host)), event_(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
    known_ = ReadAll();
    SetRegistryWriteListener([this](HKEY root, const std::wstring& keyPath, const std::wstring& name) {
        OwnWrite(root, keyPath, name);
    });
    Watch();
}

SettingsWatch::~SettingsWatch() {
    SetRegistryWriteListener({});
    if (settingsKey_) {
        ::RegCloseKey(settingsKey_);
    }
    if (runKey_) {
        ::RegCloseKey(runKey_);
    }
}

SettingValues SettingsWatch::ReadAll() const {
    SettingValues values;
    ReadTree(kSettingsPath, values, where_);
    DWORD type = 0;
    std::vector<std::uint8_t> bytes;
    if (QueryRegBytes(HKEY_CURRENT_USER, text::kRunKeyPath, text::kRunValueName, type, bytes) == RegRead::Read) {
        const std::wstring name = FullName(text::kRunKeyPath, text::kRunValueName);
        values[name] = SettingValue{type, std::move(bytes)};
        where_[name] = {text::kRunKeyPath, text::kRunValueName};
    }
    return values;
}

void SettingsWatch::Watch() {
    if (!event_) {
        return;
    }
    ::ResetEvent(event_.get());
    const DWORD filter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
    // A key deleted under Kestrel's feet is made again, so that there is something to watch.
    if (!settingsKey_ || ::RegNotifyChangeKeyValue(settingsKey_, TRUE, filter, event_.get(), TRUE) != ERROR_SUCCESS) {
        if (settingsKey_) {
            ::RegCloseKey(settingsKey_);
            settingsKey_ = nullptr;
        }
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsPath, 0, nullptr, 0, KEY_NOTIFY | KEY_READ, nullptr,
                              &settingsKey_, nullptr) == ERROR_SUCCESS) {
            ::RegNotifyChangeKeyValue(settingsKey_, TRUE, filter, event_.get(), TRUE);
        }
    }
    if (!runKey_ || ::RegNotifyChangeKeyValue(runKey_, FALSE, filter, event_.get(), TRUE) != ERROR_SUCCESS) {
        if (runKey_) {
            ::RegCloseKey(runKey_);
            runKey_ = nullptr;
        }
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, text::kRunKeyPath, 0, nullptr, 0, KEY_NOTIFY | KEY_READ, nullptr,
                              &runKey_, nullptr) == ERROR_SUCCESS) {
            ::RegNotifyChangeKeyValue(runKey_, FALSE, filter, event_.get(), TRUE);
        }
    }
}

void SettingsWatch::OnSecondTick() {
    if (event_ && ::WaitForSingleObject(event_.get(), 0) == WAIT_OBJECT_0) {
        Check();
    }
}

void SettingsWatch::Check() {
    // Watched again first: a change made while this looks is not lost.
    ::ResetEvent(event_.get());
    Watch();
    const SettingValues now = ReadAll();
    const std::int64_t minute = MinuteNumber(host_.clock->Now());
    for (const std::wstring& name : ChangedSettings(known_, now)) {
        const bool putBack = HeldForParent(name, now.count(name) != 0);
        if (host_.events && !OtherCopys(name) && toldMinute_[name] != minute + 1) {
            toldMinute_[name] = minute + 1;
            host_.events->Record(text::kEventSettings,
                                 FillIn(putBack ? text::kHistorySettingRestored : text::kHistorySettingChanged,
                                        L"{value}", name));
        }
        if (putBack) {
            WriteBack(name);
        } else {
            // What the user may change stays as it is now; a later change is compared with it.
            if (const auto found = now.find(name); found != now.end()) {
                known_[name] = found->second;
            } else {
                known_.erase(name);
            }
        }
    }
}

bool SettingsWatch::OtherCopys(const std::wstring& name) const {
    const std::wstring settings = std::wstring(kRootName) + kSettingsPath + L"\\";
    for (const std::wstring& key : {settings + kLastMinuteName + L"\\", settings + L"PlanDigest\\"}) {
        if (StartsWithIgnoringCase(name, key)) {
            return !EqualIgnoringCase(std::wstring_view(name).substr(key.size()), host_.planFileValue);
        }
    }
    return false;
}

bool SettingsWatch::HeldForParent(const std::wstring& name, bool present) const {
    const std::wstring settings = std::wstring(kRootName) + kSettingsPath + L"\\";
    const auto is = [&](const wchar_t* valueName) {
        return EqualIgnoringCase(name, settings + valueName);
    };
    // An excuse that Kestrel did not write never holds, with or without a password.
    if (is(text::kQuietHoursExcusedValueName)) {
        return true;
    }
    if (!host_.lockSet || !host_.lockSet()) {
        return false;
    }
    if (is(text::kPasswordValueName)) {
        return !host_.lockRecordSound || host_.lockRecordSound();
    }
    if (EqualIgnoringCase(name, FullName(text::kRunKeyPath, text::kRunValueName))) {
        return host_.autoStartTicked && host_.autoStartTicked() && known_.count(name) != 0;
    }
    if (OtherCopys(name)) {
        return false;
    }
    // A copy of Kestrel in another folder sets the mark too: only a mark deleted is put back.
    if (is(kExitMarkValue)) {
        return !present;
    }
    return is(text::kForbiddenValueName) || is(text::kQuietHoursValueName) ||
           is(kLastMinuteName) || StartsWithIgnoringCase(name, settings + kLastMinuteName + L"\\") ||
           StartsWithIgnoringCase(name, settings + L"PlanDigest\\");
}

void SettingsWatch::WriteBack(const std::wstring& name) {
    const auto where = where_.find(name);
    if (where == where_.end()) {
        return;
    }
    const auto& [keyPath, valueName] = where->second;
    const auto known = known_.find(name);
    if (known == known_.end()) {
        DeleteRegValue(HKEY_CURRENT_USER, keyPath, valueName);
        return;
    }
    SetRegBytes(HKEY_CURRENT_USER, keyPath, valueName, known->second.type, known->second.bytes);
}

void SettingsWatch::OwnWrite(HKEY root, const std::wstring& keyPath, const std::wstring& name) {
    if (root != HKEY_CURRENT_USER) {
        return;
    }
    const std::wstring full = FullName(keyPath, name);
    where_[full] = {keyPath, name};
    DWORD type = 0;
    std::vector<std::uint8_t> bytes;
    if (QueryRegBytes(HKEY_CURRENT_USER, keyPath, name, type, bytes) == RegRead::Read) {
        known_[full] = SettingValue{type, std::move(bytes)};
    } else {
        known_.erase(full);
    }
}

void SettingsWatch::OnEnd(ProgramEnd) {
    const std::wstring run = FullName(text::kRunKeyPath, text::kRunValueName);
    if (HeldForParent(run, true)) {
        DWORD type = 0;
        std::vector<std::uint8_t> bytes;
        if (QueryRegBytes(HKEY_CURRENT_USER, text::kRunKeyPath, text::kRunValueName, type, bytes) != RegRead::Read ||
            !(SettingValue{type, bytes} == known_[run])) {
            WriteBack(run);
        }
    }
    SetRegistryWriteListener({});
}

} // namespace kestrel::win
