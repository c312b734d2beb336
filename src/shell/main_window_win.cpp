// Form_Main; see main_window_win.h. Geometry is stated in twips as the window was designed and scaled to
// the window's dpi, so the layout is the same at 100 % and 200 %.
#include "shell/main_window_win.h"

#include "base/app_messages.h"
#include "base/clock_text.h"
#include "base/command_ids.h"
#include "base/texts.h"
#include "platform/dpi_win.h"
#include "res/resource_ids.h"

#include <commctrl.h>
#include <wtsapi32.h>

#include <algorithm>
#include <optional>

namespace kestrel::win {

namespace {

// WM_WTSSESSION_CHANGE's code in Kestrel's words; the codes nobody acts on (a log-off notice, remote
// control) say nothing.
std::optional<SessionChange> SessionChangeOf(unsigned code) {
    switch (code) {
    case WTS_SESSION_LOCK:
        return SessionChange::Locked;
    case WTS_SESSION_UNLOCK:
        return SessionChange::Unlocked;
    case WTS_CONSOLE_CONNECT:
    case WTS_REMOTE_CONNECT:
        return SessionChange::Connected;
    case WTS_CONSOLE_DISCONNECT:
    case WTS_REMOTE_DISCONNECT:
        return SessionChange::Disconnected;
    case WTS_SESSION_LOGON:
        return SessionChange::LoggedOn;
    default:
        return std::nullopt;
    }
}

constexpr int kClientWidthTwips = 8850;
constexpr int kClientHeightTwips = 6150;
constexpr TwipsRect kStripRect{0, 0, 8835, 1365};
constexpr std::array<TwipsRect, kTabCount> kButtonRects{{{1125, 120, 1200, 1200},
                                                         {2415, 120, 1230, 1200},
                                                         {3705, 120, 1230, 1200},
                                                         {4995, 120, 1230, 1200},
                                                         {6315, 120, 1230, 1200}}};
constexpr TwipsRect kPanelRect{90, 1350, 8685, 3450};
constexpr TwipsRect kAdvertRect{0, 4830, 8895, 900};
constexpr TwipsRect kClockRect{60, 5850, 3975, 270};
// The next-plan line shares the clock line's row, up to the check box; a long plan text ends in "…".
constexpr TwipsRect kNextPlanRect{4215, 5850, 3105, 270};
constexpr TwipsRect kCheckRect{7380, 5820, 1395, 255};

constexpr UINT_PTR kTimerComputerOperation = 1; // Timer_ComputerOperation, the one timer a second
// How long after a whole second the timer is set for: late enough that the clock has surely turned,
// early enough that a plan's minute is seen within a few milliseconds of its start.
constexpr UINT kAfterSecondMs = 15;
constexpr UINT_PTR kTimerPlanFileRetry = 2;
constexpr UINT kPlanFileRetryMs = 5000;
constexpr UINT_PTR kTimerUpdate = 3; // Timer_Update, one tick only
constexpr UINT kUpdateDelayMs = 2000;
const COLORREF kClockInk = RGB(64, 64, 64);

constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = 0;
constexpr wchar_t kPanelClass[] = L"Kestrel.Panel";

SIZE StripSize(int dpi) {
    const RECT strip = ToPixels(kStripRect, dpi);
    return SIZE{strip.right - strip.left, strip.bottom - strip.top};
}

// The tab buttons in the strip's own coordinates.
std::array<RECT, kTabCount> ButtonsInStrip(int dpi) {
    std::array<RECT, kTabCount> buttons{};
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        buttons[i] = ToPixels(kButtonRects[i], dpi);
    }
    return buttons;
}

// Where the window's own controls sit at a dpi, in client pixels; the tab buttons lie on the strip, which
// sits at the client origin.
struct Places {
    RECT strip;
    std::array<RECT, kTabCount> buttons;
    RECT panel;
    RECT advert;
    RECT clock;
    RECT nextPlan;
    RECT check;
};

Places PlacesAt(int dpi) {
    Places places{ToPixels(kStripRect, dpi), {}, ToPixels(kPanelRect, dpi), ToPixels(kAdvertRect, dpi),
                  ToPixels(kClockRect, dpi), ToPixels(kNextPlanRect, dpi), ToPixels(kCheckRect, dpi)};
    const auto inStrip = ButtonsInStrip(dpi);
    for (std::size_t i = 0; i < inStrip.size(); ++i) {
        const RECT& r = inStrip[i];
        places.buttons[i] = RECT{r.left + places.strip.left, r.top + places.strip.top, r.right + places.strip.left,
                                 r.bottom + places.strip.top};
    }
    return places;
}

// A panel hosts one page and keeps it filling the panel.
LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_SIZE) {
        RECT client{};
        ::GetClientRect(panel, &client);
        for (HWND page = ::GetWindow(panel, GW_CHILD); page; page = ::GetWindow(page, GW_HWNDNEXT)) {
            MoveTo(page, client);
        }
        return 0;
    }
    return ::DefWindowProcW(panel, message, wParam, lParam);
}

