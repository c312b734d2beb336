#include "shell/tray_icon_win.h"

#include "base/command_ids.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrel::win {
namespace {

constexpr UINT kCallback = ids::kTrayCallbackMessage;

// What the test window's own procedure saw; it answers a recognisable value for the messages tests send.
struct Seen {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Seen> g_seen;

LRESULT CALLBACK TestWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    g_seen.push_back({message, wParam, lParam});
    if (message == kCallback || message >= WM_APP) {
        return 0x5A00 + lParam;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

bool Saw(UINT message, WPARAM wParam, LPARAM lParam) {
    for (const Seen& s : g_seen) {
        if (s.message == message && s.wParam == wParam && s.lParam == lParam) {
            return true;
        }
    }
    return false;
}

struct ShellCall {
    DWORD action;
    NOTIFYICONDATAW data;
};

class TrayIconWin : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSEXW wc{sizeof(wc)};
        wc.lpfnWndProc = TestWindowProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KestrelTrayTestWindow";
        ::RegisterClassExW(&wc); // fails harmlessly when an earlier test registered it
        window_ = ::CreateWindowExW(0, wc.lpszClassName, L"KestrelTrayTest", WS_OVERLAPPEDWINDOW, 10, 10, 300,
                                    200, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(window_, nullptr);
        menu_ = ::CreatePopupMenu();
        ::AppendMenuW(menu_, MF_STRING, ids::kCmdTrayShow, L"显示主界面[&S]");
        g_seen.clear();
    }
    void TearDown() override {
        if (window_ != nullptr) {
            ::DestroyWindow(window_);
        }
        ::DestroyMenu(menu_);
    }

    // A shell that records every call and refuses the first `refusals` of them.
    TrayShell Recorder() {
        return {[this](DWORD action, const NOTIFYICONDATAW& data) {
                    calls_.push_back({action, data});
                    return refusals_-- <= 0;
                },
                [this](HMENU menu, UINT flags, POINT at, HWND owner) {
                    popups_.push_back({menu, flags, at, owner});
                }};
    }
    std::vector<DWORD> Actions() const {
        std::vector<DWORD> actions;
        for (const ShellCall& c : calls_) {
            actions.push_back(c.action);
        }
        return actions;
    }
    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
        return ::SendMessageW(window_, message, wParam, lParam);
    }

