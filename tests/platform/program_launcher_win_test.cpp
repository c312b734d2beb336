// The real launcher on the road the black-box scenarios do not take: a file that is not a program goes to
// the shell with its arguments and starts in its own folder.
#include "platform/program_launcher_win.h"

#include "platform/com_win.h"
#include "support/xml_test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

// Windows refuses a program that asks for administrator rights to CreateProcessW (Wine starts it anyway);
// the shell then starts the same file, so that the user sees the elevation prompt. No other refusal does.
TEST(ProgramLauncher, OnlyAProgramRefusedForWantingElevationGoesToTheShellInstead) {
    LaunchDecision decision;
    decision.way = LaunchWay::Program;
    decision.file = L"C:\\Tools\\setup.exe";
    decision.arguments = L"/quiet";
    decision.folder = L"C:\\Tools";
    decision.commandLine = L"\"C:\\Tools\\setup.exe\" /quiet";
    for (const DWORD refusal : {DWORD{ERROR_ELEVATION_REQUIRED}, DWORD{ERROR_ACCESS_DENIED}}) {
        SCOPED_TRACE(refusal);
        std::vector<std::wstring> calls;
        const auto way = [&](const wchar_t* name, LaunchResult result) {
            return [&calls, name, result](const LaunchDecision& d, int show) {
                calls.push_back(std::wstring(name) + L" " + d.file + L" " + d.arguments + L" " + d.folder +
                                L" " + std::to_wstring(show));
                return result;
            };
        };
        const LaunchResult result = StartDecided(decision, true, way(L"program", {false, refusal}),
                                                 way(L"shell", {true, ERROR_SUCCESS}));
        const std::wstring program = L"program C:\\Tools\\setup.exe /quiet C:\\Tools 0";
        if (refusal == ERROR_ELEVATION_REQUIRED) {
            EXPECT_EQ(calls,
                      (std::vector<std::wstring>{program, L"shell C:\\Tools\\setup.exe /quiet C:\\Tools 0"}));
            EXPECT_TRUE(result.started);
        } else {
            EXPECT_EQ(calls, std::vector<std::wstring>{program});
            EXPECT_FALSE(result.started);
            EXPECT_EQ(result.error, refusal);
        }
    }
}

} // namespace
} // namespace kestrel::win
