// The notification-area icon of the main window. Installing it subclasses the main window so that the
// icon's callback message (2025) and the shell's "TaskbarCreated" broadcast reach it; every other message
// goes on to the window's own procedure unchanged. Removing it deletes the icon and the subclass.
#pragma once

#include "platform/handles_win.h"

#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace kestrel::win {

// The two shell calls the icon makes. The app uses System(); tests pass recorders.
struct TrayShell {
    // Shell_NotifyIconW: true when the shell accepted `data` for `action` (NIM_ADD, NIM_MODIFY, NIM_DELETE).
    std::function<bool(DWORD action, const NOTIFYICONDATAW& data)> notify;
    // TrackPopupMenuEx: shows `menu` at `at` for `owner` and returns once it is closed.
    std::function<void(HMENU menu, UINT flags, POINT at, HWND owner)> popupMenu;

    static TrayShell System();
};

// An icon in a module's resources, or a stock icon (IDI_*) when `module` is null.
struct IconResource {
    HINSTANCE module = nullptr;
    const wchar_t* name = IDI_APPLICATION;
};

class TrayIcon {
public:
    // While the shell refuses the icon (Explorer not ready at log-on), the add is retried this often, this
    // many times: two minutes in all. The ticks come from the window timer ids::kTimerTrayIconRetry.
    static constexpr UINT kRetryIntervalMs = 2000;
    static constexpr int kRetryCount = 60;

    TrayIcon() : TrayIcon(TrayShell::System()) {}
    explicit TrayIcon(TrayShell shell) : shell_(std::move(shell)) {}
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;
    ~TrayIcon();

    // Hooks `window` and adds the icon with the picture `icon` and no tip. The picture is loaded at the
    // shell's small-icon size (the stock application icon when the resource is missing), owned here, and
    // loaded again at the new size when the window's dpi changes. A left-button release on the
    // icon shows the window in the normal state and brings it to the front; a right-button release pops
    // up `menu` (a pop-up menu, not owned; its commands arrive at `window` as WM_COMMAND). When the shell
    // is not ready yet the add is retried for a while, and the icon is re-added whenever Explorer
    // restarts. Returns false only when the window could not be hooked; IconShown() tells whether the
    // shell holds the icon now. Must be called on the window's thread; a second Add moves the icon.
    bool Add(HWND window, HMENU menu, IconResource icon);
    // Replaces the tip text (truncated to what the shell holds). A tip set while the icon is not shown
    // comes with it when the add succeeds.
    void SetTip(const std::wstring& tip);
    // How long a balloon has before the next one in line shows, when the shell does not say sooner that
    // it timed out or was clicked; and how many wait at most (the newest beyond that are dropped).
    static constexpr UINT kBalloonTurnMs = 10000;
    static constexpr std::size_t kMaxWaitingBalloons = 20;

    // Shows a notice balloon (warning icon) at the icon, without taking the focus from anyone. Balloons
    // take turns: one shows until the shell reports it timed out or was clicked, or kBalloonTurnMs
    // passed, then the next in line. A balloon identical to one showing or waiting is not queued again.
    // While the icon is not shown yet, the balloons wait and come with it.
    void ShowBalloon(const std::wstring& title, const std::wstring& message);
    // Deletes the icon and unhooks the window. Safe to call twice, and done by itself when the window is
    // destroyed first.
    void Remove();

    bool Installed() const { return window_ != nullptr; }
    bool IconShown() const { return shown_; }
    // The picture the shell was given; nullptr when no icon is installed.
    HICON Picture() const { return icon_.get(); }

private:
    struct Balloon {
        std::wstring title;
        std::wstring text;
        bool operator==(const Balloon&) const = default;
    };

    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self) noexcept;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    bool Notify(DWORD action, UINT flags);
    // Hands the icon (with its tip once one was set) to the shell; true when it holds it now.
    bool AddNow();
    // Loads the picture again at the shell's current small-icon size and hands it to the shell.
    void ReloadPicture();
    void StartRetrying();
    void StopRetrying();
    // Hands the first balloon in line to the shell, unless one is showing; the turn of the one showing
    // ends when the shell says it timed out or was clicked, or at the balloon timer.
    void ShowNextBalloon();
    void EndBalloonTurn();
    void ShowWindowNormal();
    void PopUpMenu();

    TrayShell shell_;
    HWND window_ = nullptr;
    HMENU menu_ = nullptr;
    IconResource iconSource_;
    UniqueIcon icon_;
    std::wstring tip_;
    bool tipSet_ = false;
    Balloon balloon_; // the one showing, or last shown
    bool balloonShowing_ = false;
    std::vector<Balloon> waiting_; // in line, the first next
    bool shown_ = false;
    int retriesLeft_ = 0;
    UINT taskbarCreated_ = 0;
};

} // namespace kestrel::win
