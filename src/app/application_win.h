// Kestrel's start-up and end: the main window's load sequence, the message
// loop, and the two ways the program really ends (the tray's Exit command and the end of the Windows
// session). Everything runs on the one user-interface thread.
#pragma once

#include "app/listener_order.h"
#include "base/events.h"
#include "history/exit_mark.h"
#include "lock/parent_lock.h"
#include "plans/plan_list.h"
#include "plans/scheduler.h"
#include "platform/last_minute_store.h"
#include "platform/plan_digest_store.h"
#include "platform/power.h"
#include "platform/process_table_win.h"
#include "platform/system_clock_win.h"
#include "platform/system_power_win.h"
#include "platform/wake_timer.h"
#include "quiet_hours/quiet_hours_store.h"
#include "shell/main_window_win.h"
#include "shell/system_notices.h"
#include "shell/tray_icon_win.h"

#include <windows.h>

#include <array>
#include <vector>
#include <functional>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace kestrel::win {

class CountdownTargets;
class FiredPlans;
class ForbiddenProgramsPage;
class ForbiddenWatch;
class HelperLibraries;
class HistoryKeeper;
class NextPlanLine;
class PasswordGuard;
class PlanEditorPage;
class PlanKeeper;
class PlanListPage;
class PlanWaker;
class ProcessGuard;
class QuietHours;
class SettingsWatch;
class StartAtLogOnKeeper;
class SystemNotices;
class SystemWakeTimer;

struct ApplicationOptions {
    HINSTANCE instance = nullptr;
    // The folder of the plan file: the executable's, or the user's own when the executable's cannot be
    // written (see plan_location.h).
    std::wstring planFolder;
    // A plan file whose plans are taken over once, while the one in planFolder does not exist; or empty.
    std::wstring carryPlansFrom;
    // The command line after the program name; exactly "mini" starts hidden.
    std::wstring arguments;
    // The auto-start entry: read at start-up, written when the user clicks the box.
    std::function<bool()> autoStartPresent;
    std::function<void(bool ticked)> applyAutoStart;
    // The program file the entry starts when it is another one than this copy (empty: none such).
    std::function<std::wstring()> autoStartOtherProgram;
    TrayShell trayShell = TrayShell::System();
    // Where Update.dll and SendComment.dll are looked for (the executable's folder); empty: nowhere, so
    // the Help menu's feedback and the update check do nothing.
    std::wstring helperFolder;
    // Whether the advert banner is made (its page comes from the network).
    bool advertBanner = false;
    // The power calls of the countdown's operations; null: the system's. Tests pass a recorder.
    PowerControl* power = nullptr;
    // Where the last minute the scheduler looked at is kept between runs; null: nowhere, so a start-up
    // misses nothing.
    LastMinuteStore* lastMinute = nullptr;
    // Whether the parent's lock holds now (sleep is then no way around a power plan); empty: never.
    std::function<bool()> parentLockActive;
    // Where the parent's lock keeps its record and the forbidden list (null: the registry), and how a
    // password becomes a key (empty: PBKDF2-HMAC-SHA256 through the system). Tests pass fakes.
    LockStore* lockStore = nullptr;
    DeriveKeyFunction deriveKey;
    // The folder of History.txt (the user's own Kestrel folder), and the mark a run leaves until its clean
    // end (a registry value); empty and null: no history is kept and no mark set. Tests pass their own.
    std::wstring historyFolder;
    ExitMark* exitMark = nullptr;
    // Where quiet hours are kept (null: the registry). Tests pass a fake.
    QuietHoursStore* quietHoursStore = nullptr;
    // A wake Kestrel itself caused, before anyone is at the computer: quiet hours wait. Empty: never.
    std::function<bool()> noPersonYet;
    // Deletes the Task Manager's mark that switches off the start at log-on; true when there was one.
    // Empty: the registry's (StartupApproved\Run).
    std::function<bool()> removeStartupMark;
    // The clock of the plans and the window; null: the system's.
    const Clock* clock = nullptr;
    // The tray's "到时唤醒电脑(&W)": its setting, read at start-up and written when the user switches it
    // (empty: off, not kept), and the wake timer and stay-awake calls (null: the system's).
    std::function<bool()> wakeForPlans;
    std::function<void(bool on)> keepWakeForPlans;
    WakeTimer* wakeTimer = nullptr;
    // The session's real state and whether Windows confirms the end of the session (empty: the system's);
    // tests pass what they need. Notices the real state contradicts change nothing.
    std::function<std::optional<SessionState>()> sessionState;
    std::function<bool()> sessionEndConfirmed;
    // The digest of the plan file last written under the lock (null: none kept, nothing checked).
    PlanDigestStore* planDigest = nullptr;
    // Whether HKCU\Software\Kestrel and the Run value are watched for changes made by others.
    bool watchSettings = false;
};

