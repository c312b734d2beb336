// The computer operations; see power_operations.h.
#include "actions/power_operations.h"

#include "base/texts.h"

namespace kestrel {

void ShutdownComputer(PowerControl& power) {
    power.EnableShutdownPrivilege();
    power.ExitWindowsEx(kExitShutdownForced, kExitReason);
}

void RestartComputer(PowerControl& power) {
    power.EnableShutdownPrivilege();
    power.ExitWindowsEx(kExitRebootForced, kExitReason);
}

void LockComputer(PowerControl& power) {
    // Locking needs no privilege, so the process token is left alone.
    power.LockWorkStation();
}

void LogOffComputer(PowerControl& power) {
    power.EnableShutdownPrivilege();
    power.ExitWindowsEx(kExitLogOffForced, kExitReason);
}

void PerformComputerOperation(const std::wstring& operation, const std::function<void()>& save,
                              PowerControl& power) {
    if (save) {
        try {
            save();
        } catch (...) {
            // Whatever went wrong with the file, the operation the user was warned about still happens.
        }
    }
    struct Entry {
        const wchar_t* name;
        void (*run)(PowerControl&);
    };
    static constexpr Entry kOperations[] = {
        {text::kOpShutdown, &ShutdownComputer},
        {text::kOpRestart, &RestartComputer},
        {text::kOpLock, &LockComputer},
        {text::kOpLogOff, &LogOffComputer},
    };
    for (const Entry& entry : kOperations) {
        if (operation == entry.name) {
            entry.run(power);
            return;
        }
    }
}

} // namespace kestrel
