// The small XML tree the core reads and writes (elements and their text, nothing else), the one writer
// that turns it into file bytes, and the narrow parser interface each platform implements (MSXML on
// Windows, libxml2 natively).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

struct XmlElement {
    std::wstring name;
    // After parsing: the element's whole text content, i.e. every piece of character data inside it,
    // nested elements included, in document order (what MSXML calls `text`). When writing: the text
    // written as the element's content, before its children.
    std::wstring text;
    std::vector<XmlElement> children; // child elements only, in document order
};

enum class XmlParseStatus {
    Parsed,     // `root` holds the document element
    NoDocument, // the file is missing, empty or not well-formed XML: there is no document element
    Failed,     // anything else: the file exists but cannot be read, the XML component is unavailable...
};

struct XmlParseResult {
    XmlParseStatus status = XmlParseStatus::NoDocument;
    XmlElement root;
};

// Documents nested deeper than this are treated as not well-formed, identically on every back-end.
inline constexpr int kXmlMaxDepth = 256;

class XmlBackend {
public:
    virtual ~XmlBackend() = default;
    // Parses a whole document held in memory, whatever its encoding, as far as a byte-order mark or the
    // XML declaration identify it. Never throws, never fetches anything. Checks that hold for every
    // back-end come first: no bytes is NoDocument, more than a parser takes (2 GiB) is Failed, and a
    // document that declares a document type is NoDocument (a plan file has no use for one, and its
    // entities could make a few bytes expand into gigabytes).
    XmlParseResult Parse(std::string_view bytes);

protected:
    // The back-end's own parse of `bytes` (not empty, no document type declaration).
    virtual XmlParseResult ParseDocument(std::string_view bytes) = 0;
};

// Reads `file` and parses it: a missing file is NoDocument, one that cannot be read is Failed.
XmlParseResult ParseXmlFile(XmlBackend& xml, const std::wstring& file);

// Whether the prolog of `bytes` (after a byte-order mark, the XML declaration, comments, processing
// instructions and blanks) holds a <!DOCTYPE declaration. Reads UTF-8 and other ASCII-based encodings,
// and UTF-16 in either byte order.
bool DeclaresDocumentType(std::string_view bytes);

// The platform's back-end; implemented once per platform.
std::unique_ptr<XmlBackend> CreateXmlBackend();

// Serialises `root` as UTF-8 without byte-order mark, declaration or any whitespace between elements.
// Characters that XML 1.0 cannot hold (control characters other than tab, LF and CR, U+FFFE, U+FFFF,
// unpaired surrogates) are dropped; CR is written as "&#13;" so that parsers do not turn it into LF.
// Both back-ends read what this writes; writing in one place keeps the two builds' files identical.
std::string SerializeXml(const XmlElement& root);

// What reading back the serialised form of `text` yields: `text` without the characters XML cannot hold.
std::wstring XmlStorableText(std::wstring_view text);

// UTF-8 as parsers hand it out, to wide text (UTF-16 on Windows, UTF-32 elsewhere). Malformed
// sequences become U+FFFD.
std::wstring WideFromUtf8(std::string_view utf8);
// Wide text to UTF-8; what UTF-8 cannot hold (unpaired surrogates) becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view text);

} // namespace kestrel
