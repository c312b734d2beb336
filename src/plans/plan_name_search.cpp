// Type-ahead matching for the plan list; see plan_name_search.h.
#include "plans/plan_name_search.h"

#include <cstdint>

namespace kestrel {

namespace {

// Letter case is folded for the scripts a plan name plausibly holds besides Chinese (which has none):
// Latin with its Western accents, full-width Latin as Chinese input methods type it, Greek and Cyrillic.
// The rule is spelled out here, not taken from the C library, so that it is the same on every system.
wchar_t FoldCase(wchar_t c) {
    const auto code = static_cast<std::uint32_t>(c);
    const auto in = [code](std::uint32_t first, std::uint32_t last) {
        return code >= first && code <= last;
    };
    if (in(L'A', L'Z') || in(0xFF21, 0xFF3A) || (in(0xC0, 0xDE) && code != 0xD7) ||
        (in(0x391, 0x3A9) && code != 0x3A2) || in(0x410, 0x42F)) {
        return static_cast<wchar_t>(code + 0x20);
    }
    if (in(0x400, 0x40F)) {
        return static_cast<wchar_t>(code + 0x50);
    }
    return c;
}

bool Matches(std::wstring_view name, const PlanNameQuery& query) {
    if (query.prefix ? name.size() < query.text.size() : name.size() != query.text.size()) {
        return false;
    }
    for (std::size_t i = 0; i < query.text.size(); ++i) {
        if (FoldCase(name[i]) != FoldCase(query.text[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<std::size_t> FindPlanByName(const std::vector<PlanRow>& rows, const PlanNameQuery& query) {
    if (query.text.empty() || rows.empty()) {
        return std::nullopt;
    }
    std::size_t start = query.start;
    if (start >= rows.size()) {
        if (!query.wrap) {
            return std::nullopt;
        }
        start = 0;
    }
    const std::size_t count = query.wrap ? rows.size() : rows.size() - start;
    for (std::size_t step = 0; step < count; ++step) {
        const std::size_t row = (start + step) % rows.size();
        if (Matches(rows[row][PlanColumn::Kind], query)) {
            return row;
        }
    }
    return std::nullopt;
}

} // namespace kestrel
