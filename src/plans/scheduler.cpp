// The scheduler pass; see scheduler.h.
#include "plans/scheduler.h"

#include "base/app_messages.h"
#include "base/clock_text.h"
#include "base/power_strength.h"
#include "base/texts.h"
#include "plans/repeat_rule.h"

#include <algorithm>
#include <map>

namespace kestrel {

namespace {

// More time asleep than this between two passes (the two tick counts drift apart by milliseconds
// only) means the computer slept.
// The wall clock moving this much more or less than real time between two passes means it was set.
constexpr std::int64_t kClockStepToleranceMs = 5000;
// A balloon holds 255 characters; the list stops well before, with a line saying how many are left.
constexpr std::size_t kNoticeBudget = 200;
// A start-up this long after the last minute looked at is recorded as a time Kestrel was not running.
constexpr std::int64_t kNotRunningEventMinutes = 2;

// "12月7日 23:30", or "23:30" alone for a minute of `today`.
std::wstring WhenText(std::int64_t minute, std::int64_t today) {
    const LocalDateTime when = LocalFromMinute(minute);
    std::wstring text;
    if (FloorDiv(minute, kMinutesPerDay) != today) {
        text = FillIn(FillIn(text::kMonthDay, L"{month}", NumberText(when.month)), L"{day}",
                      NumberText(when.day)) +
               L" ";
    }
    return text + FormatHourMinute(when);
}

std::wstring MissedLine(std::int64_t minute, std::int64_t today, const PlanRow& row) {
    return FillIn(FillIn(text::kMsgMissedLine, L"{when}", WhenText(minute, today)), L"{operation}",
                  row[PlanColumn::Operation]);
}

bool IsKnownKind(const std::wstring& kind) {
    return kind == text::kKindPower || kind == text::kKindReminder || kind == text::kKindRun;
}

int StrengthOf(const PlanRow& row) {
    return PowerStrength(row[PlanColumn::Operation]);
}

// "2026-12-07 21:00", as the history's details give times.
std::wstring EventTime(const LocalDateTime& when) {
    std::wstring year = NumberText(when.year);
    const auto two = [](int value) {
        return (value < 10 ? L"0" : L"") + NumberText(value);
    };
    return year + L"-" + two(when.month) + L"-" + two(when.day) + L" " + FormatHourMinute(when);
}

std::wstring SpanText(const LocalDateTime& from, const LocalDateTime& to) {
    return FillIn(FillIn(text::kEventSpan, L"{from}", EventTime(from)), L"{to}", EventTime(to));
}

// The plan as the history names it: when, kind and operation, and the message or program.
std::wstring PlanDetail(std::int64_t minute, const PlanRow& row) {
    std::wstring detail =
        EventTime(LocalFromMinute(minute)) + L" " + row[PlanColumn::Kind] + L" " + row[PlanColumn::Operation];
    if (row[PlanColumn::Kind] != text::kKindPower) {
        detail += L" " + row[PlanColumn::Info];
    }
    return detail;
}

} // namespace

Scheduler::Scheduler(PlanList& plans, const Clock& clock, PlanActions& actions, SchedulerOptions options)
    : plans_(plans), clock_(clock), actions_(actions), options_(std::move(options)) {}

bool Scheduler::LockActive() const {
    return options_.parentLockActive && options_.parentLockActive();
}

void Scheduler::Notice(std::wstring line) {
    notices_.push_back(std::move(line));
}

void Scheduler::Record(const wchar_t* event, const std::wstring& detail) {
    if (options_.events) {
        options_.events->Record(event, detail);
    }
}

void Scheduler::RecordMissed(std::int64_t minute, const PlanRow& row, const wchar_t* why) {
    if (options_.events) {
        Record(text::kEventPlanMissed,
               FillIn(FillIn(text::kEventPlanWhy, L"{plan}", PlanDetail(minute, row)), L"{why}", why));
    }
}

void Scheduler::StartCountdown(std::int64_t minute, const PlanRow& row, bool catchUp) {
    Record(text::kEventPlanFired, PlanDetail(minute, row));
    // Copied: the action must not be handed a cell of a list it might change.
    const std::wstring operation = row[PlanColumn::Operation];
    if (catchUp && WaitForPerson()) {
        HoldForPerson(operation, previous_.tickMs);
    } else {
        actions_.StartPowerCountdown(operation);
    }
    lastShutdownMinute_ = minute;
    minuteWinner_ = operation;
    restartAfterSleep_.clear(); // the new countdown starts at 15 seconds in its place
}

bool Scheduler::WaitForPerson() const {
    return LockActive() && options_.noPersonYet && options_.noPersonYet();
}

void Scheduler::HoldForPerson(const std::wstring& operation, std::uint64_t tickMs) {
    if (!actions_.OpenCountdown().empty()) {
        actions_.CancelCountdown();
    }
    if (heldForPerson_.empty()) {
        heldSinceTickMs_ = tickMs;
    }
    if (PowerStrength(operation) > PowerStrength(heldForPerson_)) {
        heldForPerson_ = operation;
    }
}

void Scheduler::ReleaseHeld(const ClockReading& now) {
    if (heldForPerson_.empty() || WaitForPerson()) {
        return;
    }
    const std::wstring operation = std::move(heldForPerson_);
    heldForPerson_.clear();
    // Nobody came within the hour a missed power plan is carried out in: it is let go, as one missed.
    const bool inTime = now.tickMs - heldSinceTickMs_ < static_cast<std::uint64_t>(kLockedPowerLateLimitSeconds) * 1000;
    if (inTime && LockActive() && MayOpenCountdown(actions_.OpenCountdown(), operation, true)) {
        actions_.StartPowerCountdown(operation);
    }
}

void Scheduler::Outweighed(std::int64_t minute, std::int64_t today, const PlanRow& row,
                           const std::wstring& winner) {
    if (StrengthOf(row) < PowerStrength(winner)) {
        outweighed_.push_back(FillIn(FillIn(text::kMsgOutweighedLine, L"{when}", WhenText(minute, today)),
                                     L"{operation}", row[PlanColumn::Operation]));
        RecordMissed(minute, row, text::kMissedStronger);
    } else {
        RecordMissed(minute, row, text::kMissedSameOperation);
    }
}

bool IsDaylightSavingChange(const ClockReading& before, const ClockReading& after) {
    if (before.zoneName != after.zoneName) {
        return false;
    }
    if (after.zoneDefined) {
        return after.utcOffsetMinutes == after.zoneStandardOffsetMinutes ||
               after.utcOffsetMinutes == after.zoneDaylightOffsetMinutes;
    }
    const std::int64_t change = after.utcOffsetMinutes - before.utcOffsetMinutes;
    return change <= kDaylightSavingLimitMinutes && change >= -kDaylightSavingLimitMinutes;
}

void Scheduler::RunPass() {
    if (running_) {
        return;
    }
    running_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{running_};

    // The pass runs in one go, so it reads the clock once: every row is compared with the same minute.
    const ClockReading now = clock_.Read();
    const Moment moment{MinuteNumber(now.local), FormatHourMinute(now.local), now.local.dayOfWeek + 1};
    offsetMinutes_ = now.utcOffsetMinutes;
    std::optional<Closing> closing;
    if (!begun_) {
        Begin(now);
        closing = Closing{Gap::Missed, text::kMissedNotRunning, 0, 0, 0};
    } else {
        closing = Classify(now);
    }
    previous_ = now;
    if (lastExamined_ && moment.minute < *lastExamined_) {
        // The clock went back: the minutes up to the last one looked at are done with.
        lastClosed_ = std::max(lastClosed_, *lastExamined_);
    }
    if (closing) {
        closing->nowSecond = moment.minute * 60 + now.local.second;
        if (moment.minute - 1 > lastClosed_) {
            CloseMinutes(lastClosed_ + 1, moment.minute - 1, *closing, moment);
        }
    }
    lastClosed_ = std::max(lastClosed_, moment.minute - 1);
    // While the clock is behind the last minute looked at (set back), nothing fires.
    if (moment.minute > lastClosed_) {
        ExamineCurrentMinute(moment);
        lastExamined_ = moment.minute;
    }
    if (!restartAfterSleep_.empty()) {
        const std::wstring operation = std::move(restartAfterSleep_);
        restartAfterSleep_.clear();
        if (WaitForPerson()) {
            HoldForPerson(operation, now.tickMs);
        } else {
            actions_.StartPowerCountdown(operation); // the full 15 seconds again
        }
    }
    ReleaseHeld(now);
    // Each plan a stronger operation stood in for has its own line, after the missed ones.
    notices_.insert(notices_.end(), outweighed_.begin(), outweighed_.end());
    outweighed_.clear();
    if (!notices_.empty()) {
        std::wstring notice;
        for (const std::wstring& line : notices_) {
            notice += (notice.empty() ? L"" : L"\n") + line;
        }
        notices_.clear();
        actions_.Report(notice);
    }
    SaveIfMoved(now, false);
}

void Scheduler::Begin(const ClockReading& now) {
    begun_ = true;
    const std::int64_t nowMinute = MinuteNumber(now.local);
    lastClosed_ = nowMinute - 1;
    const std::optional<std::int64_t> stored =
        options_.lastMinute ? options_.lastMinute->Load() : std::nullopt;
    if (!stored) {
        return;
    }
    // Kept in UTC, read back in the local time of now.
    const std::int64_t lookedAt = *stored + now.utcOffsetMinutes;
    if (nowMinute - lookedAt > kNotRunningEventMinutes) {
        Record(text::kEventNotRunning, SpanText(LocalFromMinute(lookedAt), now.local));
    }
    // The minutes since are handled as missed; a clock set back a little while Kestrel was not running
    // holds everything until it passes the minute looked at, by more it is a correction.
    if (lookedAt - nowMinute <= kLateTickLimitMinutes) {
        lastClosed_ = lookedAt;
    }
}

std::optional<Scheduler::Closing> Scheduler::Classify(const ClockReading& now) {
    const auto tickGap = static_cast<std::int64_t>(now.tickMs - previous_.tickMs);
    const std::int64_t wallGap = now.utcMs - previous_.utcMs;
    const std::int64_t stepMs = wallGap - tickGap;
    std::int64_t offsetChange = now.utcOffsetMinutes - previous_.utcOffsetMinutes;
    // A sleep is what the two tick counts show, never a power notice alone: any program may post one.
    const bool slept = SleptBetween(previous_, now);
    if (slept) {
        Record(text::kEventSlept, SpanText(previous_.local, now.local));
        HandleSleep();
    }
    const bool zoneMoved = offsetChange != 0 && !IsDaylightSavingChange(previous_, now);
    RecordTimeChange(now, stepMs, offsetChange, zoneMoved);
    const std::int64_t nowMinute = MinuteNumber(now.local);
    if (zoneMoved) {
        // A new time zone: the plans go with the local clock, and the minutes already handled are the
        // same real minutes under their new names.
        MoveMinutes(offsetChange);
        if (LockActive()) {
            const std::int64_t today = FloorDiv(nowMinute, kMinutesPerDay);
            Notice(
                FillIn(FillIn(text::kMsgTimeZoneChanged, L"{old}", WhenText(nowMinute - offsetChange, today)),
                       L"{new}", WhenText(nowMinute, today)));
        }
        offsetChange = 0;
    }
    if (stepMs > kLateTickLimitMinutes * 60000 || stepMs < -kLateTickLimitMinutes * 60000) {
        // A correction of date or time: the new time holds from now on, nothing fires for the span.
        lastClosed_ = nowMinute - 1;
        lastExamined_.reset();
        return std::nullopt;
    }
    const std::int64_t shift = FloorDiv(stepMs, 1000) + offsetChange * 60;
    if (slept || tickGap > kLateTickLimitMinutes * 60000) {
        return Closing{Gap::Missed, slept ? text::kMissedAsleep : text::kMissedLate, 0, shift,
                       offsetChange * 60};
    }
    if (stepMs > kClockStepToleranceMs) {
        return Closing{Gap::ClockForward, text::kMissedClockSet, 0, shift, offsetChange * 60};
    }
    return Closing{Gap::Awake, text::kMissedLate, 0, shift, offsetChange * 60};
}

void Scheduler::MoveMinutes(std::int64_t byMinutes) {
    lastClosed_ += byMinutes;
    for (std::optional<std::int64_t>* minute :
         {&lastExamined_, &lastShutdownMinute_, &lastReminderMinute_, &lastRunMinute_}) {
        if (*minute) {
            **minute += byMinutes;
        }
    }
}

void Scheduler::RecordTimeChange(const ClockReading& now, std::int64_t stepMs, std::int64_t offsetChange,
                                 bool zoneMoved) {
    const bool byHand = stepMs > kClockStepToleranceMs || stepMs < -kClockStepToleranceMs;
    if (!options_.events || (!byHand && offsetChange == 0)) {
        return;
    }
    const wchar_t* kind = text::kTimeDaylightSaving;
    if (stepMs > kLateTickLimitMinutes * 60000 || stepMs < -kLateTickLimitMinutes * 60000) {
        kind = text::kTimeCorrection;
    } else if (zoneMoved) {
        kind = text::kTimeZone;
    } else if (byHand) {
        kind = text::kTimeByHand;
    }
    // What the local clock would read now had nobody moved it.
    const std::int64_t nowMs = (MinuteNumber(now.local) * 60 + now.local.second) * 1000;
    const LocalDateTime old = LocalFromMinute(FloorDiv(nowMs - stepMs - offsetChange * 60000, 60000));
    Record(text::kEventTimeChanged, FillIn(FillIn(FillIn(text::kEventTimeChange, L"{old}", EventTime(old)),
                                                  L"{new}", EventTime(now.local)),
                                           L"{kind}", kind));
}

void Scheduler::HandleSleep() {
    // A countdown still open after a sleep: its suspend notice never came, or the parent's lock kept it.
    const std::wstring open = actions_.OpenCountdown();
    if (open.empty()) {
        return;
    }
    if (LockActive()) {
        // Started again at the end of the pass, unless a stronger plan of the time asleep takes its place.
        restartAfterSleep_ = open;
    } else {
        actions_.CancelCountdown();
        Notice(FillIn(text::kMsgCountdownCancelledBySleep, L"{operation}", open));
    }
}

namespace {

bool DuePower(const PlanRow& row, const std::wstring& timeText, int weekday) {
    return row[PlanColumn::Kind] == text::kKindPower && row[PlanColumn::Time] == timeText &&
           row[PlanColumn::Status] == text::kStatusEnabled &&
           RepeatMatchesWeekday(row[PlanColumn::Repeat], weekday);
}

} // namespace

std::optional<std::wstring> Scheduler::PowerDueNow(const Moment& moment) const {
    std::optional<std::wstring> strongest;
    if (lastShutdownMinute_ == moment.minute) {
        return strongest;
    }
    for (const PlanRow& row : plans_.Rows()) {
        if (DuePower(row, moment.timeText, moment.weekday) &&
            (!strongest || StrengthOf(row) > PowerStrength(*strongest))) {
            strongest = row[PlanColumn::Operation];
        }
    }
    return strongest;
}

void Scheduler::CloseMinutes(std::int64_t first, std::int64_t last, const Closing& closing,
                             const Moment& moment) {
    const std::int64_t today = FloorDiv(moment.minute, kMinutesPerDay);
    if (last - first + 1 > kMissedLimitMinutes) {
        // Too long ago to go through plan by plan: one line says so; the last day is handled below.
        const std::int64_t olderLast = last - kMissedLimitMinutes;
        if (std::any_of(plans_.Rows().begin(), plans_.Rows().end(),
                        [](const PlanRow& row) { return row[PlanColumn::Status] == text::kStatusEnabled; })) {
            Notice(FillIn(FillIn(text::kMsgOlderGap, L"{from}", WhenText(first, today)), L"{to}",
                          WhenText(olderLast, today)));
        }
        first = olderLast + 1;
    }

    // Every enabled plan due in the span, once, at its latest minute in it; in time order, then list order.
    struct Due {
        std::int64_t minute = 0;
        std::size_t index = 0; // 1-based
    };
    std::vector<Due> due;
    const std::vector<PlanRow>& rows = plans_.Rows();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const PlanRow& row = rows[i];
        if (row[PlanColumn::Status] != text::kStatusEnabled || !IsKnownKind(row[PlanColumn::Kind])) {
            continue;
        }
        const std::optional<int> ofDay = PlanMinuteOfDay(row[PlanColumn::Time]);
        if (!ofDay) {
            continue;
        }
        for (std::int64_t day = FloorDiv(last, kMinutesPerDay); day >= FloorDiv(first, kMinutesPerDay);
             --day) {
            const std::int64_t minute = day * kMinutesPerDay + *ofDay;
            if (minute >= first && minute <= last &&
                RepeatMatchesWeekday(row[PlanColumn::Repeat], LocalFromMinute(minute).dayOfWeek + 1)) {
                due.push_back({minute, i + 1});
                break;
            }
        }
    }
    std::stable_sort(due.begin(), due.end(), [](const Due& a, const Due& b) { return a.minute < b.minute; });

