// 方法_计划列表_XML操作: the plan file Values.xml, a plain mirror of the plan list. The root 计划列表 holds
// one 计划节点 per row, in row order, each with the six cells as child elements in column order.
#pragma once

#include "plans/plan_list.h"
#include "platform/xml_tree.h"

#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

enum class PlanFileLoadResult {
    Loaded,  // at least one plan node was read
    Nothing, // missing or empty file, or an empty plan list root: the list stays empty, silently
    // The file holds something that is not a plan list (malformed, cut short, another root element, a
    // root with content but no 计划节点): the list stays empty, silently, and the caller keeps a copy
    // before the next save replaces the file (PlanStore), so plans in a damaged or hand-edited file can
    // still be recovered.
    Unusable,
    Failed, // anything else (the file cannot be read, the XML component fails): nothing is appended
};

// The plan file's path: Values.xml in the executable's folder.
std::wstring PlanFilePath(std::wstring_view exeFolder);

struct PlanDocument {
    PlanFileLoadResult result = PlanFileLoadResult::Nothing;
    std::vector<PlanRow> rows; // in file order; empty unless result is Loaded
};

// The plans held by the plan file's bytes, `bytes` being the whole file as read (empty for a missing
// file). A missing element gives the cell text::kMissingCell. Never throws.
PlanDocument ReadPlanDocument(std::string_view bytes, XmlBackend& xml) noexcept;

// Appends every plan node of `file` to `plans` with a single change notification. A file that exists
// but cannot be read is Failed. Never throws.
PlanFileLoadResult LoadPlanFile(const std::wstring& file, XmlBackend& xml, PlanList& plans) noexcept;

// The plan file's bytes for `rows`.
std::string PlanFileBytes(const std::vector<PlanRow>& rows);

// Writes every row of `plans` over `file` atomically: whatever happens, the file holds either the old or
// the new list. False when it could not be written (the old file is then left as it was). Never throws.
bool SavePlanFile(const std::wstring& file, const PlanList& plans) noexcept;

// Appends to `node` a child element `name` holding `text`.
void AppendChildText(XmlElement& node, std::wstring_view name, std::wstring_view text);

// The text of the first element named `name` anywhere below `node` (document order, `node` itself
// excluded), or `fallback` when there is none.
std::wstring GetChildText(const XmlElement& node, std::wstring_view name, std::wstring_view fallback);

} // namespace kestrel
