// What a run plan's text asks to start, decided without Windows: which file, with which arguments, and
// through which call. The text is never handed to Windows to guess at: the only question asked of the file
// system is whether a path, exactly as written, is an existing file. Nothing is appended (no ".exe"), no
// folder is searched, and a relative name is never looked up in the current folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// What the decision needs from the system; the launcher passes the real one, tests a fake.
class LaunchFiles {
public:
    virtual ~LaunchFiles() = default;
    // The value of the environment variable `name` (letter case ignored, as Windows does); nullopt when
    // it is not set.
    virtual std::optional<std::wstring> Variable(const std::wstring& name) const = 0;
    // True when this 32-bit program runs on 64-bit Windows, which shows it the 32-bit Program Files as
    // %ProgramFiles% and SysWOW64 as System32.
    virtual bool Is32BitOn64Bit() const = 0;
    // True when `path` is an existing file (a folder is not).
    virtual bool IsFile(const std::wstring& path) const = 0;
};

enum class LaunchWay {
    None,       // nothing is started; `refusal` says why
    Program,    // an .exe or .com: CreateProcessW with `file` as the application and `commandLine`
    ShellFile,  // any other file (a shortcut, a batch file, a document): ShellExecuteExW with `arguments`
    WebAddress, // an http or https address: the shell opens it in the browser
};

enum class LaunchRefusal {
    None,
    Empty,       // nothing but blanks
    NotAbsolute, // the program is not named by a full path ("notepad.exe", "cmd /c x.bat")
    NotFound,    // a full path, but no part of the text up to a blank is an existing file
};

struct LaunchDecision {
    LaunchWay way = LaunchWay::None;
    LaunchRefusal refusal = LaunchRefusal::None;
    std::wstring file;        // the program, the file or the web address
    std::wstring arguments;   // the rest of the text after the program, without its leading blanks
    std::wstring folder;      // the file's own folder as written, where it starts; empty for a web address
    std::wstring commandLine; // Program only: the file as written in quotes, a blank and the arguments if any

    friend bool operator==(const LaunchDecision&, const LaunchDecision&) = default;
};

// The decision for a run plan's text (column 5), after its environment variables are expanded:
// - an http:// or https:// address goes to the shell as it is;
// - a text that begins with a quote names the quoted path as the file, the rest are its arguments;
// - otherwise the file is the longest part of the text, from its start to the end or to a blank, that is
//   an existing file, and the rest are its arguments. So "C:\h2\My Tool\run.exe -x" starts run.exe with
//   -x, and never C:\h2\My.exe, even when the folder "My Tool" is missing.
// The file must be a full path ("C:\..." or "\\server\share\...") to an existing file. A path that
// ends in a dot or a blank is never the file: Windows would find the file without them, so
// "C:\Tools\Code.exe ." starts Code.exe with the argument ".".
// On 64-bit Windows the folders mean what the user means, never what a 32-bit program is shown:
// %ProgramFiles% and %CommonProgramFiles% are the 64-bit ones (%ProgramW6432%, %CommonProgramW6432%), and
// a file under %windir%\System32 is the one in the 64-bit System32, reached as %windir%\Sysnative, when
// it is there; otherwise the file as written.
LaunchDecision DecideLaunch(const std::wstring& planText, const LaunchFiles& files);

// A full path: a drive letter, a colon and a backslash (or slash), or a UNC path "\\server\share".
bool IsFullPath(std::wstring_view path);

} // namespace kestrel
