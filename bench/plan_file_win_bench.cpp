// The plan file under Wine/Windows: saving and loading 10,000 plans through MSXML, timed with the
// performance counter. Prints one line per figure (best and median of several runs).
#include "base/texts.h"
#include "bench_plans.h"
#include "plans/plan_file.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

namespace {

using kestrel::PlanList;
using kestrel::PlanRow;

double Milliseconds(const std::function<bool()>& work, bool& ok) {
    LARGE_INTEGER frequency{};
    LARGE_INTEGER start{};
    LARGE_INTEGER end{};
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    ok = work() && ok;
    ::QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

void Report(const char* what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    std::printf("%-28s best %8.1f ms   median %8.1f ms   (%zu runs)\n", what, times.front(),
                times[times.size() / 2], times.size());
}

} // namespace

int wmain() {
    const PlanList plans = kestrel::bench::TenThousandPlans();

    wchar_t tempFolder[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tempFolder);
    const std::filesystem::path folder =
        std::filesystem::path(tempFolder) / (L"kestrel-bench-" + std::to_wstring(::GetCurrentProcessId()));
    std::filesystem::create_directories(folder);
    const std::wstring file = kestrel::PlanFilePath(folder.wstring());
    const auto xml = kestrel::CreateXmlBackend();

    bool ok = true;
    constexpr int kRuns = 7;
    std::vector<double> saves;
    std::vector<double> loads;
    for (int run = 0; run < kRuns; ++run) {
        saves.push_back(Milliseconds([&] { return kestrel::SavePlanFile(file, plans); }, ok));
        loads.push_back(Milliseconds(
            [&] {
                PlanList loaded;
                return kestrel::LoadPlanFile(file, *xml, loaded) == kestrel::PlanFileLoadResult::Loaded &&
                       loaded.Rows() == plans.Rows();
            },
            ok));
    }
    std::printf("plan file of %llu bytes\n",
                static_cast<unsigned long long>(std::filesystem::file_size(file)));
    Report("SavePlanFile, 10000 plans", saves);
    Report("LoadPlanFile, 10000 plans", loads);

    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    if (!ok) {
        std::printf("FAILED: a save or load did not give back the plans\n");
        return 1;
    }
    return 0;
}
