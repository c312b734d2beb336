// Start-up, the message loop and the real end of the program; see application_win.h.
#include "app/application_win.h"

#include "actions/countdown_prompt_win.h"
#include "actions/forbidden_page_win.h"
#include "actions/power_operations.h"
#include "actions/reminder_popup_win.h"
#include "platform/program_launcher_win.h"
#include "platform/process_table_win.h"

#include "base/app_messages.h"
#include "base/clock_text.h"
#include "app/command_line.h"
#include "base/texts.h"
#include "editors/plan_editor_page_win.h"
#include "lock/password_dialogs_win.h"
#include "lock/registry_lock_store_win.h"
#include "platform/crypto_win.h"
#include "plans/plan_file.h"
#include "plans/plan_file_saver.h"
#include "plans/plan_store.h"
#include "plans/plan_list_page_win.h"
#include "platform/file_bytes.h"
#include "platform/com_win.h"
#include "platform/dpi_win.h"
#include "platform/module_win.h"
#include "platform/text_compare.h"
#include "platform/xml_tree.h"
#include "res/resource_ids.h"
#include "shell/auto_start_win.h"
#include "shell/about_box_win.h"
#include "shell/advert_banner_win.h"
#include "shell/helper_libraries_win.h"
#include "shell/web_address_win.h"

#include <commctrl.h>
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

// The full path of the program a process runs; empty when it cannot be asked.
std::wstring ProgramOf(DWORD processId) {
    UniqueKernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process) {
        return {};
    }
    std::wstring path(32768, L'\0');
    DWORD size = static_cast<DWORD>(path.size());
    if (!::QueryFullProcessImageNameW(process.get(), 0, path.data(), &size)) {
        return {};
    }
    path.resize(size);
    return path;
}

std::wstring_view FileNameOf(std::wstring_view path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}

} // namespace

HWND FindRunningKestrel() {
    const std::wstring own = ExecutablePath();
    for (HWND window = ::FindWindowExW(nullptr, nullptr, kMainWindowClass, nullptr); window;
         window = ::FindWindowExW(nullptr, window, kMainWindowClass, nullptr)) {
        DWORD processId = 0;
        if (!::GetWindowThreadProcessId(window, &processId) || processId == 0) {
            continue;
        }
        const std::wstring program = ProgramOf(processId);
        if (!program.empty() &&
            (EqualIgnoringCase(program, own) || EqualIgnoringCase(FileNameOf(program), FileNameOf(own)))) {
            return window;
        }
    }
    return nullptr;
}

bool ActivatePreviousInstance() {
    HWND previous = FindRunningKestrel();
    if (!previous) {
        return false;
    }
    ::ShowWindow(previous, SW_SHOW);
    ::ShowWindow(previous, SW_RESTORE);
    ::SetWindowPos(previous, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    // This process was just started by the user, so it may hand the foreground on.
    DWORD owner = 0;
    if (::GetWindowThreadProcessId(previous, &owner) && owner) {
        ::AllowSetForegroundWindow(owner);
    }
    ::SetForegroundWindow(previous);
    return true;
}

bool SingleInstanceLock::Claim(const wchar_t* mutexName, DWORD patienceMs) {
    if (ActivatePreviousInstance()) {
        return false;
    }
    // Owned by this thread for the whole run; the system releases it when the process ends, however
    // it ends.
    mutex_.reset(::CreateMutexW(nullptr, TRUE, mutexName));
    if (!mutex_ || ::GetLastError() != ERROR_ALREADY_EXISTS) {
        // Either this is the first copy, or the mutex cannot be made at all: then only the window,
        // already looked for, can tell, and the start goes on.
        return true;
    }
    // Someone holds the name: a copy starting (its window comes soon) or ending (the name comes free), or
    // another program that took the name, which must not keep Kestrel from starting.
    constexpr DWORD kStepMs = 100;
    for (DWORD waited = 0; waited < patienceMs; waited += kStepMs) {
        const DWORD wait = ::WaitForSingleObject(mutex_.get(), kStepMs);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
            // The other copy has ended; this one takes over, unless a third one won the race.
            return !ActivatePreviousInstance();
        }
        if (ActivatePreviousInstance()) {
            return false;
        }
    }
    return true;
}

// The plan file's keeper and its saver; kept out of the header so that only this file knows the XML
// back-end.
struct Application::Plans {
    std::unique_ptr<XmlBackend> xml;
    std::unique_ptr<PlanStore> store;
    std::unique_ptr<PlanFileSaver> saver;
    PlanSaveResult lastSave = PlanSaveResult::Saved;
};

Application::Application(ApplicationOptions options)
    : options_(std::move(options)), store_(std::make_unique<Plans>()), tray_(options_.trayShell) {
    store_->xml = CreateXmlBackend();
    store_->store =
        std::make_unique<PlanStore>(DiskFiles(), *store_->xml, plans_, PlanFilePath(options_.planFolder));
}

Application::~Application() = default;

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
    lock_->Load();
    lock_->SetStateListener([this](LockState state) { OnLockStateChanged(state); });
    guard_ = std::make_unique<PasswordGuard>(options_.instance, *lock_);
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
    ShowParentPasswordDialog(options_.instance, main_->hwnd(), *lock_);
    helpDialogOpen_ = false;
}

