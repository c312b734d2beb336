// The plan store over a fake disk: what each start finds (missing, locked, damaged, unreadable by the XML
// component) and what saves may then do. Whatever happens, no plan the user had or added is lost.
#include "plans/plan_store.h"

#include "plans/plan_file_saver.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace kestrel {
namespace {

const std::wstring kFile = L"C:\\Kestrel\\Values.xml";

struct FakeDisk final : FileStore {
    std::map<std::wstring, std::string> files;
    std::set<std::wstring> locked;
    bool refuseWrites = false;
    int replaces = 0;

    FileReadStatus Read(const std::wstring& file, std::string& bytes) override {
        bytes.clear();
        if (locked.count(file)) {
            return FileReadStatus::Failed;
        }
        const auto found = files.find(file);
        if (found == files.end()) {
            return FileReadStatus::NotFound;
        }
        bytes = found->second;
        return FileReadStatus::Read;
    }
    bool Replace(const std::wstring& file, std::string_view bytes) override {
        ++replaces;
        if (refuseWrites || locked.count(file)) {
            return false;
        }
        files[file] = bytes;
        return true;
    }
    NewFileStatus WriteNew(const std::wstring& file, std::string_view bytes) override {
        if (files.count(file)) {
            return NewFileStatus::Exists;
        }
        if (refuseWrites) {
            return NewFileStatus::Failed;
        }
        files[file] = bytes;
        return NewFileStatus::Written;
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
    f.disk.refuseWrites = false;
    EXPECT_EQ(f.store.Save(), PlanSaveResult::Saved);
    EXPECT_EQ(RowsIn(f.disk.files[kFile]), std::vector<PlanRow>{Plan(L"新")});
}

} // namespace
} // namespace kestrel
