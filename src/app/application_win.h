// Kestrel's start-up and end: the main window's load sequence, the message
// loop, and the two ways the program really ends (the tray's Exit command and the end of the Windows
// session). Everything runs on the one user-interface thread.
#pragma once

#include "actions/forbidden_programs.h"
#include "history/exit_mark.h"
#include "history/history.h"
#include "base/events.h"
#include "lock/parent_lock.h"
#include "plans/plan_list.h"
#include "plans/scheduler.h"
#include "platform/system_power_win.h"
#include "platform/handles_win.h"
#include "platform/process_access_win.h"
#include "platform/process_table_win.h"
#include "platform/system_clock_win.h"
#include "quiet_hours/quiet_hours_store.h"
#include "platform/wake_timer.h"
#include "shell/main_window_win.h"
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

class CountdownPrompt;
class ForbiddenProgramsPage;
class HelperLibraries;
class PlanEditorPage;
class PasswordGuard;
class PlanListPage;
class PlanWaker;
class ProgramStarter;
class QuietHours;
class SystemWakeTimer;
class ReminderPopups;
struct LaunchResult;

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
    struct Plans;
    // What fired plans do: the countdown, the reminder pop-ups and the program launcher.
    class FiredPlans final : public PlanActions {
    public:
        explicit FiredPlans(Application& app) : app_(app) {}
        void StartPowerCountdown(const std::wstring& operation) override;
        void ShowReminder(const std::wstring& message, const std::wstring& kind,
                          const std::optional<LocalDateTime>& due) override;
        void StartProgram(const std::wstring& program, const std::wstring& runMode) override;
        void Report(const std::wstring& notice) override;
        std::wstring OpenCountdown() override;
        void CancelCountdown() override;

    private:
        Application& app_;
    };

    // Everything the window shows at first sight.
    void SetUpMainWindow();
    // The auto-start box's tooltip names the program the entry starts when it is not this copy.
    void ShowAutoStartProgram();
    // The page of tab `tab` (1..5) in its panel.
    void CreatePage(int tab);
    // The countdown, the pop-ups and the scheduler that calls them once a second.
    void StartScheduler();
    // The wake timer for the next reminder or run plan, and the tray item that switches it.
    void StartPlanWaker();
    void SwitchWakeForPlans();
    // A run plan's program could not be started: a balloon says which and why.
    void ReportStartFailure(const std::wstring& program, const LaunchResult& result);
    void LoadPlans();
    // What runs once a second: the plan check, the forbidden check, and the next plan when the minute
    // has turned.
    void OnSecondTick();
    // Runs a pass at once (a resume, a clock change) and shows the next plan as it is now.
    void CheckPlansNow();
    // The tray tip and the main window's next-plan line, from the list and the time now.
    void ShowNextPlan();
    // Saves the plan list by the plan store's rules and remembers why a save was held back.
    bool SavePlans();
    void ReportSaveFailure();
    // Tells the user what the plan store has to say (a damaged file's copy, a failed XML component) and
    // keeps the retry timer running while the file is unread.
    void ShowPlanFileNotices();
    // The save at Exit: a failure is always told, with Retry or exit anyway.
    void SaveBeforeExit();
    // The Help menu's about box and feedback dialog, the update check and the advert banner.
    void WireHelpMenu(MainWindowEvents& events);
    void ShowAboutBox();
    void ShowFeedback();
    // The parent's lock: read at start-up, asked by every guarded command.
    void SetUpParentLock();
    bool AllowGuarded(HWND owner, const wchar_t* reason);
    void ShowParentPassword();
    void OnLockStateChanged(LockState state);
    void ReportEndedProcesses(const std::vector<EndedProcess>& ended);
    // The history: the lines of a start, the exit mark refreshed once a minute, the window.
    void RecordStart();
    void RefreshExitMark();
    void RecordCancelled(const std::wstring& operation, const wchar_t* by);
    void ShowHistory();
    // Quiet hours: their check, set up once the countdown exists, and the Help menu's dialog.
    void StartQuietHours();
    void ShowQuietHours();
    // While a password is set and "开机自动启动" is ticked, the Task Manager may not switch the start at
    // log-on off: its mark goes, at start-up (said in a balloon when `tell`), at Exit and at the session's
    // end.
    void KeepStartAtLogOn(bool tell);
    // The one real end: save (reporting a failure only when allowed), remove the icon, close every window
    // and leave the message loop.
    void End(bool mayReport);

    ApplicationOptions options_;
    SystemClock systemClock_;
    const Clock& clock_;
    std::unique_ptr<LockStore> ownLockStore_;
    std::unique_ptr<ParentLock> lock_;
    // While the lock is set, the user cannot end this process from the Task Manager.
    OwnProcessAccess processAccess_;
    std::unique_ptr<PasswordGuard> guard_;
    PlanList plans_;
    std::unique_ptr<Plans> store_;
    std::unique_ptr<MainWindow> main_;
    std::unique_ptr<PlanListPage> planListPage_;
    // The shutdown, reminder and run-program editors of tabs 1 to 3.
    std::array<std::unique_ptr<PlanEditorPage>, 3> editors_;
    SystemProcessTable processTable_; // declared before the page that uses it
    std::unique_ptr<ForbiddenProgramsPage> forbiddenPage_;
    SystemPower power_;
    std::unique_ptr<CountdownPrompt> prompt_;
    std::unique_ptr<ReminderPopups> popups_;
    std::unique_ptr<ProgramStarter> starter_;
    FiredPlans firedPlans_{*this};
    std::unique_ptr<Scheduler> scheduler_;
    std::unique_ptr<SystemWakeTimer> systemWakeTimer_;
    std::unique_ptr<PlanWaker> waker_;
    TrayIcon tray_;
    std::unique_ptr<QuietHours> quiet_;
    PlanList::Subscription nextPlanSubscription_ = 0;
    std::optional<std::int64_t> nextPlanMinute_; // the minute the next plan was last worked out in
    // The Help menu: the helper libraries and whether one of its modal dialogs is open.
    std::unique_ptr<HelperLibraries> helpers_;
    bool helpDialogOpen_ = false;
    std::unique_ptr<History> history_;
    NoEvents noEvents_;
    EndedProcessLines endedLines_;
    std::optional<std::int64_t> markMinute_; // the minute the exit mark was last set in
    ULONGLONG markHeldUntil_ = 0;            // after Kestrel's own power operation: no mark until then
    bool ending_ = false;
};

// The whole process: single-instance check, dpi awareness, COM, common controls, then the Application.
int RunKestrel(HINSTANCE instance, const wchar_t* commandLine);

} // namespace kestrel::win
