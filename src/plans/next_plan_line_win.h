// The next-plan line of the tray tip and the main window, and the wake timer that follows the same
// moments: every change of the plan list, every turn of the minute, a wake, a change of the clock or of
// the parent's lock. The plan list claims the line first; other features add their sources.
#pragma once

#include "base/system_listener.h"
#include "plans/next_plan_sources.h"
#include "plans/plan_list.h"
#include "platform/clock.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kestrel::win {

class PlanWaker;

struct NextPlanLineOptions {
    // Whether the parent's lock holds (the strongest power plan of a minute is named); empty: never.
    std::function<bool()> strongestWins;
    // Where the line goes: the tray tip and the main window.
    std::function<void(const NextPlanText& line)> show;
    // The wake timer, set again with every showing; its mark ends the line when it stands for the plan
    // named. Null: no timer.
    PlanWaker* waker = nullptr;
};

class NextPlanLine final : public SystemListener {
public:
    // `plans` and `clock` must outlive the line. Follows the list from now on.
    NextPlanLine(PlanList& plans, const Clock& clock, NextPlanLineOptions options);
    ~NextPlanLine() override;
    NextPlanLine(const NextPlanLine&) = delete;
    NextPlanLine& operator=(const NextPlanLine&) = delete;

    // Another claim on the line (a quiet window, an allowance running out), after the plan list's.
    void AddSource(NextPlanSource source) { sources_.push_back(std::move(source)); }
    // Works the line out as it is now and shows it.
    void Show();

    void OnSecondTick() override;
    void OnWoken(bool) override { Show(); }
    void OnTimeChanged() override { Show(); }
    void OnParentLockChanged(bool) override { Show(); }
    void OnEnd(ProgramEnd) override { ending_ = true; }

private:
    PlanList& plans_;
    const Clock& clock_;
    NextPlanLineOptions options_;
    std::vector<NextPlanSource> sources_;
    PlanList::Subscription subscription_ = 0;
    std::optional<std::int64_t> shownMinute_; // the minute the line was last worked out in
    bool ending_ = false;
};

} // namespace kestrel::win
