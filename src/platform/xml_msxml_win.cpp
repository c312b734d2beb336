// The Windows XML back-end: MSXML (Msxml2.DOMDocument, through COM) parses the file, and its DOM is
// copied into an XmlElement tree.
#include "platform/com_win.h"
#include "platform/xml_tree.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <msxml2.h>

#include <cstring>

namespace kestrel {

namespace {

using win::ComApartment;
using win::ComPtr;

// MinGW's libuuid lacks it.
constexpr IID kIID_IXMLDOMDocument2 = {
    0x2933BF95, 0x7B36, 0x11d2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const wchar_t* text, UINT length) : s_(::SysAllocStringLen(text, length)) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    ~Bstr() { ::SysFreeString(s_); }
    BSTR get() const { return s_; }
    BSTR* put() {
        ::SysFreeString(s_);
        s_ = nullptr;
        return &s_;
    }
    std::wstring_view view() const {
        return s_ == nullptr ? std::wstring_view() : std::wstring_view(s_, ::SysStringLen(s_));
    }

private:
    BSTR s_ = nullptr;
};

class Variant {
public:
    Variant() { ::VariantInit(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { ::VariantClear(&v_); }
    VARIANT* put() {
        ::VariantClear(&v_);
        return &v_;
    }
    VARIANT& get() { return v_; }

private:
    VARIANT v_;
};

// Copies `node` into `out`: Parsed, NoDocument when it is nested too deeply, Failed when the DOM cannot be
// read.
XmlParseStatus CopyElement(IXMLDOMNode* node, int depth, XmlElement& out) {
    if (depth > kXmlMaxDepth) {
        return XmlParseStatus::NoDocument;
    }
    Bstr name;
    if (FAILED(node->get_nodeName(name.put()))) {
        return XmlParseStatus::Failed;
    }
    out.name = name.view();
    bool hasEntityReference = false;
    ComPtr<IXMLDOMNode> child;
    if (FAILED(node->get_firstChild(child.put()))) {
        return XmlParseStatus::Failed;
    }
    while (child) {
        DOMNodeType type = NODE_INVALID;
        if (FAILED(child->get_nodeType(&type))) {
            return XmlParseStatus::Failed;
        }
        switch (type) {
        case NODE_ELEMENT: {
            XmlElement& element = out.children.emplace_back();
            if (const XmlParseStatus status = CopyElement(child.get(), depth + 1, element);
                status != XmlParseStatus::Parsed) {
                return status;
            }
            out.text += element.text;
            break;
        }
        case NODE_ENTITY_REFERENCE:
            hasEntityReference = true;
            break;
        case NODE_TEXT:
        case NODE_CDATA_SECTION: {
            Bstr text;
            if (FAILED(child->get_text(text.put()))) {
                return XmlParseStatus::Failed;
            }
            out.text += text.view();
            break;
        }
        default: // comments, processing instructions
            break;
        }
        IXMLDOMNode* next = nullptr;
        if (FAILED(child->get_nextSibling(&next))) {
            return XmlParseStatus::Failed;
        }
        child.Attach(next);
    }
    if (hasEntityReference) {
        // Wine's entity reference nodes read as empty, while the element's own text has the expansion.
        Bstr text;
        if (FAILED(node->get_text(text.put()))) {
            return XmlParseStatus::Failed;
        }
        out.text = text.view();
    }
    return XmlParseStatus::Parsed;
}

// Code page of a GB declaration ("<?xml ... encoding="GB2312"?>"), or 0. Wine's MSXML refuses such files
// although Windows reads them; Kestrel decodes them itself.
UINT DeclaredChineseCodePage(std::string_view bytes) {
    if (bytes.rfind("<?xml", 0) != 0) {
        return 0;
    }
    const std::size_t end = bytes.find("?>");
    if (end == std::string_view::npos) {
        return 0;
    }
    std::string declaration(bytes.substr(0, end));
    for (char& c : declaration) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    const std::size_t key = declaration.find("encoding");
    if (key == std::string::npos) {
        return 0;
    }
    const std::size_t open = declaration.find_first_of("\"'", key);
    if (open == std::string::npos) {
        return 0;
    }
    const std::size_t close = declaration.find(declaration[open], open + 1);
    if (close == std::string::npos) {
        return 0;
    }
    const std::string name = declaration.substr(open + 1, close - open - 1);
    if (name == "gb2312" || name == "gbk" || name == "cp936" || name == "windows-936" || name == "x-gbk") {
        return 936;
    }
    if (name == "gb18030") {
        return 54936;
    }
    return 0;
}

// The document decoded from code page `codePage`, without its declaration (which would name an
// encoding that a string no longer has).
bool LoadDecoded(IXMLDOMDocument* document, std::string_view bytes, UINT codePage) {
    const int length = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(),
                                             static_cast<int>(bytes.size()), nullptr, 0);
    if (length <= 0) {
        return false;
    }
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()),
                          text.data(), length);
    const std::size_t end = text.find(L"?>");
    if (end == std::wstring::npos) {
        return false;
    }
    text.erase(0, end + 2);
    const Bstr xml(text.data(), static_cast<UINT>(text.size()));
    if (xml.get() == nullptr) {
        return false;
    }
    VARIANT_BOOL loaded = VARIANT_FALSE;
    return SUCCEEDED(document->loadXML(xml.get(), &loaded)) && loaded == VARIANT_TRUE;
}

