// The system process table against real processes: the snapshot's creation time is the one a handle
// reports, version data is read from the program file, and End never touches a process that is not the
// one the snapshot named.
#include "platform/process_table_win.h"

#include "platform/module_win.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <filesystem>

namespace kestrel::win {
namespace {

std::uint64_t CreationTimeOf(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    ::GetProcessTimes(process, &created, &exited, &kernel, &user);
    return static_cast<std::uint64_t>(created.dwHighDateTime) << 32 | created.dwLowDateTime;
}

// A copy of the test sleeper (built beside this test, with a version resource) under another name.
class RenamedSleeper {
public:
    explicit RenamedSleeper(const wchar_t* name) {
        const std::filesystem::path folder = ExecutableFolder();
        path_ = (std::filesystem::temp_directory_path() / name).wstring();
        if (!::CopyFileW((folder / L"kestrel_sleeper.exe").c_str(), path_.c_str(), FALSE)) {
            ADD_FAILURE() << "cannot copy kestrel_sleeper.exe, error " << ::GetLastError();
            return;
        }
        STARTUPINFOW startup{sizeof(startup)};
        if (!::CreateProcessW(path_.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                              &info_)) {
            ADD_FAILURE() << "cannot start the copy, error " << ::GetLastError();
        }
    }
    ~RenamedSleeper() {
        ::TerminateProcess(info_.hProcess, 1);
        ::WaitForSingleObject(info_.hProcess, 5000);
        ::CloseHandle(info_.hThread);
        ::CloseHandle(info_.hProcess);
        ::DeleteFileW(path_.c_str());
    }
    HANDLE Handle() const { return info_.hProcess; }
    DWORD Id() const { return info_.dwProcessId; }
    const std::wstring& Path() const { return path_; }

private:
    std::wstring path_;
    PROCESS_INFORMATION info_{};
};

ProcessEntry FindIn(const std::vector<ProcessEntry>& processes, unsigned long id) {
    const auto found =
        std::find_if(processes.begin(), processes.end(), [&](const ProcessEntry& p) { return p.id == id; });
    return found == processes.end() ? ProcessEntry{} : *found;
}

TEST(SystemProcessTable, SnapshotNamesAndDatesEveryProcessAsItsHandleDoes) {
    SystemProcessTable table;
    RenamedSleeper sleeper(L"kestrel-notes.exe");
    std::vector<ProcessEntry> processes;
    ASSERT_TRUE(table.Snapshot(processes));
    const ProcessEntry own = FindIn(processes, ::GetCurrentProcessId());
    EXPECT_EQ(own.createdAt, CreationTimeOf(::GetCurrentProcess()));
    EXPECT_NE(own.createdAt, 0u);
    const ProcessEntry copy = FindIn(processes, sleeper.Id());
    EXPECT_EQ(copy.exeName, L"kestrel-notes.exe");
    EXPECT_EQ(copy.createdAt, CreationTimeOf(sleeper.Handle()));

    const auto file = table.ReadProgramFile(copy);
    ASSERT_TRUE(file);
    EXPECT_EQ(std::filesystem::path(file->path).filename(), L"kestrel-notes.exe");
    EXPECT_EQ(file->originalFileName, L"kestrel_sleeper.exe");
    EXPECT_EQ(ReadOriginalFileName(ExecutablePath()), L"") << "a program without version data declares none";
}

TEST(SystemProcessTable, EndsOnlyTheProcessTheSnapshotNamed) {
    SystemProcessTable table;
    RenamedSleeper sleeper(L"kestrel-game.exe");
    std::vector<ProcessEntry> processes;
    ASSERT_TRUE(table.Snapshot(processes));
    const ProcessEntry copy = FindIn(processes, sleeper.Id());
    ASSERT_EQ(copy.exeName, L"kestrel-game.exe");
    const auto file = table.ReadProgramFile(copy);
    ASSERT_TRUE(file);

    // Another creation time is another process on the same id; another image is not the one matched.
    ProcessEntry older = copy;
    older.createdAt -= 1;
    EXPECT_EQ(table.End(older, L""), EndResult::NotThere);
    ProcessEntry renamed = copy;
    renamed.exeName = L"other.exe";
    EXPECT_EQ(table.End(renamed, L""), EndResult::NotThere);
    EXPECT_EQ(table.End(copy, L"C:\\elsewhere\\kestrel-game.exe"), EndResult::NotThere);
    EXPECT_EQ(::WaitForSingleObject(sleeper.Handle(), 0), WAIT_TIMEOUT) << "ended all the same";

    EXPECT_EQ(table.End(copy, file->path), EndResult::Ended);
    EXPECT_EQ(::WaitForSingleObject(sleeper.Handle(), 5000), WAIT_OBJECT_0);
    EXPECT_EQ(table.End(copy, L""), EndResult::NotThere) << "gone";
}

} // namespace
} // namespace kestrel::win
