#include "app/command_line.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

TEST(CommandLine, ArgumentsFollowTheProgramName) {
    EXPECT_EQ(ArgumentsOf(L"\"C:\\Program Files\\Kestrel\\Kestrel.exe\" mini"), L"mini");
    EXPECT_EQ(ArgumentsOf(L"Kestrel.exe mini"), L"mini");
    EXPECT_EQ(ArgumentsOf(L"Kestrel.exe \t  mini x"), L"mini x");
    EXPECT_EQ(ArgumentsOf(L"\"C:\\a b\\Kestrel.exe\""), L"");
    EXPECT_EQ(ArgumentsOf(L"Kestrel.exe"), L"");
    EXPECT_EQ(ArgumentsOf(L""), L"");
    EXPECT_EQ(ArgumentsOf(L"\"unterminated mini"), L"");
}

TEST(CommandLine, OnlyExactlyMiniStartsHidden) {
    EXPECT_TRUE(StartsHidden(L"mini"));
    for (const wchar_t* other :
         {L"", L"MINI", L"Mini", L"mini x", L"mini ", L"/mini", L"\"mini\"", L"minix"}) {
        EXPECT_FALSE(StartsHidden(other)) << testing::PrintToString(std::wstring(other));
    }
}

} // namespace
} // namespace kestrel
