// The XML writer shared by both builds, and the text conversions around it.
#include "platform/xml_tree.h"

#include "platform/file_bytes.h"

#include <cstdint>

namespace kestrel {

namespace {

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Reads one code point from `text` at `pos` and advances `pos`. wchar_t is UTF-16 on Windows and UTF-32
// elsewhere; an unpaired surrogate or a value beyond U+10FFFF yields kInvalid.
char32_t NextCodePoint(std::wstring_view text, std::size_t& pos) {
    const auto unit = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[pos++]));
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        if constexpr (sizeof(wchar_t) == 2) {
            if (pos < text.size()) {
                const auto low = static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[pos]));
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    ++pos;
                    return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                }
            }
        }
        return kInvalid;
    }
    if ((unit >= 0xDC00 && unit <= 0xDFFF) || unit > 0x10FFFF) {
        return kInvalid;
    }
    return unit;
}

// XML 1.0 production Char.
bool IsXmlChar(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

void AppendWide(std::wstring& out, char32_t c) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
            return;
        }
    }
    out.push_back(static_cast<wchar_t>(c));
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Element names come from Kestrel's own constants; they are written as they are (only dropping what XML
// cannot hold at all), not escaped.
void AppendName(std::string& out, std::wstring_view name) {
    for (std::size_t pos = 0; pos < name.size();) {
        const char32_t c = NextCodePoint(name, pos);
        if (IsXmlChar(c)) {
            AppendUtf8(out, c);
        }
    }
}

void AppendEscapedText(std::string& out, std::wstring_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = NextCodePoint(text, pos);
        switch (c) {
        case U'&':
            out += "&amp;";
            break;
        case U'<':
            out += "&lt;";
            break;
        case U'>': // keeps "]]>" out of the file
            out += "&gt;";
            break;
        case U'\r': // a literal CR would come back as LF (XML end-of-line handling)
            out += "&#13;";
            break;
        default:
            if (IsXmlChar(c)) {
                AppendUtf8(out, c);
            }
        }
    }
}

void AppendElement(std::string& out, const XmlElement& element) {
    out.push_back('<');
    AppendName(out, element.name);
    if (element.text.empty() && element.children.empty()) {
        out += "/>";
        return;
    }
    out.push_back('>');
    AppendEscapedText(out, element.text);
    for (const XmlElement& child : element.children) {
        AppendElement(out, child);
    }
    out += "</";
    AppendName(out, element.name);
    out.push_back('>');
}

} // namespace

std::string SerializeXml(const XmlElement& root) {
    std::string out;
    AppendElement(out, root);
    return out;
}

std::wstring XmlStorableText(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = NextCodePoint(text, pos);
        if (IsXmlChar(c)) {
            AppendWide(out, c);
        }
    }
    return out;
}

std::wstring WideFromUtf8(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<std::uint8_t>(utf8[i]);
        int length = 0;
        char32_t c = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            length = 1;
            c = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            c = lead & 0x1F;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            c = lead & 0x0F;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            c = lead & 0x07;
            minimum = 0x10000;
        }
        bool ok = length > 0 && i + static_cast<std::size_t>(length) <= utf8.size();
        for (int k = 1; ok && k < length; ++k) {
            const auto next = static_cast<std::uint8_t>(utf8[i + static_cast<std::size_t>(k)]);
            ok = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        ok = ok && c >= minimum && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
        if (!ok) {
            AppendWide(out, 0xFFFD);
            ++i; // resynchronise on the next byte
            continue;
        }
        AppendWide(out, c);
        i += static_cast<std::size_t>(length);
    }
    return out;
}

std::string Utf8FromWide(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const char32_t c = NextCodePoint(text, pos);
        AppendUtf8(out, c == kInvalid ? 0xFFFD : c);
    }
    return out;
}

namespace {

// The prolog reader behind DeclaresDocumentType: walks the text as code units of `width` bytes in the
// given byte order, looking only at ASCII.
class PrologReader {
public:
    PrologReader(std::string_view bytes, std::size_t width, bool bigEndian)
        : bytes_(bytes), width_(width), bigEndian_(bigEndian) {}

