// The tray icon and the subclass of the main window that receives its notifications.
#include "shell/tray_icon_win.h"

#include "base/command_ids.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <utility>

namespace kestrel::win {
namespace {

constexpr UINT_PTR kSubclassId = 1;

// Copies as much of `text` as a fixed field holds; a cut never splits a surrogate pair.
template <std::size_t N> void CopyCut(const std::wstring& text, wchar_t (&field)[N]) {
    std::size_t count = std::min(text.size(), N - 1);
    if (count < text.size() && count > 0 && IS_HIGH_SURROGATE(text[count - 1])) {
        --count;
    }
    text.copy(field, count);
    field[count] = L'\0';
}

// The icon at the small size the shell uses for notification icons, as a new icon the caller owns.
// LoadIconMetric picks the best image of the resource for that size; it lives in version 6 of the
// common controls only, so it is looked up rather than imported.
HICON LoadSmallIcon(const IconResource& source) {
    using LoadIconMetricFn = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, HICON*);
    static const auto loadIconMetric = [] {
        HMODULE comctl32 = ::GetModuleHandleW(L"comctl32.dll");
        return comctl32 ? reinterpret_cast<LoadIconMetricFn>(
                              reinterpret_cast<void*>(::GetProcAddress(comctl32, "LoadIconMetric")))
                        : nullptr;
    }();
    HICON icon = nullptr;
    if (loadIconMetric && SUCCEEDED(loadIconMetric(source.module, source.name, LIM_SMALL, &icon)) && icon) {
        return icon;
    }
    const int size = ::GetSystemMetrics(SM_CXSMICON);
    if (source.module) {
        icon = static_cast<HICON>(
            ::LoadImageW(source.module, source.name, IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        // Test programs carry no icon resource; the stock one keeps the icon usable.
        return icon ? icon : LoadSmallIcon(IconResource{});
    }
    // A stock icon is shared by the system; the copy at the small size is owned like any other.
    return static_cast<HICON>(::CopyImage(::LoadIconW(nullptr, source.name), IMAGE_ICON, size, size, 0));
}

} // namespace

TrayShell TrayShell::System() {
    TrayShell shell;
    shell.notify = [](DWORD action, const NOTIFYICONDATAW& data) {
        NOTIFYICONDATAW copy = data; // the API takes a non-const pointer
        return ::Shell_NotifyIconW(action, &copy) != FALSE;
    };
    shell.popupMenu = [](HMENU menu, UINT flags, POINT at, HWND owner) {
        ::TrackPopupMenuEx(menu, flags, at.x, at.y, owner, nullptr);
    };
    return shell;
}

TrayIcon::~TrayIcon() {
    Remove();
}

bool TrayIcon::Add(HWND window, HMENU menu, IconResource icon) {
    Remove();
    if (!::IsWindow(window) ||
        !::SetWindowSubclass(window, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        return false;
    }
    window_ = window;
    menu_ = menu;
    iconSource_ = icon;
    icon_.reset(LoadSmallIcon(iconSource_));
    // Explorer broadcasts this after a restart; its new taskbar knows no icons until they are added again.
    taskbarCreated_ = ::RegisterWindowMessageW(L"TaskbarCreated");
    if (taskbarCreated_ != 0) {
        ::ChangeWindowMessageFilterEx(window, taskbarCreated_, MSGFLT_ALLOW, nullptr);
    }
    if (!AddNow()) {
        StartRetrying();
    }
    return true;
}

void TrayIcon::SetTip(const std::wstring& tip) {
    // Asked again each minute: the shell hears of the tip only when it changed.
    if (tipSet_ && tip == tip_) {
        return;
    }
    tip_ = tip;
    tipSet_ = true;
    if (shown_) {
        Notify(NIM_MODIFY, NIF_TIP);
    }
}

void TrayIcon::Remove() {
    if (window_ == nullptr) {
        return;
    }
    StopRetrying();
    ::KillTimer(window_, ids::kTimerTrayBalloon);
    balloonShowing_ = false;
    Notify(NIM_DELETE, 0);
    shown_ = false;
    ::RemoveWindowSubclass(window_, SubclassProc, kSubclassId);
    window_ = nullptr;
    menu_ = nullptr;
    icon_.reset(); // the shell has let go of it
}

bool TrayIcon::Notify(DWORD action, UINT flags) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof(data);
    data.hWnd = window_;
    data.uID = 0;
    data.uFlags = flags;
    data.uCallbackMessage = ids::kTrayCallbackMessage;
    data.hIcon = icon_.get();
    CopyCut(tip_, data.szTip);
    if (flags & NIF_INFO) {
        CopyCut(balloon_.title, data.szInfoTitle);
        CopyCut(balloon_.text, data.szInfo);
        data.dwInfoFlags = NIIF_WARNING;
    }
    return shell_.notify && shell_.notify(action, data);
}

void TrayIcon::ShowBalloon(const std::wstring& title, const std::wstring& message) {
    Balloon balloon{title, message};
    // The same notice said again while it is on the screen or in line adds nothing.
    if ((balloonShowing_ && balloon == balloon_) ||
        std::find(waiting_.begin(), waiting_.end(), balloon) != waiting_.end() ||
        waiting_.size() >= kMaxWaitingBalloons) {
        return;
    }
    waiting_.push_back(std::move(balloon));
    ShowNextBalloon();
}

void TrayIcon::ShowNextBalloon() {
    if (!shown_ || balloonShowing_ || waiting_.empty()) {
        return;
    }
    balloon_ = waiting_.front();
    // A balloon the shell refused stays first in line; it comes with the next add of the icon.
    if (!Notify(NIM_MODIFY, NIF_INFO)) {
        return;
    }
    waiting_.erase(waiting_.begin());
    balloonShowing_ = true;
    ::SetTimer(window_, ids::kTimerTrayBalloon, kBalloonTurnMs, nullptr);
}

void TrayIcon::EndBalloonTurn() {
    ::KillTimer(window_, ids::kTimerTrayBalloon);
    balloonShowing_ = false;
    ShowNextBalloon();
}

bool TrayIcon::AddNow() {
    const UINT flags = NIF_MESSAGE | NIF_ICON | (tipSet_ ? NIF_TIP : 0);
    // An add that timed out may still have reached the shell; then the icon exists and takes a modify.
    shown_ = Notify(NIM_ADD, flags) || Notify(NIM_MODIFY, flags);
    ShowNextBalloon();
    return shown_;
}

void TrayIcon::ReloadPicture() {
    // The old picture stays alive until the shell holds the new one.
    const UniqueIcon previous = std::exchange(icon_, UniqueIcon(LoadSmallIcon(iconSource_)));
    if (shown_) {
        Notify(NIM_MODIFY, NIF_ICON);
    }
}

void TrayIcon::StartRetrying() {
    retriesLeft_ = kRetryCount;
    ::SetTimer(window_, ids::kTimerTrayIconRetry, kRetryIntervalMs, nullptr);
}

void TrayIcon::StopRetrying() {
    if (window_ != nullptr) {
        ::KillTimer(window_, ids::kTimerTrayIconRetry);
    }
    retriesLeft_ = 0;
}

void TrayIcon::ShowWindowNormal() {
    // A window hidden from the tray is also minimised: show it, then bring it back to its normal size.
    ::ShowWindow(window_, SW_SHOW);
    ::ShowWindow(window_, SW_RESTORE);
    ::SetForegroundWindow(window_);
}

void TrayIcon::PopUpMenu() {
    if (menu_ == nullptr || !shell_.popupMenu) {
        return;
    }
    // The menu loop runs other messages; keep what it needs in case the icon is removed meanwhile.
    const HWND owner = window_;
    POINT at{};
    ::GetCursorPos(&at);
    // Without the foreground the menu would not close when the user clicks elsewhere, and without the
    // posted message after it a second right click would find the menu stuck.
    ::SetForegroundWindow(owner);
    const UINT align = ::GetSystemMetrics(SM_MENUDROPALIGNMENT) != 0 ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
    shell_.popupMenu(menu_, align | TPM_RIGHTBUTTON, at, owner);
    ::PostMessageW(owner, WM_NULL, 0, 0);
}

LRESULT TrayIcon::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (message == ids::kTrayCallbackMessage) {
        // Classic notification layout: lParam is the mouse message over the icon.
        if (lParam == WM_LBUTTONUP) {
            handled = true;
            ShowWindowNormal();
        } else if (lParam == WM_RBUTTONUP) {
            handled = true;
            PopUpMenu();
        } else if (lParam == NIN_BALLOONTIMEOUT || lParam == NIN_BALLOONUSERCLICK) {
            handled = true;
            EndBalloonTurn();
        }
        return 0;
    }
    if (message == WM_TIMER && wParam == ids::kTimerTrayBalloon) {
        handled = true;
        EndBalloonTurn();
        return 0;
    }
    if (message == WM_TIMER && wParam == ids::kTimerTrayIconRetry) {
        handled = true;
        if (AddNow() || --retriesLeft_ <= 0) {
            StopRetrying();
        }
        return 0;
    }
    if (taskbarCreated_ != 0 && message == taskbarCreated_) {
        // The window may want the broadcast too, so it is passed on after the re-add.
        StopRetrying();
        if (!AddNow()) {
            StartRetrying();
        }
        return 0;
    }
    if (message == WM_DPICHANGED) {
        ReloadPicture(); // and the window lays itself out as well
        return 0;
    }
    if (message == WM_NCDESTROY) {
        Remove(); // the subclass must not outlive the window
    }
    return 0;
}

LRESULT CALLBACK TrayIcon::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR self) noexcept {
    bool handled = false;
    LRESULT result = 0;
    try {
        result = reinterpret_cast<TrayIcon*>(self)->OnMessage(message, wParam, lParam, handled);
    } catch (...) {
        handled = false; // a failed handler must not swallow the message
    }
    return handled ? result : ::DefSubclassProc(window, message, wParam, lParam);
}

} // namespace kestrel::win
