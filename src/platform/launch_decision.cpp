// The launch decision of a run plan; see launch_decision.h.
#include "platform/launch_decision.h"

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

LaunchDecision Refused(LaunchRefusal why) {
    LaunchDecision decision;
    decision.refusal = why;
    return decision;
}

LaunchDecision FileWithArguments(std::wstring file, std::wstring_view rest) {
    LaunchDecision decision;
    decision.arguments = std::wstring(TrimBlanks(rest));
    decision.folder = FolderOf(file);
    if (EndsWithNoCase(file, L".exe") || EndsWithNoCase(file, L".com")) {
        decision.way = LaunchWay::Program;
        decision.commandLine = L"\"" + file + L"\"";
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
    if (!files.IsFile(file)) {
        return Refused(LaunchRefusal::NotFound);
    }
    return FileWithArguments(file, text.substr(close + 1));
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
        if (files.IsFile(candidate)) {
            return FileWithArguments(candidate, text.substr(end));
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
    const std::wstring expanded = files.ExpandEnvironment(std::wstring(raw));
    const std::wstring_view text = TrimBlanks(expanded);
    if (text.empty()) {
        return Refused(LaunchRefusal::Empty);
    }
    return text.front() == L'"' ? QuotedFile(text, files) : LongestExistingFile(text, files);
}

} // namespace kestrel
