// Quiet hours in the running program: the windows and excuses read from their store, the session's lock
// and connection followed through WTSRegisterSessionNotification, the check once a second that opens the
// countdown (the same one power plans open) and warns five minutes ahead, the excuse kept when a
// countdown is cancelled, and the Help menu's dialog. What it needs of the rest of the program comes in
// through QuietHoursHost.
#pragma once

#include "base/events.h"
#include "platform/clock.h"
#include "quiet_hours/quiet_hours_check.h"
#include "quiet_hours/quiet_hours_store.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

namespace kestrel::win {

struct QuietHoursHost {
    HINSTANCE instance = nullptr;
    const Clock* clock = nullptr;
    // Null: the registry (HKCU\Software\Kestrel). Tests pass a fake.
    QuietHoursStore* store = nullptr;
    // Null: nothing is recorded.
    EventSink* events = nullptr;
    // The operation of the open countdown (empty: none), and opening one.
    std::function<std::wstring()> openCountdown;
    std::function<void(const std::wstring& operation)> startCountdown;
    std::function<bool()> lockSet;
    // A wake Kestrel itself caused, before anyone touched the computer: quiet hours wait. Empty: never.
    std::function<bool()> noPersonYet;
    std::function<void(const std::wstring& message)> balloon;
    // The parent's password before a change, asked with `owner` as the box's owner.
    std::function<bool(HWND owner, const wchar_t* reason)> allow;
    std::function<bool()> autoStartTicked;
    std::function<void()> tickAutoStart;
    // The windows or the excuses changed: the next-plan line is to be drawn again.
    std::function<void()> changed;
};

class QuietHours final : public SystemListener {
public:
    explicit QuietHours(QuietHoursHost host);
    ~QuietHours() override;
    QuietHours(const QuietHours&) = delete;
    QuietHours& operator=(const QuietHours&) = delete;

    // Reads the windows and the excuses, says once in a balloon when lines could not be read, and follows
    // the session of `window` from now on. Then checks at once: a start inside a window counts down.
    void Start(HWND window);
    // Stops following the session (before the window goes).
    void Stop();

    // Once a second, and right after a wake or a change of the session, it checks; at the end it stops
    // following the session.
    void OnSecondTick() override { Tick(); }
    void OnWoken(bool byPerson) override;
    void OnSessionChanged(SessionChange change) override;
    void OnEnd(ProgramEnd) override { Stop(); }
    void Tick();
    void OnCountdownEnded(CountdownEnd how);
    // Help → "禁止使用时段(&T)...", modal to `owner`.
    void ShowDialog(HWND owner);

    const QuietHoursCheck& Check() const { return check_; }

private:
    // Reads the windows; true when something could not be read.
    bool LoadWindows();
    void Record(const wchar_t* event, const std::wstring& detail);

    QuietHoursHost host_;
    std::unique_ptr<QuietHoursStore> ownStore_;
    QuietHoursStore* store_ = nullptr;
    QuietHoursCheck check_;
    HWND window_ = nullptr;
    bool listening_ = false;
};

} // namespace kestrel::win
