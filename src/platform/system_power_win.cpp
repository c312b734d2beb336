// The real power calls: the process token's shutdown privilege, ExitWindowsEx and LockWorkStation.
// Results are not examined: a refused call simply has no effect, and there is no one to tell but the
// user, who sees that the computer did not shut down.
#include "platform/system_power_win.h"

#include "platform/handles_win.h"

#include <windows.h>

namespace kestrel::win {

void SystemPower::EnableShutdownPrivilege() {
    UniqueKernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) {
        return;
    }
    TOKEN_PRIVILEGES wanted{};
    if (!::LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &wanted.Privileges[0].Luid)) {
        return;
    }
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    // One entry fits the record exactly (16 bytes); the previous state is asked for but not used.
    TOKEN_PRIVILEGES previous{};
    DWORD previousLength = 0;
    ::AdjustTokenPrivileges(token.get(), FALSE, &wanted, sizeof(previous), &previous, &previousLength);
}

void SystemPower::ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) {
    ::ExitWindowsEx(flags, reason);
}

void SystemPower::LockWorkStation() {
    // The documented call: a synthesized Windows+L is not honoured by current Windows and could reach the
    // program in front as a plain L.
    ::LockWorkStation();
}

} // namespace kestrel::win
