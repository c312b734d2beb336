// The rules the three plan editors share: reading the time field, the repeat controls, and building the
// plan row from what the user entered. No window here: the editor page reads its controls into
// PlanEntries, asks the yes/no question through a callback and shows the message this returns.
#pragma once

#include "plans/plan_row.h"
#include "platform/clock.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

enum class EditorKind { Shutdown, Reminder, Run };

inline constexpr int kWeekdayCount = 7; // Monday = 0 .. Sunday = 6
inline constexpr int kRepeatTypeCount =
    6; // 每天, 工作日（5天）, 工作日（6天）, 周末（1天）, 周末（2天）, 自定义
inline constexpr int kRepeatTypeCustom = 5;

using Weekdays = std::array<bool, kWeekdayCount>;

// What an editor page holds when the user presses "添加到计划列表".
struct PlanEntries {
    std::wstring time;      // the time field's "HH:MM", blanks where nothing was typed
    bool countdown = false; // 延时操作 rather than 定时操作
    bool repeats = false;   // 计划重复 rather than 执行一次
    int repeatType = kRepeatTypeCustom;
    Weekdays weekdays{};
    std::wstring operation;    // the shutdown editor's operation, as its combo shows it
    bool optionTicked = false; // the reminder's 播放音乐, the run editor's 隐藏运行
    std::wstring text;         // the reminder's message, the run editor's program path
};

// Why nothing is added. Declined needs no message: the user answered No.
enum class PlanRefusal { BadTime, Declined, NoWeekday, NoProgram };

struct PlanRecordResult {
    std::optional<PlanRow> record;
    PlanRefusal refusal = PlanRefusal::Declined; // meaningful only without a record
};

// Hours 0-23 and minutes 0-59 written exactly as "HH:MM"; anything else (blanks included) is no time.
std::optional<int> MinutesOfDay(std::wstring_view text);

// The repeat type's name as its combo shows it (index 0..5).
const wchar_t* RepeatTypeName(int repeatType);
// The ticks a repeat type sets; nullopt for 自定义, which leaves the boxes as they are for the user.
std::optional<Weekdays> RepeatTypeTicks(int repeatType);
// The repeat cell of a repeating plan: the preset's name, or for 自定义 each ticked day's character
// followed by a blank, Monday first.
std::wstring RepeatText(int repeatType, const Weekdays& weekdays);

// Checks the entries in the order the user is told about them and builds the row. `askPastTime` is
// called only when a fixed time lies before the current minute; it returns whether the user meant
// tomorrow.
PlanRecordResult BuildPlanRecord(EditorKind kind, const PlanEntries& entries, const Clock& clock,
                                 const std::function<bool()>& askPastTime);

// In 延时操作 mode, the clock time a plan added now would fire at, as shown beside the time field
// ("→ 04:56"); empty while the field holds no valid time.
std::wstring CountdownTargetText(std::wstring_view field, const LocalDateTime& now);

// The message box text for a refusal (nullptr for Declined), and the confirmation after an add.
const wchar_t* RefusalMessage(PlanRefusal refusal);
const wchar_t* AddedMessage(EditorKind kind);

} // namespace kestrel
