// Reminder pop-ups created in-process through their owner and driven through their messages: what they
// show, where the slide ends (the slide timer's ticks are sent, not waited for), and every way of
// answering one.
#include "actions/reminder_popup_win.h"

#include "base/command_ids.h"
#include "base/texts.h"
#include "platform/dpi_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

namespace kestrel::win {
namespace {

void Pump() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

RECT WindowRect(HWND window) {
    RECT r{};
    ::GetWindowRect(window, &r);
    return r;
}

class ReminderPopupTest : public ::testing::Test {
protected:
    ReminderPopup* Open(const wchar_t* message, const wchar_t* kind = text::kOpTextMessage) {
        ReminderPopup* popup = popups_.方法_提示关机_进行关机操作(message, kind);
        EXPECT_NE(popup, nullptr);
        return popup;
    }
    // Sends slide ticks until the slide ends; returns how many it took.
    static int FinishSlide(ReminderPopup& popup) {
        int ticks = 0;
        while (popup.Sliding() && ticks < 100) {
            ::SendMessageW(popup.hwnd(), WM_TIMER, ReminderPopup::kTimerSlide, 0);
            ++ticks;
        }
        return ticks;
    }
    static RECT WorkArea() {
        RECT work{};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        return work;
    }

    FixedClock clock_{{2026, 1, 2, 10, 0, 50, 5}};
    std::vector<PlanRow> appended_;
    int sounds_ = 0;
    ReminderPopups popups_{::GetModuleHandleW(nullptr), clock_,
                           [this](PlanRow row) { appended_.push_back(row); },
                           [this] {
                               ++sounds_;
                           }};
};

TEST_F(ReminderPopupTest, ShowsTheIndentedMessageAndTheStampAndTabsBetweenTheButtons) {
    ReminderPopup* popup = Open(L" 带伞 ");
    const HWND window = popup->hwnd();
    EXPECT_EQ(GetWindowTextString(window), text::kReminderCaption);
    EXPECT_TRUE(::IsWindowVisible(window));
    EXPECT_EQ(::GetWindow(window, GW_OWNER), nullptr);
    EXPECT_EQ(::GetWindowLongW(window, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);

    struct Shown {
        unsigned id;
        const wchar_t* text;
        COLORREF ink;
    };
    const HDC dc = ::CreateCompatibleDC(nullptr);
    for (const Shown& c :
         {Shown{ids::kReminderHeadline, text::kReminderHeadline, RGB(255, 0, 0)},
          Shown{ids::kReminderInfoLabel, text::kReminderInfoLabel, RGB(0, 0, 0)},
          Shown{ids::kReminderMessage, L"     带伞 ", RGB(0, 0, 0)},
          Shown{ids::kReminderStamp, L"提醒时间：10:00:50 提醒日期：2026年01月02日", RGB(128, 128, 128)}}) {
        SCOPED_TRACE(c.id);
        const HWND label = popup->Control(c.id);
        EXPECT_EQ(GetWindowTextString(label), c.text);
        ::SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                       reinterpret_cast<LPARAM>(label));
        EXPECT_EQ(::GetTextColor(dc), c.ink);
    }
    ::DeleteDC(dc);

    wchar_t tip[80] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = window;
    tool.uId = reinterpret_cast<UINT_PTR>(popup->Control(ids::kReminderLater));
    tool.lpszText = tip;
    ::SendMessageW(popup->LaterTooltip(), TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(tip, text::kReminderLaterTooltip);

    const HWND gotIt = popup->Control(ids::kReminderGotIt);
    const HWND later = popup->Control(ids::kReminderLater);
    ::SetFocus(gotIt);
    ::SendMessageW(gotIt, WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(::GetFocus(), later);
    ::SendMessageW(later, WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(::GetFocus(), gotIt);
    EXPECT_EQ(sounds_, 0); // "文字提示" is silent
}

TEST_F(ReminderPopupTest, RisesFromBelowTheScreenIntoTheWorkAreaCornerAtAnyDpi) {
    ReminderPopup* first = Open(L"一");
    const RECT start = WindowRect(first->hwnd());
    EXPECT_GE(start.top, ::GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(start.right, WorkArea().right);

    // Half-way up the screen's dpi changes: the pop-up takes the new size and still ends in the corner.
    for (int i = 0; i < ReminderPopup::kSlideSteps / 2; ++i) {
        ::SendMessageW(first->hwnd(), WM_TIMER, ReminderPopup::kTimerSlide, 0);
    }
    EXPECT_LT(WindowRect(first->hwnd()).top, start.top);
    RECT suggested{0, 0, 10, 10};
    ::SendMessageW(first->hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_LE(FinishSlide(*first), ReminderPopup::kSlideSteps);
    EXPECT_FALSE(first->Sliding());

    RECT client{};
    ::GetClientRect(first->hwnd(), &client);
    EXPECT_EQ(client.right, ScaleTwips(4635, 144));
    EXPECT_EQ(client.bottom, ScaleTwips(2790, 144));
    const RECT rest = WindowRect(first->hwnd());
    EXPECT_EQ(rest.right, WorkArea().right);
    EXPECT_EQ(rest.bottom, WorkArea().bottom);

    // A late tick moves nothing; a second pop-up comes to rest right above the first, and in front.
    ::SendMessageW(first->hwnd(), WM_TIMER, ReminderPopup::kTimerSlide, 0);
    EXPECT_EQ(WindowRect(first->hwnd()).top, rest.top);
    ReminderPopup* second = Open(L"二");
    ::SendMessageW(second->hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    FinishSlide(*second);
    const RECT secondRest = WindowRect(second->hwnd());
    EXPECT_EQ(secondRest.right, rest.right);
    EXPECT_EQ(secondRest.bottom, rest.top);
    EXPECT_EQ(secondRest.bottom - secondRest.top, rest.bottom - rest.top);
    HWND below = second->hwnd();
    while (below && below != first->hwnd()) {
        below = ::GetWindow(below, GW_HWNDNEXT);
    }
    EXPECT_EQ(below, first->hwnd());
    EXPECT_EQ(popups_.OpenCount(), 2u);
}

TEST_F(ReminderPopupTest, OpensWithoutTakingTheKeyboardAndGrowsForALongMessageThenScrolls) {
    // The user is typing in another window: the pop-up must not take the keys from it.
    const HWND typing = ::CreateWindowExW(0, L"EDIT", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                          nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ::SetForegroundWindow(typing);
    ::SetFocus(typing);
    ReminderPopup* shortOne = Open(L"短");
    FinishSlide(*shortOne);
    EXPECT_EQ(::GetActiveWindow(), typing);
    EXPECT_EQ(::GetFocus(), typing);
    const RECT designed = WindowRect(shortOne->hwnd());
    const LONG designedHeight = designed.bottom - designed.top;
    const LONG halfWork = (WorkArea().bottom - WorkArea().top) / 2;

    std::wstring lines;
    for (int i = 1; i <= 6; ++i) {
        lines += L"第" + std::to_wstring(i) + L"行\n"; // bare line feeds, as the plan file keeps them
    }
    std::wstring endless;
    for (int i = 0; i < 300; ++i) {
        endless += L"很长的提醒内容\r\n";
    }
    const struct {
        const char* name;
        std::wstring message;
        bool taller;
        bool capped;
    } cases[] = {
        {"six lines", lines, true, false},
        {"three hundred lines", endless, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ReminderPopup* popup = Open(c.message.c_str());
        FinishSlide(*popup);
        const RECT r = WindowRect(popup->hwnd());
        const HWND message = popup->Control(ids::kReminderMessage);
        EXPECT_EQ(r.bottom - r.top > designedHeight, c.taller);
        EXPECT_LE(r.bottom - r.top, halfWork);
        EXPECT_EQ((::GetWindowLongW(message, GWL_STYLE) & WS_VSCROLL) != 0, c.capped);
        // Every line of the message is its own line in the box, and the buttons stay below it.
        EXPECT_GE(::SendMessageW(message, EM_GETLINECOUNT, 0, 0), c.capped ? 300 : 6);
        RECT box{}, button{};
        ::GetWindowRect(message, &box);
        ::GetWindowRect(popup->Control(ids::kReminderGotIt), &button);
        EXPECT_GE(button.top, box.bottom);
        EXPECT_LE(button.bottom, r.bottom);
        EXPECT_EQ(::GetFocus(), typing);
    }
    ::DestroyWindow(typing);
}

TEST_F(ReminderPopupTest, PlaysMusicAndEveryAnswerClosesMidSlideOnlyLaterAddsAPlan) {
    // Each answer is one message to one control (0: to the pop-up itself).
    struct Answer {
        const char* name;
        unsigned control;
        UINT message;
        WPARAM wParam;
        bool snoozes;
    };
    const Answer answers[] = {
        {"我知道了", ids::kReminderGotIt, BM_CLICK, 0, false},
        {"Esc", ids::kReminderGotIt, WM_KEYDOWN, VK_ESCAPE, false},
        {"close box", 0, WM_CLOSE, 0, false},
        {"过会再说", ids::kReminderLater, BM_CLICK, 0, true},
        {"Enter on 过会再说", ids::kReminderLater, WM_KEYDOWN, VK_RETURN, true},
    };
    for (const Answer& answer : answers) {
        SCOPED_TRACE(answer.name);
        appended_.clear();
        sounds_ = 0;
        ReminderPopup* popup = Open(L"  带伞 ", text::kOpPlayMusic);
        EXPECT_EQ(sounds_, 1);
        const HWND window = popup->hwnd();
        ::SendMessageW(window, WM_TIMER, ReminderPopup::kTimerSlide, 0);
        ::SendMessageW(answer.control ? popup->Control(answer.control) : window, answer.message,
                       answer.wParam, 0);
        Pump(); // `popup` is deleted from here on
        EXPECT_FALSE(::IsWindow(window));
        EXPECT_EQ(popups_.OpenCount(), 0u);
        if (answer.snoozes) {
            ASSERT_EQ(appended_.size(), 1u);
            EXPECT_EQ(appended_[0], MakePlanRow(text::kKindReminder, L"10:05", text::kOpTextMessage,
                                                text::kStatusEnabled, text::kRepeatOnce, L"带伞"));
        } else {
            EXPECT_TRUE(appended_.empty());
        }
    }
}

TEST_F(ReminderPopupTest, CloseAllClosesEveryOpenPopUp) {
    std::vector<HWND> windows;
    for (const wchar_t* message : {L"一", L"二", L"三"}) {
        windows.push_back(Open(message)->hwnd());
    }
    ::SendMessageW(::GetDlgItem(windows[1], ids::kReminderGotIt), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(popups_.OpenCount(), 2u);
    popups_.CloseAll();
    EXPECT_EQ(popups_.OpenCount(), 0u);
    for (HWND window : windows) {
        EXPECT_FALSE(::IsWindow(window));
    }
}

} // namespace
} // namespace kestrel::win
