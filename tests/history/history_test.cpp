// The history's lines, files and counts, over a disk in memory.
#include "history/history.h"

#include "history/exit_mark.h"

#include "base/texts.h"
#include "plans/plan_rows_text.h"
#include "platform/file_bytes.h"
#include "platform/xml_tree.h"

#include <gtest/gtest.h>

#include <functional>
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
    std::function<void()> whileLocking; // what another copy does while this one waits for the lock
    std::uint64_t IdOf(const std::wstring& file) { return ids[file] ? ids[file] : (ids[file] = nextId++); }
    std::optional<std::uint64_t> Size(const std::wstring& file) override {
        const auto found = files.find(file);
        return found == files.end() ? std::nullopt : std::optional<std::uint64_t>(found->second.size());
    }
    std::uint32_t Append(const std::wstring& file, std::string_view bytes) override {
        if (failAppends) {
            return failAppends;
        }
        if (!files.count(file)) {
            ids.erase(file);
        }
        files[file] += bytes;
        return 0;
    }
    std::uint32_t Rename(const std::wstring& from, const std::wstring& to) override {
        if (failRenames) {
            return failRenames;
        }
        files[to] = files[from];
        ids[to] = IdOf(from);
        files.erase(from);
        ids.erase(from);
        return 0;
    }
    std::uint32_t Remove(const std::wstring& file) override { return files.erase(file), ids.erase(file), 0; }
    std::string Read(const std::wstring& file) override { return files.count(file) ? files[file] : ""; }
    std::optional<HistoryFileFacts> Facts(const std::wstring& file) override {
        if (!files.count(file)) {
            return std::nullopt;
        }
        return HistoryFileFacts{7, IdOf(file), files[file].size()};
    }
    std::uint32_t Replace(const std::wstring& file, std::string_view bytes) override {
        files[file] = bytes;
        ids[file] = nextId++;
        return 0;
    }
    void LockWriters() override {
        if (whileLocking) {
            std::exchange(whileLocking, nullptr)();
        }
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

// Between two lines of this run the file is changed from outside: a change that drops lines is said once,
// before the next line; another copy's lines and its rotation are no such change.
TEST(HistoryChecks, AFileDeletedReplacedOrCutWhileRunningIsSaidOnceBeforeTheNextLine) {
    using Change = std::function<void(MemoryDisk&, const std::wstring&, const std::wstring&)>;
    const struct {
        const char* what;
        Change change;
        bool said;
    } rows[] = {
        {"untouched", [](MemoryDisk&, const std::wstring&, const std::wstring&) {}, false},
        {"another copy appended", [](MemoryDisk& d, const std::wstring& c, const std::wstring&) { d.files[c] += "x"; },
         false},
        {"deleted", [](MemoryDisk& d, const std::wstring& c, const std::wstring&) { d.Remove(c); }, true},
        {"replaced by a longer file",
         [](MemoryDisk& d, const std::wstring& c, const std::wstring&) { d.Replace(c, d.files[c] + "x"); }, true},
        {"cut shorter", [](MemoryDisk& d, const std::wstring& c, const std::wstring&) { d.files[c].pop_back(); },
         true},
        {"rotated by another copy",
         [](MemoryDisk& d, const std::wstring& c, const std::wstring& o) {
             d.Rename(c, o);
             d.Append(c, "another copy's line\r\n");
         },
         false},
        {"rotated by another copy, then cut shorter",
         [](MemoryDisk& d, const std::wstring& c, const std::wstring& o) {
             d.Rename(c, o);
             d.files[o].pop_back();
         },
         true},
    };
    const std::string said = HistoryLineBytes(kNine, L"历史记录", L"之前的记录在 Kestrel 运行时被删除或改短");
    const std::string after = HistoryLineBytes(kNine, L"E", L"3") + HistoryLineBytes(kNine, L"E", L"4");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        MemoryDisk disk;
        FixedClock clock(kNine);
        History history(disk, clock, L"H");
        history.Record(L"E", L"1");
        history.Record(L"E", L"2");
        row.change(disk, history.Path(), JoinPath(L"H", kOlderHistoryFileName));
        history.Record(L"E", L"3");
        history.Record(L"E", L"4");
        const std::string& file = disk.files[history.Path()];
        EXPECT_TRUE(file.ends_with((row.said ? said : "") + after)) << file;
        EXPECT_EQ(file.find(said) != std::string::npos, row.said);
    }
}

