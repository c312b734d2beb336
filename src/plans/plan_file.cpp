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

std::filesystem::path PlanFilePath(const std::filesystem::path& exeFolder) {
    return exeFolder / text::kPlanFileName;
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

PlanFileLoadResult LoadPlanFile(const std::filesystem::path& file, XmlBackend& xml,
                                PlanList& plans) noexcept {
    // A save killed between writing and renaming leaves its temporary behind; the file itself is whole.
    RemoveStaleTemporary(file);

    std::vector<PlanRow> rows;
    bool failed = false;
    try {
        XmlParseResult parsed = xml.Parse(file);
        if (parsed.status == XmlParseStatus::NoDocument) {
            // No document: either there is nothing to read, or what is there is not XML.
            std::error_code error;
            const auto size = std::filesystem::file_size(file, error);
            return !error && size > 0 ? PlanFileLoadResult::Unusable : PlanFileLoadResult::Nothing;
        }
        if (parsed.status == XmlParseStatus::Failed) {
            return PlanFileLoadResult::Failed;
        }
        XmlElement& root = parsed.root;
        if (root.name != text::kFileRoot) {
            return PlanFileLoadResult::Unusable;
        }
        const auto first =
            std::find_if(root.children.begin(), root.children.end(),
                         [](const XmlElement& child) { return child.name == text::kFileNode; });
        if (first == root.children.end()) {
            // An empty list is the root alone; anything else in it (a misspelt node name, plans wrapped
            // in another element) is someone's plans that this program cannot read.
            const bool onlyBlanks = root.text.find_first_not_of(L" \t\r\n") == std::wstring::npos;
            return root.children.empty() && onlyBlanks ? PlanFileLoadResult::Nothing
                                                       : PlanFileLoadResult::Unusable;
        }
        // Every following sibling becomes a row, whatever its name; elements before the first plan node
        // do not.
        rows.reserve(static_cast<std::size_t>(root.children.end() - first));
        for (auto node = first; node != root.children.end(); ++node) {
            rows.push_back(TakePlanNode(*node));
        }
    } catch (...) {
        failed = true; // out of memory: keep what was read
    }
    try {
        plans.AppendAll(std::move(rows));
    } catch (...) {
        failed = true;
    }
    return failed ? PlanFileLoadResult::Failed : PlanFileLoadResult::Loaded;
}

std::filesystem::path PlanFileCopyPath(const std::filesystem::path& file) {
    std::filesystem::path copy = file;
    copy += L".bak";
    return copy;
}

bool KeepCopyOfPlanFile(const std::filesystem::path& file) noexcept {
    try {
        std::string bytes;
        return ReadFileBytes(file, bytes) == FileReadStatus::Read &&
               WriteFileAtomically(PlanFileCopyPath(file), bytes);
    } catch (...) {
        return false;
    }
}

bool SavePlanFile(const std::filesystem::path& file, const PlanList& plans) noexcept {
    try {
        XmlElement root;
        root.name = text::kFileRoot;
        root.children.reserve(plans.Count());
        for (const PlanRow& row : plans.Rows()) {
            XmlElement& node = root.children.emplace_back();
            node.name = text::kFileNode;
            node.children.reserve(kPlanColumnCount);
            for (std::size_t column = 0; column < kPlanColumnCount; ++column) {
                AppendChildText(node, PlanColumnName(static_cast<PlanColumn>(column)), row.cells[column]);
            }
        }
        return WriteFileAtomically(file, SerializeXml(root));
    } catch (...) {
        return false;
    }
}

} // namespace kestrel
