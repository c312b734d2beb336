// The small XML tree the core reads and writes (elements and their text, nothing else), the one writer
// that turns it into file bytes, and the narrow parser interface each platform implements (MSXML on
// Windows, libxml2 natively).
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
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
    // Never throws. Reads the file whatever its encoding, as far as a byte-order mark or the XML
    // declaration identify it; does not fetch external entities or DTDs.
    virtual XmlParseResult Parse(const std::filesystem::path& file) = 0;
};

// The first step of every back-end: reads `file` into `bytes`. When there is nothing to parse, returns
// the result to give instead: NoDocument for a missing or empty file, Failed for one that cannot be
// read or is larger than a parser takes (2 GiB).
std::optional<XmlParseResult> ReadXmlSource(const std::filesystem::path& file, std::string& bytes);

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

} // namespace kestrel
