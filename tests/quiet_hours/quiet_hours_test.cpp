// Quiet hours' windows: which ones a moment is inside, when they end and when the next one starts, and
// how the stored value is read.
#include "quiet_hours/quiet_hours.h"

#include "platform/clock.h"
#include "platform/registry_value_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrel {
namespace {

// 2026-12-07 was a Monday, 12-11 a Friday, 12-13 a Sunday.
std::int64_t At(int month, int day, int hour, int minute) {
    return MinuteNumber(LocalDateTime{2026, month, day, hour, minute});
}

std::vector<QuietWindow> Windows(const std::vector<std::wstring>& lines) {
    std::vector<QuietWindow> windows;
    for (const std::wstring& line : lines) {
        windows.push_back(ParseQuietWindowLine(line).value());
    }
    return windows;
}

// A multi-string value's bytes, UTF-16LE as the registry holds it.
std::vector<std::uint8_t> MultiString(const std::vector<std::wstring>& lines) {
    std::vector<std::uint8_t> bytes;
    const auto unit = [&](wchar_t c) {
        bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>((c >> 8) & 0xFF));
    };
    for (const std::wstring& line : lines) {
        for (const wchar_t c : line) {
            unit(c);
        }
        unit(L'\0');
    }
    unit(L'\0');
    return bytes;
}

const std::vector<std::wstring> kWeek = {
    L"1111001 21:00 07:00 关闭计算机", // school nights: Sunday to Thursday
    L"0000110 22:30 08:00 注销计算机", // Friday and Saturday nights
    L"1000000 06:30 06:45 锁定计算机", // Monday morning, inside Sunday's night
};

TEST(QuietHours, WhichWindowsAMomentIsInsideWhenTheyEndAndWhenTheNextStarts) {
    struct Case {
        const char* what;
        std::vector<std::wstring> windows;
        std::int64_t moment;
        std::vector<QuietOccurrence> inside;
        std::optional<QuietOccurrence> next;
    };
    const Case cases[] = {
        {"the minute before the start",
         kWeek,
         At(12, 7, 20, 59),
         {},
         QuietOccurrence{0, At(12, 7, 21, 0), At(12, 8, 7, 0)}},
        {"the start minute is inside",
         kWeek,
         At(12, 7, 21, 0),
         {{0, At(12, 7, 21, 0), At(12, 8, 7, 0)}},
         QuietOccurrence{0, At(12, 8, 21, 0), At(12, 9, 7, 0)}},
        {"past midnight, the last minute",
         kWeek,
         At(12, 8, 6, 59),
         {{0, At(12, 7, 21, 0), At(12, 8, 7, 0)}},
         QuietOccurrence{0, At(12, 8, 21, 0), At(12, 9, 7, 0)}},
        {"the end minute is not",
         kWeek,
         At(12, 8, 7, 0),
         {},
         QuietOccurrence{0, At(12, 8, 21, 0), At(12, 9, 7, 0)}},
        {"Friday is no school night: the weekend window is next",
         kWeek,
         At(12, 11, 21, 30),
         {},
         QuietOccurrence{1, At(12, 11, 22, 30), At(12, 12, 8, 0)}},
        {"Saturday morning after Friday's start",
         kWeek,
         At(12, 12, 7, 59),
         {{1, At(12, 11, 22, 30), At(12, 12, 8, 0)}},
         QuietOccurrence{1, At(12, 12, 22, 30), At(12, 13, 8, 0)}},
        {"Sunday to Monday",
         kWeek,
         At(12, 14, 0, 30),
         {{0, At(12, 13, 21, 0), At(12, 14, 7, 0)}},
         QuietOccurrence{2, At(12, 14, 6, 30), At(12, 14, 6, 45)}},
        {"overlapping windows, in the list's order",
         kWeek,
         At(12, 14, 6, 40),
         {{0, At(12, 13, 21, 0), At(12, 14, 7, 0)}, {2, At(12, 14, 6, 30), At(12, 14, 6, 45)}},
         QuietOccurrence{0, At(12, 14, 21, 0), At(12, 15, 7, 0)}},
        {"started on a weekday it does not start on: not inside",
         {L"0000001 21:00 07:00 锁定计算机"},
         At(12, 8, 1, 0),
         {},
         QuietOccurrence{0, At(12, 13, 21, 0), At(12, 14, 7, 0)}},
        {"a window only on today's weekday, after its end: a week later",
         {L"1000000 08:00 09:00 锁定计算机"},
         At(12, 7, 9, 0),
         {},
         QuietOccurrence{0, At(12, 14, 8, 0), At(12, 14, 9, 0)}},
        // The clock jumps from 01:59 to 03:00 on 2026-03-29 (a Sunday) in Europe: wall-clock minutes hold.
        {"spring forward: a window starting in the skipped hour is inside after it",
         {L"0000001 02:30 04:00 锁定计算机", L"0000001 02:00 02:30 关闭计算机"},
         At(3, 29, 3, 0),
         {{0, At(3, 29, 2, 30), At(3, 29, 4, 0)}},
         QuietOccurrence{1, At(4, 5, 2, 0), At(4, 5, 2, 30)}},
        {"no windows", {}, At(12, 7, 12, 0), {}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<QuietWindow> windows = Windows(c.windows);
        const QuietOccurrences inside = OccurrencesAt(windows, c.moment);
        EXPECT_EQ(std::vector<QuietOccurrence>(inside.begin(), inside.end()), c.inside);
        EXPECT_EQ(NextQuietStart(windows, c.moment), c.next);
    }
}

TEST(QuietHours, TheStoredValueIsReadLineByLineAndAWrongOneIsNoQuietHours) {
    const std::wstring good = L"1111001 21:00 07:00 关闭计算机";
    const std::wstring weekend = L"0000110 22:30 08:00 注销计算机";
    struct Case {
        const char* what;
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
        std::vector<std::wstring> windows; // as written back
        bool damaged;
    };
    const Case cases[] = {
        {"good lines", regtype::kMultiSz, MultiString({good, weekend}), {good, weekend}, false},
        {"empty", regtype::kMultiSz, MultiString({}), {}, false},
        {"damaged lines are left out",
         regtype::kMultiSz,
         MultiString({L"1111001 21:00 21:00 关闭计算机", L"1111001 21:00 07:00 重启计算机", good,
                      L"0000000 21:00 07:00 关闭计算机", L"1111001 24:00 07:00 关闭计算机",
                      L"1111001  21:00 07:00 关闭计算机", L"1111001 21:00 07:00 关闭计算机 ",
                      L"111100 21:00 07:00 关闭计算机", L"1111021 21:00 07:00 关闭计算机",
                      L"1111001 21:0007:00 关闭计算机", L"1111001 21:00x07:00 关闭计算机", weekend}),
         {good, weekend},
         true},
        {"a 21st line", regtype::kMultiSz, MultiString(std::vector<std::wstring>(21, good)),
         std::vector<std::wstring>(20, good), true},
        {"over 64 KiB", regtype::kMultiSz, MultiString(std::vector<std::wstring>(1300, good)), {}, true},
        {"another type", regtype::kSz, MultiString({good}), {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QuietHoursRead read = ReadQuietHours(c.type, c.bytes);
        EXPECT_EQ(QuietHoursLines(read.windows), c.windows);
        EXPECT_EQ(read.damaged, c.damaged);
    }
}

} // namespace
} // namespace kestrel
