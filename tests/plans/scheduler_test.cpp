// The scheduler over simulated time: each case is a plan list and a series of passes, each pass at a given
// moment with the actions it must take. Together they walk every rule of a pass: power plans in the first
// pass of their minute and one per minute, reminders and programs from the second pass, each text once per
// minute, once-only plans removed with the pass ending, and a new day being a new minute.
#include "plans/scheduler.h"

#include "base/clock_text.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include <string>
#include <tuple>
#include <vector>

namespace kestrel {
namespace {

struct Recorder final : PlanActions {
    std::vector<std::wstring> log;
    std::wstring countdown;             // the operation of the open countdown
    std::function<void()> onCountdown; // runs inside StartPowerCountdown, when set
    void StartPowerCountdown(const std::wstring& operation) override {
        log.push_back(L"power " + operation);
        countdown = operation;
        if (onCountdown) {
            onCountdown();
        }
    }
    void ShowReminder(const std::wstring& message, const std::wstring& kind,
                      const std::optional<LocalDateTime>& due) override {
        log.push_back(L"remind " + message + L" " + kind + (due ? L" due " + FormatClockTime(*due) : L""));
    }
    void StartProgram(const std::wstring& program, const std::wstring& runMode) override {
        log.push_back(L"run " + program + L" " + runMode);
    }
    void Report(const std::wstring& notice) override { log.push_back(L"report " + notice); }
    std::wstring OpenCountdown() override { return countdown; }
    void CancelCountdown() override {
        log.push_back(L"cancel " + countdown);
        countdown.clear();
    }
};

// 2026-12-07 was a Monday.
LocalDateTime At(int day, int hour, int minute, int second = 0) {
    return LocalDateTime{2026, 12, day, hour, minute, second, (day - 6) % 7};
}

PlanRow Power(const wchar_t* time, const wchar_t* op, const wchar_t* repeat = L"每天",
              const wchar_t* status = L"启用") {
    return MakePlanRow(L"关机操作", time, op, status, repeat, L"到时间对计算机进行指令操作。");
}
PlanRow Reminder(const wchar_t* time, const wchar_t* message, const wchar_t* repeat = L"每天") {
    return MakePlanRow(L"定时提醒", time, L"文字提示", L"启用", repeat, message);
}
PlanRow RunPlan(const wchar_t* time, const wchar_t* program, const wchar_t* repeat = L"每天") {
    return MakePlanRow(L"定时运行", time, L"隐藏运行", L"启用", repeat, program);
}

struct Pass {
    LocalDateTime at;
    std::vector<std::wstring> actions; // what this pass does, in order
};

struct Case {
    const char* what;
    std::vector<PlanRow> plans;
    std::vector<Pass> passes;
    std::size_t rowsLeft;
};

void RunCase(const Case& c) {
    SCOPED_TRACE(c.what);
    PlanList plans;
    plans.AppendAll(c.plans);
    FixedClock clock(c.passes.front().at);
    Recorder recorder;
    Scheduler scheduler(plans, clock, recorder);
    for (std::size_t i = 0; i < c.passes.size(); ++i) {
        clock.Set(c.passes[i].at);
        recorder.log.clear();
        scheduler.RunPass();
        EXPECT_EQ(recorder.log, c.passes[i].actions) << "pass " << i + 1;
    }
    EXPECT_EQ(plans.Count(), c.rowsLeft);
}

TEST(Scheduler, PowerPlans) {
    const Case cases[] = {
        {"fires in the first pass of its minute, once, and the row stays",
         {Power(L"22:30", L"关闭计算机")},
         {{At(7, 22, 29, 59), {}},
          {At(7, 22, 30, 0), {L"power 关闭计算机"}},
          {At(7, 22, 30, 1), {}},
          {At(7, 22, 31), {}}},
         1},
        {"one power plan per minute: the first in the list wins, in later passes too",
         {Power(L"22:30", L"重启计算机"), Power(L"22:30", L"关闭计算机")},
         {{At(7, 22, 30), {L"power 重启计算机"}}, {At(7, 22, 30, 1), {}}},
         2},
        {"once-only: removed right after firing, and the pass ends there",
         {Power(L"22:30", L"锁定计算机", L"执行一次"), Reminder(L"22:30", L"a")},
         {{At(7, 22, 30), {L"power 锁定计算机"}},
          {At(7, 22, 30, 1), {}},
          {At(7, 22, 30, 2), {L"remind a 文字提示"}}},
         1},
        {"the same minute on the next day fires again; midnight too",
         {Power(L"00:00", L"注销计算机")},
         {{At(7, 23, 59, 59), {}},
          {At(8, 0, 0), {L"power 注销计算机"}},
          {At(8, 0, 0, 30), {}},
          {At(9, 0, 0), {L"power 注销计算机"}}},
         1},
        {"disabled, wrong day, other kinds and placeholders never fire",
         {Power(L"22:30", L"关闭计算机", L"每天", L"禁用"), Power(L"22:30", L"关闭计算机", L"周末（1天）"),
          MakePlanRow(L"???", L"22:30", L"关闭计算机", L"启用", L"每天", L""),
          Power(L"22:30", L"重启计算机", L"一 三 ")},
         {{At(7, 22, 30), {L"power 重启计算机"}}},
         4},
    };
    for (const Case& c : cases) {
        RunCase(c);
    }
}

TEST(Scheduler, RemindersAndProgramsFireFromTheSecondPassOncePerText) {
    const Case cases[] = {
        {"a opens the cycle, b shows at once, a in the next pass, each once",
         {Reminder(L"08:00", L"a"), Reminder(L"08:00", L"b")},
         {{At(7, 8, 0), {L"remind b 文字提示"}},
          {At(7, 8, 0, 1), {L"remind a 文字提示"}},
          {At(7, 8, 0, 2), {}}},
         2},
        {"the same text twice gives one pop-up; a text inside another is still its own",
         {Reminder(L"08:00", L"ab"), Reminder(L"08:00", L"ab"), Reminder(L"08:00", L"b")},
         {{At(7, 8, 0), {L"remind ab 文字提示", L"remind b 文字提示"}}, {At(7, 8, 0, 1), {}}},
         3},
        {"once-only reminder: shown once, removed, the pass ends",
         {Reminder(L"08:00", L"x", L"执行一次"), Reminder(L"08:00", L"y"), Reminder(L"08:00", L"z")},
         {{At(7, 8, 0), {L"remind y 文字提示", L"remind z 文字提示"}},
          {At(7, 8, 0, 1), {L"remind x 文字提示"}},
          {At(7, 8, 0, 2), {}}},
         2},
        {"a new day is a new cycle",
         {Reminder(L"08:00", L"a")},
         {{At(7, 8, 0), {}},
          {At(7, 8, 0, 1), {L"remind a 文字提示"}},
          {At(8, 8, 0), {}},
          {At(8, 8, 0, 1), {L"remind a 文字提示"}}},
         1},
        {"programs: the first row opens the cycle, a path starts once, a once-only removal ends the pass",
         {RunPlan(L"12:00", L"C:\\a b\\x.exe"), RunPlan(L"12:00", L"C:\\a b\\x.exe"),
          RunPlan(L"12:00", L"y.exe", L"执行一次"), RunPlan(L"12:00", L"w.exe")},
         {{At(7, 12, 0), {L"run C:\\a b\\x.exe 隐藏运行", L"run y.exe 隐藏运行"}},
          {At(7, 12, 0, 1), {L"run w.exe 隐藏运行"}},
          {At(7, 12, 0, 2), {}}},
         3},
        {"reminders and programs keep separate cycles",
         {RunPlan(L"12:00", L"z"), Reminder(L"12:00", L"z")},
         {{At(7, 12, 0), {}}, {At(7, 12, 0, 1), {L"run z 隐藏运行", L"remind z 文字提示"}}},
         2},
    };
    for (const Case& c : cases) {
        RunCase(c);
    }
}

TEST(Scheduler, APlanEnabledDuringItsMinuteFiresInItAndAnActionCannotStartASecondPass) {
    PlanList plans;
    plans.Append(Power(L"08:30", L"关闭计算机", L"每天", L"禁用"));
    FixedClock clock(At(7, 8, 30));
    Recorder actions;
    Scheduler scheduler(plans, clock, actions);
    actions.onCountdown = [&] { scheduler.RunPass(); }; // as if the action let a timer tick in
    scheduler.RunPass();
    EXPECT_TRUE(actions.log.empty());
    plans.SetStatus(1, L"启用");
    clock.Set(At(7, 8, 30, 40));
    scheduler.RunPass();
    EXPECT_EQ(actions.log, std::vector<std::wstring>{L"power 关闭计算机"});
}

// A computer's clocks as the scheduler reads them: UTC and the local offset, a tick that runs through
// sleep and one that does not. Each step moves them the way a real event would.
class SimulatedClock final : public Clock {
public:
    // Local time `at` with the offset `offsetMinutes`.
    SimulatedClock(LocalDateTime at, int offsetMinutes) : offset_(offsetMinutes) {
        utcMs_ = ((MinuteNumber(at) - offsetMinutes) * 60 + at.second) * 1000;
    }
    LocalDateTime Now() const override { return Read().local; }
    ClockReading Read() const override {
        ClockReading r;
        const std::int64_t localMs = utcMs_ + std::int64_t{offset_} * 60000;
        r.local = LocalFromMinute(localMs / 60000);
        r.local.second = static_cast<int>(localMs / 1000 % 60);
        r.utcOffsetMinutes = offset_;
        r.utcMs = utcMs_;
        r.tickMs = tick_;
        r.awakeMs = awake_;
        return r;
    }
    void Awake(std::int64_t seconds) {
        utcMs_ += seconds * 1000;
        tick_ += static_cast<std::uint64_t>(seconds * 1000);
        awake_ += static_cast<std::uint64_t>(seconds * 1000);
    }
    void Asleep(std::int64_t seconds) {
        utcMs_ += seconds * 1000;
        tick_ += static_cast<std::uint64_t>(seconds * 1000);
    }
    void SetByHand(std::int64_t seconds) { utcMs_ += seconds * 1000; }
    void SetOffset(int minutes) { offset_ = minutes; }

private:
    std::int64_t utcMs_ = 0;
    int offset_ = 0;
    std::uint64_t tick_ = 1'000'000;
    std::uint64_t awake_ = 1'000'000;
};

struct FakeLastMinute final : LastMinuteStore {
    std::optional<std::int64_t> value;
    int saves = 0;
    std::optional<std::int64_t> Load() override { return value; }
    void Save(std::int64_t utcMinute) override {
        value = utcMinute;
        ++saves;
    }
};

// What happens before a pass.
enum class Event {
    None,
    Awake,               // `seconds` pass while awake
    Asleep,              // `seconds` pass asleep, and no notice comes
    ByHand,              // the clock is set `seconds` forward (or back) by hand
    AwakeNewOffset,      // `seconds` pass awake, then the UTC offset becomes `offset` (daylight saving)
    AwakeThenResume,     // `seconds` pass awake, then a resume notice comes (the scheduler never hears it)
    SuspendAsleepResume, // a suspend notice, `seconds` asleep, a resume notice (only the sleep counts)
    CancelThenAwake,     // the person cancels the open countdown, then `seconds` pass awake
};

struct Step {
    Event event;
    std::int64_t seconds;
    std::vector<std::wstring> actions; // what the event and the pass do, in order
    int offset = 0;
};

struct ClockCase {
    const char* what;
    std::vector<PlanRow> plans;
    LocalDateTime start;
    std::vector<Step> steps;
    std::size_t rowsLeft;
    std::optional<std::int64_t> storedUtcMinute = {}; // the last minute looked at by an earlier run
    bool parentLock = false;
    int offsetMinutes = 480; // China Standard Time
    std::size_t personFromStep = 0; // before this step nobody is at the computer after Kestrel's own wake
    bool events = false;            // the history's lines join the actions, as "event 事件|详情"
};

constexpr std::int64_t kHour = 3600;

void Apply(const Step& step, SimulatedClock& clock, Recorder& recorder) {
    switch (step.event) {
    case Event::None:
        break;
    case Event::Awake:
        clock.Awake(step.seconds);
        break;
    case Event::Asleep:
        clock.Asleep(step.seconds);
        break;
    case Event::ByHand:
        clock.SetByHand(step.seconds);
        break;
    case Event::AwakeNewOffset:
        clock.Awake(step.seconds);
        clock.SetOffset(step.offset);
        break;
    case Event::AwakeThenResume:
        clock.Awake(step.seconds);
        break;
    case Event::SuspendAsleepResume:
        clock.Asleep(step.seconds);
        break;
    case Event::CancelThenAwake:
        recorder.countdown.clear();
        clock.Awake(step.seconds);
        break;
    }
}

void RunClockCase(const ClockCase& c) {
    SCOPED_TRACE(c.what);
    PlanList plans;
    plans.AppendAll(c.plans);
    SimulatedClock clock(c.start, c.offsetMinutes);
    Recorder recorder;
    FakeLastMinute store;
    store.value = c.storedUtcMinute;
    struct Events final : EventSink {
        Recorder* recorder = nullptr;
        void Record(const std::wstring& event, const std::wstring& detail) override {
            recorder->log.push_back(L"event " + event + L"|" + detail);
        }
    } events;
    events.recorder = &recorder;
    SchedulerOptions options;
    options.lastMinute = &store;
    options.events = c.events ? &events : nullptr;
    options.parentLockActive = [&] {
        return c.parentLock;
    };
    std::size_t step = 0;
    options.noPersonYet = [&] {
        return step < c.personFromStep;
    };
    Scheduler scheduler(plans, clock, recorder, options);
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
        step = i;
        recorder.log.clear();
        Apply(c.steps[i], clock, recorder);
        scheduler.RunPass();
        EXPECT_EQ(recorder.log, c.steps[i].actions)
            << "pass " << i + 1 << " at " << ::testing::PrintToString(FormatClockTime(clock.Now()));
    }
    EXPECT_EQ(plans.Count(), c.rowsLeft);
}

TEST(SchedulerClock, LateTicksSleepClockChangesAndStartUps) {
    const ClockCase cases[] = {
        {"a tick 70 s late across the minute: the reminder shows late, the power plan still counts down",
         {Reminder(L"08:00", L"a"), Power(L"08:00", L"锁定计算机")},
         At(7, 7, 59, 55),
         {{Event::None, 0, {}}, {Event::Awake, 70, {L"remind a 文字提示 due 08:00:00", L"power 锁定计算机"}}},
         2},
        {"a tick 6 minutes late: a power plan that late is reported, never carried out",
         {Power(L"08:00", L"关闭计算机")},
         At(7, 7, 59, 55),
         {{Event::None, 0, {}},
          {Event::Awake, 6 * 60 + 10, {L"report 以下计划错过了时间，没有执行：\n08:00 关闭计算机"}}},
         1},
        {"the only pass of a minute in its last second: its reminder and program fire in the next pass",
         {Reminder(L"08:00", L"a"), RunPlan(L"08:00", L"x.exe")},
         At(7, 7, 59, 58),
         {{Event::None, 0, {}},
          {Event::Awake, 61, {}},
          {Event::Awake, 1, {L"remind a 文字提示 due 08:00:00", L"run x.exe 隐藏运行"}},
          {Event::Awake, 1, {}}},
         2},
        {"asleep from 22:00 to 07:00: two reminders, the program once, the shutdown reported, the once-only "
         "row gone",
         {Reminder(L"23:00", L"daily"), Reminder(L"01:00", L"once", L"执行一次"),
          RunPlan(L"03:00", L"backup.exe"), Power(L"23:30", L"关闭计算机"), Reminder(L"07:30", L"later")},
         At(7, 22, 0),
         {{Event::None, 0, {}},
          {Event::Asleep,
           9 * kHour,
           {L"remind daily 文字提示 due 23:00:00", L"remind once 文字提示 due 01:00:00",
            L"run backup.exe 隐藏运行", L"report 以下计划错过了时间，没有执行：\n12月7日 23:30 关闭计算机"}},
          {Event::Awake, 1, {}}},
         4},
        {"a resume notice without a sleep is no sleep: the power plan of a minute ago still counts down",
         {Power(L"08:00", L"关闭计算机")},
         At(7, 7, 59, 50),
         {{Event::None, 0, {}}, {Event::AwakeThenResume, 75, {L"power 关闭计算机"}}},
         1},
        {"the spring-forward night: 02:30 fires at 03:00, the power plan with its countdown",
         {Reminder(L"02:30", L"a"), Power(L"02:30", L"关闭计算机", L"执行一次")},
         At(7, 1, 59, 59),
         {{Event::None, 0, {}},
          {Event::AwakeNewOffset, 1, {L"remind a 文字提示", L"power 关闭计算机"}, 540},
          {Event::Awake, 1, {}}},
         1},
        {"the fall-back night: 02:30 fires once, nothing until the clock passes 02:59 again",
         {Reminder(L"02:30", L"a"), Reminder(L"02:59", L"b"), Power(L"02:45", L"锁定计算机")},
         At(7, 2, 30, 0),
         {{Event::None, 0, {}},
          {Event::Awake, 1, {L"remind a 文字提示"}},
          {Event::Awake, 15 * 60 - 1, {L"power 锁定计算机"}},
          {Event::Awake, 14 * 60, {}},
          {Event::Awake, 1, {L"remind b 文字提示"}},
          {Event::AwakeNewOffset, 59, {}, 420},
          {Event::Awake, 30 * 60, {}},
          {Event::Awake, 1, {}},
          {Event::Awake, 15 * 60, {}},
          {Event::Awake, 14 * 60, {}},
          {Event::Awake, 60, {}}},
         3},
        {"a second once-only power plan in a minute already used is reported and leaves",
         {Power(L"22:30", L"重启计算机"), Power(L"22:30", L"关闭计算机", L"执行一次")},
         At(7, 22, 30, 0),
         {{Event::None, 0, {L"power 重启计算机"}},
          {Event::Awake, 30, {}},
          {Event::Awake, 30, {L"report 以下计划错过了时间，没有执行：\n22:30 关闭计算机"}},
          {Event::Awake, 24 * kHour - 60, {L"power 重启计算机"}}},
         1},
        {"started 8 hours after the last minute looked at: missed plans handled as after sleep",
         {Reminder(L"01:00", L"a", L"执行一次"), Power(L"02:00", L"关闭计算机"),
          RunPlan(L"06:00", L"backup.exe"), Power(L"10:00", L"锁定计算机", L"执行一次")},
         At(8, 7, 0, 10),
         {{Event::None,
           0,
           {L"remind a 文字提示 due 01:00:00", L"run backup.exe 隐藏运行",
            L"report 以下计划错过了时间，没有执行：\n02:00 关闭计算机"}}},
         3,
         MinuteNumber(At(7, 23, 0)) - 480},
        {"started after three days: the last day is handled, the rest summed up in one line",
         {Reminder(L"12:00", L"a")},
         At(10, 9, 0, 0),
         {{Event::None,
           0,
           {L"remind a 文字提示 due 12:00:00",
            L"report 12月7日 09:01 至 12月9日 08:59 之间的计划均未执行。"}}},
         1,
         MinuteNumber(At(7, 9, 0)) - 480},
        {"the clock set back while not running: nothing fires until it passes the minute looked at",
         {Reminder(L"09:30", L"a")},
         At(8, 9, 29, 0),
         {{Event::None, 0, {}},
          {Event::Awake, 60, {}},
          {Event::Awake, 1, {}},
          {Event::Awake, 60, {}},
          {Event::Awake, 1, {}}},
         1,
         MinuteNumber(At(8, 10, 0)) - 480},
        {"the clock set forward two days and back one day by hand: nothing spurious, then on as usual",
         {Reminder(L"10:00", L"a"), Power(L"12:00", L"关闭计算机", L"执行一次")},
         At(7, 9, 0, 0),
         {{Event::None, 0, {}},
          {Event::ByHand, 48 * kHour, {}},
          {Event::ByHand, -24 * kHour, {}},
          {Event::Awake, kHour, {}},
          {Event::Awake, 1, {L"remind a 文字提示"}}},
         2},
        {"the clock set forward one hour by hand: reminders fire late, power plans are reported",
         {Reminder(L"09:30", L"a"), Power(L"09:40", L"关闭计算机", L"执行一次")},
         At(7, 9, 0, 0),
         {{Event::None, 0, {}},
          {Event::ByHand,
           kHour,
           {L"remind a 文字提示 due 09:30:00", L"report 以下计划错过了时间，没有执行：\n09:40 关闭计算机"}}},
         1},
        {"a countdown open at suspend is cancelled and the balloon says so on resume",
         {Power(L"22:30", L"关闭计算机")},
         At(7, 22, 30, 0),
         {{Event::None, 0, {L"power 关闭计算机"}},
          {Event::Awake, 5, {}},
          {Event::SuspendAsleepResume,
           kHour,
           {L"cancel 关闭计算机", L"report 电脑进入了睡眠，关闭计算机的倒计时已取消。"}}},
         1},
        {"the second resume notice of one wake leaves the countdown opened since alone",
         {Power(L"07:00", L"关闭计算机")},
         At(7, 22, 0, 0),
         {{Event::None, 0, {}},
          {Event::SuspendAsleepResume, 9 * kHour, {L"power 关闭计算机"}},
          {Event::AwakeThenResume, 2, {}}},
         1},
        {"a countdown still open after a sleep whose notice never came is cancelled on resume",
         {Power(L"22:30", L"关闭计算机")},
         At(7, 22, 30, 0),
         {{Event::None, 0, {L"power 关闭计算机"}},
          {Event::Asleep, 600, {L"cancel 关闭计算机", L"report 电脑进入了睡眠，关闭计算机的倒计时已取消。"}}},
         1},
        {"under the parent's lock the strongest of a minute counts down, an equal one never restarts it, "
         "and a countdown interrupted by sleep starts again on resume, keeping its place against a weaker one",
         {Power(L"22:30", L"注销计算机", L"执行一次"), Power(L"22:30", L"关闭计算机"),
          Power(L"22:31", L"关闭计算机", L"执行一次"), Power(L"22:32", L"锁定计算机", L"执行一次")},
         At(7, 22, 30, 0),
         {{Event::None, 0, {L"power 关闭计算机", L"report 22:30 注销计算机（已由更强的操作代替）"}},
          {Event::Awake, 60, {}},
          {Event::SuspendAsleepResume,
           90,
           {L"power 关闭计算机", L"report 22:32 锁定计算机（已由更强的操作代替）"}}},
         1,
         {},
         true},
        {"under the parent's lock the strongest power plan missed by less than an hour of sleep is carried "
         "out; a weaker one in time is replaced, an older one reported",
         {Power(L"22:30", L"关闭计算机"), Power(L"21:00", L"注销计算机"),
          Power(L"22:31", L"锁定计算机", L"执行一次")},
         At(7, 20, 0, 0),
         {{Event::None, 0, {}},
          {Event::Asleep,
           3 * kHour,
           {L"power 关闭计算机", L"report 以下计划错过了时间，没有执行：\n21:00 注销计算机"
                                 L"\n22:31 锁定计算机（已由更强的操作代替）"}}},
         2,
         {},
         true},
        {"under the lock, after Kestrel's own wake the countdown open at suspend closes and waits for a person",
         {Power(L"22:30", L"关闭计算机")},
         At(7, 22, 30, 0),
         {{Event::None, 0, {L"power 关闭计算机"}},
          {Event::SuspendAsleepResume, 20 * 60, {L"cancel 关闭计算机"}},
          {Event::Awake, 30, {L"power 关闭计算机"}}},
         1,
         {},
         true,
         480,
         2},
        {"under the lock, after Kestrel's own wake a missed shutdown's countdown waits for a person",
         {Power(L"22:30", L"关闭计算机")},
         At(7, 22, 0, 0),
         {{Event::None, 0, {}}, {Event::Asleep, 40 * 60, {}}, {Event::Awake, 30, {L"power 关闭计算机"}}},
         1,
         {},
         true,
         480,
         2},
        {"without the lock an awake gap of over 3 hours is a stall: a power plan 2 minutes late is reported",
         {Power(L"10:08", L"关闭计算机")},
         At(7, 7, 0, 0),
         {{Event::None, 0, {}},
          {Event::Awake, 3 * kHour + 10 * 60, {L"report 以下计划错过了时间，没有执行：\n10:08 关闭计算机"}}},
         1},
        {"not running for exactly 24 hours of minutes: all of them are gone through",
         {Reminder(L"09:00", L"a", L"一 ")},
         At(8, 9, 0, 10),
         {{Event::None, 0, {L"remind a 文字提示 due 09:00:00"}}},
         1,
         MinuteNumber(At(7, 8, 59)) - 480},
        {"not running for one minute more: that minute is summed up",
         {Reminder(L"09:00", L"a", L"一 ")},
         At(8, 9, 0, 10),
         {{Event::None,
           0,
           {L"remind a 文字提示 due 09:00:00",
            L"report 12月7日 08:59 至 12月7日 08:59 之间的计划均未执行。"}}},
         1,
         MinuteNumber(At(7, 8, 58)) - 480},
        {"without the lock a plan that comes due during a countdown replaces it, weaker or not",
         {Power(L"21:00", L"关闭计算机"), Power(L"21:01", L"锁定计算机", L"执行一次")},
         At(7, 21, 0, 0),
         {{Event::None, 0, {L"power 关闭计算机"}}, {Event::Awake, 60, {L"power 锁定计算机"}}},
         1},
        {"a new time zone 13 hours east: nothing skipped fires, and under the lock the balloon says so",
         {Reminder(L"07:00", L"a"), Power(L"23:00", L"关闭计算机")},
         At(7, 19, 59, 59),
         {{Event::None, 0, {}},
          {Event::AwakeNewOffset, 1, {L"report 时区已更改，本地时间由 12月7日 20:00 变为 09:00。"}, 480}},
         2,
         {},
         true,
         -300},
        {"a new time zone 13 hours west: nothing is held back until the old time comes round",
         {Reminder(L"21:05", L"a", L"执行一次")},
         At(8, 10, 4, 59),
         {{Event::None, 0, {}},
          {Event::AwakeNewOffset, 1, {}, -300},
          {Event::Awake, 1, {L"remind a 文字提示"}}},
         0},
        {"a once-only reminder that fired still uses its text: a daily one with it shows no second pop-up",
         {Reminder(L"08:00", L"x"), Reminder(L"08:00", L"x", L"执行一次"),
          Reminder(L"08:00", L"y", L"执行一次")},
         At(7, 8, 0, 0),
         {{Event::None, 0, {L"remind x 文字提示"}},
          {Event::Awake, 1, {L"remind y 文字提示"}},
          {Event::Awake, 1, {}},
          {Event::Awake, 60, {}}},
         1},
    };
    for (const ClockCase& c : cases) {
        RunClockCase(c);
    }
}

// Two power plans of 22:30 under the lock, the weaker listed first: the stronger is counted down.
ClockCase Outweighs(const char* what, const wchar_t* stronger, const wchar_t* weaker) {
    return {what,
            {Power(L"22:30", weaker), Power(L"22:30", stronger)},
            At(7, 22, 30, 0),
            {{Event::None,
              0,
              {std::wstring(L"power ") + stronger,
               std::wstring(L"report 22:30 ") + weaker + L"（已由更强的操作代替）"}}},
            2,
            {},
            true};
}

TEST(SchedulerClock, TheLocksOrderAndTheLimitsOfLatenessHoldingAndClockChanges) {
    const ClockCase cases[] = {
        Outweighs("under the lock shutting down outweighs restarting", L"关闭计算机", L"重启计算机"),
        Outweighs("restarting outweighs logging off", L"重启计算机", L"注销计算机"),
        Outweighs("logging off outweighs locking", L"注销计算机", L"锁定计算机"),
        {"under the lock, after Kestrel's own wake a missed lock plan waits for a person too",
         {Power(L"22:30", L"锁定计算机")},
         At(7, 22, 0, 0),
         {{Event::None, 0, {}}, {Event::Asleep, 40 * 60, {}}, {Event::Awake, 30, {L"power 锁定计算机"}}},
         1,
         {},
         true,
         480,
         2},
        {"under the lock the hour a held countdown waits counts from the first plan held, not the last",
         {Power(L"22:30", L"锁定计算机"), Power(L"23:10", L"关闭计算机")},
         At(7, 22, 0, 0),
         {{Event::None, 0, {}},
          {Event::Asleep, 40 * 60, {}},
          {Event::Asleep, 40 * 60, {}},
          {Event::Awake, 25 * 60, {}}},
         2,
         {},
         true,
         480,
         3},
        {"without the lock a power plan 300 s late still counts down",
         {Power(L"22:00", L"关闭计算机")},
         At(7, 21, 59, 59),
         {{Event::None, 0, {}}, {Event::Awake, 301, {L"power 关闭计算机"}}},
         1},
        {"301 s late it is missed",
         {Power(L"22:00", L"关闭计算机")},
         At(7, 21, 59, 59),
         {{Event::None, 0, {}},
          {Event::Awake, 302, {L"report 以下计划错过了时间，没有执行：\n22:00 关闭计算机"}}},
         1},
        {"under the lock a power plan missed in sleep by exactly an hour is missed",
         {Power(L"22:00", L"关闭计算机")},
         At(7, 21, 59, 59),
         {{Event::None, 0, {}},
          {Event::Asleep, 3601, {L"report 以下计划错过了时间，没有执行：\n22:00 关闭计算机"}}},
         1,
         {},
         true},
        {"under the lock of equal missed plans the later minute is counted down, whatever the list's order",
         {Power(L"22:20", L"注销计算机"), Power(L"22:10", L"注销计算机")},
         At(7, 22, 0, 0),
         {{Event::None, 0, {}},
          {Event::Asleep,
           30 * 60,
           {L"event 电脑睡眠|2026-12-07 22:00 至 2026-12-07 22:30",
            L"event 计划错过|2026-12-07 22:10 关机操作 注销计算机（已由相同的操作代替）",
            L"event 计划执行|2026-12-07 22:20 关机操作 注销计算机", L"power 注销计算机"}}},
         2,
         {},
         true,
         480,
         0,
         true},
        {"under the lock a weaker plan missed in sleep never replaces the countdown the sleep interrupted",
         {Power(L"22:30", L"重启计算机"), Power(L"22:40", L"锁定计算机")},
         At(7, 22, 30, 0),
         {{Event::None, 0, {L"power 重启计算机"}},
          {Event::Asleep, 20 * 60, {L"power 重启计算机", L"report 22:40 锁定计算机（已由更强的操作代替）"}}},
         2,
         {},
         true},
        {"under the lock a weaker missed plan never starts while a stronger one is due this minute",
         {Power(L"22:40", L"锁定计算机"), Power(L"22:50", L"关闭计算机")},
         At(7, 22, 30, 0),
         {{Event::None, 0, {}},
          {Event::Asleep, 20 * 60, {L"power 关闭计算机", L"report 22:40 锁定计算机（已由更强的操作代替）"}}},
         2,
         {},
         true},
        {"without the lock a late power plan never starts when the current minute has its own",
         {Power(L"22:00", L"关闭计算机"), Power(L"22:01", L"锁定计算机")},
         At(7, 21, 59, 59),
         {{Event::None, 0, {}},
          {Event::Awake,
           62,
           {L"power 锁定计算机", L"report 以下计划错过了时间，没有执行：\n22:00 关闭计算机"}}},
         2},
        {"under the lock two plans of one operation in one minute: one fired, the other replaced, once",
         {Power(L"22:30", L"关闭计算机"), Power(L"22:30", L"关闭计算机")},
         At(7, 22, 30, 0),
         {{Event::None,
           0,
           {L"event 计划执行|2026-12-07 22:30 关机操作 关闭计算机", L"power 关闭计算机",
            L"event 计划错过|2026-12-07 22:30 关机操作 关闭计算机（已由相同的操作代替）"}},
          {Event::Awake, 1, {}},
          {Event::Awake, 30, {}}},
         2,
         {},
         true,
         480,
         0,
         true},
        {"under the lock a countdown cancelled in its minute does not start again in that minute",
         {Power(L"22:30", L"关闭计算机")},
         At(7, 22, 30, 0),
         {{Event::None, 0, {L"power 关闭计算机"}}, {Event::CancelThenAwake, 5, {}}, {Event::Awake, 30, {}}},
         1,
         {},
         true},
        {"after a move 13 hours west a power plan at the new name of the minute that fired does not fire",
         {Power(L"22:30", L"关闭计算机"), Power(L"09:30", L"锁定计算机")},
         At(7, 22, 30, 0),
         {{Event::None, 0, {L"power 关闭计算机"}},
          {Event::AwakeNewOffset, 30, {}, -300},
          {Event::Awake, 60, {}}},
         2},
        {"the clock set back exactly 3 hours while not running: nothing until it passes the minute looked at",
         {Power(L"09:00", L"关闭计算机")},
         At(8, 9, 0, 10),
         {{Event::None, 0, {}}},
         1,
         MinuteNumber(At(8, 12, 0)) - 480},
        {"set back 3 hours and a minute: a correction, the plan of now fires",
         {Power(L"09:00", L"关闭计算机")},
         At(8, 9, 0, 10),
         {{Event::None, 0, {L"power 关闭计算机"}}},
         1,
         MinuteNumber(At(8, 12, 1)) - 480},
    };
    for (const ClockCase& c : cases) {
        RunClockCase(c);
    }
}

TEST(SchedulerClock, RecordsARunNotSeenAndThePlansOfIt) {
    struct Events final : EventSink {
        std::vector<std::wstring> lines;
        void Record(const std::wstring& event, const std::wstring& detail) override {
            lines.push_back(event + L"|" + detail);
        }
    } events;
    PlanList plans;
    plans.AppendAll({Reminder(L"08:00", L"a"), Power(L"08:30", L"关闭计算机")});
    SimulatedClock clock(At(7, 9, 0, 0), 480);
    FakeLastMinute store;
    store.value = MinuteNumber(At(7, 7, 50)) - 480;
    Recorder recorder;
    Scheduler scheduler(plans, clock, recorder, SchedulerOptions{&store, {}, &events});
    scheduler.RunPass();
    EXPECT_EQ(events.lines,
              (std::vector<std::wstring>{L"Kestrel 未运行|2026-12-07 07:50 至 2026-12-07 09:00",
                                         L"计划执行|2026-12-07 08:00 定时提醒 文字提示 a",
                                         L"计划错过|2026-12-07 08:30 关机操作 关闭计算机（未运行）"}));
}

TEST(SchedulerClock, TheLastMinuteLookedAtIsKeptOnceAMinuteAndARestartInItFiresNothingTwice) {
    PlanList plans;
    plans.Append(Power(L"22:30", L"关闭计算机"));
    SimulatedClock clock(At(7, 22, 29, 50), 480);
    FakeLastMinute store;
    Recorder first;
    {
        Scheduler scheduler(plans, clock, first, SchedulerOptions{&store, {}});
        for (int second = 0; second < 20; ++second) {
            scheduler.RunPass();
            clock.Awake(1);
        }
        EXPECT_EQ(first.log, std::vector<std::wstring>{L"power 关闭计算机"});
        EXPECT_EQ(store.saves, 2);
        scheduler.SaveLastMinute(); // the power operation ends the session at 22:30:10
        EXPECT_EQ(store.value, MinuteNumber(At(7, 22, 30)) - 480);
    }
    Recorder second;
    Scheduler restarted(plans, clock, second, SchedulerOptions{&store, {}});
    clock.Awake(20);
    restarted.RunPass();
    clock.Awake(40);
    restarted.RunPass();
    EXPECT_TRUE(second.log.empty()) << "a start-up in the same minute must not shut down again";
}

TEST(SchedulerZone, DaylightSavingIsOnlyTheOtherOffsetTheSameZoneDefines) {
    // The zone's name, whether Windows defines it, its standard and daylight offsets, the offset in force.
    using Zone = std::tuple<const wchar_t*, bool, int, int, int>;
    const auto reading = [](const Zone& zone) {
        ClockReading r;
        std::tie(r.zoneName, r.zoneDefined, r.zoneStandardOffsetMinutes, r.zoneDaylightOffsetMinutes,
                 r.utcOffsetMinutes) = zone;
        return r;
    };
    const wchar_t* kBerlin = L"W. Europe Standard Time";
    const struct {
        const char* what;
        Zone before;
        Zone after;
        bool daylightSaving;
    } rows[] = {
        {"into the zone's daylight time", {kBerlin, true, 60, 120, 60}, {kBerlin, true, 60, 120, 120}, true},
        {"back to its standard time", {kBerlin, true, 60, 120, 120}, {kBerlin, true, 60, 120, 60}, true},
        {"same name, an hour west it does not define", {kBerlin, true, 60, 120, 60}, {kBerlin, true, 60, 120, 0},
         false},
        {"same name, an hour east it does not define", {kBerlin, true, 60, 120, 120},
         {kBerlin, true, 60, 120, 180}, false},
        {"same name, 3 hours east", {kBerlin, true, 60, 120, 60}, {kBerlin, true, 60, 120, 240}, false},
        {"a new name an hour east, at an offset it defines", {kBerlin, true, 60, 120, 60},
         {L"GTB Standard Time", true, 120, 180, 120}, false},
        {"a new name an hour west", {kBerlin, true, 60, 120, 60}, {L"GMT Standard Time", true, 0, 60, 0}, false},
        {"a new name 14 hours east", {L"UTC", true, 0, 0, 0}, {L"Line Islands Standard Time", true, 840, 840, 840},
         false},
        {"no definition, same name, an hour: as before", {L"Kestrel Test Zone", false, 0, 0, 60},
         {L"Kestrel Test Zone", false, 0, 0, 120}, true},
        {"no definition, same name, 4 hours", {L"Kestrel Test Zone", false, 0, 0, 60},
         {L"Kestrel Test Zone", false, 0, 0, 300}, false},
        {"no definition of the new name, an hour", {kBerlin, true, 60, 120, 60},
         {L"Kestrel Test Zone", false, 0, 0, 120}, false},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(IsDaylightSavingChange(reading(row.before), reading(row.after)), row.daylightSaving) << row.what;
    }
}

TEST(SchedulerZone, AnHourUnderTheSameNameThatTheZoneDoesNotDefineIsAMove) {
    // China Standard Time knows no daylight saving: an hour east under its name is a new zone, so the
    // skipped hour's plans do not fire and under the lock the balloon names the move.
    struct Zoned final : Clock {
        SimulatedClock clock{At(7, 20, 59, 59), 480};
        LocalDateTime Now() const override { return clock.Now(); }
        ClockReading Read() const override {
            ClockReading r = clock.Read();
            r.zoneName = L"China Standard Time";
            r.zoneDefined = true;
            r.zoneStandardOffsetMinutes = r.zoneDaylightOffsetMinutes = 480;
            return r;
        }
    } zoned;
    struct Events final : EventSink {
        std::vector<std::wstring> lines;
        void Record(const std::wstring& event, const std::wstring& detail) override {
            lines.push_back(event + L"|" + detail);
        }
    } events;
    PlanList plans;
    plans.AppendAll({Reminder(L"21:30", L"a")});
    Recorder recorder;
    SchedulerOptions options;
    options.parentLockActive = [] { return true; };
    options.events = &events;
    Scheduler scheduler(plans, zoned, recorder, options);
    scheduler.RunPass();
    zoned.clock.Awake(1);
    zoned.clock.SetOffset(540);
    scheduler.RunPass();
    EXPECT_EQ(recorder.log, std::vector<std::wstring>{L"report 时区已更改，本地时间由 21:00 变为 22:00。"});
    EXPECT_EQ(events.lines.at(0), L"时间改变|2026-12-07 21:00 → 2026-12-07 22:00（时区）");
}

} // namespace
} // namespace kestrel
