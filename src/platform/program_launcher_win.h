// Starts the program of a run plan.
#pragma once

#include <windows.h>

#include <string>

namespace kestrel::win {

struct LaunchResult {
    bool started = false;
    DWORD error = ERROR_SUCCESS; // GetLastError when not started
};

class ProgramLauncher {
public:
    virtual ~ProgramLauncher() = default;
    // An existing file is started as that file (however many blanks its path holds), in its own folder;
    // any other text is a command line, as a user would type it in the Run box. A hidden start gives the
    // program no window to show; otherwise its window comes up normally and activated.
    virtual LaunchResult Start(const std::wstring& program, bool hidden) = 0;
};

ProgramLauncher& SystemLauncher();

// The system's wording for `error`, without the trailing line break; empty when it has none.
std::wstring SystemErrorText(DWORD error);

} // namespace kestrel::win
