// The launch decision of a run plan; see launch_decision.h.
#include "platform/launch_decision.h"

#include "platform/text_compare.h"

#include <utility>

namespace kestrel {

namespace {

bool IsBlank(wchar_t ch) {
    return ch == L' ' || ch == L'\t';
}

bool IsSeparator(wchar_t ch) {
    return ch == L'\\' || ch == L'/';
}

wchar_t AsciiLower(wchar_t ch) {
    return ch >= L'A' && ch <= L'Z' ? static_cast<wchar_t>(ch - L'A' + L'a') : ch;
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiLower(text[i]) != prefix[i]) {
            return false;
        }
    }
    return true;
}

bool EndsWithNoCase(std::wstring_view text, std::wstring_view suffix) {
    return text.size() >= suffix.size() && StartsWithNoCase(text.substr(text.size() - suffix.size()), suffix);
}

std::wstring_view TrimBlanks(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::wstring FolderOf(const std::wstring& file) {
    const std::size_t slash = file.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        return {};
    }
    // "C:\x.exe" starts in "C:\"; plain "C:" would be the drive's current folder instead.
    if (slash == 2 && file[1] == L':') {
        return file.substr(0, 3);
    }
    return file.substr(0, slash);
}

// The value a run plan means by the variable `name`. A 32-bit program on 64-bit Windows is shown the
// 32-bit Program Files as %ProgramFiles%; the user means the folder Windows names for everyone.
std::optional<std::wstring> PlanVariable(const std::wstring& name, const LaunchFiles& files) {
    if (files.Is32BitOn64Bit()) {
        for (const auto& [shown, meant] : {std::pair{L"ProgramFiles", L"ProgramW6432"},
                                           std::pair{L"CommonProgramFiles", L"CommonProgramW6432"}}) {
            if (EqualIgnoringCase(name, shown)) {
                if (std::optional<std::wstring> value = files.Variable(meant)) {
                    return value;
                }
            }
        }
    }
    return files.Variable(name);
}

// Replaces each %NAME% from left to right, as ExpandEnvironmentStringsW does: a name that is not set
// stays as written with both its signs, and a "%" without a partner is kept.
std::wstring ExpandEnvironment(std::wstring_view text, const LaunchFiles& files) {
    std::wstring out;
    while (!text.empty()) {
        const std::size_t open = text.find(L'%');
        out += text.substr(0, open);
        if (open == std::wstring_view::npos) {
            break;
        }
        text.remove_prefix(open);
        const std::size_t close = text.find(L'%', 1);
        if (close == std::wstring_view::npos) {
            out += text;
            break;
        }
        const std::optional<std::wstring> value =
            close > 1 ? PlanVariable(std::wstring(text.substr(1, close - 1)), files) : std::nullopt;
        out += value ? *value : std::wstring(text.substr(0, close + 1));
        text.remove_prefix(close + 1);
    }
    return out;
}

// `file` under the 64-bit System32 when it lies under %windir%\System32 and this is a 32-bit program on
// 64-bit Windows: the system shows such a program SysWOW64 in its place, and the 64-bit folder only as
// %windir%\Sysnative. Empty otherwise. File-system redirection is never switched off to reach it instead:
// the shell would then load its own libraries from the wrong folder.
std::wstring NativeSystemFile(const std::wstring& file, const LaunchFiles& files) {
    static constexpr std::wstring_view kSystem = L"System32";
    const std::optional<std::wstring> windir =
        files.Is32BitOn64Bit() ? files.Variable(L"windir") : std::nullopt;
    std::wstring_view root = windir ? std::wstring_view(*windir) : std::wstring_view();
    while (!root.empty() && IsSeparator(root.back())) {
        root.remove_suffix(1);
    }
    const std::wstring_view path = file;
    const std::size_t at = root.size() + 1; // where "System32" would begin
    if (root.empty() || path.size() <= at + kSystem.size() + 1 ||
        !EqualIgnoringCase(path.substr(0, root.size()), root) || !IsSeparator(path[root.size()]) ||
        !EqualIgnoringCase(path.substr(at, kSystem.size()), kSystem) ||
        !IsSeparator(path[at + kSystem.size()])) {
        return {};
    }
    return file.substr(0, at) + L"Sysnative" + file.substr(at + kSystem.size());
}

