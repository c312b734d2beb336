// Form_提示关机; see countdown_prompt_win.h. Geometry is stated in twips, as the window was designed, and
// scaled to the window's dpi. The window is topmost and takes the foreground: it is the only warning
// before a forced shutdown, so it must not open behind another program. While it counts, it keeps the
// keyboard: no other window of Kestrel's may become active (a box that opens meanwhile stays beneath
// it, and comes forward once the countdown is gone), and its buttons handle their keys themselves, so
// that Esc, Enter and Tab work inside any message loop, a message box's included.
#include "actions/countdown_prompt_win.h"
#include "platform/clock.h"

#include "base/app_messages.h"
#include "base/command_ids.h"
#include "base/texts.h"
#include "platform/dpi_win.h"

#include <commctrl.h>

#include <utility>

namespace kestrel::win {

namespace {

constexpr int kClientWidthTwips = 7200;
constexpr int kClientHeightTwips = 1590;
constexpr TwipsRect kLabelRect{240, 150, 6720, 330};
constexpr TwipsRect kBarRect{240, 540, 6720, 300};
constexpr TwipsRect kNowRect{240, 1005, 1500, 450};
constexpr TwipsRect kCancelRect{5460, 1005, 1500, 450};

constexpr UINT kTickMs = 1000;

// The time the computer has spent asleep since it started: the tick that runs in sleep less the one that
// does not.
std::uint64_t TimeAsleepMs() {
    ULONGLONG awake = 0;
    const ULONGLONG all = ::GetTickCount64();
    return ::QueryUnbiasedInterruptTime(&awake) ? all - awake / 10000 : 0;
}
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_TOPMOST | WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr wchar_t kWindowClass[] = L"Kestrel.CountdownPrompt";

// The one prompt whose window is up and its countdown; the activation hook below reads them. Once the
// countdown has stopped (the operation runs, or the window is on its way out) other windows are free.
HWND gPromptWindow = nullptr;
const ShutdownCountdown* gCountdown = nullptr;
HHOOK gActivationHook = nullptr;
HWND gHeldBack = nullptr; // the last window refused activation while the countdown showed

// Whether `window` belongs to the prompt: the prompt itself, its controls, or a window it owns (a box
// it asks a question with).
bool BelongsToPrompt(HWND window) {
    for (HWND w = window; w; w = ::GetWindow(w, GW_OWNER)) {
        if (w == gPromptWindow || ::IsChild(gPromptWindow, w)) {
            return true;
        }
    }
    return false;
}

LRESULT CALLBACK RefuseOtherActivation(int code, WPARAM wParam, LPARAM lParam) noexcept {
    if (code == HCBT_ACTIVATE && gPromptWindow && gCountdown && gCountdown->Counting() &&
        ::IsWindowVisible(gPromptWindow)) {
        const auto window = reinterpret_cast<HWND>(wParam);
        if (!BelongsToPrompt(window)) {
            gHeldBack = window;
            return 1;
        }
    }
    return ::CallNextHookEx(gActivationHook, code, wParam, lParam);
}


} // namespace

CountdownPrompt::CountdownPrompt(HINSTANCE instance, Performer perform)
    : instance_(instance), perform_(std::move(perform)) {}

CountdownPrompt::~CountdownPrompt() {
    // Gone before the font it uses; an unfinished countdown ends with the program, without its operation.
    if (hwnd()) {
        ::DestroyWindow(hwnd());
    }
}

bool CountdownPrompt::方法_提示关机_进行关机操作(const std::wstring& operation) {
    if (!EnsureWindow()) {
        return false;
    }
    countdown_.Start(operation);
    asleepMs_ = TimeAsleepMs();
    ShowCount();
    // Setting the timer again restarts its second, so a second call gives the full 15 seconds.
    ::SetTimer(hwnd(), kCountdownTimerId, kTickMs, nullptr);
    gPromptWindow = hwnd();
    gCountdown = &countdown_;
    if (!gActivationHook) {
        gActivationHook =
            ::SetWindowsHookExW(WH_CBT, &RefuseOtherActivation, nullptr, ::GetCurrentThreadId());
    }
    ::ShowWindow(hwnd(), SW_SHOWNORMAL);
    ::SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    if (!::SetForegroundWindow(hwnd()) || ::GetForegroundWindow() != hwnd()) {
        // Windows may refuse the foreground to a program in the background: then the prompt, topmost
        // already, at least flashes its taskbar button until the user comes to it.
        FLASHWINFO flash{};
        flash.cbSize = sizeof(flash);
        flash.hwnd = hwnd();
        flash.dwFlags = FLASHW_ALL | FLASHW_TIMERNOFG;
        ::FlashWindowEx(&flash);
    }
    ::SetActiveWindow(hwnd());
    // A stray Enter must cancel, never shut down.
    ::SetFocus(cancelButton_);
    return true;
}

void CountdownPrompt::CancelForSleep() {
    if (countdown_.Counting()) {
        Finish(CountdownEnd::Slept);
    }
}

bool CountdownPrompt::PreTranslate(MSG& message) {
    return hwnd() && (message.hwnd == hwnd() || ::IsChild(hwnd(), message.hwnd)) &&
           ::IsDialogMessageW(hwnd(), &message);
}

bool CountdownPrompt::EnsureWindow() {
    if (hwnd()) {
        return true;
    }
    WNDCLASSEXW wc{};
    wc.hInstance = instance_;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    if (!CreateWindowOf(kWindowClass, wc, kWindowExStyle, text::kAppTitle, kWindowStyle, CW_USEDEFAULT,
                        CW_USEDEFAULT, 500, 150, nullptr, nullptr)) {
        return false;
    }
    CreateControls();
    ApplyDpi(DpiForWindow(hwnd()), nullptr);
    CentreOnWorkArea();
    return true;
}

void CountdownPrompt::CreateControls() {
    const auto child = [this](const wchar_t* className, const wchar_t* caption, DWORD style, unsigned id) {
        return ::CreateWindowExW(0, className, caption, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd(),
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance_, nullptr);
    };
    label_ = child(WC_STATICW, L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX, ids::kCountdownLabel);
    bar_ = child(PROGRESS_CLASSW, nullptr, 0, ids::kCountdownBar);
    ::SendMessageW(bar_, PBM_SETRANGE32, 0, kCountdownSeconds);
    // Creation order is the Tab order; BS_NOTIFY reports focus so the focused button shows as the default.
    nowButton_ = child(WC_BUTTONW, text::kCountdownNow, BS_PUSHBUTTON | BS_NOTIFY | WS_TABSTOP | WS_GROUP,
                       ids::kCountdownNowButton);
    cancelButton_ = child(WC_BUTTONW, text::kCountdownCancel, BS_DEFPUSHBUTTON | BS_NOTIFY | WS_TABSTOP,
                          ids::kCountdownCancelButton);
    for (HWND button : {nowButton_, cancelButton_}) {
        AddDialogButtonKeys(button);
    }
}

void CountdownPrompt::ApplyDpi(int dpi, const RECT* suggested) {
    dpi_ = dpi;
    font_.reset(CreateUiFont(dpi));
    for (HWND control : {label_, nowButton_, cancelButton_}) {
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    }
    MoveTo(label_, ToPixels(kLabelRect, dpi));
    MoveTo(bar_, ToPixels(kBarRect, dpi));
    MoveTo(nowButton_, ToPixels(kNowRect, dpi));
    MoveTo(cancelButton_, ToPixels(kCancelRect, dpi));
    FitClientArea(suggested);
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

void CountdownPrompt::FitClientArea(const RECT* suggested) {
    win::FitClientArea(hwnd(), ScaleTwips(kClientWidthTwips, dpi_), ScaleTwips(kClientHeightTwips, dpi_),
                       dpi_, suggested);
}

void CountdownPrompt::CentreOnWorkArea() {
    win::CentreOnWorkArea(hwnd());
}

void CountdownPrompt::ShowCount() {
    ::SetWindowTextW(label_, countdown_.Text().c_str());
    ::SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(countdown_.SecondsLeft()), 0);
}

void CountdownPrompt::OnTick() {
    // The 15 seconds are awake seconds: the first tick after a sleep counts nothing, and the scheduler's
    // next pass decides what the sleep closes or starts again.
    const std::uint64_t asleep = TimeAsleepMs();
    const bool slept = asleep - asleepMs_ > static_cast<std::uint64_t>(kAsleepThresholdMs);
    asleepMs_ = asleep;
    if (slept) {
        return;
    }
    if (countdown_.Tick()) {
        Finish(CountdownEnd::Performed);
    } else if (countdown_.Counting()) {
        ShowCount();
    }
}

void CountdownPrompt::RequestCancel() {
    if (!countdown_.Counting()) {
        return;
    }
    if (guard_ && !guard_(hwnd(), FillIn(text::kAskCountdown, L"{operation}", Operation()).c_str())) {
        return;
    }
    // The countdown may have reached its end while the question was open: then there is nothing left.
    if (countdown_.Counting()) {
        const std::wstring operation = countdown_.Operation();
        Finish(CountdownEnd::Cancelled);
        if (cancelled_) {
            cancelled_(operation);
        }
    }
}

void CountdownPrompt::Finish(CountdownEnd how) {
    // A question about cancelling is moot now.
    if (dismiss_ && hwnd()) {
        dismiss_(hwnd());
    }
    const std::wstring operation = countdown_.Operation();
    // Stopped before the operation runs: a click or tick that reaches the window meanwhile finds nothing
    // left to do, so the operation can never run twice.
    countdown_.Stop();
    ::KillTimer(hwnd(), kCountdownTimerId);
    if (endListener_) {
        endListener_(how);
    }
    if (how == CountdownEnd::Performed && perform_) {
        perform_(operation);
    }
    // A new countdown may have been started while the operation ran (its save can show a message box,
    // which lets the scheduler run); that one keeps the window.
    if (!countdown_.Counting() && hwnd()) {
        ::DestroyWindow(hwnd());
    }
}

LRESULT CountdownPrompt::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (wParam == kCountdownTimerId) {
            OnTick();
            return 0;
        }
        break;
    case WM_COMMAND: {
        const unsigned id = LOWORD(wParam);
        const unsigned code = HIWORD(wParam);
        if (code == BN_SETFOCUS && (id == ids::kCountdownNowButton || id == ids::kCountdownCancelButton)) {
            // The button with the focus is the one Enter presses; show it so.
            ::SendMessageW(nowButton_, BM_SETSTYLE,
                           id == ids::kCountdownNowButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
            ::SendMessageW(cancelButton_, BM_SETSTYLE,
                           id == ids::kCountdownCancelButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
        } else if (code == BN_CLICKED && id == ids::kCountdownNowButton && countdown_.Counting()) {
            Finish(CountdownEnd::Performed);
        } else if (code == BN_CLICKED && (id == ids::kCountdownCancelButton || id == IDCANCEL)) {
            RequestCancel();
        }
        return 0;
    }
    case DM_GETDEFID:
        // Enter presses the focused button, and "取消关机" whenever neither has the focus.
        return MAKELRESULT(
            ::GetFocus() == nowButton_ ? ids::kCountdownNowButton : ids::kCountdownCancelButton, DC_HASDEFID);
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            // Back from another window: the keyboard goes to a button again, not to the frame.
            const HWND focus = ::GetFocus();
            if (focus != nowButton_ && focus != cancelButton_) {
                ::SetFocus(cancelButton_);
            }
            return 0;
        }
        break;
    case WM_CLOSE:
        // The close box, Alt+F4 or the system menu: the same as "取消关机".
        RequestCancel();
        return 0;
    case WM_DPICHANGED:
        ApplyDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_DESTROY:
        ::KillTimer(hwnd(), kCountdownTimerId);
        countdown_.Stop();
        break;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

void CountdownPrompt::OnDestroyed() {
    label_ = bar_ = nowButton_ = cancelButton_ = nullptr;
    font_.reset();
    gPromptWindow = nullptr;
    gCountdown = nullptr;
    if (gActivationHook) {
        ::UnhookWindowsHookEx(gActivationHook);
        gActivationHook = nullptr;
    }
    // A box that opened beneath the countdown has its turn now.
    const HWND heldBack = std::exchange(gHeldBack, nullptr);
    if (heldBack && ::IsWindow(heldBack) && ::IsWindowVisible(heldBack) && ::IsWindowEnabled(heldBack)) {
        ::SetForegroundWindow(heldBack);
    }
}

} // namespace kestrel::win
