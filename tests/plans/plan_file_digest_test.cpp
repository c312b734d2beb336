// The plan file's digest under the parent's lock: a file Kestrel did not write has its run plans disabled
// before they go into the list; the file Kestrel wrote is trusted.
#include "plans/plan_file_digest.h"

#include "base/texts.h"

#include <gtest/gtest.h>

#include <map>

namespace kestrel {
namespace {

TEST(PlanFileDigest, OnlyTheDigestKestrelKeptTrustsTheFileUnderTheLock) {
    const struct {
        const char* what;
        std::optional<std::wstring> kept;
        std::optional<std::wstring> now;
        bool lockSet;
        PlanDigestVerdict verdict;
    } rows[] = {
        {"same", L"aa", L"aa", true, PlanDigestVerdict::Trusted},
        {"changed", L"aa", L"ab", true, PlanDigestVerdict::Changed},
        {"no digest of the file read", L"aa", std::nullopt, true, PlanDigestVerdict::Changed},
        {"missing", std::nullopt, L"aa", true, PlanDigestVerdict::Missing},
        {"changed without a lock", L"aa", L"ab", false, PlanDigestVerdict::Trusted},
        {"missing without a lock", std::nullopt, L"aa", false, PlanDigestVerdict::Trusted},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(ComparePlanDigest(row.kept, row.now, row.lockSet), row.verdict) << row.what;
    }
}

struct MemoryFiles final : FileStore {
    std::map<std::wstring, std::string> files;
    FileReadStatus Read(const std::wstring& file, std::string& bytes, std::size_t) override {
        bytes = files.count(file) ? files[file] : "";
        return files.count(file) ? FileReadStatus::Read : FileReadStatus::NotFound;
    }
    bool Replace(const std::wstring& file, std::string_view bytes, bool) override {
        return files[file] = bytes, true;
    }
    NewFileStatus WriteNew(const std::wstring&, std::string_view) override { return NewFileStatus::Failed; }
    NewFileStatus CopyToNew(const std::wstring&, const std::wstring&) override { return NewFileStatus::Failed; }
    void RemoveStaleTemporary(const std::wstring&) override {}
};

struct Digests final : PlanDigestStore {
    std::optional<std::wstring> kept;
    std::optional<std::wstring> Read() override { return kept; }
    bool Write(const std::wstring& digest) override { return kept = digest, true; }
    void Remove() override { kept.reset(); }
};

struct Lines final : EventSink {
    std::vector<std::wstring> details;
    void Record(const std::wstring& event, const std::wstring& detail) override {
        details.push_back(event + L"：" + detail);
    }
};

// A stand-in for SHA-256: any change of the bytes changes it.
std::optional<std::wstring> FakeDigest(std::string_view bytes) {
    return std::to_wstring(std::hash<std::string_view>{}(bytes));
}

TEST(PlanFileDigest, AStartUnderTheLockDisablesTheRunPlansOfAFileKestrelDidNotWrite) {
    const std::wstring path = L"C:\\Kestrel\\Values.xml";
    const PlanRow run = MakePlanRow(L"定时运行", L"21:00", L"隐藏运行", L"启用", L"每天", L"taskkill /f /im Kestrel.exe");
    const PlanRow reminder = MakePlanRow(L"定时提醒", L"08:00", L"文字提示", L"启用", L"每天", L"起床");
    PlanRow disabled = run;
    disabled[PlanColumn::Status] = L"禁用";
    const std::string edited = PlanFileBytes({reminder, run});
    const std::wstring line = std::wstring(L"计划禁用：") + text::kPlanFileChangedOutside +
                              L"：21:00 定时运行 隐藏运行 每天：taskkill /f /im Kestrel.exe";
    const struct {
        const char* what;
        bool lockSet;
        std::optional<std::wstring> kept;
        std::string file;
        bool disables;
        bool says;
    } rows[] = {
        {"the file Kestrel wrote", true, FakeDigest(edited), edited, false, false},
        {"another file", true, L"0", edited, true, true},
        {"no digest kept", true, std::nullopt, edited, true, true},
        {"no digest kept, no run plan", true, std::nullopt, PlanFileBytes({reminder}), false, false},
        {"another file without a run plan", true, L"0", PlanFileBytes({reminder}), false, true},
        {"another file without a lock", false, L"0", edited, false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        MemoryFiles files;
        files.files[path] = row.file;
        Digests digests;
        digests.kept = row.kept;
        Lines lines;
        std::vector<std::wstring> told;
        PlanDigestKeeper keeper(digests, FakeDigest, [&] { return row.lockSet; }, lines,
                                [&](const std::wstring& message) { told.push_back(message); });
        const auto xml = CreateXmlBackend();
        PlanList plans;
        PlanStore store(files, *xml, plans, path);
        store.SetWatcher(&keeper);
        store.Load();

        const std::vector<PlanRow> read = ReadPlanDocument(row.file, *xml).rows;
        EXPECT_EQ(plans.Rows(), row.disables ? (std::vector<PlanRow>{reminder, disabled}) : read);
        EXPECT_EQ(files.files[path], PlanFileBytes(plans.Rows())) << "written again when it changed";
        EXPECT_EQ(told.size(), row.says ? 1u : 0u);
        EXPECT_EQ(lines.details.size(), row.says ? 1u : 0u);
        if (row.disables) {
            EXPECT_EQ(lines.details, std::vector<std::wstring>{line});
        }
        // Trusted from now on: the next start reads the file this one left.
        EXPECT_EQ(digests.kept, row.lockSet ? FakeDigest(files.files[path]) : row.kept);
        // Saved without the lock, no digest is left to distrust the file the day a password is set.
        if (!row.lockSet) {
            plans.Append(reminder);
            store.Save();
            EXPECT_EQ(digests.kept, std::nullopt);
        }
    }
}

} // namespace
} // namespace kestrel
