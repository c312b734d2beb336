// The one order in which the features hear the system. The main window makes each call once; this
// broadcast hands it to every feature registered, in the order below, skipping the ones a run has not made.
// Why the order is what it is stands beside each place in listener_order.cpp.
#pragma once

#include "base/system_listener.h"

#include <vector>

namespace kestrel {

// The features that hear the system; null: not made in this run (or not in this test).
struct FeatureListeners {
    SystemListener* planWaker = nullptr;
    SystemListener* scheduler = nullptr;
    SystemListener* forbiddenPrograms = nullptr;
    SystemListener* history = nullptr;
    SystemListener* planFile = nullptr;
    SystemListener* settingsWatch = nullptr;
    SystemListener* quietHours = nullptr;
    SystemListener* startAtLogOn = nullptr;
    SystemListener* processAccess = nullptr;
    SystemListener* editors = nullptr;
    SystemListener* nextPlanLine = nullptr;
};

class SystemBroadcast final : public SystemListener {
public:
    SystemBroadcast() = default;
    explicit SystemBroadcast(const FeatureListeners& features) { Register(features); }
    // Replaces what was registered by `features`, in Kestrel's order.
    void Register(const FeatureListeners& features);
    const std::vector<SystemListener*>& Order() const { return listeners_; }

    void OnSecondTick() override;
    void OnSuspending() override;
    void OnWoken(bool byPerson) override;
    void OnTimeChanged() override;
    void OnSessionChanged(SessionChange change) override;
    void OnParentLockChanged(bool set) override;
    void OnEnd(ProgramEnd how) override;

private:
    std::vector<SystemListener*> listeners_;
};

} // namespace kestrel
