// The once-a-second decision of quiet hours over a simulated clock, session and countdown: when a window
// counts down, warns, stays excused and comes back; and the quiet part of the next-plan line.
#include "quiet_hours/quiet_hours_check.h"
#include "quiet_hours/quiet_next_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrel {
namespace {

// 2026-12-07 was a Monday.
LocalDateTime At(int day, int hour, int minute, int second = 0) {
    return LocalDateTime{2026, 12, day, hour, minute, second, (day - 6) % 7};
}

std::vector<QuietWindow> Windows(const std::vector<std::wstring>& lines) {
    std::vector<QuietWindow> windows;
    for (const std::wstring& line : lines) {
        windows.push_back(ParseQuietWindowLine(line).value());
    }
    return windows;
}

// UTC with the local offset, and the tick that runs on through sleep; time passes awake.
struct SimulatedClock {
    std::int64_t utcMs = 0;
    int offset = 0;
    std::uint64_t tickMs = 1'000'000;

    SimulatedClock(LocalDateTime at, int offsetMinutes)
        : utcMs(((MinuteNumber(at) - offsetMinutes) * 60 + at.second) * 1000), offset(offsetMinutes) {}
    void Pass(std::int64_t seconds) {
        utcMs += seconds * 1000;
        tickMs += static_cast<std::uint64_t>(seconds) * 1000;
    }
    ClockReading Read() const {
        ClockReading r;
        const std::int64_t localMs = utcMs + std::int64_t{offset} * 60000;
        r.local = LocalFromMinute(FloorDiv(localMs, 60000));
        r.local.second = static_cast<int>(FloorDiv(localMs, 1000) % 60);
        r.utcOffsetMinutes = offset;
        r.utcMs = utcMs;
        r.tickMs = tickMs;
        r.awakeMs = tickMs;
        return r;
    }
};

enum class Do {
    Tick,      // the check of a tick: "count N" opens window N's countdown, "warn N" warns of it
    Cancelled, // the countdown is cancelled: "excuse N" for each window it excuses
    Performed, // the countdown ran out
    Slept,     // the countdown closed because the computer went to sleep
    Wake,      // the computer woke
    Session,   // a session change, `value` its code
    Offset,    // the UTC offset moves by `value` minutes, and the local clock with it
};

struct Step {
    std::int64_t after; // seconds that pass first
    Do what;
    std::vector<std::string> log = {};
    int value = 0;
};

struct Case {
    const char* what;
    std::vector<std::wstring> windows;
    LocalDateTime start;
    std::vector<Step> steps;
    bool lockSet = false;
    int offset = 480;
    std::wstring planCountdown = {}; // a plan's countdown open from the start
};

void RunCase(const Case& c) {
    SCOPED_TRACE(c.what);
    QuietHoursCheck check;
    check.SetWindows(Windows(c.windows));
    SimulatedClock clock(c.start, c.offset);
    std::wstring open = c.planCountdown;
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
        const Step& step = c.steps[i];
        clock.Pass(step.after);
        std::vector<std::string> log;
        const auto ended = [&](CountdownEnd how) {
            for (const QuietOccurrence& excused : check.OnCountdownEnded(how, clock.Read())) {
                log.push_back("excuse " + std::to_string(excused.window));
            }
            open.clear();
        };
        switch (step.what) {
        case Do::Tick: {
            const QuietTurn turn = check.Check(clock.Read(), open, c.lockSet);
            if (turn.warning) {
                log.push_back("warn " + std::to_string(turn.warning->window));
            }
            if (turn.countdown) {
                log.push_back("count " + std::to_string(*turn.countdown));
                open = check.Windows()[*turn.countdown].operation;
            }
            break;
        }
        case Do::Cancelled:
            ended(CountdownEnd::Cancelled);
            break;
        case Do::Performed:
            ended(CountdownEnd::Performed);
            break;
        case Do::Slept:
            ended(CountdownEnd::Slept);
            break;
        case Do::Wake:
            check.OnWake();
            break;
        case Do::Session:
            check.OnSession(static_cast<SessionChange>(step.value));
            break;
        case Do::Offset:
            clock.offset += step.value;
            break;
        }
        EXPECT_EQ(log, step.log) << "step " << i + 1;
    }
}

const std::wstring kNight = L"1111111 21:00 07:00 关闭计算机";
const std::wstring kLockNight = L"1111111 21:00 07:00 锁定计算机";

// Cancelled at 01:00, then the offset moves by `shift` minutes: the same evening up to 3 hours either way.
Case OffsetAfterExcuse(const char* what, int shift, std::vector<std::string> log) {
    return {what,
            {kNight},
            At(8, 1, 0),
            {{0, Do::Tick, {"count 0"}},
             {5, Do::Cancelled, {"excuse 0"}},
             {120, Do::Offset, {}, shift},
             {0, Do::Tick, std::move(log)}}};
}

