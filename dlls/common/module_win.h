// The helper library's own module, for its resources and for threads that must keep it loaded.
#pragma once

#include <windows.h>

namespace kestrel::win {

// This DLL's module handle, without taking a reference.
inline HMODULE ThisModule() {
    HMODULE self = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&ThisModule), &self);
    return self;
}

// A reference on this DLL for a thread that may outlive the call that started it: the thread lets go
// with FreeLibraryAndExitThread, so the code it runs is never unloaded under it.
inline HMODULE HoldThisModule() {
    HMODULE reference = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&ThisModule),
                         &reference);
    return reference;
}

} // namespace kestrel::win
