// The system's reminder sound, for a reminder of the kind "播放音乐".
#pragma once

namespace kestrel::win {

// Starts the Windows reminder sound (the notification sound where there is none) and returns at once.
// Plays nothing when the user's sound scheme has none; never blocks and never reports a failure.
void PlayReminderSound();

} // namespace kestrel::win
