// The scheduler hears the system: its pass once a second and at once after a wake or a clock change (the
// pass itself tells a sleep from the tick counts, and closes or restarts a countdown sleep interrupted),
// and the last minute kept at the end.
#pragma once

#include "base/system_listener.h"
#include "plans/scheduler.h"

namespace kestrel {

class SchedulerListener final : public SystemListener {
public:
    explicit SchedulerListener(Scheduler& scheduler) : scheduler_(scheduler) {}

    void OnSecondTick() override { scheduler_.RunPass(); }
    void OnWoken(bool) override { scheduler_.RunPass(); }
    void OnTimeChanged() override { scheduler_.RunPass(); }
    void OnEnd(ProgramEnd) override { scheduler_.SaveLastMinute(); }

private:
    Scheduler& scheduler_;
};

} // namespace kestrel