// Parses `bytes` as a file: the byte-order mark or declaration decides the encoding.
HRESULT LoadBytes(IXMLDOMDocument* document, std::string_view bytes, bool& loaded) {
    loaded = false;
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (memory == nullptr) {
        return E_OUTOFMEMORY;
    }
    void* target = ::GlobalLock(memory);
    if (target == nullptr) {
        ::GlobalFree(memory);
        return E_OUTOFMEMORY;
    }
    std::memcpy(target, bytes.data(), bytes.size());
    ::GlobalUnlock(memory);
    ComPtr<IStream> stream;
    const HRESULT created = ::CreateStreamOnHGlobal(memory, TRUE, stream.put());
    if (FAILED(created)) {
        ::GlobalFree(memory);
        return created;
    }
    ULARGE_INTEGER size{};
    size.QuadPart = bytes.size();
    stream->SetSize(size);
    Variant source;
    source.get().vt = VT_UNKNOWN;
    source.get().punkVal = stream.get();
    stream->AddRef(); // now also owned by `source`
    VARIANT_BOOL success = VARIANT_FALSE;
    const HRESULT hr = document->load(source.get(), &success);
    loaded = SUCCEEDED(hr) && success == VARIANT_TRUE;
    return hr == E_OUTOFMEMORY ? hr : S_OK;
}

class MsxmlBackend final : public XmlBackend {
protected:
    XmlParseResult ParseDocument(std::string_view bytes) override {
        XmlParseResult result;
        try {
            result.status = ParseBytes(bytes, result.root);
            if (result.status != XmlParseStatus::Parsed) {
                result.root = {};
            }
        } catch (...) {
            result.root = {};
            result.status = XmlParseStatus::Failed;
        }
        return result;
    }

private:
    static XmlParseStatus ParseBytes(std::string_view bytes, XmlElement& root) {
        const ComApartment apartment;
        if (!apartment.usable()) {
            return XmlParseStatus::Failed;
        }
        CLSID clsid{};
        if (FAILED(::CLSIDFromProgID(L"Msxml2.DOMDocument", &clsid))) {
            return XmlParseStatus::Failed;
        }
        ComPtr<IXMLDOMDocument> document;
        if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                      reinterpret_cast<void**>(document.put())))) {
            return XmlParseStatus::Failed;
        }
        document->put_async(VARIANT_FALSE);
        document->put_validateOnParse(VARIANT_FALSE);
        // Never fetch DTDs or external entities named by a file, and refuse a document type altogether:
        // its internal entities could expand a few bytes into gigabytes. (Wine's MSXML ignores the
        // property; XmlBackend::Parse has turned such documents away already.)
        document->put_resolveExternals(VARIANT_FALSE);
        ComPtr<IXMLDOMDocument2> settings;
        if (SUCCEEDED(
                document->QueryInterface(kIID_IXMLDOMDocument2, reinterpret_cast<void**>(settings.put())))) {
            Variant prohibit;
            prohibit.get().vt = VT_BOOL;
            prohibit.get().boolVal = VARIANT_TRUE;
            Bstr name(L"ProhibitDTD", 11);
            settings->setProperty(name.get(), prohibit.get());
        }
        // Without this, text loses its leading and trailing spaces (a custom repeat rule ends with one).
        document->put_preserveWhiteSpace(VARIANT_TRUE);

        bool loaded = false;
        if (FAILED(LoadBytes(document.get(), bytes, loaded))) {
            return XmlParseStatus::Failed;
        }
        if (!loaded) {
            const UINT codePage = DeclaredChineseCodePage(bytes);
            if (codePage == 0 || !LoadDecoded(document.get(), bytes, codePage)) {
                return XmlParseStatus::NoDocument;
            }
        }
        ComPtr<IXMLDOMElement> element;
        if (FAILED(document->get_documentElement(element.put())) || !element) {
            return XmlParseStatus::NoDocument;
        }
        return CopyElement(element.get(), 1, root);
    }
};

} // namespace

std::unique_ptr<XmlBackend> CreateXmlBackend() {
    return std::make_unique<MsxmlBackend>();
}

} // namespace kestrel