// Copy B rotates the full file while copy A waits for the lock to write the line that would have rotated it:
// A then writes into B's new file, and the megabyte stays whole in History.1.txt.
TEST(HistoryChecks, TwoCopiesRotateOnceUnderTheLock) {
    MemoryDisk disk;
    FixedClock clock(kNine);
    History a(disk, clock, L"H");
    History b(disk, clock, L"H");
    const std::wstring current = a.Path();
    a.Record(L"A", L"1");
    const std::string lineB = HistoryLineBytes(kNine, L"B", L"2");
    disk.files[current] += std::string(kHistoryFileLimit - disk.files[current].size() - lineB.size() + 1, 'x');
    const std::string megabyte = disk.files[current];
    disk.whileLocking = [&] { b.Record(L"B", L"2"); };
    a.Record(L"A", L"3");
    EXPECT_EQ(disk.files[JoinPath(L"H", kOlderHistoryFileName)], megabyte);
    EXPECT_EQ(disk.files[current], std::string(kUtf8Bom) + lineB + HistoryLineBytes(kNine, L"A", L"3"));
}

// A rename that fails (a folder named History.1.txt) cuts the file to its newer half, from a line's start,
// and says so; the next line neither cuts again nor takes the cut for someone else's.
TEST(HistoryChecks, AFailingRenameCutsTheFileToItsNewerHalfAndSaysSoOnce) {
    MemoryDisk disk;
    FixedClock clock(kNine);
    History history(disk, clock, L"H");
    std::string full(kUtf8Bom);
    for (int n = 1000000;; ++n) {
        const std::string line = HistoryLineBytes(kNine, L"E", std::to_wstring(n));
        if (full.size() + line.size() > kHistoryFileLimit) {
            break;
        }
        full += line;
    }
    history.Record(L"E", L"0");
    disk.files[history.Path()] = full;
    disk.failRenames = 5;
    history.Record(L"E", L"9000000"); // as long as every line of the file: it does not fit
    history.Record(L"E", L"9000001");
    const std::string cut = HistoryLineBytes(kNine, L"历史记录", std::wstring(text::kHistoryCutInHalf));
    const std::string after = cut + HistoryLineBytes(kNine, L"E", L"9000000") +
                              HistoryLineBytes(kNine, L"E", L"9000001");
    const std::string& file = disk.files[history.Path()];
    ASSERT_TRUE(file.starts_with(kUtf8Bom) && file.ends_with(after)) << file.substr(file.size() - 200);
    const std::string kept = file.substr(kUtf8Bom.size(), file.size() - kUtf8Bom.size() - after.size());
    EXPECT_TRUE(kept.starts_with("2024-05-01 21:04:09\t") && full.ends_with(kept));
    EXPECT_LE(kept.size(), kHistoryFileLimit / 2);
    EXPECT_GT(kept.size(), kHistoryFileLimit / 2 - 40);
}

