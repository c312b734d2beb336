// The forbidden-program monitor under Wine. First, one tick of Timer_禁止检测 with 20 entries over the
// machine's real process list, in-process, with the version data of every process already read (as from
// the second tick on): snapshots taken per tick and the median and slowest tick. Then, black-box: a copy
// of Kestrel.exe forbids bare_window.exe and kestrel_sleeper.exe through its page, and each run times from
// CreateProcess until the process has ended, for bare_window.exe (matched by its name) and for a copy of
// the sleeper renamed notes.exe (matched by the original file name in its version resource). Prints
// medians and maxima.
#include "actions/forbidden_programs.h"
#include "base/command_ids.h"
#include "base/texts.h"
#include "platform/process_table_win.h"

#include "bench_copies_win.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kTicks = 200;
constexpr int kRuns = 10;
constexpr DWORD kEndTimeoutMs = 5000;

double Now() {
    static const double ticksPerMs = [] {
        LARGE_INTEGER frequency{};
        ::QueryPerformanceFrequency(&frequency);
        return static_cast<double>(frequency.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / ticksPerMs;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The system table, counting its snapshots and version reads.
struct CountingTable final : kestrel::ProcessTable {
    kestrel::win::SystemProcessTable system;
    int snapshots = 0;
    int reads = 0;
    std::size_t processes = 0;
    bool Snapshot(std::vector<kestrel::ProcessEntry>& list) override {
        ++snapshots;
        const bool taken = system.Snapshot(list);
        processes = list.size();
        return taken;
    }
    std::optional<kestrel::ProgramFile> ReadProgramFile(const kestrel::ProcessEntry& process) override {
        ++reads;
        return system.ReadProgramFile(process);
    }
    kestrel::EndResult End(const kestrel::ProcessEntry& process, const std::wstring& path) override {
        return system.End(process, path);
    }
    unsigned long OwnProcessId() const override { return system.OwnProcessId(); }
};

void BenchTick() {
    std::vector<std::wstring> entries;
    for (int i = 0; i < 20; ++i) {
        entries.push_back(L"absent-program-" + std::to_wstring(i) + L".exe");
    }
    CountingTable table;
    kestrel::ForbiddenMonitor monitor(table);
    const double firstStart = Now();
    monitor.Tick(entries); // reads every process's version data once
    const double first = Now() - firstStart;
    const int firstReads = table.reads;
    table.snapshots = 0;
    table.reads = 0;
    std::vector<double> times;
    for (int tick = 0; tick < kTicks; ++tick) {
        const double start = Now();
        monitor.Tick(entries);
        times.push_back(Now() - start);
    }
    std::printf("one monitor tick, 20 entries, %zu processes (%d ticks)\n", table.processes, kTicks);
    std::printf("  first tick          %7.3f ms (%d version reads)\n", first, firstReads);
    std::printf("  snapshots per tick  %7.2f\n", static_cast<double>(table.snapshots) / kTicks);
    std::printf("  version reads/tick  %7.2f\n", static_cast<double>(table.reads) / kTicks);
    std::printf("  median              %7.3f ms\n", Median(times));
    std::printf("  slowest             %7.3f ms\n", *std::max_element(times.begin(), times.end()));
}

struct ChildSearch {
    int id;
    HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM data) {
    auto* search = reinterpret_cast<ChildSearch*>(data);
    if (::GetDlgCtrlID(child) != search->id) {
        return TRUE;
    }
    search->found = child;
    return FALSE;
}

HWND ChildWithId(HWND root, int id) {
    ChildSearch search{id, nullptr};
    ::EnumChildWindows(root, &MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool Start(const fs::path& exe, PROCESS_INFORMATION& process) {
    std::wstring commandLine = L"\"" + exe.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    return ::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            exe.parent_path().c_str(), &startup, &process);
}

// Ends a process this benchmark started, by its handle, and lets go of it.
void Finish(PROCESS_INFORMATION& process) {
    if (::WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process.hProcess, 1);
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
}

bool BenchStartToEnd(const fs::path& folder) {
    PROCESS_INFORMATION kestrel{};
    if (!Start(folder / L"Kestrel.exe", kestrel)) {
        std::printf("cannot start Kestrel.exe, error %lu\n", ::GetLastError());
        return false;
    }
    HWND main = nullptr;
    for (int wait = 0; !main && wait < 1500; ++wait) {
        main = ::FindWindowW(nullptr, kestrel::text::kMainWindowTitle);
        ::Sleep(10);
    }
    HWND page = nullptr;
    for (int wait = 0; main && !page && wait < 500; ++wait) {
        page = ChildWithId(main, kestrel::ids::kForbiddenPage);
        ::Sleep(10);
    }
    HWND list = page ? ChildWithId(page, kestrel::ids::kForbiddenList) : nullptr;
    bool ok = list != nullptr;
    for (const wchar_t* name : {L"BARE_WINDOW.EXE", L"kestrel_sleeper.exe"}) {
        if (ok) {
            ::SendMessageW(ChildWithId(page, kestrel::ids::kForbiddenName), WM_SETTEXT, 0,
                           reinterpret_cast<LPARAM>(name));
            ::SendMessageW(ChildWithId(page, kestrel::ids::kForbiddenAdd), BM_CLICK, 0, 0);
        }
    }
    ok = ok && ::SendMessageW(list, LB_GETCOUNT, 0, 0) == 2;
    std::vector<double> times;
    std::vector<double> renamedTimes;
    for (int run = 0; ok && run < 2 * kRuns; ++run) {
        // Each run ends on a tick; starting the next one right away would always wait a whole second.
        // A varied pause spreads the starts over the timer's period.
        ::Sleep(static_cast<DWORD>((run / 2) * 1000 / kRuns));
        const bool renamed = run % 2 == 1;
        PROCESS_INFORMATION started{};
        const double start = Now();
        ok = Start(folder / (renamed ? L"notes.exe" : L"bare_window.exe"), started);
        if (ok) {
            ok = ::WaitForSingleObject(started.hProcess, kEndTimeoutMs) == WAIT_OBJECT_0;
            (renamed ? renamedTimes : times).push_back(Now() - start);
            Finish(started);
        }
    }
    if (main) {
        ::PostMessageW(main, WM_COMMAND, kestrel::ids::kCmdTrayExit, 0);
    }
    ::WaitForSingleObject(kestrel.hProcess, 10000);
    Finish(kestrel);
    if (!ok) {
        std::printf("FAILED: the forbidden program was not ended within %lu ms\n", kEndTimeoutMs);
        return false;
    }
    std::printf("forbidden program, from its start until it has ended (%d runs each)\n", kRuns);
    std::printf("  by name: median     %7.1f ms\n", Median(times));
    std::printf("  by name: slowest    %7.1f ms\n", *std::max_element(times.begin(), times.end()));
    std::printf("  renamed: median     %7.1f ms\n", Median(renamedTimes));
    std::printf("  renamed: slowest    %7.1f ms\n", *std::max_element(renamedTimes.begin(), renamedTimes.end()));
    return true;
}

} // namespace

int wmain() {
    BenchTick();
    const kestrel::bench::BenchCopies copies(L"kestrel-forbidden",
                                             {L"Kestrel.exe", L"bare_window.exe", L"kestrel_sleeper.exe"});
    // The renamed copy of a program whose version resource names it kestrel_sleeper.exe.
    const bool renamed = copies.ok() && ::CopyFileW((copies.folder() / L"kestrel_sleeper.exe").c_str(),
                                                    (copies.folder() / L"notes.exe").c_str(), FALSE);
    return renamed && BenchStartToEnd(copies.folder()) ? 0 : 1;
}
