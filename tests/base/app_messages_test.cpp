// The save failure message names the file exactly, whatever characters its path holds.
#include "base/app_messages.h"

#include "base/texts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace kestrel {
namespace {

TEST(PlanFileSaveErrorText, NamesTheFullPathOnceInPlaceOfThePlaceholder) {
    const std::wstring_view paths[] = {
        L"C:\\Program Files\\Kestrel\\Values.xml", L"D:\\工具 软件\\定时\\Values.xml",
        L"\\\\server\\share\\{path}\\Values.xml", // a placeholder inside the path is not expanded again
    };
    for (const auto path : paths) {
        const std::wstring message = PlanFileSaveErrorText(path);
        const auto at = message.find(path);
        ASSERT_NE(at, std::wstring::npos);
        EXPECT_EQ(message.find(path, at + 1), std::wstring::npos);
        // The rest of the message is the template around the path, unchanged.
        std::wstring rest = message;
        rest.replace(at, path.size(), L"{path}");
        EXPECT_EQ(rest, text::kMsgPlanFileSaveError);
    }
}

TEST(ShortenToFit, TheAsideGoesFirstThenTheTextIsCutNeverTheHead) {
    const std::pair<std::size_t, const wchar_t*> cases[] = {
        {16, L"今天 定时运行：note.exe"}, {11, L"今天 note.exe"}, {10, L"今天 note.e…"}, {2, L"今天 …"}};
    for (const auto& [room, line] : cases) {
        EXPECT_EQ(ShortenToFit(L"今天 ", L"定时运行：", L"note.exe",
                               [&](const std::wstring& shortened) { return shortened.size() <= room; }),
                  line)
            << room;
    }
}

TEST(NumberText, WritesEveryIntegerAsItsDecimalDigits) {
    EXPECT_EQ(NumberText(0), L"0");
    EXPECT_EQ(NumberText(10), L"10");
    EXPECT_EQ(NumberText(-7), L"-7");
    EXPECT_EQ(NumberText(std::numeric_limits<std::int64_t>::min()), L"-9223372036854775808");
    EXPECT_EQ(NumberText(std::numeric_limits<std::uint64_t>::max()), L"18446744073709551615");
    EXPECT_EQ(NumberText(std::uint32_t{4294967295u}), L"4294967295");
}

} // namespace
} // namespace kestrel
