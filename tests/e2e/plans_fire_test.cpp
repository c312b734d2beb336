// Plans fire at their minute in the real program: the countdown of a power plan, a reminder pop-up with
// its snooze, a run plan's program started exactly once, and two copies in two folders each with their
// own reminder. Each scenario writes its plans for the current minute (waiting for a fresh one when little
// of it is left) and watches from outside.
#include "driver.h"

#include "base/command_ids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace kestrel::e2e {
namespace {

std::wstring HourMinute(const SYSTEMTIME& at) {
    wchar_t text[8];
    swprintf(text, 8, L"%02u:%02u", at.wHour, at.wMinute);
    return text;
}

TEST(PlansFire, APowerPlanOpensTheCountdownAndCancelLeavesTheProgramRunning) {
    Sandbox sandbox;
    const std::wstring minute = LocalMinute(0);
    const Row once = {L"关机操作", minute,      L"关闭计算机",
                      L"启用",     L"执行一次", L"到时间对计算机进行指令操作。"};
    const Row later = {L"关机操作", L"23:59", L"重启计算机",
                       L"禁用",     L"每天",  L"到时间对计算机进行指令操作。"};
    sandbox.WritePlanFile({once, later});
    KestrelProcess kestrel(sandbox, L"mini");
    HWND main = kestrel.WaitForMainWindow();
    ASSERT_NE(main, nullptr);

    HWND prompt = WaitForWindowOf(kestrel.Id(), L"Kestrel.CountdownPrompt", 5s);
    ASSERT_NE(prompt, nullptr) << "no countdown within 5 s of the minute";
    EXPECT_EQ(WindowText(prompt), L"Kestrel");
    const std::wstring tip = WindowText(FindDescendant(prompt, ids::kCountdownLabel));
    EXPECT_EQ(tip.rfind(L"距离关闭计算机还剩 ", 0), 0u) << WideToUtf8(tip);
    EXPECT_EQ(tip.substr(tip.size() - 5), L" 秒...") << WideToUtf8(tip);

    // The once-only plan is gone from the list and, saved at once, from the file.
    HWND list = FindDescendant(main, ids::kPlanListView);
    EXPECT_TRUE(WaitUntil([&] { return ReadListView(list) == std::vector<Row>{later}; }));
    EXPECT_TRUE(WaitUntil([&] { return sandbox.ReadPlanFile() == std::vector<Row>{later}; }));

    PostClick(FindDescendant(prompt, ids::kCountdownCancelButton));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(prompt) || !IsWindowVisible(prompt); }));
    EXPECT_TRUE(kestrel.IsRunning());
    PostCommand(main, ids::kCmdTrayExit);
    EXPECT_TRUE(kestrel.WaitForExit());
}

TEST(PlansFire, ThreeRemindersDueAtOnceAreAllVisible) {
    Sandbox sandbox;
    const std::wstring minute = LocalMinute(0);
    std::vector<Row> plans;
    for (const wchar_t* message : {L"第一件事", L"第二件事", L"第三件事"}) {
        plans.push_back({L"定时提醒", minute, L"文字提示", L"启用", L"执行一次", message});
    }
    sandbox.WritePlanFile(plans);
    KestrelProcess kestrel(sandbox, L"mini");
    HWND main = kestrel.WaitForMainWindow();
    ASSERT_NE(main, nullptr);

    std::vector<HWND> popups;
    ASSERT_TRUE(WaitUntil([&] {
        popups = VisibleWindowsOf(kestrel.Id(), L"Kestrel.ReminderPopup");
        return popups.size() == 3;
    })) << popups.size()
        << " pop-ups within the timeout";
    // Once they are at rest: each inside the work area, none over another, each message its own.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    std::vector<RECT> places(3);
    const auto rest = [&] {
        bool moved = false;
        for (std::size_t i = 0; i < popups.size(); ++i) {
            RECT now{};
            GetWindowRect(popups[i], &now);
            moved = moved || !EqualRect(&now, &places[i]);
            places[i] = now;
        }
        return !moved;
    };
    ASSERT_TRUE(WaitUntil([&] { return rest() && (Sleep(300), rest()); }));
    std::vector<std::wstring> messages;
    for (std::size_t i = 0; i < places.size(); ++i) {
        const RECT& a = places[i];
        EXPECT_TRUE(a.left >= work.left && a.top >= work.top && a.right <= work.right &&
                    a.bottom <= work.bottom)
            << "pop-up " << i << " is not inside the work area";
        for (std::size_t j = i + 1; j < places.size(); ++j) {
            RECT overlap{};
            EXPECT_FALSE(IntersectRect(&overlap, &a, &places[j]))
                << "pop-ups " << i << " and " << j << " overlap";
        }
        messages.push_back(WindowText(FindDescendant(popups[i], ids::kReminderMessage)));
    }
    std::sort(messages.begin(), messages.end());
    EXPECT_EQ(messages, (std::vector<std::wstring>{L"    第一件事", L"    第三件事", L"    第二件事"}));
    PostCommand(main, ids::kCmdTrayExit);
    EXPECT_TRUE(kestrel.WaitForExit());
}