    // What each minute already used: texts shown or started, and whether a power plan fired in it.
    std::map<std::int64_t, std::set<std::wstring>> reminderTexts;
    std::map<std::int64_t, std::set<std::wstring>> runTexts;
    if (lastReminderMinute_) {
        reminderTexts[*lastReminderMinute_] = shownReminderTexts_;
    }
    if (lastRunMinute_) {
        runTexts[*lastRunMinute_] = launchedRunTexts_;
    }
    const auto realLateness = [&](std::int64_t minute) {
        return closing.nowSecond - minute * 60 - closing.shiftSeconds;
    };
    const bool strongestWins = LockActive();
    std::vector<std::size_t> leaving;
    std::vector<Due> power;
    std::vector<std::pair<std::int64_t, std::wstring>> missedLines;
    for (const Due& d : due) {
        const PlanRow& row = rows[d.index - 1];
        const bool once = row[PlanColumn::Repeat] == text::kRepeatOnce;
        const std::wstring& kind = row[PlanColumn::Kind];
        if (kind == text::kKindPower) {
            if (lastShutdownMinute_ == d.minute) {
                // Another power plan had the minute: a once-only one must not wait a day by accident.
                if (once) {
                    if (strongestWins && StrengthOf(row) <= PowerStrength(minuteWinner_)) {
                        Outweighed(d.minute, today, row, minuteWinner_);
                    } else {
                        missedLines.emplace_back(d.minute, MissedLine(d.minute, today, row));
                        RecordMissed(d.minute, row, text::kMissedMinuteTaken);
                    }
                    leaving.push_back(d.index);
                }
            } else {
                power.push_back(d);
            }
            continue;
        }
        const bool reminder = kind == text::kKindReminder;
        std::set<std::wstring>& used = (reminder ? reminderTexts : runTexts)[d.minute];
        // Copied: an action must not be handed cells of a list it might change.
        const std::wstring info = row[PlanColumn::Info];
        const std::wstring operation = row[PlanColumn::Operation];
        if (used.insert(info).second) {
            Record(text::kEventPlanFired, PlanDetail(d.minute, row));
            if (reminder) {
                std::optional<LocalDateTime> dueAt;
                // Late by the clock the user reads, daylight saving aside: the pop-up shows when it was due.
                if (closing.nowSecond - d.minute * 60 - closing.offsetShiftSeconds > 0) {
                    dueAt = LocalFromMinute(d.minute);
                }
                actions_.ShowReminder(info, operation, dueAt);
            } else {
                actions_.StartProgram(info, operation);
            }
        }
        if (once) {
            leaving.push_back(d.index);
        }
    }

