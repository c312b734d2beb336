// The text of the auto-start entry: the running executable's full path in double quotes, a blank and the
// argument "mini", so that a start at log-on goes straight to the notification area.
#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// The entry's data for the executable at `executablePath` (a full path as GetModuleFileNameW gives it),
// e.g. "\"C:\\Program Files\\Kestrel\\Kestrel.exe\" mini". The file name is kept exactly as it is on
// disk, and the folder is joined to it with one backslash, also in the root of a drive ("C:\\Kestrel.exe",
// never "C:\\\\Kestrel.exe"). Empty when the path holds no folder or no file name: there is then nothing
// that could be started at log-on.
std::wstring AutoStartData(std::wstring_view executablePath);

} // namespace kestrel
