// The once-a-second decision of quiet hours; see quiet_hours_check.h.
#include "quiet_hours/quiet_hours_check.h"
#include "base/app_messages.h"

#include "base/power_strength.h"

#include <algorithm>

namespace kestrel {

namespace {

std::int64_t UtcMinute(const ClockReading& now) {
    return FloorDiv(now.utcMs, 60000);
}

// The same end in UTC, as the clock's offset now gives it.
std::int64_t EndInUtc(const QuietOccurrence& occurrence, const ClockReading& now) {
    return occurrence.end - now.utcOffsetMinutes;
}

} // namespace

std::wstring QuietExcuseLine(const QuietExcuse& excuse) {
    return excuse.line + L'|' + NumberText(excuse.endUtcMinute);
}

std::optional<QuietExcuse> ParseQuietExcuseLine(std::wstring_view line) {
    const std::size_t bar = line.rfind(L'|');
    if (bar == std::wstring_view::npos || !ParseQuietWindowLine(line.substr(0, bar))) {
        return std::nullopt;
    }
    const std::wstring_view digits = line.substr(bar + 1);
    if (digits.empty() || digits.size() > 12 ||
        !std::all_of(digits.begin(), digits.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; })) {
        return std::nullopt;
    }
    std::int64_t minute = 0;
    for (const wchar_t c : digits) {
        minute = minute * 10 + (c - L'0');
    }
    return QuietExcuse{std::wstring(line.substr(0, bar)), minute};
}

QuietHoursCheck::QuietHoursCheck(std::function<bool()> noPersonYet) : noPersonYet_(std::move(noPersonYet)) {}

void QuietHoursCheck::SetWindows(std::vector<QuietWindow> windows) {
    if (windows.size() > kMaxQuietWindows) {
        windows.resize(kMaxQuietWindows);
    }
    // Changed windows are met anew; the same ones read again keep what was done in them. The excuses stay
    // with the lines they name.
    if (windows != windows_) {
        windows_ = std::move(windows);
        acted_.fill(std::nullopt);
        warned_.fill(std::nullopt);
    }
    ResolveExcuses();
}

void QuietHoursCheck::SetExcuses(std::vector<QuietExcuse> excuses, const ClockReading& now) {
    excuses_ = std::move(excuses);
    DropExpiredExcuses(now);
    ResolveExcuses();
}

void QuietHoursCheck::DropExpiredExcuses(const ClockReading& now) {
    const std::int64_t minute = UtcMinute(now);
    std::erase_if(excuses_, [&](const QuietExcuse& excuse) {
        return minute >= excuse.endUtcMinute + kExcuseToleranceMinutes;
    });
}

void QuietHoursCheck::ResolveExcuses() {
    resolved_.clear();
    for (std::size_t i = 0; i < windows_.size(); ++i) {
        const std::wstring line = QuietWindowLine(windows_[i]);
        for (const QuietExcuse& excuse : excuses_) {
            if (excuse.line == line) {
                resolved_.push_back(Resolved{i, excuse.endUtcMinute});
            }
        }
    }
}

bool QuietHoursCheck::Excused(const QuietOccurrence& occurrence, const ClockReading& now) const {
    const std::int64_t end = EndInUtc(occurrence, now);
    return std::any_of(resolved_.begin(), resolved_.end(), [&](const Resolved& excuse) {
        return excuse.window == occurrence.window && end - excuse.endUtcMinute <= kExcuseToleranceMinutes &&
               excuse.endUtcMinute - end <= kExcuseToleranceMinutes;
    });
}

void QuietHoursCheck::OnSession(SessionChange change) {
    switch (change) {
    case SessionChange::Connected:
        connected_ = true;
        pending_ = true;
        break;
    case SessionChange::Disconnected:
        connected_ = false;
        break;
    case SessionChange::LoggedOn:
        connected_ = true;
        locked_ = false;
        pending_ = true;
        break;
    case SessionChange::Locked:
        locked_ = true;
        break;
    case SessionChange::Unlocked:
        locked_ = false;
        pending_ = true;
        break;
    }
}

