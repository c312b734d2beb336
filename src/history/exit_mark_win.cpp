// The exit mark in the registry; see exit_mark_win.h.
#include "history/exit_mark_win.h"

#include "platform/registry_win.h"

namespace kestrel::win {

ExitMarkReading RegistryExitMark::Stored() {
    DWORD type = REG_NONE;
    std::wstring text;
    if (!QueryRegValue(root_, keyPath_, kExitMarkValue, type, text) || type == REG_NONE) {
        return {};
    }
    // A value of another type is a mark all the same: something set it, and no clean end removed it.
    return type == REG_SZ ? ParseExitMarkText(text) : ExitMarkReading{std::wstring(), {}};
}

std::optional<std::wstring> RegistryExitMark::Read() {
    return Stored().lastSeen;
}

std::wstring RegistryExitMark::Zone() {
    return Stored().zone;
}

void RegistryExitMark::Set(const std::wstring& lastSeen, const std::wstring& zone) {
    SetRegValue(root_, keyPath_, kExitMarkValue, REG_SZ, ExitMarkText(lastSeen, zone));
}

void RegistryExitMark::Clear() {
    const std::wstring kept = ClearedExitMarkText(Stored().zone);
    if (kept.empty()) {
        DeleteRegValue(root_, keyPath_, kExitMarkValue);
    } else {
        SetRegValue(root_, keyPath_, kExitMarkValue, REG_SZ, kept);
    }
}

std::wstring CurrentTimeZoneName() {
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    if (::GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID) {
        return {};
    }
    // The key name is empty where dynamic zones are switched off; the standard name still tells zones apart.
    return zone.TimeZoneKeyName[0] ? std::wstring(zone.TimeZoneKeyName) : std::wstring(zone.StandardName);
}

} // namespace kestrel::win
