// The rules of the "##:##" field without a window: every edit from a known text and selection, with the
// text and the caret it leaves.
#include "editors/time_mask.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

enum class Edit { Type, Backspace, Delete, Paste, Assign };

TEST(TimeMask, EachEditLeavesTheMaskedTextAndTheCaret) {
    const struct {
        const wchar_t* before;
        std::size_t start, end;
        Edit edit;
        const wchar_t* input;
        const wchar_t* after;
        std::size_t caret; // also the result of Paste: 1 taken, 0 refused; ignored for Assign
    } cases[] = {
        {L"  :  ", 0, 0, Edit::Type, L"0", L"0 :  ", 1},
        {L"0 :  ", 1, 1, Edit::Type, L"9", L"09:  ", 3}, // the caret jumps the colon
        {L"09:  ", 2, 2, Edit::Type, L"3", L"09:3 ", 4}, // typed at the colon: goes after it
        {L"09:30", 4, 4, Edit::Type, L"5", L"09:35", 5},
        {L"09:30", 5, 5, Edit::Type, L"5", L"09:30", 5},     // full: nothing more
        {L"09:30", 9, 9, Edit::Type, L"5", L"09:30", 5},     // a caret past the end counts as the end
        {L"09:30", 1, 1, Edit::Type, L"x", L"09:30", 1},     // not a digit
        {L"09:30", 0, 5, Edit::Type, L"1", L"1 :  ", 1},     // the selection goes first
        {L"09:30", 3, 3, Edit::Backspace, L"", L"0 :30", 1}, // over the colon to the hour
        {L"09:30", 0, 0, Edit::Backspace, L"", L"09:30", 0},
        {L"09:30", 1, 4, Edit::Backspace, L"", L"0 : 0", 1},
        {L"09:30", 1, 1, Edit::Delete, L"", L"0 :30", 3},
        {L"09:30", 2, 2, Edit::Delete, L"", L"09: 0", 4},
        {L"09:30", 4, 4, Edit::Delete, L"", L"09:3 ", 5},
        {L"09:30", 5, 5, Edit::Delete, L"", L"09:30", 5},
        {L"09:30", 0, 2, Edit::Delete, L"", L"  :30", 0},
        {L"  :  ", 0, 0, Edit::Paste, L"2359", L"23:59", 1},
        {L"  :  ", 0, 0, Edit::Paste, L"\t07:05 \n", L"07:05", 1},
        {L"  :  ", 0, 0, Edit::Paste, L"0705\r\n", L"07:05", 1}, // as text copied on Windows ends
        {L"12:34", 0, 0, Edit::Paste, L"7:05", L"12:34", 0},
        {L"12:34", 0, 0, Edit::Paste, L"07.05", L"12:34", 0},
        {L"12:34", 0, 0, Edit::Paste, L"0a05", L"12:34", 0},
        {L"12:34", 0, 0, Edit::Paste, L"", L"12:34", 0},
        {L"12:34", 0, 0, Edit::Assign, L"0800", L"08:00", 0},
        {L"12:34", 0, 0, Edit::Assign, L"9", L"9 :  ", 0},
        {L"12:34", 0, 0, Edit::Assign, L"1x:4", L"1 :4 ", 0},
        {L"12:34", 0, 0, Edit::Assign, L"123456", L"12:45", 0}, // each position takes its own offset
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "edit " << static_cast<int>(c.edit) << " at " << c.start << ".."
                                          << c.end << " on \"" << std::wstring(c.before) << "\"");
        TimeMask mask;
        mask.Assign(c.before);
        ASSERT_EQ(mask.Text(), c.before);
        std::size_t result = 0;
        switch (c.edit) {
        case Edit::Type:
            result = mask.Type(c.input[0], c.start, c.end);
            break;
        case Edit::Backspace:
            result = mask.Backspace(c.start, c.end);
            break;
        case Edit::Delete:
            result = mask.Delete(c.start, c.end);
            break;
        case Edit::Paste:
            result = mask.Paste(c.input) ? 1 : 0;
            break;
        case Edit::Assign:
            mask.Assign(c.input);
            break;
        }
        EXPECT_EQ(mask.Text(), c.after);
        EXPECT_EQ(result, c.caret);
    }
}

} // namespace
} // namespace kestrel
