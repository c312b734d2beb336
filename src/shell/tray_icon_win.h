// The notification-area icon of the main window. Installing it subclasses the main window so that the
// icon's callback message (2025) and the shell's "TaskbarCreated" broadcast reach it; every other message
// goes on to the window's own procedure unchanged. Removing it deletes the icon and the subclass.
#pragma once

#include <windows.h>

#include <string>

namespace kestrel::win {

class TrayIcon {
public:
    TrayIcon() = default;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;
    ~TrayIcon();

    // Hooks `window` and adds the icon with `icon` (not owned) and no tip. A left-button release on the
    // icon shows the window in the normal state; a right-button release pops up `menu` (not owned; its
    // commands arrive at `window` as WM_COMMAND). When the shell is not ready yet the add is retried for a
    // while, and the icon is re-added whenever Explorer restarts.
    bool Add(HWND window, HMENU menu, HICON icon);
    // Replaces the tip text (truncated to what the shell holds).
    void SetTip(const std::wstring& tip);
    // Deletes the icon and unhooks the window. Safe to call twice.
    void Remove();

    bool Installed() const { return window_ != nullptr; }
    bool IconShown() const { return shown_; }

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self) noexcept;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    bool Notify(DWORD action, UINT flags);

    HWND window_ = nullptr;
    HMENU menu_ = nullptr;
    HICON icon_ = nullptr;
    std::wstring tip_;
    bool shown_ = false;
    int retriesLeft_ = 0;
    UINT taskbarCreated_ = 0;
};

} // namespace kestrel::win
