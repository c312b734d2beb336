#include "actions/shutdown_countdown.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

TEST(ShutdownCountdown, TextNamesTheOperationAndTheSecondsLeft) {
    const struct {
        const wchar_t* operation;
        int seconds;
        const wchar_t* expected;
    } cases[] = {
        {L"关闭计算机", 15, L"距离关闭计算机还剩 15 秒..."},
        {L"锁定计算机", 1, L"距离锁定计算机还剩 1 秒..."},
        {L"注销计算机 ", 9, L"距离注销计算机 还剩 9 秒..."}, // an unknown name is shown as it is
        {L"", 10, L"距离还剩 10 秒..."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CountdownText(c.operation, c.seconds), c.expected);
    }
}

TEST(ShutdownCountdown, RunsTheOperationOnTheFifteenthTickAndASecondStartBeginsAgain) {
    // Each step: what happens, then the expected state: counting, seconds shown, whether the tick was
    // the one that carries the operation out, and the operation named.
    enum Step { Start, Restart, Tick, Stop };
    struct Expect {
        Step step;
        int times;
        bool counting;
        int seconds;
        bool due;
        const wchar_t* operation;
    };
    const Expect steps[] = {
        {Tick, 1, false, 0, false, L""}, // never started: a tick does nothing
        {Start, 1, true, 15, false, L"关闭计算机"},
        {Tick, 14, true, 1, false, L"关闭计算机"},
        {Tick, 1, false, 1, true, L"关闭计算机"},  // the 15th tick; the count never shows 0
        {Tick, 1, false, 1, false, L"关闭计算机"}, // due once only
        {Start, 1, true, 15, false, L"关闭计算机"},
        {Tick, 10, true, 5, false, L"关闭计算机"},
        {Restart, 1, true, 15, false, L"锁定计算机"}, // a second start: 15 again, with the new name
        {Tick, 14, true, 1, false, L"锁定计算机"},
        {Stop, 1, false, 1, false, L"锁定计算机"},
        {Tick, 1, false, 1, false, L"锁定计算机"}, // stopped: the last second never comes
    };
    ShutdownCountdown countdown;
    int line = 0;
    for (const Expect& s : steps) {
        SCOPED_TRACE(::testing::Message() << "step " << line++);
        bool due = false;
        for (int i = 0; i < s.times; ++i) {
            switch (s.step) {
            case Start:
                countdown.Start(L"关闭计算机");
                break;
            case Restart:
                countdown.Start(L"锁定计算机");
                break;
            case Tick:
                due = countdown.Tick() || due;
                break;
            case Stop:
                countdown.Stop();
                break;
            }
        }
        EXPECT_EQ(countdown.Counting(), s.counting);
        EXPECT_EQ(countdown.SecondsLeft(), s.seconds);
        EXPECT_EQ(due, s.due);
        EXPECT_EQ(countdown.Operation(), s.operation);
    }
}

} // namespace
} // namespace kestrel
