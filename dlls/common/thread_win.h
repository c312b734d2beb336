// Threads of the helper libraries, made with the access list of the thread that asks for them: under the
// parent's lock Kestrel's threads carry a list that keeps the user from suspending them or reading their
// context (src/platform/process_access_win.h), and a thread a library makes for Kestrel carries the same.
#pragma once

#include <windows.h>

#include <aclapi.h>

namespace kestrel::win {

// CreateThread, the new thread starting only once it carries the calling thread's access list. When that
// list cannot be read or given, the thread runs with the list Windows gave it.
inline HANDLE CreateThreadLikeCaller(LPTHREAD_START_ROUTINE start, void* parameter) {
    HANDLE thread = ::CreateThread(nullptr, 0, start, parameter, CREATE_SUSPENDED, nullptr);
    if (!thread) {
        return nullptr;
    }
    ACL* list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(::GetCurrentThread(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                          &list, nullptr, &descriptor) == ERROR_SUCCESS) {
        ::SetSecurityInfo(thread, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, list, nullptr);
        ::LocalFree(descriptor);
    }
    ::ResumeThread(thread);
    return thread;
}

} // namespace kestrel::win
