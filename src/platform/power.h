// What Kestrel asks of the system to end or lock the session. The power operations talk only to this
// interface: the app passes the real one, tests a recorder, so no test can power anything off.
#pragma once

#include <cstdint>

namespace kestrel {

class PowerControl {
public:
    virtual ~PowerControl() = default;
    // Enables SeShutdownPrivilege in the process token, which ExitWindowsEx needs to shut down or restart.
    virtual void EnableShutdownPrivilege() = 0;
    // ExitWindowsEx with these flags and this reason (named after the call: winuser.h makes ExitWindows a
    // macro); it returns at once and the session ends later.
    virtual void ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) = 0;
    // Locks the workstation; needs no privilege.
    virtual void LockWorkStation() = 0;
};

} // namespace kestrel
