// The monitor's rule and the entry checks over a fake process table. (Adding and deleting entries is
// driven on the real page.)
#include "actions/forbidden_programs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace kestrel {
namespace {

struct FakeProcess {
    ProcessEntry entry;
    std::wstring path;     // the program file
    std::wstring original; // the original file name its version resource declares
    bool refuses = false;
};

// Processes in snapshot order. End checks what the real table checks through its handle: the same
// creation time, and the expected image.
struct FakeTable final : ProcessTable {
    std::vector<FakeProcess> running;
    std::vector<unsigned long> attempts;
    std::vector<unsigned long> reads;
    int snapshots = 0;
    std::function<void()> afterSnapshot; // what changes between the snapshot and the ending, when set

    bool Snapshot(std::vector<ProcessEntry>& processes) override {
        ++snapshots;
        processes.clear();
        for (const FakeProcess& p : running) {
            processes.push_back(p.entry);
        }
        if (afterSnapshot) {
            afterSnapshot();
        }
        return true;
    }
    FakeProcess* Find(const ProcessEntry& wanted) {
        auto found = std::find_if(running.begin(), running.end(),
                                  [&](const FakeProcess& p) { return p.entry.id == wanted.id; });
        return found == running.end() || found->entry.createdAt != wanted.createdAt ? nullptr : &*found;
    }
    std::optional<ProgramFile> ReadProgramFile(const ProcessEntry& process) override {
        reads.push_back(process.id);
        const FakeProcess* p = Find(process);
        return p ? std::optional<ProgramFile>(ProgramFile{p->path, p->original}) : std::nullopt;
    }
    EndResult End(const ProcessEntry& process, const std::wstring& imagePath) override {
        attempts.push_back(process.id);
        const FakeProcess* p = Find(process);
        if (!p || (!imagePath.empty() && imagePath != p->path) || (imagePath.empty() && p->entry.exeName != process.exeName)) {
            return EndResult::NotThere;
        }
        if (p->refuses) {
            return EndResult::Refused;
        }
        std::erase_if(running, [&](const FakeProcess& q) { return q.entry.id == process.id; });
        return EndResult::Ended;
    }
    unsigned long OwnProcessId() const override { return 1; }
};

FakeProcess Process(unsigned long id, const wchar_t* name, const wchar_t* original = L"", std::uint64_t created = 7) {
    return {{id, name, created}, std::wstring(L"C:\\apps\\") + name, original, false};
}

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

TEST(ForbiddenEntry, TrimmedCheckedAndDuplicatesFoundIgnoringCase) {
    const struct {
        const wchar_t* typed;
        const wchar_t* trimmed;
        ForbiddenNameCheck check;
    } cases[] = {
        {L"  game.exe\t", L"game.exe", ForbiddenNameCheck::Usable},
        {L"\u3000游戏.exe\u3000", L"游戏.exe", ForbiddenNameCheck::Usable},
        {L"my game.exe", L"my game.exe", ForbiddenNameCheck::Usable},
        {L" \t ", L"", ForbiddenNameCheck::Empty},
        {L"game", L"game", ForbiddenNameCheck::NeverMatches},
        {L"game.", L"game.", ForbiddenNameCheck::NeverMatches},
        {L"C:\\Games\\game.exe", L"C:\\Games\\game.exe", ForbiddenNameCheck::NeverMatches},
        {L"games/game.exe", L"games/game.exe", ForbiddenNameCheck::NeverMatches},
        {L"C:game.exe", L"C:game.exe", ForbiddenNameCheck::NeverMatches},
    };
    for (const auto& c : cases) {
        const std::wstring trimmed = TrimForbiddenName(c.typed);
        EXPECT_EQ(trimmed, c.trimmed);
        EXPECT_EQ(CheckForbiddenName(trimmed), c.check) << c.typed;
    }
    ForbiddenList list;
    EXPECT_EQ(list.Add(L" a.exe "), ForbiddenAddResult::Added);
    EXPECT_EQ(list.Add(L"A.EXE"), ForbiddenAddResult::Duplicate);
    EXPECT_EQ(list.Add(L"  "), ForbiddenAddResult::EmptyName);
    EXPECT_EQ(list.Add(L"б.exe"), ForbiddenAddResult::Added);
    EXPECT_EQ(list.Add(L"Б.EXE"), ForbiddenAddResult::Duplicate);
    EXPECT_EQ(list.Entries(), (std::vector<std::wstring>{L"a.exe", L"б.exe"}));
    EXPECT_FALSE(list.RemoveAt(2)) << "past the end: nothing";
    EXPECT_TRUE(list.RemoveAt(1));
    EXPECT_EQ(list.Entries(), std::vector<std::wstring>{L"a.exe"});
}

TEST(ForbiddenMonitor, OneSnapshotPerTickEndsEveryMatchingProcess) {
    FakeTable table;
    table.running = {Process(1, L"kestrel.exe"), Process(5, L"Game.exe"), Process(7, L"game.exe"),
                     Process(9, L"other.exe"), Process(11, L"chat.exe")};
    std::vector<std::wstring> entries = {L"GAME.EXE", L"kestrel.exe", L"chat.exe"};
    while (entries.size() < 20) {
        entries.push_back(L"absent" + std::to_wstring(entries.size()) + L".exe");
    }
    ForbiddenMonitor monitor(table);
    EXPECT_EQ(monitor.Tick(entries).size(), 3u);
    EXPECT_EQ(monitor.Tick(entries).size(), 0u);
    EXPECT_EQ(table.attempts, (std::vector<unsigned long>{5, 7, 11}));
    EXPECT_EQ(table.snapshots, 2);
    EXPECT_EQ(monitor.Tick({}).size(), 0u);
    EXPECT_EQ(table.snapshots, 2) << "an empty list takes no snapshot";
    // other.exe was the only process whose version data was needed (Kestrel's own is never read), once.
    EXPECT_EQ(table.reads, (std::vector<unsigned long>{9}));
}

TEST(ForbiddenMonitor, FiveDecoysThenTheRealCopyAreAllEndedInOneTickAndARefusingOneComesLast) {
    FakeTable table;
    for (unsigned long id = 3; id <= 7; ++id) {
        table.running.push_back(Process(id, L"game.exe"));
    }
    table.running.push_back(Process(9, L"notes.exe", L"game.exe")); // the real game, renamed
    table.running[0].refuses = true;
    ForbiddenMonitor monitor(table);
    EXPECT_EQ(monitor.Tick({L"game.exe"}).size(), 5u);
    EXPECT_EQ(table.attempts, (std::vector<unsigned long>{3, 4, 5, 6, 7, 9}));
    // A new copy is tried before the one that refused.
    table.running.push_back(Process(10, L"game.exe"));
    EXPECT_EQ(monitor.Tick({L"game.exe"}).size(), 1u);
    EXPECT_EQ(table.attempts, (std::vector<unsigned long>{3, 4, 5, 6, 7, 9, 10, 3}));
    table.running[0].refuses = false;
    EXPECT_EQ(monitor.Tick({L"game.exe"}).size(), 1u);
    EXPECT_TRUE(table.running.empty());
}

TEST(ForbiddenMonitor, AnIdTakenOverByAnotherProcessIsNotEnded) {
    FakeTable table;
    table.running = {Process(3, L"game.exe", L"", 100), Process(4, L"game.exe", L"", 100)};
    // Between the snapshot and the end, id 3 went to a new process: the next copy is ended instead.
    table.afterSnapshot = [&] { table.running[0].entry.createdAt = 200; };
    ForbiddenMonitor racing(table);
    const auto ended = racing.Tick({L"game.exe"});
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(table.attempts, (std::vector<unsigned long>{3, 4}));
    EXPECT_EQ(table.running.size(), 1u);
    EXPECT_EQ(table.running[0].entry.id, 3u) << "the new process on the old id lives";
}

TEST(ForbiddenMonitor, ARenamedCopyIsEndedByItsOriginalFileNameAndVersionDataIsReadOnce) {
    FakeTable table;
    table.running = {Process(3, L"notes.exe", L"GAME.EXE"), Process(4, L"game.exe", L"game.exe"),
                     Process(5, L"editor.exe", L"editor.exe"), Process(6, L"chat.exe", L"")};
    ForbiddenMonitor monitor(table);
    const auto ended = monitor.Tick({L"game.exe", L"chat.exe"});
    ASSERT_EQ(ended.size(), 3u);
    EXPECT_TRUE(ended[0].byOriginalName);
    EXPECT_EQ(ended[0].path, L"C:\\apps\\notes.exe");
    EXPECT_EQ(ended[0].entry, L"game.exe");
    EXPECT_FALSE(ended[1].byOriginalName);
    EXPECT_EQ(ended[2].entry, L"chat.exe");
    for (int tick = 0; tick < 5; ++tick) {
        EXPECT_TRUE(monitor.Tick({L"game.exe", L"chat.exe"}).empty());
    }
    // Only processes whose own name matched no entry were read, each once however many ticks.
    EXPECT_EQ(table.reads, (std::vector<unsigned long>{3, 5}));
    // A new process on a known id is read afresh.
    table.running.push_back(Process(3, L"notes.exe", L"game.exe", 99));
    EXPECT_EQ(monitor.Tick({L"game.exe"}).size(), 1u);
    EXPECT_EQ(table.reads, (std::vector<unsigned long>{3, 5, 3}));
}

} // namespace
} // namespace kestrel
