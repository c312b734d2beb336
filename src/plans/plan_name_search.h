// Type-ahead in the plan list: which plan a typed text leads to. The list view asks for it whenever the
// user types while the list has the focus.
#pragma once

#include "plans/plan_row.h"

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace kestrel {

struct PlanNameQuery {
    std::wstring_view text; // what was typed; an empty text matches nothing
    std::size_t start = 0;  // 0-based row where the search begins (the list view has already stepped
                            // past the current row when that row should not be found again)
    bool prefix = true;     // the name starts with `text`; otherwise the name equals it
    bool wrap = true;       // after the last row, go on from the first up to `start`
};

// The first row, from `query.start` on, whose plan name (column 0) matches `query.text` without regard
// to letter case; nullopt when none does. A start past the end begins at the first row when wrapping.
std::optional<std::size_t> FindPlanByName(const std::vector<PlanRow>& rows, const PlanNameQuery& query);

} // namespace kestrel
