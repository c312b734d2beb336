// Starts the program of a run plan, exactly as the launch decision names it.
#pragma once

#include "platform/launch_decision.h"

#include <windows.h>

#include <functional>
#include <string>

// What CreateProcessW says of a program whose manifest asks for administrator rights; older headers lack it.
#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740L
#endif

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
// With `process`, a start that succeeds leaves the started process's handle there for the caller to
// close, or null when the shell handed the file to a program already running and gave none.
LaunchResult StartPlanProgram(const std::wstring& planText, bool hidden, HANDLE* process = nullptr);

// One way to start what a decision names, with the window state `show` (SW_HIDE or SW_SHOWNORMAL).
using StartWay = std::function<LaunchResult(const LaunchDecision& decision, int show)>;
// What StartPlanProgram does once the text is decided, with the two ways given (the real ones call
// CreateProcessW and ShellExecuteExW): a program goes to `program`, and to `shell` when Windows refuses
// it only because it asks for administrator rights, so that the user is asked as before; any other file
// and a web address go to `shell`.
LaunchResult StartDecided(const LaunchDecision& decision, bool hidden, const StartWay& program,
                          const StartWay& shell);

// Whether `planText` names something StartPlanProgram can start: a web address or a full path to an
// existing file. Asks the file system, so it may be slow on a network share.
bool NamesStartableProgram(const std::wstring& planText);

// The system's wording for `error`, without the trailing line break; empty when it has none.
std::wstring SystemErrorText(DWORD error);
// The same, or the error's number when the system has no words for it: for a reason in a message.
std::wstring ReasonText(DWORD error);

} // namespace kestrel::win
