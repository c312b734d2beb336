// Start-up and end of the real application in-process, in a throwaway folder, with a recording tray
// shell and a fake auto-start entry: nothing reaches the notification area or the registry.
#include "app/application_win.h"
#include "shell/single_instance_win.h"
#include "shell/system_notices.h"

#include "base/clock_text.h"
#include "base/command_ids.h"
#include "base/texts.h"
#include "history/exit_mark_win.h"
#include "plans/plan_file.h"
#include "plans/plan_waker_win.h"
#include "plans/wake_plan.h"
#include "platform/module_win.h"
#include "platform/registry_win.h"
#include "platform/process_access_win.h"
#include "platform/xml_tree.h"
#include "quiet_hours/quiet_hours_store.h"
#include "support/lock_fakes.h"
#include "support/message_box_answerer_win.h"

#include <aclapi.h>
#include <gtest/gtest.h>
#include <sddl.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <thread>

namespace kestrel::win {
namespace {

namespace fs = std::filesystem;

struct TrayCall {
    DWORD action;
    HWND window;
    std::wstring tip;
    std::wstring balloon;
};

class TempFolder {
public:
    TempFolder() {
        static int counter = 0;
        path_ = fs::temp_directory_path() / (L"kestrel-app-test-" + std::to_wstring(::GetCurrentProcessId()) +
                                             L"-" + std::to_wstring(++counter));
        fs::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

std::string ReadBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<PlanRow> RowsOnDisk(const fs::path& file) {
    PlanList list;
    auto xml = CreateXmlBackend();
    LoadPlanFile(file, *xml, list);
    return list.Rows();
}

// "HH:MM" of the local time now plus `minutes`, with at least 15 seconds of the current minute left (for
// a plan to fire in, and so that the minute cannot turn during the test).
std::wstring MinuteFromNow(int minutes = 0) {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    if (now.wSecond >= 45) {
        ::Sleep((61 - now.wSecond) * 1000);
        ::GetLocalTime(&now);
    }
    const int at = (now.wHour * 60 + now.wMinute + minutes) % (24 * 60);
    wchar_t text[8];
    swprintf(text, 8, L"%02d:%02d", at / 60, at % 60);
    return text;
}

// Pumps this thread's messages until `done`, for at most 15 seconds (the machine may be busy).
template <typename Done> void PumpUntil(Done done) {
    for (int wait = 0; wait < 150 && !done(); ++wait) {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
}

// Pumps this thread's messages; true when WM_QUIT came by.
bool PumpUntilQuiet() {
    bool quit = false;
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = true;
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return quit;
}

// Records what the app asks of the system's wake timer, and answers as told.
struct RecordingWakeTimer final : WakeTimer {
    std::vector<std::string> calls; // "set", "cancel", "awake", "let go"
    std::vector<LocalDateTime> dues;
    WakeTimerResult answer{true, 0};
    WakeTimerResult Set(const LocalDateTime& due) override {
        return dues.push_back(due), calls.push_back("set"), answer;
    }
    void Cancel() override { calls.push_back("cancel"); }
    void KeepSystemAwake(bool on) override { calls.push_back(on ? "awake" : "let go"); }
};

// The system's clock moved on by whole seconds, so that a test can stand where it needs to in a minute.
struct ShiftedClock final : Clock {
    explicit ShiftedClock(std::int64_t seconds) : shift(seconds) {}
    LocalDateTime Now() const override { return Read().local; }
    ClockReading Read() const override {
        ClockReading reading = SystemClock().Read();
        reading.tickMs += sleptMs + aheadMs;
        reading.awakeMs += aheadMs;
        const int ms = reading.local.millisecond;
        reading.local = LocalFromSecond(SecondNumber(reading.local) + shift);
        reading.local.millisecond = ms;
        reading.utcMs += shift * 1000;
        return reading;
    }
    std::int64_t shift;
    // Time asleep: the tick that runs in sleep is this much ahead of the one that stops there.
    std::uint64_t sleptMs = 0;
    // Time awake that has not really passed (a test that cannot wait half a minute).
    std::uint64_t aheadMs = 0;
};

const PlanRow kShutdownPlan = MakePlanRow(text::kKindPower, L"22:30", text::kOpShutdown, text::kStatusEnabled,
                                          text::kRepeatDaily, text::kPowerPlanInfo);
const PlanRow kReminderPlan = MakePlanRow(text::kKindReminder, L"08:00", text::kOpTextMessage,
                                          text::kStatusDisabled, L"一 三 五 ", L"开会 <A&B>");

// Quiet hours in memory: the windows' lines and the excuses as written.
struct FakeQuietStore final : QuietHoursStore {
    std::vector<std::wstring> windows;
    std::vector<std::wstring> excuses;
    std::optional<StoredValue> ReadWindows() override {
        if (windows.empty()) {
            return std::nullopt;
        }
        StoredValue value{REG_MULTI_SZ, {}};
        for (const std::wstring& line : windows) {
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(line.c_str());
            value.bytes.insert(value.bytes.end(), bytes, bytes + (line.size() + 1) * sizeof(wchar_t));
        }
        value.bytes.insert(value.bytes.end(), {0, 0});
        return value;
    }
    bool WriteWindows(const std::vector<std::wstring>& lines) override { return windows = lines, true; }
    std::vector<std::wstring> ReadExcuses() override { return excuses; }
    bool WriteExcuses(const std::vector<std::wstring>& lines) override { return excuses = lines, true; }
};

// The access list of this process (or of `object`) in SDDL: "D:(A;;rights;;;trustee)...".
std::wstring OwnAccessList(HANDLE object = ::GetCurrentProcess()) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    wchar_t* list = nullptr;
    ::GetSecurityInfo(object, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                      nullptr, nullptr, &descriptor);
    ::ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                           DACL_SECURITY_INFORMATION, &list, nullptr);
    const std::wstring text = list ? list : L"";
    ::LocalFree(list);
    ::LocalFree(descriptor);
    return text;
}

class ApplicationTest : public ::testing::Test {
protected:
    std::unique_ptr<Application> Make(const std::wstring& arguments, fs::path folder = {}) {
        ApplicationOptions options;
        options.instance = ::GetModuleHandleW(nullptr);
        options.planFolder = (folder.empty() ? temp.path() : folder).wstring();
        options.arguments = arguments;
        options.autoStartPresent = [this] {
            return autoStartPresent;
        };
        options.applyAutoStart = [this](bool ticked) {
            autoStartWrites.push_back(ticked);
        };
        options.trayShell.notify = [this](DWORD action, const NOTIFYICONDATAW& data) {
            trayCalls.push_back(TrayCall{action, data.hWnd, (data.uFlags & NIF_TIP) ? data.szTip : L"",
                                         (data.uFlags & NIF_INFO) ? data.szInfo : L""});
            // Each balloon goes at once, as if it timed out: the next one in line needs no wait.
            return !(data.uFlags & NIF_INFO) ||
                   ::PostMessageW(data.hWnd, ids::kTrayCallbackMessage, 0, NIN_BALLOONTIMEOUT);
        };
        options.trayShell.popupMenu = [](HMENU, UINT, POINT, HWND) {
        };
        options.power = power;
        options.historyFolder = historyFolder;
        options.exitMark = exitMark;
        if (lockStore) {
            options.lockStore = lockStore;
            options.deriveKey = kestrel::testing::FastDerive;
        }
        options.quietHoursStore = &quietStore;
        options.clock = clock ? clock : &ownClock;
        options.sessionState = [this] {
            return session;
        };
        options.sessionEndConfirmed = [this] {
            return endConfirmed;
        };
        options.watchSettings = watchSettings;
        if (registryQuietHours) {
            options.quietHoursStore = nullptr;
        }
        options.wakeTimer = &wakeTimer;
        options.wakeForPlans = [this] {
            return wakeForPlans;
        };
        options.keepWakeForPlans = [this](bool on) {
            wakeForPlans = on;
        };
        return std::make_unique<Application>(std::move(options));
    }

