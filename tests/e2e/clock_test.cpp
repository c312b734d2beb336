// What comes next and what the clock does, seen from outside: the main window's next-plan line follows a
// plan added in the editor and deleted from the list; a suspend notice closes an open countdown; a start-up
// after Kestrel was not running shows the reminder it missed and drops the once-only power plan it missed.
#include "driver.h"

#include "base/command_ids.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

constexpr wchar_t kPowerInfo[] = L"到时间对计算机进行指令操作。";

// Minutes since 1970-01-01 00:00 UTC, as Kestrel keeps its last minute looked at.
long long UtcMinuteNow() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const unsigned long long ticks = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<long long>((ticks - 116444736000000000ULL) / 600000000ULL);
}

TEST(Clock, TheNextPlanLineNamesAPlanAddedInTheEditorAndGoesWhenItIsDeleted) {
    Sandbox sandbox;
    KestrelProcess kestrel(sandbox);
    HWND main = kestrel.WaitForIdleMainWindow();
    ASSERT_NE(main, nullptr);
    HWND line = GetDlgItem(main, static_cast<int>(ids::kNextPlanLabel));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(WindowText(line), L"");

    bool tomorrow = false;
    const std::wstring at = LocalMinute(90, &tomorrow);
    HWND page = FindDescendant(main, static_cast<int>(ids::kShutdownEditorPage));
    SendWithTimeout(FindDescendant(page, static_cast<int>(ids::kEditorTimeField)), WM_SETTEXT, 0,
                    reinterpret_cast<LPARAM>(at.c_str()));
    PostClick(FindDescendant(page, static_cast<int>(ids::kEditorAdd)));
    if (tomorrow) { // past midnight: "您是要明天操作吗？" first
        const auto question = WaitForMessageBox(kestrel.Id());
        ASSERT_TRUE(question.has_value());
        EXPECT_TRUE(question->Press(IDYES));
    }
    const auto added = WaitForMessageBox(kestrel.Id());
    ASSERT_TRUE(added.has_value());
    EXPECT_EQ(added->text, L"定时关机计划添加成功！");
    EXPECT_TRUE(added->Press(IDOK));
    const std::wstring expected =
        std::wstring(L"下一个计划：") + (tomorrow ? L"明天 " : L"今天 ") + at + L" 关闭计算机";
    HWND list = FindDescendant(main, static_cast<int>(ids::kPlanListView));
    EXPECT_TRUE(WaitUntil([&] { return WindowText(line) == expected; }))
        << WideToUtf8(WindowText(line)) << " rows " << ReadListView(list).size() << " want " << WideToUtf8(expected);

    list = FindDescendant(main, static_cast<int>(ids::kPlanListView));
    SelectListViewRow(list, 0);
    PostCommand(GetParent(list), ids::kCmdPlanDelete);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(line).empty(); })) << WideToUtf8(WindowText(line));
    PostCommand(main, ids::kCmdTrayExit);
    EXPECT_TRUE(kestrel.WaitForExit());
}

// Any program may post the power notices: with no sleep behind them (the tick that runs in sleep did not
// gain on the other), they close nothing and bring nothing back.
TEST(Clock, PostedSuspendAndResumeNoticesWithoutASleepLeaveTheCountdownOpen) {
    Sandbox sandbox;
    sandbox.WritePlanFile({{L"关机操作", LocalMinute(0), L"锁定计算机", L"启用", L"每天", kPowerInfo}});
    KestrelProcess kestrel(sandbox, L"mini");
    HWND main = kestrel.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    HWND prompt = WaitForWindowOf(kestrel.Id(), L"Kestrel.CountdownPrompt");
    ASSERT_NE(prompt, nullptr);
    PostMessageW(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    PostMessageW(main, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    ASSERT_TRUE(RoundTrip(main));
    EXPECT_FALSE(WaitUntil([&] { return !IsWindow(prompt) || !IsWindowVisible(prompt); }, 1500ms))
        << "a posted suspend notice closed the countdown";
    PostClick(FindDescendant(prompt, ids::kCountdownCancelButton));
    EXPECT_TRUE(WaitUntil([&] { return VisibleWindowsOf(kestrel.Id(), L"Kestrel.CountdownPrompt").empty(); }));
    EXPECT_TRUE(kestrel.IsRunning());
    PostCommand(main, ids::kCmdTrayExit);
    EXPECT_TRUE(kestrel.WaitForExit());
}

TEST(Clock, AStartUpAfterAGapShowsTheMissedReminderAndDropsTheMissedOnceOnlyPowerPlan) {
    Sandbox sandbox;
    const std::wstring reminderAt = LocalMinute(-5);
    const std::wstring powerAt = LocalMinute(-3);
    const Row reminder = {L"定时提醒", reminderAt, L"文字提示", L"启用", L"每天", L"错过的提醒"};
    const Row power = {L"关机操作", powerAt, L"关闭计算机", L"启用", L"执行一次", kPowerInfo};
    sandbox.WritePlanFile({reminder, power});
    // Kestrel last looked at a minute ten minutes ago, then was not running.
    ScopedKestrelSetting lastMinute(L"LastMinute", std::to_wstring(UtcMinuteNow() - 10));
    KestrelProcess kestrel(sandbox, L"mini");
    HWND main = kestrel.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    HWND popup = WaitForWindowOf(kestrel.Id(), L"Kestrel.ReminderPopup");
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(WindowText(FindDescendant(popup, static_cast<int>(ids::kReminderMessage))), L"    错过的提醒");
    const std::wstring stamp = WindowText(FindDescendant(popup, static_cast<int>(ids::kReminderStamp)));
    EXPECT_EQ(stamp.rfind(L"提醒时间：" + reminderAt + L":00 ", 0), 0u) << "it shows when it was due: "
                                                                      << WideToUtf8(stamp);
    EXPECT_TRUE(WaitUntil([&] { return sandbox.ReadPlanFile() == std::vector<Row>{reminder}; }))
        << "the missed once-only power plan leaves the list, and it is never carried out";
    EXPECT_TRUE(VisibleWindowsOf(kestrel.Id(), L"Kestrel.CountdownPrompt").empty());
    PostCommand(main, ids::kCmdTrayExit);
    EXPECT_TRUE(kestrel.WaitForExit());
}

} // namespace
} // namespace kestrel::e2e
