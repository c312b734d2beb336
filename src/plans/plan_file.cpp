// The plan file reader and writer; see plan_file.h.
#include "plans/plan_file.h"

#include "base/texts.h"
#include "platform/file_bytes.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace kestrel {

namespace {

template <typename Element> // XmlElement or const XmlElement
Element* FindDescendant(Element& node, std::wstring_view name) {
    for (Element& child : node.children) {
        if (child.name == name) {
            return &child;
        }
        if (Element* found = FindDescendant(child, name)) {
            return found;
        }
    }
    return nullptr;
}

// Like GetChildText, but moves the text out of the parsed tree, which is thrown away afterwards. Each
// column has its own element name, so no element is read twice.
PlanRow TakePlanNode(XmlElement& node) {
    PlanRow row;
    for (std::size_t column = 0; column < kPlanColumnCount; ++column) {
        XmlElement* found = FindDescendant(node, PlanColumnName(static_cast<PlanColumn>(column)));
        row.cells[column] = found != nullptr ? std::move(found->text) : std::wstring(text::kMissingCell);
    }
    return row;
}

} // namespace

std::wstring PlanFilePath(std::wstring_view exeFolder) {
    return JoinPath(exeFolder, text::kPlanFileName);
}

void AppendChildText(XmlElement& node, std::wstring_view name, std::wstring_view text) {
    XmlElement& child = node.children.emplace_back();
    child.name = name;
    child.text = text;
}

std::wstring GetChildText(const XmlElement& node, std::wstring_view name, std::wstring_view fallback) {
    const XmlElement* found = FindDescendant(node, name);
    return std::wstring(found != nullptr ? std::wstring_view(found->text) : fallback);
}

PlanDocument ReadPlanDocument(std::string_view bytes, XmlBackend& xml) noexcept {
    PlanDocument document;
    try {
        XmlParseResult parsed = xml.Parse(bytes);
        if (parsed.status == XmlParseStatus::NoDocument) {
            // No document: either there is nothing to read, or what is there is not XML.
            document.result = bytes.empty() ? PlanFileLoadResult::Nothing : PlanFileLoadResult::Unusable;
            return document;
        }
        if (parsed.status == XmlParseStatus::Failed) {
            document.result = PlanFileLoadResult::Failed;
            return document;
        }
        XmlElement& root = parsed.root;
        if (root.name != text::kFileRoot) {
            document.result = PlanFileLoadResult::Unusable;
            return document;
        }
        const auto first =
            std::find_if(root.children.begin(), root.children.end(),
                         [](const XmlElement& child) { return child.name == text::kFileNode; });
        if (first == root.children.end()) {
            // An empty list is the root alone; anything else in it (a misspelt node name, plans wrapped
            // in another element) is someone's plans that this program cannot read.
            const bool onlyBlanks = root.text.find_first_not_of(L" \t\r\n") == std::wstring::npos;
            document.result = root.children.empty() && onlyBlanks ? PlanFileLoadResult::Nothing
                                                                  : PlanFileLoadResult::Unusable;
            return document;
        }
        // Every following sibling becomes a row, whatever its name; elements before the first plan node
        // do not.
        document.rows.reserve(static_cast<std::size_t>(root.children.end() - first));
        for (auto node = first; node != root.children.end(); ++node) {
            document.rows.push_back(TakePlanNode(*node));
        }
        document.result = PlanFileLoadResult::Loaded;
    } catch (...) {
        // Out of memory: nothing is taken from a document that could not be read whole.
        document.rows.clear();
        document.result = PlanFileLoadResult::Failed;
    }
    return document;
}

PlanFileLoadResult LoadPlanFile(const std::wstring& file, XmlBackend& xml, PlanList& plans) noexcept {
    try {
        // A save killed between writing and renaming leaves its temporary behind; the file itself is whole.
        RemoveStaleTemporary(file);
        std::string bytes;
        switch (ReadFileBytes(file, bytes)) {
        case FileReadStatus::Read:
            break;
        case FileReadStatus::NotFound:
            return PlanFileLoadResult::Nothing;
        case FileReadStatus::Failed:
        case FileReadStatus::TooLarge:
            return PlanFileLoadResult::Failed;
        }
        PlanDocument document = ReadPlanDocument(bytes, xml);
        plans.AppendAll(std::move(document.rows));
        return document.result;
    } catch (...) {
        return PlanFileLoadResult::Failed;
    }
}

std::string PlanFileBytes(const std::vector<PlanRow>& rows) {
    XmlElement root;
    root.name = text::kFileRoot;
    root.children.reserve(rows.size());
    for (const PlanRow& row : rows) {
        XmlElement& node = root.children.emplace_back();
        node.name = text::kFileNode;
        node.children.reserve(kPlanColumnCount);
        for (std::size_t column = 0; column < kPlanColumnCount; ++column) {
            AppendChildText(node, PlanColumnName(static_cast<PlanColumn>(column)), row.cells[column]);
        }
    }
    return SerializeXml(root);
}

bool SavePlanFile(const std::wstring& file, const PlanList& plans) noexcept {
    try {
        return WriteFileAtomically(file, PlanFileBytes(plans.Rows()));
    } catch (...) {
        return false;
    }
}

} // namespace kestrel
