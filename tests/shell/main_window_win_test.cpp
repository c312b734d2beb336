// Form_Main created in-process and driven through its messages: identity, geometry at two dpis, the tab
// rule, the menus, the clock line, the auto-start box and every way of closing it. No tray icon, no
// registry: the window only reports what the application would do.
#include "shell/main_window_win.h"

#include "base/command_ids.h"
#include "base/texts.h"
#include "platform/dpi_win.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace kestrel::win {
namespace {

constexpr LocalDateTime kMorning{2026, 1, 2, 9, 5, 3, 5};

void PumpPendingMessages() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

RECT ChildRect(HWND parent, HWND child) {
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The child windows in z-order, top first.
std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

// The width of an icon's image in pixels.
int IconWidth(HICON icon) {
    ICONINFO info{};
    if (!::GetIconInfo(icon, &info)) {
        return 0;
    }
    BITMAP bitmap{};
    ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

SIZE ClientSize(HWND window) {
    RECT r{};
    ::GetClientRect(window, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

std::wstring MenuText(HMENU menu, int position) {
    wchar_t buffer[128] = {};
    ::GetMenuStringW(menu, static_cast<UINT>(position), buffer, 128, MF_BYPOSITION);
    return buffer;
}

bool IsSeparator(HMENU menu, int position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE;
    ::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info);
    return (info.fType & MFT_SEPARATOR) != 0;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        MainWindowEvents events;
        events.autoStartClicked = [this](bool ticked) {
            autoStartChoices.push_back(ticked);
        };
        events.exitConfirmed = [this] {
            ++exits;
        };
        events.sessionEnding = [this] {
            ++sessionEnds;
        };
        events.feedbackAvailable = [this] {
            return feedbackAvailable;
        };
        events.system = &heard;
        window = std::make_unique<MainWindow>(clock, std::move(events));
        ASSERT_TRUE(window->Create(::GetModuleHandleW(nullptr)));
        main = window->hwnd();
        creationOrder = Children(main);
    }

    void ExpectSelected(int k) {
        SCOPED_TRACE("tab " + std::to_string(k));
        EXPECT_EQ(window->SelectedTab(), k);
        // Only its panel is visible, and no panel was moved in the z-order, which is also the Tab order.
        EXPECT_EQ(Children(main), creationOrder);
        int oddImages = 0;
        for (int i = 1; i <= kTabCount; ++i) {
            const int image = window->TabImages()[static_cast<std::size_t>(i - 1)];
            EXPECT_EQ(image, i == k ? 2 * i - 1 : 2 * i) << "button " << i;
            EXPECT_EQ(::GetWindowLongPtrW(window->TabButton(i), GWLP_USERDATA), image) << "button " << i;
            oddImages += IsSelectedImage(image) ? 1 : 0;
            // The style bit, not IsWindowVisible: the main window itself is still hidden here.
            const bool shown = (::GetWindowLongPtrW(window->Panel(i), GWL_STYLE) & WS_VISIBLE) != 0;
            EXPECT_EQ(shown, i == k) << "panel " << i;
        }
        EXPECT_EQ(oddImages, 1);
    }

    FixedClock clock{kMorning};
    std::unique_ptr<MainWindow> window;
    HWND main = nullptr;
    std::vector<HWND> creationOrder;
    std::vector<bool> autoStartChoices;
    int exits = 0;
    int sessionEnds = 0;
    bool feedbackAvailable = false;
    // Counts the seconds the window hands on.
    struct Seconds final : SystemListener {
        int count = 0;
        void OnSecondTick() override { ++count; }
    } heard;
};

TEST_F(MainWindowTest, HasTheFixedTitleAFixedBorderAndNoMaximiseBox) {
    EXPECT_EQ(GetWindowTextString(main), text::kMainWindowTitle);
    EXPECT_EQ(::FindWindowW(nullptr, text::kMainWindowTitle), main)
        << "a second start finds it by this title";
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(main, GWL_STYLE));
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME) << "the window must not be resizable";
    EXPECT_FALSE(::GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) << "it belongs in the taskbar";
    EXPECT_FALSE(::IsWindowVisible(main)) << "created hidden; the start-up decides";
    EXPECT_NE(window->SmallIcon(), nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageW(main, WM_GETICON, ICON_SMALL, 0)), window->SmallIcon());
}

