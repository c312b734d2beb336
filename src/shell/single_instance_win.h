// One running copy of Kestrel per user session: how a second start finds the running copy's window,
// brings it forward and ends, and the named mutex that closes the gap between two starts at one moment.
#pragma once

#include "platform/handles_win.h"

#include <windows.h>

namespace kestrel::win {

inline constexpr wchar_t kSingleInstanceMutexName[] = L"Local\\Kestrel.SingleInstance";
// How long a second start waits for the first copy's window to appear before giving up.
inline constexpr DWORD kSingleInstancePatienceMs = 5000;

// The main window of a running Kestrel (hidden ones too): a top-level window of Kestrel's own class whose
// process runs this very program file or one of the same file name. A window that only looks like it
// (the same title, the same class in another program) is not one. nullptr when there is none.
HWND FindRunningKestrel();

// ActivatePreviousInstance: finds a running copy (FindRunningKestrel), shows it, restores it and brings
// it to the top. Returns whether one was found.
bool ActivatePreviousInstance();

// Makes sure only one copy runs. A copy's main window is how a later start finds it; the named mutex
// closes the gap between two starts at the same moment, before either window exists. Another program
// holding the name cannot keep Kestrel from starting: after the patience it starts all the same.
class SingleInstanceLock {
public:
    // True when this process is the one copy and should go on. False when another copy was brought
    // forward: this process ends at once. While the name is held and no window is there, waits up to
    // `patienceMs` for one (a copy starting at the same moment), then goes on.
    bool Claim(const wchar_t* mutexName = kSingleInstanceMutexName,
               DWORD patienceMs = kSingleInstancePatienceMs);

private:
    UniqueKernelHandle mutex_;
};

} // namespace kestrel::win
