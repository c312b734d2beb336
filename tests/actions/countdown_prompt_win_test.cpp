// Form_提示关机 created in-process; the countdown is driven by sending its timer message, and the
// operation goes to a recorder.
#include "actions/countdown_prompt_win.h"

#include "base/command_ids.h"
#include "platform/dpi_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace kestrel::win {
namespace {

class CountdownPromptTest : public ::testing::Test {
protected:
    void SetUp() override {
        prompt =
            std::make_unique<CountdownPrompt>(::GetModuleHandleW(nullptr), [this](const std::wstring& op) {
                performed.push_back(op);
                if (onPerform) {
                    onPerform();
                }
            });
    }
    void Start(const wchar_t* operation) { ASSERT_TRUE(prompt->方法_提示关机_进行关机操作(operation)); }
    void Tick(int times = 1) {
        for (int i = 0; i < times; ++i) {
            ::SendMessageW(prompt->hwnd(), WM_TIMER, kCountdownTimerId, 0);
        }
    }
    void ExpectShowing(const std::wstring& text, int bar) {
        EXPECT_EQ(GetWindowTextString(prompt->label()), text);
        EXPECT_EQ(::SendMessageW(prompt->bar(), PBM_GETPOS, 0, 0), bar);
    }
    // Keys go through the prompt's keyboard handling as the message loop would pass them.
    void Press(UINT key) {
        ::PostMessageW(::GetFocus(), WM_KEYDOWN, key, 0);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!prompt->PreTranslate(message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageW(&message);
            }
        }
    }
    SIZE ClientAt(int dpi) {
        RECT r{};
        ::GetWindowRect(prompt->hwnd(), &r);
        ::SendMessageW(prompt->hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
        ::GetClientRect(prompt->hwnd(), &r);
        return SIZE{r.right, r.bottom};
    }

    std::unique_ptr<CountdownPrompt> prompt;
    std::vector<std::wstring> performed;
    std::function<void()> onPerform;
};

TEST_F(CountdownPromptTest, OpensTopmostCentredWithCancelFocusedAndTheDesignedSize) {
    Start(L"关闭计算机");
    const HWND window = prompt->hwnd();
    EXPECT_EQ(GetWindowTextString(window), L"Kestrel");
    const LONG style = ::GetWindowLongW(window, GWL_STYLE);
    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CHILD));
    EXPECT_TRUE(::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(::GetWindow(window, GW_OWNER), nullptr);
    EXPECT_EQ(::GetDlgItem(window, ids::kCountdownLabel), prompt->label());
    EXPECT_EQ(::GetDlgItem(window, ids::kCountdownBar), prompt->bar());
    EXPECT_EQ(GetWindowTextString(::GetDlgItem(window, ids::kCountdownNowButton)), L"立即关机");
    EXPECT_EQ(GetWindowTextString(::GetDlgItem(window, ids::kCountdownCancelButton)), L"取消关机");
    EXPECT_EQ(::SendMessageW(prompt->bar(), PBM_GETRANGE, FALSE, 0), 15);
    EXPECT_EQ(::SendMessageW(prompt->bar(), PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(::GetFocus(), prompt->cancelButton());
    EXPECT_EQ(::SendMessageW(prompt->cancelButton(), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON,
              DLGC_DEFPUSHBUTTON);

    RECT frame{};
    ::GetWindowRect(window, &frame);
    MONITORINFO monitor{sizeof(monitor)};
    ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    EXPECT_NEAR(frame.left + frame.right, monitor.rcWork.left + monitor.rcWork.right, 1);
    EXPECT_NEAR(frame.top + frame.bottom, monitor.rcWork.top + monitor.rcWork.bottom, 1);

    const SIZE at144 = ClientAt(144);
    EXPECT_EQ(at144.cx, 720);
    EXPECT_EQ(at144.cy, 159);
    const SIZE at96 = ClientAt(96);
    EXPECT_EQ(at96.cx, 480); // 7200 x 1590 twips
    EXPECT_EQ(at96.cy, 106);
}

TEST_F(CountdownPromptTest, PerformsOnTheFifteenthTickAndCloses) {
    Start(L"注销计算机");
    const HWND window = prompt->hwnd();
    ExpectShowing(L"距离注销计算机还剩 15 秒...", 15);
    for (int tick = 1; tick <= 14; ++tick) {
        Tick();
        ExpectShowing(L"距离注销计算机还剩 " + std::to_wstring(15 - tick) + L" 秒...", 15 - tick);
    }
    EXPECT_TRUE(performed.empty());
    Tick();
    EXPECT_EQ(performed, std::vector<std::wstring>{L"注销计算机"});
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(prompt->hwnd(), nullptr);
}

TEST_F(CountdownPromptTest, ButtonsKeysAndClosing) {
    const struct {
        const char* how;
        std::function<void(CountdownPrompt&)> act;
        bool performs;
    } cases[] = {
        {"立即关机", [](CountdownPrompt& p) { ::SendMessageW(p.nowButton(), BM_CLICK, 0, 0); }, true},
        {"取消关机", [](CountdownPrompt& p) { ::SendMessageW(p.cancelButton(), BM_CLICK, 0, 0); }, false},
        {"close box", [](CountdownPrompt& p) { ::SendMessageW(p.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0); },
         false},
        {"Esc", [this](CountdownPrompt&) { Press(VK_ESCAPE); }, false},
        {"stray Enter", [this](CountdownPrompt&) { Press(VK_RETURN); }, false},
        {"Enter, focus on the frame",
         [this](CountdownPrompt& p) {
             ::SetFocus(p.hwnd());
             Press(VK_RETURN);
         },
         false},
        {"Tab, Enter",
         [this](CountdownPrompt& p) {
             Press(VK_TAB);
             EXPECT_EQ(::GetFocus(), p.nowButton());
             Press(VK_RETURN);
         },
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        performed.clear();
        Start(L"重启计算机");
        Tick(3);
        const HWND window = prompt->hwnd();
        c.act(*prompt);
        EXPECT_EQ(performed,
                  c.performs ? std::vector<std::wstring>{L"重启计算机"} : std::vector<std::wstring>{});
        EXPECT_FALSE(::IsWindow(window));
    }
}

TEST_F(CountdownPromptTest, ASecondCallRestartsInTheSameWindow) {
    Start(L"关闭计算机");
    const HWND window = prompt->hwnd();
    Tick(10);
    Start(L"锁定计算机");
    EXPECT_EQ(prompt->hwnd(), window);
    EXPECT_EQ(::FindWindowExW(nullptr, nullptr, L"Kestrel.CountdownPrompt", nullptr), window);
    EXPECT_EQ(::FindWindowExW(nullptr, window, L"Kestrel.CountdownPrompt", nullptr), nullptr);
    ExpectShowing(L"距离锁定计算机还剩 15 秒...", 15);
    Tick(14);
    EXPECT_TRUE(performed.empty());

    // A countdown started while the operation runs (the scheduler, during the save) keeps the window.
    onPerform = [this] {
        prompt->方法_提示关机_进行关机操作(L"关闭计算机");
    };
    Tick();
    onPerform = nullptr;
    EXPECT_EQ(performed, std::vector<std::wstring>{L"锁定计算机"});
    EXPECT_EQ(prompt->hwnd(), window);
    ExpectShowing(L"距离关闭计算机还剩 15 秒...", 15);
}

} // namespace
} // namespace kestrel::win
