// Kestrel's entry point: everything from here on is in RunKestrel.
#include "app/application_win.h"
#include "platform/dll_search_win.h"

#include <windows.h>

#include <cstdlib>

// The C++ library's own handler for an uncaught exception prints the exception's demangled type to a
// console this program does not have, and pulls a whole C++ name demangler into the executable to do
// it. Kestrel lets no exception escape its window procedures; should one escape elsewhere, ending at
// once is all that can be done.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    kestrel::win::RestrictDllSearch();
    // The full command line, program name included: ArgumentsOf applies one rule to every way of starting.
    return kestrel::win::RunKestrel(instance, ::GetCommandLineW());
}
