// Quiet hours; see quiet_hours.h.
#include "quiet_hours/quiet_hours.h"

#include "base/clock_text.h"
#include "base/texts.h"
#include "platform/registry_value_text.h"

namespace kestrel {

namespace {

constexpr std::size_t kDayDigits = 7;

// Where the time of `window` that begins at `start` ends.
std::int64_t EndOf(const QuietWindow& window, std::int64_t start) {
    return start + QuietLength(window);
}

} // namespace

int QuietWeekday(std::int64_t day) {
    // 1970-01-01 was a Thursday.
    return static_cast<int>(((day % 7) + 7 + 3) % 7);
}

int QuietLength(const QuietWindow& window) {
    return window.end > window.start ? window.end - window.start : window.end + 24 * 60 - window.start;
}

bool IsQuietOperation(std::wstring_view operation) {
    return operation == text::kOpShutdown || operation == text::kOpLogOff || operation == text::kOpLock;
}

std::wstring QuietTimeText(int minuteOfDay) {
    const int hour = minuteOfDay / 60;
    const int minute = minuteOfDay % 60;
    std::wstring time(5, L':');
    time[0] = static_cast<wchar_t>(L'0' + hour / 10);
    time[1] = static_cast<wchar_t>(L'0' + hour % 10);
    time[3] = static_cast<wchar_t>(L'0' + minute / 10);
    time[4] = static_cast<wchar_t>(L'0' + minute % 10);
    return time;
}

std::wstring QuietWindowLine(const QuietWindow& window) {
    std::wstring line;
    for (const bool day : window.days) {
        line += day ? L'1' : L'0';
    }
    return line + L' ' + QuietTimeText(window.start) + L' ' + QuietTimeText(window.end) + L' ' +
           window.operation;
}

std::optional<QuietWindow> ParseQuietWindowLine(std::wstring_view line) {
    // "1111001 21:00 07:00 " is 20 characters, the operation follows.
    constexpr std::size_t kOperationAt = kDayDigits + 1 + 5 + 1 + 5 + 1;
    if (line.size() <= kOperationAt || line[kDayDigits] != L' ' || line[kDayDigits + 6] != L' ' ||
        line[kOperationAt - 1] != L' ') {
        return std::nullopt;
    }
    QuietWindow window;
    bool anyDay = false;
    for (std::size_t i = 0; i < kDayDigits; ++i) {
        if (line[i] != L'0' && line[i] != L'1') {
            return std::nullopt;
        }
        window.days[i] = line[i] == L'1';
        anyDay = anyDay || window.days[i];
    }
    const std::optional<int> start = PlanMinuteOfDay(line.substr(kDayDigits + 1, 5));
    const std::optional<int> end = PlanMinuteOfDay(line.substr(kDayDigits + 7, 5));
    window.operation = std::wstring(line.substr(kOperationAt));
    if (!anyDay || !start || !end || *start == *end || !IsQuietOperation(window.operation)) {
        return std::nullopt;
    }
    window.start = *start;
    window.end = *end;
    return window;
}

std::wstring QuietDaysText(const QuietWindow& window) {
    if (window.days == std::array<bool, 7>{true, true, true, true, true, true, true}) {
        return text::kRepeatDaily;
    }
    std::wstring days;
    for (std::size_t i = 0; i < kDayDigits; ++i) {
        if (window.days[i]) {
            if (!days.empty()) {
                days += L' ';
            }
            days += text::kWeekdayChars[i];
        }
    }
    return days;
}

std::wstring QuietWindowText(const QuietWindow& window) {
    return QuietDaysText(window) + L' ' + QuietTimeText(window.start) + L'–' + QuietTimeText(window.end) +
           L' ' + window.operation;
}

QuietHoursRead ReadQuietHours(std::uint32_t type, std::span<const std::uint8_t> bytes) {
    QuietHoursRead read;
    if (type != regtype::kMultiSz || bytes.size() > kMaxQuietHoursBytes) {
        read.damaged = true;
        return read;
    }
    for (const std::wstring& line : SplitMultiString(bytes)) {
        std::optional<QuietWindow> window = ParseQuietWindowLine(line);
        if (!window || read.windows.size() == kMaxQuietWindows) {
            read.damaged = true;
            continue;
        }
        read.windows.push_back(std::move(*window));
    }
    return read;
}

std::vector<std::wstring> QuietHoursLines(const std::vector<QuietWindow>& windows) {
    std::vector<std::wstring> lines;
    for (const QuietWindow& window : windows) {
        lines.push_back(QuietWindowLine(window));
    }
    return lines;
}

QuietOccurrences OccurrencesAt(const std::vector<QuietWindow>& windows, std::int64_t minute) {
    QuietOccurrences inside;
    const std::int64_t today = FloorDiv(minute, kMinutesPerDay);
    const int weekday = QuietWeekday(today);
    const int yesterday = (weekday + 6) % 7;
    for (std::size_t i = 0; i < windows.size() && inside.count < kMaxQuietWindows; ++i) {
        const QuietWindow& window = windows[i];
        // Started today, or started yesterday and still running past midnight.
        for (const auto& [day, startsThatDay] :
             {std::pair{today, window.days[weekday]}, std::pair{today - 1, window.days[yesterday]}}) {
            const std::int64_t start = day * kMinutesPerDay + window.start;
            if (startsThatDay && minute >= start && minute < EndOf(window, start)) {
                inside.items[inside.count++] = QuietOccurrence{i, start, EndOf(window, start)};
                break;
            }
        }
    }
    return inside;
}

std::optional<QuietOccurrence> NextQuietStart(const std::vector<QuietWindow>& windows, std::int64_t minute) {
    std::optional<QuietOccurrence> next;
    const std::int64_t today = FloorDiv(minute, kMinutesPerDay);
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const QuietWindow& window = windows[i];
        // A week and a day covers every window, the one starting in the current minute included.
        for (std::int64_t day = today; day <= today + 7; ++day) {
            const std::int64_t start = day * kMinutesPerDay + window.start;
            if (start <= minute || !window.days[QuietWeekday(day)]) {
                continue;
            }
            if (!next || start < next->start) {
                next = QuietOccurrence{i, start, EndOf(window, start)};
            }
            break;
        }
    }
    return next;
}

} // namespace kestrel
