// The scheduler hears the system: its pass once a second and at once after a wake or a clock change,
// sleep noticed as it begins, and the last minute kept at the end.
#pragma once

#include "base/system_listener.h"
#include "plans/scheduler.h"

namespace kestrel {

class SchedulerListener final : public SystemListener {
public:
    explicit SchedulerListener(Scheduler& scheduler) : scheduler_(scheduler) {}

    void OnSecondTick() override { scheduler_.RunPass(); }
    void OnSuspending() override { scheduler_.OnSuspend(); }
    void OnWoken(bool) override {
        scheduler_.OnResume();
        scheduler_.RunPass();
    }
    void OnTimeChanged() override { scheduler_.RunPass(); }
    void OnEnd(ProgramEnd) override { scheduler_.SaveLastMinute(); }

private:
    Scheduler& scheduler_;
};

} // namespace kestrel
