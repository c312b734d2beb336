// Form_Main, Kestrel's one top-level window: the picture strip with the five tab buttons, the five stacked
// panels that host the pages, the reserved advert area, the clock line and the auto-start check box, plus
// the Help menu and the tray pop-up menu. What the window's commands mean for the program (exit, end of
// session, the auto-start entry) is handed to the application through MainWindowEvents.
#pragma once

#include "base/system_listener.h"
#include "plans/next_plan.h"
#include "platform/clock.h"
#include "platform/handles_win.h"
#include "platform/window_win.h"
#include "shell/tab_art_win.h"
#include "shell/tab_images.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kestrel::win {

// The main window's class: Kestrel's own, fixed, so that a second start and an installer find a running
// copy by it (the title carries the version).
inline constexpr wchar_t kMainWindowClass[] = L"Kestrel.MainWindow";

// Tab numbers, as the buttons and panels are counted from the left.
inline constexpr int kTabShutdown = 1;  // 定时关机
inline constexpr int kTabReminder = 2;  // 定时提醒
inline constexpr int kTabRun = 3;       // 定时运行
inline constexpr int kTabPlanList = 4;  // 计划列表
inline constexpr int kTabForbidden = 5; // 禁止程序

struct MainWindowEvents {
    // The user ticked (true) or cleared (false) the auto-start box; never called when the program sets it.
    std::function<void(bool ticked)> autoStartClicked;
    // The window was asked to close after the Exit command: the application saves, removes the tray
    // icon and ends. Without this handler the window simply destroys itself.
    std::function<void()> exitConfirmed;
    // The Windows session is ending for real (WM_ENDSESSION): save silently, remove the icon, end.
    std::function<void()> sessionEnding;
    // Every few seconds while SetPlanFileRetry(true): try the plan file again.
    std::function<void()> planFileRetry;
    // Help → "意见反馈[&F]" and Help → "关于[&A]".
    std::function<void()> feedbackRequested;
    // Whether the feedback dialog can be shown (its library is there); the entry is greyed otherwise.
    std::function<bool()> feedbackAvailable;
    std::function<void()> aboutRequested;
    // Timer_Update: once per run, 2000 ms after the window was created (shown or not).
    std::function<void()> updateCheckDue;
    // What the system says, as Kestrel's own calls: the one timer a second (Timer_ComputerOperation, just
    // after each whole second; the window itself refreshes its clock line first), sleep and wake
    // (PBT_APMSUSPEND; PBT_APMRESUMESUSPEND is a person's wake, PBT_APMRESUMEAUTOMATIC alone may be a wake
    // timer's), WM_TIMECHANGE and WM_WTSSESSION_CHANGE. Null: nobody listens.
    SystemListener* system = nullptr;
    // The tray menu's "到时唤醒电脑[&W]": the user switches waking for plans. Not guarded by the lock.
    std::function<void()> wakeForPlansClicked;
    // Asked before a command the parent's lock guards (Exit, clearing the auto-start box), with what the
    // command is; false keeps it from happening. Without this handler every command goes ahead.
    std::function<bool(const wchar_t* reason)> allow;
    // Help → "家长密码(&P)..." and Help → "历史记录(&H)...".
    std::function<void()> parentPasswordRequested;
    std::function<void()> historyRequested;
    // Help → "禁止使用时段(&T)...".
    std::function<void()> quietHoursRequested;
};

class MainWindow final : public Window {
public:
    MainWindow(const Clock& clock, MainWindowEvents events);
    ~MainWindow() override;

    // Creates the window hidden, laid out for its dpi and centred on its monitor's work area.
    bool Create(HINSTANCE instance);

    // Shows panel k (1..5), hides the others and shows button k selected; other values are ignored.
    void SelectTab(int k);
    int SelectedTab() const { return selectedTab_; }
    const std::array<int, kTabCount>& TabImages() const { return images_; }

    // ShowClockLine: mode 0 writes the current time and date into the clock line; other modes do nothing.
    void ShowClockLine(int mode);
    // The next-plan line beside the clock line, cut to the room the line has part by part
    // (CutNextPlanLine; empty: nothing to come); the whole line is the label's tooltip.
    void SetNextPlanLine(const NextPlanText& line);
    // Sets the auto-start box without reporting a user choice.
    void SetAutoStartChecked(bool checked);
    bool AutoStartChecked() const;
    // Names, in the box's tooltip, the program file the entry starts when that is another one than this
    // copy (empty: it starts this copy, or nothing).
    void ShowAutoStartProgram(const std::wstring& otherProgram);

