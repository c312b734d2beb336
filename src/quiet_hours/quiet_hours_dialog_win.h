// Help → "禁止使用时段(&T)...": the list of quiet-hours windows, and the controls to add and delete them
// (the editors' weekday boxes and masked time fields). Anyone may look; while a password is set, "确定"
// with any change asks for it first.
#pragma once

#include "quiet_hours/quiet_hours.h"

#include <windows.h>

#include <functional>
#include <vector>

namespace kestrel::win {

struct QuietHoursDialogHost {
    // Whether a parent's password is set (the dialog then keeps quiet about who may excuse an evening).
    bool lockSet = false;
    // Asked before a change is kept, with the dialog as the owner of the password box; false keeps the
    // dialog open. Empty: allowed.
    std::function<bool(HWND owner, const wchar_t* reason)> allow;
    // Keeps the windows; false when they could not be written.
    std::function<bool(const std::vector<QuietWindow>& windows)> save;
    // The auto-start box, and ticking it as the user would.
    std::function<bool()> autoStartTicked;
    std::function<void()> tickAutoStart;
};

// Shows the dialog modal to `owner`; true when the windows were changed and saved.
bool ShowQuietHoursDialog(HINSTANCE instance, HWND owner, const std::vector<QuietWindow>& windows,
                          const QuietHoursDialogHost& host);

} // namespace kestrel::win
