// Kestrel's entry point: everything from here on is in RunKestrel.
#include "app/application_win.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // The full command line, program name included: ArgumentsOf applies one rule to every way of starting.
    return kestrel::win::RunKestrel(instance, ::GetCommandLineW());
}
