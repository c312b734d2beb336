// The next plan that will fire, from the list, the repeat rules and the current time: shown in the tray
// tip under "Kestrel" and on the main window's next-plan line, as "下一个计划：今天 23:00 关闭计算机".
#pragma once

#include "plans/plan_row.h"
#include "platform/clock.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

struct NextPlan {
    std::size_t index = 0;   // 1-based row
    std::int64_t minute = 0; // local minute number it fires at
};

// The enabled plan that fires first after the current minute (within the coming week); the first in the
// list among those of the same minute. Disabled plans and plans that can never fire are skipped.
std::optional<NextPlan> FindNextPlan(const std::vector<PlanRow>& rows, const LocalDateTime& now);

// "下一个计划：" + day + time + what: "今天 23:00 关闭计算机", "明天 07:30 定时提醒：喝水",
// "12月12日 08:00 定时运行：backup.exe". The reminder's text is shortened with "…" so that the line holds
// at most `maxLength` characters, `mark` included: it ends the line whole ("（到时唤醒）"). Empty when no
// plan is to come.
std::wstring NextPlanLine(const std::vector<PlanRow>& rows, const LocalDateTime& now, std::size_t maxLength,
                          std::wstring_view mark = {});

// The tray tip: "Kestrel" alone, or "Kestrel", a line break and the next-plan line; never more than the
// 127 characters a tip holds.
inline constexpr std::size_t kTrayTipLength = 127;
std::wstring TrayTipText(const std::vector<PlanRow>& rows, const LocalDateTime& now,
                         std::wstring_view mark = {});

// The file name of a run plan's program: the last part of its path, without quotes or its arguments.
std::wstring ProgramFileName(const std::wstring& program);

} // namespace kestrel
