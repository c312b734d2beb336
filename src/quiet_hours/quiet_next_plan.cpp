// The next-plan line with quiet hours; see quiet_next_plan.h.
#include "quiet_hours/quiet_next_plan.h"

#include "base/app_messages.h"
#include "base/texts.h"
#include "plans/next_plan.h"

namespace kestrel {

NextPlanText QuietNextPlanParts(const std::vector<PlanRow>& rows, const QuietHoursCheck& quiet,
                                const ClockReading& now, bool strongestWins) {
    const std::int64_t minute = MinuteNumber(now.local);
    if (const std::optional<std::int64_t> until = quiet.QuietUntil(now)) {
        NextPlanText inside;
        inside.fixed = FillIn(text::kNextPlanInsideQuiet, L"{end}", QuietTimeText(static_cast<int>(*until % (24 * 60))));
        return inside;
    }
    const std::optional<QuietOccurrence> window = NextQuietStart(quiet.Windows(), minute);
    const std::optional<NextPlan> plan = FindNextPlan(rows, now.local, strongestWins);
    if (!window || (plan && plan->minute <= window->start)) {
        return NextPlanParts(rows, now.local, strongestWins);
    }
    // Drawn as a once-only power plan of that weekday and minute, so that the day and the shortening read
    // exactly as a plan's do.
    const QuietWindow& next = quiet.Windows()[window->window];
    const std::wstring weekday(1, text::kWeekdayChars[QuietWeekday(window->start / (24 * 60))]);
    const PlanRow row = MakePlanRow(text::kKindPower, QuietTimeText(next.start), next.operation,
                                    text::kStatusEnabled, weekday + L" ", text::kPowerPlanInfo);
    // "禁止使用时段" is never cut; the operation gives way as a plan's text does.
    NextPlanText line = NextPlanParts({row}, now.local);
    line.fixed = text::kNextPlanQuietKind;
    line.text = next.operation;
    return line;
}

} // namespace kestrel
