// Quiet hours on the next-plan line; see quiet_next_plan.h.
#include "quiet_hours/quiet_next_plan.h"

#include "base/app_messages.h"
#include "base/texts.h"

namespace kestrel {

std::optional<NextPlanClaim> QuietNextPlanClaim(const QuietHoursCheck& quiet, const ClockReading& now) {
    if (const std::optional<std::int64_t> until = quiet.QuietUntil(now)) {
        NextPlanText inside;
        inside.fixed = FillIn(text::kNextPlanInsideQuiet, L"{end}", QuietTimeText(static_cast<int>(*until % (24 * 60))));
        return NextPlanClaim{std::move(inside), kClaimHoldsNow};
    }
    const std::optional<QuietOccurrence> window = NextQuietStart(quiet.Windows(), MinuteNumber(now.local));
    if (!window) {
        return std::nullopt;
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
    return NextPlanClaim{std::move(line), window->start};
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
