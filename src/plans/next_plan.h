// The next plan that will fire, from the list, the repeat rules and the current time: shown in the tray
// tip under "Kestrel" and on the main window's next-plan line, as "下一个计划：今天 23:00 关闭计算机". The
// tray tip keeps the whole line; the window's line gives way part by part (CutNextPlanLine) and shows the
// whole line as its tooltip.
#pragma once

#include "plans/plan_row.h"
#include "platform/clock.h"

#include <cstddef>
#include <cstdint>
#include <functional>
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
// list among those of the same minute, except that while the parent's lock is set (`strongestWins`) a
// stronger power plan of that minute takes a power plan's place, since it is the one counted down.
// Disabled plans and plans that can never fire are skipped.
std::optional<NextPlan> FindNextPlan(const std::vector<PlanRow>& rows, const LocalDateTime& now,
                                     bool strongestWins = false);

// The next-plan line in parts, in the order it reads: "下一个计划：", the day, the time, the kind of a
// reminder or run plan, what is never cut, the text that may be cut, and a mark. All empty when no plan
// is to come.
struct NextPlanText {
    std::wstring head;     // "下一个计划："
    std::wstring day;      // "今天", "明天", "12月12日"
    std::wstring shortDay; // the day's short form: "今天", "明天", a weekday within the coming week ("周四"),
                           // a later date as "12/24"
    std::wstring time;     // "23:00"
    std::wstring kind;     // "定时提醒：", "定时运行："; empty for a power plan
    std::wstring fixed;    // never cut: a power plan's operation, "禁止使用时段", a line of its own
                           // ("禁止使用时段中，至 07:00")
    std::wstring text;     // a reminder's text, a program's file name, a quiet window's operation
    // Ends the line whole, whatever is cut before it ("（到时唤醒）"); set by the caller.
    std::wstring mark;

    bool Empty() const { return fixed.empty() && text.empty(); }
    // The line as it reads whole, the long day and the kind included.
    std::wstring Whole() const;
    bool operator==(const NextPlanText&) const = default;
};
NextPlanText NextPlanParts(const std::vector<PlanRow>& rows, const LocalDateTime& now,
                           bool strongestWins = false);

// The line in a room too small for the whole of it (the main window's label): what gives way, in this
// order, until `fits` accepts the line: "下一个计划："; the day's long form for its short one; the kind;
// then the text is cut, as much of it as fits and "…". The time, what is never cut and the mark always
// stay. `fits` must accept every shorter line when it accepts a longer one.
std::wstring CutNextPlanLine(const NextPlanText& line, const std::function<bool(const std::wstring&)>& fits);

// The whole line as it reads when it fits: "今天 23:00 关闭计算机", "明天 07:30 定时提醒：喝水",
// "12月12日 08:00 定时运行：backup.exe" after "下一个计划："; for a count of characters (the tray tip),
// where only the plan's text (never the kind) is shortened so that the line holds at most `maxLength`
// characters. Empty when no plan is to come.
std::wstring NextPlanLine(const std::vector<PlanRow>& rows, const LocalDateTime& now, std::size_t maxLength,
                          bool strongestWins = false);
// The same for parts already worked out; their `mark` ends the line whole.
std::wstring FitNextPlanText(const NextPlanText& line, std::size_t maxLength);

// The tray tip: "Kestrel" alone, or "Kestrel", a line break and the next-plan line; never more than the
// 127 characters a tip holds.
inline constexpr std::size_t kTrayTipLength = 127;
std::wstring TrayTipText(const std::vector<PlanRow>& rows, const LocalDateTime& now,
                         bool strongestWins = false);
// The tip for parts already worked out (a quiet-hours window, a wake mark).
std::wstring TrayTipFor(const NextPlanText& line);

// The file name of a run plan's program: the last part of its path, without quotes or its arguments.
std::wstring ProgramFileName(const std::wstring& program);

} // namespace kestrel
