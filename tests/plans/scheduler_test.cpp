// The scheduler over simulated time: each case is a plan list and a series of passes, each pass at a given
// moment with the actions it must take. Together they walk every rule of a pass: power plans in the first
// pass of their minute and one per minute, reminders and programs from the second pass, each text once per
// minute, once-only plans removed with the pass ending, and a new day being a new minute.
#include "plans/scheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrel {
namespace {

struct Recorder final : PlanActions {
    std::vector<std::wstring> log;
    void StartPowerCountdown(const std::wstring& operation) override { log.push_back(L"power " + operation); }
    void ShowReminder(const std::wstring& message, const std::wstring& kind) override {
        log.push_back(L"remind " + message + L" " + kind);
    }
    void StartProgram(const std::wstring& program, const std::wstring& runMode) override {
        log.push_back(L"run " + program + L" " + runMode);
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
    struct Reentering final : PlanActions {
        Scheduler* scheduler = nullptr;
        int powers = 0;
        void StartPowerCountdown(const std::wstring&) override {
            ++powers;
            scheduler->RunPass(); // as if the action let a timer tick in
        }
        void ShowReminder(const std::wstring&, const std::wstring&) override {}
        void StartProgram(const std::wstring&, const std::wstring&) override {}
    } actions;
    Scheduler scheduler(plans, clock, actions);
    actions.scheduler = &scheduler;
    scheduler.RunPass();
    EXPECT_EQ(actions.powers, 0);
    plans.SetStatus(1, L"启用");
    clock.Set(At(7, 8, 30, 40));
    scheduler.RunPass();
    EXPECT_EQ(actions.powers, 1);
}

} // namespace
} // namespace kestrel