bool RegisterPanelClass(HINSTANCE instance) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (::GetClassInfoExW(instance, kPanelClass, &existing)) {
        return true;
    }
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &PanelProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kPanelClass;
    return ::RegisterClassExW(&wc) != 0;
}

HWND CreateChild(HINSTANCE instance, HWND parent, const wchar_t* className, const wchar_t* text, DWORD style,
                 unsigned id, const RECT& place, DWORD exStyle = 0) {
    return ::CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style,
                             place.left, place.top, place.right - place.left, place.bottom - place.top, parent,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance, nullptr);
}

HICON LoadAppIcon(HINSTANCE instance, int size) {
    auto icon = static_cast<HICON>(
        ::LoadImageW(instance, MAKEINTRESOURCEW(KESTREL_IDI_APP), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    if (!icon) {
        // Test programs carry no icon resource; the stock one keeps the window and tray usable.
        icon =
            static_cast<HICON>(::CopyImage(::LoadIconW(nullptr, IDI_APPLICATION), IMAGE_ICON, size, size, 0));
    }
    return icon;
}

} // namespace

MainWindow::MainWindow(const Clock& clock, MainWindowEvents events)
    : clock_(clock), events_(std::move(events)), art_(std::make_unique<TabArt>()) {}

MainWindow::~MainWindow() = default;

bool MainWindow::Create(HINSTANCE instance) {
    // The window will most likely open at the primary monitor's dpi: its first pictures are drawn on
    // another thread meanwhile, and taken when the layout asks for them.
    const int expectedDpi = SystemDpi();
    art_->Prepare(expectedDpi, StripSize(expectedDpi), ButtonsInStrip(expectedDpi),
                  TabImagesFor(kTabShutdown));
    if (!RegisterPanelClass(instance)) {
        return false;
    }
    // Made where it belongs, at its size and with its menu bar, and its controls likewise: moving windows
    // before the first sight costs the start-up more than placing them right.
    HMENU menuBar = CreateMenus();
    const int width = ScaleTwips(kClientWidthTwips, expectedDpi);
    const int height = ScaleTwips(kClientHeightTwips, expectedDpi);
    const RECT frame = CentredFrame(width, height, kWindowStyle, kWindowExStyle, true, expectedDpi);
    WNDCLASSEXW wc{};
    wc.hInstance = instance;
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    if (!CreateWindowOf(kMainWindowClass, wc, kWindowExStyle, text::kMainWindowTitle, kWindowStyle, frame.left,
                        frame.top, frame.right - frame.left, frame.bottom - frame.top, nullptr, menuBar)) {
        ::DestroyMenu(menuBar);
        return false;
    }
    instance_ = instance;
    dpi_ = DpiForWindow(hwnd());
    CreateControls(instance);
    ApplyFonts();
    art_->Render(dpi_, StripSize(dpi_), ButtonsInStrip(dpi_));
    RECT client{};
    ::GetClientRect(hwnd(), &client);
    if (client.right != ScaleTwips(kClientWidthTwips, dpi_) || client.bottom != ScaleTwips(kClientHeightTwips, dpi_)) {
        // Another dpi than expected, or a menu bar taller than the system says: fit and centre after all.
        FitClientArea(nullptr);
        CentreOnWorkArea();
    }
    ::SetWindowTextW(clockLabel_, text::kClockInitial);
    ArmSecondTimer();
    ::SetTimer(hwnd(), kTimerUpdate, kUpdateDelayMs, nullptr);
    return true;
}

HMENU MainWindow::CreateMenus() {
    HMENU help = ::CreatePopupMenu();
    ::AppendMenuW(help, MF_STRING, ids::kCmdHelpFeedback, text::kMenuFeedback);
    ::AppendMenuW(help, MF_STRING, ids::kCmdHelpParentPassword, text::kMenuParentPassword);
    ::AppendMenuW(help, MF_STRING, ids::kCmdHelpQuietHours, text::kMenuQuietHours);
    ::AppendMenuW(help, MF_STRING, ids::kCmdHelpHistory, text::kMenuHistory);
    ::AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(help, MF_STRING, ids::kCmdHelpAbout, text::kMenuAbout);
    HMENU bar = ::CreateMenu();
    ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), text::kMenuHelp);

    trayMenu_.reset(::CreatePopupMenu());
    ::AppendMenuW(trayMenu_.get(), MF_STRING, ids::kCmdTrayShow, text::kTrayShow);
    ::AppendMenuW(trayMenu_.get(), MF_STRING, ids::kCmdTrayHide, text::kTrayHide);
    ::AppendMenuW(trayMenu_.get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(trayMenu_.get(), MF_STRING, ids::kCmdTrayWakeForPlans, text::kTrayWakeForPlans);
    ::AppendMenuW(trayMenu_.get(), MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(trayMenu_.get(), MF_STRING, ids::kCmdTrayExit, text::kTrayExit);
    return bar; // the window it is given to destroys it with itself
}

void MainWindow::CreateControls(HINSTANCE instance) {
    // Creation order is the z-order from the top and the Tab order: buttons above the strip they sit
    // on, then the pages, then the check box.
    const Places places = PlacesAt(dpi_);
    for (int k = 1; k <= kTabCount; ++k) {
        const auto i = static_cast<std::size_t>(k - 1);
        buttons_[i] = CreateChild(instance, hwnd(), WC_BUTTONW, text::kTabCaptions[i], BS_OWNERDRAW | WS_TABSTOP,
                                  ids::kTabButtonFirst + static_cast<unsigned>(i), places.buttons[i]);
    }
    for (int k = 1; k <= kTabCount; ++k) {
        const auto i = static_cast<std::size_t>(k - 1);
        panels_[i] = CreateChild(instance, hwnd(), kPanelClass, nullptr, WS_CLIPCHILDREN,
                                 ids::kPanelFirst + static_cast<unsigned>(i), places.panel, WS_EX_CONTROLPARENT);
    }
    strip_ = CreateChild(instance, hwnd(), WC_STATICW, nullptr, SS_OWNERDRAW, ids::kTopStrip, places.strip);
    advert_ = CreateChild(instance, hwnd(), WC_STATICW, nullptr, SS_WHITERECT, ids::kAdvertBanner, places.advert);
    clockLabel_ = CreateChild(instance, hwnd(), WC_STATICW, text::kClockInitial, SS_LEFTNOWORDWRAP | SS_NOPREFIX,
                              ids::kClockLabel, places.clock);
    // SS_NOTIFY: the label takes the mouse, so that its tooltip shows the whole line.
    nextPlanLabel_ = CreateChild(instance, hwnd(), WC_STATICW, L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_ENDELLIPSIS | SS_NOTIFY,
                                 ids::kNextPlanLabel, places.nextPlan);
    autoStartCheck_ = CreateChild(instance, hwnd(), WC_BUTTONW, text::kAutoStartCaption,
                                  BS_CHECKBOX | WS_TABSTOP, ids::kAutoStartCheck, places.check);
}

void MainWindow::CreateTooltip() {
    // Its text is read only when the mouse rests on the check box, so it is made after the first sight.
    tooltip_ = CreateTooltipWindow(hwnd());
    if (!tooltip_) {
        return;
    }
    if (autoStartTip_.empty()) {
        autoStartTip_ = text::kAutoStartTooltip;
    }
    AddControlTooltip(tooltip_, hwnd(), autoStartCheck_, autoStartTip_.c_str());
    nextPlanTip_ = nextPlan_.Whole();
    AddControlTooltip(tooltip_, hwnd(), nextPlanLabel_, nextPlanTip_.c_str());
    // The text is long: give it time to be read.
    ::SendMessageW(tooltip_, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(20000, 0));
    ApplyTooltipFont();
}

void MainWindow::LoadIcons() {
    // The window lets go of the old icons only when it has the new ones; then they are freed.
    UniqueIcon bigIcon(LoadAppIcon(instance_, Scale(32, dpi_)));
    UniqueIcon smallIcon(LoadAppIcon(instance_, Scale(16, dpi_)));
    ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.get()));
    ::SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));
    bigIcon_ = std::move(bigIcon);
    smallIcon_ = std::move(smallIcon);
}

