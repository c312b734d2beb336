// One scheduler pass over 10,000 plans: none due, and a few due in every minute of the day (the set of a
// busy user's list). Goal: well under 100 microseconds a pass, so that a tick a second costs nothing.
#include "bench_plans.h"
#include "plans/scheduler.h"

#include <benchmark/benchmark.h>

#include <cwchar>

namespace {

using kestrel::LocalDateTime;
using kestrel::PlanList;

struct NoActions final : kestrel::PlanActions {
    void StartPowerCountdown(const std::wstring&) override {}
    void ShowReminder(const std::wstring&, const std::wstring&, const std::optional<LocalDateTime>&) override {}
    void StartProgram(const std::wstring&, const std::wstring&) override {}
    void Report(const std::wstring&) override {}
    std::wstring OpenCountdown() override { return {}; }
    void CancelCountdown() override {}
};

// Plans spread over every minute of the day: about seven are due in any minute.
PlanList PlansAllDayLong() {
    std::vector<kestrel::PlanRow> rows;
    for (int i = 0; i < 10000; ++i) {
        const int minuteOfDay = (i * 7) % 1440;
        wchar_t time[6];
        std::swprintf(time, 6, L"%02d:%02d", minuteOfDay / 60, minuteOfDay % 60);
        rows.push_back(kestrel::MakePlanRow(kestrel::text::kKindReminder, time, kestrel::text::kOpTextMessage,
                                            kestrel::text::kStatusEnabled, kestrel::text::kRepeatDaily,
                                            L"提醒 " + std::to_wstring(i)));
    }
    PlanList plans;
    plans.AppendAll(std::move(rows));
    return plans;
}

void SchedulerPass(benchmark::State& state, PlanList plans, LocalDateTime at) {
    kestrel::FixedClock clock(at);
    NoActions actions;
    kestrel::Scheduler scheduler(plans, clock, actions);
    for (auto _ : state) {
        scheduler.RunPass();
    }
}

// A Monday at 09:00: nothing in the ten-thousand-plan list is due.
BENCHMARK_CAPTURE(SchedulerPass, NoneDue, kestrel::bench::TenThousandPlans(),
                  LocalDateTime{2026, 12, 7, 9, 0, 0, 1})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(SchedulerPass, SomeDue, PlansAllDayLong(), LocalDateTime{2026, 12, 7, 8, 5, 0, 1})
    ->Unit(benchmark::kMicrosecond);

} // namespace
