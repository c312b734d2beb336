// The clock the portable core reads. Most readers want only the local date, time and weekday; the scheduler
// also reads the UTC offset, UTC itself and two tick counts, so that it can tell a late tick, a sleep, a
// daylight-saving change and a clock set by hand apart. The app passes the system clock, tests pass a
// fixed or simulated one.
#pragma once

#include <cstdint>
#include <string>

namespace kestrel {

struct LocalDateTime {
    int year = 2000;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int dayOfWeek = 6; // 0 = Sunday .. 6 = Saturday, as Windows' SYSTEMTIME and C's tm_wday count
    int millisecond = 0;
};

// Everything the scheduler reads, taken at one moment.
struct ClockReading {
    LocalDateTime local;
    int utcOffsetMinutes = 0;  // local time minus UTC, daylight saving included
    std::int64_t utcMs = 0;    // milliseconds since 1970-01-01 00:00 UTC
    std::uint64_t tickMs = 0;  // real time that also runs while the computer sleeps (GetTickCount64)
    std::uint64_t awakeMs = 0; // real time that stops while it sleeps (QueryUnbiasedInterruptTime)
    // The time zone in force by its name (the key of its definition in Windows' list of zones; empty when
    // Windows does not say), and the two offsets that definition gives, standard and daylight time, both
    // as local time minus UTC. zoneDefined is false when the list holds no definition of that name.
    std::wstring zoneName;
    bool zoneDefined = false;
    int zoneStandardOffsetMinutes = 0;
    int zoneDaylightOffsetMinutes = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalDateTime Now() const = 0;
    virtual ClockReading Read() const = 0;
};

// Days from 1970-01-01 to the given civil date (proleptic Gregorian), and back.
std::int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(std::int64_t days, int& year, int& month, int& day);
// The local date and time of minute number `minute` (minutes since 1970-01-01 00:00 of the same clock).
LocalDateTime LocalFromMinute(std::int64_t minute);
// Minutes since 1970-01-01 00:00 of the reading's own clock, seconds dropped.
std::int64_t MinuteNumber(const LocalDateTime& when);
// Seconds since 1970-01-01 00:00 of the reading's own clock, and back.
std::int64_t SecondNumber(const LocalDateTime& when);
LocalDateTime LocalFromSecond(std::int64_t second);

inline constexpr std::int64_t kMinutesPerDay = 24 * 60;
// Division that rounds towards minus infinity, so that times before 1970 fall in the right day or minute.
inline std::int64_t FloorDiv(std::int64_t value, std::int64_t by) {
    return value / by - ((value % by != 0) && ((value < 0) != (by < 0)) ? 1 : 0);
}

// A clock that always answers the time it was given; for tests and benchmarks. Its UTC equals its local
// time and both tick counts follow it, so moving it forward looks like time passing while awake.
class FixedClock final : public Clock {
public:
    explicit FixedClock(LocalDateTime now) : now_(now) {}
    LocalDateTime Now() const override { return now_; }
    ClockReading Read() const override;
    void Set(LocalDateTime now) { now_ = now; }

private:
    LocalDateTime now_;
};

// More time than this spent asleep between two readings is a sleep: the tick that runs in sleep gained on
// the one that stops there. Never a power notice alone, which any program may post.
inline constexpr std::int64_t kAsleepThresholdMs = 2000;
bool SleptBetween(const ClockReading& before, const ClockReading& now);

} // namespace kestrel
