// The four computer operations a shutdown plan can name, and PerformComputerOperation, which saves the
// plans and then carries out the operation named. Only the countdown prompt calls it, when its count runs
// out or the user asks for the operation at once.
#pragma once

#include "platform/power.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kestrel {

// ExitWindowsEx flags: EWX_SHUTDOWN, EWX_REBOOT, EWX_LOGOFF, each with EWX_FORCE (4): running programs are
// ended without being asked, so the countdown prompt is the user's only warning.
inline constexpr std::uint32_t kExitShutdownForced = 5;
inline constexpr std::uint32_t kExitRebootForced = 6;
inline constexpr std::uint32_t kExitLogOffForced = 4;
// The reason Windows records for the shutdown: SHTDN_REASON_MAJOR_OTHER (0) | SHTDN_REASON_MINOR_OTHER
// (0xFF) | SHTDN_REASON_FLAG_PLANNED (0x80000000). A planned one: the user set it up in advance.
inline constexpr std::uint32_t kExitReason = 0x800000FF;

// Each returns 0 when Windows took the operation on, otherwise the system's error code. Shutting down and
// restarting take the shutdown privilege first, and go no further when it cannot be had; logging off and
// locking need none.
std::uint32_t ShutdownComputer(PowerControl& power);
std::uint32_t RestartComputer(PowerControl& power);
std::uint32_t LockComputer(PowerControl& power);
std::uint32_t LogOffComputer(PowerControl& power);

// Calls `save` first, for every name (lock and unknown names included), so the plan file holds the list
// of this moment before the session may end. Then runs the operation whose name equals `operation`
// exactly ("关闭计算机", "重启计算机", "锁定计算机", "注销计算机"); any other name does nothing more. A save
// that fails, even by throwing, does not stop the operation: the saver has told the user already, and a
// planned shutdown that silently does not happen would be worse. Returns the operation's result (0 for a
// name that is none of the four).
std::uint32_t PerformComputerOperation(const std::wstring& operation, const std::function<void()>& save,
                                       PowerControl& power);

} // namespace kestrel
