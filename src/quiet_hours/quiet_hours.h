// Quiet hours: up to 20 windows of time in which the computer is not to be used. Each window starts on
// chosen weekdays at a clock time and ends at another; an end at or before the start is on the next day
// ("21:00 to 07:00" on Monday runs from Monday 21:00 to Tuesday 07:00). The start minute belongs to the
// window, the end minute does not. Everything here is in local wall-clock minutes, as plans are.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

inline constexpr std::size_t kMaxQuietWindows = 20;
// A stored value larger than this is not read at all.
inline constexpr std::size_t kMaxQuietHoursBytes = 64 * 1024;

struct QuietWindow {
    std::array<bool, 7> days{}; // the weekdays it starts on, Monday first
    int start = 0;              // minute of the day, 0..1439
    int end = 0;                // minute of the day; at or before `start`: on the next day
    std::wstring operation;     // "关闭计算机", "注销计算机" or "锁定计算机"

    bool operator==(const QuietWindow&) const = default;
};

// Whether a window may have `operation`: exactly one of the three names.
bool IsQuietOperation(std::wstring_view operation);

// The stored line: seven digits 0/1 for Monday to Sunday, the start and end as "HH:MM" and the operation,
// one blank between them: "1111001 21:00 07:00 关闭计算机".
std::wstring QuietWindowLine(const QuietWindow& window);
// The window of a stored line; nullopt when it cannot be read (another layout, a time out of range, an
// operation that is not exactly one of the three, no day, or the start equal to the end).
std::optional<QuietWindow> ParseQuietWindowLine(std::wstring_view line);

// How the windows are shown: "一 二 三 四 天" (the editors' day characters) or "每天", and
// "一 二 三 四 天 21:00–07:00 关闭计算机" for a whole window.
std::wstring QuietDaysText(const QuietWindow& window);
std::wstring QuietWindowText(const QuietWindow& window);
// "HH:MM" of a minute of the day.
std::wstring QuietTimeText(int minuteOfDay);

struct QuietHoursRead {
    std::vector<QuietWindow> windows;
    // Something was there that could not be read: a line (or a line beyond the 20th), or the whole value
    // (another type than a multi-string, or over 64 KiB, which then gives no windows at all).
    bool damaged = false;
};
// Reads the stored value from its type (registry numbering) and raw bytes.
QuietHoursRead ReadQuietHours(std::uint32_t type, std::span<const std::uint8_t> bytes);
// The value's lines for writing, one per window.
std::vector<std::wstring> QuietHoursLines(const std::vector<QuietWindow>& windows);

// Monday = 0 .. Sunday = 6 of a day number (days since 1970-01-01, as MinuteNumber counts them / 1440).
int QuietWeekday(std::int64_t day);
// How many minutes a window lasts: up to its end, on the next day when the end is at or before the start.
int QuietLength(const QuietWindow& window);

// One time a window runs: from `start` up to, not including, `end`, both local minute numbers as
// MinuteNumber counts them.
struct QuietOccurrence {
    std::size_t window = 0; // index in the list
    std::int64_t start = 0;
    std::int64_t end = 0;

    bool operator==(const QuietOccurrence&) const = default;
};

// The windows a minute is inside, in the list's order; no window is ever inside twice, since none lasts a
// whole day.
struct QuietOccurrences {
    std::array<QuietOccurrence, kMaxQuietWindows> items{};
    std::size_t count = 0;
    const QuietOccurrence* begin() const { return items.data(); }
    const QuietOccurrence* end() const { return items.data() + count; }
};
QuietOccurrences OccurrencesAt(const std::vector<QuietWindow>& windows, std::int64_t minute);

// The first window to start after `minute` (within the coming week), the first in the list among those
// starting together; nullopt when there is none.
std::optional<QuietOccurrence> NextQuietStart(const std::vector<QuietWindow>& windows, std::int64_t minute);

} // namespace kestrel