void MainWindow::ApplyFonts() {
    LoadIcons();
    font_.reset(CreateUiFont(dpi_));
    for (HWND control : {clockLabel_, nextPlanLabel_, autoStartCheck_}) {
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    }
    ApplyTooltipFont();
}

void MainWindow::ApplyTooltipFont() {
    if (tooltip_) {
        ::SendMessageW(tooltip_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, Scale(320, dpi_));
    }
}

void MainWindow::ApplyDpi(int dpi, const RECT* suggested) {
    dpi_ = dpi;
    ApplyFonts();
    Layout();
    FitClientArea(suggested);
    // Pages lay themselves out again for the new dpi (Windows sends this itself only on newer systems);
    // the dpi travels in wParam, where the system's own notice has 0.
    for (HWND panel : panels_) {
        for (HWND page = ::GetWindow(panel, GW_CHILD); page; page = ::GetWindow(page, GW_HWNDNEXT)) {
            ::SendMessageW(page, WM_DPICHANGED_AFTERPARENT, static_cast<WPARAM>(dpi), 0);
        }
    }
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

void MainWindow::Layout() {
    const Places places = PlacesAt(dpi_);
    MoveTo(strip_, places.strip);
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        MoveTo(buttons_[i], places.buttons[i]);
    }
    for (HWND p : panels_) {
        MoveTo(p, places.panel);
    }
    MoveTo(advert_, places.advert);
    // The banner, once made, fills the advert area.
    if (HWND banner = ::GetWindow(advert_, GW_CHILD)) {
        MoveTo(banner, RECT{0, 0, places.advert.right - places.advert.left, places.advert.bottom - places.advert.top});
    }
    MoveTo(clockLabel_, places.clock);
    MoveTo(nextPlanLabel_, places.nextPlan);
    ShowNextPlanLine(); // its room and font change with the dpi
    MoveTo(autoStartCheck_, places.check);
    art_->Render(dpi_, StripSize(dpi_), ButtonsInStrip(dpi_));
}

