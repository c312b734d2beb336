#include "platform/registry_value_text.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace kestrel {
namespace {

using namespace std::string_view_literals;

// UTF-16LE bytes of `text`, plus `extra` stray bytes (for odd byte counts).
std::vector<std::uint8_t> Utf16(std::u16string_view text, std::vector<std::uint8_t> extra = {}) {
    std::vector<std::uint8_t> bytes;
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    bytes.insert(bytes.end(), extra.begin(), extra.end());
    return bytes;
}

// The wide string of the same code units (on Windows: the same UTF-16 string).
std::wstring Units(std::u16string_view text) {
    return std::wstring(text.begin(), text.end());
}

// Expands %DIR% only, and %NUL% to a text with an inner NUL, like an expansion that went wrong.
std::wstring FakeExpand(const std::wstring& raw) {
    std::wstring out = raw;
    for (auto [name, value] : {std::pair{L"%DIR%"sv, L"C:\\Users\\k"sv}, std::pair{L"%NUL%"sv, L"x\0y"sv}}) {
        for (std::size_t at; (at = out.find(name)) != std::wstring::npos;) {
            out.replace(at, name.size(), value);
        }
    }
    if (raw == L"%LONG%") {
        out.assign(1000, L'z');
    }
    return out;
}

struct RenderCase {
    const char* name;
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    std::wstring before;
    std::wstring expected;
};

class RegistryValueText : public ::testing::TestWithParam<RenderCase> {};

TEST_P(RegistryValueText, RendersByType) {
    const RenderCase& c = GetParam();
    std::wstring result = c.before;
    RenderRegistryValue(c.type, c.data, FakeExpand, result);
    EXPECT_EQ(result, c.expected);
}

const std::wstring kKeep = L"keep";

INSTANTIATE_TEST_SUITE_P(
    AllTypes, RegistryValueText,
    ::testing::Values(
        // REG_SZ: replaces the result with the text up to the first NUL.
        RenderCase{"SzPlain", regtype::kSz, Utf16(u"abc\0"sv), L"old", L"abc"},
        RenderCase{"SzChinese", regtype::kSz, Utf16(u"开机自动启动\0"sv), L"", Units(u"开机自动启动")},
        RenderCase{"SzSurrogatePair", regtype::kSz, Utf16(u"a😀\0"sv), L"", Units(u"a😀")},
        RenderCase{"SzNoTerminator", regtype::kSz, Utf16(u"abc"sv), L"", L"abc"},
        RenderCase{"SzStopsAtFirstNul", regtype::kSz, Utf16(u"ab\0cd\0"sv), L"", L"ab"},
        RenderCase{"SzOddByteAfterNul", regtype::kSz, Utf16(u"abc\0"sv, {0x41}), L"", L"abc"},
        RenderCase{"SzOddByteNoTerminator", regtype::kSz, Utf16(u"ab"sv, {0x41}), L"", L"ab"},
        RenderCase{"SzSingleByte", regtype::kSz, {0x41}, L"old", L""},
        RenderCase{"SzEmpty", regtype::kSz, {}, L"old", L""},
        // REG_EXPAND_SZ: the raw text up to its NUL goes through the expander, the answer up to its NUL.
        RenderCase{"ExpandSz", regtype::kExpandSz, Utf16(u"%DIR%\\a.txt\0"sv), L"", L"C:\\Users\\k\\a.txt"},
        RenderCase{"ExpandSzNoTerminator", regtype::kExpandSz, Utf16(u"%DIR%"sv, {0x00}), L"",
                   L"C:\\Users\\k"},
        RenderCase{"ExpandSzOnlyFirstString", regtype::kExpandSz, Utf16(u"%DIR%\0%DIR%\0"sv), L"",
                   L"C:\\Users\\k"},
        RenderCase{"ExpandSzAnswerCutAtNul", regtype::kExpandSz, Utf16(u"%NUL%\0"sv), L"", L"x"},
        RenderCase{"ExpandSzLongerThanRawPlus256", regtype::kExpandSz, Utf16(u"%LONG%\0"sv), L"",
                   std::wstring(1000, L'z')},
        RenderCase{"ExpandSzUnknownName", regtype::kExpandSz, Utf16(u"%NOPE%\0"sv), L"old", L"%NOPE%"},
        // REG_MULTI_SZ: inner NULs stay, only a closing NUL goes.
        RenderCase{"MultiSz", regtype::kMultiSz, Utf16(u"a\0bc\0\0"sv), L"", Units(u"a\0bc\0"sv)},
        RenderCase{"MultiSzSingleTerminator", regtype::kMultiSz, Utf16(u"a\0bc\0"sv), L"", Units(u"a\0bc"sv)},
        RenderCase{"MultiSzNoTerminatorKeepsLastChar", regtype::kMultiSz, Utf16(u"a\0bc"sv), L"",
                   Units(u"a\0bc"sv)},
        RenderCase{"MultiSzOddByte", regtype::kMultiSz, Utf16(u"a\0\0"sv, {0x42}), L"", Units(u"a\0"sv)},
        RenderCase{"MultiSzEmpty", regtype::kMultiSz, {}, L"old", L""},
        RenderCase{"MultiSzOnlyTerminator", regtype::kMultiSz, Utf16(u"\0"sv), L"old", L""},
        // REG_BINARY: appended, upper case, no leading zero per byte.
        RenderCase{"Binary", regtype::kBinary, {0x0A, 0x1F}, L"", L"A1F"},
        RenderCase{"BinaryAppends", regtype::kBinary, {0x0A, 0x1F}, L"X:", L"X:A1F"},
        RenderCase{"BinaryZeroAndFull", regtype::kBinary, {0x00, 0xFF, 0x10, 0x01}, L"", L"0FF101"},
        RenderCase{"BinaryEmpty", regtype::kBinary, {}, kKeep, kKeep},
        // REG_DWORD: little-endian, signed.
        RenderCase{"Dword", regtype::kDword, {0x78, 0x56, 0x34, 0x12}, L"old", L"305419896"},
        RenderCase{"DwordMinusOne", regtype::kDword, {0xFF, 0xFF, 0xFF, 0xFF}, L"", L"-1"},
        RenderCase{"DwordMinimum", regtype::kDword, {0x00, 0x00, 0x00, 0x80}, L"", L"-2147483648"},
        RenderCase{"DwordShort", regtype::kDword, {0x34, 0x12}, L"", L"4660"},
        RenderCase{"DwordLongUsesFirstFour", regtype::kDword, {0x01, 0x00, 0x00, 0x00, 0xFF}, L"", L"1"},
        RenderCase{"DwordEmpty", regtype::kDword, {}, kKeep, kKeep},
        // REG_DWORD_BIG_ENDIAN: most significant byte first.
        RenderCase{"BigEndian", regtype::kDwordBigEndian, {0x12, 0x34, 0x56, 0x78}, L"", L"305419896"},
        RenderCase{"BigEndianOne", regtype::kDwordBigEndian, {0x00, 0x00, 0x00, 0x01}, L"", L"1"},
        RenderCase{"BigEndianNegative", regtype::kDwordBigEndian, {0xFF, 0xFF, 0xFF, 0xFE}, L"", L"-2"},
        RenderCase{"BigEndianShort", regtype::kDwordBigEndian, {0x12, 0x34}, L"", L"4660"},
        // Types shown as nothing leave the result alone.
        RenderCase{"None", regtype::kNone, Utf16(u"a\0"sv), kKeep, kKeep},
        RenderCase{"Link", regtype::kLink, Utf16(u"\\Registry\\x"sv), kKeep, kKeep},
        RenderCase{"ResourceList", 8, {0x01, 0x02}, kKeep, kKeep},
        RenderCase{"Qword", 11, {1, 0, 0, 0, 0, 0, 0, 0}, kKeep, kKeep},
        RenderCase{"HugeType", 0xFFFFFFFFu, {0x01}, kKeep, kKeep}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RegistryValueTextExpander, MissingExpanderShowsRawText) {
    std::wstring result;
    RenderRegistryValue(regtype::kExpandSz, Utf16(u"%DIR%\0"sv), nullptr, result);
    EXPECT_EQ(result, L"%DIR%");
}

} // namespace
} // namespace kestrel

namespace kestrel {
namespace {

TEST(MultiString, SplitsUpToTheClosingEmptyString) {
    const struct {
        std::u16string_view stored;
        std::vector<std::wstring> strings;
    } cases[] = {
        {std::u16string_view(u"a.exe\0游戏.exe\0\0", 14), {L"a.exe", L"游戏.exe"}},
        {std::u16string_view(u"a.exe\0b.exe", 11), {L"a.exe", L"b.exe"}},
        {std::u16string_view(u"a.exe\0\0ghost.exe\0\0", 18), {L"a.exe"}},
        {std::u16string_view(u"\0", 1), {}},
        {u"", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SplitMultiString(Utf16(c.stored)), c.strings);
    }
    EXPECT_EQ(SplitMultiString(Utf16(u"ab", {0x41})), std::vector<std::wstring>{L"ab"});
}

} // namespace
} // namespace kestrel
