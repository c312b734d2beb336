// The exit mark in the registry; see exit_mark_win.h.
#include "history/exit_mark_win.h"

#include "platform/registry_win.h"

namespace kestrel::win {

std::optional<std::wstring> RegistryExitMark::Read() {
    DWORD type = REG_NONE;
    std::wstring text;
    if (!QueryRegValue(root_, keyPath_, kExitMarkValue, type, text) || type == REG_NONE) {
        return std::nullopt;
    }
    // A value of another type is a mark all the same: something set it, and no clean end removed it.
    return type == REG_SZ ? text : std::wstring();
}

void RegistryExitMark::Set(const std::wstring& lastSeen) {
    SetRegValue(root_, keyPath_, kExitMarkValue, REG_SZ, lastSeen);
}

void RegistryExitMark::Clear() {
    DeleteRegValue(root_, keyPath_, kExitMarkValue);
}

} // namespace kestrel::win
