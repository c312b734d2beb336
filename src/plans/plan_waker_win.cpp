// Waking the computer for plans; see plan_waker_win.h.
#include "plans/plan_waker_win.h"

#include <algorithm>
#include <utility>

namespace kestrel::win {

PlanWaker::PlanWaker(const PlanList& plans, const Clock& clock, WakeTimer& timer, PlanWakerOptions options)
    : plans_(plans), clock_(clock), timer_(timer), options_(std::move(options)),
      on_(options_.readSetting && options_.readSetting()) {}

PlanWaker::~PlanWaker() {
    Stop();
}

void PlanWaker::Switch(bool on) {
    on_ = on;
    if (options_.writeSetting) {
        options_.writeSetting(on);
    }
    Update();
}

void PlanWaker::Update() {
    if (stopped_) {
        return;
    }
    const std::optional<WakeTarget> target = WakeTimerTarget(on_, plans_.Rows(), clock_.Now());
    if (lastTried_ && *lastTried_ == target) {
        return;
    }
    lastTried_ = target;
    armed_.reset();
    if (target) {
        const WakeTimerResult result = timer_.Set(LocalFromSecond(target->dueSecond));
        if (result.set) {
            armed_ = target;
        } else if (!refusalTold_) {
            // Said once: the plans still happen on waking, and the user can do nothing about it now.
            refusalTold_ = true;
            if (options_.refused) {
                options_.refused(result.error);
            }
        }
    }
    if (!armed_) {
        // A timer that cannot resume the computer would only mislead the next resume.
        timer_.Cancel();
    }
    ownWake_.TimerSet(armed_);
}

bool PlanWaker::Wakes(std::size_t index, std::int64_t minute) const {
    return armed_ && armed_->index == index && armed_->minute == minute;
}

void PlanWaker::ResumedAutomatically() {
    ownWake_.ResumedAutomatically(SecondNumber(clock_.Now()));
}

void PlanWaker::ReminderShown(HWND popup, std::int64_t minute) {
    if (popup && ownWake_.WokeFor(minute) && !stopped_) {
        Watch(kAwakeForReminderMs, {}, popup, false);
    }
}

std::uint64_t PlanWaker::ProgramStarting(std::int64_t minute) {
    if (!ownWake_.WokeFor(minute) || stopped_) {
        return 0;
    }
    return Watch(kAwakeForProgramMs, {}, nullptr, true);
}

void PlanWaker::ProgramStarted(std::uint64_t keep, bool started, UniqueKernelHandle process) {
    const auto it = std::find_if(watched_.begin(), watched_.end(), [&](const Watched& watched) {
        return watched.pending && watched.hold == keep;
    });
    if (it == watched_.end()) {
        return; // its time was up before it came back; the handle closes here
    }
    if (started && process) {
        it->process = std::move(process);
        it->pending = false;
        return;
    }
    stayAwake_.Release(it->hold);
    if (started) {
        // Nothing to watch: long enough for a short job or the program's own request to stay awake.
        Watch(kAwakeForShellStartMs, {}, nullptr, false);
    } else {
        Apply();
    }
}

void PlanWaker::OnWoken(bool byPerson) {
    if (byPerson) {
        PersonSeen();
    } else {
        ResumedAutomatically();
    }
    TimeMoved();
}

void PlanWaker::OnSessionChanged(SessionChange change) {
    // Someone unlocked the screen or came to the session: a person is at the computer.
    if (change == SessionChange::Unlocked || change == SessionChange::Connected ||
        change == SessionChange::LoggedOn) {
        PersonSeen();
    }
}

void PlanWaker::Check() {
    if (watched_.empty() && !awake_) {
        return;
    }
    for (const Watched& watched : watched_) {
        const bool ended =
            (watched.process && ::WaitForSingleObject(watched.process.get(), 0) != WAIT_TIMEOUT) ||
            (watched.popup && !::IsWindow(watched.popup));
        if (ended) {
            stayAwake_.Release(watched.hold);
        }
    }
    Apply();
}

void PlanWaker::Stop() {
    if (stopped_) {
        return;
    }
    stopped_ = true;
    timer_.Cancel();
    armed_.reset();
    ownWake_.TimerSet(std::nullopt);
    watched_.clear();
    stayAwake_ = StayAwake();
    Apply();
}

StayAwake::Hold PlanWaker::Watch(std::uint64_t limitMs, UniqueKernelHandle process, HWND popup,
                                 bool pending) {
    const StayAwake::Hold hold = stayAwake_.Keep(NowMs(), limitMs);
    watched_.push_back({hold, std::move(process), popup, pending});
    Apply();
    return hold;
}

void PlanWaker::Apply() {
    const bool needed = stayAwake_.Needed(NowMs());
    std::erase_if(watched_, [&](const Watched& watched) { return !stayAwake_.Holds(watched.hold); });
    if (needed != awake_) {
        awake_ = needed;
        timer_.KeepSystemAwake(needed);
    }
}

} // namespace kestrel::win
