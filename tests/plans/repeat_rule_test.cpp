#include "plans/repeat_rule.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrel {
namespace {

// The days a rule allows, as seven characters Sunday .. Saturday ('x' allowed, '.' not).
std::string AllowedDays(const std::wstring& rule) {
    std::string days;
    for (int weekday = 1; weekday <= 7; ++weekday) {
        days += RepeatMatchesWeekday(rule, weekday) ? 'x' : '.';
    }
    return days;
}

struct RuleCase {
    const wchar_t* rule;
    const char* days; // Sunday first
};

class RepeatRule : public ::testing::TestWithParam<RuleCase> {};

TEST_P(RepeatRule, AllowsExactlyItsWeekdays) {
    EXPECT_EQ(AllowedDays(GetParam().rule), GetParam().days)
        << "rule: [" << testing::PrintToString(std::wstring(GetParam().rule)) << "]";
}

INSTANTIATE_TEST_SUITE_P(
    Presets, RepeatRule,
    ::testing::Values(RuleCase{L"执行一次", "xxxxxxx"}, RuleCase{L"每天", "xxxxxxx"},
                      RuleCase{L"工作日（5天）", ".xxxxx."}, RuleCase{L"工作日（6天）", ".xxxxxx"},
                      RuleCase{L"周末（1天）", "x......"}, RuleCase{L"周末（2天）", "x.....x"},
                      // Half-width parentheses are no preset: a custom list without a space.
                      RuleCase{L"工作日(5天)", "......."}, RuleCase{L"周末(2天)", "......."},
                      // Presets compare exactly: no trimming.
                      RuleCase{L"每天 ", "......."}, RuleCase{L" 执行一次", "......."}));

INSTANTIATE_TEST_SUITE_P(CustomLists, RepeatRule,
                         ::testing::Values(RuleCase{L"一 三 五 ", ".x.x.x."}, RuleCase{L"天 ", "x......"},
                                           RuleCase{L"六 天 ", "x.....x"},
                                           RuleCase{L"一 二 三 四 五 六 天 ", "xxxxxxx"},
                                           // The piece after the last space is never considered.
                                           RuleCase{L"一 三 五", ".x.x..."}, RuleCase{L"天", "......."},
                                           // Digits name weekdays directly, Sunday = 1.
                                           RuleCase{L"1 7 ", "x.....x"}, RuleCase{L"03 ", "..x...."},
                                           // Consecutive spaces give empty pieces, which match nothing.
                                           RuleCase{L"一  三 ", ".x.x..."}, RuleCase{L"  ", "......."}));

INSTANTIATE_TEST_SUITE_P(DamagedCells, RepeatRule,
                         ::testing::Values(RuleCase{L"", "......."}, RuleCase{L"???", "......."},
                                           RuleCase{L"??? ", "......."}, RuleCase{L"星期一 ", "......."},
                                           RuleCase{L"0 8 -2 ", "......."},
                                           RuleCase{L"99999999999999999999 ", "......."},
                                           RuleCase{L"2x 一x ", "......."}, RuleCase{L"- + ", "......."},
                                           RuleCase{L"一 ??? 五 ", ".x...x."}));

TEST(RepeatRuleToday, ReadsTheWeekdayFromTheClock) {
    FixedClock clock(LocalDateTime{2026, 12, 6, 22, 30, 0, 0}); // a Sunday
    EXPECT_TRUE(RepeatMatchesToday(L"周末（1天）", clock));
    EXPECT_FALSE(RepeatMatchesToday(L"工作日（6天）", clock));
    clock.Set(LocalDateTime{2026, 12, 12, 22, 30, 0, 6}); // a Saturday
    EXPECT_TRUE(RepeatMatchesToday(L"工作日（6天）", clock));
    EXPECT_TRUE(RepeatMatchesToday(L"六 ", clock));
    EXPECT_FALSE(RepeatMatchesToday(L"周末（1天）", clock));
}

} // namespace
} // namespace kestrel
