// How long Kestrel takes to put its main window on the screen, against a bare Win32 program that only
// registers a class and shows one window (bare_window.exe, built beside this benchmark), and against a
// program that makes just the native controls of Kestrel's first sight (first_frame.exe). All three are
// copied into a fresh folder and started in turn; each run is timed from CreateProcess until a visible
// top-level window of that process with the expected title exists, then the program is closed the way a
// user closes it. Prints the medians and their ratios to the bare window.
#include "base/command_ids.h"
#include "bench_copies_win.h"
#include "base/texts.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr int kRuns = 15;
constexpr DWORD kWindowTimeoutMs = 15000;
constexpr DWORD kExitTimeoutMs = 10000;

struct Program {
    const char* label;
    fs::path exe;
    const wchar_t* title;
    // Asks the program's window to end the program.
    void (*close)(HWND window);
};

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

// The visible top-level window of `processId` titled `title`, or nullptr.
HWND VisibleWindowOf(DWORD processId, const wchar_t* title) {
    for (HWND window = ::FindWindowExW(nullptr, nullptr, nullptr, title); window;
         window = ::FindWindowExW(nullptr, window, nullptr, title)) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == processId && ::IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

// Starts the program, waits for its window and closes it again. Returns the milliseconds until the
// window was visible, or a negative number when something went wrong (reported on the way).
double TimeOneStart(const Program& program) {
    std::wstring commandLine = L"\"" + program.exe.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    const double started = Now();
    if (!::CreateProcessW(program.exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          program.exe.parent_path().c_str(), &startup, &process)) {
        std::printf("%s: cannot start, error %lu\n", program.label, ::GetLastError());
        return -1;
    }
    ::CloseHandle(process.hThread);
    HWND window = nullptr;
    double shown = 0;
    while (!window && Now() - started < kWindowTimeoutMs &&
           ::WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
        window = VisibleWindowOf(process.dwProcessId, program.title);
        shown = Now();
        if (!window) {
            ::Sleep(1);
        }
    }
    double result = shown - started;
    if (!window) {
        std::printf("%s: no visible window within %lu ms\n", program.label, kWindowTimeoutMs);
        result = -1;
    } else {
        program.close(window);
    }
    if (::WaitForSingleObject(process.hProcess, window ? kExitTimeoutMs : 0) != WAIT_OBJECT_0) {
        // Only the process this benchmark started, by its handle.
        std::printf("%s: did not end; terminating the process it started\n", program.label);
        ::TerminateProcess(process.hProcess, 1);
        ::WaitForSingleObject(process.hProcess, kExitTimeoutMs);
        result = -1;
    }
    ::CloseHandle(process.hProcess);
    return result;
}

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const std::size_t n = times.size();
    return n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
}

} // namespace

int wmain() {
    const kestrel::bench::BenchCopies copies(L"kestrel-startup",
                                             {L"Kestrel.exe", L"bare_window.exe", L"first_frame.exe"});
    if (!copies.ok()) {
        return 1;
    }
    const fs::path& folder = copies.folder();
    std::error_code error;
    const Program kestrel{"Kestrel.exe", folder / L"Kestrel.exe", kestrel::text::kMainWindowTitle,
                          [](HWND window) {
                              // The tray menu's Exit: saves, removes the icon and ends.
                              ::PostMessageW(window, WM_COMMAND, kestrel::ids::kCmdTrayExit, 0);
                          }};
    const auto closeWindow = [](HWND window) {
        ::PostMessageW(window, WM_CLOSE, 0, 0);
    };
    const Program bare{"bare window", folder / L"bare_window.exe", L"Kestrel bare window", closeWindow};
    const Program controls{"first-sight controls", folder / L"first_frame.exe", L"Kestrel first frame",
                           closeWindow};
    const std::array<const Program*, 3> programs{&kestrel, &bare, &controls};
    // Every start finds the folder as the first one did: without the plan file the last exit saved.
    const auto forgetPlans = [&] {
        fs::remove(folder / L"Values.xml", error);
        fs::remove(folder / L"Values.xml.tmp", error);
    };

    // One start each to warm the file cache and Wine's loaded libraries; not counted.
    bool ok = true;
    for (const Program* program : programs) {
        ok = ok && TimeOneStart(*program) >= 0;
    }
    forgetPlans();
    std::array<std::vector<double>, programs.size()> times;
    for (int run = 0; ok && run < kRuns; ++run) {
        // Each run starts with another program, so none always follows the same one's exit.
        for (std::size_t k = 0; k < programs.size(); ++k) {
            const std::size_t which = (k + static_cast<std::size_t>(run)) % programs.size();
            const double ms = TimeOneStart(*programs[which]);
            ok = ok && ms >= 0;
            times[which].push_back(ms);
        }
        forgetPlans();
    }
    if (!ok) {
        std::printf("FAILED: a start did not complete\n");
        return 1;
    }
    const double bareMedian = Median(times[1]); // programs[1] is the bare window
    std::printf("start-up until the main window is visible (%d runs each, medians; ratio to the bare window)\n",
                kRuns);
    for (std::size_t k = 0; k < programs.size(); ++k) {
        const double median = Median(times[k]);
        std::printf("  %-22s %7.1f ms  %5.2f\n", programs[k]->label, median, median / bareMedian);
    }
    return 0;
}
