#include "app/listener_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace kestrel {
namespace {

// Writes "name" into the shared log for every call it hears.
class Recorder final : public SystemListener {
public:
    Recorder(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(log) {}
    void OnSecondTick() override { log_.push_back(name_); }
    void OnSuspending() override { log_.push_back(name_); }
    void OnWoken(bool) override { log_.push_back(name_); }
    void OnTimeChanged() override { log_.push_back(name_); }
    void OnSessionChanged(SessionChange) override { log_.push_back(name_); }
    void OnParentLockChanged(bool) override { log_.push_back(name_); }
    void OnEnd(ProgramEnd) override { log_.push_back(name_); }

private:
    std::string name_;
    std::vector<std::string>& log_;
};

struct OrderRule {
    const char* why;
    void (*call)(SystemListener&);
    const char* first;
    const char* then;
};

TEST(ListenerOrder, EachRuleOfTheOrderHolds) {
    std::vector<std::string> log;
    Recorder waker("waker", log), scheduler("scheduler", log), forbidden("forbidden", log), history("history", log),
        quiet("quiet", log), startAtLogOn("startAtLogOn", log), access("access", log), editors("editors", log),
        line("line", log), settings("settings", log), planFile("planFile", log);
    // Registered in the opposite order of the fields: the broadcast's order must not depend on it.
    FeatureListeners features;
    features.nextPlanLine = &line;
    features.editors = &editors;
    features.processAccess = &access;
    features.startAtLogOn = &startAtLogOn;
    features.quietHours = &quiet;
    features.history = &history;
    features.settingsWatch = &settings;
    features.planFile = &planFile;
    features.forbiddenPrograms = &forbidden;
    features.scheduler = &scheduler;
    features.planWaker = &waker;
    SystemBroadcast broadcast(features);

    const OrderRule rules[] = {
        {"a wake: the waker knows whether it was its own before the scheduler asks",
         [](SystemListener& l) { l.OnWoken(false); }, "waker", "scheduler"},
        {"a wake: the scheduler's pass before quiet hours", [](SystemListener& l) { l.OnWoken(true); },
         "scheduler", "quiet"},
        {"an unlock: a person is seen before quiet hours act",
         [](SystemListener& l) { l.OnSessionChanged(SessionChange::Unlocked); }, "waker", "quiet"},
        {"the second: the plans' pass before quiet hours", [](SystemListener& l) { l.OnSecondTick(); },
         "scheduler", "quiet"},
        {"the second: the next-plan line after quiet hours", [](SystemListener& l) { l.OnSecondTick(); }, "quiet",
         "line"},
        {"the clock: the waker forgets its moment before the line sets it again",
         [](SystemListener& l) { l.OnTimeChanged(); }, "waker", "line"},
        {"the end: the exit's line before the start at log-on's", [](SystemListener& l) { l.OnEnd(ProgramEnd::Exit); },
         "history", "startAtLogOn"},
        {"the lock: the forbidden list kept before the line is drawn",
         [](SystemListener& l) { l.OnParentLockChanged(true); }, "forbidden", "line"},
    };
    for (const OrderRule& rule : rules) {
        SCOPED_TRACE(rule.why);
        log.clear();
        rule.call(broadcast);
        ASSERT_EQ(log.size(), 11u) << "every feature hears every call";
        const auto first = std::find(log.begin(), log.end(), rule.first);
        const auto then = std::find(log.begin(), log.end(), rule.then);
        EXPECT_LT(first, then);
    }
    EXPECT_EQ(log.back(), "line") << "the next-plan line is always last";
}

TEST(ListenerOrder, FeaturesNotMadeAreSkipped) {
    std::vector<std::string> log;
    Recorder scheduler("scheduler", log), quiet("quiet", log);
    FeatureListeners features;
    features.scheduler = &scheduler;
    features.quietHours = &quiet;
    SystemBroadcast broadcast(features);
    broadcast.OnWoken(false);
    EXPECT_EQ(log, (std::vector<std::string>{"scheduler", "quiet"}));
}

} // namespace
} // namespace kestrel