TEST_F(MainWindowTest, LaysOutTheDesignedGeometryAtItsDpiAndAgainAfterADpiChange) {
    const auto expectLayout = [&](int dpi) {
        SCOPED_TRACE("dpi " + std::to_string(dpi));
        const SIZE client = ClientSize(main);
        EXPECT_EQ(client.cx, ScaleTwips(8850, dpi));
        EXPECT_EQ(client.cy, ScaleTwips(6150, dpi));
        const RECT first = ChildRect(main, window->TabButton(1));
        EXPECT_EQ(first.left, ScaleTwips(1125, dpi));
        EXPECT_EQ(first.top, ScaleTwips(120, dpi));
        EXPECT_EQ(first.right, ScaleTwips(1125 + 1200, dpi));
        const RECT last = ChildRect(main, window->TabButton(5));
        EXPECT_EQ(last.left, ScaleTwips(6315, dpi));
        EXPECT_EQ(last.right, ScaleTwips(6315 + 1230, dpi));
        const RECT panel = ChildRect(main, window->Panel(1));
        EXPECT_EQ(panel.left, ScaleTwips(90, dpi));
        EXPECT_EQ(panel.top, ScaleTwips(1350, dpi));
        EXPECT_EQ(panel.bottom, ScaleTwips(1350 + 3450, dpi));
        for (int k = 2; k <= kTabCount; ++k) {
            const RECT other = ChildRect(main, window->Panel(k));
            EXPECT_TRUE(::EqualRect(&panel, &other)) << "panels share one rectangle";
        }
        EXPECT_EQ(ChildRect(main, window->ClockLabel()).top, ScaleTwips(5850, dpi));
        EXPECT_EQ(ChildRect(main, window->AutoStartCheck()).left, ScaleTwips(7380, dpi));
        EXPECT_EQ(ChildRect(main, window->AdvertArea()).top, ScaleTwips(4830, dpi));
        EXPECT_EQ(ChildRect(main, window->TopStrip()).bottom, ScaleTwips(1365, dpi));
        const auto icon = [&](WPARAM which) {
            return reinterpret_cast<HICON>(::SendMessageW(main, WM_GETICON, which, 0));
        };
        EXPECT_EQ(IconWidth(icon(ICON_SMALL)), Scale(16, dpi));
        EXPECT_EQ(IconWidth(icon(ICON_BIG)), Scale(32, dpi));
    };

    const int dpi = window->Dpi();
    EXPECT_EQ(dpi, DpiForWindow(main));
    if (dpi == 96) {
        EXPECT_EQ(ClientSize(main).cx, 590);
        EXPECT_EQ(ClientSize(main).cy, 410);
    }
    expectLayout(dpi);

    // Moved to a 150 % monitor, then to a 125 % one: the window follows the suggested position. (200 %
    // would not fit the test desktop of 1024 x 768, which clamps the window.)
    for (const int newDpi : {144, 120}) {
        const HICON oldSmallIcon = window->SmallIcon();
        RECT suggested{40, 30, 40 + 1000, 30 + 800};
        ::SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(newDpi, newDpi), reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(window->Dpi(), newDpi);
        expectLayout(newDpi);
        RECT frame{};
        ::GetWindowRect(main, &frame);
        EXPECT_EQ(frame.left, 40);
        EXPECT_EQ(frame.top, 30);
        EXPECT_EQ(IconWidth(oldSmallIcon), 0) << "the icon of the old dpi is freed";
    }
}

TEST_F(MainWindowTest, EveryControlIsReachableByItsStableId) {
    for (int k = 1; k <= kTabCount; ++k) {
        EXPECT_EQ(::GetDlgItem(main, static_cast<int>(ids::kTabButtonFirst) + k - 1), window->TabButton(k));
        EXPECT_EQ(::GetDlgItem(main, static_cast<int>(ids::kPanelFirst) + k - 1), window->Panel(k));
        EXPECT_TRUE(::GetWindowLongPtrW(window->Panel(k), GWL_EXSTYLE) & WS_EX_CONTROLPARENT)
            << "Tab must reach into the page of panel " << k;
    }
    EXPECT_EQ(::GetDlgItem(main, static_cast<int>(ids::kClockLabel)), window->ClockLabel());
    EXPECT_EQ(::GetDlgItem(main, static_cast<int>(ids::kAutoStartCheck)), window->AutoStartCheck());
    EXPECT_EQ(::GetDlgItem(main, static_cast<int>(ids::kAdvertBanner)), window->AdvertArea());
    EXPECT_EQ(::GetDlgItem(main, static_cast<int>(ids::kTopStrip)), window->TopStrip());
    wchar_t className[32] = {};
    ::GetClassNameW(window->TabButton(1), className, 32);
    EXPECT_EQ(::lstrcmpiW(className, L"Button"), 0)
        << "tab buttons take BM_CLICK, Space and Tab like buttons";
    EXPECT_TRUE(::GetWindowLongPtrW(window->TabButton(1), GWL_STYLE) & WS_TABSTOP);
}

