#include "base/clock_text.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

TEST(ClockText, SingleDigitsGetLeadingZeros) {
    const LocalDateTime when{2026, 1, 2, 9, 5, 3, 5};
    EXPECT_EQ(FormatChineseDate(when), L"2026年01月02日");
    EXPECT_EQ(FormatClockTime(when), L"09:05:03");
    EXPECT_EQ(FormatHourMinute(when), L"09:05");
    EXPECT_EQ(FormatChineseDate({2024, 3, 5, 0, 0, 0, 2}), L"2024年03月05日");
    EXPECT_EQ(FormatChineseDate({987, 12, 31, 0, 0, 0, 0}), L"0987年12月31日");
}

TEST(ClockText, MinuteNumbersCountDaysAcrossAYearsEndAndFebruary) {
    // Year, month, day, days since 1970-01-01 and weekday (0 = Sunday).
    const int days[][5] = {{2026, 12, 31, 20818, 4}, {2027, 1, 1, 20819, 5}, {2027, 2, 28, 20877, 0},
                           {2028, 2, 29, 21243, 2},  {2028, 3, 1, 21244, 3}, {2100, 2, 28, 47540, 0},
                           {2100, 3, 1, 47541, 1}};
    for (const auto& [year, month, day, sinceEpoch, weekday] : days) {
        SCOPED_TRACE(FormatChineseDate({year, month, day}));
        EXPECT_EQ(DaysFromCivil(year, month, day), sinceEpoch);
        const LocalDateTime first = LocalFromMinute(std::int64_t{sinceEpoch} * 1440);
        EXPECT_EQ(FormatChineseDate(first), FormatChineseDate({year, month, day}));
        EXPECT_EQ(first.dayOfWeek, weekday);
    }
}

TEST(ClockText, ClockLineModes) {
    const FixedClock clock({2026, 12, 6, 14, 5, 9, 0});
    EXPECT_EQ(CurrentTimeText(clock), L"14:05:09");
    EXPECT_EQ(ClockLineText(clock, 0), L"当前时间：14:05:09 当前日期：2026年12月06日");
    EXPECT_EQ(ClockLineText(clock, 1), L"提醒时间：14:05:09 提醒日期：2026年12月06日");
    EXPECT_FALSE(ClockLineText(clock, 2).has_value());
    EXPECT_FALSE(ClockLineText(clock, -1).has_value());
}

TEST(ClockText, TimeFieldDropsSecondsAndOnlyMode1Fills) {
    const FixedClock endOfDay({2026, 12, 6, 23, 59, 59, 0});
    EXPECT_EQ(CurrentTimeFieldText(endOfDay, 1), L"23:59");
    const FixedClock midnight({2026, 12, 7, 0, 0, 0, 1});
    EXPECT_EQ(CurrentTimeFieldText(midnight, 1), L"00:00");
    EXPECT_FALSE(CurrentTimeFieldText(midnight, 0).has_value());
    EXPECT_FALSE(CurrentTimeFieldText(midnight, 2).has_value());
}

} // namespace
} // namespace kestrel