    // Power plans: at most one countdown. Without the lock, for the latest one when it is not too late
    // for it, and not when the current minute has its own (the first in the list winning as on time).
    // Under the lock, for the strongest one still within its own limit, the later minute and then the
    // list's order breaking a tie, when it is stronger than the countdown open and the current minute's.
    const auto inTime = [&](const Due& d) {
        const std::int64_t lateness = realLateness(d.minute);
        return (closing.gap == Gap::Awake && lateness <= kPowerLateLimitSeconds) ||
               (closing.gap == Gap::Missed && strongestWins && lateness < kLockedPowerLateLimitSeconds);
    };
    const auto strength = [&](const Due& d) {
        return StrengthOf(rows[d.index - 1]);
    };
    const Due* chosen = nullptr; // one of `power`
    std::wstring winner; // under the lock, what is counted down in the end
    if (strongestWins) {
        for (const Due& d : power) {
            if (inTime(d) && (!chosen || strength(d) > strength(*chosen) ||
                              (strength(d) == strength(*chosen) && d.minute > chosen->minute))) {
                chosen = &d;
            }
        }
        winner = actions_.OpenCountdown();
        const std::wstring dueNow = PowerDueNow(moment).value_or(L"");
        if (PowerStrength(dueNow) > PowerStrength(winner)) {
            winner = dueNow;
        }
        if (chosen && MayOpenCountdown(winner, rows[chosen->index - 1][PlanColumn::Operation], true)) {
            winner = rows[chosen->index - 1][PlanColumn::Operation];
        } else {
            chosen = nullptr;
        }
    } else if (!power.empty()) {
        const Due& latest = *std::find_if(power.begin(), power.end(),
                                          [&](const Due& d) { return d.minute == power.back().minute; });
        if (inTime(latest) && !PowerDueNow(moment)) {
            chosen = &latest;
        }
    }
    for (const Due& d : power) {
        const PlanRow& row = rows[d.index - 1];
        const bool once = row[PlanColumn::Repeat] == text::kRepeatOnce;
        if (chosen && d.index == chosen->index) {
            StartCountdown(d.minute, row, true);
        } else if (strongestWins && inTime(d)) {
            Outweighed(d.minute, today, row, winner);
        } else {
            missedLines.emplace_back(d.minute, MissedLine(d.minute, today, row));
            RecordMissed(d.minute, row, closing.missedWhy);
        }
        if (once) {
            leaving.push_back(d.index);
        }
    }
    std::stable_sort(missedLines.begin(), missedLines.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    if (!missedLines.empty()) {
        std::wstring list = text::kMsgMissedHeader;
        std::size_t shown = 0;
        for (const auto& [minute, line] : missedLines) {
            if (list.size() + line.size() + 1 > kNoticeBudget) {
                break;
            }
            list += L"\n" + line;
            ++shown;
        }
        if (shown < missedLines.size()) {
            list +=
                L"\n" + FillIn(text::kMsgMissedMore, L"{count}", NumberText(missedLines.size() - shown));
        }
        Notice(std::move(list));
    }

    // Removed from the last row up, so the numbers of the rows still to go stay right.
    std::sort(leaving.begin(), leaving.end());
    leaving.erase(std::unique(leaving.begin(), leaving.end()), leaving.end());
    for (auto it = leaving.rbegin(); it != leaving.rend(); ++it) {
        plans_.Remove(*it);
    }
}

void Scheduler::ExamineCurrentMinute(const Moment& moment) {
    // Rows added during the pass (a snooze, an editor) wait for the next one.
    const std::size_t count = plans_.Count();
    for (std::size_t index = 1; index <= count && index <= plans_.Count(); ++index) {
        if (Visit(index, moment) == Step::EndPass) {
            return;
        }
    }
}

Scheduler::Step Scheduler::Visit(std::size_t index, const Moment& moment) {
    const PlanRow& row = plans_.Rows()[index - 1];
    if (row[PlanColumn::Time] != moment.timeText || row[PlanColumn::Status] != text::kStatusEnabled ||
        !RepeatMatchesWeekday(row[PlanColumn::Repeat], moment.weekday)) {
        return Step::Next;
    }
    const std::wstring& kind = row[PlanColumn::Kind];
    if (kind == text::kKindPower) {
        return LockActive() ? FireStrongestPower(moment) : FirePower(index, row, moment.minute);
    }
    if (kind == text::kKindReminder) {
        return FireInCycle(index, row, moment.minute, lastReminderMinute_, shownReminderTexts_, true);
    }
    if (kind == text::kKindRun) {
        return FireInCycle(index, row, moment.minute, lastRunMinute_, launchedRunTexts_, false);
    }
    return Step::Next; // "???" or any other text never fires
}

Scheduler::Step Scheduler::FirePower(std::size_t index, const PlanRow& row, std::int64_t now) {
    if (lastShutdownMinute_ == now) {
        return Step::Next; // one power operation per minute: the first in the list has won
    }
    const bool once = row[PlanColumn::Repeat] == text::kRepeatOnce;
    StartCountdown(now, row);
    if (once) {
        plans_.Remove(index);
    }
    return Step::EndPass;
}

Scheduler::Step Scheduler::FireStrongestPower(const Moment& moment) {
    const std::vector<PlanRow>& rows = plans_.Rows();
    std::vector<std::size_t> due; // 1-based, in list order
    std::size_t best = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (DuePower(rows[i], moment.timeText, moment.weekday)) {
            due.push_back(i + 1);
            if (best == 0 || StrengthOf(rows[i]) > StrengthOf(rows[best - 1])) {
                best = i + 1;
            }
        }
    }
    if (lastShutdownMinute_ == moment.minute) {
        if (StrengthOf(rows[best - 1]) <= PowerStrength(minuteWinner_)) {
            return Step::Next;
        }
        // A stronger plan enabled or added during the minute takes over; the others were dealt with.
        due = {best};
    }
    const std::int64_t today = FloorDiv(moment.minute, kMinutesPerDay);
    const std::wstring open = actions_.OpenCountdown();
    const bool start = MayOpenCountdown(open, rows[best - 1][PlanColumn::Operation], true);
    std::vector<std::size_t> leaving;
    if (start) {
        StartCountdown(moment.minute, rows[best - 1]);
    } else {
        lastShutdownMinute_ = moment.minute;
        minuteWinner_ = open;
    }
    for (const std::size_t index : due) {
        const PlanRow& row = rows[index - 1];
        if (index != best || !start) {
            Outweighed(moment.minute, today, row, minuteWinner_);
        }
        if (row[PlanColumn::Repeat] == text::kRepeatOnce) {
            leaving.push_back(index);
        }
    }
    for (auto it = leaving.rbegin(); it != leaving.rend(); ++it) {
        plans_.Remove(*it);
    }
    return Step::EndPass;
}

