// The order of the features that hear the system; see listener_order.h.
#include "app/listener_order.h"

namespace kestrel {

void SystemBroadcast::Register(const FeatureListeners& features) {
    listeners_.clear();
    for (SystemListener* listener : {
             // First the wake timer's keeper: it alone knows whether a wake was Kestrel's own timer's or a
             // person's (a resume notice, an unlock, a connection), and the scheduler's pass and quiet
             // hours ask it right after; it also forgets the moment it set when the clock moves.
             features.planWaker,
             // The plans' pass before quiet hours: a pass may open a plan's countdown (or open again one
             // that sleep interrupted), which a window then leaves alone when it is equal or stronger.
             features.scheduler,
             // The forbidden programs: last minute's counts of ends, then this second's ends.
             features.forbiddenPrograms,
             // The history: the exit mark follows the minute, and at the end "Kestrel 退出" is written
             // before the lines of the features after it (the start at log-on kept).
             features.history,
             // The settings: a change from outside is recorded (and put back under the lock) within the
             // second, after the exit mark of that second is written.
             features.settingsWatch,
             // The plan file: written again when the lock changes, so that its digest follows the lock.
             features.planFile,
             // Quiet hours after the scheduler (above), with the waker's answer already in.
             features.quietHours,
             // The start at log-on kept under the lock, at the end.
             features.startAtLogOn,
             // The process's own access list follows the lock.
             features.processAccess,
             // The editors' "→ 04:56" when the minute turns.
             features.editors,
             // Last, the next-plan line and the wake timer behind it: they show what every feature above
             // has left (a countdown opened, an excuse, a plan that left the list).
             features.nextPlanLine,
         }) {
        if (listener) {
            listeners_.push_back(listener);
        }
    }
}

void SystemBroadcast::OnSecondTick() {
    for (SystemListener* listener : listeners_) {
        listener->OnSecondTick();
    }
}

void SystemBroadcast::OnSuspending() {
    for (SystemListener* listener : listeners_) {
        listener->OnSuspending();
    }
}

void SystemBroadcast::OnWoken(bool byPerson) {
    for (SystemListener* listener : listeners_) {
        listener->OnWoken(byPerson);
    }
}

void SystemBroadcast::OnTimeChanged() {
    for (SystemListener* listener : listeners_) {
        listener->OnTimeChanged();
    }
}

void SystemBroadcast::OnSessionChanged(SessionChange change) {
    for (SystemListener* listener : listeners_) {
        listener->OnSessionChanged(change);
    }
}

void SystemBroadcast::OnParentLockChanged(bool set) {
    for (SystemListener* listener : listeners_) {
        listener->OnParentLockChanged(set);
    }
}

void SystemBroadcast::OnEnd(ProgramEnd how) {
    for (SystemListener* listener : listeners_) {
        listener->OnEnd(how);
    }
}

} // namespace kestrel
