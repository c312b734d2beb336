// The real local clock.
#pragma once

#include "platform/clock.h"

namespace kestrel::win {

class SystemClock final : public Clock {
public:
    LocalDateTime Now() const override;
};

} // namespace kestrel::win
