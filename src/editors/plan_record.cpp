// The editors' shared rules; see plan_record.h.
#include "editors/plan_record.h"

#include "base/clock_text.h"
#include "base/texts.h"

namespace kestrel {

namespace {


constexpr const wchar_t* kRepeatTypeNames[kRepeatTypeCount] = {text::kRepeatDaily,     text::kRepeatWorkdays5,
                                                               text::kRepeatWorkdays6, text::kRepeatWeekend1,
                                                               text::kRepeatWeekend2,  text::kRepeatCustom};

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

std::wstring HourMinuteText(int minutesOfDay) {
    LocalDateTime at;
    at.hour = minutesOfDay / 60;
    at.minute = minutesOfDay % 60;
    return FormatHourMinute(at);
}

std::wstring OperationOf(EditorKind kind, const PlanEntries& entries) {
    switch (kind) {
    case EditorKind::Reminder:
        return entries.optionTicked ? text::kOpPlayMusic : text::kOpTextMessage;
    case EditorKind::Run:
        return entries.optionTicked ? text::kOpRunHidden : text::kOpRunNormal;
    case EditorKind::Shutdown:
        break;
    }
    return entries.operation;
}

} // namespace

std::optional<int> MinutesOfDay(std::wstring_view text) {
    if (text.size() != 5 || text[2] != L':' || !IsDigit(text[0]) || !IsDigit(text[1]) || !IsDigit(text[3]) ||
        !IsDigit(text[4])) {
        return std::nullopt;
    }
    const int hours = (text[0] - L'0') * 10 + (text[1] - L'0');
    const int minutes = (text[3] - L'0') * 10 + (text[4] - L'0');
    if (hours > 23 || minutes > 59) {
        return std::nullopt;
    }
    return hours * 60 + minutes;
}

const wchar_t* RepeatTypeName(int repeatType) {
    return repeatType >= 0 && repeatType < kRepeatTypeCount ? kRepeatTypeNames[repeatType] : L"";
}

std::optional<Weekdays> RepeatTypeTicks(int repeatType) {
    //                     Mon    Tue    Wed    Thu    Fri    Sat    Sun
    switch (repeatType) {
    case 0:
        return Weekdays{true, true, true, true, true, true, true};
    case 1:
        return Weekdays{true, true, true, true, true, false, false};
    case 2:
        return Weekdays{true, true, true, true, true, true, false};
    case 3:
        return Weekdays{false, false, false, false, false, false, true};
    case 4:
        return Weekdays{false, false, false, false, false, true, true};
    default:
        return std::nullopt;
    }
}

std::wstring RepeatText(int repeatType, const Weekdays& weekdays) {
    if (repeatType >= 0 && repeatType < kRepeatTypeCustom) {
        return kRepeatTypeNames[repeatType];
    }
    std::wstring list;
    for (int day = 0; day < kWeekdayCount; ++day) {
        if (weekdays[static_cast<std::size_t>(day)]) {
            list += text::kWeekdayChars[day];
            list += L' ';
        }
    }
    return list;
}

PlanRecordResult BuildPlanRecord(EditorKind kind, const PlanEntries& entries, const Clock& clock,
                                 const std::function<bool()>& askPastTime) {
    // The field is read first in both modes, so a wrong time is always the one thing reported.
    const std::optional<int> entered = MinutesOfDay(entries.time);
    if (!entered) {
        return {std::nullopt, PlanRefusal::BadTime};
    }
    const LocalDateTime now = clock.Now();
    const int nowMinute = now.hour * 60 + now.minute;
    if (!entries.countdown && *entered < nowMinute && !(askPastTime && askPastTime())) {
        return {std::nullopt, PlanRefusal::Declined};
    }
    if (entries.repeats) {
        bool anyDay = false;
        for (const bool day : entries.weekdays) {
            anyDay = anyDay || day;
        }
        if (!anyDay) {
            return {std::nullopt, PlanRefusal::NoWeekday};
        }
    }
    const wchar_t* planKind = kind == EditorKind::Shutdown   ? text::kKindPower
                              : kind == EditorKind::Reminder ? text::kKindReminder
                                                             : text::kKindRun;
    const int at = entries.countdown ? (nowMinute + *entered) % kMinutesPerDay : *entered;
    std::wstring info = entries.text;
    if (kind == EditorKind::Shutdown) {
        info = text::kPowerPlanInfo;
    } else if (kind == EditorKind::Run && info.empty()) {
        return {std::nullopt, PlanRefusal::NoProgram};
    }
    return {MakePlanRow(planKind, HourMinuteText(at), OperationOf(kind, entries), text::kStatusEnabled,
                        entries.repeats ? RepeatText(entries.repeatType, entries.weekdays)
                                        : std::wstring(text::kRepeatOnce),
                        std::move(info)),
            PlanRefusal::Declined};
}

std::wstring CountdownTargetText(std::wstring_view field, const LocalDateTime& now) {
    const std::optional<int> entered = MinutesOfDay(field);
    if (!entered) {
        return {};
    }
    // The same sum BuildPlanRecord makes, so the label never promises another time than the plan gets.
    return text::kCountdownTargetPrefix + HourMinuteText((now.hour * 60 + now.minute + *entered) % kMinutesPerDay);
}

const wchar_t* RefusalMessage(PlanRefusal refusal) {
    switch (refusal) {
    case PlanRefusal::BadTime:
        return text::kMsgBadTime;
    case PlanRefusal::NoWeekday:
        return text::kMsgNoWeekday;
    case PlanRefusal::NoProgram:
        return text::kMsgNoProgram;
    case PlanRefusal::Declined:
        break;
    }
    return nullptr;
}

const wchar_t* AddedMessage(EditorKind kind) {
    switch (kind) {
    case EditorKind::Reminder:
        return text::kMsgReminderPlanAdded;
    case EditorKind::Run:
        return text::kMsgRunPlanAdded;
    case EditorKind::Shutdown:
        break;
    }
    return text::kMsgShutdownPlanAdded;
}

} // namespace kestrel
