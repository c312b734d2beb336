// The plan store over a fake disk: what each start finds (missing, locked, damaged, unreadable by the XML
// component) and what saves may then do. Whatever happens, no plan the user had or added is lost.
#include "plans/plan_store.h"

#include "plans/plan_file_digest.h"

#include "plans/plan_location.h"

#include "plans/plan_file_saver.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace kestrel {
namespace {

const std::wstring kFile = L"C:\\Kestrel\\Values.xml";

struct FakeDisk final : FileStore, FolderAccess {
    std::map<std::wstring, std::string> files;
    std::set<std::wstring> folders;
    std::set<std::wstring> readOnlyFolders;
    std::set<std::wstring> locked;
    std::map<std::wstring, int> reads;
    bool refuseWrites = false;
    int replaces = 0;

    static std::wstring FolderOf(const std::wstring& file) {
        return file.substr(0, file.find_last_of(L"\\/"));
    }
    bool Refuses(const std::wstring& file) const {
        return refuseWrites || readOnlyFolders.count(FolderOf(file)) != 0;
    }

    bool Exists(const std::wstring& path) override { return files.count(path) || folders.count(path); }
    bool CanCreateFilesIn(const std::wstring& folder) override {
        return folders.count(folder) && !readOnlyFolders.count(folder);
    }
    bool CreateFolder(const std::wstring& folder) override {
        if (!folders.count(folder) && (refuseWrites || readOnlyFolders.count(folder))) {
            return false;
        }
        folders.insert(folder);
        return true;
    }

