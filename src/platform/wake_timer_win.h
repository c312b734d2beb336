// The system's wake timer: one waitable timer that may resume the computer, and the execution state of
// the window thread. Also the tray item's setting, HKCU\Software\Kestrel\WakeForPlans (REG_DWORD 1 or 0).
#pragma once

#include "platform/handles_win.h"
#include "platform/wake_timer.h"

namespace kestrel::win {

class SystemWakeTimer final : public WakeTimer {
public:
    // Closing the timer cancels it; the execution state is the thread's and is let go at the end too.
    ~SystemWakeTimer() override;
    // Refused when SetWaitableTimer fails, or succeeds with ERROR_NOT_SUPPORTED as its last error (the
    // timer stands but cannot resume this computer). Any other last error after success is left over
    // from earlier calls (Wine, which never sleeps, leaves 722) and no refusal.
    WakeTimerResult Set(const LocalDateTime& due) override;
    void Cancel() override;
    // Must be called on one thread only: the request belongs to the thread that makes it.
    void KeepSystemAwake(bool on) override;

private:
    UniqueKernelHandle timer_;
    bool awake_ = false;
};

inline constexpr wchar_t kWakeForPlansValue[] = L"WakeForPlans";
// Off unless the value is a REG_DWORD 1.
bool ReadWakeForPlans();
void WriteWakeForPlans(bool on);

} // namespace kestrel::win
