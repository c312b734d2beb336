// The scheduler: once a second (Timer_计划检测) it walks the plan list and fires every enabled plan whose
// time is the current minute and whose repeat rule allows today. A power plan opens the countdown, a
// reminder opens a pop-up, a run plan starts its program; a once-only plan is removed right after it
// fires. Each kind keeps a memory of the minute it is handling and of what it fired in it, so that a
// plan fires once per minute and not once per tick.
//
// A real computer does not tick once a second without a break: it is busy, sleeps, is switched off, has
// its clock corrected and changes to and from daylight-saving time. So the scheduler also remembers the
// last minute it closed, and each pass first closes every minute after that one and before the current
// one, by what happened in between (read from the clock's UTC offset, UTC and its two tick counts):
//   - awake but late (up to 3 hours), or a daylight-saving change: reminders and programs of those minutes
//     fire now, each plan once and in time order; the latest power plan opens its countdown when it is at
//     most 5 minutes late in real time, every other one is reported;
//   - the clock set forward by hand (up to 3 hours): the same, but no power plan is carried out;
//   - asleep, or Kestrel not running (up to 24 hours): the same, no power plan is carried out, a missed
//     reminder shows the minute it was due; older gaps are summed up in one line;
//   - the clock set back (up to 3 hours): nothing fires until the clock passes the last minute looked at;
//   - more than 3 hours forward or back by hand: a correction, the new time holds from now on;
//   - a new UTC offset moves the local clock by the change: to the other offset the same zone defines it
//     is daylight saving (above); anything else is a new time zone, and the minutes remembered move with
//     the clock, so that nothing fires for the hours skipped and nothing is held back; the real time that
//     passed is classed as above.
// Power plans that are not carried out are listed in one notice, and once-only plans whose minute has
// gone leave the list. Only then is the current minute examined, by the rules above.
//
// While a parent's password is set, the strongest power operation due or open at once is the one counted
// down (关闭 before 重启 before 注销 before 锁定), so that a weaker plan can never undo a stronger one: in
// one minute, in a catch-up (the strongest plan still within its own lateness limit; on a tie the later
// minute, then the list's order), against the countdown open or restarted on wake. A weaker plan counts
// as handled and gets its own notice line; an equal one neither replaces nor restarts the countdown.
#pragma once

#include "base/events.h"
#include "base/power_strength.h"
#include "plans/plan_list.h"
#include "platform/clock.h"
#include "platform/last_minute_store.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kestrel {

// What a fired plan does; the app passes the real countdown, pop-ups and launcher, tests a recorder.
// Each call returns at once.
class PlanActions {
public:
    virtual ~PlanActions() = default;
    // Opens the countdown of a power operation ("关闭计算机", "重启计算机", "锁定计算机", "注销计算机");
    // a countdown already open starts again with the new operation.
    virtual void StartPowerCountdown(const std::wstring& operation) = 0;
    // Opens a reminder pop-up with the plan's message; `kind` is "文字提示" or "播放音乐". `due` is the
    // minute the reminder was due when it comes late, for its time line; empty when it is on time.
    virtual void ShowReminder(const std::wstring& message, const std::wstring& kind,
                              const std::optional<LocalDateTime>& due) = 0;
    // Starts the plan's program; `runMode` is "正常运行" or "隐藏运行".
    virtual void StartProgram(const std::wstring& program, const std::wstring& runMode) = 0;
    // Tells the user, in one tray balloon, what was not carried out.
    virtual void Report(const std::wstring& notice) = 0;
    // The operation of the countdown that is open now; empty when none is.
    virtual std::wstring OpenCountdown() = 0;
    // Closes the open countdown without its operation (the computer went to sleep).
    virtual void CancelCountdown() = 0;
};

struct SchedulerOptions {
    // Null: nothing is kept between runs, and a start-up misses nothing.
    LastMinuteStore* lastMinute = nullptr;
    // While it answers true (the parent's lock), sleep is no way around a power plan: a countdown open
    // when the computer went to sleep starts again on resume, and a power plan missed in a sleep (or while
    // Kestrel was not running) that ended less than an hour after its minute is carried out, with its
    // countdown. Empty: never.
    std::function<bool()> parentLockActive;
    // Where plans fired and missed, sleeps, clock changes and runs not seen are recorded; null: nowhere.
    EventSink* events = nullptr;
    // While it answers true, the computer was woken by Kestrel's own timer and nobody has come to it yet:
    // under the parent's lock, the countdown started again on waking and the one a missed power plan
    // earns wait (closed meanwhile) until someone is there, for up to an hour. Empty: never.
    std::function<bool()> noPersonYet;
};


// The limits of the rules, in real time.
inline constexpr std::int64_t kLateTickLimitMinutes = 180;   // late ticks and hand-set clocks
inline constexpr std::int64_t kMissedLimitMinutes = 24 * 60; // sleep and Kestrel not running
inline constexpr std::int64_t kPowerLateLimitSeconds = 5 * 60;
inline constexpr std::int64_t kLockedPowerLateLimitSeconds = 60 * 60;
// For a zone Windows holds no definition of: a change of the UTC offset up to this under the same name
// counts as daylight saving.
inline constexpr std::int64_t kDaylightSavingLimitMinutes = 180;

