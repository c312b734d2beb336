// Shortcuts read back: a .lnk made through the shell gives the program it points at.
#include "platform/shortcut_win.h"

#include "platform/com_win.h"
#include "support/xml_test_files.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <filesystem>
#include <fstream>

namespace kestrel::win {
namespace {

namespace fs = std::filesystem;

TEST(Shortcut, ATargetIsReadBackAndWhatIsNoShortcutGivesNothing) {
    ComApartment com;
    const testing::TempFolder temp;
    const fs::path folder = testing::Fs(temp.path());
    const fs::path program = folder / L"游戏 目录" / L"game.exe";
    fs::create_directories(program.parent_path());
    std::ofstream(program) << "MZ";
    const fs::path link = folder / L"玩游戏.LNK";
    {
        ComPtr<IShellLinkW> shell;
        ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                                 IID_IShellLinkW, reinterpret_cast<void**>(shell.put()))));
        shell->SetPath(program.wstring().c_str());
        shell->SetArguments(L"--fullscreen");
        ComPtr<IPersistFile> file;
        ASSERT_TRUE(SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.put()))));
        ASSERT_TRUE(SUCCEEDED(file->Save(link.wstring().c_str(), TRUE)));
    }
    EXPECT_TRUE(IsShortcutPath(link.wstring()));
    EXPECT_FALSE(IsShortcutPath(program.wstring()));
    EXPECT_FALSE(IsShortcutPath(L".lnk"));
    const auto target = ShortcutTarget(link.wstring());
    ASSERT_TRUE(target.has_value());
    EXPECT_EQ(fs::path(*target).filename(), L"game.exe");
    EXPECT_FALSE(ShortcutTarget(program.wstring()).has_value()) << "a program is not a shortcut";
    EXPECT_FALSE(ShortcutTarget((folder / L"missing.lnk").wstring()).has_value());
}

} // namespace
} // namespace kestrel::win
