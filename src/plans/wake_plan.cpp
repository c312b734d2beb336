// Waking the computer for a plan; see wake_plan.h.
#include "plans/wake_plan.h"

#include "base/texts.h"
#include "plans/next_plan.h"

#include <iterator>

namespace kestrel {

std::optional<WakeTarget> WakeTimerTarget(bool on, const std::vector<PlanRow>& rows,
                                          const LocalDateTime& now) {
    if (!on) {
        return std::nullopt;
    }
    // The next plan of the kinds that wake, found by the same rules as the next-plan line, so that the
    // line and the timer never disagree about which plan comes first.
    std::vector<PlanRow> waking;
    std::vector<std::size_t> indexes;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::wstring& kind = rows[i][PlanColumn::Kind];
        if (kind == text::kKindReminder || kind == text::kKindRun) {
            waking.push_back(rows[i]);
            indexes.push_back(i + 1);
        }
    }
    const std::optional<NextPlan> next = FindNextPlan(waking, now);
    if (!next) {
        return std::nullopt;
    }
    return WakeTarget{indexes[next->index - 1], next->minute, next->minute * 60 - kWakeLeadSeconds};
}

void OwnWake::Suspending() {
    wokeFor_.reset();
    personSeen_ = false;
}

void OwnWake::ResumedAutomatically(std::int64_t now) {
    if (timer_ && !personSeen_ && now >= timer_->dueSecond && now - timer_->dueSecond <= kOwnWakeSeconds) {
        wokeFor_ = timer_->minute;
    }
}

StayAwake::Hold StayAwake::Keep(std::uint64_t nowMs, std::uint64_t limitMs) {
    const Hold hold = next_++;
    holds_[hold] = nowMs + limitMs;
    return hold;
}

bool StayAwake::Needed(std::uint64_t nowMs) {
    for (auto it = holds_.begin(); it != holds_.end();) {
        it = nowMs >= it->second ? holds_.erase(it) : std::next(it);
    }
    return !holds_.empty();
}

} // namespace kestrel
