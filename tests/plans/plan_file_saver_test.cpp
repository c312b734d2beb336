#include "plans/plan_file_saver.h"

#include "base/texts.h"

#include <gtest/gtest.h>

#include <deque>

namespace kestrel {
namespace {

// Saves succeed or fail as scripted; records what each save saw.
struct ScriptedSaves {
    std::deque<bool> outcomes;
    std::vector<std::size_t> rowCounts;
    int reports = 0;
    const PlanList* plans = nullptr;

    bool Save() {
        rowCounts.push_back(plans->Count());
        const bool ok = outcomes.empty() || outcomes.front();
        if (!outcomes.empty()) {
            outcomes.pop_front();
        }
        return ok;
    }
};

PlanRow AnyRow() {
    return MakePlanRow(text::kKindPower, L"22:30", text::kOpShutdown, text::kStatusEnabled,
                       text::kRepeatDaily, text::kPowerPlanInfo);
}

TEST(PlanFileSaver, EveryChangeIsSavedWithTheChangeApplied) {
    PlanList plans;
    ScriptedSaves saves;
    saves.plans = &plans;
    PlanFileSaver saver(
        plans, [&] { return saves.Save(); }, [&] { ++saves.reports; });
    EXPECT_TRUE(saves.rowCounts.empty()) << "nothing is saved before the first change";

    plans.Append(AnyRow());
    plans.Append(AnyRow());
    plans.SetStatus(1, text::kStatusDisabled);
    plans.SetAllStatus(text::kStatusEnabled);
    plans.Remove(1);
    plans.RemoveAll();
    EXPECT_EQ(saves.rowCounts, (std::vector<std::size_t>{1, 2, 2, 2, 1, 0}));
    EXPECT_EQ(saves.reports, 0);
}

TEST(PlanFileSaver, AFailureIsReportedOnceUntilASaveSucceedsAgain) {
    PlanList plans;
    ScriptedSaves saves;
    saves.plans = &plans;
    saves.outcomes = {false, false, false, true, false, false};
    PlanFileSaver saver(
        plans, [&] { return saves.Save(); }, [&] { ++saves.reports; });

    plans.Append(AnyRow());
    EXPECT_EQ(saves.reports, 1);
    EXPECT_TRUE(saver.LastSaveFailed());
    plans.Append(AnyRow());
    EXPECT_FALSE(saver.SaveNow()); // exit after a reported failure: not told twice
    EXPECT_EQ(saves.reports, 1);
    plans.Append(AnyRow()); // succeeds
    EXPECT_FALSE(saver.LastSaveFailed());
    plans.Append(AnyRow()); // fails again after a success: told again
    EXPECT_EQ(saves.reports, 2);
    EXPECT_FALSE(saver.SaveNow(/*mayReport=*/false));
    EXPECT_EQ(saves.reports, 2);
}

TEST(PlanFileSaver, SilentSaveAtSessionEndDoesNotUseUpTheReport) {
    PlanList plans;
    ScriptedSaves saves;
    saves.plans = &plans;
    saves.outcomes = {false, false};
    PlanFileSaver saver(
        plans, [&] { return saves.Save(); }, [&] { ++saves.reports; });
    EXPECT_FALSE(saver.SaveNow(false));
    EXPECT_EQ(saves.reports, 0);
    EXPECT_FALSE(saver.SaveNow(true));
    EXPECT_EQ(saves.reports, 1);
}

TEST(PlanFileSaver, StopsListeningWhenDestroyed) {
    PlanList plans;
    ScriptedSaves saves;
    saves.plans = &plans;
    {
        PlanFileSaver saver(
            plans, [&] { return saves.Save(); }, [] {});
    }
    plans.Append(AnyRow());
    EXPECT_TRUE(saves.rowCounts.empty());
}

} // namespace
} // namespace kestrel
