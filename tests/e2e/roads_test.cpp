// A child's own account against the parent's lock, from outside with the real Kestrel.exe: the history
// emptied and quiet hours deleted while Kestrel runs are both put on record, the window is written back,
// and its countdown keeps coming.
#include "driver.h"

#include "base/command_ids.h"

#include <gtest/gtest.h>
#include <wtsapi32.h>

namespace kestrel::e2e {
namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Kestrel";
constexpr wchar_t kPrompt[] = L"Kestrel.CountdownPrompt";
constexpr wchar_t kLockCaption[] = L"家长密码";

class CleanValues {
public:
    CleanValues() { Remove(); }
    ~CleanValues() { Remove(); }
    static void Remove() {
        for (const wchar_t* name : {L"ParentPassword", L"ForbiddenPrograms", L"QuietHours", L"QuietHoursExcused"}) {
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name);
        }
    }
};

std::filesystem::path HistoryFile() {
    wchar_t local[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::filesystem::path(local) / L"Kestrel" / L"History.txt"
                                           : std::filesystem::path();
}

bool QuietHoursStored() {
    return RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"QuietHours", RRF_RT_REG_MULTI_SZ, nullptr, nullptr,
                        nullptr) == ERROR_SUCCESS;
}

// Help → 家长密码 in a first run, which then is ended from outside.
void SetPassword(Sandbox& sandbox) {
    KestrelProcess kestrel(sandbox);
    HWND main = kestrel.WaitForIdleMainWindow();
    ASSERT_NE(main, nullptr);
    PostCommand(main, ids::kCmdHelpParentPassword);
    HWND dialog = nullptr;
    WaitUntil([&] {
        dialog = FindWindowW(L"#32770", kLockCaption);
        return dialog && GetDlgItem(dialog, ids::kLockNew);
    });
    ASSERT_NE(dialog, nullptr);
    for (const int id : {ids::kLockNew, ids::kLockConfirm}) {
        SendWithTimeout(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"家长123"));
    }
    PostCommand(dialog, IDOK);
    const auto box = WaitForMessageBox(kestrel.Id());
    ASSERT_TRUE(box);
    box->Press(IDOK);
    kestrel.Kill();
}

TEST(Roads, AHistoryAndQuietHoursDeletedWhileKestrelRunsAreRecordedAndTheWindowHolds) {
    ASSERT_FALSE(HistoryFile().empty()) << "LOCALAPPDATA is not set";
    CleanValues clean;
    Sandbox sandbox;
    SetPassword(sandbox);
    const std::wstring window = L"1111111 " + LocalMinute(-1) + L" " + LocalMinute(30) + L" 锁定计算机";
    const std::wstring value = window + L'\0' + L'\0';
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"QuietHours", REG_MULTI_SZ, value.c_str(),
                              static_cast<DWORD>(value.size() * sizeof(wchar_t))),
              ERROR_SUCCESS);

    KestrelProcess kestrel(sandbox, L"mini");
    HWND main = kestrel.WaitForIdleMainWindow();
    ASSERT_NE(main, nullptr);
    HWND prompt = WaitForWindowOf(kestrel.Id(), kPrompt, 5s);
    ASSERT_NE(prompt, nullptr) << "no countdown after the start";

    // What a child's own account may do: the file and the value are its own.
    ASSERT_TRUE(DeleteFileW(HistoryFile().c_str()));
    ASSERT_EQ(RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"QuietHours"), ERROR_SUCCESS);
    EXPECT_TRUE(WaitUntil(QuietHoursStored)) << "quiet hours are written back under the lock";
    const auto recorded = [&](const std::wstring& line) {
        return ReadFileBytesAt(HistoryFile()).value_or("").find(WideToUtf8(line)) != std::string::npos;
    };
    EXPECT_TRUE(WaitUntil([&] { return recorded(L"\t历史记录\t之前的记录在 Kestrel 运行时被删除或改短"); }))
        << ReadFileBytesAt(HistoryFile()).value_or("");
    EXPECT_TRUE(recorded(L"\t设置\t设置在 Kestrel 之外被修改：HKEY_CURRENT_USER\\Software\\Kestrel\\QuietHours（已改回）"))
        << ReadFileBytesAt(HistoryFile()).value_or("");

    // The countdown keeps coming: carried out (or refused) now, it opens again as soon as the session is
    // unlocked.
    PostClick(FindDescendant(prompt, ids::kCountdownNowButton));
    EXPECT_TRUE(WaitUntil([&] { return VisibleWindowsOf(kestrel.Id(), kPrompt).empty(); }));
    PostMessageW(main, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0);
    EXPECT_NE(WaitForWindowOf(kestrel.Id(), kPrompt, 5s), nullptr) << "the window still holds";
    kestrel.Kill();
}

} // namespace
} // namespace kestrel::e2e
