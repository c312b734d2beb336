// The last minute looked at, in the registry; see last_minute_store_win.h.
#include "platform/last_minute_store_win.h"

#include "platform/registry_win.h"

namespace kestrel::win {

std::optional<std::int64_t> RegistryLastMinute::Load() {
    DWORD type = REG_NONE;
    std::wstring text;
    if (!QueryRegValue(root_, keyPath_, kLastMinuteValue, type, text) || type != REG_SZ) {
        return std::nullopt;
    }
    return ParseStoredMinute(text);
}

void RegistryLastMinute::Save(std::int64_t utcMinute) {
    // A failed write only means the next start-up misses less or more; nothing to tell the user.
    SetRegValue(root_, keyPath_, kLastMinuteValue, REG_SZ, std::to_wstring(utcMinute));
}

} // namespace kestrel::win
