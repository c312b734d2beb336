#include "actions/snooze.h"

#include "base/texts.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

TEST(Snooze, DueFiveWholeMinutesLaterWrappingPastMidnight) {
    struct Case {
        int hour, minute, second;
        const wchar_t* due;
    };
    for (const Case& c : {Case{10, 0, 50, L"10:05"}, Case{10, 0, 0, L"10:05"}, Case{9, 55, 59, L"10:00"},
                          Case{23, 58, 0, L"00:03"}, Case{23, 55, 30, L"00:00"}, Case{23, 59, 59, L"00:04"},
                          Case{0, 0, 0, L"00:05"}, Case{12, 34, 59, L"12:39"}}) {
        SCOPED_TRACE(c.due);
        const PlanRow row = SnoozedReminder({2026, 12, 31, c.hour, c.minute, c.second, 4}, L"开会");
        EXPECT_EQ(row, MakePlanRow(text::kKindReminder, c.due, text::kOpTextMessage, text::kStatusEnabled,
                                   text::kRepeatOnce, L"开会"));
    }
}

TEST(Snooze, MessageLosesOnlyOuterAsciiBlanks) {
    struct Case {
        const wchar_t* message;
        const wchar_t* kept;
    };
    for (const Case& c :
         {Case{L"    开会", L"开会"}, Case{L"  喝水 休息  ", L"喝水 休息"},
          Case{L"\t带上钥匙\r\n", L"带上钥匙"}, Case{L"   ", L""}, Case{L"", L""},
          Case{L"\u3000\u3000会议\u3000", L"\u3000\u3000会议\u3000"}, Case{L" a  b ", L"a  b"}}) {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.message)));
        EXPECT_EQ(SnoozedReminder({2026, 1, 1, 8, 0, 0, 4}, c.message)[PlanColumn::Info], c.kept);
    }
}

} // namespace
} // namespace kestrel
