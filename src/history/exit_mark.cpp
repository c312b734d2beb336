// The exit mark's stored text; see exit_mark.h.
#include "history/exit_mark.h"

namespace kestrel {

std::wstring ExitMarkText(std::wstring_view lastSeen, std::wstring_view zone) {
    std::wstring text(lastSeen);
    if (!zone.empty()) {
        text += L'\t';
        text += zone;
    }
    return text;
}

std::wstring ClearedExitMarkText(std::wstring_view zone) {
    return zone.empty() ? std::wstring() : ExitMarkText({}, zone);
}

ExitMarkReading ParseExitMarkText(std::wstring_view text) {
    const std::size_t tab = text.find(L'\t');
    if (tab == std::wstring_view::npos) {
        return {std::wstring(text), {}};
    }
    ExitMarkReading reading{std::nullopt, std::wstring(text.substr(tab + 1))};
    if (tab > 0) {
        reading.lastSeen = std::wstring(text.substr(0, tab));
    }
    return reading;
}

} // namespace kestrel
