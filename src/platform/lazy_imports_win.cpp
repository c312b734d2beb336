// The binder behind Kestrel.exe's lazily bound system functions (the stubs come from
// scripts/lazy_imports.sh at build time). DLLs the first sight of the main window does not need
// (GDI+ and COM for the tab art and the plan file, the shell for the tray) are loaded when first called,
// not before the program's first line runs.
#include <windows.h>

// Called by a stub with the DLL's file name, the import slot to fill and the function's name; returns the
// function, which the stub then jumps to with the caller's arguments untouched.
extern "C" void* __stdcall KestrelBindImport(const char* dll, void** slot, const char* name) {
    // System DLLs come from the system folder only, never from the program's or the current folder.
    HMODULE module = ::LoadLibraryExA(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr && ::GetLastError() == ERROR_INVALID_PARAMETER) {
        module = ::LoadLibraryA(dll); // a system without that search flag
    }
    FARPROC function = module != nullptr ? ::GetProcAddress(module, name) : nullptr;
    if (function == nullptr) {
        // What Windows does when an import cannot be bound at start-up: the program cannot go on.
        ::FatalAppExitA(0, name);
    }
    ::InterlockedExchangePointer(slot, reinterpret_cast<void*>(function));
    return reinterpret_cast<void*>(function);
}
