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

} // namespace
} // namespace kestrel
