// Starting a run plan's program; see program_launcher_win.h.
#include "platform/program_launcher_win.h"
#include "base/app_messages.h"

#include "platform/handles_win.h"

#include <shellapi.h>

#include <optional>
#include <vector>

namespace kestrel::win {

namespace {

class SystemLaunchFiles final : public LaunchFiles {
public:
    std::optional<std::wstring> Variable(const std::wstring& name) const override {
        std::wstring value(256, L'\0');
        for (int attempt = 0; attempt < 4; ++attempt) {
            ::SetLastError(ERROR_SUCCESS);
            const DWORD length =
                ::GetEnvironmentVariableW(name.c_str(), value.data(), static_cast<DWORD>(value.size()));
            if (length == 0) {
                // Set but empty is still set.
                if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
                    return std::nullopt;
                }
                return std::wstring();
            }
            if (length < value.size()) {
                value.resize(length);
                return value;
            }
            value.resize(length); // the size needed, with its closing null
        }
        return std::nullopt;
    }
    bool Is32BitOn64Bit() const override {
        static const bool wow64 = [] {
            BOOL under = FALSE;
            return ::IsWow64Process(::GetCurrentProcess(), &under) && under;
        }();
        return wow64;
    }
    bool IsFile(const std::wstring& path) const override {
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }
};

LaunchResult Failed(DWORD error) {
    return {false, error != ERROR_SUCCESS ? error : static_cast<DWORD>(ERROR_FILE_NOT_FOUND)};
}

// The program itself is the application name, so CreateProcessW never splits the command line at a blank
// to find it; the command line repeats it in quotes, as programs expect their own name first.
LaunchResult StartProgramFile(const LaunchDecision& decision, int show, HANDLE* process) {
    std::vector<wchar_t> commandLine(decision.commandLine.begin(), decision.commandLine.end());
    commandLine.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(decision.file.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          decision.folder.c_str(), &startup, &started)) {
        return Failed(::GetLastError());
    }
    UniqueKernelHandle thread(started.hThread);
    UniqueKernelHandle handle(started.hProcess);
    if (process) {
        *process = handle.release();
    }
    return {true, ERROR_SUCCESS};
}

// A shortcut, batch file or document opens with its program; a web address in the browser.
LaunchResult OpenWithShell(const LaunchDecision& decision, int show, HANDLE* process) {
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    // No error boxes from the shell (the failure is told once, in the tray), and no process handle left
    // behind unless the caller takes it. The worker's thread lives on, so the shell may finish on it
    // (NOASYNC).
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC | (process ? SEE_MASK_NOCLOSEPROCESS : 0);
    info.lpFile = decision.file.c_str();
    info.lpParameters = decision.arguments.empty() ? nullptr : decision.arguments.c_str();
    info.lpDirectory = decision.folder.empty() ? nullptr : decision.folder.c_str();
    info.nShow = show;
    if (::ShellExecuteExW(&info)) {
        if (process) {
            *process = info.hProcess;
        }
        return {true, ERROR_SUCCESS};
    }
    return Failed(::GetLastError());
}

} // namespace

LaunchResult StartPlanProgram(const std::wstring& planText, bool hidden, HANDLE* process) {
    if (process) {
        *process = nullptr;
    }
    return StartDecided(
        DecideLaunch(planText, SystemLaunchFiles()), hidden,
        [process](const LaunchDecision& decision, int show) {
            return StartProgramFile(decision, show, process);
        },
        [process](const LaunchDecision& decision, int show) {
            return OpenWithShell(decision, show, process);
        });
}

LaunchResult StartDecided(const LaunchDecision& decision, bool hidden, const StartWay& program,
                          const StartWay& shell) {
    const int show = hidden ? SW_HIDE : SW_SHOWNORMAL;
    switch (decision.way) {
    case LaunchWay::Program: {
        const LaunchResult result = program(decision, show);
        // A program whose manifest asks for administrator rights is refused by CreateProcessW; the shell
        // starts the same file with the same arguments after the system's elevation prompt.
        return !result.started && result.error == ERROR_ELEVATION_REQUIRED ? shell(decision, show) : result;
    }
    case LaunchWay::ShellFile:
    case LaunchWay::WebAddress:
        return shell(decision, show);
    case LaunchWay::None:
        break;
    }
    return {false, ERROR_FILE_NOT_FOUND, decision.refusal};
}

bool NamesStartableProgram(const std::wstring& planText) {
    return DecideLaunch(planText, SystemLaunchFiles()).way != LaunchWay::None;
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

std::wstring ReasonText(DWORD error) {
    std::wstring text = SystemErrorText(error);
    return text.empty() ? NumberText(error) : text;
}

} // namespace kestrel::win
