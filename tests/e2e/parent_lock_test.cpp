// The parent's lock and the single running copy, from outside with the real Kestrel.exe: a password set
// through its dialog guards Exit, the forbidden list comes back after a restart with "mini" while it is
// set and is gone once it is removed, a renamed copy of a forbidden program is ended by its original file
// name, and a window or mutex that imitates Kestrel does not keep it from starting.
#include "driver.h"

#include "base/command_ids.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Kestrel";
constexpr wchar_t kPasswordValue[] = L"ParentPassword";
constexpr wchar_t kForbiddenValue[] = L"ForbiddenPrograms";
constexpr wchar_t kLockCaption[] = L"家长密码";

// The lock's values in the rig's throwaway prefix, removed before and after so that no other scenario
// starts locked.
class CleanLockValues {
public:
    CleanLockValues() { Remove(); }
    ~CleanLockValues() { Remove(); }
    static void Remove() {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, kPasswordValue);
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, kForbiddenValue);
    }
};

bool ValueExists(const wchar_t* name) {
    return RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

// A window of `processId` titled "家长密码" holding the control `id` (the password box or the dialog).
HWND WaitForLockWindow(DWORD processId, int id) {
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", kLockCaption); w;
             w = FindWindowExW(nullptr, w, L"#32770", kLockCaption)) {
            if (ProcessOf(w) == processId && IsWindowVisible(w) && GetDlgItem(w, id)) {
                found = w;
                return true;
            }
        }
        return false;
    });
    return found;
}

void Type(HWND window, int id, const wchar_t* text) {
    SendWithTimeout(GetDlgItem(window, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

HWND ForbiddenControl(HWND main, int id) {
    HWND page = WaitForDescendant(main, ids::kForbiddenPage);
    return page ? FindDescendant(page, id) : nullptr;
}

// Answers the box of the dialog's outcome and checks its text.
void ExpectNotice(DWORD processId, const wchar_t* text) {
    const auto box = WaitForMessageBox(processId);
    ASSERT_TRUE(box) << "no notice";
    EXPECT_EQ(box->text, text);
    box->Press(IDOK);
}

TEST(ParentLock, GuardsExitKeepsTheListAcrossARestartAndEndsARenamedCopy) {
    CleanLockValues clean;
    Sandbox sandbox;
    const auto renamed = sandbox.Folder() / L"notes.exe";
    ASSERT_TRUE(CopyFileW((KestrelExeUnderTest().parent_path() / L"kestrel_sleeper.exe").c_str(), renamed.c_str(),
                          FALSE));
    {
        KestrelProcess kestrel(sandbox);
        HWND main = kestrel.WaitForIdleMainWindow();
        ASSERT_NE(main, nullptr);
        HWND line = ForbiddenControl(main, ids::kForbiddenKeptLine);
        EXPECT_EQ(WindowText(line), L"禁止列表只保留到程序退出。设置家长密码（帮助菜单）后，它会一直保存。");

        // Help → 家长密码: a slip in the second entry first, then the password set.
        PostCommand(main, ids::kCmdHelpParentPassword);
        HWND dialog = WaitForLockWindow(kestrel.Id(), ids::kLockNew);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(GetDlgItem(dialog, ids::kLockOld), nullptr) << "no current password to ask for yet";
        Type(dialog, ids::kLockNew, L"家长123");
        Type(dialog, ids::kLockConfirm, L"家长12");
        PostCommand(dialog, IDOK);
        EXPECT_TRUE(WaitUntil([&] { return WindowText(GetDlgItem(dialog, ids::kLockStatus)) == L"两次输入的新密码不一样，请重新输入。"; }));
        Type(dialog, ids::kLockNew, L"家长123");
        Type(dialog, ids::kLockConfirm, L"家长123");
        PostCommand(dialog, IDOK);
        ExpectNotice(kestrel.Id(), L"家长密码已设置。");
        EXPECT_TRUE(ValueExists(kPasswordValue));
        EXPECT_EQ(WindowText(line), L"已设置家长密码：禁止列表会一直保存，重新启动后仍然有效。");

        // The list is kept from the first change on; the renamed copy is ended by its original name.
        SendWithTimeout(ForbiddenControl(main, ids::kForbiddenName), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(L"  KESTREL_SLEEPER.EXE "));
        PostClick(ForbiddenControl(main, ids::kForbiddenAdd));
        EXPECT_TRUE(WaitUntil([&] { return ValueExists(kForbiddenValue); }));
        PROCESS_INFORMATION copy{};
        STARTUPINFOW startup{sizeof(startup)};
        ASSERT_TRUE(CreateProcessW(renamed.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &copy));
        EXPECT_EQ(WaitForSingleObject(copy.hProcess, 5000), WAIT_OBJECT_0) << "the renamed copy lives on";
        TerminateProcess(copy.hProcess, 1);
        CloseHandle(copy.hThread);
        CloseHandle(copy.hProcess);

        // Exit asks; a wrong password is told and Kestrel runs on, and so does Cancel.
        PostCommand(main, ids::kCmdTrayExit);
        HWND box = WaitForLockWindow(kestrel.Id(), ids::kAskPassword);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(WindowText(GetDlgItem(box, ids::kAskReason)), L"退出 Kestrel 需要家长密码。");
        Type(box, ids::kAskPassword, L"猜一猜");
        PostCommand(box, IDOK);
        EXPECT_TRUE(WaitUntil([&] { return WindowText(GetDlgItem(box, ids::kLockStatus)) == L"密码错误"; }));
        PostCommand(box, IDCANCEL);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }));
        EXPECT_FALSE(kestrel.WaitForExit(1500ms)) << "a refused Exit ended Kestrel";

        // The right one, once the wait after the wrong one is over.
        PostCommand(main, ids::kCmdTrayExit);
        box = WaitForLockWindow(kestrel.Id(), ids::kAskPassword);
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return IsWindowEnabled(GetDlgItem(box, IDOK)) != FALSE; }));
        Type(box, ids::kAskPassword, L"家长123");
        PostCommand(box, IDOK);
        EXPECT_TRUE(kestrel.WaitForExit());
    }
    {
        // Back at log-on, hidden: the list is there, and removing the password removes the kept list.
        KestrelProcess kestrel(sandbox, L"mini");
        HWND main = kestrel.WaitForIdleMainWindow();
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(ListBoxEntries(ForbiddenControl(main, ids::kForbiddenList)),
                  std::vector<std::wstring>{L"KESTREL_SLEEPER.EXE"});
        PostCommand(main, ids::kCmdHelpParentPassword);
        HWND dialog = WaitForLockWindow(kestrel.Id(), ids::kLockOld);
        ASSERT_NE(dialog, nullptr);
        Type(dialog, ids::kLockOld, L"家长123");
        PostCommand(dialog, ids::kLockRemove);
        ExpectNotice(kestrel.Id(), L"家长密码已删除。保存的禁止列表也已删除，本次运行中的禁止列表不变。");
        EXPECT_FALSE(ValueExists(kPasswordValue));
        EXPECT_FALSE(ValueExists(kForbiddenValue));
        EXPECT_EQ(ListBoxEntries(ForbiddenControl(main, ids::kForbiddenList)).size(), 1u);
        PostCommand(main, ids::kCmdTrayExit);
        EXPECT_TRUE(kestrel.WaitForExit()) << "without a password Exit asks nothing";
    }
    {
        KestrelProcess kestrel(sandbox, L"mini");
        HWND main = kestrel.WaitForIdleMainWindow();
        ASSERT_NE(main, nullptr);
        EXPECT_TRUE(ListBoxEntries(ForbiddenControl(main, ids::kForbiddenList)).empty());
        PostCommand(main, ids::kCmdTrayExit);
        EXPECT_TRUE(kestrel.WaitForExit());
    }
}

