// Drives a real Kestrel.exe from outside, the way a user and Windows do: start it from a fresh folder,
// find its windows, post commands, clicks and tray notifications, and read what it shows and writes.
// Runs inside the same Wine prefix and desktop as the program. Every wait is bounded.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::e2e {

using namespace std::chrono_literals;
using Duration = std::chrono::milliseconds;

inline constexpr Duration kTimeout = 10s;
inline constexpr wchar_t kMainTitle[] = L"Kestrel - Ver:3.1.0.0";

// Polls `done` until it is true or `timeout` passes, and returns its last answer. Pumps this thread's
// messages meanwhile, so that windows the test itself owns never stall the program under test.
bool WaitUntil(const std::function<bool()>& done, Duration timeout = kTimeout);

// The Kestrel.exe under test: KESTREL_EXE, a Windows path or a Unix path (Wine maps / to Z:).
std::filesystem::path KestrelExeUnderTest();
// The path in the environment variable `name`, given either way; empty when it is not set.
std::filesystem::path PathFromEnvironment(const wchar_t* name);

// "HH:MM" of the local time `minutes` from now, after waiting out the last 15 seconds of a minute so that
// the minute cannot turn under the scenario; `tomorrow`, when given, tells whether it lies past midnight.
std::wstring LocalMinute(int minutes, bool* tomorrow = nullptr);

// One plan: its six cells, in column order.
using Row = std::vector<std::wstring>;

std::wstring Utf8ToWide(const std::string& bytes);
std::string WideToUtf8(const std::wstring& text);

// The rows of a plan file's text, read leniently (any indentation, an XML declaration, a BOM);
// nullopt when the text has no root element 计划列表.
std::optional<std::vector<Row>> ParsePlanFile(const std::wstring& xml);
// Three plans of the three kinds, with texts that trip up careless code: a custom repeat rule with its
// trailing blank, markup characters and quotes, Chinese text and a path with blanks.
std::vector<Row> SamplePlans();
// A plan file as a person might write it by hand: declaration, one element per line, indented.
std::wstring PlanFileText(const std::vector<Row>& rows);

// A fresh folder, with a name holding Chinese characters and a blank, that contains a copy of
// Kestrel.exe, on a machine where no Kestrel ran before (no last minute looked at in the registry).
// Removed with its content at the end (end the program first).
class Sandbox {
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path Exe() const { return folder_ / L"Kestrel.exe"; }
    std::filesystem::path PlanFile() const { return folder_ / L"Values.xml"; }

    // Copies a helper library (L"Update.dll", L"SendComment.dll") built beside the Kestrel.exe under
    // test into the folder. Without it the program must do without.
    void AddLibrary(const wchar_t* name) const;

    void WritePlanFile(const std::vector<Row>& rows) const;
    std::optional<std::string> ReadPlanFileBytes() const;
    // The rows of Values.xml; nullopt when the file is missing or has no plan list root.
    std::optional<std::vector<Row>> ReadPlanFile() const;

private:
    std::filesystem::path folder_;
};

// A whole file's bytes, read while others may hold it; nullopt when it cannot be opened.
std::optional<std::string> ReadFileBytesAt(const std::filesystem::path& path);
// Creates or replaces the file with `bytes`; a failure fails the test.
void WriteFileBytesAt(const std::filesystem::path& path, const std::string& bytes);
// The rows of a plan file; nullopt when it is missing or has no plan list root.
std::optional<std::vector<Row>> ReadPlanFileAt(const std::filesystem::path& path);

// A Kestrel.exe started by this test. The destructor ends it if it still runs; nothing else is ever
// ended. The working directory is deliberately not the program's folder (as with a start at log-on).
class KestrelProcess {
public:
    explicit KestrelProcess(const Sandbox& sandbox, const std::wstring& arguments = L"");
    explicit KestrelProcess(const std::filesystem::path& exe, const std::wstring& arguments = L"");
    ~KestrelProcess();
    KestrelProcess(const KestrelProcess&) = delete;
    KestrelProcess& operator=(const KestrelProcess&) = delete;

    DWORD Id() const { return info_.dwProcessId; }
    bool IsRunning() const;
    bool WaitForExit(Duration timeout = kTimeout);
    // The top-level window of this process with the exact main title (hidden ones too); nullptr until
    // it exists. The wait variant fails the test when it does not appear in time.
    HWND MainWindow() const;
    HWND WaitForMainWindow(Duration timeout = kTimeout);
    // Waits until start-up is over: the program waits for input and has handled what was sent so far.
    bool WaitUntilIdle(Duration timeout = kTimeout);
    // Both waits in turn: the main window once start-up is over, or nullptr (and a test failure).
    HWND WaitForIdleMainWindow();
    void Kill();

private:
    PROCESS_INFORMATION info_{};
};

