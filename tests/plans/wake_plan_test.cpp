// Waking for plans: when the wake timer is due, and which resumes are Kestrel's own wake.
#include "plans/wake_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrel {
namespace {

// 2026-12-07 was a Monday; 12-11 a Friday.
LocalDateTime At(int day, int hour, int minute, int second = 0) {
    return LocalDateTime{2026, 12, day, hour, minute, second, (day - 6) % 7};
}

PlanRow Plan(const wchar_t* kind, const wchar_t* time, const wchar_t* repeat = L"每天",
             const wchar_t* status = L"启用") {
    return MakePlanRow(kind, time, L"文字提示", status, repeat, L"喝水");
}

TEST(WakePlan, TheTimerIsDueTwentySecondsBeforeTheNextReminderOrRunPlan) {
    const wchar_t *reminder = L"定时提醒", *run = L"定时运行", *power = L"关机操作";
    struct Case {
        const char* what;
        std::vector<PlanRow> plans;
        LocalDateTime now;
        std::size_t index; // 0: no timer
        LocalDateTime due;
    };
    const Case cases[] = {
        {"a reminder later today", {Plan(reminder, L"07:00")}, At(7, 6, 0), 1, At(7, 6, 59, 40)},
        {"no plans", {}, At(7, 6, 0), 0, {}},
        {"a nearer power plan is passed over",
         {Plan(power, L"06:30"), Plan(run, L"07:00", L"执行一次")},
         At(7, 6, 0),
         2,
         At(7, 6, 59, 40)},
        {"power plans and a disabled reminder only",
         {Plan(power, L"06:30"), Plan(reminder, L"06:40", L"每天", L"禁用")},
         At(7, 6, 0),
         0,
         {}},
        {"after midnight: due the evening before", {Plan(run, L"00:00")}, At(7, 23, 0), 1, At(7, 23, 59, 40)},
        {"the plan of the current minute: tomorrow's",
         {Plan(reminder, L"07:00")},
         At(7, 7, 0, 1),
         1,
         At(8, 6, 59, 40)},
        {"workdays on a Friday evening: Monday",
         {Plan(reminder, L"03:00", L"工作日（5天）")},
         At(11, 20, 0),
         1,
         At(14, 2, 59, 40)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<WakeTarget> target = WakeTimerTarget(true, c.plans, c.now);
        ASSERT_EQ(target.has_value(), c.index != 0);
        if (target) {
            EXPECT_EQ(target->index, c.index);
            EXPECT_EQ(target->dueSecond, SecondNumber(c.due));
        }
    }
    EXPECT_FALSE(WakeTimerTarget(false, {Plan(reminder, L"07:00")}, At(7, 6, 0))) << "waking switched off";
}

TEST(WakePlan, OnlyAnAutomaticResumeSoonAfterTheTimerAndBeforeAnyoneCameIsKestrelsOwnWake) {
    // The timer stands for 07:00 and is due at 06:59:40; the computer goes to sleep at 23:00.
    const WakeTarget target{1, MinuteNumber(At(8, 7, 0)), SecondNumber(At(8, 6, 59, 40))};
    struct Case {
        const char* what;
        bool timerSet;
        std::vector<std::string> notices; // in order: "auto HH:MM:SS", "person", "sleep"
        bool own;                         // woken for 07:00
        bool awaitingPerson;
    };
    const Case cases[] = {
        {"the timer's resume", true, {"auto 06:59:41"}, true, true},
        {"a resume in the very second the timer was due", true, {"auto 06:59:40"}, true, true},
        {"a minute after it was due", true, {"auto 07:00:40"}, true, true},
        {"too late to be the timer's", true, {"auto 07:00:41"}, false, false},
        {"before the timer was due", true, {"auto 06:59:39"}, false, false},
        {"no timer set", false, {"auto 06:59:41"}, false, false},
        {"someone came after the timer's resume", true, {"auto 06:59:41", "person"}, true, false},
        {"someone woke it, then the resume notice", true, {"person", "auto 06:59:45"}, false, false},
        {"the next sleep ends what it was for", true, {"auto 06:59:41", "sleep"}, false, false},
        {"a person seen before an earlier sleep does not make the next timer's wake a person's",
         true,
         {"auto 06:59:41", "person", "sleep", "auto 06:59:50"},
         true,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        OwnWake wake;
        wake.TimerSet(c.timerSet ? std::optional<WakeTarget>(target) : std::nullopt);
        wake.Suspending();
        for (const std::string& notice : c.notices) {
            if (notice == "person") {
                wake.PersonSeen();
            } else if (notice == "sleep") {
                wake.Suspending();
            } else {
                const int h = std::stoi(notice.substr(5, 2)), m = std::stoi(notice.substr(8, 2));
                wake.ResumedAutomatically(SecondNumber(At(8, h, m, std::stoi(notice.substr(11, 2)))));
            }
        }
        EXPECT_EQ(wake.WokeFor(target.minute), c.own);
        EXPECT_EQ(wake.AwaitingPerson(), c.awaitingPerson);
    }
}

} // namespace
} // namespace kestrel
