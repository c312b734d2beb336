// The binder behind Kestrel.exe's lazily bound system functions (the stubs come from
// scripts/lazy_imports.sh at build time). DLLs the first sight of the main window does not need
// (GDI+ and COM for the tab art and the plan file, the shell for the tray) are loaded when first called,
// not before the program's first line runs. So is every system DLL that is not one of Windows' Known
// DLLs (uxtheme, winmm): named in the import table, Windows would look for it in the program's folder
// first, and a copy planted beside a downloaded Kestrel.exe would run before wWinMain.
#include <windows.h>

#include <cstring>
#include <iterator>

namespace {

// Only from the system folder: by the search flag, or by full path on a system that lacks the flag.
HMODULE LoadSystemLibrary(const char* dll) {
    HMODULE module = ::LoadLibraryExA(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || ::GetLastError() != ERROR_INVALID_PARAMETER) {
        return module;
    }
    wchar_t path[MAX_PATH + 64];
    const UINT folderLength = ::GetSystemDirectoryW(path, MAX_PATH);
    const std::size_t nameLength = std::strlen(dll);
    if (folderLength == 0 || folderLength >= MAX_PATH || folderLength + 1 + nameLength >= std::size(path)) {
        return nullptr;
    }
    wchar_t* end = path + folderLength;
    *end++ = L'\\';
    for (std::size_t i = 0; i <= nameLength; ++i) {
        *end++ = static_cast<wchar_t>(static_cast<unsigned char>(dll[i])); // the names are ASCII
    }
    // The DLL's own dependencies are then looked for in the system folder first, too.
    return ::LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace

// Called by a stub with the DLL's file name, the import slot to fill and the function's name; returns the
// function, which the stub then jumps to with the caller's arguments untouched.
extern "C" void* __stdcall KestrelBindImport(const char* dll, void** slot, const char* name) {
    HMODULE module = LoadSystemLibrary(dll);
    FARPROC function = module != nullptr ? ::GetProcAddress(module, name) : nullptr;
    if (function == nullptr) {
        // What Windows does when an import cannot be bound at start-up: the program cannot go on.
        ::FatalAppExitA(0, name);
    }
    ::InterlockedExchangePointer(slot, reinterpret_cast<void*>(function));
    return reinterpret_cast<void*>(function);
}
