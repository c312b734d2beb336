// Form_提醒信息 and its owner; see reminder_popup_win.h. Geometry is stated in twips as the window was
// designed and scaled to the window's dpi.
#include "actions/reminder_popup_win.h"

#include "actions/snooze.h"
#include "base/clock_text.h"
#include "base/command_ids.h"
#include "base/texts.h"
#include "platform/dpi_win.h"
#include "platform/sound_win.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <utility>

namespace kestrel::win {

namespace {

constexpr int kClientWidthTwips = 4635;
constexpr int kClientHeightTwips = 2790;

constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;
constexpr DWORD kCentredLabel = SS_CENTER | SS_NOPREFIX;
constexpr DWORD kWrappingLabel = SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL;
constexpr DWORD kButton = BS_PUSHBUTTON | WS_TABSTOP; // only the buttons take the focus

struct ControlLayout {
    unsigned id;
    TwipsRect rect;
    DWORD style;
    const wchar_t* text;
};

// Top to bottom; creation order is also the Tab order.
const std::array<ControlLayout, 6> kControls{{
    {ids::kReminderHeadline, {0, 180, 4635, 330}, kCentredLabel, text::kReminderHeadline},
    {ids::kReminderInfoLabel, {667, 600, 3300, 255}, kLabel, text::kReminderInfoLabel},
    {ids::kReminderMessage, {667, 885, 3300, 1050}, kWrappingLabel, L""},
    {ids::kReminderGotIt, {667, 2025, 1350, 390}, kButton | BS_DEFPUSHBUTTON, text::kReminderGotIt},
    {ids::kReminderLater, {2617, 2025, 1350, 390}, kButton, text::kReminderLater},
    {ids::kReminderStamp, {0, 2505, 4635, 255}, kCentredLabel, L""},
}};

const COLORREF kHeadlineInk = RGB(255, 0, 0);
const COLORREF kStampInk = RGB(128, 128, 128);
const COLORREF kTextInk = RGB(0, 0, 0);

// No minimise or maximise box. Topmost: a reminder hidden behind the window the user works in would
// be missed. A tool window: the pop-ups stay out of the taskbar, they are in plain sight already.
constexpr DWORD kWindowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW;
constexpr wchar_t kWindowClass[] = L"Kestrel.ReminderPopup";
constexpr wchar_t kReaperClass[] = L"Kestrel.ReminderReaper";
constexpr UINT kMsgDeleteClosed = WM_APP + 1; // the reaper window's own message
constexpr UINT_PTR kButtonKeysSubclass = 1;

// The work area and the screen's bottom edge of the monitor that holds the taskbar (the primary monitor
// when there is no taskbar). The work area leaves out the taskbar wherever it is docked.
struct Screen {
    RECT work;
    int bottom;
};

Screen TaskbarScreen() {
    const HWND taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    const HMONITOR monitor = taskbar ? ::MonitorFromWindow(taskbar, MONITOR_DEFAULTTOPRIMARY)
                                     : ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (::GetMonitorInfoW(monitor, &info)) {
        return {info.rcWork, info.rcMonitor.bottom};
    }
    Screen screen{{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)},
                  ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen.work, 0);
    return screen;
}

// The message loop hands Tab and Esc only to the main window's dialog navigation, so the buttons take
// the pop-up's keys themselves: Tab and Shift+Tab move between them, Enter presses the focused one, Esc
// answers as "我知道了".
LRESULT CALLBACK ButtonKeysProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR) noexcept {
    switch (message) {
    case WM_KEYDOWN:
        if (wParam == VK_TAB) {
            const HWND popup = ::GetParent(button);
            if (const HWND next = ::GetNextDlgTabItem(popup, button, ::GetKeyState(VK_SHIFT) < 0)) {
                ::SetFocus(next);
            }
            return 0;
        }
        if (wParam == VK_ESCAPE) {
            // Posted: the pop-up and this button are destroyed from the top of the loop, not from here.
            ::PostMessageW(::GetParent(button), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return 0;
        }
        if (wParam == VK_RETURN) {
            ::PostMessageW(button, BM_CLICK, 0, 0);
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == L'\t' || wParam == L'\r' || wParam == 0x1B) {
            return 0; // already handled as keys; a button would only beep
        }
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(button, &ButtonKeysProc, kButtonKeysSubclass);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(button, message, wParam, lParam);
}

} // namespace

ReminderPopup::ReminderPopup(const Clock& clock, const ReminderPopupServices& services,
                             std::function<void()> closed)
    : clock_(clock), services_(services), closed_(std::move(closed)) {}

ReminderPopup::~ReminderPopup() {
    if (const HWND window = hwnd()) {
        // Destroyed by its owner: the window goes before the fonts its controls use, and the owner is
        // not told about a close it made itself.
        closed_ = nullptr;
        ::DestroyWindow(window);
    }
}

bool ReminderPopup::Create(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    // Made on the taskbar's monitor, so that the window takes that monitor's dpi before it is sized.
    const Screen screen = TaskbarScreen();
    if (!CreateWindowOf(kWindowClass, wc, kWindowExStyle, text::kReminderCaption, kWindowStyle,
                        screen.work.left, screen.work.top, 100, 100, nullptr, nullptr)) {
        return false;
    }
    CreateControls(instance);
    ApplyDpi(DpiForWindow(hwnd()));
    PlaceForSlideStep();
    return true;
}

void ReminderPopup::CreateControls(HINSTANCE instance) {
    for (const ControlLayout& layout : kControls) {
        const bool button = (layout.style & WS_TABSTOP) != 0;
        const HWND control = ::CreateWindowExW(
            0, button ? WC_BUTTONW : WC_STATICW, layout.text, WS_CHILD | WS_VISIBLE | layout.style, 0, 0, 0,
            0, hwnd(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(layout.id)), instance, nullptr);
        if (control && button) {
            ::SetWindowSubclass(control, &ButtonKeysProc, kButtonKeysSubclass, 0);
        }
    }
    const HWND later = Control(ids::kReminderLater);
    tooltip_ = CreateTooltipWindow(hwnd());
    AddControlTooltip(tooltip_, hwnd(), later, text::kReminderLaterTooltip);
}

void ReminderPopup::ApplyDpi(int dpi) {
    dpi_ = dpi;
    font_.reset(CreateUiFont(dpi));
    headlineFont_.reset(CreateUiFont(dpi, 105, true));
    for (const ControlLayout& layout : kControls) {
        const HWND control = Control(layout.id);
        MoveTo(control, ToPixels(layout.rect, dpi));
        const HFONT font = layout.id == ids::kReminderHeadline ? headlineFont_.get() : font_.get();
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    if (tooltip_) {
        ::SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    }

    win::FitClientArea(hwnd(), ScaleTwips(kClientWidthTwips, dpi), ScaleTwips(kClientHeightTwips, dpi), dpi);
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

RECT ReminderPopup::RestingRect() const {
    RECT window{};
    ::GetWindowRect(hwnd(), &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const RECT work = TaskbarScreen().work;
    return RECT{work.right - width, work.bottom - height, work.right, work.bottom};
}

void ReminderPopup::PlaceForSlideStep() {
    // Worked out afresh at each step, so a taskbar that moves or a dpi that changes mid-way still ends
    // in the corner.
    const RECT rest = RestingRect();
    const int startTop = TaskbarScreen().bottom;
    const int top = startTop + ::MulDiv(rest.top - startTop, slideStep_, kSlideSteps);
    ::SetWindowPos(hwnd(), nullptr, rest.left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ReminderPopup::方法_提示关机_进行关机操作(std::wstring_view message, std::wstring_view kind,
                                               const std::optional<LocalDateTime>& due) {
    message_.assign(message);
    ::SetWindowTextW(Control(ids::kReminderMessage), (text::kReminderMessageIndent + message_).c_str());
    if (const auto stamp = ClockLineTextAt(due ? *due : clock_.Now(), static_cast<int>(ClockLineMode::ReminderTime))) {
        ::SetWindowTextW(Control(ids::kReminderStamp), stamp->c_str());
    }
    if (slideStep_ == 0 && !sliding_) {
        sliding_ = ::SetTimer(hwnd(), kTimerSlide, kSlideStepMs, nullptr) != 0;
        if (!sliding_) {
            // No timer to spare: the reminder must still be seen, so it goes straight to its corner.
            slideStep_ = kSlideSteps;
            PlaceForSlideStep();
        }
    }
    ::ShowWindow(hwnd(), SW_SHOW);
    if (kind == text::kOpPlayMusic && services_.playSound) {
        services_.playSound();
    }
}

void ReminderPopup::OnSlideTick() {
    if (!sliding_) {
        return; // a tick that was already queued when the slide ended
    }
    ++slideStep_;
    PlaceForSlideStep();
    if (slideStep_ >= kSlideSteps) {
        sliding_ = false;
        ::KillTimer(hwnd(), kTimerSlide);
    }
}

void ReminderPopup::Snooze() {
    if (services_.appendPlan) {
        services_.appendPlan(SnoozedReminder(clock_.Now(), message_));
    }
}

void ReminderPopup::OnCommand(unsigned id) {
    if (answered_ || (id != ids::kReminderGotIt && id != IDCANCEL && id != ids::kReminderLater)) {
        return;
    }
    // Answered once: a second click already queued behind this one must not add a second plan.
    answered_ = true;
    if (id == ids::kReminderLater) {
        Snooze();
    }
    ::DestroyWindow(hwnd());
}

LRESULT ReminderPopup::OnCtlColorStatic(HDC dc, HWND control) {
    const auto id = static_cast<unsigned>(::GetDlgCtrlID(control));
    ::SetTextColor(dc, id == ids::kReminderHeadline ? kHeadlineInk
                       : id == ids::kReminderStamp  ? kStampInk
                                                    : kTextInk);
    ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT ReminderPopup::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            OnCommand(LOWORD(wParam));
        }
        return 0;
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_TIMER:
        if (wParam == kTimerSlide) {
            OnSlideTick();
            return 0;
        }
        break;
    case WM_ACTIVATE:
        // Focus goes back to the button that had it, else to "我知道了".
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = ::GetFocus();
            if (focus && ::IsChild(hwnd(), focus)) {
                focus_ = focus;
            }
        } else {
            ::SetFocus(focus_ ? focus_ : Control(ids::kReminderGotIt));
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            OnCommand(IDCANCEL);
            return 0;
        }
        break;
    case WM_DPICHANGED:
        // Stays anchored in its corner (or on its way there) rather than where the system suggests.
        ApplyDpi(HIWORD(wParam));
        PlaceForSlideStep();
        return 0;
    case WM_DESTROY:
        sliding_ = false;
        ::KillTimer(hwnd(), kTimerSlide);
        break;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

void ReminderPopup::OnDestroyed() {
    if (closed_) {
        closed_();
    }
}

// A message-only window whose posted message deletes closed pop-ups from the top of the message loop,
// where none of them is still inside its own handlers.
class ReminderPopups::Reaper final : public Window {
public:
    explicit Reaper(ReminderPopups& owner) : owner_(owner) {}

    bool Create(HINSTANCE instance) {
        WNDCLASSEXW wc{};
        wc.hInstance = instance;
        return CreateWindowOf(kReaperClass, wc, 0, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr);
    }
    void Post() {
        if (hwnd()) {
            ::PostMessageW(hwnd(), kMsgDeleteClosed, 0, 0);
        }
    }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == kMsgDeleteClosed) {
            owner_.DeleteClosed();
            return 0;
        }
        return Default(message, wParam, lParam);
    }

private:
    ReminderPopups& owner_;
};

ReminderPopups::ReminderPopups(HINSTANCE instance, const Clock& clock,
                               std::function<void(PlanRow)> appendPlan, std::function<void()> playSound)
    : instance_(instance), clock_(clock), reaper_(std::make_unique<Reaper>(*this)) {
    services_.appendPlan = std::move(appendPlan);
    services_.playSound = playSound ? std::move(playSound) : std::function<void()>(&PlayReminderSound);
    // Without it closed pop-ups are only deleted by CloseAll: a little memory, nothing worse.
    reaper_->Create(instance);
}

ReminderPopups::~ReminderPopups() {
    CloseAll();
}

ReminderPopup* ReminderPopups::方法_提示关机_进行关机操作(std::wstring_view message, std::wstring_view kind,
                                                        const std::optional<LocalDateTime>& due) {
    auto popup = std::make_unique<ReminderPopup>(clock_, services_, [this] { reaper_->Post(); });
    if (!popup->Create(instance_)) {
        return nullptr;
    }
    ReminderPopup* opened = popup.get();
    popups_.push_back(std::move(popup));
    opened->方法_提示关机_进行关机操作(message, kind, due);
    return opened;
}

std::size_t ReminderPopups::OpenCount() const {
    return static_cast<std::size_t>(std::count_if(
        popups_.begin(), popups_.end(), [](const auto& popup) { return popup->hwnd() != nullptr; }));
}

void ReminderPopups::CloseAll() {
    // Taken out of the list first: closing one activates another, and nothing may walk a list that is
    // being destroyed.
    auto closing = std::exchange(popups_, {});
    closing.clear();
}

void ReminderPopups::DeleteClosed() {
    std::erase_if(popups_, [](const auto& popup) { return popup->hwnd() == nullptr; });
}

} // namespace kestrel::win
