// The real clock: local time, UTC and the system's two tick counts.
#pragma once

#include "platform/clock.h"

namespace kestrel::win {

class SystemClock final : public Clock {
public:
    LocalDateTime Now() const override;
    ClockReading Read() const override;
};

} // namespace kestrel::win
