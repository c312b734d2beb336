// Start-up, the single running copy, the close request and the real exit, seen from outside.
#include "driver.h"

#include "base/command_ids.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kestrel::e2e {
namespace {

// A plain window of the test's own, put on top so that "brought to the front" can be observed.
class CoverWindow {
public:
    CoverWindow() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KestrelE2eCover";
        RegisterClassW(&wc);
        window_ = CreateWindowExW(0, wc.lpszClassName, L"cover", WS_OVERLAPPEDWINDOW, 0, 0, 1024, 768,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~CoverWindow() { DestroyWindow(window_); }
    CoverWindow(const CoverWindow&) = delete;
    CoverWindow& operator=(const CoverWindow&) = delete;

    HWND Window() const { return window_; }
    void BringToTop() const {
        SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    }

private:
    HWND window_ = nullptr;
};

TEST(StartUp, MiniStartsHiddenWithTheProgramRunning) {
    Sandbox sandbox;
    KestrelProcess kestrel(sandbox, L"mini");
    HWND main = kestrel.WaitForIdleMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(IsHidden(main));
    EXPECT_TRUE(kestrel.IsRunning());
}

// Only the exact, lower-case single argument hides the window; everything else is ignored.
TEST(StartUp, AnyOtherArgumentShowsTheWindow) {
    for (const wchar_t* arguments : {L"", L"MINI", L"Mini", L"mini x", L"x mini", L"/mini"}) {
        SCOPED_TRACE(WideToUtf8(L"arguments: \"" + std::wstring(arguments) + L"\""));
        Sandbox sandbox;
        KestrelProcess kestrel(sandbox, arguments);
        HWND main = kestrel.WaitForMainWindow();
        ASSERT_NE(main, nullptr);
        EXPECT_TRUE(WaitUntil([&] { return IsShownNormal(main); }));
        EXPECT_TRUE(kestrel.IsRunning());
    }
}

// A second start, from another folder, must not become a second program: it shows the running one and
// ends without a window of its own and without touching any plan file.
TEST(SingleInstance, ASecondStartShowsTheRunningWindowAndEnds) {
    Sandbox first;
    first.WritePlanFile(SamplePlans());
    KestrelProcess running(first, L"mini");
    HWND main = running.WaitForIdleMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(IsHidden(main));
    CoverWindow cover;

    // First while hidden by "mini", then while hidden and minimised by a close request.
    for (const char* hiddenBy : {"the mini argument", "a close request"}) {
        SCOPED_TRACE(std::string("hidden by ") + hiddenBy);
        cover.BringToTop();
        ASSERT_TRUE(IsAbove(cover.Window(), main));

        Sandbox second;
        KestrelProcess again(second);
        std::vector<HWND> windowsOfSecond;
        const bool ended = WaitUntil(
            [&] {
                for (HWND w : TopLevelWindowsOf(again.Id())) {
                    if (std::find(windowsOfSecond.begin(), windowsOfSecond.end(), w) ==
                        windowsOfSecond.end()) {
                        windowsOfSecond.push_back(w);
                    }
                }
                return !again.IsRunning();
            },
            10s);
        ASSERT_TRUE(ended) << "the second start is still running";
        EXPECT_TRUE(windowsOfSecond.empty())
            << "the second start made " << windowsOfSecond.size() << " window(s)";
        EXPECT_FALSE(std::filesystem::exists(second.PlanFile())) << "the second start wrote a plan file";

        EXPECT_TRUE(WaitUntil([&] { return IsShownNormal(main); }))
            << "the running window was not shown and restored";
        EXPECT_TRUE(WaitUntil([&] { return IsAbove(main, cover.Window()); }))
            << "the running window is not in front";
        EXPECT_EQ(AllMainWindows(), std::vector<HWND>{main});
        EXPECT_TRUE(running.IsRunning());

        PostMessageW(main, WM_CLOSE, 0, 0);
        ASSERT_TRUE(WaitUntil([&] { return IsHidden(main); }));
    }
}

// The close box, Alt+F4 and every other close request only hide the window; the plans stay untouched.
TEST(CloseRequest, HidesAndMinimisesTheWindowAndTheProgramLivesOn) {
    Sandbox sandbox;
    sandbox.WritePlanFile(SamplePlans());
    const auto planFileBefore = sandbox.ReadPlanFileBytes();
    KestrelProcess kestrel(sandbox);
    HWND main = kestrel.WaitForMainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsShownNormal(main); }));

    const struct {
        const char* name;
        UINT message;
        WPARAM w;
    } requests[] = {{"WM_CLOSE", WM_CLOSE, 0}, {"WM_SYSCOMMAND SC_CLOSE", WM_SYSCOMMAND, SC_CLOSE}};
    for (const auto& request : requests) {
        SCOPED_TRACE(request.name);
        ASSERT_TRUE(PostMessageW(main, request.message, request.w, 0));
        EXPECT_TRUE(WaitUntil([&] { return IsHidden(main); })) << "the window is still visible";
        ASSERT_TRUE(RoundTrip(main)) << "the window is gone or does not answer";
        EXPECT_TRUE(IsIconic(main)) << "the hidden window should be minimised";
        EXPECT_TRUE(kestrel.IsRunning());
        EXPECT_TRUE(sandbox.ReadPlanFileBytes() == planFileBefore)
            << "the close request rewrote the plan file";

        PostTrayNotification(main, WM_LBUTTONUP);
        ASSERT_TRUE(WaitUntil([&] { return IsShownNormal(main); }));
    }
}

