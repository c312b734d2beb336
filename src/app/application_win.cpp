// Start-up, the message loop and the real end of the program; see application_win.h.
#include "app/application_win.h"

#include "actions/countdown_prompt_win.h"
#include "actions/forbidden_page_win.h"
#include "actions/power_operations.h"
#include "actions/program_starter_win.h"
#include "actions/reminder_popup_win.h"
#include "platform/program_launcher_win.h"
#include "platform/process_table_win.h"

#include "base/app_messages.h"
#include "base/clock_text.h"
#include "app/command_line.h"
#include "base/texts.h"
#include "editors/plan_editor_page_win.h"
#include "history/exit_mark_win.h"
#include "history/history_disk_win.h"
#include "history/history_window_win.h"
#include "lock/password_dialogs_win.h"
#include "lock/registry_lock_store_win.h"
#include "platform/crypto_win.h"
#include "plans/plan_file.h"
#include "plans/plan_file_saver.h"
#include "plans/plan_store.h"
#include "plans/plan_list_page_win.h"
#include "plans/plan_location.h"
#include "plans/next_plan.h"
#include "plans/plan_waker_win.h"
#include "platform/last_minute_store_win.h"
#include "platform/file_bytes.h"
#include "platform/com_win.h"
#include "platform/dpi_win.h"
#include "platform/folder_access_win.h"
#include "platform/module_win.h"
#include "platform/path_name.h"
#include "platform/wake_timer_win.h"
#include "platform/text_compare.h"
#include "platform/xml_tree.h"
#include "quiet_hours/quiet_hours_win.h"
#include "quiet_hours/quiet_next_plan.h"
#include "res/resource_ids.h"
#include "shell/auto_start_win.h"
#include "shell/about_box_win.h"
#include "shell/advert_banner_win.h"
#include "shell/helper_libraries_win.h"
#include "shell/single_instance_win.h"
#include "shell/startup_approved_win.h"
#include "shell/web_address_win.h"

#include <commctrl.h>
#include <wtsapi32.h>
#include <objbase.h>
#include <shellapi.h>

#include <vector>

