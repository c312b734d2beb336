// A save killed at any moment leaves the plan file whole, with real process kills under Windows: the
// test executable starts itself as a child that saves two different lists in turn, TerminateProcess ends
// it at varied moments, and the file must then load completely as one of the two lists. (A real kill,
// not a simulation.)
#include "plans/plan_file.h"

#include "platform/file_bytes.h"
#include "support/xml_test_files.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>

namespace kestrel {
namespace {

using testing::ListOf;
using testing::NumberedPlans;
using testing::TempFolder;
using testing::WholeListOnDisk;

constexpr wchar_t kChildVariable[] = L"KESTREL_PLAN_FILE_SAVER";
constexpr std::size_t kRowsA = 3000;
constexpr std::size_t kRowsB = 2000;

std::wstring StartedMarker(const std::wstring& file) {
    return file + L".started";
}

// The exact bytes SavePlanFile writes for `plans`, saved through a scratch file beside `file`.
std::string SavedBytes(const std::wstring& file, const PlanList& plans, const wchar_t* scratchName) {
    const std::wstring scratch = file.substr(0, file.find_last_of(L'\\') + 1) + scratchName;
    std::string bytes;
    if (!SavePlanFile(scratch, plans) || ReadFileBytes(scratch, bytes) != FileReadStatus::Read) {
        ::ExitProcess(4);
    }
    return bytes;
}

// In the child, this runs before main and never returns: it writes until it is terminated (or a minute
// has passed, should the parent have gone away). SavePlanFile builds the whole document in memory before
// it touches the disk, so the child writes ready-made documents and spends its time in the only part a
// kill can tear: the file writing.
[[maybe_unused]] const bool kIsSaverChild = [] {
    wchar_t buffer[MAX_PATH * 2];
    const DWORD length = ::GetEnvironmentVariableW(kChildVariable, buffer, MAX_PATH * 2);
    if (length == 0 || length >= MAX_PATH * 2) {
        return false;
    }
    const std::wstring file(buffer);
    const std::string bytesA = SavedBytes(file, ListOf(NumberedPlans(kRowsA, L"甲")), L"a.xml");
    const std::string bytesB = SavedBytes(file, ListOf(NumberedPlans(kRowsB, L"乙")), L"b.xml");
    const ULONGLONG deadline = ::GetTickCount64() + 60000;
    bool markerWritten = false;
    while (::GetTickCount64() < deadline) {
        WriteFileAtomically(file, bytesB);
        WriteFileAtomically(file, bytesA);
        if (!markerWritten) {
            WriteFileAtomically(StartedMarker(file), "writing");
            markerWritten = true;
        }
    }
    ::ExitProcess(3);
}();

class ChildProcess {
public:
    explicit ChildProcess(const std::wstring& file) {
        wchar_t exe[MAX_PATH];
        ::GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring commandLine = L"\"" + std::wstring(exe) + L"\" --gtest_filter=-*";
        ::SetEnvironmentVariableW(kChildVariable, file.c_str());
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        started_ = ::CreateProcessW(exe, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                    &startup, &info_) != FALSE;
        ::SetEnvironmentVariableW(kChildVariable, nullptr);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() {
        if (started_) {
            ::TerminateProcess(info_.hProcess, 2);
            ::WaitForSingleObject(info_.hProcess, 5000);
            ::CloseHandle(info_.hThread);
            ::CloseHandle(info_.hProcess);
        }
    }
    bool started() const { return started_; }
    bool Terminate() {
        return ::TerminateProcess(info_.hProcess, 1) &&
               ::WaitForSingleObject(info_.hProcess, 5000) == WAIT_OBJECT_0;
    }
    bool Running() const { return ::WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

private:
    PROCESS_INFORMATION info_{};
    bool started_ = false;
};

TEST(PlanFileKill, TerminatedSaveLeavesOldOrNewFile) {
    TempFolder folder;
    const auto file = PlanFilePath(folder.path());
    const std::vector<PlanRow> rowsA = NumberedPlans(kRowsA, L"甲");
    const std::vector<PlanRow> rowsB = NumberedPlans(kRowsB, L"乙");
    ASSERT_TRUE(SavePlanFile(file, ListOf(rowsA)));
    const auto backend = CreateXmlBackend();

    int sawA = 0;
    int sawB = 0;
    int killedMidSave = 0; // the temporary was there: the kill hit a save half-way
    constexpr int kRounds = 12;
    for (int round = 0; round < kRounds; ++round) {
        RemoveFile(StartedMarker(file));
        ChildProcess child(file);
        ASSERT_TRUE(child.started());
        // Wait until the child has saved once, then let it run on for 0 to 77 ms before ending it.
        for (int wait = 0; wait < 1000 && !testing::Exists(StartedMarker(file)); ++wait) {
            ASSERT_TRUE(child.Running()) << "the saver child ended by itself";
            ::Sleep(10);
        }
        ASSERT_TRUE(testing::Exists(StartedMarker(file))) << "the saver child never saved";
        ::Sleep(static_cast<DWORD>((round * 37) % 78));
        ASSERT_TRUE(child.Running());
        ASSERT_TRUE(child.Terminate());
        killedMidSave += testing::Exists(TemporaryPathFor(file));

        const char which = WholeListOnDisk(file, *backend, rowsA, rowsB);
        ASSERT_NE(which, 0) << "torn file after round " << round;
        sawA += which == 'A';
        sawB += which == 'B';
    }
    EXPECT_GT(killedMidSave, 0) << "no kill landed in the middle of a save";
    EXPECT_FALSE(testing::Exists(TemporaryPathFor(file)));
}

} // namespace
} // namespace kestrel
