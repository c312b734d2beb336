// The plan file: exact bytes written, round trips, the loader's rules and the encodings it reads. Runs
// natively against libxml2 and under Wine against MSXML, so both back-ends keep the same contract.
#include "plans/plan_file.h"

#include "base/texts.h"
#include "platform/file_bytes.h"
#include "support/xml_test_files.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

using testing::Exists;
using testing::ListOf;
using testing::MakeFolder;
using testing::NumberedPlans;
using testing::ReadBytes;
using testing::TempFolder;
using testing::Utf16Bytes;
using testing::WriteBytes;
using testing::operator/;

const PlanRow kDailyShutdown =
    MakePlanRow(L"关机操作", L"22:30", L"关闭计算机", L"启用", L"每天", L"到时间对计算机进行指令操作。");

struct Loaded {
    PlanFileLoadResult result;
    std::vector<PlanRow> rows;
};

Loaded LoadBytes(const std::string& bytes) {
    TempFolder folder;
    const auto file = PlanFilePath(folder.path());
    WriteBytes(file, bytes);
    PlanList plans;
    const PlanFileLoadResult result = LoadPlanFile(file, *CreateXmlBackend(), plans);
    return {result, plans.Rows()};
}

std::vector<PlanRow> RoundTrip(const std::vector<PlanRow>& rows) {
    TempFolder folder;
    const auto file = PlanFilePath(folder.path());
    EXPECT_TRUE(SavePlanFile(file, ListOf(rows)));
    PlanList loaded;
    EXPECT_EQ(LoadPlanFile(file, *CreateXmlBackend(), loaded),
              rows.empty() ? PlanFileLoadResult::Nothing : PlanFileLoadResult::Loaded);
    return loaded.Rows();
}

TEST(PlanFile, PathIsValuesXmlInTheExecutablesFolder) {
    EXPECT_EQ(PlanFilePath(std::wstring(L"程序") + kPathSeparator + L"Kestrel"),
              std::wstring(L"程序") + kPathSeparator + L"Kestrel" + kPathSeparator + L"Values.xml");
}

TEST(PlanFile, WritesExactBytes) {
    const std::string oneRow = "<计划列表><计划节点><计划名称>关机操作</计划名称><操作时间>22:30</操作时间>"
                               "<操作类型>关闭计算机</操作类型><状态>启用</状态><重复>每天</重复>"
                               "<附加信息>到时间对计算机进行指令操作。</附加信息></计划节点></计划列表>";
    struct Case {
        std::vector<PlanRow> rows;
        std::string bytes;
    };
    const Case cases[] = {
        {{}, "<计划列表/>"},
        {{kDailyShutdown}, oneRow},
        {{MakePlanRow(L"", L"", L"", L"", L"", L"")},
         "<计划列表><计划节点><计划名称/><操作时间/><操作类型/><状态/><重复/><附加信息/></计划节点></"
         "计划列表>"},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        const auto file = PlanFilePath(folder.path());
        ASSERT_TRUE(SavePlanFile(file, ListOf(c.rows)));
        EXPECT_EQ(ReadBytes(file), c.bytes);
        EXPECT_FALSE(Exists(TemporaryPathFor(file)));
    }
}

TEST(PlanFile, EveryCellSurvivesARoundTrip) {
    const std::vector<PlanRow> rows = {
        kDailyShutdown,
        MakePlanRow(L"定时提醒", L"08:05", L"文字提示", L"禁用", L"一 三 五 ",
                    L"  开会 <A&B> \"引号\" 'x'  "),
        MakePlanRow(L"定时运行", L"23:59", L"隐藏运行", L"启用", L"天 ", L"C:\\Program Files\\a&b\\x.exe"),
        MakePlanRow(L"???", L"", L" ", L"\t", L"]]>", L"\U0001F600 表情 &amp; &#13;"),
        MakePlanRow(L"定时提醒", L"00:00", L"播放音乐", L"启用", L"执行一次", L"第一行\n第二行\n"),
        kDailyShutdown, // identical rows stay two rows
    };
    EXPECT_EQ(RoundTrip(rows), rows);
}