namespace kestrel::win {

namespace {

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

// Closes the main window (its children, the pages, go with it), then every other top-level window this
// program made on this thread: prompts, pop-ups and their owners' leftovers. System windows of the
// thread (IME and the like) belong to other modules and are left alone.
void DestroyProgramWindows(HWND main) {
    if (::IsWindow(main)) {
        ::DestroyWindow(main);
    }
    std::vector<HWND> windows;
    ::EnumThreadWindows(::GetCurrentThreadId(), &CollectWindow, reinterpret_cast<LPARAM>(&windows));
    const auto module = reinterpret_cast<LONG_PTR>(::GetModuleHandleW(nullptr));
    for (HWND window : windows) {
        if (::IsWindow(window) && ::GetWindowLongPtrW(window, GWLP_HINSTANCE) == module) {
            ::DestroyWindow(window);
        }
    }
}

// The system's wording for `error`, or its number when the system has no words for it.
std::wstring ReasonText(DWORD error) {
    std::wstring text = SystemErrorText(error);
    return text.empty() ? std::to_wstring(error) : text;
}
#ifdef KESTREL_COUNT_WAKEUPS
// Bench builds only: counts the times the message loop had to wait for a message, from 5 to 65 seconds
// after start, and then writes "<wakes> <milliseconds>" to wakeups.txt beside the plan file.
class WakeupCounter {
public:
    explicit WakeupCounter(std::wstring folder) : folder_(std::move(folder)), start_(::GetTickCount64()) {}
    // Called before each GetMessage: whether it will have to wait (nothing in the queue now).
    void BeforeWait() { waiting_ = HIWORD(::GetQueueStatus(QS_ALLINPUT)) == 0; }
    void AfterWait() {
        const ULONGLONG now = ::GetTickCount64() - start_;
        if (done_ || now < kSettleMs || !waiting_) {
            return;
        }
        ++wakes_;
        if (now >= kSettleMs + kSpanMs) {
            done_ = true;
            const std::string line = std::to_string(wakes_) + " " + std::to_string(now - kSettleMs) + "\n";
            UniqueKernelHandle file(::CreateFileW((folder_ + L"\\wakeups.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                                  CREATE_ALWAYS, 0, nullptr));
            DWORD written = 0;
            if (file.get() != INVALID_HANDLE_VALUE) {
                ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            }
        }
    }

private:
    static constexpr ULONGLONG kSettleMs = 5000;
    static constexpr ULONGLONG kSpanMs = 60000;
    std::wstring folder_;
    ULONGLONG start_;
    unsigned long long wakes_ = 0;
    bool waiting_ = false;
    bool done_ = false;
};
#endif
} // namespace

// The plan file's keeper and its saver; kept out of the header so that only this file knows the XML
// back-end.
struct Application::Plans {
    std::unique_ptr<XmlBackend> xml;
    std::unique_ptr<PlanStore> store;
    std::unique_ptr<PlanFileSaver> saver;
    PlanSaveResult lastSave = PlanSaveResult::Saved;
    bool retrying = false; // a save of the slow timer
};

Application::Application(ApplicationOptions options)
    : options_(std::move(options)), clock_(options_.clock ? *options_.clock : systemClock_),
      store_(std::make_unique<Plans>()), tray_(options_.trayShell) {
    store_->xml = CreateXmlBackend();
    store_->store = std::make_unique<PlanStore>(DiskFiles(), *store_->xml, plans_,
                                                PlanFilePath(options_.planFolder), options_.carryPlansFrom);
    if (!options_.historyFolder.empty()) {
        history_ = std::make_unique<History>(SystemHistoryDisk(), clock_, options_.historyFolder);
        // Said once, without a box; the events go on being tried.
        history_->SetWriteFailed([this](std::uint32_t error) {
            tray_.ShowBalloon(text::kAppTitle,
                              FillIn(FillIn(text::kHistoryWriteFailed, L"{path}", history_->Path()),
                                     L"{reason}", ReasonText(error)));
        });
    }
}

Application::~Application() {
    if (nextPlanSubscription_) {
        plans_.Unsubscribe(nextPlanSubscription_);
    }
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
    processAccess_.SetEndableByUser(lock_->Load() == LockState::Off);
    lock_->SetStateListener([this](LockState state) { OnLockStateChanged(state); });
    guard_ = std::make_unique<PasswordGuard>(options_.instance, *lock_);
    guard_->SetEvents(&Events());
}

bool Application::AllowGuarded(HWND owner, const wchar_t* reason) {
    // Once Exit has begun nothing is asked any more: the session's end must never wait for a box.
    return ending_ || guard_->Allow(owner, reason);
}

void Application::ShowParentPassword() {
    if (helpDialogOpen_) {
        return;
    }
    helpDialogOpen_ = true;
    ShowParentPasswordDialog(options_.instance, main_->hwnd(), *lock_, &Events());
    helpDialogOpen_ = false;
}

void Application::OnLockStateChanged(LockState state) {
    ShowNextPlan(); // under the lock it names the strongest power plan of a minute
    processAccess_.SetEndableByUser(state == LockState::Off);
    if (!forbiddenPage_) {
        return;
    }
    forbiddenPage_->ShowListKept(state != LockState::Off);
    // From the moment a password is set the list is kept; removing it removed the kept list, and this
    // run keeps its entries.
    lock_->KeepForbiddenList(forbiddenPage_->List().Entries());
}

void Application::ReportEndedProcesses(const std::vector<EndedProcess>& ended) {
    const std::int64_t minute = MinuteNumber(clock_.Now());
    for (const EndedProcess& process : ended) {
        const std::wstring& path = process.path.empty() ? process.exeName : process.path;
        const std::wstring detail =
            FillIn(FillIn(process.byOriginalName ? text::kHistoryEndedRenamed : text::kHistoryEnded,
                          L"{path}", path),
                   L"{entry}", process.entry);
        // A loop of copies must not flood the file: at most one line per entry and minute.
        if (const auto line = endedLines_.Ended(process.entry, detail, minute)) {
            Events().Record(text::kEventForbiddenEnded, *line);
        }
        if (process.byOriginalName) {
            // A parent should see an unexpected match: the full path and the entry it matched. The path
            // goes in last: it may hold anything.
            tray_.ShowBalloon(text::kAppTitle,
                              FillIn(FillIn(text::kForbiddenEndedRenamed, L"{entry}", process.entry), L"{path}",
                                     process.path));
        }
    }
}

void Application::StartQuietHours() {
    QuietHoursHost host;
    host.instance = options_.instance;
    host.clock = &clock_;
    host.store = options_.quietHoursStore;
    host.events = &Events();
    host.openCountdown = [this] {
        return prompt_ && prompt_->Counting() ? prompt_->Operation() : std::wstring();
    };
    host.startCountdown = [this](const std::wstring& operation) {
        prompt_->方法_提示关机_进行关机操作(operation);
    };
    host.lockSet = [this] {
        return ParentLockIsSet();
    };
    // A wake of Kestrel's own timer, before anyone is at the computer: the windows wait for a person.
    host.noPersonYet = options_.noPersonYet ? options_.noPersonYet
                                            : std::function<bool()>([this] { return waker_ && waker_->AwaitingPerson(); });
    host.balloon = [this](const std::wstring& message) {
        tray_.ShowBalloon(text::kAppTitle, message);
    };
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
    };
    host.changed = [this] {
        ShowNextPlan();
    };
    quiet_ = std::make_unique<QuietHours>(std::move(host));
    quiet_->Start(main_->hwnd());
}

void Application::ShowQuietHours() {
    if (helpDialogOpen_ || !quiet_) {
        return;
    }
    helpDialogOpen_ = true;
    quiet_->ShowDialog(main_->hwnd());
    helpDialogOpen_ = false;
}

void Application::KeepStartAtLogOn(bool tell) {
    if (!lock_->IsSet() || !main_->AutoStartChecked()) {
        return;
    }
    const bool removed =
        options_.removeStartupMark ? options_.removeStartupMark() : RemoveStartupDisabledMark();
    if (!removed) {
        return;
    }
    Events().Record(text::kEventAutoStart, text::kStartupMarkEvent);
    if (tell) {
        tray_.ShowBalloon(text::kAppTitle, text::kStartupMarkRemoved);
    }
}

std::wstring Application::PlanFilePathText() const {
    return store_->store->Path();
}

EventSink& Application::Events() {
    if (history_) {
        return *history_;
    }
    return noEvents_;
}

void Application::RecordStart() {
    if (!history_) {
        return;
    }
    // A history that is gone while this plan file's last minute is still kept was deleted or cleared: the
    // new file says so first.
    if (!history_->Exists() && options_.lastMinute && options_.lastMinute->Load()) {
        history_->Record(text::kEventHistory, text::kHistoryEarlierGone);
    }
    const wchar_t* how =
        StartsHidden(options_.arguments) ? text::kHistoryStartAtLogOn : text::kHistoryStartByHand;
    history_->Record(text::kEventStarted,
                     FillIn(FillIn(text::kHistoryStartDetail, L"{path}", PlanFilePathText()), L"{how}", how));
    if (options_.exitMark) {
        // The last run left its mark: it was ended from outside, crashed, or the power failed.
        if (const auto lastSeen = options_.exitMark->Read()) {
            history_->Record(text::kEventUncleanExit, FillIn(text::kHistoryLastSeen, L"{time}", *lastSeen));
        }
        RefreshExitMark();
    }
}

void Application::RefreshExitMark() {
    const LocalDateTime now = clock_.Now();
    // Once the end has begun the mark is gone for good, even while a box about the last save is open.
    if (ending_ || !history_ || !options_.exitMark || markMinute_ == MinuteNumber(now) ||
        ::GetTickCount64() < markHeldUntil_) {
        return;
    }
    markMinute_ = MinuteNumber(now);
    options_.exitMark->Set(HistoryMinuteText(now));
}

void Application::RecordCancelled(const std::wstring& operation, const wchar_t* by) {
    Events().Record(text::kEventCountdownCancelled,
                    FillIn(FillIn(text::kHistoryCancelledBy, L"{by}", by), L"{operation}", operation));
}

void Application::ShowHistory() {
    if (helpDialogOpen_ || !history_) {
        return;
    }
    helpDialogOpen_ = true;
    HistoryWindow window(*history_,
                         [this](HWND owner, const wchar_t* reason) { return AllowGuarded(owner, reason); });
    window.Show(options_.instance, main_->hwnd());
    helpDialogOpen_ = false;
}

bool Application::Start() {
    // First of all: a run that ends during its own start-up has left its mark too.
    RecordStart();
    SetUpParentLock();
    MainWindowEvents events;
    events.allow = [this](const wchar_t* reason) {
        return AllowGuarded(main_->hwnd(), reason);
    };
    events.parentPasswordRequested = [this] {
        ShowParentPassword();
    };
    events.historyRequested = [this] {
        ShowHistory();
    };
    events.quietHoursRequested = [this] {
        ShowQuietHours();
    };
    events.sessionChanged = [this](unsigned code) {
        // Someone unlocked the screen or connected to the session: a person is at the computer.
        if (waker_ && (code == WTS_SESSION_UNLOCK || code == WTS_CONSOLE_CONNECT ||
                       code == WTS_REMOTE_CONNECT || code == WTS_SESSION_LOGON)) {
            waker_->PersonSeen();
        }
        if (quiet_) {
            quiet_->OnSession(code);
        }
    };
    events.autoStartClicked = [this](bool ticked) {
        if (options_.applyAutoStart) {
            options_.applyAutoStart(ticked);
        }
        Events().Record(text::kEventAutoStart,
                        ticked ? text::kHistoryAutoStartTicked : text::kHistoryAutoStartCleared);
        ShowAutoStartProgram();
    };
    events.exitConfirmed = [this] {
        End(true);
    };
    events.sessionEnding = [this] {
        End(false);
    };
    events.planFileRetry = [this] {
        // Read at last (its plans are in front now, and those added meanwhile are saved with them), or a
        // save that the folder or another program refused: try the save again. A failure that lasts was
        // told once already.
        PlanStore& store = *store_->store;
        if ((store.RetryRead() || store.SaveRetryDue()) && store_->saver) {
            store_->retrying = true;
            store_->saver->SaveNow();
            store_->retrying = false;
        }
        ShowPlanFileNotices();
    };
    events.secondTick = [this] {
        OnSecondTick();
    };
    events.suspending = [this] {
        if (scheduler_) {
            scheduler_->OnSuspend();
        }
        if (waker_) {
            waker_->Suspending();
        }
    };
    events.resumeNotice = [this](bool byPerson) {
        if (waker_ && byPerson) {
            waker_->PersonSeen();
        } else if (waker_) {
            waker_->ResumedAutomatically();
        }
    };
    events.resumed = [this] {
        if (scheduler_) {
            scheduler_->OnResume();
        }
        if (waker_) {
            waker_->TimeMoved();
        }
        CheckPlansNow();
        // After the scheduler's pass, which may have started a countdown again that the window then leaves.
        if (quiet_) {
            quiet_->OnWake();
            quiet_->Tick();
        }
    };
    events.timeChanged = [this] {
        if (waker_) {
            waker_->TimeMoved();
        }
        CheckPlansNow();
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
    tray_.Add(main_->hwnd(), main_->TrayMenu(),
              IconResource{options_.instance, MAKEINTRESOURCEW(KESTREL_IDI_APP)});
    LoadPlans();
    StartScheduler();
    StartPlanWaker();
    StartQuietHours();
    KeepStartAtLogOn(true);
    // The tip names the next plan, and follows every change of the list.
    nextPlanSubscription_ = plans_.Subscribe([this](const PlanListEvent&) { ShowNextPlan(); });
    ShowNextPlan();
    if (lock_->State() == LockState::Unreadable) {
        // Said once, without a box: the user may not be at the screen yet.
        tray_.ShowBalloon(text::kAppTitle,
                          FillIn(text::kLockUnreadableBalloon, L"{value}", PasswordValueFullName()));
    }
    main_->FinishAfterShow();
    // Last, since loading the browser control takes a moment; the page itself loads on its own time.
    if (options_.advertBanner) {
        CreateAdvertBanner(main_->AdvertArea(), ResolveWebAddress(WebAddress::AdvertPage));
    }
    return true;
}

void Application::WireHelpMenu(MainWindowEvents& events) {
    helpers_ = std::make_unique<HelperLibraries>(options_.helperFolder);
    events.aboutRequested = [this] {
        ShowAboutBox();
    };
    events.feedbackRequested = [this] {
        ShowFeedback();
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

void Application::ShowAboutBox() {
    // The owner is disabled while a box is open, but a posted command still arrives: one box at a time.
    if (helpDialogOpen_) {
        return;
    }
    helpDialogOpen_ = true;
    AboutBox box(ResolveWebAddress(WebAddress::HomePage), [](const std::wstring& page) {
        ::ShellExecuteW(nullptr, nullptr, page.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    });
    box.Show(options_.instance, main_->hwnd());
    helpDialogOpen_ = false;
}

void Application::ShowFeedback() {
    if (helpDialogOpen_) {
        return;
    }
    helpDialogOpen_ = true;
    helpers_->ShowComment(text::kFeedbackProduct);
    helpDialogOpen_ = false;
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
    const auto editor = [&](EditorKind kind) {
        auto page = std::make_unique<PlanEditorPage>(kind, plans_, clock_, mainWindow);
        page->Create(main_->Panel(tab));
        page->SetEvents(&Events());
        return page;
    };
    switch (tab) {
    case kTabShutdown:
        editors_[0] = editor(EditorKind::Shutdown);
        break;
    case kTabReminder:
        editors_[1] = editor(EditorKind::Reminder);
        break;
    case kTabRun:
        editors_[2] = editor(EditorKind::Run);
        editors_[2]->SetGuard([this](const wchar_t* reason) { return AllowGuarded(main_->hwnd(), reason); });
        break;
    case kTabPlanList:
        planListPage_ = std::make_unique<PlanListPage>(plans_, mainWindow);
        planListPage_->Create(main_->Panel(kTabPlanList));
        planListPage_->SetGuard([this](const wchar_t* reason) { return AllowGuarded(main_->hwnd(), reason); });
        planListPage_->SetEvents(&Events());
        break;
    case kTabForbidden:
        forbiddenPage_ = std::make_unique<ForbiddenProgramsPage>(processTable_);
        forbiddenPage_->Create(main_->Panel(kTabForbidden));
        // Under the lock the list of the last run comes back, also on a start at log-on.
        if (lock_->IsSet()) {
            forbiddenPage_->SetEntries(lock_->KeptForbiddenList());
        }
        forbiddenPage_->ShowListKept(lock_->IsSet());
        forbiddenPage_->SetGuard([this](const wchar_t* reason) { return AllowGuarded(main_->hwnd(), reason); });
        forbiddenPage_->SetEvents(&Events());
        forbiddenPage_->SetListChanged(
            [this](const std::vector<std::wstring>& entries) { lock_->KeepForbiddenList(entries); });
        forbiddenPage_->SetProcessesEnded(
            [this](const std::vector<EndedProcess>& ended) { ReportEndedProcesses(ended); });
        break;
    default:
        break;
    }
}

void Application::StartScheduler() {
    prompt_ = std::make_unique<CountdownPrompt>(options_.instance, [this](const std::wstring& operation) {
        // The plans are saved first, whatever the operation; a failed save was told when it happened and
        // does not hold the operation up.
        PowerControl& power = options_.power ? *options_.power : power_;
        // Shutting down, restarting and logging off end the session, maybe without its messages: the exit
        // mark goes right before, so that a bedtime shutdown never reads as an unclean end.
        const bool endsSession = operation != text::kOpLock;
        const std::uint32_t error = PerformComputerOperation(
            operation,
            [this, endsSession] {
                if (store_->saver) {
                    store_->saver->SaveNow();
                }
                if (endsSession && options_.exitMark) {
                    options_.exitMark->Clear();
                    markHeldUntil_ = ::GetTickCount64() + 2 * 60 * 1000;
                }
            },
            power);
        Events().Record(text::kEventPowerOperation,
                        error == 0
                            ? operation
                            : FillIn(FillIn(text::kHistoryPowerRefused, L"{reason}", ReasonText(error)),
                                     L"{operation}", operation));
        if (error != 0) {
            markHeldUntil_ = 0;
            markMinute_.reset();
            RefreshExitMark();
            // The prompt has closed; the computer stays on, and the balloon says why.
            tray_.ShowBalloon(text::kAppTitle,
                              FillIn(FillIn(text::kMsgPowerOperationFailed, L"{operation}", operation),
                                     L"{reason}", ReasonText(error)));
        }
    });
    popups_ = std::make_unique<ReminderPopups>(options_.instance, clock_,
                                               [this](PlanRow row) { plans_.Append(std::move(row)); });
    starter_ = std::make_unique<ProgramStarter>(
        [](const std::wstring& program, bool hidden, HANDLE* process) {
            return StartPlanProgram(program, hidden, process);
        },
        [this](const std::wstring& program, const LaunchResult& result) {
            ReportStartFailure(program, result);
        },
        [this](std::uint64_t keep, bool started, UniqueKernelHandle process) {
            if (waker_) {
                waker_->ProgramStarted(keep, started, std::move(process));
            }
        });
    prompt_->SetGuard([this](HWND owner, const wchar_t* reason) { return AllowGuarded(owner, reason); },
                      [this](HWND owner) { guard_->DismissOwnedBy(owner); });
    prompt_->SetCancelled([this](const std::wstring& operation) {
        RecordCancelled(operation, lock_->IsSet() ? text::kHistoryByPassword : text::kCountdownCancel);
    });
    prompt_->SetEndListener([this](CountdownEnd how) {
        if (quiet_) {
            quiet_->OnCountdownEnded(how);
        }
    });
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
    scheduler_ = std::make_unique<Scheduler>(plans_, clock_, firedPlans_, std::move(schedulerOptions));
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
        tray_.ShowBalloon(text::kAppTitle, FillIn(text::kMsgWakeRefused, L"{reason}", ReasonText(error)));
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
    ShowNextPlan();
}

void Application::OnSecondTick() {
    if (scheduler_) {
        scheduler_->RunPass();
    }
    if (waker_) {
        waker_->Check();
    }
    // The counts of forbidden ends of a minute that is over come before this tick's ends.
    for (const std::wstring& line : endedLines_.Flush(MinuteNumber(clock_.Now()))) {
        Events().Record(text::kEventForbiddenEnded, line);
    }
    if (forbiddenPage_) {
        forbiddenPage_->CheckNow();
    }
    RefreshExitMark();
    if (quiet_) {
        quiet_->Tick();
    }
    if (nextPlanMinute_ != MinuteNumber(clock_.Now())) {
        ShowNextPlan();
        for (const auto& editor : editors_) {
            if (editor) {
                editor->ShowCountdownTarget();
            }
        }
    }
}

void Application::CheckPlansNow() {
    if (scheduler_) {
        scheduler_->RunPass();
    }
    ShowNextPlan();
}

void Application::ShowNextPlan() {
    if (ending_ || !main_) {
        return;
    }
    const ClockReading now = clock_.Read();
    nextPlanMinute_ = MinuteNumber(now.local);
    // Under the parent's lock the strongest power plan of a minute is the one named: it is counted down.
    const bool strongestWins = options_.parentLockActive ? options_.parentLockActive() : ParentLockIsSet();
    NextPlanText line = NextPlanParts(plans_.Rows(), now.local, strongestWins);
    bool namesPlan = true;
    if (quiet_) {
        NextPlanText quiet = QuietNextPlanParts(plans_.Rows(), quiet_->Check(), now, strongestWins);
        namesPlan = quiet == line;
        line = std::move(quiet);
    }
    // The wake timer follows the same moments as the line: every change of the list and of the minute.
    if (waker_) {
        waker_->Update();
        const std::optional<NextPlan> next = FindNextPlan(plans_.Rows(), now.local, strongestWins);
        if (namesPlan && next && waker_->Wakes(next->index, next->minute)) {
            line.mark = text::kNextPlanWakes;
        }
    }
    // The tray icon sends the tip to the shell only when it changed.
    tray_.SetTip(TrayTipFor(line));
    main_->SetNextPlanLine(line);
}

void Application::FiredPlans::StartPowerCountdown(const std::wstring& operation) {
    app_.prompt_->方法_提示关机_进行关机操作(operation);
}

void Application::FiredPlans::ShowReminder(const std::wstring& message, const std::wstring& kind,
                                            const std::optional<LocalDateTime>& due) {
    const ReminderPopup* popup = app_.popups_->方法_提示关机_进行关机操作(message, kind, due);
    if (popup && app_.waker_) {
        app_.waker_->ReminderShown(popup->hwnd(), MinuteNumber(due ? *due : app_.clock_.Now()));
    }
}

void Application::FiredPlans::Report(const std::wstring& notice) {
    app_.tray_.ShowBalloon(text::kAppTitle, notice);
}

std::wstring Application::FiredPlans::OpenCountdown() {
    return app_.prompt_ && app_.prompt_->Counting() ? app_.prompt_->Operation() : std::wstring();
}

void Application::FiredPlans::CancelCountdown() {
    if (app_.prompt_ && app_.prompt_->Counting()) {
        const std::wstring operation = app_.prompt_->Operation();
        app_.prompt_->CancelForSleep();
        app_.RecordCancelled(operation, text::kHistoryBySleep);
    }
}

void Application::FiredPlans::StartProgram(const std::wstring& program, const std::wstring& runMode) {
    // Returns at once: the start happens on the starter's worker, and a failure comes back as a message,
    // as does the process when the computer is kept awake for it.
    const std::uint64_t keep =
        app_.waker_ ? app_.waker_->ProgramStarting(MinuteNumber(app_.clock_.Now())) : 0;
    app_.starter_->Start(program, runMode == text::kOpRunHidden, keep);
}

void Application::ReportStartFailure(const std::wstring& program, const LaunchResult& result) {
    // No box inside the timer: a balloon tells it once and the pass goes on.
    // The path goes in last: it is the user's text and may hold anything.
    const std::wstring reason = result.refusal == LaunchRefusal::NotAbsolute
                                    ? std::wstring(text::kReasonProgramNotFullPath)
                                    : ReasonText(result.error);
    Events().Record(text::kEventStartFailed,
                    FillIn(FillIn(text::kHistoryStartFailed, L"{path}", program), L"{reason}", reason));
    tray_.ShowBalloon(text::kAppTitle,
                      FillIn(FillIn(text::kMsgProgramStartFailed, L"{reason}", reason), L"{path}", program));
}

void Application::LoadPlans() {
    // The saver exists before anything can show a box: a box pumps messages while the tray icon and the
    // timers are live, and a change made meanwhile must reach the file.
    store_->saver = std::make_unique<PlanFileSaver>(
        plans_, [this] { return SavePlans(); }, [this] { ReportSaveFailure(); });
    store_->store->Load();
    ShowPlanFileNotices();
}

bool Application::SavePlans() {
    store_->lastSave = store_->store->Save(!store_->retrying);
    ShowPlanFileNotices();
    return store_->lastSave == PlanSaveResult::Saved;
}

void Application::ShowPlanFileNotices() {
    PlanStore& store = *store_->store;
    if (const auto copy = store.TakeDamagedCopyNotice()) {
        // No box at start-up: the user may not even be at the screen yet.
        tray_.ShowBalloon(text::kAppTitle, FillIn(text::kMsgPlanFileDamaged, L"{path}", *copy));
    }
    if (store.TakeReadFailureNotice()) {
        main_->PostNotice(text::kMsgPlanFileOpenError, 0);
    }
    main_->SetPlanFileRetry(store.Unread() || store.SaveRetryDue());
}

void Application::ReportSaveFailure() {
    const std::wstring& path = store_->store->Path();
    std::wstring message;
    switch (store_->lastSave) {
    case PlanSaveResult::FileUnread:
        message = FillIn(text::kMsgPlanFileUnread, L"{path}", store_->store->ReadPath());
        break;
    case PlanSaveResult::CopyFailed:
        message = FillIn(text::kMsgPlanFileCopyFailed, L"{path}", path);
        break;
    case PlanSaveResult::Saved:
    case PlanSaveResult::WriteFailed:
        message = PlanFileSaveErrorText(path);
        break;
    }
    // Saves run inside plan list notifications; the box waits for the top of the message loop.
    main_->PostNotice(std::move(message));
}

void Application::SaveBeforeExit() {
    for (;;) {
        const PlanSaveResult result = store_->store->Save();
        if (result == PlanSaveResult::Saved) {
            return;
        }
        const wchar_t* reason = result == PlanSaveResult::FileUnread   ? text::kReasonFileUnread
                                : result == PlanSaveResult::CopyFailed ? text::kReasonCopyFailed
                                                                       : text::kReasonWriteFailed;
        const std::wstring& path =
            result == PlanSaveResult::FileUnread ? store_->store->ReadPath() : store_->store->Path();
        const std::wstring message =
            FillIn(FillIn(text::kMsgExitSaveFailed, L"{path}", path), L"{reason}", reason);
        if (main_->Notify(message, MB_RETRYCANCEL | MB_ICONERROR | MB_DEFBUTTON1) != IDRETRY) {
            return;
        }
    }
}

void Application::End(bool mayReport) {
    if (ending_) {
        return;
    }
    ending_ = true;
    if (mayReport) {
        Events().Record(text::kEventExited, main_->ExitDetail(lock_->IsSet()));
    }
    // A clean end, by Exit or by the end of the session, leaves no mark.
    if (options_.exitMark) {
        options_.exitMark->Clear();
    }
    main_->DropNotices();
    main_->SetPlanFileRetry(false);
    if (scheduler_) {
        scheduler_->SaveLastMinute();
    }
    KeepStartAtLogOn(false);
    if (quiet_) {
        quiet_->Stop();
    }
    if (waker_) {
        waker_->Stop();
    }
    // The saver stops listening first: the windows that go next may still touch the list.
    store_->saver.reset();
    if (mayReport) {
        SaveBeforeExit();
    } else {
        // The session is ending: never hold it up, and there is no one left to tell.
        store_->store->Save();
    }
    tray_.Remove();
    if (popups_) {
        popups_->CloseAll();
    }
    DestroyProgramWindows(main_->hwnd());
    ::PostQuitMessage(0);
}

int Application::RunMessageLoop() {
    MSG message{};
#ifdef KESTREL_COUNT_WAKEUPS
    WakeupCounter wakeups(options_.planFolder);
    for (;;) {
        wakeups.BeforeWait();
        if (::GetMessageW(&message, nullptr, 0, 0) <= 0) {
            break;
        }
        wakeups.AfterWait();
#else
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
#endif
        // Tab, the arrow keys and the access keys move between the controls of the window and its pages.
        if (prompt_ && prompt_->PreTranslate(message)) {
            continue;
        }
        HWND main = main_ ? main_->hwnd() : nullptr;
        if (main && ::IsDialogMessageW(main, &message)) {
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

int RunKestrel(HINSTANCE instance, const wchar_t* commandLine) {
    SingleInstanceLock lock;
    if (!lock.Claim()) {
        return 0;
    }
    EnableDpiAwareness();
    ComApartment com;

    ApplicationOptions options;
    options.instance = instance;
    const std::wstring exeFolder = ExecutableFolder();
    const PlanFileLocation plans = ChoosePlanFileLocation(SystemFolders(), exeFolder, PerUserDataFolder());
    options.planFolder = plans.folder;
    options.carryPlansFrom = plans.carryOverFrom;
    options.helperFolder = exeFolder;
    options.advertBanner = true;
    options.arguments = std::wstring(ArgumentsOf(commandLine ? commandLine : L""));
    options.autoStartPresent = &AutoStartEntryPresent;
    options.applyAutoStart = &ApplyAutoStartChoice;
    options.autoStartOtherProgram = &AutoStartOtherProgram;
    // The minute belongs to the plan file in use, so that another copy's running time is not this one's.
    RegistryMinuteValues minuteValues;
    PlanFileLastMinute lastMinute(minuteValues, LongPathOf(PlanFilePath(plans.folder)));
    options.lastMinute = &lastMinute;
    options.historyFolder = PerUserDataFolder();
    RegistryExitMark exitMark;
    options.exitMark = &exitMark;
    options.wakeForPlans = &ReadWakeForPlans;
    options.keepWakeForPlans = &WriteWakeForPlans;
    Application app(std::move(options));
    if (!app.Start()) {
        return 1;
    }
    return app.RunMessageLoop();
}

} // namespace kestrel::win
