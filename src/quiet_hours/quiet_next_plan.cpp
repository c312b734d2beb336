// Quiet hours on the next-plan line; see quiet_next_plan.h.
#include "quiet_hours/quiet_next_plan.h"

#include "base/app_messages.h"
#include "base/texts.h"

namespace kestrel {

std::optional<NextPlanClaim> QuietNextPlanClaim(const QuietHoursCheck& quiet, const ClockReading& now) {
    if (const std::optional<std::int64_t> until = quiet.QuietUntil(now)) {
        return NextPlanClaim{
            {FillIn(text::kNextPlanInsideQuiet, L"{end}", QuietTimeText(static_cast<int>(*until % (24 * 60)))),
             {},
             {}},
            kClaimHoldsNow};
    }
    const std::optional<QuietOccurrence> window = NextQuietStart(quiet.Windows(), MinuteNumber(now.local));
    if (!window) {
        return std::nullopt;
    }
    // Drawn as a once-only power plan of that weekday and minute, so that the day and the shortening read
    // exactly as a plan's do.
    const QuietWindow& next = quiet.Windows()[window->window];
    const std::wstring weekday(1, text::kWeekdayChars[QuietWeekday(window->start / (24 * 60))]);
    const PlanRow row = MakePlanRow(text::kKindPower, QuietTimeText(next.start),
                                    std::wstring(text::kNextPlanQuietKind) + L" " + next.operation,
                                    text::kStatusEnabled, weekday + L" ", text::kPowerPlanInfo);
    return NextPlanClaim{NextPlanParts({row}, now.local), window->start};
}

NextPlanText QuietNextPlanParts(const std::vector<PlanRow>& rows, const QuietHoursCheck& quiet,
                                const ClockReading& now, bool strongestWins) {
    return ChooseNextPlanClaim(
               {[&rows](const ClockReading& at, bool strongest) { return PlanListClaim(rows, at.local, strongest); },
                [&quiet](const ClockReading& at, bool) { return QuietNextPlanClaim(quiet, at); }},
               now, strongestWins)
        .line;
}

} // namespace kestrel
