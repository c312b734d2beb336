// Starting a run plan's program; see program_launcher_win.h.
#include "platform/program_launcher_win.h"

#include "platform/handles_win.h"

#include <shellapi.h>

#include <vector>

namespace kestrel::win {

namespace {

bool IsExistingFile(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The file itself through the shell: an .exe starts, a shortcut or a document opens with its program.
// The path is never parsed as a command line, so "C:\Program Files\x.exe" cannot start C:\Program.exe.
LaunchResult StartFile(const std::wstring& file, int show) {
    const auto slash = file.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? std::wstring() : file.substr(0, slash);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    // No error boxes from the shell (the caller reports once, without blocking), and no process handle
    // left behind.
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.lpVerb = nullptr;
    info.lpFile = file.c_str();
    info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    info.nShow = show;
    if (::ShellExecuteExW(&info)) {
        return {true, ERROR_SUCCESS};
    }
    const DWORD error = ::GetLastError();
    return {false, error != ERROR_SUCCESS ? error : ERROR_FILE_NOT_FOUND};
}

LaunchResult StartCommandLine(const std::wstring& commandLine, int show) {
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        return {false, ::GetLastError()};
    }
    UniqueKernelHandle thread(process.hThread);
    UniqueKernelHandle handle(process.hProcess);
    return {true, ERROR_SUCCESS};
}

class SystemProgramLauncher final : public ProgramLauncher {
public:
    LaunchResult Start(const std::wstring& program, bool hidden) override {
        if (program.empty()) {
            return {false, ERROR_FILE_NOT_FOUND};
        }
        const int show = hidden ? SW_HIDE : SW_SHOWNORMAL;
        return IsExistingFile(program) ? StartFile(program, show) : StartCommandLine(program, show);
    }
};

} // namespace

ProgramLauncher& SystemLauncher() {
    static SystemProgramLauncher launcher;
    return launcher;
}

std::wstring SystemErrorText(DWORD error) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length > 0 && buffer != nullptr ? std::wstring(buffer, length) : std::wstring();
    ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) {
        text.pop_back();
    }
    return text;
}

} // namespace kestrel::win
