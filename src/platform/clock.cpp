// Calendar arithmetic for the clock readings; see clock.h.
#include "platform/clock.h"

namespace kestrel {

std::int64_t DaysFromCivil(int year, int month, int day) {
    // Howard Hinnant's days_from_civil: exact for every Gregorian date, no tables.
    const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t doe = days - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

std::int64_t MinuteNumber(const LocalDateTime& when) {
    return DaysFromCivil(when.year, when.month, when.day) * 1440 + when.hour * 60 + when.minute;
}

LocalDateTime LocalFromMinute(std::int64_t minute) {
    std::int64_t days = minute / 1440;
    std::int64_t ofDay = minute % 1440;
    if (ofDay < 0) {
        ofDay += 1440;
        --days;
    }
    LocalDateTime when;
    CivilFromDays(days, when.year, when.month, when.day);
    when.hour = static_cast<int>(ofDay / 60);
    when.minute = static_cast<int>(ofDay % 60);
    when.second = 0;
    // 1970-01-01 was a Thursday (4).
    when.dayOfWeek = static_cast<int>(((days % 7) + 7 + 4) % 7);
    return when;
}

ClockReading FixedClock::Read() const {
    ClockReading reading;
    reading.local = now_;
    const std::int64_t ms = (MinuteNumber(now_) * 60 + now_.second) * 1000 + now_.millisecond;
    reading.utcMs = ms;
    reading.tickMs = static_cast<std::uint64_t>(ms);
    reading.awakeMs = static_cast<std::uint64_t>(ms);
    return reading;
}

std::int64_t SecondNumber(const LocalDateTime& when) {
    return MinuteNumber(when) * 60 + when.second;
}

LocalDateTime LocalFromSecond(std::int64_t second) {
    std::int64_t minute = second / 60;
    std::int64_t ofMinute = second % 60;
    if (ofMinute < 0) {
        ofMinute += 60;
        --minute;
    }
    LocalDateTime when = LocalFromMinute(minute);
    when.second = static_cast<int>(ofMinute);
    return when;
}

bool SleptBetween(const ClockReading& before, const ClockReading& now) {
    // Both counts are unsigned and only grow; the time asleep is what the sleeping one gained beyond the
    // other.
    const auto tickGap = static_cast<std::int64_t>(now.tickMs - before.tickMs);
    const auto awakeGap = static_cast<std::int64_t>(now.awakeMs - before.awakeMs);
    return tickGap - awakeGap > kAsleepThresholdMs;
}

} // namespace kestrel