    // The check mark of the tray menu's "到时唤醒电脑[&W]".
    void SetWakeForPlansChecked(bool checked);
    // The tray menu's commands (also reachable as WM_COMMAND with their ids).
    void ShowFromTray();
    void HideToTray();
    // Sets ExitRequested and asks the window to close; the close then ends the program.
    void RequestExit();
    bool ExitRequested() const { return exitRequested_; }
    // The history's detail of an exit asked for: who asked (the installer, or nobody named for the tray's
    // Exit), and "已输入家长密码" when `passwordSet`, since the exit then took the password.
    std::wstring ExitDetail(bool passwordSet) const;

    // Shows `message` in a message box titled "Kestrel" owned by this window: Notify at once (with OK
    // unless `flags` name other buttons; returns the button pressed), PostNotice from the top of the
    // message loop (for callers deep inside a change notification).
    int Notify(const std::wstring& message, UINT flags = 0);
    void PostNotice(std::wstring message, UINT iconFlags = MB_ICONWARNING);
    // Exit has begun: notices still queued, or posted from now on, are dropped.
    void DropNotices();

    // Starts or stops the slow timer that raises MainWindowEvents::planFileRetry.
    void SetPlanFileRetry(bool on);

    // First visible appearance: shown normal, centred, in front, and painted.
    void ShowCentred();
    // What the first sight does not need, done once the window is on the screen: the check box's tooltip,
    // and the tab pictures the current tab does not show, so that the first change of tab only copies
    // pictures.
    void FinishAfterShow();

    HWND TabButton(int k) const { return InRange(k) ? buttons_[k - 1] : nullptr; }
    HWND Panel(int k) const { return InRange(k) ? panels_[k - 1] : nullptr; }
    HWND TopStrip() const { return strip_; }
    HWND ClockLabel() const { return clockLabel_; }
    HWND NextPlanLabel() const { return nextPlanLabel_; }
    HWND AutoStartCheck() const { return autoStartCheck_; }
    HWND AdvertArea() const { return advert_; }
    HWND AutoStartTooltip() const { return tooltip_; }
    HMENU TrayMenu() const { return trayMenu_.get(); }
    // The window's own icon at the small size (caption, taskbar).
    HICON SmallIcon() const { return smallIcon_.get(); }
    int Dpi() const { return dpi_; }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static bool InRange(int k) { return k >= 1 && k <= kTabCount; }
    // The menu bar (returned, for the window to take) and the tray menu.
    HMENU CreateMenus();
    // The window's controls, each where it belongs at dpi_.
    void CreateControls(HINSTANCE instance);
    void CreateTooltip();
    // Icons and fonts for dpi_.
    void ApplyFonts();
    void ApplyTooltipFont();
    // Loads the window icons at the current dpi and hands them to the window.
    void LoadIcons();
    void ApplyDpi(int dpi, const RECT* suggested);
    void Layout();
    // Writes the next-plan line, shortened to the label's width in its font.
    void ShowNextPlanLine();
    void FitClientArea(const RECT* suggested);
    void CentreOnWorkArea();
    void OnCommand(unsigned id, unsigned code, HWND control);
    bool OnDrawItem(const DRAWITEMSTRUCT& item);
    LRESULT OnCtlColorStatic(HDC dc, HWND control);
    void OnClose();
    void OnInitMenuPopup(HMENU menu);
    // Sets the focus on a control of the window or its pages, its text selected if it is a text field.
    void MoveFocusTo(HWND control);
    // Tells the pages of the tab in front that they have come into sight (ids::kMsgPageShown).
    void TellPagesShown();
    void OnAutoStartClicked();
    bool Allowed(const wchar_t* reason) const { return !events_.allow || events_.allow(reason); }
    void MinimiseAndHide();
    void ShowPostedNotices();
    // Sets Timer_ComputerOperation to fire just after the next whole second of the clock.
    void ArmSecondTimer();
    void OnSecondTick();

    const Clock& clock_;
    MainWindowEvents events_;
    HINSTANCE instance_ = nullptr;
    int dpi_ = 96;
    int selectedTab_ = 0;
    std::array<int, kTabCount> images_{};
    bool exitRequested_ = false;
    bool exitByInstaller_ = false;

    HWND strip_ = nullptr;
    std::array<HWND, kTabCount> buttons_{};
    std::array<HWND, kTabCount> panels_{};
    HWND advert_ = nullptr;
    HWND clockLabel_ = nullptr;
    HWND nextPlanLabel_ = nullptr;
    NextPlanText nextPlan_;
    std::wstring nextPlanTip_;
    HWND autoStartCheck_ = nullptr;
    HWND tooltip_ = nullptr;
    std::wstring autoStartTip_;

    UniqueMenu trayMenu_;
    UniqueIcon bigIcon_;
    UniqueIcon smallIcon_;
    UniqueFont font_;
    std::unique_ptr<TabArt> art_;
    std::vector<std::pair<std::wstring, UINT>> notices_;
    bool noticesDropped_ = false;
    HWND lastFocus_ = nullptr;
    bool planFileRetry_ = false;
};

} // namespace kestrel::win
