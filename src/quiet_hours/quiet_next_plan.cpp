// The next-plan line with quiet hours; see quiet_next_plan.h.
#include "quiet_hours/quiet_next_plan.h"

#include "base/app_messages.h"
#include "base/texts.h"
#include "plans/next_plan.h"

namespace kestrel {

std::wstring QuietNextPlanLine(const std::vector<PlanRow>& rows, const QuietHoursCheck& quiet,
                               const ClockReading& now, std::size_t maxLength) {
    const std::int64_t minute = MinuteNumber(now.local);
    if (const std::optional<std::int64_t> until = quiet.QuietUntil(now)) {
        return FillIn(text::kNextPlanInsideQuiet, L"{end}",
                      QuietTimeText(static_cast<int>(*until % (24 * 60))));
    }
    const std::optional<QuietOccurrence> window = NextQuietStart(quiet.Windows(), minute);
    const std::optional<NextPlan> plan = FindNextPlan(rows, now.local);
    if (!window || (plan && plan->minute <= window->start)) {
        return NextPlanLine(rows, now.local, maxLength);
    }
    // Drawn as a once-only power plan of that weekday and minute, so that the day and the shortening read
    // exactly as a plan's do.
    const QuietWindow& next = quiet.Windows()[window->window];
    const std::wstring weekday(1, text::kWeekdayChars[QuietWeekday(window->start / (24 * 60))]);
    const PlanRow row = MakePlanRow(text::kKindPower, QuietTimeText(next.start),
                                    std::wstring(text::kNextPlanQuietKind) + L" " + next.operation,
                                    text::kStatusEnabled, weekday + L" ", text::kPowerPlanInfo);
    return NextPlanLine({row}, now.local, maxLength);
}

std::wstring QuietTrayTipText(const std::vector<PlanRow>& rows, const QuietHoursCheck& quiet,
                              const ClockReading& now) {
    std::wstring tip = text::kAppTitle;
    const std::wstring line = QuietNextPlanLine(rows, quiet, now, kTrayTipLength - tip.size() - 1);
    if (!line.empty()) {
        tip += L"\n" + line;
    }
    return tip;
}

} // namespace kestrel
