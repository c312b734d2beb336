// The parent's lock on the screen: the small password box a guarded command opens before it acts, and the
// Help menu's dialog that sets, changes or removes the password. Both take a wrong password with
// "密码错误" and keep their buttons off, on a timer, until the lock takes the next try.
#pragma once

#include "base/events.h"
#include "lock/parent_lock.h"

#include <windows.h>

namespace kestrel::win {

class PasswordBox;

// What every guarded command asks before it acts.
class PasswordGuard {
public:
    PasswordGuard(HINSTANCE instance, ParentLock& lock) : instance_(instance), lock_(lock) {}
    PasswordGuard(const PasswordGuard&) = delete;
    PasswordGuard& operator=(const PasswordGuard&) = delete;

    // True at once while no password is set. Otherwise opens the password box, modal to `owner`, saying
    // `reason`, and returns whether the right password was given. A box still open for another command
    // is cancelled first: the newest question is the one on the screen. While the record cannot be read,
    // says so (naming the registry value to delete) and returns false.
    bool Allow(HWND owner, const wchar_t* reason);
    // Cancels the open box if `owner` owns it (its command can no longer happen).
    void DismissOwnedBy(HWND owner);
    // Where a wrong password is reported (家长密码, with the command it was for); null: nowhere.
    void SetEvents(EventSink* events) { events_ = events; }

private:
    HINSTANCE instance_;
    ParentLock& lock_;
    PasswordBox* open_ = nullptr;
    EventSink* events_ = nullptr;
};

// Help → "家长密码(&P)...": sets the first password, or changes or removes it after the current one; tells
// the outcome in a box owned by `owner`. What changed, and a wrong current password, go to `events`.
void ShowParentPasswordDialog(HINSTANCE instance, HWND owner, ParentLock& lock, EventSink* events = nullptr);

// The registry value's full name, as the notices about an unreadable record give it.
std::wstring PasswordValueFullName();

} // namespace kestrel::win
