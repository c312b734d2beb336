// Start-up, the message loop and the real end of the program; see application_win.h.
#include "app/application_win.h"

#include "actions/fired_plans_win.h"
#include "actions/forbidden_page_win.h"
#include "actions/forbidden_watch_win.h"
#include "app/command_line.h"
#include "app/wakeup_counter_win.h"
#include "base/app_messages.h"
#include "base/clock_text.h"
#include "base/texts.h"
#include "editors/countdown_targets_win.h"
#include "editors/plan_editor_page_win.h"
#include "history/history_keeper_win.h"
#include "lock/password_dialogs_win.h"
#include "lock/process_guard_win.h"
#include "lock/registry_lock_store_win.h"
#include "plans/next_plan_line_win.h"
#include "plans/plan_keeper_win.h"
#include "plans/plan_list_page_win.h"
#include "plans/plan_waker_win.h"
#include "plans/scheduler_listener.h"
#include "platform/crypto_win.h"
#include "platform/last_minute_store_win.h"
#include "platform/program_launcher_win.h"
#include "platform/wake_timer_win.h"
#include "quiet_hours/quiet_hours_win.h"
#include "quiet_hours/quiet_next_plan.h"
#include "res/resource_ids.h"
#include "shell/about_box_win.h"
#include "shell/advert_banner_win.h"
#include "shell/helper_libraries_win.h"
#include "shell/settings_watch_win.h"
#include "shell/startup_approved_win.h"
#include "shell/system_notices_win.h"
#include "shell/web_address_win.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include <vector>

