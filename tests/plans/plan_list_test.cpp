#include "plans/plan_list.h"

#include "base/texts.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestrel {
namespace {

PlanRow Row(const std::wstring& time, const std::wstring& info = L"x") {
    return MakePlanRow(text::kKindReminder, time, text::kOpTextMessage, text::kStatusEnabled,
                       text::kRepeatDaily, info);
}

struct Recorder {
    explicit Recorder(PlanList& list) {
        list.Subscribe([this](const PlanListEvent& e) { events.push_back(e); });
    }
    std::vector<PlanListEvent> events;
};

TEST(PlanList, RowsKeepOrderOfAdditionAndAreAddressedFromOne) {
    PlanList list;
    list.Append(Row(L"08:00"));
    list.AppendAll({Row(L"09:00"), Row(L"10:00")});
    ASSERT_EQ(list.Count(), 3u);
    EXPECT_EQ((*list.Find(1))[PlanColumn::Time], L"08:00");
    EXPECT_EQ((*list.Find(3))[PlanColumn::Time], L"10:00");
    EXPECT_EQ(list.Find(0), nullptr);
    EXPECT_EQ(list.Find(4), nullptr);
}

TEST(PlanList, IdenticalRowsStayIndependent) {
    PlanList list;
    list.Append(Row(L"08:00"));
    list.Append(Row(L"08:00"));
    ASSERT_TRUE(list.SetStatus(2, text::kStatusDisabled));
    EXPECT_EQ((*list.Find(1))[PlanColumn::Status], text::kStatusEnabled);
    EXPECT_EQ((*list.Find(2))[PlanColumn::Status], text::kStatusDisabled);
}

TEST(PlanList, RemovingARowMovesLaterRowsUp) {
    PlanList list;
    list.AppendAll({Row(L"01:00"), Row(L"02:00"), Row(L"03:00")});
    ASSERT_TRUE(list.Remove(2));
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ((*list.Find(2))[PlanColumn::Time], L"03:00");
    EXPECT_FALSE(list.Remove(3));
    EXPECT_FALSE(list.Remove(0));
    EXPECT_EQ(list.Count(), 2u);
}

TEST(PlanList, StatusOfAllRowsIsWrittenAndOnlyTheStatusCell) {
    PlanList list;
    list.AppendAll({Row(L"01:00", L"a"), Row(L"02:00", L"b")});
    list.SetStatus(1, text::kStatusDisabled);
    list.SetAllStatus(text::kStatusDisabled);
    for (const PlanRow& row : list.Rows()) {
        EXPECT_EQ(row[PlanColumn::Status], text::kStatusDisabled);
    }
    EXPECT_EQ((*list.Find(2))[PlanColumn::Info], L"b");
    EXPECT_FALSE(list.SetStatus(3, text::kStatusEnabled));
}

TEST(PlanList, EveryChangeIsAnnouncedOnceWithItsRange) {
    PlanList list;
    Recorder rec(list);
    list.Append(Row(L"01:00"));
    list.AppendAll({Row(L"02:00"), Row(L"03:00")});
    list.AppendAll({});
    list.SetStatus(2, text::kStatusDisabled);
    list.SetAllStatus(text::kStatusEnabled);
    list.Remove(1);
    list.RemoveAll();
    list.RemoveAll(); // nothing left: no event
    list.Remove(1);   // no such row: no event

    ASSERT_EQ(rec.events.size(), 6u);
    EXPECT_EQ(rec.events[0].change, PlanListChange::Appended);
    EXPECT_EQ(rec.events[0].first, 1u);
    EXPECT_EQ(rec.events[1].change, PlanListChange::Appended);
    EXPECT_EQ(rec.events[1].first, 2u);
    EXPECT_EQ(rec.events[1].count, 2u);
    EXPECT_EQ(rec.events[2].change, PlanListChange::StatusChanged);
    EXPECT_EQ(rec.events[2].first, 2u);
    EXPECT_EQ(rec.events[3].change, PlanListChange::StatusChanged);
    EXPECT_EQ(rec.events[3].count, 3u);
    EXPECT_EQ(rec.events[4].change, PlanListChange::Removed);
    EXPECT_EQ(rec.events[4].first, 1u);
    EXPECT_EQ(rec.events[5].change, PlanListChange::Cleared);
}

TEST(PlanList, ListenerMayUnsubscribeWhileBeingTold) {
    PlanList list;
    int calls = 0;
    PlanList::Subscription id = 0;
    id = list.Subscribe([&](const PlanListEvent&) {
        ++calls;
        list.Unsubscribe(id);
    });
    list.Append(Row(L"01:00"));
    list.Append(Row(L"02:00"));
    EXPECT_EQ(calls, 1);
}

TEST(PlanList, ColumnNamesAreTheFileElementNames) {
    EXPECT_STREQ(PlanColumnName(PlanColumn::Kind), L"计划名称");
    EXPECT_STREQ(PlanColumnName(PlanColumn::Time), L"操作时间");
    EXPECT_STREQ(PlanColumnName(PlanColumn::Operation), L"操作类型");
    EXPECT_STREQ(PlanColumnName(PlanColumn::Status), L"状态");
    EXPECT_STREQ(PlanColumnName(PlanColumn::Repeat), L"重复");
    EXPECT_STREQ(PlanColumnName(PlanColumn::Info), L"附加信息");
}

} // namespace
} // namespace kestrel
