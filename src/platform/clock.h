// The clock the portable core reads: local date, time and weekday. The app passes the system clock,
// tests pass a fixed or stepped one.
#pragma once

namespace kestrel {

struct LocalDateTime {
    int year = 2000;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int dayOfWeek = 6; // 0 = Sunday .. 6 = Saturday, as Windows' SYSTEMTIME and C's tm_wday count
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalDateTime Now() const = 0;
};

// A clock that always answers the time it was given; for tests and benchmarks.
class FixedClock final : public Clock {
public:
    explicit FixedClock(LocalDateTime now) : now_(now) {}
    LocalDateTime Now() const override { return now_; }
    void Set(LocalDateTime now) { now_ = now; }

private:
    LocalDateTime now_;
};

} // namespace kestrel
