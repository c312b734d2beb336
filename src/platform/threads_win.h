// A lock and a thread over the Win32 calls themselves: std::mutex and std::thread bring MinGW's POSIX
// threads library into Kestrel.exe, for what SRWLOCK and _beginthreadex do.
#pragma once

#include "platform/handles_win.h"

#include <windows.h>
#include <process.h>

#include <cstdint>
#include <functional>
#include <new>
#include <memory>

namespace kestrel::win {

// For std::lock_guard: exclusive, not recursive.
class SlimLock {
public:
    SlimLock() = default;
    SlimLock(const SlimLock&) = delete;
    SlimLock& operator=(const SlimLock&) = delete;
    void lock() { ::AcquireSRWLockExclusive(&lock_); }
    void unlock() { ::ReleaseSRWLockExclusive(&lock_); }

private:
    SRWLOCK lock_ = SRWLOCK_INIT;
};

// The thread procedure of StartThread: runs the job it is handed, then frees it.
inline unsigned __stdcall RunThreadJob(void* argument) {
    const std::unique_ptr<std::function<void()>> owned(static_cast<std::function<void()>*>(argument));
    (*owned)();
    return 0;
}

// Runs `work` on a new thread and returns the thread's handle, to wait for it or to close; empty when no
// thread could be had (then `work` never runs). Nothing may escape `work`: it runs where nobody catches.
inline UniqueKernelHandle StartThread(std::function<void()> work) {
    auto* job = new (std::nothrow) std::function<void()>(std::move(work));
    if (!job) {
        return UniqueKernelHandle();
    }
    const std::uintptr_t thread = ::_beginthreadex(nullptr, 0, &RunThreadJob, job, 0, nullptr);
    if (thread == 0) {
        delete job;
        return UniqueKernelHandle();
    }
    return UniqueKernelHandle(reinterpret_cast<HANDLE>(thread));
}

} // namespace kestrel::win
