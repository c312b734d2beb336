// The launch decision over a fake file system: which file a run plan's text starts, and never a decoy.
#include "platform/launch_decision.h"

#include <gtest/gtest.h>

#include <set>

namespace kestrel {
namespace {

// Files exist exactly as listed (no case folding, nothing appended, no search); %ProgramFiles% and
// %TOOLS% are the only variables.
class FakeFiles final : public LaunchFiles {
public:
    explicit FakeFiles(std::set<std::wstring> files) : files_(std::move(files)) {}
    std::wstring ExpandEnvironment(const std::wstring& text) const override {
        std::wstring out = text;
        for (const auto& [name, value] :
             {std::pair<std::wstring, std::wstring>{L"%ProgramFiles%", L"C:\\Program Files"},
              {L"%TOOLS%", L"D:\\My Tools"}}) {
            for (std::size_t at; (at = out.find(name)) != std::wstring::npos;) {
                out.replace(at, name.size(), value);
            }
        }
        return out;
    }
    bool IsFile(const std::wstring& path) const override { return files_.count(path) != 0; }

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
                           L"notepad.exe", L"\\Tools\\app.exe", L"C:Tools\\app.exe"});
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

} // namespace
} // namespace kestrel
