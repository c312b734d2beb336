// The real clock, from GetLocalTime, GetSystemTimeAsFileTime, GetTickCount64 and
// QueryUnbiasedInterruptTime.
#include "platform/system_clock_win.h"

#include <windows.h>
#include <realtimeapiset.h>

namespace kestrel::win {

namespace {

LocalDateTime FromSystemTime(const SYSTEMTIME& time) {
    return LocalDateTime{time.wYear,   time.wMonth,  time.wDay,       time.wHour,
                         time.wMinute, time.wSecond, time.wDayOfWeek, time.wMilliseconds};
}

std::int64_t FileTimeValue(const FILETIME& time) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) |
                                     time.dwLowDateTime);
}

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kUnixEpochInFileTime = 116444736000000000LL;

} // namespace

LocalDateTime SystemClock::Now() const {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return FromSystemTime(now);
}

ClockReading SystemClock::Read() const {
    // One UTC reading, turned into local time by the offset in force now, so that the two never straddle a
    // second or a daylight-saving change.
    FILETIME utc{};
    ::GetSystemTimeAsFileTime(&utc);
    FILETIME local{};
    SYSTEMTIME localTime{};
    ClockReading reading;
    if (::FileTimeToLocalFileTime(&utc, &local) && ::FileTimeToSystemTime(&local, &localTime)) {
        reading.local = FromSystemTime(localTime);
        reading.utcOffsetMinutes =
            static_cast<int>((FileTimeValue(local) - FileTimeValue(utc)) / 600000000LL);
    } else {
        reading.local = Now();
    }
    reading.utcMs = (FileTimeValue(utc) - kUnixEpochInFileTime) / 10000;
    reading.tickMs = ::GetTickCount64();
    ULONGLONG awake = 0;
    reading.awakeMs = ::QueryUnbiasedInterruptTime(&awake) ? awake / 10000 : reading.tickMs;
    return reading;
}

} // namespace kestrel::win