TEST_F(MainWindowTest, SelectingATabShowsExactlyThatTabSelectedAndItsPanelInFront) {
    for (int k = 1; k <= kTabCount; ++k) {
        window->SelectTab(k);
        ExpectSelected(k);
    }
    // Out-of-range numbers change nothing.
    window->SelectTab(0);
    window->SelectTab(6);
    ExpectSelected(5);
}

TEST_F(MainWindowTest, ClickingTabButtonsSelectsAndClickingTheSelectedOneAgainChangesNothing) {
    window->SelectTab(1);
    ::SendMessageW(window->TabButton(3), BM_CLICK, 0, 0);
    ExpectSelected(3);
    ::SendMessageW(window->TabButton(3), BM_CLICK, 0, 0);
    ExpectSelected(3);
    ::SendMessageW(window->TabButton(5), BM_CLICK, 0, 0);
    ExpectSelected(5);
    EXPECT_TRUE(autoStartChoices.empty());
    EXPECT_EQ(exits, 0);
}

TEST_F(MainWindowTest, TabButtonsShowAHandPointer) {
    const LRESULT handled = ::SendMessageW(main, WM_SETCURSOR, reinterpret_cast<WPARAM>(window->TabButton(2)),
                                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_TRUE(handled);
    EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));
}

TEST_F(MainWindowTest, HelpMenuHoldsExactlyFeedbackTheParentsPasswordQuietHoursTheHistoryASeparatorAndAbout) {
    HMENU bar = ::GetMenu(main);
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(::GetMenuItemCount(bar), 1);
    EXPECT_EQ(MenuText(bar, 0), text::kMenuHelp);
    HMENU help = ::GetSubMenu(bar, 0);
    ASSERT_NE(help, nullptr);
    ASSERT_EQ(::GetMenuItemCount(help), 6);
    EXPECT_EQ(MenuText(help, 0), L"意见反馈[&F]");
    EXPECT_EQ(::GetMenuItemID(help, 0), ids::kCmdHelpFeedback);
    EXPECT_EQ(MenuText(help, 1), L"家长密码(&P)...");
    EXPECT_EQ(::GetMenuItemID(help, 1), ids::kCmdHelpParentPassword);
    EXPECT_EQ(MenuText(help, 2), L"禁止使用时段(&T)...");
    EXPECT_EQ(::GetMenuItemID(help, 2), ids::kCmdHelpQuietHours);
    EXPECT_EQ(MenuText(help, 3), L"历史记录(&H)...");
    EXPECT_EQ(::GetMenuItemID(help, 3), ids::kCmdHelpHistory);
    EXPECT_TRUE(IsSeparator(help, 4));
    EXPECT_EQ(MenuText(help, 5), L"关于[&A]");
    EXPECT_EQ(::GetMenuItemID(help, 5), ids::kCmdHelpAbout);
}

TEST_F(MainWindowTest, TrayMenuHoldsExactlyItsEntries) {
    HMENU tray = window->TrayMenu();
    ASSERT_NE(tray, nullptr);
    ASSERT_EQ(::GetMenuItemCount(tray), 6);
    EXPECT_EQ(MenuText(tray, 0), L"显示主界面[&S]");
    EXPECT_EQ(::GetMenuItemID(tray, 0), ids::kCmdTrayShow);
    EXPECT_EQ(MenuText(tray, 1), L"隐藏主界面[&H]");
    EXPECT_EQ(::GetMenuItemID(tray, 1), ids::kCmdTrayHide);
    EXPECT_TRUE(IsSeparator(tray, 2));
    EXPECT_EQ(MenuText(tray, 3), L"到时唤醒电脑[&W]");
    EXPECT_EQ(::GetMenuItemID(tray, 3), ids::kCmdTrayWakeForPlans);
    EXPECT_TRUE(IsSeparator(tray, 4));
    EXPECT_EQ(MenuText(tray, 5), L"退出程序[&E]");
    EXPECT_EQ(::GetMenuItemID(tray, 5), ids::kCmdTrayExit);
}