// Every top-level window, of any process, whose title is exactly the main title.
std::vector<HWND> AllMainWindows();
// Every top-level window of one process, hidden ones included.
std::vector<HWND> TopLevelWindowsOf(DWORD processId);
DWORD ProcessOf(HWND window);
std::wstring ClassOf(HWND window);
// The visible top-level windows of `processId` of the window class `className`, or with the exact
// title `title`, and waits for the first of them.
std::vector<HWND> VisibleWindowsOf(DWORD processId, const wchar_t* className);
HWND WaitForWindowOf(DWORD processId, const wchar_t* className, Duration timeout = kTimeout);
std::vector<HWND> VisibleWindowsTitled(DWORD processId, const wchar_t* title);
HWND WaitForWindowTitled(DWORD processId, const wchar_t* title, Duration timeout = kTimeout);

// The first descendant of `root` with the control id `id` (searched depth first), or nullptr.
HWND FindDescendant(HWND root, int id);
HWND WaitForDescendant(HWND root, int id, Duration timeout = kTimeout);

// Sends a message with a timeout; nullopt (and a test failure) when the target does not answer.
std::optional<LRESULT> SendWithTimeout(HWND window, UINT message, WPARAM w = 0, LPARAM l = 0,
                                       Duration timeout = 5s);
// A synchronous no-op message: once it returns, the window's thread has handled everything that was
// sent to it before. A sent message overtakes messages still waiting in the queue, so clicks and
// commands posted just before may not have been handled yet: wait for their effect with WaitUntil.
bool RoundTrip(HWND window);

void PostCommand(HWND target, unsigned id);
// Posts BM_CLICK (never sent: a handler that opens a message box would block the test).
void PostClick(HWND control);
// Picture buttons and other non-button controls: a posted left press and release at their centre.
void PostMouseClick(HWND control);
// The tray icon's callback as the shell delivers it, with the mouse message in lParam.
void PostTrayNotification(HWND mainWindow, UINT mouseMessage);
void SendTrayNotification(HWND mainWindow, UINT mouseMessage);

// Real keystrokes, as a keyboard makes them, for whichever window has the keyboard in the desktop: `key`
// pressed and released, with Alt (an access key) or Shift held around it when asked.
void PressKey(WORD key, bool alt = false, bool shift = false);
// The window that has the keyboard focus in the thread of `window` (nullptr when none).
HWND KeyboardFocusOf(HWND window);

bool IsShownNormal(HWND window); // visible and not minimised
bool IsHidden(HWND window);
std::wstring WindowText(HWND window);
// The entries of a list box, as far as they can be read while the list changes.
std::vector<std::wstring> ListBoxEntries(HWND list);
bool IsChecked(HWND checkBox);
// True when `upper` comes before `lower` in the z-order of top-level windows.
bool IsAbove(HWND upper, HWND lower);

// A message box of `processId` titled "Kestrel", with its text (static control 0xFFFF) and owner.
struct MessageBoxWindow {
    HWND window = nullptr;
    std::wstring text;
    HWND owner = nullptr;
    bool HasButton(int id) const { return GetDlgItem(window, id) != nullptr; }
    // Presses the button `id` (IDOK, IDYES, IDNO ...) and waits until the box is gone.
    bool Press(int id) const;
};
std::optional<MessageBoxWindow> FindMessageBox(DWORD processId);
std::optional<MessageBoxWindow> WaitForMessageBox(DWORD processId, Duration timeout = kTimeout);

// A visible pop-up menu window of `processId`, or nullptr.
HWND FindPopupMenu(DWORD processId);

// The texts of every tooltip on the screen, of any process: the shell shows a tray icon's balloon as one.
std::vector<std::wstring> VisibleTooltipTexts();

// Waits until both the plan list view `list` and the sandbox's Values.xml hold `expected`; says which
// one differs when they do not.
::testing::AssertionResult ListAndFileHold(HWND list, const Sandbox& sandbox,
                                           const std::vector<Row>& expected);

// A list view of another process, read and driven through memory allocated in that process (at most its
// first `maxRows` rows: a long one takes a while).
std::vector<Row> ReadListView(HWND listView, int maxRows = INT_MAX);
std::vector<std::wstring> ReadListViewColumns(HWND listView);
void SelectListViewRow(HWND listView, int row); // row < 0 clears the selection

// A string value under HKEY_CURRENT_USER\Software\Kestrel (the web address overrides), removed again at
// the end of the scope. Only ever set inside the test's throwaway Wine prefix.
class ScopedKestrelSetting {
public:
    ScopedKestrelSetting(std::wstring name, const std::wstring& value);
    ~ScopedKestrelSetting();
    ScopedKestrelSetting(const ScopedKestrelSetting&) = delete;
    ScopedKestrelSetting& operator=(const ScopedKestrelSetting&) = delete;

private:
    std::wstring name_;
};

// The current user's Run key. Tests run in a throwaway Wine prefix, never on a real user's registry.
std::optional<std::wstring> ReadRunValue(const std::wstring& name);
void WriteRunValue(const std::wstring& name, const std::wstring& data);
void DeleteRunValue(const std::wstring& name);

} // namespace kestrel::e2e
