// Form_提醒信息 and its owner; see reminder_popup_win.h. Geometry is stated in twips as the window was
// designed and scaled to the window's dpi.
#include "actions/reminder_popup_win.h"

#include "actions/popup_stack.h"
#include "actions/snooze.h"
#include "base/clock_text.h"
#include "base/command_ids.h"
#include "base/texts.h"
#include "platform/dpi_win.h"
#include "platform/sound_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <utility>

namespace kestrel::win {

namespace {

constexpr int kClientWidthTwips = 4635;
constexpr int kClientHeightTwips = 2790;

constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;
constexpr DWORD kCentredLabel = SS_CENTER | SS_NOPREFIX;
// The message is a read-only edit without a frame: it wraps like a label, and a message too long for
// the grown pop-up scrolls.
constexpr DWORD kMessageBox = ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
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
    {ids::kReminderMessage, {667, 885, 3300, 1050}, kMessageBox, L""},
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

// The work area and the screen's bottom edge of the monitor that holds the taskbar (the primary monitor
// when there is no taskbar). The work area leaves out the taskbar wherever it is docked, and here also
// the room an auto-hidden taskbar takes when it slides out.
struct Screen {
    RECT work;
    int bottom;
};

ScreenRect ToScreenRect(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

RECT ToRect(const ScreenRect& r) {
    return RECT{r.left, r.top, r.right, r.bottom};
}

RECT ClearOfAutoHide(HWND taskbar, const RECT& work, const RECT& monitor) {
    APPBARDATA bar{};
    bar.cbSize = sizeof(bar);
    if (!taskbar || !(::SHAppBarMessage(ABM_GETSTATE, &bar) & ABS_AUTOHIDE)) {
        return work;
    }
    bar.hWnd = taskbar;
    if (!::SHAppBarMessage(ABM_GETTASKBARPOS, &bar)) {
        return work;
    }
    const ScreenEdge edge = bar.uEdge == ABE_LEFT    ? ScreenEdge::Left
                            : bar.uEdge == ABE_TOP   ? ScreenEdge::Top
                            : bar.uEdge == ABE_RIGHT ? ScreenEdge::Right
                                                     : ScreenEdge::Bottom;
    const bool across = edge == ScreenEdge::Top || edge == ScreenEdge::Bottom;
    const int thickness = across ? bar.rc.bottom - bar.rc.top : bar.rc.right - bar.rc.left;
    return ToRect(ClearOfAutoHideTaskbar(ToScreenRect(work), ToScreenRect(monitor), edge, thickness));
}

Screen TaskbarScreen() {
    const HWND taskbar = ::FindWindowW(L"Shell_TrayWnd", nullptr);
    const HMONITOR monitor = taskbar ? ::MonitorFromWindow(taskbar, MONITOR_DEFAULTTOPRIMARY)
                                     : ::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (::GetMonitorInfoW(monitor, &info)) {
        return {ClearOfAutoHide(taskbar, info.rcWork, info.rcMonitor), info.rcMonitor.bottom};
    }
    Screen screen{{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)},
                  ::GetSystemMetrics(SM_CYSCREEN)};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen.work, 0);
    return screen;
}

// A message from the plan file may break its lines with a bare line feed, which an edit control shows
// as nothing: every line break becomes the edit's own CR LF.
std::wstring WithEditLineBreaks(const std::wstring& text) {
    std::wstring shown;
    shown.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) {
            shown += L'\r';
        }
        shown += text[i];
    }
    return shown;
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
        const wchar_t* className = button                               ? WC_BUTTONW
                                   : layout.id == ids::kReminderMessage ? WC_EDITW
                                                                        : WC_STATICW;
        const HWND control = ::CreateWindowExW(
            0, className, layout.text, WS_CHILD | WS_VISIBLE | layout.style, 0, 0, 0, 0, hwnd(),
            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(layout.id)), instance, nullptr);
        if (control && button) {
            AddDialogButtonKeys(control);
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
        const HFONT font = layout.id == ids::kReminderHeadline ? headlineFont_.get() : font_.get();
        ::SendMessageW(Control(layout.id), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    if (tooltip_) {
        ::SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    }
    FitMessage();
}

void ReminderPopup::Layout(int growth) {
    // The message area grows by `growth` pixels; what lies below it moves down by as much.
    const auto message = std::find_if(kControls.begin(), kControls.end(), [](const ControlLayout& layout) {
        return layout.id == ids::kReminderMessage;
    });
    const int messageBottom = ToPixels(message->rect, dpi_).bottom;
    for (const ControlLayout& layout : kControls) {
        RECT place = ToPixels(layout.rect, dpi_);
        if (layout.id == ids::kReminderMessage) {
            place.bottom += growth;
        } else if (place.top >= messageBottom) {
            ::OffsetRect(&place, 0, growth);
        }
        MoveTo(Control(layout.id), place);
    }
    win::FitClientArea(hwnd(), ScaleTwips(kClientWidthTwips, dpi_),
                       ScaleTwips(kClientHeightTwips, dpi_) + growth, dpi_);
}

void ReminderPopup::FitMessage() {
    // Measured at the designed size without a scroll bar: the lines the edit wraps the message into
    // tell how much taller the pop-up must be to show it whole.
    const HWND message = Control(ids::kReminderMessage);
    ::ShowScrollBar(message, SB_VERT, FALSE);
    Layout(0);
    RECT client{};
    RECT formatting{};
    ::GetClientRect(message, &client);
    ::SendMessageW(message, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&formatting));
    int lineHeight = 0;
    if (const HDC dc = ::GetDC(message)) {
        const HGDIOBJ previous = ::SelectObject(dc, font_.get());
        TEXTMETRICW metrics{};
        ::GetTextMetricsW(dc, &metrics);
        lineHeight = metrics.tmHeight;
        ::SelectObject(dc, previous);
        ::ReleaseDC(message, dc);
    }
    const auto lines = static_cast<int>(::SendMessageW(message, EM_GETLINECOUNT, 0, 0));
    const int shown = client.bottom;
    const int needed =
        lines * lineHeight + static_cast<int>(client.bottom - (formatting.bottom - formatting.top));
    // At most half the work area's height for the whole window; beyond that the message scrolls.
    RECT window{};
    ::GetWindowRect(hwnd(), &window);
    const RECT work = TaskbarScreen().work;
    const int room =
        std::max(0, static_cast<int>((work.bottom - work.top) / 2 - (window.bottom - window.top)));
    const int growth = std::clamp(needed - shown, 0, room);
    if (growth > 0) {
        Layout(growth);
    }
    ::ShowScrollBar(message, SB_VERT, needed > shown + growth ? TRUE : FALSE);
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

RECT ReminderPopup::RestingRect() const {
    RECT window{};
    ::GetWindowRect(hwnd(), &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    const RECT work = TaskbarScreen().work;
    const int right = work.right - restFromRight_;
    const int bottom = work.bottom - restFromBottom_;
    return RECT{right - width, bottom - height, right, bottom};
}

void ReminderPopup::RestAt(const RECT& place) {
    const RECT work = TaskbarScreen().work;
    restFromRight_ = work.right - place.right;
    restFromBottom_ = work.bottom - place.bottom;
    placed_ = true;
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
    ::SetWindowTextW(Control(ids::kReminderMessage),
                     WithEditLineBreaks(text::kReminderMessageIndent + message_).c_str());
    FitMessage();
    if (!placed_ && services_.findPlace) {
        RestAt(services_.findPlace(*this));
    }
    if (const auto stamp =
            ClockLineTextAt(due ? *due : clock_.Now(), static_cast<int>(ClockLineMode::ReminderTime))) {
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
    // Shown without taking the keyboard from the program the user is typing in: a stray Enter must not
    // answer a reminder that was never seen. A click on it activates it as any window.
    ::ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
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
        // Stays anchored in its place (or on its way there) rather than where the system suggests.
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
    services_.findPlace = [this](const ReminderPopup& popup) {
        return PlaceFor(popup);
    };
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

RECT ReminderPopups::PlaceFor(const ReminderPopup& popup) const {
    std::vector<ScreenRect> taken;
    for (const auto& other : popups_) {
        if (other.get() != &popup && other->hwnd() && other->Placed()) {
            taken.push_back(ToScreenRect(other->RestingRect()));
        }
    }
    RECT window{};
    ::GetWindowRect(popup.hwnd(), &window);
    return ToRect(PopupRestingPlace(ToScreenRect(TaskbarScreen().work), window.right - window.left,
                                    window.bottom - window.top, taken));
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
