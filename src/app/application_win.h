// Kestrel's start-up and end: the single running copy, the main window's load sequence, the message
// loop, and the two ways the program really ends (the tray's Exit command and the end of the Windows
// session). Everything runs on the one user-interface thread.
#pragma once

#include "actions/forbidden_programs.h"
#include "lock/parent_lock.h"
#include "plans/plan_list.h"
#include "plans/scheduler.h"
#include "platform/system_power_win.h"
#include "platform/handles_win.h"
#include "platform/process_table_win.h"
#include "platform/system_clock_win.h"
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
class SystemWakeTimer;
class ReminderPopups;
struct LaunchResult;

inline constexpr wchar_t kSingleInstanceMutexName[] = L"Local\\Kestrel.SingleInstance";
// How long a second start waits for the first copy's window to appear before giving up.
inline constexpr DWORD kSingleInstancePatienceMs = 5000;

// The main window of a running Kestrel (hidden ones too): a top-level window of Kestrel's own class whose
// process runs this very program file or one of the same file name. A window that only looks like it
// (the same title, the same class in another program) is not one. nullptr when there is none.
HWND FindRunningKestrel();

// ActivatePreviousInstance: finds a running copy (FindRunningKestrel), shows it, restores it and brings
// it to the top. Returns whether one was found.
bool ActivatePreviousInstance();

// Makes sure only one copy runs. A copy's main window is how a later start finds it; the named mutex
// closes the gap between two starts at the same moment, before either window exists. Another program
// holding the name cannot keep Kestrel from starting: after the patience it starts all the same.
class SingleInstanceLock {
public:
    // True when this process is the one copy and should go on. False when another copy was brought
    // forward: this process ends at once. While the name is held and no window is there, waits up to
    // `patienceMs` for one (a copy starting at the same moment), then goes on.
    bool Claim(const wchar_t* mutexName = kSingleInstanceMutexName,
               DWORD patienceMs = kSingleInstancePatienceMs);

private:
    UniqueKernelHandle mutex_;
};

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
    // The one real end: save (reporting a failure only when allowed), remove the icon, close every window
    // and leave the message loop.
    void End(bool mayReport);

    ApplicationOptions options_;
    SystemClock systemClock_;
    const Clock& clock_;
    std::unique_ptr<LockStore> ownLockStore_;
    std::unique_ptr<ParentLock> lock_;
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
    PlanList::Subscription nextPlanSubscription_ = 0;
    std::optional<std::int64_t> nextPlanMinute_; // the minute the next plan was last worked out in
    // The Help menu: the helper libraries and whether one of its modal dialogs is open.
    std::unique_ptr<HelperLibraries> helpers_;
    bool helpDialogOpen_ = false;
    bool ending_ = false;
};

// The whole process: single-instance check, dpi awareness, COM, common controls, then the Application.
int RunKestrel(HINSTANCE instance, const wchar_t* commandLine);

} // namespace kestrel::win
