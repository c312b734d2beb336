// The history's lines, files and counts, over a disk in memory.
#include "history/history.h"

#include "history/exit_mark.h"

#include "base/texts.h"
#include "plans/plan_rows_text.h"
#include "platform/file_bytes.h"
#include "platform/xml_tree.h"

#include <gtest/gtest.h>

#include <map>

namespace kestrel {
namespace {

const LocalDateTime kNine{2024, 5, 1, 21, 4, 9};

std::string Utf8(const std::u8string& text) {
    return std::string(text.begin(), text.end());
}

// Files in memory; a file's identity is a number that a new file gets and a rename takes along.
struct MemoryDisk final : HistoryDisk {
    std::map<std::wstring, std::string> files;
    std::map<std::wstring, std::uint64_t> ids;
    std::uint64_t nextId = 1;
    std::uint32_t failAppends = 0;
    std::uint32_t failRenames = 0;
    std::function<void()> whileLocking = [] {
    }; // another copy's doing while this one waits for the lock
    std::uint64_t IdOf(const std::wstring& file) { return ids[file] ? ids[file] : (ids[file] = nextId++); }
    std::optional<std::uint64_t> Size(const std::wstring& file) override {
        const auto found = files.find(file);
        return found == files.end() ? std::nullopt : std::optional<std::uint64_t>(found->second.size());
    }
    std::uint32_t Append(const std::wstring& file, std::string_view bytes) override {
        return failAppends ? failAppends : (files.count(file) || ids.erase(file), files[file] += bytes, 0);
    }
    std::uint32_t Rename(const std::wstring& from, const std::wstring& to) override {
        return failRenames ? failRenames : (files[to] = files[from], ids[to] = IdOf(from), Remove(from));
    }
    std::wstring failRemove; // this file cannot be removed
    std::uint32_t Remove(const std::wstring& file) override {
        return file == failRemove ? 32 : (files.erase(file), ids.erase(file), 0);
    }
    std::string Read(const std::wstring& file) override { return files.count(file) ? files[file] : ""; }
    std::optional<HistoryFileFacts> Facts(const std::wstring& file) override {
        return files.count(file) ? std::optional(HistoryFileFacts{7, IdOf(file), files[file].size()})
                                 : std::nullopt;
    }
    std::uint32_t Replace(const std::wstring& file, std::string_view bytes) override {
        return files[file] = bytes, ids[file] = nextId++, 0;
    }
    void LockWriters() override {
        std::exchange(whileLocking, [] {})();
    }
};

TEST(HistoryLines, EachEventIsOneLineOfThreeFieldsAndReadsBackAsIt) {
    const struct {
        const wchar_t* event;
        const wchar_t* detail;
        std::u8string line;
    } rows[] = {
        {L"Kestrel 启动", L"手动启动，计划文件：C:\\计划\\Values.xml",
         u8"2024-05-01 21:04:09\tKestrel 启动\t手动启动，计划文件：C:\\计划\\Values.xml\r\n"},
        {L"计划添加", L"23:00 定时运行\t隐藏运行\r\n每天：C:\\a.exe\n",
         u8"2024-05-01 21:04:09\t计划添加\t23:00 定时运行 隐藏运行  每天：C:\\a.exe \r\n"},
        {L"事\t件", L"", u8"2024-05-01 21:04:09\t事 件\t\r\n"},
        {L"计划删除", L"a\x7F-b", u8"2024-05-01 21:04:09\t计划删除\ta -b\r\n"},
    };
    for (const auto& row : rows) {
        const std::string bytes = HistoryLineBytes(kNine, row.event, row.detail);
        EXPECT_EQ(bytes, Utf8(row.line));
        const auto back = ReadHistoryEntries(bytes, "");
        ASSERT_EQ(back.size(), 1u);
        EXPECT_EQ(back[0].time, L"2024-05-01 21:04:09");
        EXPECT_EQ(Utf8FromWide(HistoryEntryLine(back[0]) + L"\r\n"), bytes);
    }
}

TEST(HistoryLines, BothFilesReadNewestFirstAndDamagedLinesShownAsTheyAre) {
    const std::string older = Utf8(u8"\xEF\xBB\xBF"
                                   u8"2024-04-30 08:00:00\tA\t1\r\n2024-04-30 09:00:00\tB\t2\r\n");
    const std::string current = Utf8(u8"\xEF\xBB\xBF"
                                     u8"2024-05-01 07:00:00\tC\t3\r\n"
                                     u8"写坏的一行\r\n"
                                     u8"2024-05-01 7:00:00\tD\t4\n"
                                     u8"2024-05-01 07:00:00\tE\t5\t6\r\n"
                                     u8"2024-05-01 08:00:00\tF");
    const std::vector<HistoryEntry> expected = {
        {L"", L"", L"2024-05-01 08:00:00\tF"}, // torn by a kill in the middle of the write
        {L"", L"", L"2024-05-01 07:00:00\tE\t5\t6"},
        {L"", L"", L"2024-05-01 7:00:00\tD\t4"},
        {L"", L"", L"写坏的一行"},
        {L"2024-05-01 07:00:00", L"C", L"3"},
        {L"2024-04-30 09:00:00", L"B", L"2"},
        {L"2024-04-30 08:00:00", L"A", L"1"},
    };
    EXPECT_EQ(ReadHistoryEntries(current, older), expected);
    EXPECT_TRUE(ReadHistoryEntries("", "").empty());
    EXPECT_EQ(ParseHistoryLine(L"2024-05-01 07:00:00\t\t7"),
              (HistoryEntry{L"", L"", L"2024-05-01 07:00:00\t\t7"}))
        << "an empty event";
}

TEST(History, ANewFileBeginsWithTheMarkAndPast1MiBTheOldOneMovesAside) {
    MemoryDisk disk;
    FixedClock clock(kNine);
    History history(disk, clock, L"H");
    const std::wstring current = history.Path();
    const std::wstring older = JoinPath(L"H", kOlderHistoryFileName);
    const std::string line = HistoryLineBytes(kNine, L"E", L"d");

    history.Record(L"E", L"d");
    EXPECT_EQ(disk.files[current], std::string(kUtf8Bom) + line);

    disk.files[older] = "an older history, replaced";
    const std::string full(kHistoryFileLimit - line.size(), 'x');
    disk.files[current] = full;
    history.Record(L"E", L"d");
    EXPECT_EQ(disk.files[current], full + line) << "exactly 1 MiB still fits";
    history.Record(L"E", L"d");
    EXPECT_EQ(disk.files[older], full + line);
    EXPECT_EQ(disk.files[current], std::string(kUtf8Bom) + line);

    EXPECT_EQ(history.Clear(), 0u);
    EXPECT_EQ(disk.files.count(older), 0u);
    EXPECT_EQ(history.Read(),
              (std::vector<HistoryEntry>{{L"2024-05-01 21:04:09", L"历史记录", L"清除历史记录"}}));
}

TEST(History, AClearThatFailsRemovesTheOlderFileFirstAndNeverTheNewerLinesAlone) {
    for (const bool olderFails : {true, false}) {
        SCOPED_TRACE(olderFails ? "the older file cannot be removed" : "the newer file cannot be removed");
        MemoryDisk disk;
        FixedClock clock(kNine);
        History history(disk, clock, L"H");
        const std::wstring older = JoinPath(L"H", kOlderHistoryFileName);
        disk.files[older] = "older";
        disk.files[history.Path()] = "newer";
        disk.failRemove = olderFails ? older : history.Path();
        EXPECT_EQ(history.Clear(), 32u);
        EXPECT_EQ(disk.files.count(older), olderFails ? 1u : 0u);
        EXPECT_EQ(disk.files[history.Path()], "newer") << "and no line that says it was cleared";
    }
}

TEST(History, OnlyTheFirstFailedWriteOfARunIsTold) {
    MemoryDisk disk;
    FixedClock clock(kNine);
    History history(disk, clock, L"H");
    std::vector<std::uint32_t> told;
    history.SetWriteFailed([&](std::uint32_t error) { told.push_back(error); });
    disk.failAppends = 5;
    history.Record(L"E", L"1");
    history.Record(L"E", L"2");
    disk.failAppends = 0;
    history.Record(L"E", L"3");
    EXPECT_EQ(told, std::vector<std::uint32_t>{5});
    EXPECT_EQ(history.Read().size(), 1u);
}

// A change that drops lines between two of this run's lines is said once; another copy's lines or rotation
// not.
TEST(HistoryChecks, AFileDeletedReplacedOrCutWhileRunningIsSaidOnceBeforeTheNextLine) {
    static const std::wstring c = JoinPath(L"H", kHistoryFileName), o = JoinPath(L"H", kOlderHistoryFileName);
    const struct {
        const char* what;
        void (*change)(MemoryDisk&);
        bool said;
    } rows[] = {
        {"appended", [](MemoryDisk& d) { d.files[c] += "x"; }, false},
        {"deleted", [](MemoryDisk& d) { d.Remove(c); }, true},
        {"replaced", [](MemoryDisk& d) { d.Replace(c, d.files[c] + "x"); }, true},
        {"cut shorter", [](MemoryDisk& d) { d.files[c].pop_back(); }, true},
        {"rotated by another copy", [](MemoryDisk& d) { d.Rename(c, o), d.Append(c, "B\r\n"); }, false},
        {"rotated, then cut shorter", [](MemoryDisk& d) { d.Rename(c, o), d.files[o].pop_back(); }, true},
    };
    const std::string said = HistoryLineBytes(kNine, L"历史记录", L"之前的记录在 Kestrel 运行时被删除或改短");
    const std::string after = HistoryLineBytes(kNine, L"E", L"3") + HistoryLineBytes(kNine, L"E", L"4");
    for (const auto& row : rows) {
        MemoryDisk disk;
        FixedClock clock(kNine);
        History history(disk, clock, L"H");
        history.Record(L"E", L"1");
        row.change(disk);
        history.Record(L"E", L"3");
        history.Record(L"E", L"4");
        const std::string& file = disk.files[history.Path()];
        EXPECT_TRUE(file.ends_with((row.said ? said : "") + after)) << row.what;
        EXPECT_EQ(file.find(said) != std::string::npos, row.said) << row.what;
    }
}

// B rotates the full file while A waits for the lock: A writes into B's new file, the megabyte stays whole.
TEST(HistoryChecks, TwoCopiesRotateOnceUnderTheLock) {
    MemoryDisk disk;
    FixedClock clock(kNine);
    History a(disk, clock, L"H"), b(disk, clock, L"H");
    a.Record(L"A", L"1");
    const std::string lineB = HistoryLineBytes(kNine, L"B", L"2");
    disk.files[a.Path()] +=
        std::string(kHistoryFileLimit - disk.files[a.Path()].size() - lineB.size() + 1, 'x');
    const std::string megabyte = disk.files[a.Path()];
    disk.whileLocking = [&] {
        b.Record(L"B", L"2");
    };
    a.Record(L"A", L"3");
    EXPECT_EQ(disk.files[JoinPath(L"H", kOlderHistoryFileName)], megabyte);
    EXPECT_EQ(disk.files[a.Path()], std::string(kUtf8Bom) + lineB + HistoryLineBytes(kNine, L"A", L"3"));
}

// A failing rename cuts the file to its newer half from a line's start, said once and not taken for a change.
TEST(HistoryChecks, AFailingRenameCutsTheFileToItsNewerHalfAndSaysSoOnce) {
    MemoryDisk disk;
    FixedClock clock(kNine);
    History history(disk, clock, L"H");
    std::string full(kUtf8Bom);
    const std::size_t size = HistoryLineBytes(kNine, L"E", L"1000000").size();
    for (int n = 1000000; full.size() + size <= kHistoryFileLimit; ++n) {
        full += HistoryLineBytes(kNine, L"E", std::to_wstring(n));
    }
    history.Record(L"E", L"0");
    disk.files[history.Path()] = full;
    disk.failRenames = 5;
    history.Record(L"E", L"9000000"); // as long as every line of the file: it does not fit
    history.Record(L"E", L"9000001");
    const std::string after = HistoryLineBytes(kNine, L"历史记录", text::kHistoryCutInHalf) +
                              HistoryLineBytes(kNine, L"E", L"9000000") +
                              HistoryLineBytes(kNine, L"E", L"9000001");
    const std::string& file = disk.files[history.Path()];
    ASSERT_TRUE(file.starts_with(kUtf8Bom) && file.ends_with(after));
    const std::string kept = file.substr(kUtf8Bom.size(), file.size() - kUtf8Bom.size() - after.size());
    EXPECT_TRUE(kept.starts_with("2024-05-01 21:04:09\t") && full.ends_with(kept));
    EXPECT_TRUE(kept.size() <= kHistoryFileLimit / 2 && kept.size() > kHistoryFileLimit / 2 - size);
}

// The last line of the history tells whether the run before ended cleanly.
TEST(HistoryChecks, TheLastLineTellsAnUncleanEnd) {
    const auto line = [](const char* rest) {
        return std::string("2024-05-01 21:00:00\t") + rest + "\r\n";
    };
    const std::string start = std::string(kUtf8Bom) + "2024-05-01 20:00:00\tKestrel 启动\t手动启动\r\n";
    const std::wstring nine = L"2024-05-01 21:00:00", eight = L"2024-05-01 20:00:00";
    const struct {
        const char* what;
        std::string current;
        std::string older;
        std::optional<std::wstring> unclean;
    } rows[] = {
        {"an exit", start + line("Kestrel 退出\t"), "", std::nullopt},
        {"the session's end", start + line("Windows 会话结束\t"), "", std::nullopt},
        {"Kestrel's shutdown", start + line("电脑操作\t关闭计算机"), "", std::nullopt},
        {"Kestrel's lock", start + line("电脑操作\t锁定计算机"), "", nine},
        {"a refused log-off", start + line("电脑操作\t未能注销计算机：拒绝访问"), "", nine},
        {"a start", start, "", eight},
        {"a line torn by the kill", start + "2024-05-01 21:0", "", eight},
        {"no line", "", "", std::nullopt},
        {"History.txt of the mark alone: History.1.txt's last line", std::string(kUtf8Bom), start, eight},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(UncleanEndInHistory(row.current, row.older), row.unclean) << row.what;
    }
}

// Mark and last line give one line with the later time; another copy's history is no evidence; a zone moves.
TEST(HistoryChecks, AStartSaysAnUncleanEndOnceAndAZoneChange) {
    const struct {
        std::optional<std::wstring> mark;
        bool anotherCopyRuns;
        std::wstring zoneBefore;
        std::vector<std::wstring> details; // after the start's own line
    } rows[] = {
        {L"2024-05-01 21:03", false, L"", {L"最后运行于 2024-05-01 21:03"}},
        {std::nullopt, false, L"", {L"最后运行于 2024-05-01 21:02:00"}},
        {std::nullopt, true, L"", {}},
        {std::nullopt, true, L"China Standard Time", {L"China Standard Time → Tokyo Standard Time（时区）"}},
        {std::nullopt, true, L"Tokyo Standard Time", {}},
    };
    for (const auto& row : rows) {
        MemoryDisk disk;
        FixedClock clock(kNine);
        History history(disk, clock, L"H");
        disk.files[history.Path()] = "2024-05-01 21:02:00\tKestrel 启动\t手动启动\r\n";
        history.RecordStart(
            {L"启动", true, row.mark, row.zoneBefore, L"Tokyo Standard Time", row.anotherCopyRuns});
        std::vector<std::wstring> details; // oldest first: the line there was, the start's, then these
        for (const HistoryEntry& entry : history.Read()) {
            details.insert(details.begin(), entry.detail);
        }
        EXPECT_EQ(std::vector(details.begin() + 2, details.end()), row.details);
    }
}

// An earlier version's mark (the minute alone) still reads; a cleared mark keeps the zone and reads as none.
TEST(ExitMarkText, TheZoneIsKeptWithTheMarkAndAfterIt) {
    const std::wstring zone = L"China Standard Time";
    EXPECT_EQ(ParseExitMarkText(L"2024-05-01 21:04"), (ExitMarkReading{L"2024-05-01 21:04", L""}));
    EXPECT_EQ(ParseExitMarkText(L"2024-05-01 21:04\t" + zone), (ExitMarkReading{L"2024-05-01 21:04", zone}));
    EXPECT_EQ(ParseExitMarkText(ClearedExitMarkText(zone)), (ExitMarkReading{std::nullopt, zone}));
}

// One line per entry and minute; the rest of a minute is counted in the next line of the entry.
TEST(EndedProcessLines, ALoopOfCopiesGetsOneLinePerMinuteAndItsCount) {
    EndedProcessLines lines;
    const std::int64_t m = MinuteNumber(kNine);
    std::vector<std::wstring> written;
    const auto tick = [&](std::int64_t minute, std::vector<const wchar_t*> ends) {
        for (const std::wstring& count : lines.Flush(minute)) {
            written.push_back(count);
        }
        for (const wchar_t* entry : ends) {
            if (auto line = lines.Ended(entry, std::wstring(entry) + L" 结束", minute)) {
                written.push_back(*line);
            }
        }
    };
    tick(m, {L"game.exe", L"game.exe", L"chat.exe", L"game.exe"});
    tick(m, {L"game.exe"});
    tick(m + 1, {L"game.exe"});
    tick(m + 2, {});
    tick(m + 3, {});
    const std::vector<std::wstring> expected = {
        L"game.exe 结束",
        L"chat.exe 结束",
        L"禁止列表中的“game.exe”：21:04 这一分钟共 4 次",
        L"禁止列表中的“game.exe”：21:05 这一分钟共 1 次",
    };
    EXPECT_EQ(written, expected);
    // A clock set back: the count not said yet goes in front of the next line.
    tick(m + 9, {L"a.exe", L"a.exe"});
    tick(m + 5, {L"a.exe"});
    EXPECT_EQ(written.back(), L"21:13 这一分钟共 2 次；a.exe 结束");
    // The count of a minute whose end had no line of its own (it came after the count of the minute
    // before), and then the clock set back.
    tick(m + 20, {L"b.exe", L"b.exe"});
    tick(m + 21, {L"b.exe"});
    tick(m + 15, {L"b.exe"});
    EXPECT_EQ(written.back(), L"21:25 这一分钟共 1 次；b.exe 结束");
}

TEST(PlanRowsText, RowsReadAsTimeKindOperationRepeatAndTheirText) {
    const PlanRow power = MakePlanRow(text::kKindPower, L"21:00", text::kOpShutdown, text::kStatusEnabled,
                                      text::kRepeatDaily, text::kPowerPlanInfo);
    const PlanRow run = MakePlanRow(text::kKindRun, L"03:00", text::kOpRunHidden, text::kStatusDisabled,
                                    L"一 三 ", L"C:\\备份.exe /all");
    EXPECT_EQ(PlanRowsText({power, run}),
              L"21:00 关机操作 关闭计算机 每天；03:00 定时运行 隐藏运行 一 三：C:\\备份.exe /all");
    const std::wstring many = PlanRowsText(std::vector<PlanRow>(kPlanRowsInText + 3, power));
    EXPECT_TRUE(many.ends_with(L"每天……另有 3 项")) << std::string(many.begin(), many.end());
}

} // namespace
} // namespace kestrel
