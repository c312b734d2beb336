// Starts the program of a run plan, exactly as the launch decision names it.
#pragma once

#include "platform/launch_decision.h"

#include <windows.h>

#include <string>

namespace kestrel::win {

struct LaunchResult {
    bool started = false;
    DWORD error = ERROR_SUCCESS; // GetLastError when not started; ERROR_FILE_NOT_FOUND when refused
    LaunchRefusal refusal = LaunchRefusal::None; // why the text names nothing that can start
};

// Decides what `planText` names (launch_decision.h) with the real file system and environment, then
// starts it: a program through CreateProcessW with its path as the application name, any other file
// through ShellExecuteExW, both in the file's own folder; a web address through the shell. A hidden start
// gives the program no window to show; otherwise its window comes up normally and activated.
// It may take as long as the system does (an offline share, a security warning), so it runs on the
// starter's worker, and it needs COM on the calling thread for the shell.
LaunchResult StartPlanProgram(const std::wstring& planText, bool hidden);

// Whether `planText` names something StartPlanProgram can start: a web address or a full path to an
// existing file. Asks the file system, so it may be slow on a network share.
bool NamesStartableProgram(const std::wstring& planText);

// The system's wording for `error`, without the trailing line break; empty when it has none.
std::wstring SystemErrorText(DWORD error);

} // namespace kestrel::win
