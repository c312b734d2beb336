// Form_提示关机 in-process: the countdown is driven by sending its timer message, the operation goes to a
// recorder.
#include "actions/countdown_prompt_win.h"

#include "base/command_ids.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace kestrel::win {
namespace {

using Ops = std::vector<std::wstring>;

class CountdownPromptTest : public ::testing::Test {
protected:
    Ops performed;
    std::function<void()> onPerform = [] {
    };
    CountdownPrompt prompt{::GetModuleHandleW(nullptr), [this](const std::wstring& op) {
                               performed.push_back(op);
                               onPerform();
                           }};

    void Start(const wchar_t* operation) { ASSERT_TRUE(prompt.方法_提示关机_进行关机操作(operation)); }
    void Tick(int times) {
        while (times-- > 0) {
            ::SendMessageW(prompt.hwnd(), WM_TIMER, kCountdownTimerId, 0);
        }
    }
    void ExpectShowing(const std::wstring& name, int seconds) {
        EXPECT_EQ(GetWindowTextString(prompt.label()),
                  L"距离" + name + L"还剩 " + std::to_wstring(seconds) + L" 秒...");
        EXPECT_EQ(::SendMessageW(prompt.bar(), PBM_GETPOS, 0, 0), seconds);
    }
    // A key as the message loop hands it over: through the prompt's keyboard handling first.
    void Press(UINT key) {
        ::PostMessageW(::GetFocus(), WM_KEYDOWN, key, 0);
        MSG m;
        while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (!prompt.PreTranslate(m)) {
                ::DispatchMessageW(&m);
            }
        }
    }
    SIZE ClientAt(int dpi) {
        RECT r{};
        ::GetWindowRect(prompt.hwnd(), &r);
        ::SendMessageW(prompt.hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
        ::GetClientRect(prompt.hwnd(), &r);
        return SIZE{r.right, r.bottom};
    }
};

TEST_F(CountdownPromptTest, OpensTopmostWithCancelFocusedAndTheDesignedSize) {
    Start(L"关闭计算机");
    const HWND window = prompt.hwnd();
    EXPECT_EQ(GetWindowTextString(window), L"Kestrel");
    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_EQ(::GetWindowLongW(window, GWL_STYLE) & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
              WS_SYSMENU);
    EXPECT_TRUE(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetWindowTextString(::GetDlgItem(window, ids::kCountdownNowButton)), L"立即关机");
    EXPECT_EQ(GetWindowTextString(::GetDlgItem(window, ids::kCountdownCancelButton)), L"取消关机");
    EXPECT_EQ(::SendMessageW(prompt.bar(), PBM_GETRANGE, FALSE, 0), 15);
    EXPECT_EQ(::GetFocus(), prompt.cancelButton());

    const SIZE at144 = ClientAt(144), at96 = ClientAt(96); // 7200 x 1590 twips
    EXPECT_EQ(at144.cx * 1000 + at144.cy, 720159);
    EXPECT_EQ(at96.cx * 1000 + at96.cy, 480106);
}

TEST_F(CountdownPromptTest, ButtonsKeysAndClosing) {
    const struct {
        const char* how;
        std::function<void()> act;
        bool performs;
    } cases[] = {
        {"立即关机", [&] { ::SendMessageW(prompt.nowButton(), BM_CLICK, 0, 0); }, true},
        {"取消关机", [&] { ::SendMessageW(prompt.cancelButton(), BM_CLICK, 0, 0); }, false},
        {"close box", [&] { ::SendMessageW(prompt.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0); }, false},
        {"Esc", [&] { Press(VK_ESCAPE); }, false},
        {"stray Enter", [&] { Press(VK_RETURN); }, false},
        {"Enter, focus on the frame", [&] { ::SetFocus(prompt.hwnd()), Press(VK_RETURN); }, false},
        {"Tab, Enter", [&] { Press(VK_TAB), Press(VK_RETURN); }, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        performed.clear();
        Start(L"重启计算机");
        Tick(3);
        const HWND window = prompt.hwnd();
        c.act();
        EXPECT_EQ(performed, c.performs ? Ops{L"重启计算机"} : Ops{});
        EXPECT_FALSE(::IsWindow(window));
    }
}

TEST_F(CountdownPromptTest, WhileCountingOnlyItsOwnWindowsTakeTheKeysAndAHeldBackBoxComesForwardAfter) {
    const auto window = [](HWND owner) {
        return ::CreateWindowExW(0, L"STATIC", L"", (owner ? WS_POPUP : WS_OVERLAPPEDWINDOW) | WS_VISIBLE, 0,
                                 0, 100, 100, owner, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    };
    const HWND box = window(nullptr);
    ::SetForegroundWindow(box);
    Start(L"关闭计算机");
    EXPECT_EQ(::GetActiveWindow(), prompt.hwnd());
    ::SetActiveWindow(box);
    EXPECT_EQ(::GetActiveWindow(), prompt.hwnd()) << "another window may not take the keys";
    const HWND question = window(prompt.hwnd()); // e.g. a box the prompt asks with
    ::SetActiveWindow(question);
    EXPECT_EQ(::GetActiveWindow(), question);
    ::DestroyWindow(question);

    ::SendMessageW(prompt.cancelButton(), BM_CLICK, 0, 0);
    EXPECT_EQ(::GetActiveWindow(), box) << "the box held back comes forward";

    // While the operation runs the countdown has stopped: a box it shows can be answered.
    Start(L"关闭计算机");
    HWND activeDuringOperation = nullptr;
    onPerform = [&] {
        ::SetActiveWindow(box);
        activeDuringOperation = ::GetActiveWindow();
    };
    Tick(15);
    EXPECT_EQ(activeDuringOperation, box);
    ::DestroyWindow(box);
}

TEST_F(CountdownPromptTest, ASecondCallRestartsTheSameWindowWhichPerformsOnTheFifteenthTick) {
    Start(L"关闭计算机");
    const HWND window = prompt.hwnd();
    Tick(10);
    Start(L"锁定计算机");
    EXPECT_EQ(::FindWindowExW(nullptr, nullptr, L"Kestrel.CountdownPrompt", nullptr), window);
    EXPECT_EQ(::FindWindowExW(nullptr, window, L"Kestrel.CountdownPrompt", nullptr), nullptr);
    for (int seconds = 15; seconds >= 1; --seconds) {
        ExpectShowing(L"锁定计算机", seconds);
        ASSERT_TRUE(performed.empty());
        Tick(1);
    }
    ASSERT_EQ(performed, Ops{L"锁定计算机"});
    EXPECT_FALSE(::IsWindow(window));

    // A countdown started while the operation runs (the scheduler, during the save) keeps the window.
    Start(L"注销计算机");
    onPerform = [&] {
        prompt.方法_提示关机_进行关机操作(L"关闭计算机");
    };
    Tick(15);
    EXPECT_EQ(performed, (Ops{L"锁定计算机", L"注销计算机"}));
    EXPECT_TRUE(::IsWindowVisible(prompt.hwnd()));
    ExpectShowing(L"关闭计算机", 15);
}

} // namespace
} // namespace kestrel::win