    void WritePlans(const std::vector<PlanRow>& rows) {
        PlanList list;
        for (const auto& row : rows) {
            list.Append(row);
        }
        ASSERT_TRUE(SavePlanFile(PlanFile(), list));
    }
    fs::path PlanFile() const { return temp.path() / L"Values.xml"; }
    int CountTray(DWORD action) const {
        return static_cast<int>(std::count_if(trayCalls.begin(), trayCalls.end(),
                                              [&](const TrayCall& c) { return c.action == action; }));
    }

    TempFolder temp;
    PowerControl* power = nullptr;
    std::wstring historyFolder;
    ExitMark* exitMark = nullptr;
    LockStore* lockStore = nullptr;
    const Clock* clock = nullptr;
    // The clock when a test sets none; a test sleeps through `Sleep()`.
    ShiftedClock ownClock{0};
    void Sleep(ShiftedClock& on) { on.sleptMs += 10'000; }
    void Sleep() { Sleep(ownClock); }
    // The session as Windows reports it.
    std::optional<SessionState> session = SessionState{};
    bool endConfirmed = true;
    bool watchSettings = false;
    bool registryQuietHours = false;
    RecordingWakeTimer wakeTimer;
    bool wakeForPlans = false;
    bool autoStartPresent = false;
    std::vector<bool> autoStartWrites;
    std::vector<TrayCall> trayCalls;
    FakeQuietStore quietStore;
};

TEST_F(ApplicationTest, AnUnusablePlanFileIsCopiedAndTheUserToldInABalloon) {
    const std::string damaged = "<计划列表><计划节点><计划名称>关机操作</计划名称><操作时间>22:30";
    {
        std::ofstream out(PlanFile(), std::ios::binary);
        out << damaged;
    }
    auto app = Make(text::kMiniArgument);
    testing::MessageBoxAnswerer none(IDOK, 500);
    ASSERT_TRUE(app->Start());
    PumpUntilQuiet();
    EXPECT_FALSE(none.Answered()) << "no box at start-up";
    EXPECT_TRUE(app->plans().Empty());
    const std::wstring copy = PlanFile().wstring() + L".bak";
    EXPECT_EQ(ReadBytes(copy), damaged);
    EXPECT_TRUE(std::any_of(trayCalls.begin(), trayCalls.end(), [&](const TrayCall& call) {
        return call.balloon.find(copy) != std::wstring::npos;
    })) << "a balloon names the copy";
    app->plans().Append(kReminderPlan);
    EXPECT_EQ(RowsOnDisk(PlanFile()), (std::vector<PlanRow>{kReminderPlan}));
}

TEST_F(ApplicationTest, APlanFileLockedAtStartUpIsNeverReplacedAndItsPlansComeFirstOnceFree) {
    WritePlans({kShutdownPlan, kReminderPlan});
    const std::string original = ReadBytes(PlanFile());
    // Another program (backup, sync, antivirus) holds the file without sharing while Kestrel starts.
    HANDLE lock = ::CreateFileW(PlanFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    auto app = Make(text::kMiniArgument);
    {
        testing::MessageBoxAnswerer none(IDOK, 500);
        ASSERT_TRUE(app->Start());
        PumpUntilQuiet();
        EXPECT_FALSE(none.Answered()) << "a file that may soon be free is not worth a box";
    }
    EXPECT_TRUE(app->plans().Empty());
    {
        testing::MessageBoxAnswerer ok(IDOK);
        app->plans().Append(kReminderPlan); // still locked: not replaced, and the user is told
        PumpUntilQuiet();
        EXPECT_NE(ok.Text().find(PlanFile().wstring()), std::wstring::npos);
    }
    ::CloseHandle(lock);
    EXPECT_EQ(ReadBytes(PlanFile()), original);

    app->plans().Append(kShutdownPlan); // free again: read first, its plans in front, then saved
    const std::vector<PlanRow> merged = {kShutdownPlan, kReminderPlan, kReminderPlan, kShutdownPlan};
    EXPECT_EQ(app->plans().Rows(), merged);
    EXPECT_EQ(RowsOnDisk(PlanFile()), merged);
    EXPECT_FALSE(fs::exists(PlanFile().wstring() + L".bak")) << "a whole file needs no copy";
}

TEST_F(ApplicationTest, AMiniStartLoadsThePlansAndSetsEverythingUpWithoutShowingOrWriting) {
    WritePlans({kShutdownPlan, kReminderPlan});
    const std::string before = ReadBytes(PlanFile());
    autoStartPresent = true;
    auto app = Make(text::kMiniArgument);
    ASSERT_TRUE(app->Start());
    PumpUntilQuiet();
    HWND main = app->mainWindow().hwnd();

    EXPECT_EQ(app->plans().Rows(), (std::vector<PlanRow>{kShutdownPlan, kReminderPlan}));
    EXPECT_FALSE(::IsWindowVisible(main)) << "\"mini\" never shows the window";
    EXPECT_EQ(app->mainWindow().SelectedTab(), kTabShutdown);
    EXPECT_NE(::GetWindow(app->mainWindow().Panel(kTabPlanList), GW_CHILD), nullptr)
        << "plan list page embedded";
    EXPECT_TRUE(app->mainWindow().AutoStartChecked());
    EXPECT_TRUE(autoStartWrites.empty()) << "showing the entry's state writes nothing";
    EXPECT_NE(GetWindowTextString(app->mainWindow().ClockLabel()).find(L"当前时间："), std::wstring::npos);

    ASSERT_GE(trayCalls.size(), 2u);
    EXPECT_EQ(trayCalls.front().action, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(trayCalls.front().window, main);
    EXPECT_EQ(trayCalls.back().tip.rfind(L"Kestrel\n下一个计划：", 0), 0u) << "the tip names the next plan";
    EXPECT_EQ(ReadBytes(PlanFile()), before) << "loading must not rewrite the file";
    EXPECT_EQ(app->PlanFilePathText(), PlanFile().wstring());
}

TEST_F(ApplicationTest, AnyOtherStartShowsTheWindowAndAnAbsentEntryLeavesTheBoxClear) {
    for (const wchar_t* arguments : {L"", L"MINI", L"mini x"}) {
        SCOPED_TRACE(std::string(arguments, arguments + wcslen(arguments)));
        auto app = Make(arguments);
        ASSERT_TRUE(app->Start());
        EXPECT_TRUE(::IsWindowVisible(app->mainWindow().hwnd()));
        EXPECT_FALSE(::IsIconic(app->mainWindow().hwnd()));
        EXPECT_FALSE(app->mainWindow().AutoStartChecked());
        EXPECT_TRUE(app->plans().Empty());
        EXPECT_FALSE(fs::exists(PlanFile())) << "no plan file is made before a change";
    }
}

TEST_F(ApplicationTest, RunPlansWhoseProgramCannotStartAreToldInABalloonAndTheProgramGoesOn) {
    const std::wstring missing = (temp.path() / L"不存在 的程序.exe").wstring();
    // A bare name was once looked up along the search path (and notepad.exe is there); now it is refused.
    const std::wstring bare = L"notepad.exe";
    const std::wstring minute = MinuteFromNow();
    WritePlans({MakePlanRow(text::kKindRun, minute, text::kOpRunNormal, text::kStatusEnabled,
                            text::kRepeatDaily, missing),
                MakePlanRow(text::kKindRun, minute, text::kOpRunNormal, text::kStatusEnabled,
                            text::kRepeatDaily, bare)});
    auto app = Make(text::kMiniArgument);
    testing::MessageBoxAnswerer none(IDOK, 4000);
    ASSERT_TRUE(app->Start());
    const auto balloonsNaming = [&](const std::wstring& part) {
        return std::count_if(trayCalls.begin(), trayCalls.end(), [&](const TrayCall& call) {
            return call.balloon.find(part) != std::wstring::npos;
        });
    };
    // The first pass of the minute opens the run cycle, the next hands both plans to the starter.
    PumpUntil([&] { return balloonsNaming(missing) > 0 && balloonsNaming(bare) > 0; });
    EXPECT_EQ(balloonsNaming(missing), 1);
    EXPECT_EQ(balloonsNaming(bare), 1);
    EXPECT_EQ(balloonsNaming(text::kReasonProgramNotFullPath), 1) << "said of the bare name only";
    EXPECT_FALSE(none.Answered()) << "no box inside the timer";
    EXPECT_EQ(app->plans().Count(), 2u);
}

TEST_F(ApplicationTest, APowerOperationWindowsRefusesIsToldInABalloon) {
    struct RefusingPower final : PowerControl {
        std::vector<std::string> calls;
        std::uint32_t EnableShutdownPrivilege() override {
            return calls.push_back("privilege"), ERROR_NOT_ALL_ASSIGNED;
        }
        std::uint32_t ExitWindowsEx(std::uint32_t, std::uint32_t) override {
            return calls.push_back("exit"), 0;
        }
        std::uint32_t LockWorkStation() override { return calls.push_back("lock"), 0; }
    } refusing;
    power = &refusing;
    WritePlans({MakePlanRow(text::kKindPower, MinuteFromNow(), text::kOpShutdown,
                            text::kStatusEnabled, text::kRepeatDaily, text::kPowerPlanInfo)});
    auto app = Make(text::kMiniArgument);
    ASSERT_TRUE(app->Start());
    HWND prompt = nullptr;
    PumpUntil([&] {
        prompt = ::FindWindowW(L"Kestrel.CountdownPrompt", nullptr);
        return prompt != nullptr && ::IsWindowVisible(prompt);
    });
    ASSERT_NE(prompt, nullptr) << "the power plan did not fire";
    ::SendMessageW(::GetDlgItem(prompt, ids::kCountdownNowButton), BM_CLICK, 0, 0);
    PumpUntilQuiet();
    EXPECT_EQ(refusing.calls, std::vector<std::string>{"privilege"}) << "no shutdown without the privilege";
    const std::wstring told = trayCalls.empty() ? L"" : trayCalls.back().balloon;
    const std::wstring prefix = L"未能关闭计算机：\n";
    EXPECT_EQ(told.rfind(prefix, 0), 0u) << "the balloon names the operation";
    EXPECT_GT(told.size(), prefix.size()) << "and gives the system's reason";
    EXPECT_TRUE(::IsWindow(app->mainWindow().hwnd()));
}

TEST_F(ApplicationTest, AfterEachRefusalTheFocusIsOnTheFieldAtFault) {
    auto app = Make(L"");
    ASSERT_TRUE(app->Start());
    PumpUntilQuiet();
    MainWindow& window = app->mainWindow();
    const auto page = [&](int tab) {
        return ::GetWindow(window.Panel(tab), GW_CHILD);
    };
    const auto set = [&](int tab, unsigned id, const wchar_t* value) {
        ::SetWindowTextW(::GetDlgItem(page(tab), static_cast<int>(id)), value);
    };
    const auto click = [&](int tab, unsigned id) {
        ::SendMessageW(::GetDlgItem(page(tab), static_cast<int>(id)), BM_CLICK, 0, 0);
    };
    const struct {
        const char* refusal;
        int tab;
        std::function<void()> enter;
        unsigned add;
        unsigned field;
        const wchar_t* message;
    } cases[] = {
        {"not a time", kTabShutdown, [&] { set(kTabShutdown, ids::kEditorTimeField, L"24:00"); },
         ids::kEditorAdd, ids::kEditorTimeField, text::kMsgBadTime},
        {"no weekday", kTabReminder,
         [&] {
             set(kTabReminder, ids::kEditorTimeField, L"23:59");
             click(kTabReminder, ids::kEditorRepeatPlan);
         },
         ids::kEditorAdd, ids::kEditorWeekdayFirst, text::kMsgNoWeekday},
        {"no program", kTabRun, [&] { set(kTabRun, ids::kEditorTimeField, L"23:59"); }, ids::kEditorAdd,
         ids::kEditorText, text::kMsgNoProgram},
        {"no forbidden name", kTabForbidden, [] {}, ids::kForbiddenAdd, ids::kForbiddenName,
         text::kMsgNoProgramChosen},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.refusal);
        window.SelectTab(c.tab);
        c.enter();
        const HWND add = ::GetDlgItem(page(c.tab), static_cast<int>(c.add));
        ::SetFocus(add);
        testing::MessageBoxAnswerer answer(IDOK);
        ::SendMessageW(add, BM_CLICK, 0, 0);
        PumpUntilQuiet();
        EXPECT_EQ(answer.Text(), c.message);
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(page(c.tab), static_cast<int>(c.field)));
    }
    EXPECT_TRUE(app->plans().Empty());
}

TEST_F(ApplicationTest, TabLeavesTheReminderMessageAndEnterInTheForbiddenNameAddsIt) {
    auto app = Make(L"");
    ASSERT_TRUE(app->Start());
    PumpUntilQuiet();
    MainWindow& window = app->mainWindow();
    // A key as the message loop hands it over: the dialog manager of the main window first.
    const auto key = [&](HWND to, WPARAM vk) {
        MSG message{to, WM_KEYDOWN, vk, 1, 0, {}};
        if (!::IsDialogMessageW(window.hwnd(), &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        PumpUntilQuiet();
    };
    window.SelectTab(kTabReminder);
    const HWND reminder = ::GetWindow(window.Panel(kTabReminder), GW_CHILD);
    const HWND text = ::GetDlgItem(reminder, ids::kEditorText);
    ::SetFocus(text);
    key(text, VK_TAB);
    EXPECT_EQ(::GetFocus(), ::GetDlgItem(reminder, ids::kEditorOption)) << "Tab goes on to 播放音乐";
    EXPECT_EQ(GetWindowTextString(text), text::kEditorMessageInitial) << "and types no tab";

    window.SelectTab(kTabForbidden);
    const HWND forbidden = ::GetWindow(window.Panel(kTabForbidden), GW_CHILD);
    const HWND name = ::GetDlgItem(forbidden, ids::kForbiddenName);
    ::SetWindowTextW(name, L"game.exe");
    ::SetFocus(name);
    key(name, VK_RETURN);
    const HWND list = ::GetDlgItem(forbidden, ids::kForbiddenList);
    ASSERT_EQ(::SendMessageW(list, LB_GETCOUNT, 0, 0), 1);
    wchar_t added[32] = {};
    ::SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(added));
    EXPECT_STREQ(added, L"game.exe");
}

TEST_F(ApplicationTest, TheTrayTipNamesTheNextPlanAsPlansComeAndGo) {
    auto app = Make(text::kMiniArgument);
    ASSERT_TRUE(app->Start());
    EXPECT_EQ(trayCalls.back().tip, L"Kestrel");
    const std::wstring later = MinuteFromNow(90);
    app->plans().Append(MakePlanRow(text::kKindPower, later, text::kOpRestart, text::kStatusEnabled,
                                    text::kRepeatDaily, text::kPowerPlanInfo));
    const std::wstring tip = trayCalls.back().tip;
    EXPECT_EQ(tip.rfind(L"Kestrel\n下一个计划：", 0), 0u) << std::string(tip.begin(), tip.end());
    EXPECT_NE(tip.find(later + L" 重启计算机"), std::wstring::npos);
    EXPECT_EQ(GetWindowTextString(app->mainWindow().NextPlanLabel()), tip.substr(8));
    app->plans().Remove(1);
    EXPECT_EQ(trayCalls.back().tip, L"Kestrel");
    EXPECT_EQ(GetWindowTextString(app->mainWindow().NextPlanLabel()), L"");
}

TEST_F(ApplicationTest, TheWakeTimerFollowsTheNextReminderAndTheLineSaysSo) {
    wakeForPlans = true;
    auto app = Make(text::kMiniArgument);
    ASSERT_TRUE(app->Start());
    const std::wstring later = MinuteFromNow(90);
    app->plans().Append(MakePlanRow(text::kKindReminder, later, text::kOpTextMessage, text::kStatusEnabled,
                                    text::kRepeatDaily, L"喝水"));
    ASSERT_EQ(wakeTimer.calls.back(), "set");
    EXPECT_EQ(FormatClockTime(LocalFromSecond(SecondNumber(wakeTimer.dues.back()) + 20)), later + L":00");
    const std::wstring line = GetWindowTextString(app->mainWindow().NextPlanLabel());
    EXPECT_EQ(line.substr(line.size() - 6), text::kNextPlanWakes);
    // The window's line may cut the reminder's text to make room; the tip has room for all of it.
    const std::wstring tip = trayCalls.back().tip;
    const std::wstring tipEnd = L" " + later + L" 定时提醒：喝水（到时唤醒）";
    ASSERT_GE(tip.size(), tipEnd.size());
    EXPECT_EQ(tip.substr(tip.size() - tipEnd.size()), tipEnd) << "the tip says so too";

    app->plans().Remove(1);
    EXPECT_EQ(wakeTimer.calls.back(), "cancel") << "no plan is left";
    app->plans().Append(MakePlanRow(text::kKindReminder, later, text::kOpTextMessage, text::kStatusEnabled,
                                    text::kRepeatDaily, L"喝水"));
    // The tray item is not guarded, is kept, and switches the timer and the line's mark off at once.
    ::SendMessageW(app->mainWindow().hwnd(), WM_COMMAND, ids::kCmdTrayWakeForPlans, 0);
    EXPECT_FALSE(wakeForPlans);
    EXPECT_EQ(wakeTimer.calls.back(), "cancel");
    EXPECT_EQ(GetWindowTextString(app->mainWindow().NextPlanLabel()).find(text::kNextPlanWakes),
              std::wstring::npos);
}

TEST_F(ApplicationTest, ATimerWindowsRefusesIsToldOnceAndTheLinePromisesNoWake) {
    wakeForPlans = true;
    wakeTimer.answer = {false, ERROR_NOT_SUPPORTED};
    auto app = Make(text::kMiniArgument);
    ASSERT_TRUE(app->Start());
    for (const int minutes : {90, 80}) {
        app->plans().Append(MakePlanRow(text::kKindRun, MinuteFromNow(minutes), text::kOpRunNormal,
                                        text::kStatusEnabled, text::kRepeatDaily, L"C:\\backup.exe"));
    }
    EXPECT_EQ(std::count(wakeTimer.calls.begin(), wakeTimer.calls.end(), "set"), 2) << "each moment is tried";
    const std::wstring told = L"Windows 不允许 Kestrel 唤醒电脑，睡眠中错过的提醒和程序会在醒来后补上。\n";
    EXPECT_EQ(std::count_if(trayCalls.begin(), trayCalls.end(),
                            [&](const TrayCall& call) {
                                return call.balloon.size() > told.size() && call.balloon.rfind(told, 0) == 0;
                            }),
              1)
        << "once, with the system's reason";
    EXPECT_EQ(GetWindowTextString(app->mainWindow().NextPlanLabel()).find(text::kNextPlanWakes),
              std::wstring::npos);
}

// Wine cannot sleep: the resume notice is sent as Windows would after the timer woke the computer.
TEST_F(ApplicationTest, AfterItsOwnWakeKestrelKeepsTheComputerAwakeWhileTheProgramItStartedRuns) {
    ShiftedClock shifted((55 - SystemClock().Now().second + 60) % 60); // 5 s before a minute turns
    clock = &shifted;
    const std::wstring minute = FormatHourMinute(LocalFromSecond(SecondNumber(shifted.Now()) + 30));
    const std::wstring name = L"kestrel-wake-" + std::to_wstring(::GetCurrentProcessId()) + L".exe";
    const fs::path program = temp.path() / name;
    ASSERT_TRUE(
        ::CopyFileW((fs::path(ExecutableFolder()) / L"kestrel_sleeper.exe").c_str(), program.c_str(), FALSE));
    WritePlans({MakePlanRow(text::kKindRun, minute, text::kOpRunHidden, text::kStatusEnabled,
                            text::kRepeatDaily, program.wstring())});
    wakeForPlans = true;
    auto app = Make(text::kMiniArgument);
    ASSERT_TRUE(app->Start());
    Sleep(shifted);
    ::SendMessageW(app->mainWindow().hwnd(), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_TRUE(app->planWaker().AwaitingPerson());
    const auto count = [&](const char* call) {
        return std::count(wakeTimer.calls.begin(), wakeTimer.calls.end(), call);
    };
    SystemProcessTable processes;
    const auto running = [&] {
        std::vector<ProcessEntry> list;
        processes.Snapshot(list);
        const auto found =
            std::find_if(list.begin(), list.end(), [&](const ProcessEntry& p) { return p.exeName == name; });
        return found == list.end() ? std::optional<ProcessEntry>() : *found;
    };
    PumpUntil([&] { return running().has_value(); });
    ASSERT_TRUE(running().has_value()) << "the run plan did not start its program";
    EXPECT_EQ(count("awake"), 1);
    const ULONGLONG awhile = ::GetTickCount64() + 2000; // the program still runs meanwhile
    PumpUntil([&] { return count("let go") > 0 || ::GetTickCount64() > awhile; });
    EXPECT_EQ(count("let go"), 0) << "let go while the program was running";
    ASSERT_EQ(processes.End(*running(), program.wstring()), EndResult::Ended);
    PumpUntil([&] { return count("let go") > 0; });
    EXPECT_EQ(count("let go"), 1);
    ::SendMessageW(app->mainWindow().hwnd(), WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    EXPECT_FALSE(app->planWaker().AwaitingPerson()) << "someone has come";
}

// WM_TIMECHANGE runs a pass at once, without waiting for the timer: the power plan of this minute opens
// its countdown. A suspend notice alone closes nothing; a real sleep closes it without the operation, and
// the wake says so.
TEST_F(ApplicationTest, AClockChangeChecksThePlansAtOnceAndASleepCancelsTheCountdown) {
    WritePlans({MakePlanRow(text::kKindPower, MinuteFromNow(0), text::kOpLock, text::kStatusEnabled,
                            text::kRepeatDaily, text::kPowerPlanInfo)});
    auto app = Make(text::kMiniArgument);
    ASSERT_TRUE(app->Start());
    HWND main = app->mainWindow().hwnd();
    const auto prompt = [] {
        HWND window = ::FindWindowW(L"Kestrel.CountdownPrompt", nullptr);
        return window && ::IsWindowVisible(window);
    };
    ASSERT_FALSE(prompt()) << "nothing has run a pass yet";
    ::SendMessageW(main, WM_TIMECHANGE, 0, 0);
    ASSERT_TRUE(prompt());
    ::SendMessageW(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_TRUE(prompt()) << "a posted suspend notice closes nothing";
    ::SendMessageW(main, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_TRUE(prompt()) << "a resume notice without a sleep changes nothing";
    Sleep();
    ::SendMessageW(main, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_FALSE(prompt());
    EXPECT_EQ(trayCalls.back().balloon, L"电脑进入了睡眠，锁定计算机的倒计时已取消。");
    ::SendMessageW(main, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    EXPECT_FALSE(prompt()) << "a resume in the same minute opens no second countdown";
}

HWND VisiblePrompt() {
    HWND window = ::FindWindowW(L"Kestrel.CountdownPrompt", nullptr);
    return window && ::IsWindowVisible(window) ? window : nullptr;
}

// Pumps this thread's messages for `ms` milliseconds: time for the once-a-second checks to run.
void PumpFor(ULONGLONG ms) {
    const ULONGLONG until = ::GetTickCount64() + ms;
    PumpUntil([&] { return ::GetTickCount64() >= until; });
}

// Quiet hours from a minute ago to half an hour from now, every day.
std::wstring QuietWindowAroundNow(const wchar_t* operation) {
    return L"1111111 " + MinuteFromNow(24 * 60 - 1) + L" " + MinuteFromNow(30) + L" " + operation;
}

// Started inside quiet hours, Kestrel counts down at once, as for a lock plan. Once the screen was
// locked, unlocking counts down again; a countdown closed by sleep opens again on waking.
TEST_F(ApplicationTest, StartingInsideQuietHoursCountsDownAndAnUnlockOrAResumeCountsDownAgain) {
    struct RecordingPower final : PowerControl {
        std::vector<std::string> calls;
        std::uint32_t EnableShutdownPrivilege() override { return calls.push_back("privilege"), 0; }
        std::uint32_t ExitWindowsEx(std::uint32_t, std::uint32_t) override {
            return calls.push_back("exit"), 0;
        }
        std::uint32_t LockWorkStation() override { return calls.push_back("lock"), 0; }
    } recorder;
    power = &recorder;
    quietStore.windows = {QuietWindowAroundNow(text::kOpLock)};
    auto app = Make(text::kMiniArgument);
    ASSERT_TRUE(app->Start());
    HWND prompt = VisiblePrompt();
    ASSERT_NE(prompt, nullptr) << "at start-up";
    EXPECT_EQ(GetWindowTextString(::GetDlgItem(prompt, ids::kCountdownLabel)),
              L"距离锁定计算机还剩 15 秒...");
    EXPECT_EQ(GetWindowTextString(app->mainWindow().NextPlanLabel()),
              L"禁止使用时段中，至 " + MinuteFromNow(30));
    ::SendMessageW(::GetDlgItem(prompt, ids::kCountdownNowButton), BM_CLICK, 0, 0);
    EXPECT_EQ(recorder.calls, std::vector<std::string>{"lock"});

    HWND main = app->mainWindow().hwnd();
    session = SessionState{true, true};
    ::PostMessageW(main, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0);
    PumpFor(1500);
    EXPECT_EQ(VisiblePrompt(), nullptr) << "nothing counts while the screen is locked";
    session = SessionState{};
    ::PostMessageW(main, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0);
    PumpUntil([] { return VisiblePrompt() != nullptr; });
    EXPECT_NE(VisiblePrompt(), nullptr) << "unlocked";

    // Sleep closes it at the wake (no sooner: a suspend notice alone closes nothing), and the window acts
    // again at once.
    ::SendMessageW(main, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    Sleep();
    ::PostMessageW(main, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    PumpUntil([] { return VisiblePrompt() != nullptr; });
    EXPECT_NE(VisiblePrompt(), nullptr) << "and the window acts again on waking";
    EXPECT_TRUE(quietStore.excuses.empty()) << "sleep excuses nothing";
}

// "取消关机" inside quiet hours excuses the window until its end, kept as its line and the UTC minute of
// the end: neither a resume nor an unlock nor a restart counts down again. An excuse whose end has long
// passed holds nothing and is dropped, as is one that cannot be read.
TEST_F(ApplicationTest, CancellingInsideQuietHoursExcusesTheWindowUntilItsEnd) {
    const std::wstring window = QuietWindowAroundNow(text::kOpShutdown);
    quietStore.windows = {window};
    quietStore.excuses = {window + L"|1000", L"不是一行"};
    FILETIME utc{};
    ::GetSystemTimeAsFileTime(&utc);
    const auto utcMinute = static_cast<long long>(
        ((static_cast<ULONGLONG>(utc.dwHighDateTime) << 32 | utc.dwLowDateTime) - 116444736000000000ULL) /
        600000000ULL);
    {
        auto app = Make(text::kMiniArgument);
        ASSERT_TRUE(app->Start());
        HWND prompt = VisiblePrompt();
        ASSERT_NE(prompt, nullptr) << "an ended excuse holds nothing";
        EXPECT_TRUE(quietStore.excuses.empty());
        ::SendMessageW(::GetDlgItem(prompt, ids::kCountdownCancelButton), BM_CLICK, 0, 0);
        EXPECT_EQ(VisiblePrompt(), nullptr);
        EXPECT_EQ(quietStore.excuses,
                  std::vector<std::wstring>{window + L"|" + std::to_wstring(utcMinute + 30)});

        HWND main = app->mainWindow().hwnd();
        Sleep();
        ::PostMessageW(main, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
        ::PostMessageW(main, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, 0);
        PumpFor(1500);
        EXPECT_EQ(VisiblePrompt(), nullptr);
    }
    auto restarted = Make(text::kMiniArgument);
    ASSERT_TRUE(restarted->Start());
    PumpFor(1500);
    EXPECT_EQ(VisiblePrompt(), nullptr) << "a restart keeps the excuse";
}

// Under the lock (an unreadable record counts), the user may only wait on the process and its threads, ask
// for their state and read their lists; the owner may not write them. Wine's token is an administrator's,
// so the refusal itself cannot be shown here.
TEST_F(ApplicationTest, UnderTheLockTheUserMayOnlyWaitOnTheProcessAndItsThreadsAndReadThem) {
    const std::wstring before = OwnAccessList();
    const std::wstring threadBefore = OwnAccessList(::GetCurrentThread());
    // `userRights`: the user's entry; the owner's (OWNER RIGHTS, by its alias or its number) comes last.
    const auto locked = [](const std::wstring& list, const std::wstring& userRights) {
        const auto endsWith = [&](const std::wstring& end) {
            return list.size() > end.size() && list.compare(list.size() - end.size(), end.size(), end) == 0;
        };
        return list.rfind(L"D:(A;;0x1fffff;;;SY)(A;;0x1fffff;;;BA)(A;;" + userRights + L";;;S-1-5-21-", 0) == 0 &&
               (endsWith(L")(A;;RC;;;OW)") || endsWith(L")(A;;RC;;;S-1-3-4)")) &&
               std::count(list.begin(), list.end(), L'(') == 4;
    };
    // Wine makes threads without a list; given back, "none" reads as a null one ("D:"): anyone may do anything.
    const auto restored = [](const std::wstring& list, const std::wstring& was) {
        return list == was || (was.empty() && list == L"D:");
    };
    kestrel::testing::FakeLockStore store;
    lockStore = &store;
    {
        auto app = Make(text::kMiniArgument);
        ASSERT_TRUE(app->Start());
        ASSERT_EQ(app->parentLock().Set(L"家长", L"家长"), PasswordAnswer::Accepted);
        EXPECT_TRUE(locked(OwnAccessList(), L"0x121000")) << OwnAccessList();
        EXPECT_TRUE(locked(OwnAccessList(::GetCurrentThread()), L"0x120800")) << OwnAccessList(::GetCurrentThread());
        // A thread Kestrel makes carries the list from its first step, and its own again once the lock goes.
        std::atomic<int> step{0};
        std::wstring own, started, unlocked;
        std::thread worker([&] {
            own = OwnAccessList(::GetCurrentThread());
            const KestrelThread guarded;
            started = OwnAccessList(::GetCurrentThread());
            step = 1;
            while (step != 2) {
                ::Sleep(1);
            }
            unlocked = OwnAccessList(::GetCurrentThread());
        });
        for (; step != 1; ::Sleep(1)) {
        }
        ASSERT_EQ(app->parentLock().Remove(L"家长"), PasswordAnswer::Accepted);
        step = 2;
        worker.join();
        EXPECT_TRUE(locked(started, L"0x120800")) << started;
        EXPECT_TRUE(restored(unlocked, own)) << unlocked;
        EXPECT_EQ(OwnAccessList(), before);
        EXPECT_TRUE(restored(OwnAccessList(::GetCurrentThread()), threadBefore));
    }
    store.record = std::vector<std::uint8_t>{1, 2, 3};
    auto app = Make(text::kMiniArgument);
    ASSERT_TRUE(app->Start());
    EXPECT_TRUE(locked(OwnAccessList(), L"0x121000"));
}

TEST_F(ApplicationTest, ChangesAreSavedAtOnceAndACloseRequestLeavesTheFileAlone) {
    auto app = Make(L"");
    ASSERT_TRUE(app->Start());
    app->plans().Append(kReminderPlan);
    EXPECT_EQ(RowsOnDisk(PlanFile()), std::vector<PlanRow>{kReminderPlan});

    const std::string saved = ReadBytes(PlanFile());
    HWND main = app->mainWindow().hwnd();
    ::SendMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_FALSE(PumpUntilQuiet());
    EXPECT_TRUE(::IsWindow(main));
    EXPECT_FALSE(::IsWindowVisible(main));
    EXPECT_EQ(CountTray(NIM_DELETE), 0) << "the icon stays";
    EXPECT_EQ(ReadBytes(PlanFile()), saved);
}

TEST_F(ApplicationTest, ExitSavesRemovesTheIconClosesEveryWindowAndLeavesTheLoop) {
    WritePlans({kShutdownPlan});
    auto app = Make(text::kMiniArgument);
    ASSERT_TRUE(app->Start());
    fs::remove(PlanFile()); // so that the save on exit is seen
    HWND main = app->mainWindow().hwnd();

    ::SendMessageW(main, WM_COMMAND, ids::kCmdTrayExit, 0);
    EXPECT_TRUE(PumpUntilQuiet()) << "the message loop must end";
    EXPECT_FALSE(::IsWindow(main));
    EXPECT_EQ(CountTray(NIM_DELETE), 1);
    EXPECT_EQ(RowsOnDisk(PlanFile()), std::vector<PlanRow>{kShutdownPlan});
}

TEST_F(ApplicationTest, AFailedSaveOnExitIsAlwaysToldAndOffersRetryOrExitAnyway) {
    for (const bool retry : {true, false}) {
        SCOPED_TRACE(retry ? "retry after the folder came back" : "exit anyway");
        const fs::path missing = temp.path() / (retry ? L"不存在的 文件夹" : L"另一个");
        auto app = Make(L"", missing);
        ASSERT_TRUE(app->Start());
        app->plans().Append(kShutdownPlan); // fails and is told (once) while running
        {
            testing::MessageBoxAnswerer ok(IDOK);
            PumpUntilQuiet();
        }
        HWND main = app->mainWindow().hwnd();
        std::wstring asked;
        std::thread user([&] {
            for (int wait = 0; wait < 500; ++wait) {
                HWND box = ::FindWindowW(L"#32770", text::kAppTitle);
                if (box && ::IsWindowVisible(box)) {
                    wchar_t buffer[1024] = {};
                    ::GetDlgItemTextW(box, 0xFFFF, buffer, 1024);
                    asked = buffer;
                    if (retry) {
                        fs::create_directories(missing);
                    }
                    const int button = retry ? IDRETRY : IDCANCEL;
                    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                                   reinterpret_cast<LPARAM>(::GetDlgItem(box, button)));
                    return;
                }
                ::Sleep(10);
            }
        });
        app->mainWindow().RequestExit();
        EXPECT_TRUE(PumpUntilQuiet());
        user.join();
        EXPECT_NE(asked.find((missing / L"Values.xml").wstring()), std::wstring::npos)
            << "told with the path";
        EXPECT_FALSE(::IsWindow(main));
        EXPECT_EQ(CountTray(NIM_DELETE), retry ? 1 : 2);
        EXPECT_EQ(RowsOnDisk(missing / L"Values.xml"),
                  retry ? std::vector<PlanRow>{kShutdownPlan} : std::vector<PlanRow>{});
    }
}

TEST_F(ApplicationTest, ARefusedSaveIsToldOnceAndRetriedOnATimerUntilItWorks) {
    const fs::path later = temp.path() / L"稍后才有的文件夹";
    auto app = Make(text::kMiniArgument, later);
    ASSERT_TRUE(app->Start());
    {
        testing::MessageBoxAnswerer ok(IDOK);
        app->plans().Append(kShutdownPlan);
        PumpUntilQuiet();
        EXPECT_NE(ok.Text().find((later / L"Values.xml").wstring()), std::wstring::npos);
    }
    fs::create_directories(later);
    // No further change: only the timer can save it now.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (RowsOnDisk(later / L"Values.xml").empty() && std::chrono::steady_clock::now() < deadline) {
        PumpUntilQuiet();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
    }
    EXPECT_EQ(RowsOnDisk(later / L"Values.xml"), std::vector<PlanRow>{kShutdownPlan});
}

TEST_F(ApplicationTest, TheEndOfTheSessionSavesSilentlyAndEnds) {
    {
        SCOPED_TRACE("writable folder");
        auto app = Make(text::kMiniArgument);
        ASSERT_TRUE(app->Start());
        app->plans().Append(kShutdownPlan);
        fs::remove(PlanFile());
        EXPECT_EQ(::SendMessageW(app->mainWindow().hwnd(), WM_QUERYENDSESSION, 0, 0), TRUE);
        ::SendMessageW(app->mainWindow().hwnd(), WM_ENDSESSION, TRUE, 0);
        EXPECT_TRUE(PumpUntilQuiet());
        EXPECT_EQ(RowsOnDisk(PlanFile()), std::vector<PlanRow>{kShutdownPlan});
    }
    {
        SCOPED_TRACE("unwritable folder: no box may hold up the session's end");
        auto app = Make(text::kMiniArgument, temp.path() / L"missing");
        ASSERT_TRUE(app->Start());
        HWND main = app->mainWindow().hwnd();
        ::SendMessageW(main, WM_ENDSESSION, TRUE, 0);
        EXPECT_TRUE(PumpUntilQuiet());
        EXPECT_FALSE(::IsWindow(main));
        EXPECT_EQ(::FindWindowW(L"#32770", text::kAppTitle), nullptr);
    }
}

// The history from the real places: the mark of a run that was ended from outside, found at start; a
// wrong password for Exit; a forbidden program ended. The end of the session takes the mark away.
TEST_F(ApplicationTest, TheHistoryRecordsAnUncleanEndAWrongPasswordAndAnEndedProcess) {
    const std::wstring key = L"Software\\Kestrel.Test." + std::to_wstring(::GetCurrentProcessId());
    RegistryExitMark mark(HKEY_CURRENT_USER, key);
    mark.Set(L"2024-05-01 21:04");
    kestrel::testing::FakeLockStore store;
    const auto random = [](std::span<std::uint8_t> b) {
        return !b.empty();
    };
    ParentLock setter(store, kestrel::testing::FastDerive, random, [] { return std::uint64_t{0}; });
    setter.Load();
    ASSERT_EQ(setter.Set(L"家长", L"家长"), PasswordAnswer::Accepted);
    const fs::path folder = temp.path() / L"历史";
    const fs::path victim = temp.path() / (L"历史-" + std::to_wstring(::GetCurrentProcessId()) + L".exe");
    ASSERT_TRUE(fs::copy_file(fs::path(ExecutableFolder()) / L"kestrel_sleeper.exe", victim));
    historyFolder = folder.wstring();
    exitMark = &mark;
    lockStore = &store;
    auto app = Make(text::kMiniArgument);
    ASSERT_TRUE(app->Start());
    const auto history = [&] {
        return ReadBytes(folder / L"History.txt");
    };
    const auto holds = [&](const std::u8string& line) {
        return history().find(std::string(line.begin(), line.end())) != std::string::npos;
    };
    EXPECT_EQ(history().rfind("\xEF\xBB\xBF", 0), 0u) << "a byte-order mark for Notepad";
    EXPECT_TRUE(holds(u8"\tKestrel 启动\t登录时自动启动，计划文件：")) << history();
    EXPECT_TRUE(holds(u8"\tKestrel 未正常退出\t最后运行于 2024-05-01 21:04\r\n")) << history();
    EXPECT_NE(mark.Read(), std::optional<std::wstring>(L"2024-05-01 21:04")) << "this run's own mark";

    std::thread parent([] {
        HWND box = nullptr;
        for (int wait = 0; wait < 500 && !(box = ::FindWindowW(L"#32770", text::kLockCaption)); ++wait) {
            ::Sleep(10);
        }
        ::SendMessageW(::GetDlgItem(box, ids::kAskPassword), WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>(L"猜的"));
        ::SendMessageW(box, WM_COMMAND, IDOK, 0);
        ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
    });
    ::SendMessageW(app->mainWindow().hwnd(), WM_COMMAND, ids::kCmdTrayExit, 0);
    parent.join();
    EXPECT_TRUE(holds(u8"\t家长密码\t密码错误：退出 Kestrel 需要家长密码。\r\n")) << history();

    const std::wstring name = victim.filename().wstring();
    std::wstring commandLine = L"\"" + victim.wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION child{};
    ASSERT_TRUE(::CreateProcessW(victim.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                 nullptr, &startup, &child));
    const HWND page = ::GetWindow(app->mainWindow().Panel(kTabForbidden), GW_CHILD);
    ::SetWindowTextW(::GetDlgItem(page, ids::kForbiddenName), name.c_str());
    ::SendMessageW(::GetDlgItem(page, ids::kForbiddenAdd), BM_CLICK, 0, 0);
    const std::string ended = Utf8FromWide(L"\t结束禁止程序\t禁止列表中的“" + name + L"”：" + name + L"\r\n");
    PumpUntil([&] { return history().find(ended) != std::string::npos; });
    EXPECT_NE(history().find(ended), std::string::npos) << history();
    EXPECT_NE(history().find(Utf8FromWide(L"\t禁止列表\t已添加：" + name)), std::string::npos);
    EXPECT_EQ(::WaitForSingleObject(child.hProcess, 5000), WAIT_OBJECT_0);
    ::CloseHandle(child.hThread);
    ::CloseHandle(child.hProcess);

    ::SendMessageW(app->mainWindow().hwnd(), WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(PumpUntilQuiet());
    EXPECT_EQ(mark.Read(), std::nullopt) << "the end of the session leaves no mark";
    ::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
}

// Window messages any program may post: a lock notice that Windows' state contradicts keeps nothing from
// counting down, and an end of the session that Windows never carries out leaves Kestrel running, its
// mark set again after 30 seconds. Both are recorded.
TEST_F(ApplicationTest, NoticesThatWindowsDoesNotConfirmChangeNothingAndAreRecorded) {
    const std::wstring key = L"Software\\Kestrel.Test." + std::to_wstring(::GetCurrentProcessId());
    RegistryExitMark mark(HKEY_CURRENT_USER, key);
    const fs::path folder = temp.path() / L"历史";
    historyFolder = folder.wstring();
    exitMark = &mark;
    quietStore.windows = {QuietWindowAroundNow(text::kOpLock)};
    struct NoPower final : PowerControl {
        std::uint32_t EnableShutdownPrivilege() override { return 0; }
        std::uint32_t ExitWindowsEx(std::uint32_t, std::uint32_t) override { return 0; }
        std::uint32_t LockWorkStation() override { return 0; }
    } none;
    power = &none;
    auto app = Make(text::kMiniArgument);
    ASSERT_TRUE(app->Start());
    const auto history = [&] {
        return ReadBytes(folder / L"History.txt");
    };
    const auto holds = [&](const std::wstring& line) {
        return history().find(Utf8FromWide(line)) != std::string::npos;
    };
    HWND prompt = VisiblePrompt();
    ASSERT_NE(prompt, nullptr);
    ::SendMessageW(::GetDlgItem(prompt, ids::kCountdownNowButton), BM_CLICK, 0, 0);
    HWND main = app->mainWindow().hwnd();
    ::PostMessageW(main, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, 0); // Windows says: unlocked
    PumpUntil([&] { return holds(L"\t系统通知\t会话通知与实际状态不符"); });
    EXPECT_TRUE(holds(L"\t系统通知\t会话通知与实际状态不符")) << history();
    Sleep();
    ::PostMessageW(main, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    PumpUntil([] { return VisiblePrompt() != nullptr; });
    EXPECT_NE(VisiblePrompt(), nullptr) << "the window acts on waking: the lock notice was not believed";

    endConfirmed = false;
    ::SendMessageW(main, WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(holds(L"\tWindows 会话结束\t")) << history();
    EXPECT_EQ(mark.Read(), std::nullopt) << "cleared, in case Windows ends the process now";
    ownClock.aheadMs += 30'000;
    PumpUntil([&] { return holds(L"\t系统通知\t会话结束通知是伪造的"); });
    EXPECT_TRUE(::IsWindow(main)) << "Kestrel runs on";
    EXPECT_TRUE(holds(L"\t系统通知\t会话结束通知是伪造的")) << history();
    PumpUntil([&] { return mark.Read().has_value(); });
    EXPECT_NE(mark.Read(), std::nullopt) << "the mark is back";
    ::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
}

// A value that another program deletes while Kestrel runs is recorded, and under the parent's lock what
// Kestrel holds for the parent is written back at once.
TEST_F(ApplicationTest, QuietHoursDeletedByAnotherProgramAreWrittenBackUnderTheLock) {
    kestrel::testing::FakeLockStore store;
    ParentLock setter(store, kestrel::testing::FastDerive, [](std::span<std::uint8_t> b) { return !b.empty(); },
                      [] { return std::uint64_t{0}; });
    setter.Load();
    ASSERT_EQ(setter.Set(L"家长", L"家长"), PasswordAnswer::Accepted);
    lockStore = &store;
    const fs::path folder = temp.path() / L"历史";
    historyFolder = folder.wstring();
    watchSettings = true;
    registryQuietHours = true;
    const std::wstring window = L"1111111 " + MinuteFromNow(120) + L" " + MinuteFromNow(150) + L" " + text::kOpLock;
    ASSERT_TRUE(SetRegValue(HKEY_CURRENT_USER, L"Software\\Kestrel", text::kQuietHoursValueName, REG_MULTI_SZ,
                            window));
    auto app = Make(text::kMiniArgument);
    ASSERT_TRUE(app->Start());
    ASSERT_EQ(::RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Kestrel", text::kQuietHoursValueName),
              ERROR_SUCCESS);
    std::wstring stored;
    const auto back = [&] {
        DWORD type = REG_NONE;
        stored.clear();
        return QueryRegValue(HKEY_CURRENT_USER, L"Software\\Kestrel", text::kQuietHoursValueName, type, stored) &&
               !stored.empty();
    };
    PumpUntil(back);
    EXPECT_TRUE(back()) << "written back";
    EXPECT_NE(stored.find(window), std::wstring::npos);
    const std::string line = Utf8FromWide(
        L"\t设置\t设置在 Kestrel 之外被修改：HKEY_CURRENT_USER\\Software\\Kestrel\\QuietHours（已改回）");
    PumpUntil([&] { return ReadBytes(folder / L"History.txt").find(line) != std::string::npos; });
    EXPECT_NE(ReadBytes(folder / L"History.txt").find(line), std::string::npos) << ReadBytes(folder / L"History.txt");
    app.reset();
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Kestrel", text::kQuietHoursValueName);
}

// A unique name per test, so that no real Kestrel running in the same session is disturbed.
std::wstring TestMutexName() {
    static int counter = 0;
    return L"Local\\Kestrel.Test." + std::to_wstring(::GetCurrentProcessId()) + L"." +
           std::to_wstring(++counter);
}

// Holds the name on another thread, as another process would, until released.
class OtherCopy {
public:
    explicit OtherCopy(const std::wstring& name) {
        std::atomic<bool> holding{false};
        thread_ = std::thread([&, name] {
            SingleInstanceLock lock;
            holding = lock.Claim(name.c_str(), 0);
            while (!release_) {
                ::Sleep(5);
            }
        });
        while (!holding) {
            ::Sleep(1);
        }
    }
    ~OtherCopy() { End(); }
    void End() {
        release_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
    }

private:
    std::atomic<bool> release_{false};
    std::thread thread_;
};

// Runs a claim on a worker thread while this thread keeps its windows answering.
bool ClaimElsewhere(const std::wstring& name, DWORD patienceMs) {
    std::atomic<bool> done{false};
    bool result = false;
    std::thread worker([&] {
        SingleInstanceLock lock;
        result = lock.Claim(name.c_str(), patienceMs);
        done = true;
    });
    while (!done) {
        PumpUntilQuiet();
        ::Sleep(5);
    }
    worker.join();
    return result;
}

TEST(SingleInstanceLock, NeitherAHeldNameNorALookAlikeWindowKeepsKestrelFromStarting) {
    const std::wstring name = TestMutexName();
    ASSERT_EQ(FindRunningKestrel(), nullptr);
    OtherCopy first(name);
    // Held, and no window comes within the patience: another program took the name.
    const DWORD start = ::GetTickCount();
    EXPECT_TRUE(ClaimElsewhere(name, 300)) << "the held name alone stopped the start";
    EXPECT_GE(::GetTickCount() - start, 250u) << "did not wait for a copy starting at the same moment";
    first.End();
    EXPECT_TRUE(ClaimElsewhere(name, 300)) << "the first copy has ended: the name is free again";

    // Kestrel's title on a window of another class is no running copy (the black-box test adds Kestrel's
    // class in a program of another name).
    const HWND decoy = ::CreateWindowExW(0, L"STATIC", text::kMainWindowTitle, WS_OVERLAPPED, 0, 0, 10, 10,
                                         nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(decoy, nullptr);
    EXPECT_EQ(FindRunningKestrel(), nullptr);
    EXPECT_TRUE(ClaimElsewhere(TestMutexName(), 300)) << "a window with Kestrel's title stopped the start";
    ::DestroyWindow(decoy);
}

TEST(SingleInstanceLock, ASecondStartShowsRestoresAndRaisesTheRunningWindow) {
    FixedClock clock(LocalDateTime{});
    MainWindow running(clock, {});
    ASSERT_TRUE(running.Create(::GetModuleHandleW(nullptr)));
    running.ShowCentred();
    running.HideToTray();
    ASSERT_FALSE(::IsWindowVisible(running.hwnd()));
    ASSERT_TRUE(::IsIconic(running.hwnd()));

    EXPECT_FALSE(ClaimElsewhere(TestMutexName(), 300)) << "the window alone identifies a running copy";
    EXPECT_TRUE(::IsWindowVisible(running.hwnd()));
    EXPECT_FALSE(::IsIconic(running.hwnd()));
}

} // namespace
} // namespace kestrel::win