TEST(QuietHoursCheck, WhenAWindowCountsDownWarnsStaysExcusedAndComesBack) {
    const Case cases[] = {
        {"an excuse holds through the spring-forward night",
         {kNight},
         At(7, 22, 0),
         {{0, Do::Tick, {"count 0"}},
          {5, Do::Cancelled, {"excuse 0"}},
          {4 * 3600 - 5, Do::Offset, {}, 60},
          {60, Do::Tick, {}}},
         false,
         60},
        {"an excuse holds when the clock falls back past the window's end into it again",
         {L"1111111 21:00 02:30 关闭计算机"},
         At(7, 22, 0),
         {{0, Do::Tick, {"count 0"}},
          {5, Do::Cancelled, {"excuse 0"}},
          {4 * 3600 + 40 * 60 - 5, Do::Tick, {}},
          {0, Do::Offset, {}, -60},
          {60, Do::Tick, {}}},
         false,
         120},
        OffsetAfterExcuse("the end 3 hours earlier in UTC is the same evening", 180, {}),
        OffsetAfterExcuse("3 hours and a minute earlier is not", 181, {"count 0"}),
        OffsetAfterExcuse("the end 3 hours later in UTC is the same evening", -180, {}),
        OffsetAfterExcuse("3 hours and a minute later is not", -181, {"count 0"}),
        {"a console reconnect inside a window already acted on counts down again at once",
         {kLockNight},
         At(7, 21, 0),
         {{0, Do::Tick, {"count 0"}},
          {15, Do::Performed},
          {5, Do::Session, {}, static_cast<int>(SessionChange::Disconnected)},
          {1, Do::Tick, {}},
          {20, Do::Session, {}, static_cast<int>(SessionChange::Connected)},
          {1, Do::Tick, {"count 0"}}}},
        {"a countdown closed by sleep excuses nothing: after the wake the window counts down again",
         {kNight},
         At(7, 21, 0),
         {{0, Do::Tick, {"count 0"}}, {5, Do::Slept}, {30, Do::Wake}, {1, Do::Tick, {"count 0"}}}},
        {"the warning comes exactly 5 minutes before, once in that minute",
         {kNight},
         At(7, 20, 54, 59),
         {{0, Do::Tick, {}}, {1, Do::Tick, {"warn 0"}}, {29, Do::Tick, {}}, {31, Do::Tick, {}}}},
        {"the warning of a window starting after midnight, on its own weekday",
         {L"0100000 00:02 06:00 锁定计算机"},
         At(7, 23, 56, 59),
         {{0, Do::Tick, {}}, {1, Do::Tick, {"warn 0"}}}},
        {"overlapping windows without the lock: the first in the list",
         {kLockNight, L"1111111 20:00 23:00 关闭计算机", L"1111111 21:00 06:00 关闭计算机"},
         At(7, 22, 0),
         {{0, Do::Tick, {"count 0"}}}},
        {"overlapping windows under the lock: the strongest, the first of equals",
         {kLockNight, L"1111111 20:00 23:00 关闭计算机", L"1111111 21:00 06:00 关闭计算机"},
         At(7, 22, 0),
         {{0, Do::Tick, {"count 1"}}},
         true},
        {"a countdown that ended without an excuse comes back exactly 2 minutes later",
         {kLockNight},
         At(7, 21, 0),
         {{0, Do::Tick, {"count 0"}}, {15, Do::Performed}, {119, Do::Tick, {}}, {1, Do::Tick, {"count 0"}}}},
        {"without the lock a window never replaces a plan's equal countdown",
         {kNight},
         At(7, 21, 0),
         {{0, Do::Tick, {}}},
         false,
         480,
         L"关闭计算机"},
        {"under the lock a window never replaces a plan's stronger countdown",
         {L"1111111 21:00 07:00 注销计算机"},
         At(7, 21, 0),
         {{0, Do::Tick, {}}},
         true,
         480,
         L"关闭计算机"},
        {"a stronger window does replace a plan's weaker countdown",
         {kNight},
         At(7, 21, 0),
         {{0, Do::Tick, {"count 0"}}},
         false,
         480,
         L"锁定计算机"},
    };
    for (const Case& c : cases) {
        RunCase(c);
    }
}

PlanRow Plan(const wchar_t* kind, const wchar_t* time, const wchar_t* operation, const wchar_t* info) {
    return MakePlanRow(kind, time, operation, L"启用", L"每天", info);
}

TEST(QuietHoursCheck, TheNextPlanLineNamesAWindowThatStartsBeforeEveryPlan) {
    const PlanRow water = Plan(L"定时提醒", L"21:00", L"文字提示", L"喝水");
    const std::wstring power = L"到时间对计算机进行指令操作。";
    struct Row {
        const char* what;
        std::vector<std::wstring> windows;
        std::vector<PlanRow> plans;
        LocalDateTime now;
        bool strongestWins;
        std::wstring line; // its parts joined, uncut
    };
    const Row rows[] = {
        {"a plan at the window's start minute keeps the line",
         {kNight},
         {water},
         At(7, 20, 0),
         false,
         L"下一个计划：今天 21:00 定时提醒：喝水"},
        {"a window starting before a plan takes it",
         {kNight},
         {Plan(L"定时提醒", L"21:01", L"文字提示", L"喝水")},
         At(7, 20, 0),
         false,
         L"下一个计划：今天 21:00 禁止使用时段 关闭计算机"},
        {"tomorrow's window, by its start",
         {L"0100000 21:30 07:00 注销计算机"},
         {},
         At(7, 22, 0),
         false,
         L"下一个计划：明天 21:30 禁止使用时段 注销计算机"},
        {"under the lock the strongest plan of the window's minute keeps the line",
         {kNight},
         {Plan(L"关机操作", L"21:00", L"锁定计算机", power.c_str()),
          Plan(L"关机操作", L"21:00", L"注销计算机", power.c_str())},
         At(7, 20, 0),
         true,
         L"下一个计划：今天 21:00 注销计算机"},
        {"inside overlapping windows: until the later end",
         {L"1111111 22:00 08:00 锁定计算机", kNight},
         {water},
         At(7, 23, 0),
         false,
         L"禁止使用时段中，至 08:00"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        QuietHoursCheck quiet;
        quiet.SetWindows(Windows(row.windows));
        ClockReading now;
        now.local = row.now;
        const NextPlanText parts = QuietNextPlanParts(row.plans, quiet, now, row.strongestWins);
        EXPECT_EQ(parts.Whole(), row.line);
    }
}

} // namespace
} // namespace kestrel
