// Keeps the plan file in step with the plan list: every change is saved at once, atomically, so a forced
// end of the process loses nothing. A failed save is reported once, and again only after a later save
// succeeded and another failed.
#pragma once

#include "plans/plan_list.h"

#include <functional>

namespace kestrel {

class PlanFileSaver {
public:
    using SaveFunction = std::function<bool()>;
    using ReportFunction = std::function<void()>;

    // Subscribes to `plans`; `save` writes the file and says whether it worked; `reportFailure` tells the
    // user. Nothing is saved until the first change.
    PlanFileSaver(PlanList& plans, SaveFunction save, ReportFunction reportFailure);
    ~PlanFileSaver();
    PlanFileSaver(const PlanFileSaver&) = delete;
    PlanFileSaver& operator=(const PlanFileSaver&) = delete;

    // Saves now (exit, end of session, before a power operation). `mayReport` false keeps it silent
    // (the session is ending); the result says whether the file was written.
    bool SaveNow(bool mayReport = true);

    bool LastSaveFailed() const { return lastFailed_; }

private:
    PlanList& plans_;
    SaveFunction save_;
    ReportFunction report_;
    PlanList::Subscription subscription_ = 0;
    bool lastFailed_ = false;
    bool failureReported_ = false;
};

} // namespace kestrel
