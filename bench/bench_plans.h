// The plan list both benchmark programs save and load, so that their figures compare.
#pragma once

#include "base/texts.h"
#include "plans/plan_list.h"

#include <string>
#include <vector>

namespace kestrel::bench {

inline PlanList TenThousandPlans() {
    std::vector<PlanRow> rows;
    rows.reserve(10000);
    for (int i = 0; i < 10000; ++i) {
        rows.push_back(MakePlanRow(text::kKindReminder, L"08:05", text::kOpTextMessage, text::kStatusEnabled,
                                   L"一 三 五 ",
                                   L"提醒第 " + std::to_wstring(i) + L" 条：开会 <会议室 A&B>"));
    }
    PlanList plans;
    plans.AppendAll(std::move(rows));
    return plans;
}

} // namespace kestrel::bench
