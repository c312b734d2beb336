// The real clock: local time, UTC, the system's two tick counts and the time zone by its name.
#pragma once

#include "platform/clock.h"

#include <string>

namespace kestrel::win {

class SystemClock final : public Clock {
public:
    LocalDateTime Now() const override;
    ClockReading Read() const override;

private:
    // The definition of the zone read last, so that the registry is read once per zone, not every second
    // (Windows' list of zones is the machine's, only an administrator changes it).
    mutable std::wstring definedName_;
    mutable bool defined_ = false;
    mutable int standardOffset_ = 0;
    mutable int daylightOffset_ = 0;
};

} // namespace kestrel::win
