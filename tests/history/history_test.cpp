// The history's lines, files and counts, over a disk in memory.
#include "history/history.h"

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

struct MemoryDisk final : HistoryDisk {
    std::map<std::wstring, std::string> files;
    std::uint32_t failAppends = 0;
    std::optional<std::uint64_t> Size(const std::wstring& file) override {
        const auto found = files.find(file);
        return found == files.end() ? std::nullopt : std::optional<std::uint64_t>(found->second.size());
    }
    std::uint32_t Append(const std::wstring& file, std::string_view bytes) override {
        return failAppends ? failAppends : (files[file] += bytes, 0);
    }
    std::uint32_t Rename(const std::wstring& from, const std::wstring& to) override {
        files[to] = files[from];
        files.erase(from);
        return 0;
    }
    std::wstring failRemove; // this file cannot be removed
    std::uint32_t Remove(const std::wstring& file) override {
        return file == failRemove ? 32 : (files.erase(file), 0);
    }
    std::string Read(const std::wstring& file) override { return files.count(file) ? files[file] : ""; }
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