TEST(PlansFire, TwoCopiesInTwoFoldersEachShowTheirOwnReminderOfTheSameMinute) {
    Sandbox first, second;
    const std::wstring minute = LocalMinute(0);
    for (const auto& [sandbox, message] :
         {std::pair{&first, L"第一份的提醒"}, std::pair{&second, L"第二份"}}) {
        sandbox->WritePlanFile({{L"定时提醒", minute, L"文字提示", L"启用", L"每天", message}});
        KestrelProcess kestrel(*sandbox, L"mini");
        HWND main = kestrel.WaitForMainWindow();
        HWND popup = WaitForWindowOf(kestrel.Id(), L"Kestrel.ReminderPopup", 5s);
        ASSERT_NE(popup, nullptr) << "no reminder within 5 s: " << WideToUtf8(message);
        EXPECT_EQ(WindowText(FindDescendant(popup, ids::kReminderMessage)), std::wstring(L"    ") + message);
        PostCommand(main, ids::kCmdTrayExit);
        EXPECT_TRUE(kestrel.WaitForExit());
    }
}

TEST(PlansFire, AReminderRisesAboveTheTaskbarAndLaterAddsItsSnooze) {
    Sandbox sandbox;
    const std::wstring minute = LocalMinute(0);
    const Row reminder = {L"定时提醒", minute, L"播放音乐", L"启用", L"执行一次", L"  喝水 <提醒> & 休息 "};
    sandbox.WritePlanFile({reminder});
    KestrelProcess kestrel(sandbox, L"mini");
    HWND main = kestrel.WaitForMainWindow();
    ASSERT_NE(main, nullptr);

    HWND popup = WaitForWindowOf(kestrel.Id(), L"Kestrel.ReminderPopup", 5s);
    ASSERT_NE(popup, nullptr) << "no reminder within 5 s of the minute";
    EXPECT_EQ(WindowText(popup), L"提醒信息");
    EXPECT_EQ(WindowText(FindDescendant(popup, ids::kReminderHeadline)), L"计时提醒已到规定时间");
    EXPECT_EQ(WindowText(FindDescendant(popup, ids::kReminderMessage)), L"    " + reminder[5]);
    EXPECT_EQ(WindowText(FindDescendant(popup, ids::kReminderStamp)).rfind(L"提醒时间：", 0), 0u);

    // At rest in the bottom-right corner of the work area, above the taskbar.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_TRUE(WaitUntil([&] {
        RECT at{};
        GetWindowRect(popup, &at);
        return at.right == work.right && at.bottom == work.bottom;
    })) << "the pop-up did not come to rest in the corner of the work area";

    SYSTEMTIME pressed{};
    GetLocalTime(&pressed);
    PostClick(FindDescendant(popup, ids::kReminderLater));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(popup) || !IsWindowVisible(popup); }));
    // Five minutes on from the press, seconds dropped (a press across a minute boundary may see either).
    ULARGE_INTEGER ticks{};
    FILETIME asFile{};
    SystemTimeToFileTime(&pressed, &asFile);
    ticks.LowPart = asFile.dwLowDateTime;
    ticks.HighPart = asFile.dwHighDateTime;
    ticks.QuadPart += 5ULL * 60 * 10000000;
    asFile.dwLowDateTime = ticks.LowPart;
    asFile.dwHighDateTime = ticks.HighPart;
    SYSTEMTIME snoozed{};
    FileTimeToSystemTime(&asFile, &snoozed);
    HWND list = FindDescendant(main, ids::kPlanListView);
    const Row expected = {L"定时提醒", HourMinute(snoozed), L"文字提示",
                          L"启用",     L"执行一次",         L"喝水 <提醒> & 休息"};
    EXPECT_TRUE(WaitUntil([&] { return ReadListView(list) == std::vector<Row>{expected}; }))
        << "the snoozed reminder is not the one row left";
    PostCommand(main, ids::kCmdTrayExit);
    EXPECT_TRUE(kestrel.WaitForExit());
    EXPECT_EQ(sandbox.ReadPlanFile(), std::vector<Row>{expected});
}

