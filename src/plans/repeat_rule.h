// Whether a plan's repeat rule (column 4) lets it fire today.
#pragma once

#include "platform/clock.h"

#include <string_view>

namespace kestrel {

// `weekday` counts Sunday first: 1 = Sunday, 2 = Monday, ..., 7 = Saturday.
bool RepeatMatchesWeekday(std::wstring_view repeat, int weekday);
bool RepeatMatchesToday(std::wstring_view repeat, const Clock& clock);

} // namespace kestrel
