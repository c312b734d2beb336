// The parent's lock in-process under Wine: the password box answers a wrong password with "密码错误" and
// keeps OK off for the wait, and each guarded command asks and obeys the answer. The box is answered from
// a helper thread while this thread runs the box's own loop; the lock has a fake store, a fast stand-in for
// PBKDF2 and a clock the test moves.
#include "actions/countdown_prompt_win.h"
#include "actions/forbidden_page_win.h"
#include "base/command_ids.h"
#include "base/texts.h"
#include "editors/plan_editor_page_win.h"
#include "lock/password_dialogs_win.h"
#include "plans/plan_list_page_win.h"
#include "shell/main_window_win.h"
#include "support/lock_fakes.h"
#include "support/message_box_answerer_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

namespace kestrel::win {
namespace {

using kestrel::testing::FastDerive;

struct EmptyTable final : ProcessTable {
    bool Snapshot(std::vector<ProcessEntry>& processes) override {
        processes.clear();
        return true;
    }
    std::optional<ProgramFile> ReadProgramFile(const ProcessEntry&) override { return std::nullopt; }
    EndResult End(const ProcessEntry&, const std::wstring&) override { return EndResult::NotThere; }
    unsigned long OwnProcessId() const override { return 0; }
};

HWND FindPasswordBox() {
    for (HWND w = ::FindWindowExW(nullptr, nullptr, L"#32770", text::kLockCaption); w;
         w = ::FindWindowExW(nullptr, w, L"#32770", text::kLockCaption)) {
        DWORD process = 0;
        ::GetWindowThreadProcessId(w, &process);
        if (process == ::GetCurrentProcessId() && ::IsWindowVisible(w) && ::GetDlgItem(w, ids::kAskPassword)) {
            return w;
        }
    }
    return nullptr;
}

bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = 5000) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) {
            return false;
        }
        ::Sleep(5);
    }
    return true;
}