void MainWindow::FitClientArea(const RECT* suggested) {
    win::FitClientArea(hwnd(), ScaleTwips(kClientWidthTwips, dpi_), ScaleTwips(kClientHeightTwips, dpi_),
                       dpi_, suggested);
}

void MainWindow::CentreOnWorkArea() {
    win::CentreOnWorkArea(hwnd());
}

void MainWindow::SelectTab(int k) {
    if (!InRange(k)) {
        return;
    }
    // The panels lie on one another: showing the chosen one and hiding the rest is all it takes. Their
    // z-order stays as they were made, since it is also the order in which Tab visits the controls;
    // hidden, the other pages' controls are out of reach of Tab and the access keys too.
    HWND front = panels_[static_cast<std::size_t>(k - 1)];
    ::ShowWindow(front, SW_SHOWNA);
    for (HWND panel : panels_) {
        if (panel != front) {
            ::ShowWindow(panel, SW_HIDE);
        }
    }
    selectedTab_ = k;
    TellPagesShown();
    images_ = TabImagesFor(k);
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        art_->Image(images_[i]); // drawn now if it never was, so that painting only copies it
        ::SetWindowLongPtrW(buttons_[i], GWLP_USERDATA, images_[i]);
        ::InvalidateRect(buttons_[i], nullptr, FALSE);
    }
}

