#include "plans/next_plan_sources.h"

#include "plans/plan_row.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrel {
namespace {

// A source that claims `minute` with `text`, or nothing.
NextPlanSource Claims(std::optional<std::int64_t> minute, const wchar_t* text) {
    return [=](const ClockReading&, bool) -> std::optional<NextPlanClaim> {
        if (!minute) {
            return std::nullopt;
        }
        NextPlanText line;
        line.fixed = text;
        return NextPlanClaim{line, *minute};
    };
}

TEST(NextPlanSources, TheEarliestClaimTakesTheLineAndTheFirstSourceKeepsATie) {
    const ClockReading now;
    const struct {
        const char* what;
        std::vector<NextPlanSource> sources;
        std::wstring named;
    } rows[] = {
        {"nothing claims", {Claims(std::nullopt, L"a")}, L""},
        {"the earlier minute", {Claims(100, L"plan"), Claims(99, L"window")}, L"window"},
        {"a tie stays with the first source", {Claims(100, L"plan"), Claims(100, L"window")}, L"plan"},
        {"a claim that holds now comes before any minute",
         {Claims(0, L"plan"), Claims(kClaimHoldsNow, L"inside")},
         L"inside"},
        {"a source without a claim is passed over", {Claims(std::nullopt, L"a"), Claims(5, L"b")}, L"b"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ChooseNextPlanClaim(row.sources, now, false).line.fixed, row.named) << row.what;
    }
}

TEST(NextPlanSources, ThePlanListClaimsItsNextPlanByRow) {
    const LocalDateTime at{2026, 12, 7, 8, 0, 0, 1}; // a Monday, 08:00
    const std::vector<PlanRow> rows{
        MakePlanRow(L"关机操作", L"07:00", L"关闭计算机", L"启用", L"每天", L""),
        MakePlanRow(L"关机操作", L"09:00", L"锁定计算机", L"启用", L"每天", L""),
    };
    const std::optional<NextPlanClaim> claim = PlanListClaim(rows, at, false);
    ASSERT_TRUE(claim.has_value());
    EXPECT_EQ(claim->planIndex, 2u);
    EXPECT_EQ(claim->minute % kMinutesPerDay, 9 * 60);
    EXPECT_FALSE(PlanListClaim({}, at, false).has_value());
}

} // namespace
} // namespace kestrel
