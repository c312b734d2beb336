// Kestrel ended from outside, as the Task Manager ends it, and started again: the history says so, and
// its window shows that line first.
#include "driver.h"

#include "base/command_ids.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

std::filesystem::path HistoryFile() {
    wchar_t local[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::filesystem::path(local) / L"Kestrel" / L"History.txt"
                                           : std::filesystem::path();
}

TEST(History, AKestrelEndedFromOutsideIsTheFirstLineAfterTheNextStart) {
    ASSERT_FALSE(HistoryFile().empty()) << "LOCALAPPDATA is not set";
    Sandbox sandbox;
    {
        KestrelProcess first(sandbox, L"mini");
        ASSERT_NE(first.WaitForIdleMainWindow(), nullptr);
        first.Kill();
    }
    KestrelProcess again(sandbox, L"mini");
    const HWND main = again.WaitForIdleMainWindow();
    ASSERT_NE(main, nullptr);
    const std::string file = ReadFileBytesAt(HistoryFile()).value_or("");
    EXPECT_EQ(file.rfind("\xEF\xBB\xBF", 0), 0u) << "a byte-order mark for Notepad";
    EXPECT_NE(file.find(WideToUtf8(L"\tKestrel 未正常退出\t最后运行于 ")), std::string::npos) << file;

    PostCommand(main, ids::kCmdHelpHistory);
    const HWND window = WaitForWindowTitled(again.Id(), L"历史记录");
    ASSERT_NE(window, nullptr);
    const HWND list = WaitForDescendant(window, ids::kHistoryList);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ReadListViewColumns(list), (std::vector<std::wstring>{L"时间", L"事件", L"详情"}));
    const std::vector<Row> first = ReadListView(list, 1);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0][1], L"Kestrel 未正常退出");
    EXPECT_EQ(first[0][2].rfind(L"最后运行于 ", 0), 0u) << WideToUtf8(first[0][2]);
    EXPECT_EQ(first[0][0].size(), 19u) << "YYYY-MM-DD HH:MM:SS";

    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(window); }));
    PostCommand(main, ids::kCmdTrayExit);
    EXPECT_TRUE(again.WaitForExit());
}

} // namespace
} // namespace kestrel::e2e