void MainWindow::TellPagesShown() {
    if (!InRange(selectedTab_) || !::IsWindowVisible(hwnd())) {
        return;
    }
    HWND panel = panels_[static_cast<std::size_t>(selectedTab_ - 1)];
    for (HWND page = ::GetWindow(panel, GW_CHILD); page; page = ::GetWindow(page, GW_HWNDNEXT)) {
        ::SendMessageW(page, ids::kMsgPageShown, 0, 0);
    }
}

void MainWindow::MoveFocusTo(HWND control) {
    if (!control || !::IsChild(hwnd(), control)) {
        return;
    }
    ::SetFocus(control);
    // A text field reached from the keyboard has its text selected, as in any dialog.
    if (::SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) {
        ::SendMessageW(control, EM_SETSEL, 0, -1);
    }
}

void MainWindow::OnInitMenuPopup(HMENU menu) {
    if (menu == trayMenu_.get()) {
        // Only what can be done is offered: the window cannot be shown while it is, nor hidden while
        // it is hidden. A minimised window can be both.
        const bool visible = ::IsWindowVisible(hwnd()) != FALSE;
        const bool shown = visible && !::IsIconic(hwnd());
        ::EnableMenuItem(menu, ids::kCmdTrayShow, MF_BYCOMMAND | (shown ? MF_GRAYED : MF_ENABLED));
        ::EnableMenuItem(menu, ids::kCmdTrayHide, MF_BYCOMMAND | (visible ? MF_ENABLED : MF_GRAYED));
    } else if (::GetMenuState(menu, ids::kCmdHelpFeedback, MF_BYCOMMAND) != static_cast<UINT>(-1)) {
        const bool available = events_.feedbackAvailable && events_.feedbackAvailable();
        ::EnableMenuItem(menu, ids::kCmdHelpFeedback, MF_BYCOMMAND | (available ? MF_ENABLED : MF_GRAYED));
    }
}

void MainWindow::ShowClockLine(int mode) {
    const auto line = ClockLineText(clock_, mode);
    if (!line) {
        return;
    }
    // Unchanged text is not written again: the label would flicker once a second for nothing.
    if (GetWindowTextString(clockLabel_) != *line) {
        ::SetWindowTextW(clockLabel_, line->c_str());
    }
}

