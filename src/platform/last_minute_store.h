// Where the scheduler keeps the last minute it looked at between runs: the registry in the app, a fake in
// tests. The minute is a UTC minute number (minutes since 1970-01-01 00:00 UTC).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kestrel {

class LastMinuteStore {
public:
    virtual ~LastMinuteStore() = default;
    // Empty when nothing was kept yet or what was kept cannot be read.
    virtual std::optional<std::int64_t> Load() = 0;
    virtual void Save(std::int64_t utcMinute) = 0;
};

// The decimal text the minute is kept as, and back; a text that is not a plain decimal number reads as none.
std::optional<std::int64_t> ParseStoredMinute(const std::wstring& text);

} // namespace kestrel