// Whether the change of UTC offset from `before` to `after` is daylight saving: the zone keeps its name and
// the new offset is one that zone's definition gives. Any other change, of any size, is a move to another
// zone: a standard account may set any offset under the old name. Where no definition of the name is
// found, a change of up to kDaylightSavingLimitMinutes under the same name still counts as daylight saving.
bool IsDaylightSavingChange(const ClockReading& before, const ClockReading& after);

class Scheduler {
public:
    Scheduler(PlanList& plans, const Clock& clock, PlanActions& actions, SchedulerOptions options = {});

    // One pass over the list. It runs in one go and never lets other events in, so the list cannot change
    // under it; a pass asked for while one runs (an action that pumps messages) does nothing.
    void RunPass();

    // Writes the last minute looked at (the program ends).
    void SaveLastMinute();

private:
    enum class Step { Next, EndPass };
    // How the minutes before the current one were passed.
    enum class Gap {
        Awake,        // late ticks or a daylight-saving change: on time as far as can be
        ClockForward, // set forward by hand
        Missed,       // asleep, stalled for hours, or not running
    };
    // The pass's minute: its number, as "HH:MM" and as a weekday (1 = Sunday .. 7 = Saturday).
    struct Moment {
        std::int64_t minute;
        std::wstring timeText;
        int weekday;
    };
    struct Closing {
        Gap gap;
        const wchar_t* missedWhy;        // the history's word for a plan missed in the span
        std::int64_t nowSecond;          // the reading's local time, in seconds
        std::int64_t shiftSeconds;       // how far the wall clock moved beyond real time in the last gap
        std::int64_t offsetShiftSeconds; // the part of it a daylight-saving change made
    };

    void Begin(const ClockReading& now);
    // Works out what the time since the previous pass was, and moves the last closed minute for a
    // correction.
    std::optional<Closing> Classify(const ClockReading& now);
    void HandleSleep();
    // A new time zone: every minute remembered moves with the local clock.
    void MoveMinutes(std::int64_t byMinutes);
    void RecordTimeChange(const ClockReading& now, std::int64_t stepMs, std::int64_t offsetChange, bool zoneMoved);
    void CloseMinutes(std::int64_t first, std::int64_t last, const Closing& closing, const Moment& moment);
    // The strongest operation of the power plans due in the current minute (the first in the list on a
    // tie); none when there is none or a power plan already had the minute.
    std::optional<std::wstring> PowerDueNow(const Moment& moment) const;
    bool LockActive() const;
    void ExamineCurrentMinute(const Moment& moment);
    Step Visit(std::size_t index, const Moment& moment);
    Step FirePower(std::size_t index, const PlanRow& row, std::int64_t now);
    // Under the lock: every power plan of the minute at once, the strongest counted down.
    Step FireStrongestPower(const Moment& moment);
    // A power plan not counted down because `winner` is at least as strong: its notice line and record.
    void Outweighed(std::int64_t minute, std::int64_t today, const PlanRow& row, const std::wstring& winner);
    // `catchUp`: a missed plan's countdown, which waits for a person after Kestrel's own wake.
    void StartCountdown(std::int64_t minute, const PlanRow& row, bool catchUp = false);
    bool WaitForPerson() const;
    // Keeps `operation` (the stronger of it and one kept already) until someone is at the computer; an
    // open countdown closes meanwhile, so that it cannot run out with nobody there.
    void HoldForPerson(const std::wstring& operation, std::uint64_t tickMs);
    void ReleaseHeld(const ClockReading& now);
    void Record(const wchar_t* event, const std::wstring& detail);
    void RecordMissed(std::int64_t minute, const PlanRow& row, const wchar_t* why);
    // Reminders and run plans share their rules: the first matching row of a new minute opens the cycle,
    // later passes fire each text once.
    Step FireInCycle(std::size_t index, const PlanRow& row, std::int64_t now,
                     std::optional<std::int64_t>& cycle, std::set<std::wstring>& fired, bool reminder);
    void SaveIfMoved(const ClockReading& now, bool always);
    void Notice(std::wstring line);

    PlanList& plans_;
    const Clock& clock_;
    PlanActions& actions_;
    SchedulerOptions options_;
    bool running_ = false;

    bool begun_ = false;
    ClockReading previous_;
    std::int64_t lastClosed_ = 0;              // local minute number
    std::optional<std::int64_t> lastExamined_; // local minute number
    std::optional<std::int64_t> savedUtcMinute_;
    int offsetMinutes_ = 0;
    std::vector<std::wstring> notices_;
    std::vector<std::wstring> outweighed_;

    std::optional<std::int64_t> lastShutdownMinute_;
    // The operation counted down for that minute, or the stronger one that was open then.
    std::wstring minuteWinner_;
    // Under the lock, the countdown that a sleep interrupted: it starts again at the end of the pass,
    // unless a stronger one took its place meanwhile.
    std::wstring restartAfterSleep_;
    std::wstring heldForPerson_;     // a countdown waiting for someone after Kestrel's own wake
    std::uint64_t heldSinceTickMs_ = 0;
    std::optional<std::int64_t> lastReminderMinute_;
    std::set<std::wstring> shownReminderTexts_;
    std::optional<std::int64_t> lastRunMinute_;
    std::set<std::wstring> launchedRunTexts_;
};


} // namespace kestrel
