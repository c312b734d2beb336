// Message texts that are put together at run time.
#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// The plan-file save failure message with the file's full path in place of "{path}".
std::wstring PlanFileSaveErrorText(std::wstring_view path);

} // namespace kestrel