    struct Popup {
        HMENU menu;
        UINT flags;
        POINT at;
        HWND owner;
    };
    HWND window_ = nullptr;
    HMENU menu_ = nullptr;
    IconResource icon_; // the stock icon: the test program has no icon resource
    std::vector<ShellCall> calls_;
    std::vector<Popup> popups_;
    int refusals_ = 0;
};

TEST_F(TrayIconWin, AddTipAndRemoveTellTheShell) {
    TrayIcon tray(Recorder());
    ASSERT_TRUE(tray.Add(window_, menu_, icon_));
    EXPECT_TRUE(tray.IconShown());
    ASSERT_EQ(calls_.size(), 1u);
    const NOTIFYICONDATAW& add = calls_[0].data;
    EXPECT_EQ(calls_[0].action, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(add.cbSize, sizeof(NOTIFYICONDATAW));
    EXPECT_EQ(add.hWnd, window_);
    EXPECT_EQ(add.uID, 0u);
    EXPECT_EQ(add.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON)); // the tip is not announced yet
    EXPECT_EQ(add.uCallbackMessage, kCallback);
    EXPECT_NE(add.hIcon, nullptr);
    EXPECT_EQ(add.hIcon, tray.Picture());

    tray.SetTip(L"Kestrel");
    ASSERT_EQ(calls_.size(), 2u);
    EXPECT_EQ(calls_[1].action, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(calls_[1].data.uFlags, static_cast<UINT>(NIF_TIP));
    EXPECT_STREQ(calls_[1].data.szTip, L"Kestrel");

    tray.Remove();
    tray.Remove();
    EXPECT_EQ(Actions(), (std::vector<DWORD>{NIM_ADD, NIM_MODIFY, NIM_DELETE}));
    EXPECT_FALSE(tray.Installed());
}

// The shell gets a picture of its small-icon size, a new one after a dpi change; each old one is freed.
TEST_F(TrayIconWin, ADpiChangeHandsTheShellAFreshPictureAndFreesTheOldOne) {
    const auto width = [](HICON icon) {
        ICONINFO info{};
        if (!::GetIconInfo(icon, &info)) {
            return 0;
        }
        BITMAP bitmap{};
        ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
        return static_cast<int>(bitmap.bmWidth);
    };
    TrayIcon tray(Recorder());
    tray.Add(window_, menu_, icon_);
    const HICON first = tray.Picture();
    EXPECT_EQ(width(first), ::GetSystemMetrics(SM_CXSMICON));
    RECT suggested{10, 10, 310, 210};
    Send(WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    ASSERT_EQ(Actions(), (std::vector<DWORD>{NIM_ADD, NIM_MODIFY}));
    EXPECT_EQ(calls_[1].data.uFlags, static_cast<UINT>(NIF_ICON));
    EXPECT_EQ(calls_[1].data.hIcon, tray.Picture());
    EXPECT_EQ(width(first), 0) << "the old picture is freed";
    EXPECT_TRUE(Saw(WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested)))
        << "the window lays itself out too";
    const HICON second = tray.Picture();
    tray.Remove();
    EXPECT_EQ(width(second), 0);
}

TEST_F(TrayIconWin, LongTipIsCutWithoutSplittingACharacter) {
    const std::wstring face = L"\xD83D\xDE00"; // one character, two UTF-16 units
    const struct {
        std::wstring tip;
        std::wstring shown;
    } cases[] = {
        {std::wstring(127, L'a'), std::wstring(127, L'a')},
        {std::wstring(300, L'时'), std::wstring(127, L'时')},
        {std::wstring(126, L'a') + face, std::wstring(126, L'a')},
        {std::wstring(125, L'a') + face + L"b", std::wstring(125, L'a') + face},
    };
    TrayIcon tray(Recorder());
    tray.Add(window_, menu_, icon_);
    for (const auto& c : cases) {
        tray.SetTip(c.tip);
        EXPECT_EQ(std::wstring(calls_.back().data.szTip), c.shown);
    }
}

TEST_F(TrayIconWin, LeftButtonUpShowsWindowNormal) {
    for (const int hiddenAs : {SW_HIDE, SW_MINIMIZE}) {
        SCOPED_TRACE(hiddenAs);
        ::ShowWindow(window_, hiddenAs);
        ::ShowWindow(window_, SW_HIDE); // closing to the tray minimises and hides
        TrayIcon tray(Recorder());
        tray.Add(window_, menu_, icon_);
        g_seen.clear();
        EXPECT_EQ(Send(kCallback, 0, WM_LBUTTONUP), 0);
        EXPECT_TRUE(::IsWindowVisible(window_));
        EXPECT_FALSE(::IsIconic(window_));
        EXPECT_FALSE(Saw(kCallback, 0, WM_LBUTTONUP)); // consumed by the hook
    }
}

TEST_F(TrayIconWin, OtherMessagesReachTheWindowUnchanged) {
    TrayIcon tray(Recorder());
    tray.Add(window_, menu_, icon_);
    const struct {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } cases[] = {
        {kCallback, 0, WM_MOUSEMOVE},
        {kCallback, 0, WM_LBUTTONDOWN},
        {kCallback, 0, WM_LBUTTONDBLCLK},
        {kCallback, 0, WM_RBUTTONDOWN},
        {kCallback, 0, WM_MBUTTONUP},
        {kCallback, 3, 0x1234},
        {WM_APP + 1, 7, 9},
        {WM_APP + 2, 0, WM_LBUTTONUP},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message + c.lParam);
        EXPECT_EQ(Send(c.message, c.wParam, c.lParam), 0x5A00 + c.lParam);
        EXPECT_TRUE(Saw(c.message, c.wParam, c.lParam));
    }
    Send(WM_TIMER, 42, 0); // a timer of the window's own
    EXPECT_TRUE(Saw(WM_TIMER, 42, 0));
    EXPECT_FALSE(::IsWindowVisible(window_));
    EXPECT_TRUE(popups_.empty());
    EXPECT_EQ(calls_.size(), 1u);
}

TEST_F(TrayIconWin, RightButtonUpPopsUpMenuAtCursor) {
    TrayIcon tray(Recorder());
    tray.Add(window_, menu_, icon_);
    MSG stale;
    while (::PeekMessageW(&stale, window_, WM_NULL, WM_NULL, PM_REMOVE)) {
    }
    EXPECT_EQ(Send(kCallback, 0, WM_RBUTTONUP), 0);
    POINT cursor{};
    ::GetCursorPos(&cursor);
    ASSERT_EQ(popups_.size(), 1u);
    EXPECT_EQ(popups_[0].menu, menu_);
    EXPECT_EQ(popups_[0].owner, window_); // so the chosen command arrives there as WM_COMMAND
    EXPECT_TRUE(popups_[0].flags & TPM_RIGHTBUTTON);
    EXPECT_FALSE(popups_[0].flags & (TPM_RETURNCMD | TPM_NONOTIFY));
    EXPECT_EQ(popups_[0].at.x, cursor.x);
    EXPECT_EQ(popups_[0].at.y, cursor.y);
    MSG posted;
    EXPECT_TRUE(::PeekMessageW(&posted, window_, WM_NULL, WM_NULL, PM_REMOVE)); // closes the menu properly
    EXPECT_FALSE(Saw(kCallback, 0, WM_RBUTTONUP));
}

void CALLBACK EndMenuOnTimer(HWND, UINT, UINT_PTR, DWORD) {
    ::EndMenu();
}

// The real menu loop: a timer ends the menu, and the hook returns.
TEST_F(TrayIconWin, RealMenuOpensAndCloses) {
    ::ShowWindow(window_, SW_SHOW);
    TrayIcon tray(TrayShell{Recorder().notify, TrayShell::System().popupMenu});
    tray.Add(window_, menu_, icon_);
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, EndMenuOnTimer);
    EXPECT_EQ(Send(kCallback, 0, WM_RBUTTONUP), 0);
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(Saw(WM_ENTERMENULOOP, TRUE, 0));
    EXPECT_TRUE(Saw(WM_EXITMENULOOP, TRUE, 0));
}

