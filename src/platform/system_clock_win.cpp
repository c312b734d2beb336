// The real local clock, from GetLocalTime.
#include "platform/system_clock_win.h"

#include <windows.h>

namespace kestrel::win {

LocalDateTime SystemClock::Now() const {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return LocalDateTime{now.wYear,   now.wMonth,  now.wDay,      now.wHour,
                         now.wMinute, now.wSecond, now.wDayOfWeek};
}

} // namespace kestrel::win