void QuietHoursCheck::OnWake() {
    pending_ = true;
}

std::vector<QuietOccurrence> QuietHoursCheck::OnCountdownEnded(CountdownEnd how, const ClockReading& now) {
    lastEndMs_ = now.tickMs;
    std::vector<QuietOccurrence> excused;
    if (how != CountdownEnd::Cancelled) {
        return excused;
    }
    for (const QuietOccurrence& occurrence : OccurrencesAt(windows_, MinuteNumber(now.local))) {
        if (!Excused(occurrence, now)) {
            excuses_.push_back(
                QuietExcuse{QuietWindowLine(windows_[occurrence.window]), EndInUtc(occurrence, now)});
            excused.push_back(occurrence);
        }
    }
    DropExpiredExcuses(now);
    ResolveExcuses();
    return excused;
}

QuietTurn QuietHoursCheck::Check(const ClockReading& now, const std::wstring& openCountdown, bool lockSet) {
    QuietTurn turn;
    if (windows_.empty() || !InUse() || (noPersonYet_ && noPersonYet_())) {
        return turn;
    }
    const std::int64_t minute = MinuteNumber(now.local);

    // The warning: a window that starts exactly five minutes from this minute, said once.
    const std::int64_t soon = minute + kQuietWarningMinutes;
    const std::int64_t soonDay = FloorDiv(soon, kMinutesPerDay);
    const int soonWeekday = QuietWeekday(soonDay);
    for (std::size_t i = 0; i < windows_.size(); ++i) {
        const QuietWindow& window = windows_[i];
        if (window.days[soonWeekday] && soonDay * kMinutesPerDay + window.start == soon &&
            warned_[i] != soon) {
            warned_[i] = soon;
            turn.warning = QuietOccurrence{i, soon, soon + QuietLength(window)};
            break;
        }
    }

    // The window to count down: without the lock the first in the list, as with power plans of one
    // minute; under it the strongest operation.
    const QuietOccurrence* chosen = nullptr;
    bool fresh = false;
    const QuietOccurrences inside = OccurrencesAt(windows_, minute);
    for (const QuietOccurrence& occurrence : inside) {
        if (Excused(occurrence, now)) {
            continue;
        }
        fresh = fresh || acted_[occurrence.window] != occurrence.start;
        if (!chosen || (lockSet && PowerStrength(windows_[occurrence.window].operation) >
                                       PowerStrength(windows_[chosen->window].operation))) {
            chosen = &occurrence;
        }
    }
    const bool again = lastEndMs_ && now.tickMs >= *lastEndMs_ + kQuietRepeatMs;
    const bool due = fresh || pending_ || again;
    pending_ = false;
    if (!chosen || !due) {
        return turn;
    }
    // Whether its own countdown opens or an equal or stronger one already stands for it, this time of
    // the window has been acted on.
    for (const QuietOccurrence& occurrence : inside) {
        if (!Excused(occurrence, now)) {
            acted_[occurrence.window] = occurrence.start;
        }
    }
    // A window never undoes an operation, with or without the parent's lock.
    if (!MayOpenCountdown(openCountdown, windows_[chosen->window].operation, true)) {
        return turn;
    }
    lastEndMs_.reset();
    turn.countdown = chosen->window;
    return turn;
}

std::optional<std::int64_t> QuietHoursCheck::QuietUntil(const ClockReading& now) const {
    std::optional<std::int64_t> until;
    for (const QuietOccurrence& occurrence : OccurrencesAt(windows_, MinuteNumber(now.local))) {
        if (!Excused(occurrence, now) && (!until || occurrence.end > *until)) {
            until = occurrence.end;
        }
    }
    return until;
}

} // namespace kestrel