TEST_F(MainWindowTest, EveryCloseRequestHidesAndMinimisesAndTheTrayCommandsMoveBetweenStates) {
    window->ShowCentred();
    ASSERT_TRUE(::IsWindowVisible(main));
    const struct {
        const char* name;
        UINT message;
        WPARAM wParam;
    } requests[] = {{"WM_CLOSE", WM_CLOSE, 0}, {"SC_CLOSE (close box, Alt+F4)", WM_SYSCOMMAND, SC_CLOSE}};
    for (const auto& request : requests) {
        SCOPED_TRACE(request.name);
        ::SendMessageW(main, request.message, request.wParam, 0);
        PumpPendingMessages();
        ASSERT_TRUE(::IsWindow(main)) << "a close request must not destroy the window";
        EXPECT_FALSE(::IsWindowVisible(main));
        EXPECT_TRUE(::IsIconic(main));
        EXPECT_FALSE(window->ExitRequested());

        ::SendMessageW(main, WM_COMMAND, ids::kCmdTrayShow, 0);
        EXPECT_TRUE(::IsWindowVisible(main));
        EXPECT_FALSE(::IsIconic(main)) << "shown in the normal state";
    }
    ::SendMessageW(main, WM_COMMAND, ids::kCmdTrayHide, 0);
    EXPECT_FALSE(::IsWindowVisible(main));
    EXPECT_TRUE(::IsIconic(main));
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(sessionEnds, 0);
}

TEST_F(MainWindowTest, MenusOfferOnlyWhatCanBeDone) {
    const auto greyed = [](HMENU menu, unsigned id) {
        return (::GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) != 0;
    };
    HMENU tray = window->TrayMenu();
    HMENU help = ::GetSubMenu(::GetMenu(main), 0);
    const struct {
        const char* state;
        std::function<void()> enter;
        bool showGreyed;
        bool hideGreyed;
        bool feedback;
    } cases[] = {
        {"shown", [&] { window->ShowCentred(); }, true, false, true},
        {"minimised by the user", [&] { ::ShowWindow(main, SW_MINIMIZE); }, false, false, false},
        {"hidden in the tray", [&] { window->HideToTray(); }, false, true, true},
        {"back from the tray", [&] { window->ShowFromTray(); }, true, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        c.enter();
        feedbackAvailable = c.feedback;
        ::SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(tray), 0);
        ::SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(help), 0);
        EXPECT_EQ(greyed(tray, ids::kCmdTrayShow), c.showGreyed);
        EXPECT_EQ(greyed(tray, ids::kCmdTrayHide), c.hideGreyed);
        EXPECT_FALSE(greyed(tray, ids::kCmdTrayExit));
        EXPECT_EQ(greyed(help, ids::kCmdHelpFeedback), !c.feedback);
        EXPECT_FALSE(greyed(help, ids::kCmdHelpAbout));
    }
}

TEST_F(MainWindowTest, TheExitCommandHandsTheCloseToTheApplicationOnce) {
    ::SendMessageW(main, WM_COMMAND, ids::kCmdTrayExit, 0);
    EXPECT_TRUE(window->ExitRequested());
    EXPECT_EQ(exits, 0) << "the close is posted, not run inside the menu command";
    PumpPendingMessages();
    EXPECT_EQ(exits, 1);
}

TEST_F(MainWindowTest, AnExitTheInstallerAskedForIsNamedInTheHistorysDetail) {
    EXPECT_EQ(window->ExitDetail(true), L"已输入家长密码");
    ::SendMessageW(main, WM_COMMAND, ids::kCmdInstallerExit, 0);
    EXPECT_TRUE(window->ExitRequested());
    EXPECT_EQ(window->ExitDetail(false), L"安装程序要求退出");
    EXPECT_EQ(window->ExitDetail(true), L"安装程序要求退出，已输入家长密码");
}

TEST(MainWindowWithoutApplication, ExitCloseDestroysTheWindowItself) {
    FixedClock clock(kMorning);
    MainWindow window(clock, {});
    ASSERT_TRUE(window.Create(::GetModuleHandleW(nullptr)));
    const HWND main = window.hwnd();
    window.RequestExit();
    PumpPendingMessages();
    EXPECT_FALSE(::IsWindow(main));
    EXPECT_EQ(window.hwnd(), nullptr);
}

