// Plans as one short text, for the history's lines: "21:00 关机操作 关闭计算机 每天", and for a reminder
// or a run plan its message or program after a colon.
#pragma once

#include "plans/plan_row.h"

#include <string>
#include <vector>

namespace kestrel {

// Rows shown in one text at most; the rest are counted ("……另有 3 项").
inline constexpr std::size_t kPlanRowsInText = 20;

std::wstring PlanRowText(const PlanRow& row);
// The rows one after another, separated by "；".
std::wstring PlanRowsText(const std::vector<PlanRow>& rows);

} // namespace kestrel
