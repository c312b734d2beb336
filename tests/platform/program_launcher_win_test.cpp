// The real launcher on the road the black-box scenarios do not take: a file that is not a program goes to
// the shell with its arguments and starts in its own folder.
#include "platform/program_launcher_win.h"

#include "platform/com_win.h"
#include "support/xml_test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace kestrel::win {
namespace {

namespace fs = std::filesystem;

TEST(ProgramLauncher, AnotherFileOpensThroughTheShellWithItsArgumentsInItsOwnFolder) {
    ComApartment com;
    const testing::TempFolder temp;
    const fs::path folder = testing::Fs(temp / L"kestrel launch");
    fs::create_directories(folder);
    {
        std::ofstream job(folder / L"job.cmd", std::ios::binary);
        job << "@echo %1 %2^|%CD%>\"%~dp0out.txt\"\r\n";
    }
    const LaunchResult result = StartPlanProgram((folder / L"job.cmd").wstring() + L"  one two", true);
    ASSERT_TRUE(result.started) << result.error;
    std::string written;
    for (int wait = 0; wait < 200 && written.find('\n') == std::string::npos; ++wait) {
        ::Sleep(100);
        std::ifstream in(folder / L"out.txt", std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        written = bytes.str();
    }
    EXPECT_EQ(written, "one two|" + folder.string() + "\r\n");
}

} // namespace
} // namespace kestrel::win
