// Message texts that are put together at run time.
#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// `message` with `value` in place of the first `placeholder` ("{path}", "{reason}"). A value that itself
// holds a placeholder is not expanded again.
std::wstring FillIn(std::wstring_view message, std::wstring_view placeholder, std::wstring_view value);

// The plan-file save failure message with the file's full path in place of "{path}".
std::wstring PlanFileSaveErrorText(std::wstring_view path);

} // namespace kestrel
