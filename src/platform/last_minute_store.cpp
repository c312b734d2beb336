// The kept minute per plan file; see last_minute_store.h.
#include "platform/last_minute_store.h"
#include "base/app_messages.h"

#include "platform/text_compare.h"

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

std::wstring MinuteValueName(std::wstring_view planFilePath) {
    std::wstring name = LowerCase(planFilePath);
    for (wchar_t& c : name) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return name;
}

std::optional<std::int64_t> PlanFileLastMinute::Load() {
    std::optional<std::wstring> own = values_.Read(name_);
    if (const std::optional<std::wstring> shared = values_.ReadShared()) {
        // Kept until it is safely copied: a failed write must not lose the minute.
        if (own || values_.Write(name_, *shared)) {
            values_.DeleteShared();
        }
        if (!own) {
            own = shared;
        }
    }
    return own ? ParseStoredMinute(*own) : std::nullopt;
}

void PlanFileLastMinute::Save(std::int64_t utcMinute) {
    // A failed write only means the next start-up misses less or more; nothing to tell the user.
    values_.Write(name_, NumberText(utcMinute));
}

} // namespace kestrel
