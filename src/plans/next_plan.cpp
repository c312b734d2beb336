// The next plan; see next_plan.h.
#include "plans/next_plan.h"

#include "base/app_messages.h"
#include "base/clock_text.h"
#include "base/power_strength.h"
#include "base/texts.h"
#include "plans/repeat_rule.h"
#include "plans/scheduler.h"

#include <algorithm>
#include <utility>

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
    const std::int64_t days =
        FloorDiv(next->minute, kMinutesPerDay) - FloorDiv(MinuteNumber(now), kMinutesPerDay);
    NextPlanText line;
    line.head = text::kNextPlanPrefix;
    if (days == 0) {
        line.day = line.shortDay = text::kNextPlanToday;
    } else if (days == 1) {
        line.day = line.shortDay = text::kNextPlanTomorrow;
    } else {
        const std::wstring month = NumberText(when.month);
        const std::wstring day = NumberText(when.day);
        line.day = FillIn(FillIn(text::kMonthDay, L"{month}", month), L"{day}", day);
        // Within the coming week a weekday names the day at once; a week ahead it would be today's.
        line.shortDay = days < 7 ? FillIn(text::kNextPlanWeekday, L"{weekday}",
                                          std::wstring(1, text::kNextPlanWeekdayChars[when.dayOfWeek]))
                                 : FillIn(FillIn(text::kNextPlanShortDate, L"{month}", month), L"{day}", day);
    }
    line.time = FormatHourMinute(when);
    const std::wstring& kind = row[PlanColumn::Kind];
    if (kind == text::kKindPower) {
        line.fixed = OneLine(row[PlanColumn::Operation]);
    } else {
        line.kind = kind + text::kNextPlanWhatSeparator;
        line.text =
            OneLine(kind == text::kKindRun ? ProgramFileName(row[PlanColumn::Info]) : row[PlanColumn::Info]);
    }
    return line;
}

namespace {

// The line up to the text that may be cut: "下一个计划：" when `withHead`, the day, the time, the kind when
// `withKind`, and what is never cut, with a blank before the text when there is one.
std::wstring LineBeforeText(const NextPlanText& line, bool withHead, bool shortDay, bool withKind) {
    std::wstring start = withHead ? line.head : L"";
    if (!line.time.empty()) {
        start += (shortDay ? line.shortDay : line.day) + L" " + line.time + L" ";
    }
    start += (withKind ? line.kind : L"") + line.fixed;
    if (!line.fixed.empty() && !line.text.empty()) {
        start += L" ";
    }
    return start;
}

} // namespace

std::wstring NextPlanText::Whole() const {
    return Empty() ? L"" : LineBeforeText(*this, true, false, true) + text + mark;
}

std::wstring CutNextPlanLine(const NextPlanText& line, const std::function<bool(const std::wstring&)>& fits) {
    if (line.Empty()) {
        return {};
    }
    const auto withMark = [&](const std::wstring& candidate) {
        return fits(candidate + line.mark);
    };
    // The whole line, then without "下一个计划：", then with the short day.
    const std::pair<bool, bool> steps[] = {{true, false}, {false, false}, {false, true}};
    for (const auto& [withHead, shortDay] : steps) {
        const std::wstring candidate = LineBeforeText(line, withHead, shortDay, true) + line.text;
        if (withMark(candidate)) {
            return candidate + line.mark;
        }
    }
    // Without the kind, then the text cut as far as it must be; what is never cut stays when nothing fits.
    if (line.text.empty()) {
        return LineBeforeText(line, false, true, false) + line.mark;
    }
    return ShortenToFit(LineBeforeText(line, false, true, false), {}, line.text, withMark) + line.mark;
}

std::wstring FitNextPlanText(const NextPlanText& line, std::size_t maxLength) {
    if (line.Empty()) {
        return {};
    }
    // The tray tip keeps the whole line; only a text too long for the tip's room is cut.
    return ShortenToFit(LineBeforeText(line, true, false, true), {}, line.text,
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
