// The clock and date texts shown by the main window's clock line, the reminder pop-up's stamp and the
// editors' "current time" button.
#pragma once

#include "platform/clock.h"

#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// "yyyy年mm月dd日", two-digit month and day.
std::wstring FormatChineseDate(const LocalDateTime& when);
// "hh:mm:ss", 24-hour.
std::wstring FormatClockTime(const LocalDateTime& when);
// "HH:MM", 24-hour; seconds are dropped, not rounded. Plan times are compared in this form.
std::wstring FormatHourMinute(const LocalDateTime& when);

std::wstring CurrentTimeText(const Clock& clock);

enum class ClockLineMode { CurrentTime = 0, ReminderTime = 1 };
// The text ShowClockLine puts into its label: mode 0 for the main window's clock line, mode 1 for the
// reminder pop-up. Any other mode leaves the label alone, so there is no text.
std::optional<std::wstring> ClockLineText(const Clock& clock, int mode);
// The same line for a given moment (a reminder that comes late shows the minute it was due).
std::optional<std::wstring> ClockLineTextAt(const LocalDateTime& when, int mode);
// The text FillCurrentTime puts into a time field: "HH:MM" for mode 1, nothing for any other mode.
std::optional<std::wstring> CurrentTimeFieldText(const Clock& clock, int mode);

// "HH:MM" with hours 0-23 and minutes 0-59, exactly as plan times are written: its minute of the day.
std::optional<int> PlanMinuteOfDay(std::wstring_view time);

} // namespace kestrel
