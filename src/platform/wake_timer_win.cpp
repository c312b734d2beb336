// The system's wake timer; see wake_timer_win.h.
#include "platform/wake_timer_win.h"

#include "platform/last_minute_store_win.h"

#include <windows.h>

namespace kestrel::win {

SystemWakeTimer::~SystemWakeTimer() {
    Cancel();
    KeepSystemAwake(false);
}

WakeTimerResult SystemWakeTimer::Set(const LocalDateTime& due) {
    if (!timer_) {
        timer_.reset(::CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_MANUAL_RESET,
                                              TIMER_MODIFY_STATE | SYNCHRONIZE));
        if (!timer_) {
            return {false, ::GetLastError()};
        }
    }
    // The local time through the time-zone rules of that day, so that a daylight-saving change between
    // now and then does not move the timer by an hour.
    SYSTEMTIME local{};
    local.wYear = static_cast<WORD>(due.year);
    local.wMonth = static_cast<WORD>(due.month);
    local.wDay = static_cast<WORD>(due.day);
    local.wHour = static_cast<WORD>(due.hour);
    local.wMinute = static_cast<WORD>(due.minute);
    local.wSecond = static_cast<WORD>(due.second);
    SYSTEMTIME utc{};
    FILETIME file{};
    if (!::TzSpecificLocalTimeToSystemTime(nullptr, &local, &utc) || !::SystemTimeToFileTime(&utc, &file)) {
        return {false, ::GetLastError()};
    }
    LARGE_INTEGER at{};
    at.LowPart = file.dwLowDateTime;
    at.HighPart = static_cast<LONG>(file.dwHighDateTime);
    ::SetLastError(ERROR_SUCCESS);
    if (!::SetWaitableTimer(timer_.get(), &at, 0, nullptr, nullptr, TRUE)) {
        return {false, ::GetLastError()};
    }
    if (::GetLastError() == ERROR_NOT_SUPPORTED) {
        return {false, ERROR_NOT_SUPPORTED};
    }
    return {true, 0};
}

void SystemWakeTimer::Cancel() {
    if (timer_) {
        ::CancelWaitableTimer(timer_.get());
    }
}

void SystemWakeTimer::KeepSystemAwake(bool on) {
    if (on == awake_) {
        return;
    }
    awake_ = on;
    // Never ES_DISPLAY_REQUIRED: nobody is at the screen after a wake of Kestrel's own.
    ::SetThreadExecutionState(on ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
}

bool ReadWakeForPlans() {
    DWORD value = 0;
    DWORD size = sizeof(value);
    return ::RegGetValueW(HKEY_CURRENT_USER, kKestrelKeyPath, kWakeForPlansValue, RRF_RT_REG_DWORD, nullptr,
                          &value, &size) == ERROR_SUCCESS &&
           value == 1;
}

void WriteWakeForPlans(bool on) {
    const DWORD value = on ? 1 : 0;
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kKestrelKeyPath, kWakeForPlansValue, REG_DWORD, &value,
                      sizeof(value));
}

} // namespace kestrel::win
