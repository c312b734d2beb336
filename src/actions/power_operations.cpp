// The computer operations; see power_operations.h.
#include "actions/power_operations.h"

#include "base/texts.h"

namespace kestrel {

std::uint32_t ShutdownComputer(PowerControl& power) {
    if (const std::uint32_t error = power.EnableShutdownPrivilege()) {
        return error;
    }
    return power.ExitWindowsEx(kExitShutdownForced, kExitReason);
}

std::uint32_t RestartComputer(PowerControl& power) {
    if (const std::uint32_t error = power.EnableShutdownPrivilege()) {
        return error;
    }
    return power.ExitWindowsEx(kExitRebootForced, kExitReason);
}

std::uint32_t LockComputer(PowerControl& power) {
    // Locking needs no privilege, so the process token is left alone.
    return power.LockWorkStation();
}

std::uint32_t LogOffComputer(PowerControl& power) {
    // Ending one's own session needs no privilege either.
    return power.ExitWindowsEx(kExitLogOffForced, kExitReason);
}

std::uint32_t PerformComputerOperation(const std::wstring& operation, const std::function<void()>& save,
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
        std::uint32_t (*run)(PowerControl&);
    };
    static constexpr Entry kOperations[] = {
        {text::kOpShutdown, &ShutdownComputer},
        {text::kOpRestart, &RestartComputer},
        {text::kOpLock, &LockComputer},
        {text::kOpLogOff, &LogOffComputer},
    };
    for (const Entry& entry : kOperations) {
        if (operation == entry.name) {
            return entry.run(power);
        }
    }
    return 0;
}

} // namespace kestrel
