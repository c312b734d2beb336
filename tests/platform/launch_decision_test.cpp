// The launch decision over a fake file system: which file a run plan's text starts, and never a decoy.
#include "platform/launch_decision.h"

#include "platform/text_compare.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace kestrel {
namespace {

// Files exist exactly as listed (no case folding, nothing appended, no search). `wow64`: 64-bit Windows.
class FakeFiles final : public LaunchFiles {
public:
    explicit FakeFiles(std::set<std::wstring> files) : files_(std::move(files)) {}
    std::optional<std::wstring> Variable(const std::wstring& name) const override {
        // Each name with its value on 32-bit Windows and the one a 32-bit program sees on 64-bit Windows.
        static const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*> kVariables[] = {
            {L"ProgramFiles", L"C:\\Program Files", L"C:\\Program Files (x86)"},
            {L"ProgramW6432", nullptr, L"C:\\Program Files"},
            {L"CommonProgramFiles", L"C:\\Program Files\\Common Files",
             L"C:\\Program Files (x86)\\Common Files"},
            {L"CommonProgramW6432", nullptr, L"C:\\Program Files\\Common Files"},
            {L"TOOLS", L"D:\\My Tools", L"D:\\My Tools"},
            {L"windir", L"C:\\Windows", L"C:\\Windows"}};
        for (const auto& [known, on32, on64] : kVariables) {
            if ((wow64 ? on64 : on32) && EqualIgnoringCase(name, known)) {
                return wow64 ? on64 : on32;
            }
        }
        return std::nullopt;
    }
    bool Is32BitOn64Bit() const override { return wow64; }
    bool IsFile(const std::wstring& path) const override { return files_.count(path) != 0; }
    bool wow64 = false;

private:
    std::set<std::wstring> files_;
};

LaunchDecision Program(std::wstring file, std::wstring arguments, std::wstring folder, std::wstring line) {
    return {LaunchWay::Program,   LaunchRefusal::None, std::move(file),
            std::move(arguments), std::move(folder),   std::move(line)};
}
LaunchDecision ShellFile(std::wstring file, std::wstring arguments, std::wstring folder) {
    return {LaunchWay::ShellFile, LaunchRefusal::None, std::move(file),
            std::move(arguments), std::move(folder),   {}};
}
LaunchDecision Address(std::wstring address) {
    return {LaunchWay::WebAddress, LaunchRefusal::None, std::move(address), {}, {}, {}};
}
LaunchDecision Refused(LaunchRefusal why) {
    return {LaunchWay::None, why, {}, {}, {}, {}};
}

TEST(LaunchDecision, StartsExactlyTheFileTheTextNames) {
    // A decoy waits one folder up from the program, and a file named like the first word of a path.
    const FakeFiles files({L"C:\\h2\\My.exe", L"C:\\h2\\My Tool\\run.exe", L"C:\\Program",
                           L"C:\\Program Files\\App\\app.exe", L"C:\\app.COM", L"C:\\Docs\\plan.lnk",
                           L"C:\\Docs\\job.bat", L"D:\\My Tools\\x.exe", L"\\\\server\\share\\tool.exe",
                           L"notepad.exe", L"\\Tools\\app.exe", L"C:Tools\\app.exe",
                           L"\\\\\\server\\share\\tool.exe", L"C:\\Tools\\Code.exe",
                           L"C:\\Tools\\Code.exe ."}); // Windows drops the " ."
    const struct {
        std::wstring text;
        LaunchDecision expected;
    } cases[] = {
        // An existing file starts as itself, blanks and all; a decoy "C:\Program" is never considered.
        {L"C:\\Program Files\\App\\app.exe",
         Program(L"C:\\Program Files\\App\\app.exe", L"", L"C:\\Program Files\\App",
                 L"\"C:\\Program Files\\App\\app.exe\"")},
        {L"  C:\\Program Files\\App\\app.exe  /s  -v ",
         Program(L"C:\\Program Files\\App\\app.exe", L"/s  -v", L"C:\\Program Files\\App",
                 L"\"C:\\Program Files\\App\\app.exe\" /s  -v")},
        // The longest existing part wins over the decoy My.exe one folder up.
        {L"C:\\h2\\My Tool\\run.exe -x",
         Program(L"C:\\h2\\My Tool\\run.exe", L"-x", L"C:\\h2\\My Tool", L"\"C:\\h2\\My Tool\\run.exe\" -x")},
        // The folder is missing: nothing starts, and neither "C:\h2\My" nor My.exe stands in.
        {L"C:\\h2\\My Gone\\run.exe -x", Refused(LaunchRefusal::NotFound)},
        {L"C:\\h2\\My Gone\\run.exe", Refused(LaunchRefusal::NotFound)},
        {L"C:\\h2\\My", Refused(LaunchRefusal::NotFound)},
        // A quoted path is the program; the rest, quotes included, are its arguments.
        {L"\"C:\\h2\\My Tool\\run.exe\" -x \"a b\"",
         Program(L"C:\\h2\\My Tool\\run.exe", L"-x \"a b\"", L"C:\\h2\\My Tool",
                 L"\"C:\\h2\\My Tool\\run.exe\" -x \"a b\"")},
        {L"\"C:\\h2\\My Gone\\run.exe\" -x", Refused(LaunchRefusal::NotFound)},
        {L"\"C:\\h2\\My Tool\\run.exe -x", Refused(LaunchRefusal::NotFound)},
        {L"\"run.exe\" -x", Refused(LaunchRefusal::NotAbsolute)},
        // Environment variables are expanded before anything is decided.
        {L"%TOOLS%\\x.exe %TOOLS%", Program(L"D:\\My Tools\\x.exe", L"D:\\My Tools", L"D:\\My Tools",
                                            L"\"D:\\My Tools\\x.exe\" D:\\My Tools")},
        {L"\"%ProgramFiles%\\App\\app.exe\"",
         Program(L"C:\\Program Files\\App\\app.exe", L"", L"C:\\Program Files\\App",
                 L"\"C:\\Program Files\\App\\app.exe\"")},
        // A trailing dot or blank is an argument, never part of the file's name.
        {L"C:\\Tools\\Code.exe .",
         Program(L"C:\\Tools\\Code.exe", L".", L"C:\\Tools", L"\"C:\\Tools\\Code.exe\" .")},
        {L"C:\\Docs\\job.bat %NONE% 100%", ShellFile(L"C:\\Docs\\job.bat", L"%NONE% 100%", L"C:\\Docs")},
        // Other files go to the shell with their arguments, in their own folder; a root file starts in
        // the root, a share's file in the share.
        {L"C:\\Docs\\plan.lnk", ShellFile(L"C:\\Docs\\plan.lnk", L"", L"C:\\Docs")},
        {L"C:\\Docs\\job.bat one two", ShellFile(L"C:\\Docs\\job.bat", L"one two", L"C:\\Docs")},
        {L"C:\\app.COM", Program(L"C:\\app.COM", L"", L"C:\\", L"\"C:\\app.COM\"")},
        {L"\\\\server\\share\\tool.exe", Program(L"\\\\server\\share\\tool.exe", L"", L"\\\\server\\share",
                                                 L"\"\\\\server\\share\\tool.exe\"")},
        // Web addresses go to the shell as written, "%20" included.
        {L" https://example.com/a?b=%20c ", Address(L"https://example.com/a?b=%20c")},
        {L"HTTP://example.com", Address(L"HTTP://example.com")},
        {L"ftp://example.com/x.exe", Refused(LaunchRefusal::NotAbsolute)},
        // Relative names are never looked up, even where such a file would be found.
        {L"notepad.exe", Refused(LaunchRefusal::NotAbsolute)},
        {L"cmd /c x.bat", Refused(LaunchRefusal::NotAbsolute)},
        {L"\\Tools\\app.exe", Refused(LaunchRefusal::NotAbsolute)},
        {L"C:Tools\\app.exe", Refused(LaunchRefusal::NotAbsolute)},
        {L"\\\\\\server\\share\\tool.exe", Refused(LaunchRefusal::NotAbsolute)},
        {L"", Refused(LaunchRefusal::Empty)},
        {L" \t ", Refused(LaunchRefusal::Empty)},
    };
    for (const auto& c : cases) {
        const LaunchDecision got = DecideLaunch(c.text, files);
        EXPECT_EQ(got, c.expected) << testing::PrintToString(c.text) << " gave file "
                                   << testing::PrintToString(got.file) << ", arguments "
                                   << testing::PrintToString(got.arguments);
    }
}

TEST(LaunchDecision, On64BitWindowsTheFoldersAreThoseTheUserMeans) {
    FakeFiles files({L"C:\\Program Files\\a.exe", L"C:\\Program Files (x86)\\a.exe",
                     L"C:\\Program Files\\Common Files\\b.exe",
                     L"C:\\Program Files (x86)\\Common Files\\b.exe", L"C:\\Windows\\system32\\cmd.exe",
                     L"C:\\Windows\\Sysnative\\cmd.exe", L"C:\\Windows\\System32\\only32.exe",
                     L"C:\\Windows\\Sysnative\\tool64.exe"});
    const struct {
        const wchar_t* text;
        const wchar_t* on32; // the file started on 32-bit Windows; empty: none
        const wchar_t* on64;
    } cases[] = {
        {L"%ProgramFiles%\\a.exe", L"C:\\Program Files\\a.exe", L"C:\\Program Files\\a.exe"},
        {L"\"%commonprogramfiles%\\b.exe\" -q", L"C:\\Program Files\\Common Files\\b.exe",
         L"C:\\Program Files\\Common Files\\b.exe"},
        {L"C:\\Windows\\system32\\cmd.exe /c x", L"C:\\Windows\\system32\\cmd.exe",
         L"C:\\Windows\\Sysnative\\cmd.exe"},
        {L"%windir%\\System32\\only32.exe", L"C:\\Windows\\System32\\only32.exe",
         L"C:\\Windows\\System32\\only32.exe"},
        {L"C:\\Windows\\System32\\tool64.exe", L"", L"C:\\Windows\\Sysnative\\tool64.exe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        files.wow64 = false;
        EXPECT_EQ(DecideLaunch(c.text, files).file, c.on32);
        files.wow64 = true;
        EXPECT_EQ(DecideLaunch(c.text, files).file, c.on64);
    }
    // Started from Sysnative, the program is named and starts in the folder that it knows.
    const LaunchDecision cmd = DecideLaunch(L"C:\\Windows\\system32\\cmd.exe /c x", files);
    EXPECT_EQ(cmd.commandLine, L"\"C:\\Windows\\system32\\cmd.exe\" /c x");
    EXPECT_EQ(cmd.folder, L"C:\\Windows\\system32");
}

} // namespace
} // namespace kestrel
