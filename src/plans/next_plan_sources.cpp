// The sources of the next-plan line; see next_plan_sources.h.
#include "plans/next_plan_sources.h"

namespace kestrel {

std::optional<NextPlanClaim> PlanListClaim(const std::vector<PlanRow>& rows, const LocalDateTime& now,
                                           bool strongestWins) {
    const std::optional<NextPlan> next = FindNextPlan(rows, now, strongestWins);
    if (!next) {
        return std::nullopt;
    }
    return NextPlanClaim{NextPlanParts(rows, now, strongestWins), next->minute, next->index};
}

NextPlanClaim ChooseNextPlanClaim(const std::vector<NextPlanSource>& sources, const ClockReading& now,
                                  bool strongestWins) {
    std::optional<NextPlanClaim> chosen;
    for (const NextPlanSource& source : sources) {
        std::optional<NextPlanClaim> claim = source ? source(now, strongestWins) : std::nullopt;
        if (claim && (!chosen || claim->minute < chosen->minute)) {
            chosen = std::move(claim);
        }
    }
    return chosen ? std::move(*chosen) : NextPlanClaim{};
}

} // namespace kestrel
