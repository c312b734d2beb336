// Form_提醒信息, the reminder pop-up: one small window per due reminder that rises from below the screen
// into the bottom-right corner of the work area (above the pop-ups already there), shows the message
// with the time it came, and either goes away ("我知道了") or asks for the same reminder five minutes
// later ("过会再说"). A long message makes it taller, up to half the work area, then scrolls.
// ReminderPopups owns every open pop-up.
#pragma once

#include "platform/clock.h"
#include "platform/handles_win.h"
#include "platform/window_win.h"
#include "plans/plan_row.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::win {

class ReminderPopup;

// What a pop-up needs from the rest of the program.
struct ReminderPopupServices {
    // Where the pop-up comes to rest among the others that are open (its outer rectangle).
    std::function<RECT(const ReminderPopup&)> findPlace;
    // Adds a plan row to the plan list ("过会再说").
    std::function<void(PlanRow)> appendPlan;
    // Starts the reminder sound and returns at once (kind "播放音乐" only).
    std::function<void()> playSound;
};

class ReminderPopup final : public Window {
public:
    // The slide: this many steps of this many milliseconds from below the screen to the resting place.
    static constexpr int kSlideSteps = 15;
    static constexpr unsigned kSlideStepMs = 30;
    static constexpr UINT_PTR kTimerSlide = 1; // Timer_窗口渐显

    // `clock` and the services must outlive the pop-up. `closed` runs once the window is gone (after
    // WM_NCDESTROY), still inside its message handling: it must not delete the pop-up there and then.
    ReminderPopup(const Clock& clock, const ReminderPopupServices& services, std::function<void()> closed);
    ~ReminderPopup() override;

    // The load step: creates the window hidden, laid out for its dpi, just below the bottom of the screen
    // at the right-hand side.
    bool Create(HINSTANCE instance);

    // Sets the message ("    " + message) and the time line, plays the reminder sound for the kind
    // "播放音乐", shows the pop-up (modeless, no owner) and starts its slide. The time line shows `due`
    // when given (a reminder that comes late), the current time otherwise.
    void 方法_提示关机_进行关机操作(std::wstring_view message, std::wstring_view kind,
                                    const std::optional<LocalDateTime>& due = std::nullopt);

    // Whether the pop-up is on its way up (its slide timer runs).
    bool Sliding() const { return sliding_; }
    // Where the window rests: its outer rectangle, in the bottom-right corner of the work area or above
    // or beside the pop-ups that were open when it came.
    RECT RestingRect() const;
    bool Placed() const { return placed_; }

    HWND Control(unsigned id) const { return ::GetDlgItem(hwnd(), static_cast<int>(id)); }
    HWND LaterTooltip() const { return tooltip_; }
    int Dpi() const { return dpi_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnDestroyed() override;

private:
    void CreateControls(HINSTANCE instance);
    void ApplyDpi(int dpi);
    // Places the controls and sizes the window with the message area `growth` pixels taller.
    void Layout(int growth);
    // Grows the window to show the whole message, as far as allowed, and scrolls what is left.
    void FitMessage();
    // Keeps `place` as where the window rests, measured from the work area's bottom-right corner.
    void RestAt(const RECT& place);
    void PlaceForSlideStep();
    void OnSlideTick();
    void OnCommand(unsigned id);
    void Snooze();
    LRESULT OnCtlColorStatic(HDC dc, HWND control);

    const Clock& clock_;
    const ReminderPopupServices& services_;
    std::function<void()> closed_;
    std::wstring message_;
    int dpi_ = 96;
    int slideStep_ = 0; // 0: below the screen; kSlideSteps: resting
    int restFromRight_ = 0;
    int restFromBottom_ = 0;
    bool placed_ = false;
    bool sliding_ = false;
    bool answered_ = false;
    HWND focus_ = nullptr;
    HWND tooltip_ = nullptr;
    UniqueFont font_;
    UniqueFont headlineFont_;
};

// Opens a new pop-up for each due reminder and owns all of them; there is no limit on how many are open.
// A pop-up the user closes is deleted shortly after, from the top of the message loop.
class ReminderPopups {
public:
    // `clock` must outlive this object. `appendPlan` receives the row of "过会再说"; `playSound` defaults
    // to the system's reminder sound.
    ReminderPopups(HINSTANCE instance, const Clock& clock, std::function<void(PlanRow)> appendPlan,
                   std::function<void()> playSound = {});
    ~ReminderPopups();
    ReminderPopups(const ReminderPopups&) = delete;
    ReminderPopups& operator=(const ReminderPopups&) = delete;

    // Opens, fills, shows and slides in a new pop-up. The pointer is for looking at it and stays valid
    // until the pop-up closes; nullptr when the window could not be created.
    ReminderPopup* 方法_提示关机_进行关机操作(std::wstring_view message, std::wstring_view kind,
                                              const std::optional<LocalDateTime>& due = std::nullopt);

    // Pop-ups whose windows are still open.
    std::size_t OpenCount() const;
    // Closes every pop-up at once (the program's exit): none is left to add a plan to a list that is gone.
    void CloseAll();

private:
    class Reaper;
    void DeleteClosed();
    RECT PlaceFor(const ReminderPopup& popup) const;

    HINSTANCE instance_;
    const Clock& clock_;
    ReminderPopupServices services_;
    std::unique_ptr<Reaper> reaper_;
    std::vector<std::unique_ptr<ReminderPopup>> popups_;
};

} // namespace kestrel::win
