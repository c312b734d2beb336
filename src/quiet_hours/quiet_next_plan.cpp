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
        return {FillIn(text::kNextPlanInsideQuiet, L"{end}", QuietTimeText(static_cast<int>(*until % (24 * 60)))),
                {},
                {}};
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
    const PlanRow row = MakePlanRow(text::kKindPower, QuietTimeText(next.start),
                                    std::wstring(text::kNextPlanQuietKind) + L" " + next.operation,
                                    text::kStatusEnabled, weekday + L" ", text::kPowerPlanInfo);
    return NextPlanParts({row}, now.local);
}

} // namespace kestrel
