// The native XML back-end: libxml2 parses the file, and its document is copied into an XmlElement tree.
#include "platform/xml_tree.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <new>

namespace kestrel {

namespace {

struct ParserContextDeleter {
    void operator()(xmlParserCtxt* context) const { xmlFreeParserCtxt(context); }
};
struct DocumentDeleter {
    void operator()(xmlDoc* document) const { xmlFreeDoc(document); }
};
struct XmlCharDeleter {
    void operator()(xmlChar* text) const { xmlFree(text); }
};

std::wstring Wide(const xmlChar* utf8) {
    return utf8 == nullptr ? std::wstring() : WideFromUtf8(reinterpret_cast<const char*>(utf8));
}

std::wstring QualifiedName(const xmlNode* node) {
    std::wstring name;
    if (node->ns != nullptr && node->ns->prefix != nullptr) {
        name = Wide(node->ns->prefix);
        name += L':';
    }
    name += Wide(node->name);
    return name;
}

void AppendText(std::wstring& text, std::wstring&& piece) {
    if (text.empty()) {
        text = std::move(piece); // the usual case, a cell with one text node: no copy
    } else {
        text += piece;
    }
}

// Copies `node` into `out`; false when the document is nested too deeply.
bool CopyElement(const xmlNode* node, int depth, XmlElement& out) {
    if (depth > kXmlMaxDepth) {
        return false;
    }
    out.name = QualifiedName(node);
    std::size_t elementCount = 0;
    for (const xmlNode* child = node->children; child != nullptr; child = child->next) {
        elementCount += child->type == XML_ELEMENT_NODE;
    }
    out.children.reserve(elementCount);
    for (const xmlNode* child = node->children; child != nullptr; child = child->next) {
        switch (child->type) {
        case XML_ELEMENT_NODE: {
            XmlElement& element = out.children.emplace_back();
            if (!CopyElement(child, depth + 1, element)) {
                return false;
            }
            out.text += element.text;
            break;
        }
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
            AppendText(out.text, Wide(child->content));
            break;
        case XML_ENTITY_REF_NODE: {
            // Internal entities only: the parser is never allowed to load external ones.
            const std::unique_ptr<xmlChar, XmlCharDeleter> content(xmlNodeGetContent(child));
            AppendText(out.text, Wide(content.get()));
            break;
        }
        default: // comments, processing instructions
            break;
        }
    }
    return true;
}

void IgnoreMessage(void*, const char*, ...) {}

class LibXml2Backend final : public XmlBackend {
public:
    LibXml2Backend() {
        xmlInitParser();
        // A damaged file is an answer, not an event to print: libxml2 reports encoding errors through its
        // generic handler even when the parse asks for no error output.
        xmlSetGenericErrorFunc(nullptr, &IgnoreMessage);
    }

protected:
    XmlParseResult ParseDocument(std::string_view bytes) override {
        XmlParseResult result;
        try {
            const std::unique_ptr<xmlParserCtxt, ParserContextDeleter> context(xmlNewParserCtxt());
            if (!context) {
                result.status = XmlParseStatus::Failed;
                return result;
            }
            // No network, no DTD loading, no entity substitution (which would read external entities):
            // a plan file is plain elements and text.
            const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
            const std::unique_ptr<xmlDoc, DocumentDeleter> document(xmlCtxtReadMemory(
                context.get(), bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr, options));
            if (!document) {
                result.status = context->lastError.code == XML_ERR_NO_MEMORY ? XmlParseStatus::Failed
                                                                             : XmlParseStatus::NoDocument;
                return result;
            }
            const xmlNode* root = xmlDocGetRootElement(document.get());
            if (root == nullptr || !CopyElement(root, 1, result.root)) {
                result.root = {};
                result.status = XmlParseStatus::NoDocument;
                return result;
            }
            result.status = XmlParseStatus::Parsed;
        } catch (...) {
            result.root = {};
            result.status = XmlParseStatus::Failed;
        }
        return result;
    }
};

} // namespace

std::unique_ptr<XmlBackend> CreateXmlBackend() {
    return std::make_unique<LibXml2Backend>();
}

} // namespace kestrel
