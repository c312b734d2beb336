// The power operations against a recorder: nothing here can reach the real power calls.
#include "actions/power_operations.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace kestrel {
namespace {

using Log = std::vector<std::string>;

struct RecordingPower final : PowerControl {
    Log log;
    void EnableShutdownPrivilege() override { log.push_back("privilege"); }
    void ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override {
        log.push_back("exit " + std::to_string(flags) + " " + std::to_string(reason));
    }
    void LockWorkStation() override { log.push_back("lock"); }
};

TEST(PowerOperations, SavesFirstThenRunsExactlyTheNamedOperation) {
    const struct {
        std::wstring name;
        Log expected;
    } cases[] = {
        {L"关闭计算机", {"save", "privilege", "exit 5 4294967295"}},
        {L"重启计算机", {"save", "privilege", "exit 6 4294967295"}},
        {L"锁定计算机", {"save", "lock"}}, // the token is never touched
        {L"注销计算机", {"save", "privilege", "exit 4 4294967295"}},
        {L"关闭计算机 ", {"save"}}, // only whole, exact names count
        {L"", {"save"}},
    };
    for (const auto& c : cases) {
        RecordingPower power;
        PerformComputerOperation(
            c.name, [&] { power.log.push_back("save"); }, power);
        EXPECT_EQ(power.log, c.expected) << testing::PrintToString(c.name);
    }
}

TEST(PowerOperations, AFailedSaveDoesNotStopTheOperation) {
    RecordingPower power;
    PerformComputerOperation(
        L"重启计算机", [] { throw std::runtime_error("disk full"); }, power);
    EXPECT_EQ(power.log, (Log{"privilege", "exit 6 4294967295"}));
}

} // namespace
} // namespace kestrel