TEST_F(MainWindowTest, TheSessionEndIsNeverBlockedAndOnlyItsRealEndIsReported) {
    EXPECT_EQ(::SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    ::SendMessageW(main, WM_ENDSESSION, FALSE, 0); // another program vetoed: the session goes on
    EXPECT_EQ(sessionEnds, 0);
    ::SendMessageW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(sessionEnds, 1);
    EXPECT_EQ(exits, 0);
}

TEST_F(MainWindowTest, ClockLineStartsWithItsCaptionAndFollowsTheClockEachTick) {
    EXPECT_EQ(GetWindowTextString(window->ClockLabel()), L"当前时间");
    window->ShowClockLine(0);
    EXPECT_EQ(GetWindowTextString(window->ClockLabel()), L"当前时间：09:05:03 当前日期：2026年01月02日");
    window->ShowClockLine(2); // no such mode: the label keeps its text
    EXPECT_EQ(GetWindowTextString(window->ClockLabel()), L"当前时间：09:05:03 当前日期：2026年01月02日");

    // Hidden, the window runs the second's work but does not redraw its clock line; shown, it catches up
    // at once and then follows each tick.
    clock.Set(LocalDateTime{2026, 12, 31, 23, 59, 58, 4});
    ::SendMessageW(main, WM_TIMER, 1, 0); // Timer_ComputerOperation
    EXPECT_EQ(heard.count, 1);
    EXPECT_EQ(GetWindowTextString(window->ClockLabel()), L"当前时间：09:05:03 当前日期：2026年01月02日");
    ::ShowWindow(main, SW_SHOWNA);
    EXPECT_EQ(GetWindowTextString(window->ClockLabel()), L"当前时间：23:59:58 当前日期：2026年12月31日");
    clock.Set(LocalDateTime{2026, 12, 31, 23, 59, 59, 4});
    ::SendMessageW(main, WM_TIMER, 1, 0);
    EXPECT_EQ(heard.count, 2);
    EXPECT_EQ(GetWindowTextString(window->ClockLabel()), L"当前时间：23:59:59 当前日期：2026年12月31日");

    WindowDc dc(main);
    ::SendMessageW(main, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
                   reinterpret_cast<LPARAM>(window->ClockLabel()));
    EXPECT_EQ(::GetTextColor(dc.get()), RGB(64, 64, 64));
}

TEST_F(MainWindowTest, AutoStartBoxReportsUserClicksOnlyAndCarriesItsTooltip) {
    EXPECT_EQ(GetWindowTextString(window->AutoStartCheck()), L"开机自动启动");
    window->SetAutoStartChecked(true);
    EXPECT_TRUE(window->AutoStartChecked());
    window->SetAutoStartChecked(false);
    EXPECT_TRUE(autoStartChoices.empty()) << "setting the box is not a user's choice";

    ::SendMessageW(window->AutoStartCheck(), BM_CLICK, 0, 0);
    ::SendMessageW(window->AutoStartCheck(), BM_CLICK, 0, 0);
    EXPECT_EQ(autoStartChoices, (std::vector<bool>{true, false}));

    EXPECT_EQ(window->AutoStartTooltip(), nullptr) << "made after the first sight";
    // When the Run value starts another copy, the tooltip names it, also when told before it was made.
    window->ShowAutoStartProgram(L"D:\\便携\\Kestrel.exe");
    window->FinishAfterShow();
    ASSERT_NE(window->AutoStartTooltip(), nullptr);
    wchar_t tip[256] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = main;
    tool.uId = reinterpret_cast<UINT_PTR>(window->AutoStartCheck());
    tool.lpszText = tip;
    ::SendMessageW(window->AutoStartTooltip(), TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    EXPECT_EQ(tip, std::wstring(text::kAutoStartTooltip) + L"\r\n登录时启动的是：D:\\便携\\Kestrel.exe");
    window->ShowAutoStartProgram(L"");
    ::SendMessageW(window->AutoStartTooltip(), TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(tip, text::kAutoStartTooltip);
}

TEST_F(MainWindowTest, HelpCommandsDoNothingYet) {
    ::SendMessageW(main, WM_COMMAND, ids::kCmdHelpFeedback, 0);
    ::SendMessageW(main, WM_COMMAND, ids::kCmdHelpAbout, 0);
    PumpPendingMessages();
    EXPECT_TRUE(::IsWindow(main));
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(::FindWindowW(L"#32770", nullptr), nullptr) << "no dialog may open";
}

} // namespace
} // namespace kestrel::win
