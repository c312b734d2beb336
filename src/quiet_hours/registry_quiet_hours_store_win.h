// Quiet hours in the registry: HKEY_CURRENT_USER\Software\Kestrel, the values QuietHours and
// QuietHoursExcused (REG_MULTI_SZ, one line each).
#pragma once

#include "quiet_hours/quiet_hours_store.h"

#include <windows.h>

namespace kestrel::win {

class RegistryQuietHoursStore final : public QuietHoursStore {
public:
    std::optional<StoredValue> ReadWindows() override;
    bool WriteWindows(const std::vector<std::wstring>& lines) override;
    std::vector<std::wstring> ReadExcuses() override;
    bool WriteExcuses(const std::vector<std::wstring>& lines) override;
};

// "HKEY_CURRENT_USER\Software\Kestrel\QuietHours", as the notice about unreadable lines names it.
std::wstring QuietHoursValueFullName();

} // namespace kestrel::win
