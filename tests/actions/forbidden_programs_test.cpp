// The monitor's rule over a fake process table. (Adding and deleting entries is driven on the real page.)
#include "actions/forbidden_programs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace kestrel {
namespace {

// Processes in snapshot order; a terminated one leaves the table unless it refuses.
struct FakeTable final : ProcessTable {
    std::vector<ProcessEntry> running;
    std::set<unsigned long> refusing;
    std::vector<unsigned long> attempts;
    int snapshots = 0;
    bool Snapshot(std::vector<ProcessEntry>& processes) override {
        ++snapshots;
        processes = running;
        return true;
    }
    bool Terminate(unsigned long id) override {
        attempts.push_back(id);
        if (refusing.count(id)) {
            return false;
        }
        std::erase_if(running, [id](const ProcessEntry& p) { return p.id == id; });
        return true;
    }
    unsigned long OwnProcessId() const override { return 1; }
};

TEST(ForbiddenName, MatchesWholeBareNamesIgnoringCaseInEveryScript) {
    const struct {
        const wchar_t* process;
        const wchar_t* entry;
        bool match;
    } cases[] = {
        {L"notepad.exe", L"Notepad.EXE", true},
        {L"блокнот.exe", L"БЛОКНОТ.EXE", true},
        {L"äpfel.exe", L"ÄPFEL.exe", true},
        {L"ωμέγα.exe", L"ΩΜΈΓΑ.EXE", true},
        {L"记事本.exe", L"记事本.EXE", true},
        {L"notepad.exe", L"notepad", false},
        {L"notepad.exe", L"C:\\Windows\\notepad.exe", false},
        {L"notepad.exe", L"notepad.exe ", false},
        {L"notepad.exe", L"otepad.exe", false},
        {L"notepad.exe", L"", false},
        {L"", L"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsForbiddenName(c.process, c.entry), c.match) << c.process << L" / " << c.entry;
    }
}

TEST(ForbiddenCheck, OneSnapshotPerTickAndAtMostOneProcessPerEntry) {
    FakeTable table;
    table.running = {
        {1, L"kestrel.exe"}, {5, L"Game.exe"}, {7, L"game.exe"}, {9, L"other.exe"}, {11, L"chat.exe"}};
    std::vector<std::wstring> entries = {L"GAME.EXE", L"kestrel.exe", L"chat.exe"};
    while (entries.size() < 20) {
        entries.push_back(L"absent" + std::to_wstring(entries.size()) + L".exe");
    }
    EXPECT_EQ(RunForbiddenCheck(entries, table), 2u);
    EXPECT_EQ(table.attempts, (std::vector<unsigned long>{5, 11}));
    EXPECT_EQ(RunForbiddenCheck(entries, table), 1u);
    EXPECT_EQ(RunForbiddenCheck(entries, table), 0u);
    EXPECT_EQ(table.attempts, (std::vector<unsigned long>{5, 11, 7}));
    EXPECT_EQ(table.snapshots, 3);
    EXPECT_EQ(table.running, (std::vector<ProcessEntry>{{1, L"kestrel.exe"}, {9, L"other.exe"}}));
}

TEST(ForbiddenCheck, EntriesDifferingInCaseEachEndOneAndRefusalsAreRetried) {
    FakeTable table;
    table.running = {{3, L"a.exe"}, {4, L"a.exe"}, {6, L"a.exe"}, {8, L"b.exe"}, {9, L"b.exe"}};
    table.refusing = {8};
    EXPECT_EQ(RunForbiddenCheck({L"a.exe", L"A.EXE", L"b.exe"}, table), 2u);
    EXPECT_EQ(RunForbiddenCheck({L"a.exe", L"A.EXE", L"b.exe"}, table), 1u);
    EXPECT_EQ(table.attempts, (std::vector<unsigned long>{3, 4, 8, 6, 8}));
    EXPECT_EQ(RunForbiddenCheck({}, table), 0u);
    EXPECT_EQ(table.snapshots, 2);
}

} // namespace
} // namespace kestrel
