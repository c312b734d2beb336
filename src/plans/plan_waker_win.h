// Wakes the sleeping computer for the next reminder or run plan: the tray item's setting, the one wake
// timer that follows the plan list, Kestrel's own wake, and the request to stay awake while what that
// minute's plans started goes on. Everything happens on the window thread.
#pragma once

#include "base/system_listener.h"
#include "plans/plan_list.h"
#include "plans/wake_plan.h"
#include "platform/clock.h"
#include "platform/handles_win.h"
#include "platform/wake_timer.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace kestrel::win {

struct PlanWakerOptions {
    // The tray item's setting, read once at the start and written when the user switches it; empty:
    // off at the start and not kept.
    std::function<bool()> readSetting;
    std::function<void(bool on)> writeSetting;
    // Windows will not let the timer resume the computer; called once per run, with the system's reason.
    std::function<void(std::uint32_t error)> refused;
};

class PlanWaker final : public SystemListener {
public:
    // `plans`, `clock` and `timer` must outlive the waker. Sets nothing yet: Update() does.
    PlanWaker(const PlanList& plans, const Clock& clock, WakeTimer& timer, PlanWakerOptions options);
    // Stop().
    ~PlanWaker() override;
    PlanWaker(const PlanWaker&) = delete;
    PlanWaker& operator=(const PlanWaker&) = delete;

    bool On() const { return on_; }
    // The user switched waking on or off; kept, and the timer follows at once.
    void Switch(bool on);

    // Sets the timer for the next reminder or run plan, moves it or cancels it. Cheap when that moment is
    // unchanged, so it can follow every change of the list and every turn of the minute.
    void Update();
    // The clock or the time zone changed, or the computer woke up: the next Update sets the timer again
    // even for the same moment (the system's time may have moved under it).
    void TimeMoved() { lastTried_.reset(); }
    // Whether the timer stands for plan `index` (1-based) of local minute `minute`: the next-plan line
    // that names that plan says the computer will be woken for it.
    bool Wakes(std::size_t index, std::int64_t minute) const;

    // The power notices: PBT_APMSUSPEND, PBT_APMRESUMEAUTOMATIC, and a sign of a person
    // (PBT_APMRESUMESUSPEND, an unlock).
    void Suspending() { ownWake_.Suspending(); }
    void ResumedAutomatically();
    void PersonSeen() { ownWake_.PersonSeen(); }
    // Kestrel's own wake, and nobody has touched the computer since.
    bool AwaitingPerson() const { return ownWake_.AwaitingPerson(); }

    // A reminder of local minute `minute` opened the pop-up `popup`: the computer stays awake while it
    // is open, when Kestrel woke it for that minute.
    void ReminderShown(HWND popup, std::int64_t minute);
    // A run plan of local minute `minute` is about to start its program. Non-zero when Kestrel woke the
    // computer for that minute: the starter hands the process back with this number (ProgramStarted),
    // and the computer stays awake meanwhile.
    std::uint64_t ProgramStarting(std::int64_t minute);
    // What became of that start; `process` is empty when the shell started it and gave no process.
    void ProgramStarted(std::uint64_t keep, bool started, UniqueKernelHandle process);
    // Once a second: lets the computer go once every program watched has ended, every pop-up is closed
    // or its time is up.
    void Check();

    // What the waker hears of the system: the second (Check), sleep, a wake (Kestrel's own timer's until a
    // person is seen; the timer is set again), a clock or zone change, a person at an unlocked, connected
    // or logged-on session, and the end (Stop).
    void OnSecondTick() override { Check(); }
    void OnSuspending() override { Suspending(); }
    void OnWoken(bool byPerson) override;
    void OnTimeChanged() override { TimeMoved(); }
    void OnSessionChanged(SessionChange change) override;
    void OnEnd(ProgramEnd) override { Stop(); }

    // The program ends: the timer is cancelled and the computer let go.
    void Stop();

private:
    struct Watched {
        StayAwake::Hold hold = 0;
        UniqueKernelHandle process;
        HWND popup = nullptr;
        bool pending = false; // the start has not come back yet
    };
    std::uint64_t NowMs() const { return clock_.Read().tickMs; }
    StayAwake::Hold Watch(std::uint64_t limitMs, UniqueKernelHandle process, HWND popup, bool pending);
    // Asks the system to stay awake exactly while a reason is left.
    void Apply();

    const PlanList& plans_;
    const Clock& clock_;
    WakeTimer& timer_;
    PlanWakerOptions options_;
    bool on_ = false;
    bool stopped_ = false;
    bool refusalTold_ = false;
    // The moment last asked of the system (empty: cancelled), and the one that stands now.
    std::optional<std::optional<WakeTarget>> lastTried_;
    std::optional<WakeTarget> armed_;
    OwnWake ownWake_;
    StayAwake stayAwake_;
    std::vector<Watched> watched_;
    bool awake_ = false;
};

} // namespace kestrel::win
