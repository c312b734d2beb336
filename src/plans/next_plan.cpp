// The next plan; see next_plan.h.
#include "plans/next_plan.h"

#include "base/app_messages.h"
#include "base/clock_text.h"
#include "base/power_strength.h"
#include "base/texts.h"
#include "plans/repeat_rule.h"
#include "plans/scheduler.h"

#include <algorithm>

namespace kestrel {

namespace {

std::wstring OneLine(std::wstring text) {
    for (wchar_t& c : text) {
        if (c == L'\r' || c == L'\n' || c == L'\t') {
            c = L' ';
        }
    }
    return text;
}

// Where the program of an unquoted run plan's text ends, without asking the disk (the line is drawn every
// minute, and a network share may not answer): right after the first part, ending at a blank or at the
// end, whose name has a program's extension, so that "C:\Program Files\x.exe D:\Data" names x.exe and
// not "Data". Without one, the whole text.
std::size_t UnquotedProgramLength(const std::wstring& text) {
    static constexpr const wchar_t* kProgramExtensions[] = {L".exe", L".com", L".bat", L".cmd", L".lnk"};
    for (std::size_t end = 1; end < text.size(); ++end) {
        if (text[end] != L' ' || text[end - 1] == L' ') {
            continue;
        }
        for (const wchar_t* extension : kProgramExtensions) {
            const std::size_t length = std::char_traits<wchar_t>::length(extension);
            if (end >= length && std::equal(extension, extension + length, text.begin() + (end - length),
                                            [](wchar_t a, wchar_t b) {
                                                return a == (b >= L'A' && b <= L'Z' ? b - L'A' + L'a' : b);
                                            })) {
                return end;
            }
        }
    }
    return text.size();
}

} // namespace

std::optional<NextPlan> FindNextPlan(const std::vector<PlanRow>& rows, const LocalDateTime& now,
                                     bool strongestWins) {
    const std::int64_t nowMinute = MinuteNumber(now);
    const std::int64_t today = nowMinute / kMinutesPerDay;
    std::optional<NextPlan> next;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const PlanRow& row = rows[i];
        const std::wstring& kind = row[PlanColumn::Kind];
        if (row[PlanColumn::Status] != text::kStatusEnabled ||
            (kind != text::kKindPower && kind != text::kKindReminder && kind != text::kKindRun)) {
            continue;
        }
        const std::optional<int> ofDay = PlanMinuteOfDay(row[PlanColumn::Time]);
        if (!ofDay) {
            continue;
        }
        // A week and a day covers every repeat rule, the plan of the current minute included.
        for (std::int64_t day = today; day <= today + 7; ++day) {
            const std::int64_t minute = day * kMinutesPerDay + *ofDay;
            if (minute <= nowMinute ||
                !RepeatMatchesWeekday(row[PlanColumn::Repeat], LocalFromMinute(minute).dayOfWeek + 1)) {
                continue;
            }
            const auto outweighs = [&](const PlanRow& named) {
                return strongestWins && kind == text::kKindPower &&
                       named[PlanColumn::Kind] == text::kKindPower &&
                       PowerStrength(row[PlanColumn::Operation]) >
                           PowerStrength(named[PlanColumn::Operation]);
            };
            if (!next || minute < next->minute ||
                (minute == next->minute && outweighs(rows[next->index - 1]))) {
                next = NextPlan{i + 1, minute};
            }
            break;
        }
    }
    return next;
}

std::wstring ProgramFileName(const std::wstring& program) {
    std::wstring path = program;
    if (!path.empty() && path.front() == L'"') {
        const std::size_t close = path.find(L'"', 1);
        path = path.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
    } else {
        path = path.substr(0, UnquotedProgramLength(path));
    }
    while (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) {
        path.pop_back();
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

NextPlanText NextPlanParts(const std::vector<PlanRow>& rows, const LocalDateTime& now, bool strongestWins) {
    const std::optional<NextPlan> next = FindNextPlan(rows, now, strongestWins);
    if (!next) {
        return {};
    }
    const PlanRow& row = rows[next->index - 1];
    const LocalDateTime when = LocalFromMinute(next->minute);
    const std::int64_t days = next->minute / kMinutesPerDay - MinuteNumber(now) / kMinutesPerDay;
    NextPlanText line{text::kNextPlanPrefix, {}, {}};
    if (days == 0) {
        line.head += text::kNextPlanToday;
    } else if (days == 1) {
        line.head += text::kNextPlanTomorrow;
    } else {
        line.head += FillIn(FillIn(text::kMonthDay, L"{month}", std::to_wstring(when.month)), L"{day}",
                            std::to_wstring(when.day));
    }
    line.head += L" " + FormatHourMinute(when) + L" ";
    const std::wstring& kind = row[PlanColumn::Kind];
    if (kind == text::kKindPower) {
        line.text = OneLine(row[PlanColumn::Operation]);
    } else {
        line.kind = kind + text::kNextPlanWhatSeparator;
        line.text =
            OneLine(kind == text::kKindRun ? ProgramFileName(row[PlanColumn::Info]) : row[PlanColumn::Info]);
    }
    return line;
}

std::wstring FitNextPlanText(const NextPlanText& line, std::size_t maxLength) {
    if (line.head.empty()) {
        return {};
    }
    // The tray tip has room enough to keep the kind.
    return ShortenToFit(line.head + line.kind, {}, line.text,
                        [&](const std::wstring& shortened) {
                            return shortened.size() + line.mark.size() <= maxLength;
                        }) +
           line.mark;
}

std::wstring NextPlanLine(const std::vector<PlanRow>& rows, const LocalDateTime& now, std::size_t maxLength,
                          bool strongestWins) {
    return FitNextPlanText(NextPlanParts(rows, now, strongestWins), maxLength);
}

std::wstring TrayTipText(const std::vector<PlanRow>& rows, const LocalDateTime& now, bool strongestWins) {
    return TrayTipFor(NextPlanParts(rows, now, strongestWins));
}

std::wstring TrayTipFor(const NextPlanText& parts) {
    std::wstring tip = text::kAppTitle;
    const std::size_t room = kTrayTipLength - tip.size() - 1;
    const std::wstring line = FitNextPlanText(parts, room);
    if (!line.empty()) {
        tip += L"\n" + line;
    }
    return tip;
}

} // namespace kestrel