TEST(PlanFile, LineEndsAndUnstorableCharactersComeBackTheSameOnEveryBackend) {
    struct Case {
        std::wstring written;
        std::wstring read;
    };
    const Case cases[] = {
        {L"a\r\nb", L"a\r\nb"},
        {L"\r", L"\r"},
        {L"a\rb\n\rc", L"a\rb\n\rc"},
        {std::wstring(L"x") + L'\0' + L"\x01\x1B[0m\x7F\x0B\x0C" + L"y", L"x[0m\x7Fy"},
        {L"\xFFFE\xFFFF", L""},
        {std::wstring(1, static_cast<wchar_t>(0xDBFF)) + L"孤", L"孤"},
    };
    for (const Case& c : cases) {
        const auto loaded =
            RoundTrip({MakePlanRow(L"定时提醒", L"08:00", L"文字提示", L"启用", c.read, c.written)});
        ASSERT_EQ(loaded.size(), 1u);
        EXPECT_EQ(loaded[0][PlanColumn::Info], c.read);
        EXPECT_EQ(loaded[0][PlanColumn::Repeat], c.read);
    }
}

TEST(PlanFile, TenThousandPlansLoadInOrderWithOneNotification) {
    TempFolder folder;
    const auto file = PlanFilePath(folder.path());
    const std::vector<PlanRow> rows = NumberedPlans(10000, L"万");
    ASSERT_TRUE(SavePlanFile(file, ListOf(rows)));
    PlanList loaded;
    std::vector<PlanListEvent> events;
    loaded.Subscribe([&events](const PlanListEvent& event) { events.push_back(event); });
    ASSERT_EQ(LoadPlanFile(file, *CreateXmlBackend(), loaded), PlanFileLoadResult::Loaded);
    EXPECT_EQ(loaded.Rows(), rows);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].change, PlanListChange::Appended);
    EXPECT_EQ(events[0].first, 1u);
    EXPECT_EQ(events[0].count, 10000u);
}

TEST(PlanFile, LoadAppendsAfterRowsAlreadyInTheList) {
    TempFolder folder;
    const auto file = PlanFilePath(folder.path());
    ASSERT_TRUE(SavePlanFile(file, ListOf({kDailyShutdown})));
    PlanList plans = ListOf(NumberedPlans(2, L"已有"));
    ASSERT_EQ(LoadPlanFile(file, *CreateXmlBackend(), plans), PlanFileLoadResult::Loaded);
    ASSERT_EQ(plans.Count(), 3u);
    EXPECT_EQ(*plans.Find(3), kDailyShutdown);
}

std::string Node(const std::string& inner) {
    return "<计划节点>" + inner + "</计划节点>";
}
const std::string kFullNode =
    Node("<计划名称>定时提醒</计划名称><操作时间>08:05</操作时间><操作类型>文字提示</操作类型>"
         "<状态>启用</状态><重复>一 三 </重复><附加信息>喝水</附加信息>");
const PlanRow kFullRow = MakePlanRow(L"定时提醒", L"08:05", L"文字提示", L"启用", L"一 三 ", L"喝水");
const PlanRow kAllMissing = MakePlanRow(L"???", L"???", L"???", L"???", L"???", L"???");

TEST(PlanFile, LoaderRules) {
    using R = PlanFileLoadResult;
    struct Case {
        const char* what;
        std::string bytes;
        R result;
        std::vector<PlanRow> rows;
    };
    const Case cases[] = {
        {"empty file", "", R::Nothing, {}},
        {"not XML", "计划列表", R::Unusable, {}},
        {"truncated", "<计划列表>" + kFullNode.substr(0, 40), R::Unusable, {}},
        {"empty root", "<计划列表/>", R::Nothing, {}},
        {"indented empty root", "<计划列表>\r\n  \r\n</计划列表>", R::Nothing, {}},
        {"root of another name", "<计划>" + kFullNode + "</计划>", R::Unusable, {}},
        {"plan node below a wrong root", "<x><计划列表>" + kFullNode + "</计划列表></x>", R::Unusable, {}},
        {"root without plan nodes", "<计划列表><其他/>text</计划列表>", R::Unusable, {}},
        {"plan node nested, not a child", "<计划列表><x>" + kFullNode + "</x></计划列表>", R::Unusable, {}},
        {"single line file",
         "<计划列表>" + kFullNode + kFullNode + "</计划列表>",
         R::Loaded,
         {kFullRow, kFullRow}},
        {"indented file with declaration, comments and PIs",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!-- 计划 -->\r\n<计划列表>\r\n  " + kFullNode +
             "\r\n  <!-- c --><?pi x?>\r\n  " + kFullNode + "\r\n</计划列表>\r\n",
         R::Loaded,
         {kFullRow, kFullRow}},
        {"missing elements read ???, empty ones stay empty",
         "<计划列表>" + Node("<计划名称>定时提醒</计划名称><操作时间/><重复></重复>") + "</计划列表>",
         R::Loaded,
         {MakePlanRow(L"定时提醒", L"", L"???", L"???", L"", L"???")}},
        {"elements in another order and nested deeper are found",
         "<计划列表>" +
             Node("<附加信息>信息</附加信息><x><y><计划名称>深处</计划名称></y></x><计划名称>后面</计划名称>"
                  "<状态>启用<操作时间>内</操作时间></状态>") +
             "</计划列表>",
         R::Loaded,
         {MakePlanRow(L"深处", L"内", L"???", L"启用内", L"???", L"信息")}},
        {"children before the first plan node are skipped, siblings of any name after it are rows",
         "<计划列表><计划名称>前</计划名称><其他><计划名称>前</计划名称></其他>" + kFullNode +
             "<其他><计划名称>后</计划名称></其他>text<空/>" + kFullNode + "</计划列表>",
         R::Loaded,
         {kFullRow, MakePlanRow(L"后", L"???", L"???", L"???", L"???", L"???"), kAllMissing, kFullRow}},
        {"a cell with markup inside reads its whole text",
         "<计划列表>" + Node("<附加信息>a<b>b</b><![CDATA[<c>]]>&amp;</附加信息>") + "</计划列表>",
         R::Loaded,
         {MakePlanRow(L"???", L"???", L"???", L"???", L"???", L"ab<c>&")}},
        {"an element with the placeholder text",
         "<计划列表>" + Node("<计划名称>?\?\?</计划名称>") + "</计划列表>",
         R::Loaded,
         {kAllMissing}},
    };
    for (const Case& c : cases) {
        const Loaded loaded = LoadBytes(c.bytes);
        EXPECT_EQ(loaded.result, c.result) << c.what;
        EXPECT_EQ(loaded.rows, c.rows) << c.what;
    }
}

