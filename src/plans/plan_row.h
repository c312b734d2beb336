// One plan: six text cells in the order of the plan list's columns and of the plan file's elements.
// There is no other plan structure; the scheduler reads these texts as they are.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace kestrel {

enum class PlanColumn : std::size_t {
    Kind = 0,      // 计划名称: 关机操作 / 定时提醒 / 定时运行
    Time = 1,      // 操作时间: "HH:MM"
    Operation = 2, // 操作类型
    Status = 3,    // 状态: 启用 / 禁用
    Repeat = 4,    // 重复
    Info = 5,      // 附加信息
};

inline constexpr std::size_t kPlanColumnCount = 6;

struct PlanRow {
    std::array<std::wstring, kPlanColumnCount> cells;

    const std::wstring& operator[](PlanColumn column) const {
        return cells[static_cast<std::size_t>(column)];
    }
    std::wstring& operator[](PlanColumn column) { return cells[static_cast<std::size_t>(column)]; }

    friend bool operator==(const PlanRow&, const PlanRow&) = default;
};

inline PlanRow MakePlanRow(std::wstring kind, std::wstring time, std::wstring operation, std::wstring status,
                           std::wstring repeat, std::wstring info) {
    return PlanRow{{std::move(kind), std::move(time), std::move(operation), std::move(status),
                    std::move(repeat), std::move(info)}};
}

// The plan file's element name (and list view caption) of each column, in column order.
const wchar_t* PlanColumnName(PlanColumn column);

} // namespace kestrel
