// The reminder sound; see sound_win.h.
#include "platform/sound_win.h"

#include <windows.h>

#include <mmsystem.h>

namespace kestrel::win {

void PlayReminderSound() {
    // SND_NODEFAULT: a scheme without the event stays silent instead of playing the generic "ding".
    constexpr DWORD kFlags = SND_ALIAS | SND_ASYNC | SND_NODEFAULT;
    if (!::PlaySoundW(L"Notification.Reminder", nullptr, kFlags) &&
        !::PlaySoundW(L"SystemNotification", nullptr, kFlags)) {
        // Systems older than the reminder event, or without winmm's sound service.
        ::MessageBeep(MB_ICONASTERISK);
    }
}

} // namespace kestrel::win