Scheduler::Step Scheduler::FireInCycle(std::size_t index, const PlanRow& row, std::int64_t now,
                                       std::optional<std::int64_t>& cycle, std::set<std::wstring>& fired,
                                       bool reminder) {
    if (cycle != now) {
        // A new minute: this row only opens the cycle and is handled from the next pass on.
        cycle = now;
        fired.clear();
        return Step::Next;
    }
    // The same text is used once per cycle: two plans with one message give one pop-up.
    const std::wstring& info = row[PlanColumn::Info];
    if (fired.count(info) != 0) {
        return Step::Next;
    }
    // Copied first: the row may go before the action is done with its texts.
    const std::wstring text = info;
    const std::wstring operation = row[PlanColumn::Operation];
    const bool once = row[PlanColumn::Repeat] == text::kRepeatOnce;
    Record(text::kEventPlanFired, PlanDetail(now, row));
    if (reminder) {
        actions_.ShowReminder(text, operation, std::nullopt);
    } else {
        actions_.StartProgram(text, operation);
    }
    // A once-only row that leaves still used its text in this minute.
    fired.insert(text);
    if (once) {
        plans_.Remove(index);
        return Step::EndPass;
    }
    return Step::Next;
}

void Scheduler::SaveIfMoved(const ClockReading& now, bool always) {
    if (!options_.lastMinute || !begun_) {
        return;
    }
    const std::int64_t lookedAt = std::max(lastClosed_, lastExamined_.value_or(lastClosed_));
    const std::int64_t utcMinute = lookedAt - now.utcOffsetMinutes;
    if (always || savedUtcMinute_ != utcMinute) {
        options_.lastMinute->Save(utcMinute);
        savedUtcMinute_ = utcMinute;
    }
}

void Scheduler::SaveLastMinute() {
    SaveIfMoved(clock_.Read(), true);
}

} // namespace kestrel
