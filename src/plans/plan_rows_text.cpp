// Plans as text for the history; see plan_rows_text.h.
#include "plans/plan_rows_text.h"

#include "base/app_messages.h"
#include "base/texts.h"

namespace kestrel {

std::wstring PlanRowText(const PlanRow& row) {
    std::wstring repeat = row[PlanColumn::Repeat];
    // A custom rule keeps a blank after its last day; here it would stand before the colon.
    while (!repeat.empty() && repeat.back() == L' ') {
        repeat.pop_back();
    }
    std::wstring out = row[PlanColumn::Time] + L' ' + row[PlanColumn::Kind] + L' ' +
                       row[PlanColumn::Operation] + L' ' + repeat;
    // A power plan's info is the same fixed sentence for all of them.
    if (row[PlanColumn::Kind] != text::kKindPower) {
        out += text::kNextPlanWhatSeparator;
        out += row[PlanColumn::Info];
    }
    return out;
}

std::wstring PlanRowsText(const std::vector<PlanRow>& rows) {
    std::wstring out;
    const std::size_t shown = rows.size() > kPlanRowsInText ? kPlanRowsInText : rows.size();
    for (std::size_t i = 0; i < shown; ++i) {
        if (i > 0) {
            out += text::kHistoryRowSeparator;
        }
        out += PlanRowText(rows[i]);
    }
    if (shown < rows.size()) {
        out += FillIn(text::kMsgMissedMore, L"{count}", NumberText(rows.size() - shown));
    }
    return out;
}

} // namespace kestrel
