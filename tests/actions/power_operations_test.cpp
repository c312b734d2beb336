// The power operations against a recorder: nothing here can reach the real power calls.
#include "actions/power_operations.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace kestrel {
namespace {

using Log = std::vector<std::string>;

// Records every call and answers with the error set for that call (0: done).
struct RecordingPower final : PowerControl {
    Log log;
    std::uint32_t privilegeError = 0;
    std::uint32_t exitError = 0;
    std::uint32_t lockError = 0;
    std::uint32_t EnableShutdownPrivilege() override {
        log.push_back("privilege");
        return privilegeError;
    }
    std::uint32_t ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override {
        log.push_back("exit " + std::to_string(flags) + " " + std::to_string(reason));
        return exitError;
    }
    std::uint32_t LockWorkStation() override {
        log.push_back("lock");
        return lockError;
    }
};

constexpr std::uint32_t kNotAllAssigned = 1300; // ERROR_NOT_ALL_ASSIGNED
constexpr std::uint32_t kAccessDenied = 5;

TEST(PowerOperations, SavesFirstThenRunsExactlyTheNamedOperationAndSaysWhyItFailed) {
    const struct {
        std::wstring name;
        std::uint32_t privilegeError, exitError, lockError;
        Log expected;
        std::uint32_t result;
    } cases[] = {
        // A planned shutdown with reason MAJOR_OTHER | MINOR_OTHER | FLAG_PLANNED, forced as before.
        {L"关闭计算机", 0, 0, 0, {"save", "privilege", "exit 5 2147483903"}, 0},
        {L"重启计算机", 0, 0, 0, {"save", "privilege", "exit 6 2147483903"}, 0},
        {L"锁定计算机", 0, 0, 0, {"save", "lock"}, 0}, // the token is never touched
        {L"注销计算机", 0, 0, 0, {"save", "exit 4 2147483903"}, 0},
        {L"关闭计算机 ", 0, 0, 0, {"save"}, 0}, // only whole, exact names count
        {L"", 0, 0, 0, {"save"}, 0},
        // A privilege that cannot be had stops a shutdown or restart with the system's reason.
        {L"关闭计算机", kNotAllAssigned, 0, 0, {"save", "privilege"}, kNotAllAssigned},
        {L"重启计算机", kAccessDenied, 0, 0, {"save", "privilege"}, kAccessDenied},
        // A refused call is reported, whichever it was.
        {L"重启计算机", 0, kAccessDenied, 0, {"save", "privilege", "exit 6 2147483903"}, kAccessDenied},
        {L"注销计算机", kNotAllAssigned, kAccessDenied, 0, {"save", "exit 4 2147483903"}, kAccessDenied},
        {L"锁定计算机", 0, 0, kAccessDenied, {"save", "lock"}, kAccessDenied},
    };
    for (const auto& c : cases) {
        RecordingPower power;
        power.privilegeError = c.privilegeError;
        power.exitError = c.exitError;
        power.lockError = c.lockError;
        const std::uint32_t result = PerformComputerOperation(
            c.name, [&] { power.log.push_back("save"); }, power);
        EXPECT_EQ(power.log, c.expected) << testing::PrintToString(c.name);
        EXPECT_EQ(result, c.result) << testing::PrintToString(c.name);
    }
}

TEST(PowerOperations, AFailedSaveDoesNotStopTheOperation) {
    RecordingPower power;
    PerformComputerOperation(
        L"重启计算机", [] { throw std::runtime_error("disk full"); }, power);
    EXPECT_EQ(power.log, (Log{"privilege", "exit 6 2147483903"}));
}

} // namespace
} // namespace kestrel
