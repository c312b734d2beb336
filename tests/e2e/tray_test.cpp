// The tray icon's notifications and the tray menu's commands, delivered as the shell delivers them.
#include "driver.h"

#include "base/command_ids.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

class Tray : public testing::Test {
protected:
    void SetUp() override {
        kestrel_ = std::make_unique<KestrelProcess>(sandbox_, L"mini");
        main_ = kestrel_->WaitForIdleMainWindow();
        ASSERT_NE(main_, nullptr);
        ASSERT_TRUE(IsHidden(main_));
    }

    Sandbox sandbox_;
    std::unique_ptr<KestrelProcess> kestrel_;
    HWND main_ = nullptr;
};

TEST_F(Tray, OnlyReleasingTheLeftButtonShowsTheWindow) {
    // Presses, moves, the middle button and double clicks have no reaction of their own. Sent, not
    // posted, so that the window has handled each one before it is checked.
    for (UINT mouse :
         {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_MBUTTONUP, WM_LBUTTONDBLCLK}) {
        SendTrayNotification(main_, mouse);
    }
    EXPECT_TRUE(IsHidden(main_));
    EXPECT_EQ(FindPopupMenu(kestrel_->Id()), nullptr);

    PostTrayNotification(main_, WM_LBUTTONUP);
    EXPECT_TRUE(WaitUntil([&] { return IsShownNormal(main_); }));

    // From the minimised and hidden state that a close request leaves, the window comes back normal.
    PostMessageW(main_, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return IsHidden(main_); }));
    PostTrayNotification(main_, WM_LBUTTONUP);
    EXPECT_TRUE(WaitUntil([&] { return IsShownNormal(main_); }));
    EXPECT_TRUE(kestrel_->IsRunning());
}

TEST_F(Tray, MenuShowAndHideCommands) {
    PostCommand(main_, ids::kCmdTrayShow);
    EXPECT_TRUE(WaitUntil([&] { return IsShownNormal(main_); }));
    PostCommand(main_, ids::kCmdTrayHide);
    EXPECT_TRUE(WaitUntil([&] { return IsHidden(main_); }));
    PostCommand(main_, ids::kCmdTrayShow);
    EXPECT_TRUE(WaitUntil([&] { return IsShownNormal(main_); }));
    EXPECT_TRUE(kestrel_->IsRunning());
}

TEST_F(Tray, ReleasingTheRightButtonOpensTheMenu) {
    PostTrayNotification(main_, WM_RBUTTONUP);
    HWND menu = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (menu = FindPopupMenu(kestrel_->Id())) != nullptr; }))
        << "no pop-up menu appeared";
    // Escape closes a tracked menu; the program must be responsive again afterwards.
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitUntil([&] { return FindPopupMenu(kestrel_->Id()) == nullptr; }))
        << "the menu stayed open";
    EXPECT_TRUE(RoundTrip(main_));
    EXPECT_TRUE(IsHidden(main_));
}

// Wine never sleeps, but its wake timer takes the time: the line promises the wake.
TEST(TrayWake, TickingWakeForPlansMarksTheNextPlanLineThatNamesItsReminder) {
    Sandbox sandbox;
    bool tomorrow = false;
    const std::wstring at = LocalMinute(90, &tomorrow);
    sandbox.WritePlanFile({{L"定时提醒", at, L"文字提示", L"启用", L"每天", L"喝水"}});
    KestrelProcess kestrel(sandbox, L"mini");
    HWND main = kestrel.WaitForIdleMainWindow();
    ASSERT_NE(main, nullptr);
    HWND line = GetDlgItem(main, static_cast<int>(ids::kNextPlanLabel));
    // The window's line is narrow: "下一个计划：", the kind and the text may give way; today, tomorrow and
    // the time never do.
    const std::wstring head = std::wstring(tomorrow ? L"明天 " : L"今天 ") + at + L" ";
    const std::wstring mark = L"（到时唤醒）";
    const auto marked = [&](bool wakes) {
        const std::wstring text = WindowText(line);
        const bool endsMarked = text.size() >= mark.size() && text.substr(text.size() - mark.size()) == mark;
        const std::size_t from = text.find(head);
        return from != std::wstring::npos && text.size() > from + head.size() && endsMarked == wakes;
    };
    EXPECT_TRUE(WaitUntil([&] { return marked(false); })) << WideToUtf8(WindowText(line));
    PostCommand(main, ids::kCmdTrayWakeForPlans);
    EXPECT_TRUE(WaitUntil([&] { return marked(true); })) << WideToUtf8(WindowText(line));
}

} // namespace
} // namespace kestrel::e2e
