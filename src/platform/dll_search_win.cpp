// Where DLLs that the program loads by name may come from; see dll_search_win.h.
#include "platform/dll_search_win.h"

#include <windows.h>

namespace kestrel::win {

void RestrictDllSearch() {
    // Looked up rather than imported: Windows 7 without its 2011 loader update lacks it, and an import it
    // cannot bind stops the program before its first line.
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    // The system folder alone: Kestrel loads its own helper DLLs by full path, and a downloads folder
    // beside a portable Kestrel.exe may hold anything that a system component asks for by name.
    if (setDefault != nullptr && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        return;
    }
    ::SetDllDirectoryW(L"");
}

} // namespace kestrel::win
