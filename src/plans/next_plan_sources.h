// Who may claim the next-plan line: the plan list, a quiet window, and whatever else comes to an end at a
// minute of its own. Each source says what it would show and the minute it names; the line shows the
// earliest, and of one minute the first source's, so a plan keeps the line against a window that starts in
// its own minute.
#pragma once

#include "plans/next_plan.h"
#include "plans/plan_row.h"
#include "platform/clock.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

namespace kestrel {

// The minute of a claim that holds now (inside a quiet window): it comes before any minute to come.
inline constexpr std::int64_t kClaimHoldsNow = std::numeric_limits<std::int64_t>::min();

struct NextPlanClaim {
    NextPlanText line;
    std::int64_t minute = 0;     // the local minute named, or kClaimHoldsNow
    std::size_t planIndex = 0;   // the plan list's claim: its 1-based row; 0 for any other source
};

// `strongestWins`: under the parent's lock the strongest power plan of a minute is the one counted down.
using NextPlanSource = std::function<std::optional<NextPlanClaim>(const ClockReading& now, bool strongestWins)>;

// The plan list's claim: the next plan that fires (FindNextPlan), in NextPlanParts' words.
std::optional<NextPlanClaim> PlanListClaim(const std::vector<PlanRow>& rows, const LocalDateTime& now,
                                           bool strongestWins);

// The claim with the earliest minute, the first source's among equals; empty parts when nothing claims.
NextPlanClaim ChooseNextPlanClaim(const std::vector<NextPlanSource>& sources, const ClockReading& now,
                                  bool strongestWins);

} // namespace kestrel
