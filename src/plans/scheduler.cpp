// The scheduler pass; see scheduler.h.
#include "plans/scheduler.h"

#include "base/clock_text.h"
#include "base/texts.h"
#include "plans/repeat_rule.h"

namespace kestrel {

namespace {

CalendarMinute MinuteOf(const LocalDateTime& when) {
    return CalendarMinute{when.year, when.month, when.day, when.hour, when.minute};
}

} // namespace

Scheduler::Scheduler(PlanList& plans, const Clock& clock, PlanActions& actions)
    : plans_(plans), clock_(clock), actions_(actions) {}

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
    const LocalDateTime now = clock_.Now();
    const Moment moment{MinuteOf(now), FormatHourMinute(now), now.dayOfWeek + 1};
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
    const CalendarMinute& now = moment.minute;
    const std::wstring& kind = row[PlanColumn::Kind];
    if (kind == text::kKindPower) {
        return FirePower(index, row, now);
    }
    if (kind == text::kKindReminder) {
        return FireInCycle(index, row, now, lastReminderMinute_, shownReminderTexts_, true);
    }
    if (kind == text::kKindRun) {
        return FireInCycle(index, row, now, lastRunMinute_, launchedRunTexts_, false);
    }
    return Step::Next; // "???" or any other text never fires
}

Scheduler::Step Scheduler::FirePower(std::size_t index, const PlanRow& row, const CalendarMinute& now) {
    if (lastShutdownMinute_ == now) {
        return Step::Next; // one power operation per minute: the first in the list has won
    }
    const bool once = row[PlanColumn::Repeat] == text::kRepeatOnce;
    const std::wstring operation = row[PlanColumn::Operation];
    actions_.StartPowerCountdown(operation);
    lastShutdownMinute_ = now;
    if (once) {
        plans_.Remove(index);
    }
    return Step::EndPass;
}

Scheduler::Step Scheduler::FireInCycle(std::size_t index, const PlanRow& row, const CalendarMinute& now,
                                       std::optional<CalendarMinute>& cycle, std::set<std::wstring>& fired,
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
    if (reminder) {
        actions_.ShowReminder(text, operation);
    } else {
        actions_.StartProgram(text, operation);
    }
    if (once) {
        plans_.Remove(index);
        return Step::EndPass;
    }
    fired.insert(text);
    return Step::Next;
}

} // namespace kestrel
