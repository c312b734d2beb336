// The command-line rule: the arguments exactly "mini" (lower case, nothing else) start Kestrel hidden in
// the notification area, as the auto-start entry does at log-on.
#pragma once

#include <string_view>

namespace kestrel {

// The argument text of a whole command line: what follows the program name (quoted or not) and the
// blanks after it.
std::wstring_view ArgumentsOf(std::wstring_view commandLine);

bool StartsHidden(std::wstring_view arguments);

} // namespace kestrel
