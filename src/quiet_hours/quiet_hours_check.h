// What quiet hours do, decided once a second: whether the computer is in use inside a window that is not
// excused, and whether its countdown is to open now. It opens
//   - when a window starts, at start-up and whenever a window is met for the first time (a late tick, a
//     clock change);
//   - on resume from sleep, on unlock, and when the session is connected or logged on again;
//   - otherwise again 2 minutes after the last countdown ended, while the computer is still in use.
// Never while the session is locked or disconnected (a switched user's session counts nothing), never
// over an open countdown of an equal or stronger operation, and never in a window that was excused:
// cancelling a countdown inside quiet hours excuses every window the moment is inside, until its end.
// The excuses are kept by the app (between runs too); sleep excuses nothing.
#pragma once

#include "actions/shutdown_countdown.h"
#include "base/system_listener.h"
#include "platform/clock.h"
#include "quiet_hours/quiet_hours.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// A window excused until its end: its stored line and the UTC minute (minutes since 1970) of the end.
// Stored as "1111001 21:00 07:00 关闭计算机|29412345".
struct QuietExcuse {
    std::wstring line;
    std::int64_t endUtcMinute = 0;

    bool operator==(const QuietExcuse&) const = default;
};
std::wstring QuietExcuseLine(const QuietExcuse& excuse);
std::optional<QuietExcuse> ParseQuietExcuseLine(std::wstring_view line);

// How long an excuse outlives the end it was stored with, and how far apart an end may be from it and
// still be the same evening: a daylight-saving night moves the end in UTC by an hour, and any move of the
// clock's offset of up to 3 hours counts as such.
inline constexpr std::int64_t kExcuseToleranceMinutes = 180;
// How long after a countdown ended the window counts down again, while the computer is still in use.
inline constexpr std::uint64_t kQuietRepeatMs = 2 * 60 * 1000;
// How long before a window starts the tray says so.
inline constexpr std::int64_t kQuietWarningMinutes = 5;

struct QuietTurn {
    std::optional<std::size_t> countdown;   // open the countdown of this window's operation now
    std::optional<QuietOccurrence> warning; // this window starts in 5 minutes
};

class QuietHoursCheck {
public:
    // `noPersonYet`, while it answers true (a wake Kestrel itself caused, before anyone touched the
    // computer), holds every countdown back; empty: never.
    explicit QuietHoursCheck(std::function<bool()> noPersonYet = {});

    void SetWindows(std::vector<QuietWindow> windows);
    const std::vector<QuietWindow>& Windows() const { return windows_; }
    // The excuses read back at start-up; those whose end has passed are dropped.
    void SetExcuses(std::vector<QuietExcuse> excuses, const ClockReading& now);
    const std::vector<QuietExcuse>& Excuses() const { return excuses_; }

    // The session was locked, unlocked, disconnected, connected or logged on.
    void OnSession(SessionChange change);
    // The computer woke from sleep.
    void OnWake();
    // A countdown ended. Cancelled inside quiet hours, it excuses every window the moment is inside:
    // returns them (their excuses are then in Excuses() and to be stored).
    std::vector<QuietOccurrence> OnCountdownEnded(CountdownEnd how, const ClockReading& now);

    // The check of one tick; `openCountdown` is the operation of the open countdown (empty: none).
    QuietTurn Check(const ClockReading& now, const std::wstring& openCountdown, bool lockSet);

    // Connected and unlocked.
    bool InUse() const { return connected_ && !locked_; }
    // While the moment is inside windows that are not excused, the latest of their ends (a local minute).
    std::optional<std::int64_t> QuietUntil(const ClockReading& now) const;

private:
    bool Excused(const QuietOccurrence& occurrence, const ClockReading& now) const;
    // Which windows the excuses name, for the check to compare numbers, not texts.
    void ResolveExcuses();
    void DropExpiredExcuses(const ClockReading& now);

    std::function<bool()> noPersonYet_;
    std::vector<QuietWindow> windows_;
    std::vector<QuietExcuse> excuses_;
    struct Resolved {
        std::size_t window;
        std::int64_t endUtcMinute;
    };
    std::vector<Resolved> resolved_;
    // Per window, the start of the last time it ran that a countdown stood for, and of the last time it
    // was warned of.
    std::array<std::optional<std::int64_t>, kMaxQuietWindows> acted_{};
    std::array<std::optional<std::int64_t>, kMaxQuietWindows> warned_{};
    bool connected_ = true;
    bool locked_ = false;
    // Start-up, a wake, an unlock or a connection: act at the next check in use.
    bool pending_ = true;
    std::optional<std::uint64_t> lastEndMs_; // tick of the last countdown's end
};

} // namespace kestrel
