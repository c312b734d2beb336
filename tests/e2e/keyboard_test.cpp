// The keyboard alone, with real keystrokes: a shutdown plan made with access keys and Tab, a plan deleted
// with the Delete key, and Escape in a countdown that came up while the "added" box was opening.
#include "driver.h"

#include "base/command_ids.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

constexpr wchar_t kPowerInfo[] = L"到时间对计算机进行指令操作。";

class Keyboard : public testing::Test {
protected:
    void Start() {
        kestrel_ = std::make_unique<KestrelProcess>(sandbox_);
        main_ = kestrel_->WaitForIdleMainWindow();
        ASSERT_NE(main_, nullptr);
        list_ = WaitForDescendant(main_, ids::kPlanListView);
        ASSERT_NE(list_, nullptr);
        SetForegroundWindow(main_);
        ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == main_; }));
    }
    HWND Focus() const { return KeyboardFocusOf(main_); }
    HWND In(unsigned page, unsigned id) const {
        return FindDescendant(FindDescendant(main_, static_cast<int>(page)), static_cast<int>(id));
    }
    void TearDown() override {
        if (kestrel_ && kestrel_->IsRunning()) {
            PostCommand(main_, ids::kCmdTrayExit);
            EXPECT_TRUE(kestrel_->WaitForExit());
        }
    }

    Sandbox sandbox_;
    std::unique_ptr<KestrelProcess> kestrel_;
    HWND main_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(Keyboard, AShutdownPlanMadeWithAccessKeysAndTab) {
    Start();
    const HWND time = In(ids::kShutdownEditorPage, ids::kEditorTimeField);
    const HWND operation = In(ids::kShutdownEditorPage, ids::kEditorOperation);
    const HWND repeatType = In(ids::kShutdownEditorPage, ids::kEditorRepeatType);
    // Alt+K: the operation; Down chooses the next one.
    PressKey('K', true);
    EXPECT_TRUE(WaitUntil([&] { return Focus() == operation; }));
    PressKey(VK_DOWN);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(operation) == L"重启计算机"; }));
    // Alt+T: the time field, its text selected, so typing replaces it.
    PressKey('T', true);
    ASSERT_TRUE(WaitUntil([&] { return Focus() == time; }));
    for (const WORD digit : {'2', '3', '5', '8'}) {
        PressKey(digit);
    }
    EXPECT_TRUE(WaitUntil([&] { return WindowText(time) == L"23:58"; })) << WideToUtf8(WindowText(time));
    // Tab moves on to "当前时间", Shift+Tab back; the time stays as typed.
    PressKey(VK_TAB);
    EXPECT_TRUE(WaitUntil([&] { return Focus() == In(ids::kShutdownEditorPage, ids::kEditorNow); }));
    PressKey(VK_TAB, false, true);
    EXPECT_TRUE(WaitUntil([&] { return Focus() == time; }));
    // Alt+P: "计划重复"; Alt+L: the repeat type, Up from 自定义 to 周末（2天）.
    PressKey('P', true);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(repeatType) != FALSE; }));
    PressKey('L', true);
    EXPECT_TRUE(WaitUntil([&] { return Focus() == repeatType; }));
    PressKey(VK_UP);
    EXPECT_TRUE(WaitUntil([&] { return WindowText(repeatType) == L"周末（2天）"; }));
    // Alt+A adds; Enter closes the confirmation.
    PressKey('A', true);
    const auto box = WaitForMessageBox(kestrel_->Id());
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"定时关机计划添加成功！");
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == box->window; }));
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box->window); }));
    EXPECT_TRUE(ListAndFileHold(
        list_, sandbox_, {{L"关机操作", L"23:58", L"重启计算机", L"启用", L"周末（2天）", kPowerInfo}}));
}

TEST_F(Keyboard, TheDeleteKeyDeletesTheSelectedPlan) {
    const std::vector<Row> plans = {
        {L"关机操作", L"22:30", L"关闭计算机", L"启用", L"每天", kPowerInfo},
        {L"定时提醒", L"08:00", L"文字提示", L"启用", L"执行一次", L"开会"},
        {L"定时运行", L"12:00", L"正常运行", L"禁用", L"一 三 五 ", L"C:\\backup.exe"},
    };
    sandbox_.WritePlanFile(plans);
    Start();
    // The plan list's tab, then a click on the list's empty part below the rows gives it the keyboard
    // without choosing a plan (a Tab loop raced its own late key presses); Down twice selects the second.
    PostMouseClick(FindDescendant(main_, static_cast<int>(ids::kTabButtonFirst + 3)));
    kestrel_->WaitUntilIdle();
    PostMouseClick(list_);
    ASSERT_TRUE(WaitUntil([&] { return Focus() == list_; }));
    const auto selected = [&] {
        return SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
    };
    PressKey(VK_DOWN);
    ASSERT_TRUE(WaitUntil([&] { return selected() == 0; }));
    PressKey(VK_DOWN);
    ASSERT_TRUE(WaitUntil([&] { return selected() == 1; }));
    PressKey(VK_DELETE);
    EXPECT_TRUE(ListAndFileHold(list_, sandbox_, {plans[0], plans[2]}));
}

TEST_F(Keyboard, EscapeCancelsACountdownThatCameUpWhileTheAddedBoxWasOpening) {
    Start();
    // A plan for the current minute fires at the next pass, while "添加成功" is opening. Locking is the
    // operation: the one that harms nothing if the countdown ran out.
    SYSTEMTIME now{};
    GetLocalTime(&now);
    if (now.wSecond >= 40) {
        Sleep((60 - now.wSecond) * 1000 + 200 - now.wMilliseconds);
        GetLocalTime(&now);
    }
    wchar_t minute[8];
    swprintf(minute, 8, L"%02u:%02u", now.wHour, now.wMinute);
    SendWithTimeout(In(ids::kShutdownEditorPage, ids::kEditorOperation), CB_SETCURSEL, 2);
    SendWithTimeout(In(ids::kShutdownEditorPage, ids::kEditorTimeField), WM_SETTEXT, 0,
                    reinterpret_cast<LPARAM>(minute));
    PostClick(In(ids::kShutdownEditorPage, ids::kEditorAdd));

    const HWND prompt = WaitForWindowOf(kestrel_->Id(), L"Kestrel.CountdownPrompt");
    ASSERT_NE(prompt, nullptr) << "no countdown";
    const auto box = WaitForMessageBox(kestrel_->Id());
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->text, L"定时关机计划添加成功！");
    // Both are up; the countdown has the keyboard, on "取消关机".
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(box->window); }));
    kestrel_->WaitUntilIdle();
    EXPECT_EQ(GetForegroundWindow(), prompt);
    EXPECT_EQ(KeyboardFocusOf(prompt), FindDescendant(prompt, ids::kCountdownCancelButton));

    PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(prompt) || !IsWindowVisible(prompt); }))
        << "Escape did not cancel the countdown";
    // The box has its turn now, and Enter closes it.
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == box->window; }));
    PressKey(VK_RETURN);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box->window); }));
    EXPECT_TRUE(kestrel_->IsRunning());
}

} // namespace
} // namespace kestrel::e2e
