#include "plans/plan_name_search.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace kestrel {
namespace {

std::vector<PlanRow> Named(std::initializer_list<const wchar_t*> names) {
    std::vector<PlanRow> rows;
    for (const wchar_t* name : names) {
        rows.push_back(MakePlanRow(name, L"08:00", L"x", L"启用", L"每天", L""));
    }
    return rows;
}

TEST(FindPlanByName, FindsTheNextMatchingNameFromTheStartWrappingAroundAndIgnoringCase) {
    const auto rows = Named({L"Alpha", L"bravo", L"定时提醒", L"BETA", L"École", L"ｂｏｘ", L"Мир"});
    const struct {
        const wchar_t* text;
        std::size_t start;
        bool prefix;
        bool wrap;
        std::optional<std::size_t> found;
    } cases[] = {
        {L"b", 0, true, true, 1},
        {L"b", 2, true, true, 3},
        {L"b", 4, true, true, 1},
        {L"b", 4, true, false, std::nullopt},
        {L"alpha", 0, true, true, 0},
        {L"be", 0, true, true, 3},
        {L"Ｂ", 0, true, true, 5},
        {L"éC", 0, true, true, 4},
        {L"мИ", 0, true, true, 6},
        {L"定", 3, true, true, 2},
        {L"beta", 0, false, true, 3},
        {L"bet", 0, false, true, std::nullopt},
        {L"alphabet", 0, true, true, std::nullopt},
        {L"", 0, true, true, std::nullopt},
        {L"x", 0, true, true, std::nullopt},
        {L"a", 99, true, true, 0},
        {L"a", 99, true, false, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << c.text << " from " << c.start << " prefix " << c.prefix << " wrap " << c.wrap);
        EXPECT_EQ(FindPlanByName(rows, {c.text, c.start, c.prefix, c.wrap}), c.found) << c.found.value_or(99);
    }
    EXPECT_EQ(FindPlanByName({}, {L"a"}), std::nullopt);
}

} // namespace
} // namespace kestrel
