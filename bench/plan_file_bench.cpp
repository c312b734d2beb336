// Core costs measured natively: the repeat test for each kind of rule (run for every row once a second),
// and saving and loading a plan file of 10,000 plans through libxml2.
#include "base/texts.h"
#include "bench_plans.h"
#include "plans/plan_file.h"
#include "plans/repeat_rule.h"
#include "platform/xml_tree.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>

namespace {

using kestrel::PlanList;
using kestrel::PlanRow;

void RepeatMatchesWeekday(benchmark::State& state, const wchar_t* rule) {
    int weekday = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(kestrel::RepeatMatchesWeekday(rule, weekday));
        weekday = weekday % 7 + 1;
    }
}
BENCHMARK_CAPTURE(RepeatMatchesWeekday, Once, kestrel::text::kRepeatOnce);
BENCHMARK_CAPTURE(RepeatMatchesWeekday, Daily, kestrel::text::kRepeatDaily);
BENCHMARK_CAPTURE(RepeatMatchesWeekday, Workdays5, kestrel::text::kRepeatWorkdays5);
BENCHMARK_CAPTURE(RepeatMatchesWeekday, Workdays6, kestrel::text::kRepeatWorkdays6);
BENCHMARK_CAPTURE(RepeatMatchesWeekday, Weekend1, kestrel::text::kRepeatWeekend1);
BENCHMARK_CAPTURE(RepeatMatchesWeekday, Weekend2, kestrel::text::kRepeatWeekend2);
BENCHMARK_CAPTURE(RepeatMatchesWeekday, CustomAllDays, L"一 二 三 四 五 六 天 ");
BENCHMARK_CAPTURE(RepeatMatchesWeekday, CustomNeverMatching, L"八 ??? x 0 ");

// A fresh folder for the benchmark's files, removed at exit.
struct BenchFolder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("kestrel-bench-" + std::to_string(std::random_device()()));
    BenchFolder() { std::filesystem::create_directories(path); }
    ~BenchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

std::wstring BenchFile() {
    static const BenchFolder folder;
    return kestrel::PlanFilePath(kestrel::WideFromUtf8(folder.path.string()));
}

void SavePlanFile10k(benchmark::State& state) {
    const PlanList plans = kestrel::bench::TenThousandPlans();
    const auto file = BenchFile();
    for (auto _ : state) {
        if (!kestrel::SavePlanFile(file, plans)) {
            state.SkipWithError("save failed");
        }
    }
    state.SetLabel(std::to_string(kestrel::PlanFileBytes(plans.Rows()).size()) + " bytes");
}
BENCHMARK(SavePlanFile10k)->Unit(benchmark::kMillisecond);

void LoadPlanFile10k(benchmark::State& state) {
    const auto file = BenchFile();
    kestrel::SavePlanFile(file, kestrel::bench::TenThousandPlans());
    const auto xml = kestrel::CreateXmlBackend();
    for (auto _ : state) {
        PlanList plans;
        if (kestrel::LoadPlanFile(file, *xml, plans) != kestrel::PlanFileLoadResult::Loaded ||
            plans.Count() != 10000) {
            state.SkipWithError("load failed");
        }
    }
}
BENCHMARK(LoadPlanFile10k)->Unit(benchmark::kMillisecond);

} // namespace