void Application::OnLockStateChanged(LockState state) {
    if (!forbiddenPage_) {
        return;
    }
    forbiddenPage_->ShowListKept(state != LockState::Off);
    // From the moment a password is set the list is kept; removing it removed the kept list, and this
    // run keeps its entries.
    lock_->KeepForbiddenList(forbiddenPage_->List().Entries());
}

void Application::ReportEndedProcesses(const std::vector<EndedProcess>& ended) {
    for (const EndedProcess& process : ended) {
        if (process.byOriginalName) {
            // A parent should see an unexpected match: the full path and the entry it matched. The path
            // goes in last: it may hold anything.
            tray_.ShowBalloon(text::kAppTitle,
                              FillIn(FillIn(text::kForbiddenEndedRenamed, L"{entry}", process.entry), L"{path}",
                                     process.path));
        }
    }
}

std::wstring Application::PlanFilePathText() const {
    return store_->store->Path();
}

bool Application::Start() {
    SetUpParentLock();
    MainWindowEvents events;
    events.allow = [this](const wchar_t* reason) {
        return AllowGuarded(main_->hwnd(), reason);
    };
    events.parentPasswordRequested = [this] {
        ShowParentPassword();
    };
    events.autoStartClicked = [this](bool ticked) {
        if (options_.applyAutoStart) {
            options_.applyAutoStart(ticked);
        }
    };
    events.exitConfirmed = [this] {
        End(true);
    };
    events.sessionEnding = [this] {
        End(false);
    };
    events.planFileRetry = [this] {
        if (store_->store->RetryRead() && store_->saver) {
            // Read at last: its plans are in front now, and those added meanwhile can be saved with them.
            store_->saver->SaveNow();
        }
        ShowPlanFileNotices();
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
    tray_.SetTip(text::kAppTitle);
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
    main_->ShowClockLine(static_cast<int>(ClockLineMode::CurrentTime));
}

void Application::CreatePage(int tab) {
    const auto mainWindow = [this] {
        return main_ ? main_->hwnd() : nullptr;
    };
    const auto editor = [&](EditorKind kind) {
        auto page = std::make_unique<PlanEditorPage>(kind, plans_, clock_, mainWindow);
        page->Create(main_->Panel(tab));
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
        break;
    case kTabPlanList:
        planListPage_ = std::make_unique<PlanListPage>(plans_, mainWindow);
        planListPage_->Create(main_->Panel(kTabPlanList));
        planListPage_->SetGuard([this](const wchar_t* reason) { return AllowGuarded(main_->hwnd(), reason); });
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
        PerformComputerOperation(
            operation,
            [this] {
                if (store_->saver) {
                    store_->saver->SaveNow();
                }
            },
            power_);
    });
    popups_ = std::make_unique<ReminderPopups>(options_.instance, clock_,
                                               [this](PlanRow row) { plans_.Append(std::move(row)); });
    prompt_->SetGuard([this](HWND owner, const wchar_t* reason) { return AllowGuarded(owner, reason); },
                      [this](HWND owner) { guard_->DismissOwnedBy(owner); });
    scheduler_ = std::make_unique<Scheduler>(plans_, clock_, firedPlans_);
    planListPage_->SetSchedulerTick([this] { scheduler_->RunPass(); });
}

void Application::FiredPlans::StartPowerCountdown(const std::wstring& operation) {
    app_.prompt_->方法_提示关机_进行关机操作(operation);
}

void Application::FiredPlans::ShowReminder(const std::wstring& message, const std::wstring& kind) {
    app_.popups_->方法_提示关机_进行关机操作(message, kind);
}

void Application::FiredPlans::StartProgram(const std::wstring& program, const std::wstring& runMode) {
    const LaunchResult result = SystemLauncher().Start(program, runMode == text::kOpRunHidden);
    if (!result.started) {
        // No box inside the timer: a balloon tells it once and the pass goes on.
        // The path goes in last: it is the user's text and may hold anything.
        const std::wstring message =
            FillIn(FillIn(text::kMsgProgramStartFailed, L"{reason}", SystemErrorText(result.error)),
                   L"{path}", program);
        app_.tray_.ShowBalloon(text::kAppTitle, message);
    }
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
    store_->lastSave = store_->store->Save();
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
    main_->SetPlanFileRetry(store.Unread());
}

void Application::ReportSaveFailure() {
    const std::wstring& path = store_->store->Path();
    std::wstring message;
    switch (store_->lastSave) {
    case PlanSaveResult::FileUnread:
        message = FillIn(text::kMsgPlanFileUnread, L"{path}", path);
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
        const std::wstring message =
            FillIn(FillIn(text::kMsgExitSaveFailed, L"{path}", store_->store->Path()), L"{reason}", reason);
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
    main_->DropNotices();
    main_->SetPlanFileRetry(false);
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
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
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
    options.planFolder = ExecutableFolder();
    options.helperFolder = options.planFolder;
    options.advertBanner = true;
    options.arguments = std::wstring(ArgumentsOf(commandLine ? commandLine : L""));
    options.autoStartPresent = &AutoStartEntryPresent;
    options.applyAutoStart = &ApplyAutoStartChoice;
    Application app(std::move(options));
    if (!app.Start()) {
        return 1;
    }
    return app.RunMessageLoop();
}

} // namespace kestrel::win
