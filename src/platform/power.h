// What Kestrel asks of the system to end or lock the session. The power operations talk only to this
// interface: the app passes the real one, tests a recorder, so no test can power anything off.
// Each call returns 0 when the system did what was asked, otherwise the system's error code.
#pragma once

#include <cstdint>

namespace kestrel {

class PowerControl {
public:
    virtual ~PowerControl() = default;
    // Enables SeShutdownPrivilege in the process token, which ExitWindowsEx needs to shut down or restart.
    // A token that does not hold the privilege at all is a failure too (ERROR_NOT_ALL_ASSIGNED).
    virtual std::uint32_t EnableShutdownPrivilege() = 0;
    // ExitWindowsEx with these flags and this reason (named after the call: winuser.h makes ExitWindows a
    // macro); it returns at once and the session ends later.
    virtual std::uint32_t ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) = 0;
    // Locks the workstation; needs no privilege.
    virtual std::uint32_t LockWorkStation() = 0;
};

} // namespace kestrel
