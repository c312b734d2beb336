// The arithmetic of the shutdown countdown prompt: the operation waiting, the seconds left, and the text
// the prompt shows. The prompt window only forwards its timer ticks here.
#pragma once

#include <string>

namespace kestrel {

inline constexpr int kCountdownSeconds = 15;

// How a countdown ended.
enum class CountdownEnd {
    Performed, // the operation was carried out (or Windows refused it)
    Cancelled, // "取消关机", Esc or a close (with the password under the parent's lock)
    Slept,     // closed without the operation because the computer went to sleep
};

// "距离" + operation + "还剩 " + seconds + " 秒...", e.g. 距离关闭计算机还剩 15 秒...
std::wstring CountdownText(const std::wstring& operation, int secondsLeft);

class ShutdownCountdown {
public:
    // Starts (or starts again) at 15 seconds for `operation`.
    void Start(std::wstring operation);
    // One second has passed. Returns true when the operation is due now: the count stood at 1, so it runs
    // 15 seconds after the start and the count never shows 0. The countdown has then stopped. A tick while
    // stopped does nothing.
    bool Tick();
    void Stop() { counting_ = false; }

    bool Counting() const { return counting_; }
    int SecondsLeft() const { return secondsLeft_; }
    const std::wstring& Operation() const { return operation_; }
    std::wstring Text() const { return CountdownText(operation_, secondsLeft_); }

private:
    std::wstring operation_;
    int secondsLeft_ = 0;
    bool counting_ = false;
};

} // namespace kestrel
