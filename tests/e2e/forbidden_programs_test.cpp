// The forbidden-programs page in the real program: an empty name is refused with a message, a name typed
// in other letter case ends the program the test started, two copies on two ticks, and once the entry is
// deleted the next copy lives.
#include "driver.h"

#include "base/command_ids.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

// A copy of the sleeper started by this test; ended by its own handle if it still runs at the end.
struct Sleeper {
    PROCESS_INFORMATION info{};
    explicit Sleeper(std::filesystem::path exe) {
        STARTUPINFOW startup{sizeof(startup)};
        EXPECT_TRUE(CreateProcessW(exe.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &info));
    }
    ~Sleeper() {
        TerminateProcess(info.hProcess, 1); // fails harmlessly when it has ended
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
};

TEST(ForbiddenPrograms, ANameInOtherCaseEndsEveryCopyOfItsProgramUntilDeleted) {
    Sandbox sandbox;
    // A Cyrillic name: only a comparison that knows every script's letter case can match it.
    const auto program = sandbox.Folder() / L"Блокнот.exe";
    ASSERT_TRUE(CopyFileW((KestrelExeUnderTest().parent_path() / L"kestrel_sleeper.exe").c_str(),
                          program.c_str(), FALSE));
    KestrelProcess kestrel(sandbox);
    HWND main = kestrel.WaitForIdleMainWindow();
    ASSERT_NE(main, nullptr);
    PostMouseClick(FindDescendant(main, ids::kTabButtonFirst + 4));
    HWND page = WaitForDescendant(main, ids::kForbiddenPage);
    HWND name = FindDescendant(page, ids::kForbiddenName);
    HWND add = FindDescendant(page, ids::kForbiddenAdd);
    HWND list = FindDescendant(page, ids::kForbiddenList);
    ASSERT_TRUE(name && add && list);

    PostClick(add);
    const auto box = WaitForMessageBox(kestrel.Id());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, L"程序未指明，请选取程序！");
    EXPECT_TRUE(box->Press(IDOK));

    // Kestrel's own name never ends Kestrel.
    SendWithTimeout(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"KESTREL.EXE"));
    PostClick(add);
    Sleeper first(program), second(program);
    SendWithTimeout(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"БЛОКНОТ.EXE"));
    PostClick(add);
    PostClick(add);
    // The clicks are posted: a round trip alone may overtake them, so wait for the list to settle.
    const std::vector<std::wstring> expected{L"KESTREL.EXE", L"БЛОКНОТ.EXE"};
    WaitUntil([&] { return ListBoxEntries(list) == expected; });
    ASSERT_TRUE(RoundTrip(page));
    EXPECT_EQ(ListBoxEntries(list), expected);

    // Every copy goes in the same tick: the other one does not wait for the next second.
    const HANDLE both[] = {first.info.hProcess, second.info.hProcess};
    const DWORD ended = WaitForMultipleObjects(2, both, FALSE, 5000) - WAIT_OBJECT_0;
    ASSERT_LT(ended, 2u) << "neither copy was ended";
    EXPECT_EQ(WaitForSingleObject(both[1 - ended], 500), WAIT_OBJECT_0) << "the second copy lived on";

    // Delete with nothing selected does nothing; with the entry selected it goes.
    HWND remove = FindDescendant(page, ids::kForbiddenRemove);
    SendWithTimeout(list, LB_SETCURSEL, static_cast<WPARAM>(-1));
    PostClick(remove);
    ASSERT_TRUE(RoundTrip(page));
    EXPECT_EQ(ListBoxEntries(list).size(), 2u);
    SendWithTimeout(list, LB_SETCURSEL, 1);
    PostClick(remove);
    WaitUntil([&] { return ListBoxEntries(list).size() == 1; });
    EXPECT_EQ(ListBoxEntries(list), std::vector<std::wstring>{L"KESTREL.EXE"});
    Sleeper third(program);
    EXPECT_EQ(WaitForSingleObject(third.info.hProcess, 2500), WAIT_TIMEOUT) << "ended after its deletion";
    EXPECT_TRUE(kestrel.IsRunning());

    PostCommand(main, ids::kCmdTrayExit);
    EXPECT_TRUE(kestrel.WaitForExit());
}

} // namespace
} // namespace kestrel::e2e