    FileReadStatus Read(const std::wstring& file, std::string& bytes, std::size_t maxBytes) override {
        bytes.clear();
        ++reads[file];
        if (locked.count(file)) {
            return FileReadStatus::Failed;
        }
        const auto found = files.find(file);
        if (found == files.end()) {
            return FileReadStatus::NotFound;
        }
        if (found->second.size() > maxBytes) {
            return FileReadStatus::TooLarge;
        }
        bytes = found->second;
        return FileReadStatus::Read;
    }
    bool Replace(const std::wstring& file, std::string_view bytes, bool) override {
        ++replaces;
        if (Refuses(file) || locked.count(file)) {
            return false;
        }
        files[file] = bytes;
        return true;
    }
    NewFileStatus WriteNew(const std::wstring& file, std::string_view bytes) override {
        if (files.count(file)) {
            return NewFileStatus::Exists;
        }
        if (Refuses(file)) {
            return NewFileStatus::Failed;
        }
        files[file] = bytes;
        return NewFileStatus::Written;
    }
    NewFileStatus CopyToNew(const std::wstring& from, const std::wstring& to) override {
        if (!files.count(from) || locked.count(from)) {
            return NewFileStatus::Failed;
        }
        return WriteNew(to, std::string(files[from]));
    }
    void RemoveStaleTemporary(const std::wstring& file) override { files.erase(file + L".tmp"); }
};

// A back-end whose XML component cannot be created.
struct BrokenXml final : XmlBackend {
protected:
    XmlParseResult ParseDocument(std::string_view) override { return {XmlParseStatus::Failed, {}}; }
};

PlanRow Plan(const wchar_t* message) {
    return MakePlanRow(L"定时提醒", L"08:00", L"文字提示", L"启用", L"每天", message);
}

std::vector<PlanRow> RowsIn(const std::string& bytes) {
    return ReadPlanDocument(bytes, *CreateXmlBackend()).rows;
}

struct Fixture {
    FakeDisk disk;
    std::unique_ptr<XmlBackend> xml = CreateXmlBackend();
    PlanList plans;
    PlanStore store{disk, *xml, plans, kFile};
};

TEST(PlanStore, LockedAtStartUpIsNeverReplacedAndItsPlansComeFirstOnceItReads) {
    for (const bool byTimer : {false, true}) {
        SCOPED_TRACE(byTimer ? "read again by the slow timer" : "read again by the next save");
        Fixture f;
        const std::string original = PlanFileBytes({Plan(L"甲"), Plan(L"乙")});
        f.disk.files[kFile] = original;
        f.disk.locked.insert(kFile);
        f.store.Load();
        EXPECT_TRUE(f.store.Unread());
        EXPECT_TRUE(f.plans.Empty());

        f.plans.Append(Plan(L"新"));
        EXPECT_EQ(f.store.Save(), PlanSaveResult::FileUnread);
        EXPECT_FALSE(f.store.RetryRead());
        f.disk.locked.clear();
        EXPECT_EQ(f.disk.files[kFile], original);

        if (byTimer) {
            EXPECT_TRUE(f.store.RetryRead());
        }
        EXPECT_EQ(f.store.Save(), PlanSaveResult::Saved);
        const std::vector<PlanRow> merged = {Plan(L"甲"), Plan(L"乙"), Plan(L"新")};
        EXPECT_EQ(f.plans.Rows(), merged);
        EXPECT_EQ(RowsIn(f.disk.files[kFile]), merged);
        EXPECT_FALSE(f.store.TakeDamagedCopyNotice());
        EXPECT_FALSE(f.store.TakeReadFailureNotice());
    }
}

TEST(PlanStore, LoadingWritesNothingThoughItsRowsNotifyTheSaver) {
    Fixture f;
    f.disk.files[kFile] = PlanFileBytes({Plan(L"甲")});
    PlanFileSaver saver(
        f.plans, [&] { return f.store.Save() == PlanSaveResult::Saved; }, [] {});
    f.store.Load();
    EXPECT_EQ(f.plans.Rows(), std::vector<PlanRow>{Plan(L"甲")});
    EXPECT_EQ(f.disk.replaces, 0);
}

TEST(PlanStore, ALateReadSavesOnceThoughItsRowsNotifyTheSaver) {
    Fixture f;
    f.disk.files[kFile] = PlanFileBytes({Plan(L"甲")});
    f.disk.locked.insert(kFile);
    f.store.Load();
    PlanFileSaver saver(
        f.plans, [&] { return f.store.Save() == PlanSaveResult::Saved; }, [] {});
    f.plans.Append(Plan(L"新")); // refused: the file is still locked
    f.disk.locked.clear();
    f.disk.replaces = 0;
    f.plans.Append(Plan(L"再")); // reads the file, puts its row in front, writes once
    EXPECT_EQ(f.disk.replaces, 1);
    EXPECT_EQ(RowsIn(f.disk.files[kFile]), (std::vector<PlanRow>{Plan(L"甲"), Plan(L"新"), Plan(L"再")}));
    EXPECT_FALSE(saver.LastSaveFailed());
}

// Under the lock a file Kestrel did not write has its run plans disabled, is written again and trusted then.
TEST(PlanFileDigest, AStartUnderTheLockDisablesTheRunPlansOfAFileKestrelDidNotWrite) {
    struct Kept final : PlanDigestStore, EventSink {
        std::optional<std::wstring> kept;
        std::vector<std::wstring> lines;
        std::optional<std::wstring> Read() override { return kept; }
        bool Write(const std::wstring& digest) override { return kept = digest, true; }
        void Remove() override { kept.reset(); }
        void Record(const std::wstring& event, const std::wstring& detail) override {
            lines.push_back(event + detail);
        }
    };
    const DigestFunction digest = [](std::string_view b) { // a stand-in for SHA-256
        return std::optional(std::to_wstring(std::hash<std::string_view>{}(b)));
    };
    const auto run = [](const wchar_t* status) {
        return MakePlanRow(L"定时运行", L"21:00", L"隐藏运行", status, L"每天", L"taskkill /im Kestrel.exe");
    };
    const std::string edited = PlanFileBytes({Plan(L"甲"), run(L"启用")});
    const std::wstring said = L"计划禁用计划文件在 Kestrel 之外被修改，定时运行计划已停用";
    const std::wstring line = said + L"：21:00 定时运行 隐藏运行 每天：taskkill /im Kestrel.exe";
    const struct {
        const char* what;
        bool lockSet;
        std::optional<std::wstring> kept;
        std::string file;
        bool disables;
        std::vector<std::wstring> lines;
    } rows[] = {
        {"same", true, digest(edited), edited, false, {}},
        {"changed", true, L"0", edited, true, {line}},
        {"missing", true, std::nullopt, edited, true, {line}},
        {"missing, no run plan", true, std::nullopt, PlanFileBytes({Plan(L"甲")}), false, {}},
        {"changed, no run plan", true, L"0", PlanFileBytes({Plan(L"甲")}), false, {said}},
        {"changed without a lock", false, L"0", edited, false, {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        Fixture f;
        f.disk.files[kFile] = row.file;
        Kept k;
        k.kept = row.kept;
        int told = 0;
        PlanDigestKeeper keeper(
            k, digest, [&] { return row.lockSet; }, k, [&](auto&) { ++told; });
        f.store.SetWatcher(&keeper);
        f.store.Load();
        EXPECT_EQ(f.plans.Rows(), (row.disables ? std::vector{Plan(L"甲"), run(L"禁用")} : RowsIn(row.file)));
        EXPECT_EQ(f.disk.files[kFile], PlanFileBytes(f.plans.Rows())) << "written again when it changed";
        EXPECT_EQ(k.lines, row.lines);
        EXPECT_EQ(told, static_cast<int>(row.lines.size())) << "the balloon says it too";
        // Trusted from now on under the lock; without it a save leaves no digest to distrust the file later.
        EXPECT_EQ(k.kept, row.lockSet ? digest(f.disk.files[kFile]) : row.kept);
        f.store.Save();
        EXPECT_EQ(k.kept, row.lockSet ? digest(f.disk.files[kFile]) : std::nullopt);
    }
}

TEST(PlanStore, DamagedFilesAreCopiedNeverOverwritingAnEarlierCopy) {
    FakeDisk disk;
    const auto xml = CreateXmlBackend();
    const std::string first = "<计划列表><计划节点><计划名称>关机操作";
    const std::string second = "not xml at all";
    struct Start {
        std::string found;
        std::optional<std::wstring> copy; // the copy made at this start, if any
    };
    const Start starts[] = {
        {first, L"C:\\Kestrel\\Values.xml.bak"},
        {second, L"C:\\Kestrel\\Values.xml.2.bak"},
        {second, std::nullopt}, // the same damage met again: its copy is there already
        {first + "x", L"C:\\Kestrel\\Values.xml.3.bak"},
    };
    for (const Start& start : starts) {
        disk.files[kFile] = start.found;
        PlanList plans;
        PlanStore store(disk, *xml, plans, kFile);
        store.Load();
        EXPECT_TRUE(plans.Empty());
        EXPECT_EQ(store.TakeDamagedCopyNotice(), start.copy);
        EXPECT_FALSE(store.TakeDamagedCopyNotice()) << "told once";
        plans.Append(Plan(L"新"));
        EXPECT_EQ(store.Save(), PlanSaveResult::Saved);
    }
    EXPECT_EQ(disk.files[L"C:\\Kestrel\\Values.xml.bak"], first);
    EXPECT_EQ(disk.files[L"C:\\Kestrel\\Values.xml.2.bak"], second);
    EXPECT_EQ(disk.files[L"C:\\Kestrel\\Values.xml.3.bak"], first + "x");
    EXPECT_EQ(disk.files.count(L"C:\\Kestrel\\Values.xml.4.bak"), 0u);
}

TEST(PlanStore, ADamagedFileWhoseCopyCannotBeWrittenIsNotReplaced) {
    Fixture f;
    f.disk.files[kFile] = "damaged";
    f.disk.refuseWrites = true;
    f.store.Load();
    EXPECT_FALSE(f.store.TakeDamagedCopyNotice());
    f.plans.Append(Plan(L"新"));
    EXPECT_EQ(f.store.Save(), PlanSaveResult::CopyFailed);
    EXPECT_EQ(f.disk.files[kFile], "damaged");
    f.disk.refuseWrites = false;
    EXPECT_EQ(f.store.Save(), PlanSaveResult::Saved);
    EXPECT_EQ(f.store.TakeDamagedCopyNotice(), PlanFileCopyPath(kFile, 1));
    EXPECT_EQ(f.disk.files[PlanFileCopyPath(kFile, 1)], "damaged");
}

TEST(PlanStore, AnXmlComponentFailureIsToldOnceAndTheFileKept) {
    FakeDisk disk;
    BrokenXml xml;
    PlanList plans;
    PlanStore store(disk, xml, plans, kFile);
    disk.files[kFile] = PlanFileBytes({Plan(L"甲")});
    store.Load();
    EXPECT_TRUE(store.TakeReadFailureNotice());
    EXPECT_FALSE(store.TakeReadFailureNotice());
    plans.Append(Plan(L"新"));
    EXPECT_EQ(store.Save(), PlanSaveResult::FileUnread);
    EXPECT_FALSE(store.TakeReadFailureNotice()) << "a retry that fails again is not told again";
    EXPECT_EQ(RowsIn(disk.files[kFile]), std::vector<PlanRow>{Plan(L"甲")});
}

TEST(PlanStore, MissingFileStartsEmptyAndAFailedWriteSaysSo) {
    Fixture f;
    f.disk.files[kFile + L".tmp"] = "left by a killed save";
    f.store.Load();
    EXPECT_FALSE(f.store.Unread());
    EXPECT_EQ(f.disk.files.count(kFile + L".tmp"), 0u);
    f.plans.Append(Plan(L"新"));
    f.disk.refuseWrites = true;
    EXPECT_EQ(f.store.Save(), PlanSaveResult::WriteFailed);
    EXPECT_TRUE(f.store.SaveRetryDue()) << "a refused write is tried again by the timer";
    f.disk.refuseWrites = false;
    EXPECT_EQ(f.store.Save(), PlanSaveResult::Saved);
    EXPECT_FALSE(f.store.SaveRetryDue());
    EXPECT_EQ(RowsIn(f.disk.files[kFile]), std::vector<PlanRow>{Plan(L"新")});
}

TEST(PlanStore, ATooLargeFileIsCopiedUnreadAndReplacedAtOnce) {
    Fixture f;
    const std::string huge(PlanStore::kMaxFileBytes + 1, ' ');
    f.disk.files[kFile] = huge;
    f.store.Load();
    EXPECT_TRUE(f.plans.Empty());
    EXPECT_FALSE(f.store.Unread()) << "the slow timer must not read it again";
    EXPECT_FALSE(f.store.RetryRead());
    EXPECT_FALSE(f.store.SaveRetryDue());
    EXPECT_EQ(f.store.TakeDamagedCopyNotice(), PlanFileCopyPath(kFile, 1));
    EXPECT_TRUE(f.disk.files[PlanFileCopyPath(kFile, 1)] == huge);
    EXPECT_EQ(RowsIn(f.disk.files[kFile]), std::vector<PlanRow>{}) << "replaced by the empty list";
    EXPECT_EQ(f.disk.reads[kFile], 1);

    // The next start meets an ordinary file.
    PlanList plans;
    PlanStore next(f.disk, *f.xml, plans, kFile);
    next.Load();
    EXPECT_FALSE(next.TakeDamagedCopyNotice());
    EXPECT_EQ(f.disk.files.count(PlanFileCopyPath(kFile, 2)), 0u);
}

// The executable's folder and the user's own folder, as ChoosePlanFileLocation sees them.
const std::wstring kExeFolder = L"C:\\Program Files\\Kestrel";
const std::wstring kUserFolder = L"C:\\Users\\a\\AppData\\Local\\Kestrel";
const std::wstring kExeFile = PlanFilePath(kExeFolder);
const std::wstring kUserFile = PlanFilePath(kUserFolder);

TEST(PlanFileLocation, BesideTheProgramWhileItCanWriteThereOtherwiseInTheUserFolder) {
    struct Case {
        const char* what;
        bool exeWritable;
        int userFiles; // 0: no user folder, 1: the folder without a plan file, 2: with one
        bool userFolderCanBeMade;
        std::wstring userFolder;
        PlanFileLocation expected;
    };
    const Case cases[] = {
        {"writable: beside the program", true, 0, true, kUserFolder, {kExeFolder, L""}},
        {"not writable: the plans move over", false, 0, true, kUserFolder, {kUserFolder, kExeFile}},
        {"the user's file wins once it exists", true, 2, true, kUserFolder, {kUserFolder, L""}},
        {"an empty user folder is no plan file", true, 1, true, kUserFolder, {kExeFolder, L""}},
        {"an empty user folder takes the plans over", false, 1, true, kUserFolder, {kUserFolder, kExeFile}},
        {"the user folder cannot be made", false, 0, false, kUserFolder, {kExeFolder, L""}},
        {"the system names no user folder", false, 0, true, L"", {kExeFolder, L""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeDisk disk;
        disk.folders.insert(kExeFolder);
        if (!c.exeWritable) {
            disk.readOnlyFolders.insert(kExeFolder);
        }
        if (!c.userFolderCanBeMade) {
            disk.readOnlyFolders.insert(kUserFolder);
        }
        if (c.userFiles > 0) {
            disk.folders.insert(kUserFolder);
        }
        if (c.userFiles > 1) {
            disk.files[kUserFile] = PlanFileBytes({});
        }
        const PlanFileLocation chosen = ChoosePlanFileLocation(disk, kExeFolder, c.userFolder);
        EXPECT_EQ(chosen.folder, c.expected.folder);
        EXPECT_EQ(chosen.carryOverFrom, c.expected.carryOverFrom);
        EXPECT_EQ(disk.folders.count(kUserFolder) != 0, chosen.folder == kUserFolder || c.userFiles > 0)
            << "made when chosen";
    }
}

// Kestrel in a folder it cannot write, as under Program Files.
struct ReadOnlyProgramFolder {
    FakeDisk disk;
    std::unique_ptr<XmlBackend> xml = CreateXmlBackend();
    ReadOnlyProgramFolder() {
        disk.folders.insert(kExeFolder);
        disk.readOnlyFolders.insert(kExeFolder);
    }
    // One start: the folder chosen, the plan file loaded, `added` appended and saved; the plans shown.
    std::vector<PlanRow> Start(std::vector<PlanRow> added = {}) {
        const PlanFileLocation at = ChoosePlanFileLocation(disk, kExeFolder, kUserFolder);
        PlanList plans;
        PlanStore store(disk, *xml, plans, PlanFilePath(at.folder), at.carryOverFrom);
        store.Load();
        for (PlanRow& row : added) {
            plans.Append(std::move(row));
            EXPECT_EQ(store.Save(), PlanSaveResult::Saved);
        }
        return plans.Rows();
    }
};

TEST(PlanFileLocation, PlansBesideAReadOnlyProgramAreCarriedOverOnceAndStayInTheUserFolder) {
    ReadOnlyProgramFolder f;
    f.disk.files[kExeFile] = PlanFileBytes({Plan(L"甲"), Plan(L"乙")});

    EXPECT_EQ(f.Start(), (std::vector<PlanRow>{Plan(L"甲"), Plan(L"乙")}));
    EXPECT_EQ(RowsIn(f.disk.files[kUserFile]), (std::vector<PlanRow>{Plan(L"甲"), Plan(L"乙")}))
        << "written at once, so the next start does not carry them over again";
    EXPECT_EQ(f.Start({Plan(L"新")}),
              (std::vector<PlanRow>{Plan(L"甲"), Plan(L"乙"), Plan(L"新")}));

    // The old file changes and the folder becomes writable: neither brings it back.
    f.disk.files[kExeFile] = PlanFileBytes({Plan(L"旧")});
    f.disk.readOnlyFolders.clear();
    f.disk.reads.clear();
    EXPECT_EQ(f.Start(), (std::vector<PlanRow>{Plan(L"甲"), Plan(L"乙"), Plan(L"新")}));
    EXPECT_EQ(f.disk.reads[kExeFile], 0);
}

TEST(PlanFileLocation, AnUnusableFileBesideAReadOnlyProgramIsCopiedIntoTheUserFolder) {
    for (const bool tooLarge : {false, true}) {
        SCOPED_TRACE(tooLarge ? "too large" : "damaged");
        ReadOnlyProgramFolder f;
        const std::string bad = tooLarge ? std::string(PlanStore::kMaxFileBytes + 1, ' ') : "<计划列表><计划";
        f.disk.files[kExeFile] = bad;

        const PlanFileLocation at = ChoosePlanFileLocation(f.disk, kExeFolder, kUserFolder);
        PlanList plans;
        PlanStore store(f.disk, *f.xml, plans, kUserFile, at.carryOverFrom);
        store.Load();
        EXPECT_TRUE(plans.Empty());
        EXPECT_EQ(store.TakeDamagedCopyNotice(), PlanFileCopyPath(kUserFile, 1));
        EXPECT_TRUE(f.disk.files[PlanFileCopyPath(kUserFile, 1)] == bad);
        EXPECT_TRUE(f.disk.files[kExeFile] == bad) << "the original is never touched";
        EXPECT_EQ(RowsIn(f.disk.files[kUserFile]), std::vector<PlanRow>{});
    }
}

TEST(PlanFileLocation, AFileBesideTheProgramThatIsLockedAtStartIsCarriedOverOnceItReads) {
    ReadOnlyProgramFolder f;
    f.disk.files[kExeFile] = PlanFileBytes({Plan(L"甲")});
    f.disk.locked.insert(kExeFile);
    PlanList plans;
    PlanStore store(f.disk, *f.xml, plans, kUserFile, kExeFile);
    store.Load();
    EXPECT_TRUE(store.Unread());
    EXPECT_EQ(store.ReadPath(), kExeFile);
    plans.Append(Plan(L"新"));
    EXPECT_EQ(store.Save(), PlanSaveResult::FileUnread);
    EXPECT_EQ(f.disk.files.count(kUserFile), 0u) << "nothing written that would hide the old plans";
    f.disk.locked.clear();
    EXPECT_TRUE(store.RetryRead());
    EXPECT_EQ(store.Save(), PlanSaveResult::Saved);
    EXPECT_EQ(RowsIn(f.disk.files[kUserFile]), (std::vector<PlanRow>{Plan(L"甲"), Plan(L"新")}));
    EXPECT_EQ(store.ReadPath(), kUserFile);
}

} // namespace
} // namespace kestrel
