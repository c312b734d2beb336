// Waking a sleeping computer for a plan: which plan the one wake timer stands for and when it is due,
// whether a resume is Kestrel's own wake (the timer's, with nobody at the computer yet), and how long the
// computer is kept awake afterwards. The window thread's PlanWaker makes the system calls.
#pragma once

#include "plans/plan_row.h"
#include "platform/clock.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace kestrel {

// The timer is due this long before the plan's minute, so that the computer is up when the minute
// comes; a resume up to kOwnWakeSeconds after that is taken as the timer's.
inline constexpr std::int64_t kWakeLeadSeconds = 20;
inline constexpr std::int64_t kOwnWakeSeconds = 60;

// After Kestrel's own wake the system would go back to sleep within minutes without input; it is kept
// awake while what the plan started goes on, at most this long: a program of a run plan, a start through
// the shell that gives no process to watch, a reminder pop-up.
inline constexpr std::uint64_t kAwakeForProgramMs = 4ull * 60 * 60 * 1000;
inline constexpr std::uint64_t kAwakeForShellStartMs = 2ull * 60 * 1000;
inline constexpr std::uint64_t kAwakeForReminderMs = 30ull * 60 * 1000;

struct WakeTarget {
    std::size_t index = 0;      // 1-based row of the plan
    std::int64_t minute = 0;    // the local minute it fires in
    std::int64_t dueSecond = 0; // the local second the timer is due at

    friend bool operator==(const WakeTarget&, const WakeTarget&) = default;
};

// What the timer stands for while waking is `on`: the next enabled reminder or run plan after the current
// minute (the first in the list among those of one minute), due kWakeLeadSeconds before its minute.
// Power plans never wake the computer (waking it only to shut it down, lock it or log off helps nobody),
// so a nearer one is passed over. Empty when waking is off or no such plan is to come.
std::optional<WakeTarget> WakeTimerTarget(bool on, const std::vector<PlanRow>& rows,
                                          const LocalDateTime& now);

// Tells Kestrel's own wake from any other resume, from the power notices in the order they come.
class OwnWake {
public:
    // The timer now stands for `target`; empty when it is not set (off, refused, nothing to come).
    void TimerSet(const std::optional<WakeTarget>& target) { timer_ = target; }
    // PBT_APMSUSPEND: whatever the last wake was for is over.
    void Suspending();
    // PBT_APMRESUMEAUTOMATIC at local second `now`: Kestrel's own wake when it comes at most
    // kOwnWakeSeconds after the timer was due and nobody has shown up since the suspend.
    void ResumedAutomatically(std::int64_t now);
    // A sign of a person: PBT_APMRESUMESUSPEND, an unlock.
    void PersonSeen() { personSeen_ = true; }

    // Kestrel's own wake, and nobody has touched the computer since: what needs a person (quiet hours,
    // the lock's countdown and catch-up) waits.
    bool AwaitingPerson() const { return wokeFor_.has_value() && !personSeen_; }
    // Whether a plan of local minute `minute` is what Kestrel's own wake was for.
    bool WokeFor(std::int64_t minute) const { return wokeFor_ == minute; }

private:
    std::optional<WakeTarget> timer_;
    std::optional<std::int64_t> wokeFor_;
    bool personSeen_ = false;
};

// The reasons to keep the computer awake, each with its time limit, on a tick that runs during sleep.
class StayAwake {
public:
    using Hold = std::uint64_t;
    // A new reason, from `nowMs` for at most `limitMs`; never 0.
    Hold Keep(std::uint64_t nowMs, std::uint64_t limitMs);
    void Release(Hold hold) { holds_.erase(hold); }
    bool Holds(Hold hold) const { return holds_.count(hold) != 0; }
    // Drops the reasons past their limit; true while one is left.
    bool Needed(std::uint64_t nowMs);

private:
    std::map<Hold, std::uint64_t> holds_; // each hold's end
    Hold next_ = 1;
};

} // namespace kestrel
