// What changed in Kestrel's settings while it ran, by the values it saw or wrote itself: a value whose
// bytes differ from the last Kestrel knew was changed by someone else. Portable: the registry is read and
// written by settings_watch_win.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

struct SettingValue {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;

    bool operator==(const SettingValue&) const = default;
};

// Every value watched, by its name relative to the watched key ("QuietHours", "LastMinute\\c:\\...").
using SettingValues = std::map<std::wstring, SettingValue>;

// The names whose value (or absence) in `now` differs from what Kestrel knew, in name order.
std::vector<std::wstring> ChangedSettings(const SettingValues& known, const SettingValues& now);

} // namespace kestrel