TEST(PlanFile, ReadsEveryEncodingTheFileDeclaresOrMarks) {
    const std::string body = "<计划列表>" + kFullNode + "</计划列表>";
    const std::string utf16Declaration = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>";
    // GB2312 bytes of body; the GBK variant adds 喆 (86 B4), which GB2312 lacks.
    const std::string gb = "\xbc\xc6\xbb\xae\xc1\xd0\xb1\xed";     // 计划列表
    const std::string gbNode = "\xbc\xc6\xbb\xae\xbd\xda\xb5\xe3"; // 计划节点
    const std::string gbKind = "\xbc\xc6\xbb\xae\xc3\xfb\xb3\xc6"; // 计划名称
    const std::string gbInfo = "\xb8\xbd\xbc\xd3\xd0\xc5\xcf\xa2"; // 附加信息
    const std::string gbBody = "<" + gb + "><" + gbNode + "><" + gbKind +
                               ">\xb6\xa8\xca\xb1\xcc\xe1\xd0\xd1</" + gbKind + "><" + gbInfo +
                               ">\xba\xc8\xcb\xae\xa3\xac\xd0\xdd\xcf\xa2</" + gbInfo + "></" + gbNode +
                               "></" + gb + ">"; // 定时提醒, 喝水，休息
    const std::string gbkBody = "<" + gb + "><" + gbNode + "><" + gbKind +
                                ">\xb6\xa8\xca\xb1\xcc\xe1\xd0\xd1</" + gbKind + "><" + gbInfo +
                                ">\x86\xb4</" + gbInfo + "></" + gbNode + "></" + gb + ">";
    const std::vector<PlanRow> gbRows = {
        MakePlanRow(L"定时提醒", L"???", L"???", L"???", L"???", L"喝水，休息")};
    const std::vector<PlanRow> gbkRows = {MakePlanRow(L"定时提醒", L"???", L"???", L"???", L"???", L"喆")};

    struct Case {
        const char* what;
        std::string bytes;
        std::vector<PlanRow> rows;
    };
    const Case cases[] = {
        {"UTF-8", body, {kFullRow}},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + body, {kFullRow}},
        {"UTF-8 with declaration", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + body, {kFullRow}},
        {"UTF-8 with BOM and declaration",
         "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>" + body,
         {kFullRow}},
        {"UTF-16LE with BOM", Utf16Bytes(body, false, true), {kFullRow}},
        {"UTF-16BE with BOM", Utf16Bytes(body, true, true), {kFullRow}},
        {"UTF-16LE with BOM and declaration", Utf16Bytes(utf16Declaration + body, false, true), {kFullRow}},
        {"UTF-16BE with BOM and declaration", Utf16Bytes(utf16Declaration + body, true, true), {kFullRow}},
        {"UTF-16LE declared, no BOM", Utf16Bytes(utf16Declaration + body, false, false), {kFullRow}},
        {"GB2312 declared", "<?xml version=\"1.0\" encoding=\"GB2312\"?>" + gbBody, gbRows},
        {"gb2312 declared in single quotes", "<?xml version='1.0' encoding='gb2312'?>\r\n" + gbBody, gbRows},
        {"GBK declared", "<?xml version=\"1.0\" encoding=\"GBK\" standalone=\"yes\"?>" + gbkBody, gbkRows},
    };
    for (const Case& c : cases) {
        const Loaded loaded = LoadBytes(c.bytes);
        EXPECT_EQ(loaded.result, PlanFileLoadResult::Loaded) << c.what;
        EXPECT_EQ(loaded.rows, c.rows) << c.what;
    }
    // Without a declaration, GB bytes are not UTF-8: a malformed file, silently empty.
    const Loaded undeclared = LoadBytes(gbBody);
    EXPECT_EQ(undeclared.result, PlanFileLoadResult::Unusable);
    EXPECT_TRUE(undeclared.rows.empty());
}