    bool DeclaresDocumentType() {
        while (!AtEnd()) {
            const char32_t c = Peek();
            if (c == U' ' || c == U'\t' || c == U'\r' || c == U'\n') {
                Advance();
            } else if (StartsWith("<?")) {
                if (!SkipPast("?>")) {
                    return false;
                }
            } else if (StartsWith("<!--")) {
                if (!SkipPast("-->")) {
                    return false;
                }
            } else {
                return StartsWith("<!DOCTYPE");
            }
        }
        return false;
    }

private:
    bool AtEnd() const { return pos_ + width_ > bytes_.size(); }
    char32_t UnitAt(std::size_t at) const {
        char32_t unit = 0;
        for (std::size_t i = 0; i < width_; ++i) {
            const auto byte = static_cast<unsigned char>(bytes_[at + (bigEndian_ ? i : width_ - 1 - i)]);
            unit = (unit << 8) | byte;
        }
        return unit;
    }
    char32_t Peek() const { return UnitAt(pos_); }
    void Advance() { pos_ += width_; }
    bool StartsWith(std::string_view ascii) const {
        if (pos_ + ascii.size() * width_ > bytes_.size()) {
            return false;
        }
        for (std::size_t i = 0; i < ascii.size(); ++i) {
            if (UnitAt(pos_ + i * width_) != static_cast<unsigned char>(ascii[i])) {
                return false;
            }
        }
        return true;
    }
    bool SkipPast(std::string_view ascii) {
        for (; !AtEnd(); Advance()) {
            if (StartsWith(ascii)) {
                pos_ += ascii.size() * width_;
                return true;
            }
        }
        return false;
    }

    std::string_view bytes_;
    std::size_t width_;
    bool bigEndian_;
    std::size_t pos_ = 0;
};

} // namespace

bool DeclaresDocumentType(std::string_view bytes) {
    const auto startsWith = [&](std::string_view prefix) {
        return bytes.substr(0, prefix.size()) == prefix;
    };
    if (startsWith("\xEF\xBB\xBF")) {
        return PrologReader(bytes.substr(3), 1, false).DeclaresDocumentType();
    }
    if (startsWith("\xFF\xFE")) {
        return PrologReader(bytes.substr(2), 2, false).DeclaresDocumentType();
    }
    if (startsWith("\xFE\xFF")) {
        return PrologReader(bytes.substr(2), 2, true).DeclaresDocumentType();
    }
    // Without a byte-order mark, UTF-16 shows as a zero byte beside the first '<'.
    if (startsWith(std::string_view("<\0", 2))) {
        return PrologReader(bytes, 2, false).DeclaresDocumentType();
    }
    if (startsWith(std::string_view("\0<", 2))) {
        return PrologReader(bytes, 2, true).DeclaresDocumentType();
    }
    return PrologReader(bytes, 1, false).DeclaresDocumentType();
}

XmlParseResult XmlBackend::Parse(std::string_view bytes) {
    XmlParseResult result;
    if (bytes.empty() || DeclaresDocumentType(bytes)) {
        result.status = XmlParseStatus::NoDocument;
        return result;
    }
    if (bytes.size() > 0x7FFFFFFFu) {
        result.status = XmlParseStatus::Failed;
        return result;
    }
    return ParseDocument(bytes);
}

XmlParseResult ParseXmlFile(XmlBackend& xml, const std::wstring& file) {
    std::string bytes;
    switch (ReadFileBytes(file, bytes)) {
    case FileReadStatus::Read:
        return xml.Parse(bytes);
    case FileReadStatus::NotFound:
        return {XmlParseStatus::NoDocument, {}};
    case FileReadStatus::Failed:
    case FileReadStatus::TooLarge:
        break;
    }
    return {XmlParseStatus::Failed, {}};
}

} // namespace kestrel
