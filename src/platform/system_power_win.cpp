// The real power calls: the process token's shutdown privilege, ExitWindowsEx and LockWorkStation. Each
// reports what the system said, so that a refused operation can be told to the user.
#include "platform/system_power_win.h"

#include "platform/handles_win.h"

#include <windows.h>

namespace kestrel::win {

namespace {

std::uint32_t LastErrorOr(DWORD fallback) {
    const DWORD error = ::GetLastError();
    return error != ERROR_SUCCESS ? error : fallback;
}

} // namespace

std::uint32_t SystemPower::EnableShutdownPrivilege() {
    UniqueKernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put())) {
        return LastErrorOr(ERROR_ACCESS_DENIED);
    }
    TOKEN_PRIVILEGES wanted{};
    if (!::LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &wanted.Privileges[0].Luid)) {
        return LastErrorOr(ERROR_NO_SUCH_PRIVILEGE);
    }
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!::AdjustTokenPrivileges(token.get(), FALSE, &wanted, 0, nullptr, nullptr)) {
        return LastErrorOr(ERROR_ACCESS_DENIED);
    }
    // The call succeeds even when the token does not hold the privilege at all; only the last error
    // tells, and then nothing was enabled.
    const DWORD error = ::GetLastError();
    return error == ERROR_NOT_ALL_ASSIGNED ? error : static_cast<DWORD>(ERROR_SUCCESS);
}

std::uint32_t SystemPower::ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) {
    return ::ExitWindowsEx(flags, reason) ? ERROR_SUCCESS : LastErrorOr(ERROR_ACCESS_DENIED);
}

std::uint32_t SystemPower::LockWorkStation() {
    // The documented call: a synthesized Windows+L is not honoured by current Windows and could reach the
    // program in front as a plain L.
    return ::LockWorkStation() ? ERROR_SUCCESS : LastErrorOr(ERROR_ACCESS_DENIED);
}

} // namespace kestrel::win
