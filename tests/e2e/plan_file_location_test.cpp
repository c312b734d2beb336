// Kestrel installed in a folder it cannot write, as under Program Files: its plans live in the user's own
// folder, the plans of the file beside it are taken over once, and all of it survives a restart.
//
// Wine runs as root here and root may write anywhere, so scripts/test.sh provides the folder: a read-only
// bind mount (KESTREL_READONLY_FOLDER) of a writable twin (KESTREL_READONLY_TWIN) through which the test
// puts the program and its old plan file in place.
#include "driver.h"

#include "base/command_ids.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kestrel::e2e {
namespace {

namespace fs = std::filesystem;

// The Unix path Wine keeps a Windows path at; empty when that cannot be told.
std::string UnixPathOf(const fs::path& path) {
    using WineUnixFileName = char*(__cdecl*)(const wchar_t*);
    const auto unixFileName = reinterpret_cast<WineUnixFileName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* unix = unixFileName != nullptr ? unixFileName(path.c_str()) : nullptr;
    const std::string result = unix != nullptr ? unix : "";
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// %LOCALAPPDATA%\Kestrel, which Kestrel uses when its own folder is read-only: empty before and after
// the test, so that no other scenario finds a per-user plan file (it would win over theirs).
class UserPlanFolder {
public:
    UserPlanFolder() {
        wchar_t local[MAX_PATH] = {};
        const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            folder_ = fs::path(local) / L"Kestrel";
        }
        Remove();
    }
    ~UserPlanFolder() { Remove(); }
    UserPlanFolder(const UserPlanFolder&) = delete;
    UserPlanFolder& operator=(const UserPlanFolder&) = delete;
    const fs::path& Folder() const { return folder_; }
    fs::path PlanFile() const { return folder_ / L"Values.xml"; }

private:
    void Remove() {
        std::error_code ignored;
        if (!folder_.empty()) {
            fs::remove_all(folder_, ignored);
        }
    }
    fs::path folder_;
};

// Empties the twin folder at the end, whatever happens.
struct TwinCleaner {
    fs::path twin;
    ~TwinCleaner() {
        std::error_code ignored;
        WaitUntil(
            [&] {
                for (const auto& entry : fs::directory_iterator(twin, ignored)) {
                    fs::remove_all(entry.path(), ignored);
                }
                return fs::is_empty(twin, ignored);
            },
            2s);
    }
};

TEST(PlanFileLocation, InAFolderItCannotWriteKestrelKeepsItsPlansInTheUserFolderAcrossARestart) {
    const fs::path view = PathFromEnvironment(L"KESTREL_READONLY_FOLDER");
    const fs::path twin = PathFromEnvironment(L"KESTREL_READONLY_TWIN");
    ASSERT_FALSE(view.empty() || twin.empty())
        << "needs the read-only folder that scripts/test.sh mounts (as root)";
    UserPlanFolder user;
    ASSERT_FALSE(user.Folder().empty()) << "LOCALAPPDATA is not set";
    const char* prefix = std::getenv("WINEPREFIX");
    ASSERT_TRUE(prefix != nullptr && *prefix != '\0' && UnixPathOf(user.Folder()).starts_with(prefix))
        << "the per-user folder must lie inside the throwaway Wine prefix, not at "
        << UnixPathOf(user.Folder());

    TwinCleaner cleaner{twin};
    ASSERT_TRUE(CopyFileW(KestrelExeUnderTest().c_str(), (twin / L"Kestrel.exe").c_str(), FALSE));
    const std::string oldFile = WideToUtf8(PlanFileText(SamplePlans()));
    WriteFileBytesAt(twin / L"Values.xml", oldFile);
    HANDLE probe = CreateFileW((view / L"probe.tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                               FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
    }
    ASSERT_EQ(probe, INVALID_HANDLE_VALUE) << "the folder is writable: the scenario would prove nothing";

    std::vector<Row> expected = SamplePlans();
    {
        KestrelProcess kestrel(view / L"Kestrel.exe", L"mini");
        HWND main = kestrel.WaitForIdleMainWindow();
        ASSERT_NE(main, nullptr);
        HWND list = WaitForDescendant(main, ids::kPlanListView);
        ASSERT_NE(list, nullptr);
        EXPECT_TRUE(WaitUntil([&] { return ReadListView(list) == expected; }))
            << "the plans beside the program were not taken over";

        SelectListViewRow(list, 0);
        PostCommand(GetParent(list), ids::kCmdPlanDisable);
        expected[0][3] = L"禁用";
        EXPECT_TRUE(WaitUntil([&] {
            return ReadListView(list) == expected && ReadPlanFileAt(user.PlanFile()) == expected;
        })) << "the change did not reach the per-user file:\n"
            << ReadFileBytesAt(user.PlanFile()).value_or("(no file)");
        EXPECT_FALSE(FindMessageBox(kestrel.Id()).has_value()) << "no save may fail";
        PostCommand(main, ids::kCmdTrayExit);
        ASSERT_TRUE(kestrel.WaitForExit());
    }
    EXPECT_EQ(ReadFileBytesAt(twin / L"Values.xml"), oldFile) << "the file beside the program is left alone";
    EXPECT_FALSE(fs::exists(twin / L"Values.xml.tmp"));

    KestrelProcess again(view / L"Kestrel.exe", L"mini");
    HWND main = again.WaitForIdleMainWindow();
    ASSERT_NE(main, nullptr);
    HWND list = WaitForDescendant(main, ids::kPlanListView);
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return ReadListView(list) == expected; }))
        << "the plans were lost on restart";
    PostCommand(main, ids::kCmdTrayExit);
    ASSERT_TRUE(again.WaitForExit());
    EXPECT_EQ(ReadPlanFileAt(user.PlanFile()), expected);
}

} // namespace
} // namespace kestrel::e2e