void MainWindow::SetWakeForPlansChecked(bool checked) {
    ::CheckMenuItem(trayMenu_.get(), ids::kCmdTrayWakeForPlans,
                    MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void MainWindow::SetNextPlanLine(const NextPlanText& line) {
    nextPlan_ = line;
    ShowNextPlanLine();
}

void MainWindow::ShowNextPlanLine() {
    std::wstring line;
    if (!nextPlan_.Empty()) {
        RECT room{};
        ::GetClientRect(nextPlanLabel_, &room);
        const WindowDc dc(nextPlanLabel_);
        const SelectScope font(dc.get(), font_.get());
        line = CutNextPlanLine(nextPlan_, [&](const std::wstring& candidate) {
            SIZE size{};
            return ::GetTextExtentPoint32W(dc.get(), candidate.c_str(), static_cast<int>(candidate.size()),
                                           &size) &&
                   size.cx <= room.right;
        });
    }
    if (GetWindowTextString(nextPlanLabel_) != line) {
        ::SetWindowTextW(nextPlanLabel_, line.c_str());
    }
    // The whole line, whatever the label had room for.
    const std::wstring whole = nextPlan_.Whole();
    if (tooltip_ && whole != nextPlanTip_) {
        nextPlanTip_ = whole;
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.hwnd = hwnd();
        tool.uId = reinterpret_cast<UINT_PTR>(nextPlanLabel_);
        tool.lpszText = nextPlanTip_.data();
        ::SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void MainWindow::ArmSecondTimer() {
    const LocalDateTime now = clock_.Now();
    const UINT untilNextSecond = static_cast<UINT>(1000 - std::clamp(now.millisecond, 0, 999));
    // Setting it again replaces the one before: one timer, never two.
    ::SetTimer(hwnd(), kTimerComputerOperation, untilNextSecond + kAfterSecondMs, nullptr);
}

void MainWindow::OnSecondTick() {
    ArmSecondTimer();
    if (events_.system) {
        events_.system->OnSecondTick();
    }
    // Nobody sees a hidden window's clock line; it is brought up to date when the window shows again.
    if (::IsWindowVisible(hwnd())) {
        ShowClockLine(static_cast<int>(ClockLineMode::CurrentTime));
    }
}

void MainWindow::SetAutoStartChecked(bool checked) {
    // BM_SETCHECK sends no BN_CLICKED, so the program's own setting is never taken for a user choice.
    ::SendMessageW(autoStartCheck_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool MainWindow::AutoStartChecked() const {
    return ::SendMessageW(autoStartCheck_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void MainWindow::ShowAutoStartProgram(const std::wstring& otherProgram) {
    autoStartTip_ = text::kAutoStartTooltip;
    if (!otherProgram.empty()) {
        autoStartTip_ += L"\r\n" + FillIn(text::kAutoStartOtherProgram, L"{path}", otherProgram);
    }
    if (tooltip_) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.hwnd = hwnd();
        tool.uId = reinterpret_cast<UINT_PTR>(autoStartCheck_);
        tool.lpszText = autoStartTip_.data();
        ::SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void MainWindow::ShowCentred() {
    // The window was centred on the work area when it was made; this is its first appearance. It is
    // painted at once, pictures and all, before the start-up goes on with what is not seen yet.
    ::ShowWindow(hwnd(), SW_SHOWNORMAL);
    ::SetForegroundWindow(hwnd());
    ::UpdateWindow(hwnd());
}

void MainWindow::FinishAfterShow() {
    CreateTooltip();
    art_->RenderAllImages();
}

void MainWindow::ShowFromTray() {
    // Where the user left it, in its normal size.
    ::ShowWindow(hwnd(), SW_SHOW);
    ::ShowWindow(hwnd(), SW_RESTORE);
    ::SetForegroundWindow(hwnd());
}

void MainWindow::HideToTray() {
    MinimiseAndHide();
}

void MainWindow::MinimiseAndHide() {
    // Minimised first, then hidden: the end state is "minimised, not visible", and a window that is
    // already hidden is not shown for a moment just to be minimised.
    if (::IsWindowVisible(hwnd()) && !::IsIconic(hwnd())) {
        ::ShowWindow(hwnd(), SW_MINIMIZE);
    }
    ::ShowWindow(hwnd(), SW_HIDE);
}

std::wstring MainWindow::ExitDetail(bool passwordSet) const {
    std::wstring detail = exitByInstaller_ ? text::kHistoryExitByInstaller : L"";
    if (passwordSet) {
        detail += (detail.empty() ? L"" : text::kHistoryDetailSeparator) + std::wstring(text::kHistoryExitWithPassword);
    }
    return detail;
}

void MainWindow::RequestExit() {
    exitRequested_ = true;
    // Posted, so the close runs from the message loop and not from inside the menu that asked for it.
    ::PostMessageW(hwnd(), WM_CLOSE, 0, 0);
}

int MainWindow::Notify(const std::wstring& message, UINT flags) {
    return ::MessageBoxW(hwnd(), message.c_str(), text::kAppTitle, flags);
}

void MainWindow::PostNotice(std::wstring message, UINT iconFlags) {
    if (noticesDropped_) {
        return;
    }
    notices_.emplace_back(std::move(message), iconFlags);
    ::PostMessageW(hwnd(), ids::kMsgDeferredNotice, 0, 0);
}

void MainWindow::DropNotices() {
    noticesDropped_ = true;
    notices_.clear();
}

void MainWindow::SetPlanFileRetry(bool on) {
    // Asked after every save: only a change starts or stops the timer, so saves never postpone a retry.
    if (on == planFileRetry_) {
        return;
    }
    planFileRetry_ = on;
    if (on) {
        ::SetTimer(hwnd(), kTimerPlanFileRetry, kPlanFileRetryMs, nullptr);
    } else {
        ::KillTimer(hwnd(), kTimerPlanFileRetry);
    }
}

void MainWindow::ShowPostedNotices() {
    // Taken out first: a box pumps messages, and another notice may be posted while it is open.
    auto pending = std::exchange(notices_, {});
    for (const auto& [message, iconFlags] : pending) {
        if (noticesDropped_) {
            break; // Exit began while an earlier box was open
        }
        Notify(message, iconFlags);
    }
}

void MainWindow::OnClose() {
    if (!exitRequested_) {
        MinimiseAndHide();
        return;
    }
    if (events_.exitConfirmed) {
        events_.exitConfirmed();
    } else {
        ::DestroyWindow(hwnd());
    }
}

void MainWindow::OnAutoStartClicked() {
    // The box changes only here, once the change is allowed: not while the password box is open, and a
    // refused clear leaves it as it was and writes nothing.
    const bool ticked = !AutoStartChecked();
    if (!ticked && !Allowed(text::kAskAutoStart)) {
        return;
    }
    SetAutoStartChecked(ticked);
    if (events_.autoStartClicked) {
        events_.autoStartClicked(ticked);
    }
}

void MainWindow::OnCommand(unsigned id, unsigned code, HWND control) {
    if (control) {
        if (id >= ids::kTabButtonFirst && id < ids::kTabButtonFirst + kTabCount && code == BN_CLICKED) {
            SelectTab(static_cast<int>(id - ids::kTabButtonFirst) + 1);
        } else if (id == ids::kAutoStartCheck && code == BN_CLICKED) {
            OnAutoStartClicked();
        }
        return;
    }
    switch (id) {
    case ids::kCmdTrayShow:
        ShowFromTray();
        break;
    case ids::kCmdTrayHide:
        HideToTray();
        break;
    case ids::kCmdTrayWakeForPlans:
        if (events_.wakeForPlansClicked) {
            events_.wakeForPlansClicked();
        }
        break;
    case ids::kCmdTrayExit:
    case ids::kCmdInstallerExit:
        // The installer's request gets the same question; an older installer posts the tray's command.
        if (Allowed(text::kAskExit)) {
            exitByInstaller_ = id == ids::kCmdInstallerExit;
            RequestExit();
        }
        break;
    case ids::kCmdHelpParentPassword:
        if (events_.parentPasswordRequested) {
            events_.parentPasswordRequested();
        }
        break;
    case ids::kCmdHelpHistory:
        if (events_.historyRequested) {
            events_.historyRequested();
        }
        break;
    case ids::kCmdHelpQuietHours:
        if (events_.quietHoursRequested) {
            events_.quietHoursRequested();
        }
        break;
    case ids::kCmdHelpFeedback:
        if (events_.feedbackRequested) {
            events_.feedbackRequested();
        }
        break;
    case ids::kCmdHelpAbout:
        if (events_.aboutRequested) {
            events_.aboutRequested();
        }
        break;
    default:
        break;
    }
}

bool MainWindow::OnDrawItem(const DRAWITEMSTRUCT& item) {
    if (item.CtlType == ODT_STATIC && item.hwndItem == strip_) {
        DrawBitmap(item.hDC, art_->Strip(), 0, 0);
        return true;
    }
    if (item.CtlType != ODT_BUTTON || item.CtlID < ids::kTabButtonFirst ||
        item.CtlID >= ids::kTabButtonFirst + kTabCount) {
        return false;
    }
    const auto index = static_cast<std::size_t>(item.CtlID - ids::kTabButtonFirst);
    DrawBitmap(item.hDC, art_->Image(images_[index]), 0, 0);
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
        RECT focus = item.rcItem;
        const int inset = Scale(6, dpi_);
        ::InflateRect(&focus, -inset, -inset);
        ::DrawFocusRect(item.hDC, &focus);
    }
    return true;
}

LRESULT MainWindow::OnCtlColorStatic(HDC dc, HWND control) {
    if (control == clockLabel_ || control == nextPlanLabel_) {
        ::SetTextColor(dc, kClockInk);
    }
    ::SetBkColor(dc, RGB(255, 255, 255));
    return reinterpret_cast<LRESULT>(::GetStockObject(WHITE_BRUSH));
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_DRAWITEM:
        if (OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) {
            return TRUE;
        }
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_SETCURSOR:
        for (HWND button : buttons_) {
            if (reinterpret_cast<HWND>(wParam) == button && LOWORD(lParam) == HTCLIENT) {
                ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
                return TRUE;
            }
        }
        break;
    case WM_TIMER:
        if (wParam == kTimerComputerOperation) {
            OnSecondTick();
            return 0;
        }
        if (wParam == kTimerUpdate) {
            // Stopped before the call, so it cannot come round again, whatever the call does.
            ::KillTimer(hwnd(), kTimerUpdate);
            if (events_.updateCheckDue) {
                events_.updateCheckDue();
            }
            return 0;
        }
        if (wParam == kTimerPlanFileRetry) {
            if (events_.planFileRetry) {
                events_.planFileRetry();
            }
            return 0;
        }
        break;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_INITMENUPOPUP:
        OnInitMenuPopup(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_NEXTDLGCTL:
        // The dialog manager asks for this when an access key names a label: the focus goes to the label,
        // then on to the control after it. A plain window has to do it itself.
        MoveFocusTo(LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                   : ::GetNextDlgTabItem(hwnd(), ::GetFocus(), wParam != 0));
        return 0;
    case WM_ACTIVATE:
        // The focus comes back to the control that had it, as in a dialog: after a message box the user
        // types on where they were, not into the window's frame.
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = ::GetFocus();
            if (focus && ::IsChild(hwnd(), focus)) {
                lastFocus_ = focus;
            }
            return 0;
        }
        if (!HIWORD(wParam) && lastFocus_ && ::IsWindow(lastFocus_) && ::IsChild(hwnd(), lastFocus_) &&
            ::IsWindowVisible(lastFocus_) && ::IsWindowEnabled(lastFocus_)) {
            ::SetFocus(lastFocus_);
            return 0;
        }
        break;
    case WM_SHOWWINDOW:
        if (wParam) {
            ShowClockLine(static_cast<int>(ClockLineMode::CurrentTime));
            // Back from the tray (or brought forward by a second start): the page in front may have
            // something to bring up to date, such as a time field showing a time long past.
            ::PostMessageW(hwnd(), ids::kMsgPagesShown, 0, 0);
        }
        break;
    case ids::kMsgPagesShown:
        TellPagesShown();
        return 0;
    case WM_POWERBROADCAST:
        if (events_.system && wParam == PBT_APMSUSPEND) {
            events_.system->OnSuspending();
        } else if (events_.system && (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND)) {
            events_.system->OnWoken(wParam == PBT_APMRESUMESUSPEND);
        }
        return TRUE;
    case WM_WTSSESSION_CHANGE:
        if (const std::optional<SessionChange> change = SessionChangeOf(static_cast<unsigned>(wParam));
            change && events_.system) {
            events_.system->OnSessionChanged(*change);
        }
        return 0;
    case WM_TIMECHANGE:
        if (events_.system) {
            events_.system->OnTimeChanged();
        }
        return 0;
    case WM_QUERYENDSESSION:
        // Never hold up the end of the session: the plans are already on disk.
        return TRUE;
    case WM_ENDSESSION:
        if (wParam && events_.sessionEnding) {
            events_.sessionEnding();
        }
        return 0;
    case WM_DPICHANGED:
        ApplyDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return 0;
    case ids::kMsgDeferredNotice:
        ShowPostedNotices();
        return 0;
    case WM_DESTROY:
        ::KillTimer(hwnd(), kTimerComputerOperation);
        ::KillTimer(hwnd(), kTimerPlanFileRetry);
        ::KillTimer(hwnd(), kTimerUpdate);
        break;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

} // namespace kestrel::win