LRESULT CALLBACK DecoyProc(HWND window, UINT message, WPARAM w, LPARAM l) {
    return DefWindowProcW(window, message, w, l);
}

TEST(SingleInstance, AWindowAndAMutexImitatingKestrelDoNotKeepItFromStarting) {
    // Kestrel's title and class, in a program that is not Kestrel, and the name a starting copy takes.
    WNDCLASSW wc{};
    wc.lpfnWndProc = DecoyProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Kestrel.MainWindow";
    RegisterClassW(&wc);
    HWND decoy = CreateWindowExW(0, wc.lpszClassName, kMainTitle, WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                 nullptr, wc.hInstance, nullptr);
    ASSERT_NE(decoy, nullptr);
    HANDLE mutex = CreateMutexW(nullptr, TRUE, L"Local\\Kestrel.SingleInstance");
    ASSERT_NE(mutex, nullptr);

    Sandbox sandbox;
    KestrelProcess kestrel(sandbox);
    HWND main = kestrel.WaitForMainWindow(15s);
    ASSERT_NE(main, nullptr) << "the imitation kept Kestrel from starting";
    EXPECT_TRUE(WaitUntil([&] { return IsShownNormal(main); }));
    EXPECT_FALSE(IsWindowVisible(decoy)) << "the decoy was taken for Kestrel and shown";
    PostCommand(main, ids::kCmdTrayExit);
    EXPECT_TRUE(kestrel.WaitForExit());
    CloseHandle(mutex);
    DestroyWindow(decoy);
}

} // namespace
} // namespace kestrel::e2e
