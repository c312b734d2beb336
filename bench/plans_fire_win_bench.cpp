// Kestrel at work, measured from outside on a copy in a fresh folder: how long after the start of a
// minute a due plan shows, the countdown of a power plan (goal: 1 s) and a reminder pop-up (goal: 2 s).
// (Its CPU time at rest is measured by scripts/bench.sh from the Linux side, where Wine reports it.)
#include "base/command_ids.h"
#include "bench_copies_win.h"
#include "base/texts.h"

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string Utf8(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                           0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size, nullptr,
                          nullptr);
    return out;
}

std::wstring HourMinute(int minuteOfDay) {
    wchar_t text[8];
    std::swprintf(text, 8, L"%02d:%02d", (minuteOfDay / 60) % 24, minuteOfDay % 60);
    return text;
}

int MinuteOfDayNow(SYSTEMTIME* now = nullptr) {
    SYSTEMTIME local{};
    ::GetLocalTime(&local);
    if (now) {
        *now = local;
    }
    return local.wHour * 60 + local.wMinute;
}

using Row = std::vector<std::wstring>;

void WritePlans(const fs::path& file, const std::vector<Row>& rows) {
    std::wstring xml = L"<计划列表>";
    const wchar_t* names[] = {L"计划名称", L"操作时间", L"操作类型", L"状态", L"重复", L"附加信息"};
    for (const Row& row : rows) {
        xml += L"<计划节点>";
        for (int i = 0; i < 6; ++i) {
            xml += std::wstring(L"<") + names[i] + L">" + row[static_cast<std::size_t>(i)] + L"</" +
                   names[i] + L">";
        }
        xml += L"</计划节点>";
    }
    xml += L"</计划列表>";
    std::ofstream(file, std::ios::binary) << Utf8(xml);
}

struct Running {
    PROCESS_INFORMATION process{};
    HWND main = nullptr;
};

bool Start(const fs::path& exe, Running& running) {
    std::wstring commandLine = L"\"" + exe.wstring() + L"\" mini";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          exe.parent_path().c_str(), &startup, &running.process)) {
        return false;
    }
    for (int wait = 0; wait < 1000 && !running.main; ++wait) {
        ::Sleep(10);
        running.main = ::FindWindowW(nullptr, kestrel::text::kMainWindowTitle);
    }
    return running.main != nullptr;
}

void Stop(Running& running) {
    if (running.main) {
        ::PostMessageW(running.main, WM_COMMAND, kestrel::ids::kCmdTrayExit, 0);
    }
    if (::WaitForSingleObject(running.process.hProcess, 10000) != WAIT_OBJECT_0) {
        // Only the process this benchmark started, by its handle.
        ::TerminateProcess(running.process.hProcess, 1);
        ::WaitForSingleObject(running.process.hProcess, 5000);
    }
    ::CloseHandle(running.process.hThread);
    ::CloseHandle(running.process.hProcess);
}

HWND VisibleWindowOfClass(DWORD processId, const wchar_t* className) {
    for (HWND window = ::FindWindowExW(nullptr, nullptr, className, nullptr); window;
         window = ::FindWindowExW(nullptr, window, className, nullptr)) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == processId && ::IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

} // namespace

int wmain() {
    const kestrel::bench::BenchCopies copies(L"kestrel-fire", {L"Kestrel.exe"});
    if (!copies.ok()) {
        return 1;
    }
    const fs::path& folder = copies.folder();
    const fs::path exe = folder / L"Kestrel.exe";

    // At work: a reminder and a power plan due at the start of the next minute. The reminder comes first
    // in the list, so that the first pass of the minute opens its cycle before the power plan ends it.
    SYSTEMTIME now{};
    const int next = MinuteOfDayNow(&now) + 1;
    WritePlans(
        folder / L"Values.xml",
        {{L"定时提醒", HourMinute(next), L"文字提示", L"启用", L"每天", L"延迟测量"},
         {L"关机操作", HourMinute(next), L"锁定计算机", L"启用", L"每天", kestrel::text::kPowerPlanInfo}});
    Running working;
    if (!Start(exe, working)) {
        std::printf("FAILED: Kestrel did not start\n");
        return 1;
    }
    // Wait for the minute to begin, then time both windows from that moment.
    ::GetLocalTime(&now);
    const DWORD toMinute = static_cast<DWORD>((59 - now.wSecond) * 1000 + (1000 - now.wMilliseconds));
    ::Sleep(toMinute > 20 ? toMinute - 20 : 0);
    while (MinuteOfDayNow() % 1440 != next % 1440) {
        ::Sleep(1);
    }
    const ULONGLONG minuteStart = ::GetTickCount64();
    double countdown = -1;
    double reminder = -1;
    while ((countdown < 0 || reminder < 0) && ::GetTickCount64() - minuteStart < 10000) {
        if (countdown < 0 && VisibleWindowOfClass(working.process.dwProcessId, L"Kestrel.CountdownPrompt")) {
            countdown = static_cast<double>(::GetTickCount64() - minuteStart) / 1000;
        }
        if (reminder < 0 && VisibleWindowOfClass(working.process.dwProcessId, L"Kestrel.ReminderPopup")) {
            reminder = static_cast<double>(::GetTickCount64() - minuteStart) / 1000;
        }
        ::Sleep(5);
    }
    // Cancel the countdown before it locks anything.
    if (HWND prompt = VisibleWindowOfClass(working.process.dwProcessId, L"Kestrel.CountdownPrompt")) {
        ::PostMessageW(prompt, WM_CLOSE, 0, 0);
    }
    Stop(working);
    std::printf("from the start of the minute: countdown after %.2f s, reminder pop-up after %.2f s\n",
                countdown, reminder);
    return countdown >= 0 && reminder >= 0 ? 0 : 1;
}
