// Form_提示关机, the shutdown countdown prompt: names the coming power operation, counts 15 seconds down,
// then has it carried out; "立即关机" carries it out at once, "取消关机" or any other close cancels it.
// One object for the whole program; its window is made on each use and destroyed when the countdown ends.
#pragma once

#include "actions/shutdown_countdown.h"
#include "platform/handles_win.h"
#include "platform/window_win.h"

#include <cstdint>
#include <functional>
#include <string>

namespace kestrel::win {

// Timer_关机计时: the id of the prompt's one-second window timer.
inline constexpr UINT_PTR kCountdownTimerId = 1;

class CountdownPrompt final : public Window {
public:
    using Performer = std::function<void(const std::wstring& operation)>;

    // `perform` carries out an operation by name (the app passes PerformComputerOperation with the plan
    // saver and the real power calls).
    CountdownPrompt(HINSTANCE instance, Performer perform);
    ~CountdownPrompt() override;

    // Starts the countdown for `operation` and shows the prompt in front of every window; a call while
    // counting starts again at 15 with the new name in the same window. False only when the window
    // cannot be made; then nothing will happen.
    bool 方法_提示关机_进行关机操作(const std::wstring& operation);

    // "取消关机": the button, Esc and every close of the window come here. Asks the guard first (the
    // parent's lock, with the prompt as the owner of its box); the countdown goes on meanwhile, and when
    // it reaches its end first the operation happens and the question is withdrawn.
    void RequestCancel();
    // Asked before a cancel, with what it is; false keeps the countdown going. Unset: cancels at once.
    // `dismiss` withdraws an open question when the countdown ends by itself.
    void SetGuard(std::function<bool(HWND owner, const wchar_t* reason)> guard,
                  std::function<void(HWND owner)> dismiss) {
        guard_ = std::move(guard);
        dismiss_ = std::move(dismiss);
    }

    // Told after the user cancelled the countdown of `operation` (not after a cancel for sleep).
    void SetCancelled(std::function<void(const std::wstring& operation)> cancelled) {
        cancelled_ = std::move(cancelled);
    }
    // Told whenever a countdown ends, and how (before the operation is carried out).
    void SetEndListener(std::function<void(CountdownEnd how)> listener) {
        endListener_ = std::move(listener);
    }

    // Gives the prompt its keyboard (Tab between the buttons, Enter, Esc) when called from the message
    // loop before TranslateMessage; true when the message was used.
    bool PreTranslate(MSG& message);

    // Whether a countdown runs now, and for which operation.
    bool Counting() const { return countdown_.Counting(); }
    const std::wstring& Operation() const { return countdown_.Operation(); }
    // The computer is going to sleep: the countdown ends without its operation and the prompt closes, as
    // "取消关机" would, but without asking anyone.
    void CancelForSleep();

    HWND label() const { return label_; }
    HWND bar() const { return bar_; }
    HWND nowButton() const { return nowButton_; }
    HWND cancelButton() const { return cancelButton_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override;

private:
    bool EnsureWindow();
    void CreateControls();
    void ApplyDpi(int dpi, const RECT* suggested);
    void FitClientArea(const RECT* suggested);
    void CentreOnWorkArea();
    void ShowCount();
    void OnTick();
    // Ends the countdown, carries the operation out when it was performed, and closes the window.
    void Finish(CountdownEnd how);

    HINSTANCE instance_;
    Performer perform_;
    ShutdownCountdown countdown_;
    std::uint64_t asleepMs_ = 0; // the time asleep at the last tick (or the start)
    std::function<bool(HWND, const wchar_t*)> guard_;
    std::function<void(HWND)> dismiss_;
    std::function<void(const std::wstring&)> cancelled_;
    std::function<void(CountdownEnd)> endListener_;
    int dpi_ = 96;
    HWND label_ = nullptr;
    HWND bar_ = nullptr;
    HWND nowButton_ = nullptr;
    HWND cancelButton_ = nullptr;
    UniqueFont font_;
};

} // namespace kestrel::win