namespace kestrel::win {

Application::Application(ApplicationOptions options)
    : options_(std::move(options)), clock_(options_.clock ? *options_.clock : systemClock_),
      balloon_([this](const std::wstring& message) { tray_.ShowBalloon(text::kAppTitle, message); }),
      tray_(options_.trayShell) {
    HistoryKeeperOptions history;
    history.folder = options_.historyFolder;
    history.exitMark = options_.exitMark;
    history.lastMinute = options_.lastMinute;
    history.exitDetail = [this] {
        return main_->ExitDetail(lock_ && lock_->IsSet());
    };
    history.balloon = balloon_;
    history_ = std::make_unique<HistoryKeeper>(clock_, std::move(history));
    PlanKeeperHost keeper;
    keeper.balloon = balloon_;
    keeper.postNotice = [this](std::wstring message, UINT iconFlags) {
        main_->PostNotice(std::move(message), iconFlags);
    };
    keeper.ask = [this](const std::wstring& message, UINT flags) {
        return main_->Notify(message, flags);
    };
    keeper.retryTimer = [this](bool on) {
        main_->SetPlanFileRetry(on);
    };
    keeper.digest = options_.planDigest;
    keeper.lockSet = [this] {
        return lock_ && lock_->IsSet();
    };
    keeper.events = &Events();
    keeper_ = std::make_unique<PlanKeeper>(plans_, options_.planFolder, options_.carryPlansFrom, std::move(keeper));
}

Application::~Application() = default;

std::wstring Application::PlanFilePathText() const {
    return keeper_->Path();
}

EventSink& Application::Events() {
    return history_->Events();
}

bool Application::Start() {
    // First of all: a run that ends during its own start-up has left its mark too.
    // Only another copy (renamed, elsewhere) can run in this session now: it writes the same history.
    history_->RecordStart(PlanFilePathText(), StartsHidden(options_.arguments),
                          ::FindWindowW(kMainWindowClass, nullptr) != nullptr);
    SetUpParentLock();
    StartSystemNotices();
    MainWindowEvents events;
    events.system = notices_.get();
    events.allow = [this](const wchar_t* reason) {
        return AllowGuarded(main_->hwnd(), reason);
    };
    events.parentPasswordRequested = [this] {
        ShowHelpDialog([this] { ShowParentPasswordDialog(options_.instance, main_->hwnd(), *lock_, &Events()); });
    };
    events.historyRequested = [this] {
        ShowHelpDialog([this] {
            history_->ShowWindow(options_.instance, main_->hwnd(),
                                 [this](HWND owner, const wchar_t* reason) { return AllowGuarded(owner, reason); });
        });
    };
    events.quietHoursRequested = [this] {
        ShowHelpDialog([this] { quiet_->ShowDialog(main_->hwnd()); });
    };
    events.autoStartClicked = [this](bool ticked) {
        if (options_.applyAutoStart) {
            options_.applyAutoStart(ticked);
        }
        Events().Record(text::kEventAutoStart, ticked ? text::kHistoryAutoStartTicked : text::kHistoryAutoStartCleared);
        ShowAutoStartProgram();
    };
    events.exitConfirmed = [this] {
        End(ProgramEnd::Exit);
    };
    events.sessionEnding = [this] {
        notices_->SessionEnding();
    };
    events.planFileRetry = [this] {
        keeper_->Retry();
    };
    events.wakeForPlansClicked = [this] {
        SwitchWakeForPlans();
    };
    WireHelpMenu(events);
    main_ = std::make_unique<MainWindow>(clock_, std::move(events));
    if (!main_->Create(options_.instance)) {
        return false;
    }
    SetUpMainWindow();
    // The first sight shows tab 1, so its page is there before the window; the other pages, on hidden
    // tabs, follow right after.
    CreatePage(kTabShutdown);
    if (!StartsHidden(options_.arguments)) {
        main_->ShowCentred();
    }
    // What is not seen at first comes right after the window is on the screen: the other pages, the
    // tooltips, the tray icon with its tip and the plans. All of it is done before the message loop
    // starts, so no timer tick and no user input can reach a page or the plan list earlier.
    for (const int tab : {kTabPlanList, kTabReminder, kTabRun, kTabForbidden}) {
        CreatePage(tab);
    }
    for (const auto& editor : editors_) {
        editor->AddTooltips();
    }
    tray_.Add(main_->hwnd(), main_->TrayMenu(), IconResource{options_.instance, MAKEINTRESOURCEW(KESTREL_IDI_APP)});
    keeper_->Load();
    StartPlans();
    StartPlanWaker();
    StartQuietHours();
    startAtLogOn_->Keep(true);
    StartNextPlanLine();
    StartSettingsWatch();
    RegisterListeners();
    if (lock_->State() == LockState::Unreadable) {
        // Said once, without a box: the user may not be at the screen yet.
        balloon_(FillIn(text::kLockUnreadableBalloon, L"{value}", PasswordValueFullName()));
    }
    main_->FinishAfterShow();
    // Last, since loading the browser control takes a moment; the page itself loads on its own time.
    if (options_.advertBanner) {
        CreateAdvertBanner(main_->AdvertArea(), ResolveWebAddress(WebAddress::AdvertPage));
    }
    return true;
}

void Application::RegisterListeners() {
    FeatureListeners features;
    features.planWaker = waker_.get();
    features.scheduler = schedulerListener_.get();
    features.forbiddenPrograms = forbiddenWatch_.get();
    features.history = history_.get();
    features.planFile = keeper_.get();
    features.settingsWatch = settings_.get();
    features.quietHours = quiet_.get();
    features.startAtLogOn = startAtLogOn_.get();
    features.processAccess = processGuard_.get();
    features.editors = countdownTargets_.get();
    features.nextPlanLine = nextPlanLine_.get();
    broadcast_.Register(features);
}

void Application::SetUpParentLock() {
    LockStore* store = options_.lockStore;
    if (!store) {
        ownLockStore_ = std::make_unique<RegistryLockStore>();
        store = ownLockStore_.get();
    }
    DeriveKeyFunction derive = options_.deriveKey;
    if (!derive) {
        derive = [](const std::wstring& password, const PasswordSalt& salt,
                    std::uint32_t iterations) -> std::optional<PasswordKey> {
            PasswordKey key{};
            if (!DerivePbkdf2Sha256(password, salt, iterations, key)) {
                return std::nullopt;
            }
            return key;
        };
    }
    lock_ = std::make_unique<ParentLock>(
        *store, std::move(derive), [](std::span<std::uint8_t> buffer) { return SystemRandom(buffer); },
        [] { return static_cast<std::uint64_t>(::GetTickCount64()); });
    processGuard_ = std::make_unique<ProcessGuard>(lock_->Load() != LockState::Off);
    lock_->SetStateListener([this](LockState state) { broadcast_.OnParentLockChanged(state != LockState::Off); });
    guard_ = std::make_unique<PasswordGuard>(options_.instance, *lock_);
    guard_->SetEvents(&Events());
}

bool Application::AllowGuarded(HWND owner, const wchar_t* reason) {
    // Once Exit has begun nothing is asked any more: the session's end must never wait for a box.
    return ending_ || guard_->Allow(owner, reason);
}

template <typename Show>
void Application::ShowHelpDialog(Show show) {
    if (helpDialogOpen_) {
        return;
    }
    helpDialogOpen_ = true;
    show();
    helpDialogOpen_ = false;
}

void Application::StartPlans() {
    FiredPlansHost host;
    host.instance = options_.instance;
    host.clock = &clock_;
    host.plans = &plans_;
    host.power = options_.power ? options_.power : &power_;
    host.events = &Events();
    host.balloon = balloon_;
    host.beforePowerOperation = [this](bool endsSession) {
        // A bedtime shutdown must never read as an unclean end the next morning.
        keeper_->SaveNow();
        if (endsSession) {
            history_->HoldMark();
        }
        notices_->ExpectSessionEnd(endsSession);
    };
    host.powerOperationRefused = [this] {
        history_->ReleaseMark();
        notices_->ExpectSessionEnd(false);
    };
    host.allow = [this](HWND owner, const wchar_t* reason) {
        return AllowGuarded(owner, reason);
    };
    host.dismissOwnedBy = [this](HWND owner) {
        guard_->DismissOwnedBy(owner);
    };
    host.lockSet = [this] {
        return ParentLockIsSet();
    };
    // Quiet hours are made right after: no countdown can end before they are there.
    host.countdownEnded = [this](CountdownEnd how) {
        quiet_->OnCountdownEnded(how);
    };
    // Kestrel's own wake keeps the computer awake while what that minute's plans opened goes on.
    host.reminderShown = [this](HWND popup, std::int64_t minute) {
        waker_->ReminderShown(popup, minute);
    };
    host.programStarting = [this](std::int64_t minute) {
        return waker_->ProgramStarting(minute);
    };
    host.programStarted = [this](std::uint64_t keep, bool started, UniqueKernelHandle process) {
        waker_->ProgramStarted(keep, started, std::move(process));
    };
    fired_ = std::make_unique<FiredPlans>(std::move(host));
    SchedulerOptions schedulerOptions;
    schedulerOptions.lastMinute = options_.lastMinute;
    // While a parent's password is set, sleep is no way around a bedtime plan.
    schedulerOptions.parentLockActive =
        options_.parentLockActive ? options_.parentLockActive : std::function<bool()>([this] { return ParentLockIsSet(); });
    // What fired, what was missed, sleeps, clock changes and the time Kestrel was not running.
    schedulerOptions.events = &Events();
    // After a wake of Kestrel's own timer the lock's countdowns wait until someone is at the computer.
    schedulerOptions.noPersonYet = [this] {
        return waker_ && waker_->AwaitingPerson();
    };
    scheduler_ = std::make_unique<Scheduler>(plans_, clock_, *fired_, std::move(schedulerOptions));
    schedulerListener_ = std::make_unique<SchedulerListener>(*scheduler_);
}

void Application::StartPlanWaker() {
    WakeTimer* timer = options_.wakeTimer;
    if (!timer) {
        systemWakeTimer_ = std::make_unique<SystemWakeTimer>();
        timer = systemWakeTimer_.get();
    }
    PlanWakerOptions wakerOptions;
    wakerOptions.readSetting = options_.wakeForPlans;
    wakerOptions.writeSetting = options_.keepWakeForPlans;
    wakerOptions.refused = [this](std::uint32_t error) {
        balloon_(FillIn(text::kMsgWakeRefused, L"{reason}", ReasonText(error)));
    };
    waker_ = std::make_unique<PlanWaker>(plans_, clock_, *timer, std::move(wakerOptions));
    main_->SetWakeForPlansChecked(waker_->On());
}

void Application::SwitchWakeForPlans() {
    if (!waker_ || ending_) {
        return;
    }
    waker_->Switch(!waker_->On());
    main_->SetWakeForPlansChecked(waker_->On());
    nextPlanLine_->Show();
}

void Application::StartQuietHours() {
    QuietHoursHost host;
    host.instance = options_.instance;
    host.clock = &clock_;
    host.store = options_.quietHoursStore;
    host.events = &Events();
    host.openCountdown = [this] {
        return fired_->OpenCountdown();
    };
    host.startCountdown = [this](const std::wstring& operation) {
        fired_->StartPowerCountdown(operation);
    };
    host.lockSet = [this] {
        return ParentLockIsSet();
    };
    // A wake of Kestrel's own timer, before anyone is at the computer: the windows wait for a person.
    host.noPersonYet = options_.noPersonYet ? options_.noPersonYet
                                            : std::function<bool()>([this] { return waker_->AwaitingPerson(); });
    host.balloon = balloon_;
    host.allow = [this](HWND owner, const wchar_t* reason) {
        return AllowGuarded(owner, reason);
    };
    host.autoStartTicked = [this] {
        return main_->AutoStartChecked();
    };
    host.tickAutoStart = [this] {
        main_->SetAutoStartChecked(true);
        if (options_.applyAutoStart) {
            options_.applyAutoStart(true);
        }
        Events().Record(text::kEventAutoStart, text::kHistoryAutoStartTicked);
    };
    host.changed = [this] {
        if (nextPlanLine_) {
            nextPlanLine_->Show();
        }
    };
    quiet_ = std::make_unique<QuietHours>(std::move(host));
    quiet_->Start(main_->hwnd());
    StartAtLogOnHost keep;
    keep.lockSet = [this] {
        return ParentLockIsSet();
    };
    keep.ticked = [this] {
        return main_->AutoStartChecked();
    };
    keep.removeMark = options_.removeStartupMark;
    keep.events = &Events();
    keep.balloon = balloon_;
    startAtLogOn_ = std::make_unique<StartAtLogOnKeeper>(std::move(keep));
}

void Application::StartNextPlanLine() {
    NextPlanLineOptions line;
    // Under the parent's lock the strongest power plan of a minute is the one named: it is counted down.
    line.strongestWins = options_.parentLockActive ? options_.parentLockActive
                                                   : std::function<bool()>([this] { return ParentLockIsSet(); });
    line.show = [this](const NextPlanText& parts) {
        // The tray icon sends the tip to the shell only when it changed.
        tray_.SetTip(TrayTipFor(parts));
        main_->SetNextPlanLine(parts);
    };
    line.waker = waker_.get();
    nextPlanLine_ = std::make_unique<NextPlanLine>(plans_, clock_, std::move(line));
    nextPlanLine_->AddSource([this](const ClockReading& now, bool) { return QuietNextPlanClaim(quiet_->Check(), now); });
    nextPlanLine_->Show();
}

void Application::StartSystemNotices() {
    SystemNoticesHost host;
    host.sessionState = options_.sessionState;
    host.sessionEndConfirmed = options_.sessionEndConfirmed;
    host.events = &Events();
    host.sessionEndNoticed = [this] {
        // Kept before anything else, in case Windows ends the process right after: the plans, the line and
        // the mark cleared (it comes back if the session goes on).
        keeper_->SaveNow();
        Events().Record(text::kEventSessionEnded, L"");
        history_->HoldMark();
    };
    host.endSession = [this] {
        End(ProgramEnd::SessionEnd);
    };
    host.forgedEnd = [this] {
        history_->ReleaseMark();
    };
    notices_ = std::make_unique<SystemNotices>(broadcast_, clock_, std::move(host));
}

void Application::StartSettingsWatch() {
    if (!options_.watchSettings) {
        return;
    }
    SettingsWatchHost host;
    host.clock = &clock_;
    host.events = &Events();
    host.lockSet = [this] {
        return ParentLockIsSet();
    };
    host.lockRecordSound = [this] {
        return lock_->State() != LockState::Unreadable;
    };
    host.autoStartTicked = [this] {
        return main_->AutoStartChecked();
    };
    host.planFileValue = MinuteValueName(LongPathOf(PlanFilePathText()));
    settings_ = std::make_unique<SettingsWatch>(std::move(host));
}

void Application::WireHelpMenu(MainWindowEvents& events) {
    helpers_ = std::make_unique<HelperLibraries>(options_.helperFolder);
    events.aboutRequested = [this] {
        ShowHelpDialog([this] {
            AboutBox box(ResolveWebAddress(WebAddress::HomePage), [](const std::wstring& page) {
                ::ShellExecuteW(nullptr, nullptr, page.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
            });
            box.Show(options_.instance, main_->hwnd());
        });
    };
    events.feedbackRequested = [this] {
        ShowHelpDialog([this] { helpers_->ShowComment(text::kFeedbackProduct); });
    };
    events.feedbackAvailable = [this] {
        // Without its library the entry would do nothing: it is greyed instead.
        const std::wstring& folder = options_.helperFolder;
        return !folder.empty() &&
               ::GetFileAttributesW((folder + L"\\SendComment.dll").c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    events.updateCheckDue = [this] {
        helpers_->DoUpdate(ResolveWebAddress(WebAddress::UpdateManifest));
    };
}

void Application::SetUpMainWindow() {
    // What the first sight of the window shows: tab 1's pictures with its panel in front, the real state
    // of the auto-start entry (only shown: setting the box is not a user's click and writes nothing) and
    // the clock line.
    main_->SelectTab(kTabShutdown);
    main_->SetAutoStartChecked(options_.autoStartPresent && options_.autoStartPresent());
    ShowAutoStartProgram();
    main_->ShowClockLine(static_cast<int>(ClockLineMode::CurrentTime));
}

void Application::ShowAutoStartProgram() {
    main_->ShowAutoStartProgram(options_.autoStartOtherProgram ? options_.autoStartOtherProgram() : L"");
}

void Application::CreatePage(int tab) {
    const auto mainWindow = [this] {
        return main_ ? main_->hwnd() : nullptr;
    };
    const auto guard = [this](const wchar_t* reason) {
        return AllowGuarded(main_->hwnd(), reason);
    };
    const auto editor = [&](EditorKind kind) {
        auto page = std::make_unique<PlanEditorPage>(kind, plans_, clock_, mainWindow);
        page->Create(main_->Panel(tab));
        page->SetEvents(&Events());
        return page;
    };
    switch (tab) {
    case kTabShutdown:
        editors_[0] = editor(EditorKind::Shutdown);
        countdownTargets_ = std::make_unique<CountdownTargets>(editors_, clock_);
        break;
    case kTabReminder:
        editors_[1] = editor(EditorKind::Reminder);
        break;
    case kTabRun:
        editors_[2] = editor(EditorKind::Run);
        editors_[2]->SetGuard(guard);
        break;
    case kTabPlanList:
        planListPage_ = std::make_unique<PlanListPage>(plans_, mainWindow);
        planListPage_->Create(main_->Panel(kTabPlanList));
        planListPage_->SetGuard(guard);
        planListPage_->SetEvents(&Events());
        break;
    case kTabForbidden: {
        forbiddenPage_ = std::make_unique<ForbiddenProgramsPage>(processTable_);
        forbiddenPage_->Create(main_->Panel(kTabForbidden));
        // Under the lock the list of the last run comes back, also on a start at log-on.
        if (lock_->IsSet()) {
            forbiddenPage_->SetEntries(lock_->KeptForbiddenList());
        }
        forbiddenPage_->ShowListKept(lock_->IsSet());
        forbiddenPage_->SetGuard(guard);
        forbiddenPage_->SetEvents(&Events());
        forbiddenPage_->SetListChanged(
            [this](const std::vector<std::wstring>& entries) { lock_->KeepForbiddenList(entries); });
        ForbiddenWatchHost watch;
        watch.clock = &clock_;
        watch.events = &Events();
        watch.balloon = balloon_;
        watch.keepList = [this](const std::vector<std::wstring>& entries) {
            lock_->KeepForbiddenList(entries);
        };
        forbiddenWatch_ = std::make_unique<ForbiddenWatch>(*forbiddenPage_, std::move(watch));
        break;
    }
    default:
        break;
    }
}

void Application::End(ProgramEnd how) {
    if (ending_) {
        return;
    }
    ending_ = true;
    main_->DropNotices();
    main_->SetPlanFileRetry(false);
    // The exit's line, the mark cleared, the last minute kept, the start at log-on kept, the session and
    // the wake timer let go.
    broadcast_.OnEnd(how);
    keeper_->SaveAtEnd(how == ProgramEnd::Exit);
    tray_.Remove();
    if (fired_) {
        fired_->CloseAll();
    }
    DestroyProgramWindows(main_->hwnd());
    ::PostQuitMessage(0);
}

int Application::RunMessageLoop() {
#ifdef KESTREL_COUNT_WAKEUPS
    WakeupCounter wakeups(options_.planFolder);
#endif
    for (;;) {
#ifdef KESTREL_COUNT_WAKEUPS
        wakeups.BeforeWait();
#endif
        // A change of the settings wakes the loop as a message does.
        HANDLE changed = settings_ ? settings_->Event() : nullptr;
        const DWORD woken = ::MsgWaitForMultipleObjectsEx(changed ? 1 : 0, changed ? &changed : nullptr, INFINITE,
                                                          QS_ALLINPUT, MWMO_INPUTAVAILABLE);
#ifdef KESTREL_COUNT_WAKEUPS
        wakeups.AfterWait();
#endif
        if (changed && woken == WAIT_OBJECT_0) {
            settings_->Check();
            continue;
        }
        MSG message{};
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                return static_cast<int>(message.wParam);
            }
            // Tab, the arrow keys and the access keys move between the controls of the window and its pages.
            if (fired_ && fired_->PreTranslate(message)) {
                continue;
            }
            HWND main = main_ ? main_->hwnd() : nullptr;
            if (main && ::IsDialogMessageW(main, &message)) {
                continue;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

} // namespace kestrel::win