TEST_F(TrayIconWin, RemoveAndDestructionRestoreTheWindowProcedure) {
    const LONG_PTR original = ::GetWindowLongPtrW(window_, GWLP_WNDPROC);
    {
        TrayIcon tray(Recorder());
        tray.Add(window_, menu_, icon_);
        tray.Remove();
        EXPECT_EQ(::GetWindowLongPtrW(window_, GWLP_WNDPROC), original);
        EXPECT_EQ(Send(kCallback, 0, WM_LBUTTONUP), 0x5A00 + WM_LBUTTONUP); // no hook any more
        EXPECT_FALSE(::IsWindowVisible(window_));
        tray.Add(window_, menu_, icon_);
    }
    EXPECT_EQ(Actions(), (std::vector<DWORD>{NIM_ADD, NIM_DELETE, NIM_ADD, NIM_DELETE}));
    EXPECT_EQ(::GetWindowLongPtrW(window_, GWLP_WNDPROC), original);
}

TEST_F(TrayIconWin, DestroyedWindowTakesTheIconAlong) {
    TrayIcon tray(Recorder());
    tray.Add(window_, menu_, icon_);
    ::DestroyWindow(std::exchange(window_, nullptr));
    EXPECT_FALSE(tray.Installed());
    EXPECT_EQ(Actions(), (std::vector<DWORD>{NIM_ADD, NIM_DELETE}));
}

