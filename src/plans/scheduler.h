// The scheduler: once a second (Timer_计划检测) it walks the plan list and fires every enabled plan whose
// time is the current minute and whose repeat rule allows today. A power plan opens the countdown, a
// reminder opens a pop-up, a run plan starts its program; a once-only plan is removed right after it
// fires. Each kind keeps a memory of the minute it is handling and of what it fired in it, so that a
// plan fires once per minute and not once per tick.
#pragma once

#include "plans/plan_list.h"
#include "platform/clock.h"

#include <optional>
#include <set>
#include <string>

namespace kestrel {

// What a fired plan does; the app passes the real countdown, pop-ups and launcher, tests a recorder.
// Each call returns at once.
class PlanActions {
public:
    virtual ~PlanActions() = default;
    // Opens the countdown of a power operation ("关闭计算机", "重启计算机", "锁定计算机", "注销计算机").
    virtual void StartPowerCountdown(const std::wstring& operation) = 0;
    // Opens a reminder pop-up with the plan's message; `kind` is "文字提示" or "播放音乐".
    virtual void ShowReminder(const std::wstring& message, const std::wstring& kind) = 0;
    // Starts the plan's program; `runMode` is "正常运行" or "隐藏运行".
    virtual void StartProgram(const std::wstring& program, const std::wstring& runMode) = 0;
};

// A calendar minute: the same hour and minute on another day is another minute.
struct CalendarMinute {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    friend bool operator==(const CalendarMinute&, const CalendarMinute&) = default;
};

class Scheduler {
public:
    Scheduler(PlanList& plans, const Clock& clock, PlanActions& actions);

    // One pass over the list. It runs in one go and never lets other events in, so the list cannot change
    // under it; a pass asked for while one runs (an action that pumps messages) does nothing.
    void RunPass();

private:
    // What one row asks of the pass.
    enum class Step { Next, EndPass };
    // The pass's minute: as a calendar minute, as "HH:MM" and as a weekday (1 = Sunday .. 7 = Saturday).
    struct Moment {
        CalendarMinute minute;
        std::wstring timeText;
        int weekday;
    };
    Step Visit(std::size_t index, const Moment& moment);
    Step FirePower(std::size_t index, const PlanRow& row, const CalendarMinute& now);
    // Reminders and run plans share their rules: the first matching row of a new minute opens the cycle,
    // later passes fire each text once.
    Step FireInCycle(std::size_t index, const PlanRow& row, const CalendarMinute& now,
                     std::optional<CalendarMinute>& cycle, std::set<std::wstring>& fired, bool reminder);

    PlanList& plans_;
    const Clock& clock_;
    PlanActions& actions_;
    bool running_ = false;

    std::optional<CalendarMinute> lastShutdownMinute_;
    std::optional<CalendarMinute> lastReminderMinute_;
    std::set<std::wstring> shownReminderTexts_;
    std::optional<CalendarMinute> lastRunMinute_;
    std::set<std::wstring> launchedRunTexts_;
};

} // namespace kestrel
