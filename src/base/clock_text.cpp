// Clock and date texts; see clock_text.h.
#include "base/clock_text.h"
#include "base/app_messages.h"

#include "base/texts.h"

namespace kestrel {

namespace {

void AppendTwoDigits(std::wstring& out, int value) {
    if (value < 0) {
        value = 0;
    }
    if (value < 10) {
        out += L'0';
    }
    out += NumberText(value);
}

} // namespace

std::wstring FormatChineseDate(const LocalDateTime& when) {
    std::wstring out;
    std::wstring year = NumberText(when.year < 0 ? 0 : when.year);
    out.append(year.size() < 4 ? 4 - year.size() : 0, L'0');
    out += year;
    out += L'年';
    AppendTwoDigits(out, when.month);
    out += L'月';
    AppendTwoDigits(out, when.day);
    out += L'日';
    return out;
}

std::wstring FormatClockTime(const LocalDateTime& when) {
    std::wstring out;
    AppendTwoDigits(out, when.hour);
    out += L':';
    AppendTwoDigits(out, when.minute);
    out += L':';
    AppendTwoDigits(out, when.second);
    return out;
}

std::wstring FormatHourMinute(const LocalDateTime& when) {
    std::wstring out;
    AppendTwoDigits(out, when.hour);
    out += L':';
    AppendTwoDigits(out, when.minute);
    return out;
}

std::wstring CurrentTimeText(const Clock& clock) {
    return FormatClockTime(clock.Now());
}

std::optional<std::wstring> ClockLineText(const Clock& clock, int mode) {
    // One reading of the clock for both halves, so the line never mixes two seconds across midnight.
    return ClockLineTextAt(clock.Now(), mode);
}

std::optional<std::wstring> ClockLineTextAt(const LocalDateTime& now, int mode) {
    const wchar_t* timePrefix = nullptr;
    const wchar_t* datePrefix = nullptr;
    if (mode == static_cast<int>(ClockLineMode::CurrentTime)) {
        timePrefix = text::kClockTimePrefix;
        datePrefix = text::kClockDatePrefix;
    } else if (mode == static_cast<int>(ClockLineMode::ReminderTime)) {
        timePrefix = text::kReminderTimePrefix;
        datePrefix = text::kReminderDatePrefix;
    } else {
        return std::nullopt;
    }
    return timePrefix + FormatClockTime(now) + datePrefix + FormatChineseDate(now);
}

std::optional<std::wstring> CurrentTimeFieldText(const Clock& clock, int mode) {
    if (mode != 1) {
        return std::nullopt;
    }
    return FormatHourMinute(clock.Now());
}

std::optional<int> PlanMinuteOfDay(std::wstring_view time) {
    const auto digit = [&](std::size_t i) {
        return time[i] >= L'0' && time[i] <= L'9';
    };
    if (time.size() != 5 || time[2] != L':' || !digit(0) || !digit(1) || !digit(3) || !digit(4)) {
        return std::nullopt;
    }
    const int hour = (time[0] - L'0') * 10 + (time[1] - L'0');
    const int minute = (time[3] - L'0') * 10 + (time[4] - L'0');
    if (hour > 23 || minute > 59) {
        return std::nullopt;
    }
    return hour * 60 + minute;
}

} // namespace kestrel