class Application {
public:
    explicit Application(ApplicationOptions options);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The main window's load, in order: the window with tab 1 in front and its pictures, the auto-start
    // box, the clock line and the visibility; then, with the window already on the screen, the pages in
    // their panels, the tray icon, the plan file, the tray tip and the pictures of the other tabs.
    // False only when the main window cannot be created.
    bool Start();
    // Pumps messages until the program ends; returns the exit code.
    int RunMessageLoop();

    MainWindow& mainWindow() { return *main_; }
    PlanList& plans() { return plans_; }
    const TrayIcon& trayIcon() const { return tray_; }
    // The parent's lock. IsSet() is cheap: it reads no registry and derives no key.
    ParentLock& parentLock() { return *lock_; }
    bool ParentLockIsSet() const { return lock_->IsSet(); }
    // Waking the computer for plans; AwaitingPerson() tells a resume that Kestrel's own timer caused
    // while nobody has come to the computer yet.
    PlanWaker& planWaker() { return *waker_; }
    // The full path of Values.xml.
    std::wstring PlanFilePathText() const;
    // Where every feature reports what happened: the history, or nowhere when none is kept.
    EventSink& Events();

private:
    // The start-up steps, in the order Start() takes them; each makes one feature and wires it to the rest.
    void SetUpParentLock();
    void SetUpMainWindow();
    // The page of tab `tab` (1..5) in its panel.
    void CreatePage(int tab);
    void StartPlans();
    void StartPlanWaker();
    void StartQuietHours();
    void StartNextPlanLine();
    // What the window's notices are checked against, and the watch over the settings.
    void StartSystemNotices();
    void StartSettingsWatch();
    // Every feature that hears the system, in the one order of listener_order.h.
    void RegisterListeners();
    void WireHelpMenu(MainWindowEvents& events);

    // The tray's and the Help menu's commands.
    bool AllowGuarded(HWND owner, const wchar_t* reason);
    void ShowAutoStartProgram();
    void SwitchWakeForPlans();
    // Runs `show` as the one modal Help dialog: the owner is disabled while a box is open, but a posted
    // command still arrives.
    template <typename Show>
    void ShowHelpDialog(Show show);
    // The one real end: every feature hears it, the plans are saved (a failure told only on Exit), the
    // icon goes, every window closes and the message loop ends.
    void End(ProgramEnd how);

    ApplicationOptions options_;
    SystemClock systemClock_;
    const Clock& clock_;
    // A notice in a tray balloon; one callback that every feature is handed.
    const std::function<void(const std::wstring& message)> balloon_;
    std::unique_ptr<HistoryKeeper> history_;
    std::unique_ptr<LockStore> ownLockStore_;
    std::unique_ptr<ParentLock> lock_;
    std::unique_ptr<ProcessGuard> processGuard_;
    std::unique_ptr<PasswordGuard> guard_;
    PlanList plans_;
    std::unique_ptr<PlanKeeper> keeper_;
    std::unique_ptr<MainWindow> main_;
    std::unique_ptr<PlanListPage> planListPage_;
    // The shutdown, reminder and run-program editors of tabs 1 to 3.
    std::array<std::unique_ptr<PlanEditorPage>, 3> editors_;
    std::unique_ptr<CountdownTargets> countdownTargets_;
    SystemProcessTable processTable_; // declared before the page that uses it
    std::unique_ptr<ForbiddenProgramsPage> forbiddenPage_;
    std::unique_ptr<ForbiddenWatch> forbiddenWatch_;
    SystemPower power_;
    std::unique_ptr<FiredPlans> fired_;
    std::unique_ptr<Scheduler> scheduler_;
    std::unique_ptr<SystemListener> schedulerListener_;
    std::unique_ptr<SystemWakeTimer> systemWakeTimer_;
    std::unique_ptr<PlanWaker> waker_;
    TrayIcon tray_;
    std::unique_ptr<QuietHours> quiet_;
    std::unique_ptr<StartAtLogOnKeeper> startAtLogOn_;
    std::unique_ptr<NextPlanLine> nextPlanLine_;
    SystemBroadcast broadcast_;
    // Between the window's messages and the features: what Windows' own state confirms.
    std::unique_ptr<SystemNotices> notices_;
    std::unique_ptr<SettingsWatch> settings_;
    // The Help menu: the helper libraries and whether one of its modal dialogs is open.
    std::unique_ptr<HelperLibraries> helpers_;
    bool helpDialogOpen_ = false;
    bool ending_ = false;
};

// The whole process: single-instance check, dpi awareness, COM, common controls, then the Application.
int RunKestrel(HINSTANCE instance, const wchar_t* commandLine);

} // namespace kestrel::win