TEST_F(TrayIconWin, TaskbarCreatedBroadcastAddsTheIconAgainWithItsTip) {
    TrayIcon tray(Recorder());
    tray.Add(window_, menu_, icon_);
    tray.SetTip(L"Kestrel");
    const UINT taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    ::SendMessageTimeoutW(HWND_BROADCAST, taskbarCreated, 0, 0, SMTO_ABORTIFHUNG, 2000, nullptr);
    ASSERT_EQ(calls_.size(), 3u);
    EXPECT_EQ(calls_[2].action, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(calls_[2].data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_STREQ(calls_[2].data.szTip, L"Kestrel");
    EXPECT_TRUE(Saw(taskbarCreated, 0, 0)); // the window still gets the broadcast
}

TEST_F(TrayIconWin, RefusedAddIsRetriedOnTimerTicks) {
    refusals_ = 6; // add and modify at start, then two ticks of add and modify
    TrayIcon tray(Recorder());
    ASSERT_TRUE(tray.Add(window_, menu_, icon_));
    EXPECT_FALSE(tray.IconShown());
    tray.SetTip(L"Kestrel"); // not shown yet: comes with the add
    EXPECT_EQ(Actions(), (std::vector<DWORD>{NIM_ADD, NIM_MODIFY}));
    for (int tick = 0; tick < 3; ++tick) {
        EXPECT_EQ(Send(WM_TIMER, ids::kTimerTrayIconRetry, 0), 0);
    }
    EXPECT_TRUE(tray.IconShown());
    EXPECT_EQ(calls_.back().action, static_cast<DWORD>(NIM_ADD));
    EXPECT_STREQ(calls_.back().data.szTip, L"Kestrel");
    EXPECT_FALSE(Saw(WM_TIMER, ids::kTimerTrayIconRetry, 0));     // the hook's own ticks stay with it
    EXPECT_FALSE(::KillTimer(window_, ids::kTimerTrayIconRetry)); // stopped after the success
}

TEST_F(TrayIconWin, RetriesEndAfterTheirCount) {
    refusals_ = 1 << 30;
    TrayIcon tray(Recorder());
    tray.Add(window_, menu_, icon_);
    for (int tick = 0; tick < TrayIcon::kRetryCount; ++tick) {
        Send(WM_TIMER, ids::kTimerTrayIconRetry, 0);
    }
    EXPECT_EQ(calls_.size(), 2u * (1 + TrayIcon::kRetryCount));
    EXPECT_FALSE(::KillTimer(window_, ids::kTimerTrayIconRetry));
}

// The real window timer drives the retry (about one interval of waiting).
TEST_F(TrayIconWin, RetryTimerRuns) {
    refusals_ = 2;
    TrayIcon tray(Recorder());
    tray.Add(window_, menu_, icon_);
    const DWORD deadline = ::GetTickCount() + 3 * TrayIcon::kRetryIntervalMs;
    MSG msg;
    while (!tray.IconShown() && ::GetTickCount() < deadline) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::DispatchMessageW(&msg);
        }
        ::Sleep(20);
    }
    EXPECT_TRUE(tray.IconShown());
}

// Balloons take turns (at the shell's posted notices, or the timer); a notice in line is not queued again.
TEST_F(TrayIconWin, BalloonsTakeTurnsAndANoticeInLineIsNotRepeated) {
    TrayIcon tray(Recorder());
    tray.ShowBalloon(L"Kestrel", L"一"); // waits for the icon
    tray.Add(window_, menu_, icon_);
    for (const wchar_t* text : {L"二", L"一", L"三", L"二", L"四"}) {
        tray.ShowBalloon(L"Kestrel", text);
    }
    EXPECT_EQ(calls_.size(), 2u); // the icon, and the first balloon only
    for (const LPARAM notice : {NIN_BALLOONTIMEOUT, NIN_BALLOONUSERCLICK, 0}) {
        ::PostMessageW(window_, notice ? kCallback : WM_TIMER, notice ? 0 : ids::kTimerTrayBalloon, notice);
    }
    for (MSG msg; ::PeekMessageW(&msg, window_, 0, 0, PM_REMOVE);) {
        ::DispatchMessageW(&msg);
    }
    std::vector<std::wstring> shown;
    for (const ShellCall& c : calls_) {
        shown.push_back(c.data.szInfo);
    }
    EXPECT_EQ(shown, (std::vector<std::wstring>{L"", L"一", L"二", L"三", L"四"}));
}

TEST_F(TrayIconWin, SystemShellTakesTheIcon) {
    TrayIcon tray;
    ASSERT_TRUE(tray.Add(window_, menu_, icon_));
    EXPECT_TRUE(tray.IconShown());
    tray.SetTip(L"Kestrel");
    tray.Remove();
}

} // namespace
} // namespace kestrel::win