// Start-up runs a thread beside the window (the tab pictures are drawn on one), and a lock taken in the
// wrong order would hang it only now and then; `make soak` asks for many rounds (KESTREL_START_ROUNDS).
TEST(StartUp, ShowsItsWindowAndEndsTimeAfterTime) {
    const char* asked = std::getenv("KESTREL_START_ROUNDS");
    const int rounds = asked != nullptr && std::atoi(asked) > 0 ? std::atoi(asked) : 3;
    Sandbox sandbox;
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(round);
        KestrelProcess kestrel(sandbox);
        HWND main = kestrel.WaitForMainWindow();
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return IsShownNormal(main); }));
        ASSERT_TRUE(kestrel.WaitUntilIdle()) << "start-up did not finish";
        PostCommand(main, ids::kCmdTrayExit);
        ASSERT_TRUE(kestrel.WaitForExit()) << "the program did not end after Exit";
    }
}

// Exit from the tray menu is the one real end: the plans are written, then the process ends.
TEST(Exit, TrayExitWritesThePlanFileAndEndsTheProcess) {
    {
        SCOPED_TRACE("with plans, started hidden");
        Sandbox sandbox;
        sandbox.WritePlanFile(SamplePlans());
        KestrelProcess kestrel(sandbox, L"mini");
        HWND main = kestrel.WaitForIdleMainWindow();
        ASSERT_NE(main, nullptr);
        PostCommand(main, ids::kCmdTrayExit);
        ASSERT_TRUE(kestrel.WaitForExit()) << "the program did not end after Exit";
        EXPECT_EQ(sandbox.ReadPlanFile(), SamplePlans());

        // What the program writes itself is one line without a declaration.
        const std::string bytes = sandbox.ReadPlanFileBytes().value_or("");
        EXPECT_EQ(bytes.find("<?xml"), std::string::npos) << bytes;
        const size_t lastTag = bytes.rfind('>');
        EXPECT_EQ(bytes.find('\n'),
                  lastTag == std::string::npos ? std::string::npos : bytes.find('\n', lastTag))
            << "line breaks between elements:\n"
            << bytes;
    }
    {
        SCOPED_TRACE("without a plan file, window shown");
        Sandbox sandbox;
        KestrelProcess kestrel(sandbox);
        HWND main = kestrel.WaitForMainWindow();
        ASSERT_NE(main, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return IsShownNormal(main); }));
        PostCommand(main, ids::kCmdTrayExit);
        ASSERT_TRUE(kestrel.WaitForExit()) << "the program did not end after Exit";
        EXPECT_EQ(sandbox.ReadPlanFile(), std::vector<Row>{})
            << "expected a plan file with an empty plan list";
    }
}

} // namespace
} // namespace kestrel::e2e
