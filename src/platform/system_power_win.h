// The real power calls. Never used by a test for anything but the privilege step: ExitWindowsEx ends the
// Wine session under Wine and powers off a real Windows machine.
#pragma once

#include "platform/power.h"

namespace kestrel::win {

class SystemPower final : public PowerControl {
public:
    std::uint32_t EnableShutdownPrivilege() override;
    std::uint32_t ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override;
    std::uint32_t LockWorkStation() override;
};

} // namespace kestrel::win
