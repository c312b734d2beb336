#include "shell/auto_start.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

struct DataCase {
    const char* name;
    std::wstring path;
    std::wstring expected;
};

class AutoStartDataTest : public ::testing::TestWithParam<DataCase> {};

TEST_P(AutoStartDataTest, QuotesThePathAndAddsMini) {
    EXPECT_EQ(AutoStartData(GetParam().path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, AutoStartDataTest,
    ::testing::Values(
        DataCase{"Folder", L"C:\\Tools\\Kestrel.exe", L"\"C:\\Tools\\Kestrel.exe\" mini"},
        DataCase{"Spaces", L"C:\\Program Files\\My Tools\\Kestrel.exe",
                 L"\"C:\\Program Files\\My Tools\\Kestrel.exe\" mini"},
        DataCase{"Chinese", L"D:\\工具\\定时 关机\\定时关机.exe",
                 L"\"D:\\工具\\定时 关机\\定时关机.exe\" mini"},
        // The root of a drive gets one backslash, however the path spelled it.
        DataCase{"DriveRoot", L"C:\\Kestrel.exe", L"\"C:\\Kestrel.exe\" mini"},
        DataCase{"DriveRootDoubled", L"C:\\\\Kestrel.exe", L"\"C:\\Kestrel.exe\" mini"},
        // The file name stays exactly as on disk: the entry must name the file that runs.
        DataCase{"UpperCaseExtension", L"C:\\KESTREL\\KESTREL.EXE", L"\"C:\\KESTREL\\KESTREL.EXE\" mini"},
        DataCase{"NoExeExtension", L"C:\\Tools\\kestrel.bin", L"\"C:\\Tools\\kestrel.bin\" mini"},
        DataCase{"Unc", L"\\\\server\\share\\Kestrel.exe", L"\"\\\\server\\share\\Kestrel.exe\" mini"},
        DataCase{"LongPathPrefix", L"\\\\?\\C:\\x\\Kestrel.exe", L"\"\\\\?\\C:\\x\\Kestrel.exe\" mini"},
        // Nothing that could be started at log-on.
        DataCase{"Empty", L"", L""}, DataCase{"NoFolder", L"Kestrel.exe", L""},
        DataCase{"NoFileName", L"C:\\Tools\\", L""}),
    [](const auto& info) { return std::string(info.param.name); });

// Which program an entry starts, seen from a copy at C:\Program Files\Kestrel\Kestrel.exe.
TEST(OtherAutoStartProgram, NamesOnlyAnotherProgramFile) {
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"\"C:\\Program Files\\Kestrel\\Kestrel.exe\" mini", L""},
        {L"  \"c:\\program files\\KESTREL\\kestrel.EXE\"  ", L""},
        {L"C:\\Program Files\\Kestrel\\Kestrel.exe mini", L""},
        {L"\"D:\\便携\\Kestrel.exe\" mini", L"D:\\便携\\Kestrel.exe"},
    };
    for (const auto& [data, other] : cases) {
        EXPECT_EQ(OtherAutoStartProgram(data, L"C:\\Program Files\\Kestrel\\Kestrel.exe"), other);
    }
}

} // namespace
} // namespace kestrel
