// The installer made by `make dist` (KESTREL_SETUP), end to end and silent: install into a folder with a
// blank in its name, start the installed Kestrel, install again over the running copy with its plans,
// and uninstall. Everything happens in the throwaway Wine prefix: its registry and its user folders.
#include "driver.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace kestrel::e2e {
namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Kestrel";

// Runs `exe` with `arguments` and returns its exit code, or -1 when it did not end within a minute.
int RunToEnd(const std::filesystem::path& exe, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + exe.wstring() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
        ADD_FAILURE() << "cannot start " << exe.string() << ", error " << GetLastError();
        return -1;
    }
    DWORD code = static_cast<DWORD>(-1);
    WaitUntil([&] { return WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0; }, 60s);
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return code == STILL_ACTIVE ? -1 : static_cast<int>(code);
}

std::optional<std::wstring> UninstallValue(const wchar_t* name) {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data);
    if (RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    return data;
}

bool UninstallKeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::vector<std::wstring> FilesIn(const std::filesystem::path& folder) {
    std::vector<std::wstring> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        names.push_back(entry.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The uninstaller copies itself to %TEMP% (as ~nsu1.tmp\Un.exe; older NSIS made Au_.exe), starts the
// copy and returns at once; the copy does the work. True once no such copy runs any more.
bool UninstallerCopiesGone() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool found = false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        found =
            found || _wcsicmp(entry.szExeFile, L"Un.exe") == 0 || _wcsicmp(entry.szExeFile, L"Au_.exe") == 0;
    }
    CloseHandle(snapshot);
    return !found;
}

HWND MainWindowOf(DWORD processId) {
    for (HWND w : AllMainWindows()) {
        if (ProcessOf(w) == processId) {
            return w;
        }
    }
    return nullptr;
}

class Installer : public ::testing::Test {
protected:
    void SetUp() override {
        setup_ = PathFromEnvironment(L"KESTREL_SETUP");
        ASSERT_FALSE(setup_.empty()) << "set KESTREL_SETUP to the installer made by make dist";
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::filesystem::path(temp) / (L"Kestrel Setup " + std::to_wstring(GetCurrentProcessId())) /
                  L"My Kestrel";
        DeleteRunValue(L"Kestrel");
    }
    void TearDown() override {
        DeleteRunValue(L"Kestrel");
        std::error_code ignored;
        std::filesystem::remove_all(folder_.parent_path(), ignored);
    }

    int Install() { return RunToEnd(setup_, L"/S /D=" + folder_.wstring()); }
    // Runs the uninstaller silently and waits for its copy in %TEMP% to finish.
    int Uninstall() {
        const int code = RunToEnd(folder_ / L"uninstall.exe", L"/S");
        EXPECT_TRUE(WaitUntil([] { return UninstallerCopiesGone(); }, 60s))
            << "the uninstaller did not finish";
        return code;
    }
    std::wstring RunValueForThisCopy() const {
        return L"\"" + (folder_ / L"Kestrel.exe").wstring() + L"\" mini";
    }

    std::filesystem::path setup_;
    std::filesystem::path folder_;
};

TEST_F(Installer, SilentInstallRunsKeepsPlansAndUninstallsCleanly) {
    ASSERT_EQ(Install(), 0);
    EXPECT_EQ(FilesIn(folder_), (std::vector<std::wstring>{L"Kestrel.exe", L"SendComment.dll", L"Update.dll",
                                                           L"uninstall.exe"}));
    EXPECT_EQ(UninstallValue(L"DisplayName"), L"Kestrel");
    EXPECT_EQ(UninstallValue(L"DisplayVersion"), L"3.1.0.0");
    EXPECT_EQ(UninstallValue(L"UninstallString"), L"\"" + (folder_ / L"uninstall.exe").wstring() + L"\"");
    EXPECT_EQ(UninstallValue(L"QuietUninstallString"),
              L"\"" + (folder_ / L"uninstall.exe").wstring() + L"\" /S");
    EXPECT_FALSE(ReadRunValue(L"Kestrel")) << "a silent install leaves auto-start off";
    EXPECT_TRUE(AllMainWindows().empty()) << "a silent install does not start Kestrel";

    // The installed Kestrel starts with its plans; a second install asks it to exit and keeps them.
    const auto plans = SamplePlans();
    WriteFileBytesAt(folder_ / L"Values.xml", WideToUtf8(PlanFileText(plans)));
    KestrelProcess kestrel(folder_ / L"Kestrel.exe");
    ASSERT_NE(kestrel.WaitForIdleMainWindow(), nullptr);
    EXPECT_NE(MainWindowOf(kestrel.Id()), nullptr);
    EXPECT_EQ(Install(), 0);
    EXPECT_TRUE(kestrel.WaitForExit()) << "the installer asks a running Kestrel to exit";

    // Uninstalling: a Run value that starts this copy goes, the plans stay.
    WriteRunValue(L"Kestrel", RunValueForThisCopy());
    EXPECT_EQ(Uninstall(), 0);
    EXPECT_TRUE(WaitUntil([&] { return FilesIn(folder_) == std::vector<std::wstring>{L"Values.xml"}; }))
        << "left behind: " << FilesIn(folder_).size() << " files";
    EXPECT_FALSE(UninstallKeyExists());
    EXPECT_FALSE(ReadRunValue(L"Kestrel"));
    EXPECT_EQ(ReadPlanFileAt(folder_ / L"Values.xml"), plans);

    // Once more, with a Run value that starts another copy: it stays.
    ASSERT_EQ(Install(), 0);
    const std::wstring elsewhere = L"\"C:\\Other Place\\Kestrel.exe\" mini";
    WriteRunValue(L"Kestrel", elsewhere);
    EXPECT_EQ(Uninstall(), 0);
    EXPECT_TRUE(WaitUntil([&] { return FilesIn(folder_) == std::vector<std::wstring>{L"Values.xml"}; }));
    EXPECT_FALSE(UninstallKeyExists());
    EXPECT_EQ(ReadRunValue(L"Kestrel"), elsewhere);
}

// A window of Kestrel's main window class that, unlike Kestrel, ignores the tray's Exit command: a copy
// that will not exit (its parent's password not given, say). Lives on this test's thread.
class StubbornKestrelWindow {
public:
    StubbornKestrelWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"Kestrel.MainWindow";
        RegisterClassW(&windowClass);
        window_ = CreateWindowExW(0, L"Kestrel.MainWindow", L"stubborn", WS_OVERLAPPED, 0, 0, 100, 100,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    }
    ~StubbornKestrelWindow() {
        DestroyWindow(window_);
        UnregisterClassW(L"Kestrel.MainWindow", GetModuleHandleW(nullptr));
    }
    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};

TEST_F(Installer, StopsWhenKestrelDoesNotExit) {
    StubbornKestrelWindow stubborn;
    ASSERT_NE(stubborn.get(), nullptr);
    EXPECT_EQ(Install(), 2);
    EXPECT_TRUE(FilesIn(folder_).empty()) << "nothing is installed past a running Kestrel";
    EXPECT_FALSE(UninstallKeyExists());
}

} // namespace
} // namespace kestrel::e2e
