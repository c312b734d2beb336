// The snoozed reminder plan; see snooze.h.
#include "actions/snooze.h"

#include "base/clock_text.h"
#include "base/texts.h"

namespace kestrel {

std::wstring TrimAsciiBlanks(std::wstring_view text) {
    constexpr std::wstring_view kBlanks = L" \t\r\n";
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::wstring_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(kBlanks);
    return std::wstring(text.substr(first, last - first + 1));
}

PlanRow SnoozedReminder(const LocalDateTime& now, std::wstring_view message) {
    constexpr int kMinutesPerDay = 24 * 60;
    // Whole minutes only: the plan fires when the clock's "HH:MM" reaches it, so the seconds of `now`
    // make the wait up to a minute shorter, never longer.
    int minuteOfDay = (now.hour * 60 + now.minute + kSnoozeMinutes) % kMinutesPerDay;
    if (minuteOfDay < 0) {
        minuteOfDay += kMinutesPerDay;
    }
    LocalDateTime due = now;
    due.hour = minuteOfDay / 60;
    due.minute = minuteOfDay % 60;
    return MakePlanRow(text::kKindReminder, FormatHourMinute(due), text::kOpTextMessage, text::kStatusEnabled,
                       text::kRepeatOnce, TrimAsciiBlanks(message));
}

} // namespace kestrel
