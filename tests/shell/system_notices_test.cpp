#include "shell/system_notices.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

TEST(SystemNotices, ASessionNoticeIsTakenOnlyWhenWindowsAgrees) {
    const SessionState inUse{false, true};
    const SessionState locked{true, true};
    const SessionState away{false, false};
    const struct {
        SessionChange notice;
        std::optional<SessionState> real;
        NoticeVerdict verdict;
    } rows[] = {
        {SessionChange::Locked, locked, NoticeVerdict::Take},
        {SessionChange::Locked, inUse, NoticeVerdict::Disagrees}, // a posted lock notice
        {SessionChange::Locked, std::nullopt, NoticeVerdict::Ignore}, // never skipped on a message alone
        {SessionChange::Disconnected, away, NoticeVerdict::Take},
        {SessionChange::Disconnected, inUse, NoticeVerdict::Disagrees},
        {SessionChange::Disconnected, std::nullopt, NoticeVerdict::Ignore},
        {SessionChange::Unlocked, inUse, NoticeVerdict::Take},
        {SessionChange::Unlocked, locked, NoticeVerdict::Disagrees},
        {SessionChange::Unlocked, std::nullopt, NoticeVerdict::Take},
        {SessionChange::Connected, away, NoticeVerdict::Disagrees},
        {SessionChange::Connected, std::nullopt, NoticeVerdict::Take},
        {SessionChange::LoggedOn, locked, NoticeVerdict::Take},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.notice));
        EXPECT_EQ(VerifySessionNotice(row.notice, row.real), row.verdict);
    }
}

TEST(SystemNotices, ABeliefOfLockedOrAwayFollowsTheRealState) {
    EXPECT_EQ(SessionCorrections({true, true}, SessionState{true, true}), std::vector<SessionChange>{});
    EXPECT_EQ(SessionCorrections({true, true}, SessionState{false, true}),
              std::vector<SessionChange>{SessionChange::Unlocked});
    EXPECT_EQ(SessionCorrections({true, false}, std::nullopt),
              (std::vector<SessionChange>{SessionChange::Unlocked, SessionChange::Connected}));
    EXPECT_EQ(SessionCorrections({false, false}, SessionState{false, false}), std::vector<SessionChange>{});
    EXPECT_EQ(AfterNotice({true, false}, SessionChange::LoggedOn), (SessionState{false, true}));
    EXPECT_EQ(AfterNotice({false, true}, SessionChange::Disconnected), (SessionState{false, false}));
}

TEST(SystemNotices, ASleepIsWhatTheSleepingTickShows) {
    ClockReading before;
    before.tickMs = 100'000;
    before.awakeMs = 50'000;
    ClockReading after = before;
    after.tickMs += 1'000;
    after.awakeMs += 1'000;
    EXPECT_FALSE(SleptBetween(before, after)) << "a second awake";
    after.tickMs += 2'000;
    EXPECT_FALSE(SleptBetween(before, after)) << "exactly 2 s apart is no sleep";
    after.tickMs += 1;
    EXPECT_TRUE(SleptBetween(before, after));
    ClockReading busy = before;
    busy.tickMs += 600'000;
    busy.awakeMs += 600'000;
    EXPECT_FALSE(SleptBetween(before, busy)) << "a late tick while awake";
}

TEST(SystemNotices, OneLineAMinute) {
    OncePerMinute limit;
    EXPECT_TRUE(limit.Take(10));
    EXPECT_FALSE(limit.Take(10));
    EXPECT_TRUE(limit.Take(11));
}

} // namespace
} // namespace kestrel
