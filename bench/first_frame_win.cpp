// A yardstick between the bare window and Kestrel: the native controls of Kestrel's first sight of its
// main window, made the same way and shown, without any of Kestrel's own work. The window has its menu
// bar, five owner-drawn tab buttons, five panels, the strip, the banner area, the clock line and the check
// box; the first panel holds tab 1's editor page: six labels, four option buttons, the time field, two
// buttons, seven weekday boxes and two drop-down lists, all with the message font. Built with Kestrel's
// manifest, so it uses the same common controls. The start-up benchmark times it beside the other two,
// so the share of the start-up that making these controls takes is measured, not guessed.
#include <windows.h>
#include <commctrl.h>

namespace {

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

struct Control {
    const wchar_t* className;
    DWORD style;
    int count;
};

constexpr Control kWindowControls[] = {
    {WC_BUTTONW, BS_OWNERDRAW | WS_TABSTOP, 5},   {L"Kestrel.FramePanel", WS_CLIPCHILDREN, 5},
    {WC_STATICW, SS_OWNERDRAW, 1},                {WC_STATICW, SS_WHITERECT, 1},
    {WC_STATICW, SS_LEFTNOWORDWRAP | SS_NOPREFIX, 1}, {WC_BUTTONW, BS_AUTOCHECKBOX | WS_TABSTOP, 1},
};
constexpr Control kPageControls[] = {
    {WC_STATICW, SS_LEFT | SS_CENTERIMAGE, 6},  {WC_BUTTONW, BS_AUTORADIOBUTTON, 4},
    {WC_EDITW, ES_AUTOHSCROLL | WS_TABSTOP, 1}, {WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, 2},
    {WC_BUTTONW, BS_AUTOCHECKBOX, 7},           {WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 2},
};

void MakeControls(HWND parent, const Control* controls, int kinds, HFONT font, HINSTANCE instance) {
    int n = 0;
    for (int kind = 0; kind < kinds; ++kind) {
        const Control& c = controls[kind];
        for (int i = 0; i < c.count; ++i, ++n) {
            const bool list = ::lstrcmpW(c.className, WC_COMBOBOXW) == 0;
            const bool field = ::lstrcmpW(c.className, WC_EDITW) == 0;
            HWND control = ::CreateWindowExW(field ? WS_EX_CLIENTEDGE : 0, c.className, L"控件",
                                             WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | c.style, 8 + (n % 5) * 110,
                                             8 + (n / 5) * 30, 100, list ? 200 : 24, parent,
                                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(100 + n)), instance,
                                             nullptr);
            ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            if (list) {
                ::SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"每天"));
                ::SendMessageW(control, CB_SETCURSEL, 0, 0);
            }
        }
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX common{sizeof(common), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&common);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &FrameProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"Kestrel.FirstFrame";
    WNDCLASSEXW panel = wc;
    panel.lpfnWndProc = &::DefWindowProcW;
    panel.lpszClassName = L"Kestrel.FramePanel";
    if (!::RegisterClassExW(&wc) || !::RegisterClassExW(&panel)) {
        return 1;
    }
    HMENU help = ::CreatePopupMenu();
    ::AppendMenuW(help, MF_STRING, 1, L"意见反馈");
    ::AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(help, MF_STRING, 2, L"关于");
    HMENU bar = ::CreateMenu();
    ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"帮助");
    HWND window = ::CreateWindowExW(0, wc.lpszClassName, L"Kestrel first frame",
                                    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN,
                                    CW_USEDEFAULT, CW_USEDEFAULT, 600, 450, nullptr, bar, instance, nullptr);
    if (!window) {
        return 1;
    }
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    HFONT font = ::CreateFontIndirectW(&metrics.lfMessageFont);
    MakeControls(window, kWindowControls, ARRAYSIZE(kWindowControls), font, instance);
    HWND firstPanel = ::GetDlgItem(window, 105);
    HWND page = ::CreateWindowExW(WS_EX_CONTROLPARENT, panel.lpszClassName, nullptr,
                                  WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 580, 230, firstPanel, nullptr,
                                  instance, nullptr);
    MakeControls(page, kPageControls, ARRAYSIZE(kPageControls), font, instance);
    ::ShowWindow(window, SW_SHOWNORMAL);
    ::UpdateWindow(window);
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    ::DeleteObject(font);
    return static_cast<int>(message.wParam);
}
