// The next-plan line (tray tip and main window) with quiet hours in it: a window's start is named when it
// comes before every plan, in a plan's own form with "禁止使用时段" in place of the kind ("下一个计划：
// 今天 21:00 禁止使用时段 关闭计算机"); inside a window the line says until when ("禁止使用时段中，至
// 07:00").
#pragma once

#include "plans/next_plan.h"
#include "plans/plan_row.h"
#include "quiet_hours/quiet_hours_check.h"

#include <cstddef>
#include <string>
#include <vector>

namespace kestrel {

// The line in the parts the main window shortens (see NextPlanParts); inside a window all of it is never cut.
// `strongestWins` as for plans: under the parent's lock the strongest power plan of a minute is named.
NextPlanText QuietNextPlanParts(const std::vector<PlanRow>& rows, const QuietHoursCheck& quiet,
                                const ClockReading& now, bool strongestWins);

} // namespace kestrel
