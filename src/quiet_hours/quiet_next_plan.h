// Quiet hours' claim on the next-plan line (tray tip and main window): a window's start, in a plan's own
// form with "禁止使用时段" in place of the kind ("下一个计划：今天 21:00 禁止使用时段 关闭计算机"), named when it
// comes before every plan; inside a window the line says until when ("禁止使用时段中，至 07:00").
#pragma once

#include "plans/next_plan.h"
#include "plans/next_plan_sources.h"
#include "plans/plan_row.h"
#include "quiet_hours/quiet_hours_check.h"

#include <optional>
#include <vector>

namespace kestrel {

// The claim of the windows `quiet` holds: inside one, it holds now; otherwise the next start, if any.
std::optional<NextPlanClaim> QuietNextPlanClaim(const QuietHoursCheck& quiet, const ClockReading& now);

// The whole line with the plan list and quiet hours as its sources, in the parts the main window shortens
// (see NextPlanParts); inside a window all of it is never cut. `strongestWins` as for plans.
NextPlanText QuietNextPlanParts(const std::vector<PlanRow>& rows, const QuietHoursCheck& quiet,
                                const ClockReading& now, bool strongestWins);

} // namespace kestrel
