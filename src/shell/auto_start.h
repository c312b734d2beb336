// The text of the auto-start entry: the running executable's full path in double quotes, a blank and the
// argument "mini", so that a start at log-on goes straight to the notification area; and which program
// an entry found in the registry starts.
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

// The program file that the entry `data` starts when it is not `executablePath`; empty when it starts
// this very file, or nothing. The program is the quoted path at the start of the entry, or, unquoted,
// the whole text less a final " mini"; blanks around it do not count, and neither does letter case when
// the two full paths are compared.
std::wstring OtherAutoStartProgram(std::wstring_view data, std::wstring_view executablePath);

} // namespace kestrel
