// Saving the plan file after every change; see plan_file_saver.h.
#include "plans/plan_file_saver.h"

#include <utility>

namespace kestrel {

PlanFileSaver::PlanFileSaver(PlanList& plans, SaveFunction save, ReportFunction reportFailure)
    : plans_(plans), save_(std::move(save)), report_(std::move(reportFailure)) {
    subscription_ = plans_.Subscribe([this](const PlanListEvent&) { SaveNow(); });
}

PlanFileSaver::~PlanFileSaver() {
    plans_.Unsubscribe(subscription_);
}

bool PlanFileSaver::SaveNow(bool mayReport) {
    const bool ok = save_ && save_();
    lastFailed_ = !ok;
    if (ok) {
        failureReported_ = false;
        return true;
    }
    if (mayReport && !failureReported_) {
        failureReported_ = true;
        if (report_) {
            report_();
        }
    }
    return false;
}

} // namespace kestrel
