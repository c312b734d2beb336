// The next-plan line and the wake timer behind it; see next_plan_line_win.h.
#include "plans/next_plan_line_win.h"

#include "base/texts.h"
#include "plans/plan_waker_win.h"

namespace kestrel::win {

NextPlanLine::NextPlanLine(PlanList& plans, const Clock& clock, NextPlanLineOptions options)
    : plans_(plans), clock_(clock), options_(std::move(options)) {
    sources_.push_back([this](const ClockReading& now, bool strongestWins) {
        return PlanListClaim(plans_.Rows(), now.local, strongestWins);
    });
    subscription_ = plans_.Subscribe([this](const PlanListEvent&) { Show(); });
}

NextPlanLine::~NextPlanLine() {
    plans_.Unsubscribe(subscription_);
}

void NextPlanLine::OnSecondTick() {
    if (shownMinute_ != MinuteNumber(clock_.Now())) {
        Show();
    }
}

void NextPlanLine::Show() {
    if (ending_) {
        return;
    }
    const ClockReading now = clock_.Read();
    shownMinute_ = MinuteNumber(now.local);
    const bool strongestWins = options_.strongestWins && options_.strongestWins();
    NextPlanClaim claim = ChooseNextPlanClaim(sources_, now, strongestWins);
    if (options_.waker) {
        options_.waker->Update();
        // The mark only when the line names the plan the timer stands for, never a window's start.
        if (claim.planIndex != 0 && options_.waker->Wakes(claim.planIndex, claim.minute)) {
            claim.line.mark = text::kNextPlanWakes;
        }
    }
    if (options_.show) {
        options_.show(claim.line);
    }
}

} // namespace kestrel::win
