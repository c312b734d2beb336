// The single running copy; see single_instance_win.h.
#include "shell/single_instance_win.h"

#include "platform/module_win.h"
#include "platform/path_name.h"
#include "platform/process_table_win.h"
#include "platform/text_compare.h"
#include "shell/main_window_win.h"

namespace kestrel::win {

HWND FindRunningKestrel() {
    const std::wstring own = ExecutablePath();
    for (HWND window = ::FindWindowExW(nullptr, nullptr, kMainWindowClass, nullptr); window;
         window = ::FindWindowExW(nullptr, window, kMainWindowClass, nullptr)) {
        DWORD processId = 0;
        if (!::GetWindowThreadProcessId(window, &processId) || processId == 0) {
            continue;
        }
        const std::wstring program = ProcessImagePath(processId);
        if (!program.empty() &&
            (EqualIgnoringCase(program, own) || EqualIgnoringCase(FileNameOf(program), FileNameOf(own)))) {
            return window;
        }
    }
    return nullptr;
}

bool ActivatePreviousInstance() {
    HWND previous = FindRunningKestrel();
    if (!previous) {
        return false;
    }
    ::ShowWindow(previous, SW_SHOW);
    ::ShowWindow(previous, SW_RESTORE);
    ::SetWindowPos(previous, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    // This process was just started by the user, so it may hand the foreground on.
    DWORD owner = 0;
    if (::GetWindowThreadProcessId(previous, &owner) && owner) {
        ::AllowSetForegroundWindow(owner);
    }
    ::SetForegroundWindow(previous);
    return true;
}

bool SingleInstanceLock::Claim(const wchar_t* mutexName, DWORD patienceMs) {
    if (ActivatePreviousInstance()) {
        return false;
    }
    // Owned by this thread for the whole run; the system releases it when the process ends, however
    // it ends.
    mutex_.reset(::CreateMutexW(nullptr, TRUE, mutexName));
    if (!mutex_ || ::GetLastError() != ERROR_ALREADY_EXISTS) {
        // Either this is the first copy, or the mutex cannot be made at all: then only the window,
        // already looked for, can tell, and the start goes on.
        return true;
    }
    // Someone holds the name: a copy starting (its window comes soon) or ending (the name comes free), or
    // another program that took the name, which must not keep Kestrel from starting.
    constexpr DWORD kStepMs = 100;
    for (DWORD waited = 0; waited < patienceMs; waited += kStepMs) {
        const DWORD wait = ::WaitForSingleObject(mutex_.get(), kStepMs);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
            // The other copy has ended; this one takes over, unless a third one won the race.
            return !ActivatePreviousInstance();
        }
        if (ActivatePreviousInstance()) {
            return false;
        }
    }
    return true;
}

} // namespace kestrel::win
