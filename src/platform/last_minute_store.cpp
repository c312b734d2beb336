// Reading the kept minute back; see last_minute_store.h.
#include "platform/last_minute_store.h"

namespace kestrel {

std::optional<std::int64_t> ParseStoredMinute(const std::wstring& text) {
    if (text.empty() || text.size() > 15) {
        return std::nullopt; // far beyond any date a clock shows, and never an overflow
    }
    std::int64_t value = 0;
    for (const wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        value = value * 10 + (c - L'0');
    }
    return value;
}

} // namespace kestrel
