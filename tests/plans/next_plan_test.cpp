// The next plan in the tray tip and on the main window: which plan comes first, around midnight and the
// week's end, and how its line reads and is shortened.
#include "plans/next_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrel {
namespace {

// 2026-12-07 was a Monday; 12-12 a Saturday, 12-13 a Sunday.
LocalDateTime At(int day, int hour, int minute, int second = 0) {
    return LocalDateTime{2026, 12, day, hour, minute, second, (day - 6) % 7};
}

PlanRow Plan(const wchar_t* kind, const wchar_t* time, const wchar_t* operation, const wchar_t* repeat,
             const wchar_t* info, const wchar_t* status = L"启用") {
    return MakePlanRow(kind, time, operation, status, repeat, info);
}
PlanRow Power(const wchar_t* time, const wchar_t* repeat, const wchar_t* op = L"关闭计算机") {
    return Plan(L"关机操作", time, op, repeat, L"到时间对计算机进行指令操作。");
}

TEST(NextPlan, WhichPlanComesFirstAndHowItsLineReads) {
    struct Case {
        const char* what;
        std::vector<PlanRow> plans;
        LocalDateTime now;
        std::wstring line;
        std::size_t room = 200;
    };
    // A character of two UTF-16 units, as Windows keeps it, whatever the size of wchar_t here.
    const std::wstring pair{L'a', L'b', static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE00), L'c'};
    const Case cases[] = {
        {"no plans", {}, At(7, 12, 0), L""},
        {"a once-only plan later today",
         {Power(L"23:00", L"执行一次")},
         At(7, 22, 59, 59),
         L"下一个计划：今天 23:00 关闭计算机"},
        {"the plan of the current minute comes again tomorrow",
         {Power(L"23:00", L"每天", L"锁定计算机")},
         At(7, 23, 0, 30),
         L"下一个计划：明天 23:00 锁定计算机"},
        {"past midnight the earliest wins, whatever the list order",
         {Power(L"23:59", L"每天"), Plan(L"定时提醒", L"00:01", L"文字提示", L"每天", L"喝水")},
         At(7, 23, 58),
         L"下一个计划：今天 23:59 关闭计算机"},
        {"just before midnight, tomorrow's reminder",
         {Plan(L"定时提醒", L"07:30", L"文字提示", L"每天", L"喝水")},
         At(7, 23, 59, 59),
         L"下一个计划：明天 07:30 定时提醒：喝水"},
        {"workdays on a Friday evening: next Monday, by its date",
         {Plan(L"定时运行", L"08:00", L"正常运行", L"工作日（5天）", L"\"C:\\Tools\\backup.exe\" /full")},
         At(11, 20, 0),
         L"下一个计划：12月14日 08:00 定时运行：backup.exe"},
        {"a custom Saturday plan seen on Saturday after its time: a week later",
         {Plan(L"定时运行", L"08:00", L"正常运行", L"六 ", L"D:\\backup.exe")},
         At(12, 9, 0),
         L"下一个计划：12月19日 08:00 定时运行：backup.exe"},
        {"an unquoted program with blanks in its path and paths among its arguments",
         {Plan(L"定时运行", L"08:00", L"正常运行", L"每天",
               L"C:\\Program Files\\Sync\\rsync.EXE C:\\Data D:\\Copy")},
         At(7, 7, 0),
         L"下一个计划：今天 08:00 定时运行：rsync.EXE"},
        {"the week's end: Sunday's plan on Saturday night is tomorrow",
         {Power(L"08:00", L"周末（1天）", L"重启计算机")},
         At(12, 23, 0),
         L"下一个计划：明天 08:00 重启计算机"},
        {"disabled, damaged and never-firing plans are skipped",
         {Plan(L"关机操作", L"08:00", L"关闭计算机", L"每天", L"", L"禁用"),
          Plan(L"???", L"08:00", L"x", L"每天", L""), Power(L"8:00", L"每天"), Power(L"08:00", L"自定义"),
          Power(L"08:00", L""), Plan(L"定时提醒", L"09:00", L"文字提示", L"每天", L"a\r\nb")},
         At(7, 7, 0),
         L"下一个计划：今天 09:00 定时提醒：a  b"},
        {"two plans of one minute: the first in the list",
         {Plan(L"定时提醒", L"09:00", L"文字提示", L"每天", L"first"), Power(L"09:00", L"每天")},
         At(7, 7, 0),
         L"下一个计划：今天 09:00 定时提醒：first"},
        {"a run plan whose path ends in a separator",
         {Plan(L"定时运行", L"08:00", L"正常运行", L"每天", L"D:\\Backup\\")},
         At(7, 7, 0),
         L"下一个计划：今天 08:00 定时运行：Backup"},
        {"a cut never splits a character of two units",
         {Plan(L"定时提醒", L"09:00", L"文字提示", L"每天", pair.c_str())},
         At(7, 7, 0),
         L"下一个计划：今天 09:00 定时提醒：ab…",
         24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(NextPlanLine(c.plans, c.now, c.room), c.line);
    }
}

TEST(NextPlan, WhichPlanOfAMinuteIsNamedWithAndWithoutTheLock) {
    const PlanRow reminder = Plan(L"定时提醒", L"09:00", L"文字提示", L"每天", L"喝水");
    const PlanRow run = Plan(L"定时运行", L"09:00", L"正常运行", L"每天", L"x.exe");
    struct Case {
        const char* what;
        std::vector<PlanRow> plans;
        bool strongestWins;
        std::size_t named; // 1-based row
    };
    const Case cases[] = {
        {"under the lock the strongest power plan of the minute",
         {Power(L"09:00", L"每天", L"锁定计算机"), Power(L"09:00", L"每天", L"重启计算机"),
          Power(L"09:00", L"每天", L"注销计算机"), Power(L"09:00", L"每天", L"重启计算机")},
         true,
         2},
        {"without the lock the first in the list",
         {Power(L"09:00", L"每天", L"锁定计算机"), Power(L"09:00", L"每天", L"重启计算机")},
         false,
         1},
        {"under the lock a reminder listed first keeps the line",
         {reminder, Power(L"09:00", L"每天")},
         true,
         1},
        {"under the lock a run plan listed first keeps the line", {run, Power(L"09:00", L"每天")}, true, 1},
        {"under the lock a later power plan outweighs only a power plan, not a reminder after it",
         {Power(L"09:00", L"每天", L"锁定计算机"), reminder, Power(L"09:00", L"每天")},
         true,
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<NextPlan> next = FindNextPlan(c.plans, At(7, 8, 0), c.strongestWins);
        ASSERT_TRUE(next.has_value());
        EXPECT_EQ(next->index, c.named);
    }
}

TEST(NextPlan, ANarrowLineGivesWayHeadFirstThenTheDayTheKindAndLastTheText) {
    NextPlanText quiet = NextPlanParts({Power(L"21:00", L"每天")}, At(7, 20, 0));
    quiet.fixed = L"禁止使用时段";
    quiet.text = L"关闭计算机";
    NextPlanText marked = NextPlanParts({Plan(L"定时提醒", L"07:30", L"文字提示", L"四 ", L"多喝一杯水")}, At(7, 9, 0));
    marked.mark = L"（到时唤醒）";
    const struct {
        const char* what;
        NextPlanText line;
        std::size_t room; // in characters, as a stand-in for the label's width
        std::wstring cut;
    } rows[] = {
        {"whole when it fits", marked, 35, L"下一个计划：12月10日 07:30 定时提醒：多喝一杯水（到时唤醒）"},
        {"the head goes first", marked, 34, L"12月10日 07:30 定时提醒：多喝一杯水（到时唤醒）"},
        {"then the date becomes its weekday", marked, 28, L"周四 07:30 定时提醒：多喝一杯水（到时唤醒）"},
        {"then the kind", marked, 24, L"周四 07:30 多喝一杯水（到时唤醒）"},
        {"last the text, the mark kept", marked, 18, L"周四 07:30 多喝…（到时唤醒）"},
        {"the time never goes", marked, 3, L"周四 07:30 …（到时唤醒）"},
        {"a week ahead the date stays a date",
         NextPlanParts({Plan(L"定时运行", L"08:00", L"正常运行", L"一 ", L"D:\\backup.exe")}, At(7, 9, 0)), 19,
         L"12/14 08:00 backup…"},
        {"today stays today, a power plan's operation is never cut", NextPlanParts({Power(L"23:00", L"每天")}, At(7, 9, 0)),
         5, L"今天 23:00 关闭计算机"},
        {"a quiet window keeps its name, its operation gives way", quiet, 19, L"今天 21:00 禁止使用时段 关闭…"},
    };
    for (const auto& row : rows) {
        const auto fits = [&](const std::wstring& line) { return line.size() <= row.room; };
        EXPECT_EQ(CutNextPlanLine(row.line, fits), row.cut) << row.what;
    }
}

TEST(NextPlan, TheTrayTipHoldsKestrelAndTheLineWithinItsLength) {
    EXPECT_EQ(TrayTipText({}, At(7, 12, 0)), L"Kestrel");
    const std::vector<PlanRow> plans{
        Plan(L"定时提醒", L"13:00", L"文字提示", L"每天", std::wstring(300, L'长').c_str())};
    const std::wstring tip = TrayTipText(plans, At(7, 12, 0));
    EXPECT_EQ(tip.size(), kTrayTipLength);
    EXPECT_EQ(tip.substr(0, 30), L"Kestrel\n下一个计划：今天 13:00 定时提醒：长长");
    EXPECT_EQ(tip.back(), L'…');
}

} // namespace
} // namespace kestrel
