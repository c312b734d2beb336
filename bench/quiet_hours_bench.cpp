// The once-a-second check of quiet hours with the full 20 windows: outside every window, inside one with
// its countdown open, and inside an excused one. Goal: under 2 microseconds, so that it costs nothing
// beside the plan check in the same tick.
#include "quiet_hours/quiet_hours_check.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using kestrel::ClockReading;
using kestrel::FixedClock;
using kestrel::LocalDateTime;
using kestrel::QuietWindow;

// Twenty windows over the week, each from an evening across midnight into the morning; on a Monday at
// 03:10 thirteen of them hold at once.
std::vector<QuietWindow> TwentyWindows() {
    std::vector<QuietWindow> windows;
    for (int i = 0; i < 20; ++i) {
        QuietWindow window;
        for (int day = 0; day < 7; ++day) {
            window.days[static_cast<std::size_t>(day)] = (day + i) % 3 != 0;
        }
        window.start = 18 * 60 + i * 17;
        window.end = 5 * 60 + i * 9;
        window.operation = i % 2 ? L"锁定计算机" : L"关闭计算机";
        windows.push_back(window);
    }
    return windows;
}

void QuietCheck(benchmark::State& state, LocalDateTime at, bool excused) {
    kestrel::QuietHoursCheck check;
    check.SetWindows(TwentyWindows());
    const ClockReading now = FixedClock(at).Read();
    const std::wstring open = check.Check(now, L"", false).countdown ? L"关闭计算机" : L"";
    if (excused) {
        check.OnCountdownEnded(kestrel::CountdownEnd::Cancelled, now);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(check.Check(now, open, false));
    }
}

// A Monday at 03:10, inside thirteen windows (their countdown open, or excused); and at 12:05, outside
// every one.
BENCHMARK_CAPTURE(QuietCheck, InsideCountingDown, LocalDateTime{2026, 12, 7, 3, 10, 0, 1}, false)
    ->Unit(benchmark::kNanosecond);
BENCHMARK_CAPTURE(QuietCheck, InsideExcused, LocalDateTime{2026, 12, 7, 3, 10, 0, 1}, true)
    ->Unit(benchmark::kNanosecond);
BENCHMARK_CAPTURE(QuietCheck, Outside, LocalDateTime{2026, 12, 7, 12, 5, 0, 1}, false)
    ->Unit(benchmark::kNanosecond);

} // namespace
