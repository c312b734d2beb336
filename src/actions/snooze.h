// "过会再说" on a reminder pop-up: the once-only reminder plan that brings the same message back a few
// minutes later.
#pragma once

#include "platform/clock.h"
#include "plans/plan_row.h"

#include <string>
#include <string_view>

namespace kestrel {

inline constexpr int kSnoozeMinutes = 5;

// The plan row "定时提醒", now + 5 minutes as "HH:MM" (seconds dropped, wrapping past midnight),
// "文字提示", "启用", "执行一次", and the message without its leading and trailing blanks.
PlanRow SnoozedReminder(const LocalDateTime& now, std::wstring_view message);

// `text` without leading and trailing ASCII blanks (space, tab, carriage return, line feed). Other
// spaces, such as the full-width space U+3000 that Chinese text uses on purpose, are part of the text.
std::wstring TrimAsciiBlanks(std::wstring_view text);

} // namespace kestrel
