// Where quiet hours are kept between runs: the windows (HKCU\Software\Kestrel\QuietHours) and the excused
// windows (QuietHoursExcused), both multi-string values of one line each. The app passes the registry,
// tests a fake.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

struct StoredValue {
    std::uint32_t type = 0; // as Windows numbers value types (platform/registry_value_text.h)
    std::vector<std::uint8_t> bytes;
};

class QuietHoursStore {
public:
    virtual ~QuietHoursStore() = default;
    // The windows' value as it is stored; nullopt when there is none. A value that is there but cannot be
    // read comes back with type 0 (REG_NONE), so that it reads as damaged.
    virtual std::optional<StoredValue> ReadWindows() = 0;
    // Writes one line per window; no lines removes the value. True when written.
    virtual bool WriteWindows(const std::vector<std::wstring>& lines) = 0;
    virtual std::vector<std::wstring> ReadExcuses() = 0;
    virtual bool WriteExcuses(const std::vector<std::wstring>& lines) = 0;
};

} // namespace kestrel
