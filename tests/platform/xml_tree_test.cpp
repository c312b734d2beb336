// The XML writer, the text conversions, and the parser contract that every back-end must keep: this file
// runs natively against libxml2 and under Wine against MSXML.
#include "platform/file_bytes.h"
#include "platform/xml_tree.h"
#include "support/xml_test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrel {
namespace {

using testing::Exists;
using testing::MakeFolder;
using testing::ReadBytes;
using testing::TempFolder;
using testing::Utf16Bytes;
using testing::Wide;
using testing::WriteBytes;
using testing::operator/;

XmlElement Leaf(std::wstring name, std::wstring text) {
    return XmlElement{std::move(name), std::move(text), {}};
}

const std::wstring kLoneHighSurrogate(1, static_cast<wchar_t>(0xD800));
const std::wstring kLoneLowSurrogate(1, static_cast<wchar_t>(0xDC00));

TEST(SerializeXml, WritesExactBytes) {
    struct Case {
        const char* what;
        XmlElement root;
        std::string bytes;
    };
    const Case cases[] = {
        {"empty root closes itself", Leaf(L"计划列表", L""), "<计划列表/>"},
        {"markup characters are escaped, quotes are not", Leaf(L"a", L"x<y&z>w\"q'"),
         "<a>x&lt;y&amp;z&gt;w\"q'</a>"},
        {"]]> cannot appear", Leaf(L"a", L"]]>"), "<a>]]&gt;</a>"},
        {"CR becomes a character reference, LF and tab stay", Leaf(L"a", L"1\r\n2\r3\n4\t"),
         "<a>1&#13;\n2&#13;3\n4\t</a>"},
        {"leading and trailing spaces stay", Leaf(L"a", L"  一 三 "), "<a>  一 三 </a>"},
        {"characters XML cannot hold are dropped",
         Leaf(L"a", std::wstring(L"x\x01\x08\x0B\x0C\x1F") + L'\0' + L"y\xFFFE\xFFFF\xFFFDz"),
         "<a>xy\xEF\xBF\xBDz</a>"},
        {"unpaired surrogates are dropped", Leaf(L"a", L"p" + kLoneHighSurrogate + L"q" + kLoneLowSurrogate),
         "<a>pq</a>"},
        {"characters beyond the basic plane are kept", Leaf(L"a", L"\U0001F600"), "<a>\xF0\x9F\x98\x80</a>"},
        {"children follow in order, empty ones close themselves",
         XmlElement{
             L"r", L"", {Leaf(L"b", L"1"), Leaf(L"c", L""), XmlElement{L"d", L"", {Leaf(L"e", L"2")}}}},
         "<r><b>1</b><c/><d><e>2</e></d></r>"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SerializeXml(c.root), c.bytes) << c.what;
    }
}

TEST(XmlStorableText, KeepsExactlyWhatXmlCanHold) {
    struct Case {
        std::wstring in;
        std::wstring out;
    };
    const Case cases[] = {
        {L"", L""},
        {L"\t\n\r 普通 text", L"\t\n\r 普通 text"},
        {std::wstring(L"a") + L'\0' + L"\x01\x07\x0B\x0C\x0E\x1F" + L"b", L"ab"},
        {L"\xD7FF\xE000\xFFFD\xFFFE\xFFFF", L"\xD7FF\xE000\xFFFD"},
        {L"\U0001F600\U0010FFFF", L"\U0001F600\U0010FFFF"},
        {kLoneHighSurrogate + L"x" + kLoneLowSurrogate + kLoneHighSurrogate, L"x"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(XmlStorableText(c.in), c.out);
    }
}

TEST(WideFromUtf8, DecodesAndReplacesMalformedSequences) {
    struct Case {
        std::string in;
        std::wstring out;
    };
    const Case cases[] = {
        {"", L""},
        {"abc", L"abc"},
        {"计划 é", L"计划 é"},
        {"\xF0\x9F\x98\x80", L"\U0001F600"},
        {"a\xC3", L"a\xFFFD"},                             // truncated
        {"\xC0\xAF", L"\xFFFD\xFFFD"},                     // overlong
        {"\xED\xA0\x80", L"\xFFFD\xFFFD\xFFFD"},           // an encoded surrogate
        {"\xF4\x90\x80\x80", L"\xFFFD\xFFFD\xFFFD\xFFFD"}, // beyond U+10FFFF
        {"\x80x", L"\xFFFDx"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WideFromUtf8(c.in), c.out) << c.in;
    }
}

// A compact picture of a parsed tree: name(text){children}.
std::wstring Picture(const XmlElement& element) {
    std::wstring picture = element.name + L"(" + element.text + L")";
    if (!element.children.empty()) {
        picture += L"{";
        for (const XmlElement& child : element.children) {
            picture += Picture(child);
        }
        picture += L"}";
    }
    return picture;
}

std::string Nested(int depth) {
    std::string xml;
    for (int i = 0; i < depth; ++i) {
        xml += "<n>";
    }
    xml += "x";
    for (int i = 0; i < depth; ++i) {
        xml += "</n>";
    }
    return xml;
}

TEST(XmlBackendContract, ParsesOrRefusesFilesAlike) {
    struct Case {
        const char* what;
        std::string bytes;
        XmlParseStatus status;
        std::wstring picture; // when parsed
    };
    const Case cases[] = {
        {"empty file", "", XmlParseStatus::NoDocument, L""},
        {"whitespace only", " \r\n\t", XmlParseStatus::NoDocument, L""},
        {"plain text", "计划", XmlParseStatus::NoDocument, L""},
        {"unclosed element", "<a><b></a>", XmlParseStatus::NoDocument, L""},
        {"truncated file", "<a><b>text</b", XmlParseStatus::NoDocument, L""},
        {"two roots", "<a/><b/>", XmlParseStatus::NoDocument, L""},
        {"undefined entity", "<a>&nbsp;</a>", XmlParseStatus::NoDocument, L""},
        {"control character reference", "<a>&#1;</a>", XmlParseStatus::NoDocument, L""},
        {"malformed UTF-8", "<a>\xC3\x28</a>", XmlParseStatus::NoDocument, L""},
        {"too deep", Nested(kXmlMaxDepth + 40), XmlParseStatus::NoDocument, L""},
        {"single empty root", "<计划列表/>", XmlParseStatus::Parsed, L"计划列表()"},
        {"text content gathers nested text, CDATA and references, skips comments and PIs",
         "<a>x<!--c--><?pi y?><![CDATA[<z&>]]><b> q </b>&lt;&#x8BA1;&#13;</a>", XmlParseStatus::Parsed,
         L"a(x<z&> q <计\r){b( q )}"},
        {"whitespace between elements is kept in the text, never an element", "<a>\n  <b>1</b>\n</a>\n",
         XmlParseStatus::Parsed, L"a(\n  1\n){b(1)}"},
        {"line ends in text are normalised to LF", "<a>1\r\n2\r3</a>", XmlParseStatus::Parsed, L"a(1\n2\n3)"},
        // A document type could declare entities that expand a few bytes into gigabytes.
        {"document type refused", "<!DOCTYPE a [<!ENTITY e \"ent\">]><a>[&e;]</a>",
         XmlParseStatus::NoDocument, L""},
        {"document type after declaration, comment and blanks refused",
         "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- c --><!DOCTYPE a><a>1</a>", XmlParseStatus::NoDocument,
         L""},
        {"nested entities refused",
         "<!DOCTYPE a [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
         "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><a>&b;&b;&b;</a>",
         XmlParseStatus::NoDocument, L""},
        {"prefixed names keep their prefix", "<p:a xmlns:p=\"urn:x\"><p:b>1</p:b></p:a>",
         XmlParseStatus::Parsed, L"p:a(1){p:b(1)}"},
    };
    const auto backend = CreateXmlBackend();
    for (const Case& c : cases) {
        const XmlParseResult result = backend->Parse(c.bytes);
        EXPECT_EQ(result.status, c.status) << c.what;
        if (result.status == XmlParseStatus::Parsed) {
            EXPECT_EQ(Picture(result.root), c.picture) << c.what;
        }
    }
}

TEST(XmlBackendContract, DeepButAllowedNestingParses) {
    const XmlParseResult result = CreateXmlBackend()->Parse(Nested(200));
    ASSERT_EQ(result.status, XmlParseStatus::Parsed);
    EXPECT_EQ(result.root.text, L"x");
}

TEST(XmlBackendContract, DocumentTypeRefusedInUtf16Too) {
    const auto backend = CreateXmlBackend();
    for (const bool bigEndian : {false, true}) {
        for (const bool withBom : {false, true}) {
            EXPECT_EQ(
                backend->Parse(Utf16Bytes("<!-- x --> <!DOCTYPE a><a>1</a>", bigEndian, withBom)).status,
                XmlParseStatus::NoDocument)
                << bigEndian << withBom;
        }
        // UTF-16 without a mark or declaration is no document anyway; with a mark it parses.
        EXPECT_EQ(backend->Parse(Utf16Bytes("<a>&lt;!DOCTYPE</a>", bigEndian, true)).status,
                  XmlParseStatus::Parsed)
            << bigEndian;
    }
}

TEST(XmlBackendContract, MissingOrUnreadableFiles) {
    TempFolder folder;
    const auto backend = CreateXmlBackend();
    EXPECT_EQ(ParseXmlFile(*backend, folder / L"absent.xml").status, XmlParseStatus::NoDocument);
    EXPECT_EQ(ParseXmlFile(*backend, folder / L"no-such-folder" / L"absent.xml").status,
              XmlParseStatus::NoDocument);
    // A folder where the file should be exists but cannot be read: that is not "no document".
    MakeFolder(folder / L"Values.xml");
    EXPECT_EQ(ParseXmlFile(*backend, folder / L"Values.xml").status, XmlParseStatus::Failed);
}

TEST(XmlBackendContract, NeverReadsExternalEntities) {
    TempFolder folder;
    WriteBytes(folder / L"secret.txt", "SECRET");
    const auto file = folder / L"xxe.xml";
    WriteBytes(file, "<!DOCTYPE a [<!ENTITY x SYSTEM \"secret.txt\">]><a>[&x;]</a>");
    const XmlParseResult result = ParseXmlFile(*CreateXmlBackend(), file);
    EXPECT_NE(result.status, XmlParseStatus::Failed);
    EXPECT_EQ(result.root.text.find(L"SECRET"), std::wstring::npos) << result.root.text;
}

TEST(FileBytes, WriteAtomicallyReplacesWholeFileAndLeavesNoTemporary) {
    TempFolder folder;
    const auto file = folder / L"Values.xml";
    ASSERT_TRUE(WriteFileAtomically(file, std::string("first, rather long content\0with a NUL", 38)));
    EXPECT_EQ(ReadBytes(file), std::string("first, rather long content\0with a NUL", 38));
    WriteBytes(TemporaryPathFor(file), "stale temporary from a killed save");
    ASSERT_TRUE(WriteFileAtomically(file, "short"));
    EXPECT_EQ(ReadBytes(file), "short");
    ASSERT_TRUE(WriteFileAtomically(file, ""));
    EXPECT_EQ(ReadBytes(file), "");
    EXPECT_FALSE(Exists(TemporaryPathFor(file)));
    EXPECT_EQ(TemporaryPathFor(file), folder / L"Values.xml.tmp");
}

TEST(FileBytes, FailedWriteLeavesOldFileAndNoTemporary) {
    TempFolder folder;
    EXPECT_FALSE(WriteFileAtomically(folder / L"missing" / L"Values.xml", "x"));
    EXPECT_FALSE(Exists(folder / L"missing"));

    // The target is a folder: the rename fails after the temporary was written.
    const auto blocked = folder / L"blocked.xml";
    MakeFolder(blocked);
    WriteBytes(blocked / L"inside.txt", "keep");
    EXPECT_FALSE(WriteFileAtomically(blocked, "x"));
    EXPECT_EQ(ReadBytes(blocked / L"inside.txt"), "keep");
    EXPECT_FALSE(Exists(TemporaryPathFor(blocked)));
}

TEST(FileBytes, ReadTellsMissingFromUnreadable) {
    TempFolder folder;
    std::string bytes = "previous";
    EXPECT_EQ(ReadFileBytes(folder / L"absent", bytes), FileReadStatus::NotFound);
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(ReadFileBytes(folder / L"absent" / L"deeper", bytes), FileReadStatus::NotFound);
    EXPECT_EQ(ReadFileBytes(folder.path(), bytes), FileReadStatus::Failed);
    const std::string content("\xEF\xBB\xBF<a>\0</a>", 11);
    WriteBytes(folder / Wide(u8"中文名.xml"), content);
    EXPECT_EQ(ReadFileBytes(folder / Wide(u8"中文名.xml"), bytes), FileReadStatus::Read);
    EXPECT_EQ(bytes, content);
    // A size limit: a file of exactly that size reads, one byte more is refused unread.
    EXPECT_EQ(ReadFileBytes(folder / Wide(u8"中文名.xml"), bytes, 11), FileReadStatus::Read);
    EXPECT_EQ(ReadFileBytes(folder / Wide(u8"中文名.xml"), bytes, 10), FileReadStatus::TooLarge);
    EXPECT_TRUE(bytes.empty());
}

TEST(FileBytes, CopyToNewFileNeverReplaces) {
    TempFolder folder;
    std::string content(200 * 1024, 'x'); // more than one pass of the copy loop
    content[123456] = '\0';
    WriteBytes(folder / L"big.xml", content);
    EXPECT_EQ(CopyToNewFile(folder / L"big.xml", folder / L"copy.bak"), NewFileStatus::Written);
    EXPECT_EQ(ReadBytes(folder / L"copy.bak"), content);
    WriteBytes(folder / L"other.bak", "keep");
    EXPECT_EQ(CopyToNewFile(folder / L"big.xml", folder / L"other.bak"), NewFileStatus::Exists);
    EXPECT_EQ(ReadBytes(folder / L"other.bak"), "keep");
    EXPECT_EQ(CopyToNewFile(folder / L"absent.xml", folder / L"none.bak"), NewFileStatus::Failed);
    EXPECT_FALSE(Exists(folder / L"none.bak"));
}

TEST(FileBytes, RenameIsRetriedAtMostThreeTimesWithin200MsOnlyWhileBusy) {
    using A = AttemptResult;
    struct Case {
        std::vector<A> answers;
        bool done;
        std::size_t tries;
    };
    const Case cases[] = {
        {{A::Done}, true, 1},
        {{A::Busy, A::Done}, true, 2},
        {{A::Busy, A::Busy, A::Done}, true, 3},
        {{A::Busy, A::Busy, A::Busy, A::Done}, false, 3},
        {{A::Failed, A::Done}, false, 1},
        {{A::Busy, A::Failed, A::Done}, false, 2},
    };
    for (const Case& c : cases) {
        std::size_t tries = 0;
        std::vector<unsigned> waits;
        const bool done =
            RetryWhileBusy([&] { return c.answers.at(tries++); }, [&](unsigned ms) { waits.push_back(ms); });
        SCOPED_TRACE(::testing::Message() << "case with " << c.answers.size() << " answers");
        EXPECT_EQ(done, c.done);
        EXPECT_EQ(tries, c.tries);
        EXPECT_EQ(waits.size(), tries - 1) << "a wait between tries, none after the last";
        unsigned waited = 0;
        for (const unsigned ms : waits) {
            EXPECT_GT(ms, 0u);
            waited += ms;
        }
        EXPECT_LT(waited, 200u);
    }
}

} // namespace
} // namespace kestrel