TEST(PlanFile, MissingFileIsSilentUnreadableFileIsAFailure) {
    TempFolder folder;
    const auto file = PlanFilePath(folder.path());
    PlanList plans;
    EXPECT_EQ(LoadPlanFile(file, *CreateXmlBackend(), plans), PlanFileLoadResult::Nothing);
    MakeFolder(file);
    EXPECT_EQ(LoadPlanFile(file, *CreateXmlBackend(), plans), PlanFileLoadResult::Failed);
    EXPECT_TRUE(plans.Empty());
}

// A back-end whose component cannot be created.
class UnavailableBackend final : public XmlBackend {
public:
protected:
    XmlParseResult ParseDocument(std::string_view) override { return {XmlParseStatus::Failed, {}}; }
};

TEST(PlanFile, UnavailableXmlComponentIsAFailure) {
    TempFolder folder;
    const auto file = PlanFilePath(folder.path());
    ASSERT_TRUE(SavePlanFile(file, ListOf({kDailyShutdown})));
    UnavailableBackend backend;
    PlanList plans;
    EXPECT_EQ(LoadPlanFile(file, backend, plans), PlanFileLoadResult::Failed);
    EXPECT_TRUE(plans.Empty());
}

TEST(PlanFile, FailedSaveKeepsTheOldFile) {
    TempFolder folder;
    EXPECT_FALSE(SavePlanFile(PlanFilePath(folder / L"不存在"), ListOf({kDailyShutdown})));

    // Values.xml is a folder: nothing can replace it, and nothing inside it is touched.
    const auto file = PlanFilePath(folder.path());
    MakeFolder(file);
    WriteBytes(file / L"keep.txt", "keep");
    EXPECT_FALSE(SavePlanFile(file, ListOf({kDailyShutdown})));
    EXPECT_EQ(ReadBytes(file / L"keep.txt"), "keep");
    EXPECT_FALSE(Exists(TemporaryPathFor(file)));
}

TEST(PlanFile, StaleTemporaryIsIgnoredAndCleanedUp) {
    TempFolder folder;
    const auto file = PlanFilePath(folder.path());
    ASSERT_TRUE(SavePlanFile(file, ListOf({kDailyShutdown})));
    WriteBytes(TemporaryPathFor(file), "<计划列表><计划节点><计划名称>半");
    PlanList plans;
    ASSERT_EQ(LoadPlanFile(file, *CreateXmlBackend(), plans), PlanFileLoadResult::Loaded);
    EXPECT_EQ(plans.Rows(), std::vector<PlanRow>{kDailyShutdown});
    EXPECT_FALSE(Exists(TemporaryPathFor(file)));
}

TEST(GetChildText, FindsTheFirstDescendantInDocumentOrder) {
    XmlElement node{L"计划节点", L"", {}};
    AppendChildText(node, L"a", L"outer a");
    node.children.front().children.push_back(XmlElement{L"b", L"inner b", {}});
    AppendChildText(node, L"b", L"later b");
    AppendChildText(node, L"c", L"");
    EXPECT_EQ(GetChildText(node, L"a", L"?"), L"outer a");
    EXPECT_EQ(GetChildText(node, L"b", L"?"), L"inner b"); // depth-first: inside a comes before the later b
    EXPECT_EQ(GetChildText(node, L"c", L"?"), L"");
    EXPECT_EQ(GetChildText(node, L"计划节点", L"?"), L"?"); // the node itself is not its own descendant
    EXPECT_EQ(GetChildText(node, L"d", L"???"), L"???");
}

} // namespace
} // namespace kestrel
