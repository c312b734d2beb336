// The dispatch of the power operations against a recorder: the save comes first for every name, each
// operation makes exactly its calls, and nothing here can reach the real power calls.
#include "actions/power_operations.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace kestrel {
namespace {

class RecordingPower final : public PowerControl {
public:
    explicit RecordingPower(std::vector<std::string>& log) : log_(log) {}
    void EnableShutdownPrivilege() override { log_.push_back("privilege"); }
    void ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override {
        log_.push_back("exit " + std::to_string(flags) + " " + std::to_string(reason));
    }
    void LockWorkStation() override { log_.push_back("lock"); }

private:
    std::vector<std::string>& log_;
};

using Log = std::vector<std::string>;

TEST(PowerOperations, SavesFirstThenRunsExactlyTheNamedOperation) {
    const struct {
        const wchar_t* name;
        Log expected;
    } cases[] = {
        {L"关闭计算机", {"save", "privilege", "exit 5 4294967295"}},
        {L"重启计算机", {"save", "privilege", "exit 6 4294967295"}},
        {L"锁定计算机", {"save", "lock"}}, // no privilege step: the token is never touched
        {L"注销计算机", {"save", "privilege", "exit 4 4294967295"}},
        // Only whole, exact names count.
        {L"关闭计算机 ", {"save"}},
        {L" 重启计算机", {"save"}},
        {L"锁定", {"save"}},
        {L"", {"save"}},
        {L"关机操作", {"save"}},
    };
    for (const auto& c : cases) {
        Log log;
        RecordingPower power(log);
        PerformComputerOperation(
            c.name, [&] { log.push_back("save"); }, power);
        EXPECT_EQ(log, c.expected) << testing::PrintToString(std::wstring(c.name));
    }
    // An embedded NUL does not end the name early.
    Log log;
    RecordingPower power(log);
    PerformComputerOperation(
        std::wstring(L"关闭计算机\0x", 7), [&] { log.push_back("save"); }, power);
    EXPECT_EQ(log, Log{"save"});
}

TEST(PowerOperations, AFailedSaveDoesNotStopTheOperation) {
    Log log;
    RecordingPower power(log);
    PerformComputerOperation(
        L"重启计算机",
        [&]() -> void {
            log.push_back("save");
            throw std::runtime_error("disk full");
        },
        power);
    EXPECT_EQ(log, (Log{"save", "privilege", "exit 6 4294967295"}));

    log.clear();
    PerformComputerOperation(L"锁定计算机", nullptr, power);
    EXPECT_EQ(log, Log{"lock"});
}

} // namespace
} // namespace kestrel
