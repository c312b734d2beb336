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
inline constexpr std::uint32_t kExitReason = 0xFFFFFFFF;

void ShutdownComputer(PowerControl& power);
void RestartComputer(PowerControl& power);
void LockComputer(PowerControl& power);
void LogOffComputer(PowerControl& power);

// Calls `save` first, for every name (lock and unknown names included), so the plan file holds the list
// of this moment before the session may end. Then runs the operation whose name equals `operation`
// exactly ("关闭计算机", "重启计算机", "锁定计算机", "注销计算机"); any other name does nothing more. A save
// that fails, even by throwing, does not stop the operation: the saver has told the user already, and a
// planned shutdown that silently does not happen would be worse.
void PerformComputerOperation(const std::wstring& operation, const std::function<void()>& save,
                              PowerControl& power);

} // namespace kestrel
