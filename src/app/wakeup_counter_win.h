// Bench builds only (KESTREL_COUNT_WAKEUPS): how often the message loop wakes, so that `make bench` can
// show one timer and one wake-up a second.
#pragma once

#include "platform/handles_win.h"

#include <windows.h>

#include <string>

namespace kestrel::win {

// Bench builds only: counts the times the message loop had to wait for a message, from 5 to 65 seconds
// after start, and then writes "<wakes> <milliseconds>" to wakeups.txt beside the plan file.
class WakeupCounter {
public:
    explicit WakeupCounter(std::wstring folder) : folder_(std::move(folder)), start_(::GetTickCount64()) {}
    // Called before each GetMessage: whether it will have to wait (nothing in the queue now).
    void BeforeWait() { waiting_ = HIWORD(::GetQueueStatus(QS_ALLINPUT)) == 0; }
    void AfterWait() {
        const ULONGLONG now = ::GetTickCount64() - start_;
        if (done_ || now < kSettleMs || !waiting_) {
            return;
        }
        ++wakes_;
        if (now >= kSettleMs + kSpanMs) {
            done_ = true;
            const std::string line = std::to_string(wakes_) + " " + std::to_string(now - kSettleMs) + "\n";
            UniqueKernelHandle file(::CreateFileW((folder_ + L"\\wakeups.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                                  CREATE_ALWAYS, 0, nullptr));
            DWORD written = 0;
            if (file.get() != INVALID_HANDLE_VALUE) {
                ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            }
        }
    }

private:
    static constexpr ULONGLONG kSettleMs = 5000;
    static constexpr ULONGLONG kSpanMs = 60000;
    std::wstring folder_;
    ULONGLONG start_;
    unsigned long long wakes_ = 0;
    bool waiting_ = false;
    bool done_ = false;
};

} // namespace kestrel::win