// Lines of the marker program's log: "working folder|shown" or "|hidden", then "|arguments" when it was
// given any; one per start.
std::vector<std::wstring> StartsLogged(const std::filesystem::path& log) {
    std::ifstream in(log, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string raw = bytes.str();
    std::wstring text(reinterpret_cast<const wchar_t*>(raw.data()), raw.size() / sizeof(wchar_t));
    std::vector<std::wstring> lines;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find(L"\r\n", start);
        lines.push_back(text.substr(start, end - start));
        start = end == std::wstring::npos ? text.size() : end + 2;
    }
    return lines;
}

TEST(PlansFire, RunPlansStartTheirProgramOnceInItsFolderShownOrHidden) {
    Sandbox sandbox;
    const auto marker = KestrelExeUnderTest().parent_path() / L"kestrel_marker.exe";
    const std::filesystem::path shown = sandbox.Folder() / L"常用 工具";
    const std::filesystem::path hidden = sandbox.Folder() / L"后台 工具";
    for (const auto& folder : {shown, hidden}) {
        std::filesystem::create_directories(folder);
        ASSERT_TRUE(CopyFileW(marker.c_str(), (folder / L"marker.exe").c_str(), FALSE)) << GetLastError();
    }
    const std::wstring minute = LocalMinute(0);
    sandbox.WritePlanFile({
        {L"定时运行", minute, L"正常运行", L"启用", L"每天", (shown / L"marker.exe").wstring()},
        {L"定时运行", minute, L"隐藏运行", L"启用", L"执行一次", (hidden / L"marker.exe").wstring()},
    });
    KestrelProcess kestrel(sandbox, L"mini");
    ASSERT_NE(kestrel.WaitForMainWindow(), nullptr);

    EXPECT_TRUE(WaitUntil([&] { return StartsLogged(shown / L"started.txt").size() == 1; }, 5s));
    EXPECT_TRUE(WaitUntil([&] { return StartsLogged(hidden / L"started.txt").size() == 1; }, 5s));
    Sleep(3000); // later passes of the same minute start nothing more
    EXPECT_EQ(StartsLogged(shown / L"started.txt"), std::vector<std::wstring>{shown.wstring() + L"|shown"});
    EXPECT_EQ(StartsLogged(hidden / L"started.txt"),
              std::vector<std::wstring>{hidden.wstring() + L"|hidden"});
    PostCommand(kestrel.MainWindow(), ids::kCmdTrayExit);
    EXPECT_TRUE(kestrel.WaitForExit());
    EXPECT_EQ(sandbox.ReadPlanFile()->size(), 1u) << "the once-only run plan is removed";
}

TEST(PlansFire, ARunPlanStartsExactlyTheProgramItNamesAndAMissingOneOnlyGivesTheBalloon) {
    Sandbox sandbox;
    const auto marker = KestrelExeUnderTest().parent_path() / L"kestrel_marker.exe";
    // A decoy one folder up that Windows would take for "…\My" followed by arguments.
    const std::filesystem::path up = sandbox.Folder() / L"h2";
    const std::filesystem::path tool = up / L"My Tool";
    std::filesystem::create_directories(tool);
    ASSERT_TRUE(CopyFileW(marker.c_str(), (up / L"My.exe").c_str(), FALSE)) << GetLastError();
    ASSERT_TRUE(CopyFileW(marker.c_str(), (tool / L"run.exe").c_str(), FALSE)) << GetLastError();
    const std::wstring missing = (up / L"My Gone" / L"run.exe").wstring() + L" -x";
    const std::wstring minute = LocalMinute(0);
    sandbox.WritePlanFile({
        {L"定时运行", minute, L"正常运行", L"启用", L"每天", (tool / L"run.exe").wstring() + L" -x"},
        {L"定时运行", minute, L"正常运行", L"启用", L"每天", missing},
    });
    KestrelProcess kestrel(sandbox, L"mini");
    ASSERT_NE(kestrel.WaitForMainWindow(), nullptr);

    EXPECT_TRUE(WaitUntil([&] { return StartsLogged(tool / L"started.txt").size() == 1; }, 10s));
    const auto balloonNamesMissing = [&] {
        for (const std::wstring& tip : VisibleTooltipTexts()) {
            if (tip.rfind(L"定时运行的程序无法启动：\n" + missing + L"\n", 0) == 0) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(WaitUntil(balloonNamesMissing, 10s)) << "no balloon for the missing program";
    PostCommand(kestrel.MainWindow(), ids::kCmdTrayExit);
    EXPECT_TRUE(kestrel.WaitForExit());
    EXPECT_EQ(StartsLogged(tool / L"started.txt"), std::vector<std::wstring>{tool.wstring() + L"|shown|-x"});
    EXPECT_FALSE(std::filesystem::exists(up / L"started.txt")) << "the decoy was started";
}

} // namespace
} // namespace kestrel::e2e
