// Where the running program lives: its full path (for the auto-start entry) and its folder (for the plan
// file and the helper libraries shipped beside it).
#pragma once

#include <string>

namespace kestrel::win {

// The full path of the running executable; paths longer than MAX_PATH are handled. Empty on failure.
std::wstring ExecutablePath();

// The folder of the running executable, without a trailing backslash. Empty on failure.
std::wstring ExecutableFolder();

} // namespace kestrel::win