// The file to start for a path as written, when it names an existing file.
std::optional<std::wstring> ExistingFile(const std::wstring& candidate, const LaunchFiles& files) {
    // Windows drops trailing dots and blanks when it looks a path up, so "Code.exe ." would be found as
    // Code.exe and its argument lost.
    if (candidate.empty() || candidate.back() == L'.' || IsBlank(candidate.back())) {
        return std::nullopt;
    }
    if (std::wstring native = NativeSystemFile(candidate, files); !native.empty() && files.IsFile(native)) {
        return native;
    }
    return files.IsFile(candidate) ? std::optional<std::wstring>(candidate) : std::nullopt;
}

LaunchDecision Refused(LaunchRefusal why) {
    LaunchDecision decision;
    decision.refusal = why;
    return decision;
}

// `file` is what starts; `written` the path as the text names it, which the program is shown as its own
// name and where it starts: a 64-bit program started from Sysnative knows no such folder.
LaunchDecision FileWithArguments(std::wstring file, const std::wstring& written, std::wstring_view rest) {
    LaunchDecision decision;
    decision.arguments = std::wstring(TrimBlanks(rest));
    decision.folder = FolderOf(written);
    if (EndsWithNoCase(file, L".exe") || EndsWithNoCase(file, L".com")) {
        decision.way = LaunchWay::Program;
        decision.commandLine = L"\"" + written + L"\"";
        if (!decision.arguments.empty()) {
            decision.commandLine += L" " + decision.arguments;
        }
    } else {
        decision.way = LaunchWay::ShellFile;
    }
    decision.file = std::move(file);
    return decision;
}

LaunchDecision QuotedFile(std::wstring_view text, const LaunchFiles& files) {
    const std::size_t close = text.find(L'"', 1);
    if (close == std::wstring_view::npos) {
        return Refused(LaunchRefusal::NotFound);
    }
    const std::wstring file(text.substr(1, close - 1));
    if (!IsFullPath(file)) {
        return Refused(LaunchRefusal::NotAbsolute);
    }
    const std::optional<std::wstring> existing = ExistingFile(file, files);
    if (!existing) {
        return Refused(LaunchRefusal::NotFound);
    }
    return FileWithArguments(*existing, file, text.substr(close + 1));
}

// The longest part from the start that ends at the end of the text or right before a blank and is an
// existing file. Shorter parts are tried only after every longer one failed, so a decoy "C:\h2\My.exe"
// can never stand in for "C:\h2\My Tool\run.exe".
LaunchDecision LongestExistingFile(std::wstring_view text, const LaunchFiles& files) {
    if (!IsFullPath(text)) {
        return Refused(LaunchRefusal::NotAbsolute);
    }
    for (std::size_t end = text.size(); end > 0; --end) {
        const bool endsPart = end == text.size() || (IsBlank(text[end]) && !IsBlank(text[end - 1]));
        if (!endsPart) {
            continue;
        }
        const std::wstring candidate(text.substr(0, end));
        if (const std::optional<std::wstring> existing = ExistingFile(candidate, files)) {
            return FileWithArguments(*existing, candidate, text.substr(end));
        }
    }
    return Refused(LaunchRefusal::NotFound);
}

} // namespace

bool IsFullPath(std::wstring_view path) {
    if (path.size() >= 3 && ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
        path[1] == L':' && IsSeparator(path[2])) {
        return true;
    }
    // "\\server\share" (and "\\?\C:\..."): two separators and a name right after them.
    return path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && !IsSeparator(path[2]) &&
           !IsBlank(path[2]);
}

LaunchDecision DecideLaunch(const std::wstring& planText, const LaunchFiles& files) {
    // Web addresses are recognised before expansion: "%20" in an address is not a variable.
    const std::wstring_view raw = TrimBlanks(planText);
    if (StartsWithNoCase(raw, L"http://") || StartsWithNoCase(raw, L"https://")) {
        LaunchDecision decision;
        decision.way = LaunchWay::WebAddress;
        decision.file = std::wstring(raw);
        return decision;
    }
    const std::wstring expanded = ExpandEnvironment(raw, files);
    const std::wstring_view text = TrimBlanks(expanded);
    if (text.empty()) {
        return Refused(LaunchRefusal::Empty);
    }
    return text.front() == L'"' ? QuotedFile(text, files) : LongestExistingFile(text, files);
}

} // namespace kestrel