// The last line of the history tells whether the run before ended cleanly.
TEST(HistoryChecks, TheLastLineTellsAnUncleanEnd) {
    const auto line = [](const wchar_t* time, const wchar_t* event, const wchar_t* detail) {
        return "2024-05-01 " + Utf8FromWide(time) + "\t" + Utf8FromWide(event) + "\t" + Utf8FromWide(detail) +
               "\r\n";
    };
    const std::string earlier = std::string(kUtf8Bom) + line(L"20:00:00", L"Kestrel 启动", L"手动启动");
    const struct {
        const char* what;
        std::string current;
        std::string older;
        std::optional<std::wstring> unclean;
    } rows[] = {
        {"an exit", earlier + line(L"21:00:00", L"Kestrel 退出", L""), "", std::nullopt},
        {"the session's end", earlier + line(L"21:00:00", L"Windows 会话结束", L""), "", std::nullopt},
        {"Kestrel's shutdown", earlier + line(L"21:00:00", L"电脑操作", L"关闭计算机"), "", std::nullopt},
        {"Kestrel's log-off", earlier + line(L"21:00:00", L"电脑操作", L"注销计算机"), "", std::nullopt},
        {"Kestrel's lock", earlier + line(L"21:00:00", L"电脑操作", L"锁定计算机"), "", L"2024-05-01 21:00:00"},
        {"a refused shutdown", earlier + line(L"21:00:00", L"电脑操作", L"未能关闭计算机：拒绝访问"), "",
         L"2024-05-01 21:00:00"},
        {"a start", earlier, "", L"2024-05-01 20:00:00"},
        {"a line torn by the kill", earlier + "2024-05-01 21:0", "", L"2024-05-01 20:00:00"},
        {"no line", "", "", std::nullopt},
        {"only the mark in History.txt: History.1.txt's last line", std::string(kUtf8Bom),
         earlier + line(L"21:00:00", L"Kestrel 退出", L""), std::nullopt},
        {"no History.txt: History.1.txt's last line", "", earlier, L"2024-05-01 20:00:00"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(UncleanEndInHistory(row.current, row.older), row.unclean) << row.what;
    }
}

// At start the mark and the history's last line give one line between them, with the later time; a history
// another copy is writing is no evidence; a zone other than the mark's is said.
TEST(HistoryChecks, AStartSaysAnUncleanEndOnceAndAZoneChange) {
    const struct {
        const char* what;
        std::optional<std::wstring> mark;
        bool anotherCopyRuns;
        std::wstring zoneBefore;
        std::vector<std::wstring> details; // after the start's own line
    } rows[] = {
        {"mark and history", L"2024-05-01 21:03", false, L"", {L"最后运行于 2024-05-01 21:03"}},
        {"history alone", std::nullopt, false, L"", {L"最后运行于 2024-05-01 21:02:00"}},
        {"another copy writes the history", std::nullopt, true, L"", {}},
        {"the zone moved", std::nullopt, true, L"China Standard Time",
         {L"China Standard Time → Tokyo Standard Time（时区）"}},
        {"the same zone", std::nullopt, true, L"Tokyo Standard Time", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        MemoryDisk disk;
        FixedClock clock(kNine);
        History history(disk, clock, L"H");
        disk.files[history.Path()] = "2024-05-01 21:02:00\tKestrel 启动\t手动启动\r\n";
        history.RecordStart({L"启动", true, row.mark, row.zoneBefore, L"Tokyo Standard Time", row.anotherCopyRuns});
        std::vector<std::wstring> details;
        for (const HistoryEntry& entry : history.Read()) {
            details.insert(details.begin(), entry.detail);
        }
        ASSERT_GE(details.size(), 2u);
        EXPECT_EQ(details[1], L"启动");
        EXPECT_EQ(std::vector<std::wstring>(details.begin() + 2, details.end()), row.details);
    }
}

// The exit mark's text: an earlier version's minute alone still reads as a mark; a cleared mark keeps the
// zone and reads as none.
TEST(ExitMarkText, TheZoneIsKeptWithTheMarkAndAfterIt) {
    const struct {
        std::wstring text;
        ExitMarkReading reading;
    } rows[] = {
        {L"2024-05-01 21:04", {L"2024-05-01 21:04", L""}},
        {ExitMarkText(L"2024-05-01 21:04", L"China Standard Time"), {L"2024-05-01 21:04", L"China Standard Time"}},
        {ClearedExitMarkText(L"China Standard Time"), {std::nullopt, L"China Standard Time"}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ParseExitMarkText(row.text), row.reading) << Utf8FromWide(row.text);
    }
    EXPECT_EQ(ClearedExitMarkText(L""), L"");
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
