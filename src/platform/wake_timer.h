// What Kestrel asks of the system to wake a sleeping computer for a plan and to keep it awake while the
// plan's work goes on. The plan waker talks only to this interface: the app passes the system's, tests a
// recorder, so no test ever sets a timer that could wake a real computer.
#pragma once

#include "platform/clock.h"

#include <cstdint>

namespace kestrel {

struct WakeTimerResult {
    bool set = false;        // the timer stands and can resume the computer
    std::uint32_t error = 0; // the system's reason when it cannot
};

class WakeTimer {
public:
    virtual ~WakeTimer() = default;
    // Sets the one timer (or moves it) to resume the computer at local time `due`.
    virtual WakeTimerResult Set(const LocalDateTime& due) = 0;
    virtual void Cancel() = 0;
    // Asks the system not to go to sleep while `on` (the display may still go dark); false lets it go.
    virtual void KeepSystemAwake(bool on) = 0;
};

} // namespace kestrel