std::wstring TextOf(HWND box, unsigned id) {
    wchar_t buffer[256] = {};
    ::SendMessageW(::GetDlgItem(box, static_cast<int>(id)), WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

// Types `password` into the box and presses OK (or, for nullptr, presses Cancel).
void Answer(HWND box, const wchar_t* password) {
    if (!password) {
        ::PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        return;
    }
    ::SendMessageW(::GetDlgItem(box, ids::kAskPassword), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(password));
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// Runs `script` on a helper thread with the first password box that appears.
class BoxScript {
public:
    explicit BoxScript(std::function<void(HWND box)> script) {
        worker_ = std::thread([this, script] {
            HWND box = nullptr;
            if (WaitFor([&] { return (box = FindPasswordBox()) != nullptr; })) {
                seen_ = true;
                script(box);
            }
        });
    }
    ~BoxScript() { Join(); }
    bool Seen() {
        Join();
        return seen_;
    }

private:
    void Join() {
        if (worker_.joinable()) {
            worker_.join();
        }
    }
    std::thread worker_;
    std::atomic<bool> seen_{false};
};

class Guarded : public ::testing::Test {
protected:
    void SetUp() override {
        lock.Load();
        ASSERT_EQ(lock.Set(L"家长", L"家长"), PasswordAnswer::Accepted);
        owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 620, 300, nullptr, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
    }
    void TearDown() override { ::DestroyWindow(owner); }

    kestrel::testing::FakeLockStore store;
    std::atomic<std::uint64_t> now{5000};
    ParentLock lock{store, FastDerive, [](std::span<std::uint8_t> b) { return !b.empty(); },
                    [this] { return now.load(); }};
    PasswordGuard guard{::GetModuleHandleW(nullptr), lock};
    HWND owner = nullptr;
};

TEST_F(Guarded, AWrongPasswordIsToldAndTheNextTryWaitsWithOkOff) {
    HWND seenOwner = nullptr;
    std::wstring status, wait;
    bool okOffWhileWaiting = false, masked = false;
    BoxScript script([&](HWND box) {
        seenOwner = ::GetWindow(box, GW_OWNER);
        masked = ::GetWindowLongW(::GetDlgItem(box, ids::kAskPassword), GWL_STYLE) & ES_PASSWORD;
        Answer(box, L"家");
        WaitFor([&] { return TextOf(box, ids::kLockStatus) == text::kLockWrong; });
        status = TextOf(box, ids::kLockStatus);
        wait = TextOf(box, ids::kLockWait);
        okOffWhileWaiting = !::IsWindowEnabled(::GetDlgItem(box, IDOK));
        EXPECT_EQ(TextOf(box, ids::kAskPassword), L"") << "the typed password stays in the field";
        now += 1000; // the wait is over: the box's timer turns OK on again
        WaitFor([&] { return ::IsWindowEnabled(::GetDlgItem(box, IDOK)) != FALSE; });
        Answer(box, L"家长");
    });
    EXPECT_TRUE(guard.Allow(owner, text::kAskExit));
    EXPECT_TRUE(script.Seen());
    EXPECT_EQ(seenOwner, owner);
    EXPECT_TRUE(masked);
    EXPECT_EQ(status, L"密码错误");
    EXPECT_EQ(wait, L"请等 1 秒后再试。");
    EXPECT_TRUE(okOffWhileWaiting);

    BoxScript cancel([](HWND box) { Answer(box, nullptr); });
    EXPECT_FALSE(guard.Allow(owner, text::kAskExit));
    EXPECT_TRUE(cancel.Seen());
}

TEST_F(Guarded, NoBoxWithoutAPasswordAndNoWayThroughAnUnreadableRecord) {
    ASSERT_EQ(lock.Remove(L"家长"), PasswordAnswer::Accepted);
    EXPECT_TRUE(guard.Allow(owner, text::kAskExit));
    store.record = std::vector<std::uint8_t>{1, 2, 3};
    ASSERT_EQ(lock.Load(), LockState::Unreadable);
    kestrel::testing::MessageBoxAnswerer answerer(IDOK);
    EXPECT_FALSE(guard.Allow(owner, text::kAskExit));
    EXPECT_NE(answerer.Text().find(L"HKEY_CURRENT_USER\\Software\\Kestrel\\ParentPassword"), std::wstring::npos);
}

TEST_F(Guarded, PlanListDeleteAndDisableAskAndObey) {
    PlanList plans;
    for (const wchar_t* time : {L"08:00", L"09:00"}) {
        plans.Append(MakePlanRow(text::kKindReminder, time, text::kOpTextMessage, text::kStatusEnabled,
                                 text::kRepeatDaily, L"x"));
    }
    PlanListPage page(plans, [this] { return owner; });
    ASSERT_TRUE(page.Create(owner));
    page.SetGuard([&](const wchar_t* reason) { return guard.Allow(owner, reason); });
    ListView_SetItemState(page.listView(), 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);

    std::wstring reason;
    {
        BoxScript refuse([&](HWND box) { reason = TextOf(box, ids::kAskReason), Answer(box, nullptr); });
        page.RunCommand(ids::kCmdPlanDelete);
        EXPECT_TRUE(refuse.Seen());
    }
    EXPECT_EQ(reason, text::kAskPlans);
    EXPECT_EQ(plans.Count(), 2u);
    {
        BoxScript allow([](HWND box) { Answer(box, L"家长"); });
        page.RunCommand(ids::kCmdPlanDisable);
        EXPECT_TRUE(allow.Seen());
    }
    EXPECT_EQ(plans.Rows()[0].cells[3], text::kStatusDisabled);
    // Enabling is open to anyone: no box.
    page.RunCommand(ids::kCmdPlanEnable);
    EXPECT_EQ(plans.Rows()[0].cells[3], text::kStatusEnabled);
    {
        BoxScript allow([](HWND box) { Answer(box, L"家长"); });
        kestrel::testing::MessageBoxAnswerer confirm(IDYES, 10000);
        page.RunCommand(ids::kCmdPlanDeleteAll);
        EXPECT_TRUE(allow.Seen());
        EXPECT_TRUE(confirm.Answered());
    }
    EXPECT_TRUE(plans.Empty());
}

TEST_F(Guarded, AddingOrEnablingARunPlanAsksAndObeys) {
    PlanList plans;
    FixedClock clock(LocalDateTime{2026, 3, 2, 9, 15, 0, 1});
    PlanEditorPage editor(EditorKind::Run, plans, clock, [this] { return owner; });
    ASSERT_TRUE(editor.Create(owner));
    editor.SetGuard([&](const wchar_t* reason) { return guard.Allow(owner, reason); });
    ::SetWindowTextW(editor.Control(ids::kEditorText), L"C:\\Windows\\System32\\cmd.exe");
    BoxScript allow([](HWND box) { Answer(box, L"家长"); });
    kestrel::testing::MessageBoxAnswerer added(IDOK); // "定时运行计划添加成功！"
    editor.AddPlan();
    EXPECT_TRUE(allow.Seen());
    EXPECT_EQ(plans.Count(), 1u);
    plans.SetStatus(1, text::kStatusDisabled);
    PlanListPage page(plans, [this] { return owner; });
    ASSERT_TRUE(page.Create(owner));
    page.SetGuard([&](const wchar_t* reason) { return guard.Allow(owner, reason); });
    ListView_SetItemState(page.listView(), 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    BoxScript refuse([](HWND box) { Answer(box, nullptr); });
    page.RunCommand(ids::kCmdPlanEnable);
    EXPECT_EQ(plans.Rows()[0].cells[3], text::kStatusDisabled);
}

TEST_F(Guarded, ForbiddenDeleteExitAndClearingAutoStartAskAndObey) {
    EmptyTable table;
    ForbiddenProgramsPage page(table);
    ASSERT_TRUE(page.Create(owner));
    page.SetGuard([&](const wchar_t* reason) { return guard.Allow(owner, reason); });
    page.SetEntries({L"game.exe"});
    HWND list = ::GetDlgItem(page.hwnd(), ids::kForbiddenList);
    ::SendMessageW(list, LB_SETCURSEL, 0, 0);
    for (const wchar_t* answer : {static_cast<const wchar_t*>(nullptr), L"家长"}) {
        BoxScript script([&](HWND box) { Answer(box, answer); });
        ::SendMessageW(page.hwnd(), WM_COMMAND, MAKEWPARAM(ids::kForbiddenRemove, BN_CLICKED), 0);
        EXPECT_TRUE(script.Seen());
        EXPECT_EQ(page.List().Entries().size(), answer ? 0u : 1u);
    }

    FixedClock clock(LocalDateTime{});
    MainWindowEvents events;
    std::vector<bool> autoStart;
    events.allow = [&](const wchar_t* reason) { return guard.Allow(owner, reason); };
    events.autoStartClicked = [&](bool ticked) { autoStart.push_back(ticked); };
    events.exitConfirmed = [] {};
    MainWindow main(clock, std::move(events));
    ASSERT_TRUE(main.Create(::GetModuleHandleW(nullptr)));
    main.SetAutoStartChecked(true);
    for (const wchar_t* answer : {static_cast<const wchar_t*>(nullptr), L"家长"}) {
        BoxScript script([&](HWND box) { Answer(box, answer); });
        ::SendMessageW(main.AutoStartCheck(), BM_CLICK, 0, 0);
        EXPECT_TRUE(script.Seen());
        EXPECT_EQ(main.AutoStartChecked(), answer == nullptr) << "a refused clear keeps the tick";
    }
    EXPECT_EQ(autoStart, std::vector<bool>{false});
    ::SendMessageW(main.AutoStartCheck(), BM_CLICK, 0, 0); // ticking asks nothing
    EXPECT_EQ(autoStart, (std::vector<bool>{false, true}));

    for (const wchar_t* answer : {static_cast<const wchar_t*>(nullptr), L"家长"}) {
        BoxScript script([&](HWND box) { Answer(box, answer); });
        ::SendMessageW(main.hwnd(), WM_COMMAND, MAKEWPARAM(ids::kCmdTrayExit, 0), 0);
        EXPECT_TRUE(script.Seen());
        EXPECT_EQ(main.ExitRequested(), answer != nullptr);
    }
}

TEST_F(Guarded, TheCountdownKeepsCountingWhileTheBoxIsOpenAndItsEndWithdrawsTheQuestion) {
    std::vector<std::wstring> performed;
    CountdownPrompt prompt(::GetModuleHandleW(nullptr),
                           [&](const std::wstring& operation) { performed.push_back(operation); });
    prompt.SetGuard([&](HWND asking, const wchar_t* reason) { return guard.Allow(asking, reason); },
                    [&](HWND asking) { guard.DismissOwnedBy(asking); });

    // Cancel asked, the box stays open: the seconds go on, and at the end the operation happens.
    ASSERT_TRUE(prompt.方法_提示关机_进行关机操作(L"关闭计算机"));
    const HWND window = prompt.hwnd();
    std::vector<std::wstring> shown;
    bool boxGone = false;
    BoxScript waitOut([&](HWND box) {
        EXPECT_EQ(::GetWindow(box, GW_OWNER), window);
        // Each second as the timer brings it: posted, and taken by the box's own message loop.
        for (int tick = 0; tick < 15; ++tick) {
            const std::wstring before = TextOf(window, ids::kCountdownLabel);
            shown.push_back(before);
            ::PostMessageW(window, WM_TIMER, kCountdownTimerId, 0);
            WaitFor([&] { return !::IsWindow(window) || TextOf(window, ids::kCountdownLabel) != before; });
        }
        boxGone = WaitFor([&] { return !::IsWindow(box) || !::IsWindowVisible(box); });
    });
    ::SendMessageW(prompt.cancelButton(), BM_CLICK, 0, 0);
    EXPECT_TRUE(waitOut.Seen());
    EXPECT_TRUE(boxGone);
    ASSERT_EQ(shown.size(), 15u);
    EXPECT_EQ(shown.front(), L"距离关闭计算机还剩 15 秒...");
    EXPECT_EQ(shown.back(), L"距离关闭计算机还剩 1 秒...");
    EXPECT_EQ(performed, std::vector<std::wstring>{L"关闭计算机"});
    EXPECT_FALSE(::IsWindow(window));

    // Esc (IDCANCEL) and the close box ask the same; the right password cancels.
    for (const UINT how : {0u, 1u}) {
        ASSERT_TRUE(prompt.方法_提示关机_进行关机操作(L"重启计算机"));
        BoxScript allow([](HWND box) { Answer(box, L"家长"); });
        if (how == 0) {
            ::SendMessageW(prompt.hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        } else {
            ::SendMessageW(prompt.hwnd(), WM_CLOSE, 0, 0);
        }
        EXPECT_TRUE(allow.Seen());
        EXPECT_EQ(prompt.hwnd(), nullptr);
    }
    EXPECT_EQ(performed.size(), 1u);
}

} // namespace
} // namespace kestrel::win
