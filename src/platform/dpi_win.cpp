// Display scaling helpers; the newer user32 calls are looked up at run time so the program still starts
// on systems that lack them.
#include "platform/dpi_win.h"

namespace kestrel::win {

namespace {

template <typename Fn> Fn User32Function(const char* name) {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name))) : nullptr;
}

// The window rectangle around a client area of width × height at the origin.
RECT FrameAround(int width, int height, DWORD style, DWORD exStyle, bool menu, int dpi) {
    RECT frame{0, 0, width, height};
    using AdjustFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    static const auto adjust = User32Function<AdjustFn>("AdjustWindowRectExForDpi");
    if (!adjust || !adjust(&frame, style, menu, exStyle, static_cast<UINT>(dpi))) {
        ::AdjustWindowRectEx(&frame, style, menu, exStyle);
    }
    return frame;
}

// The top-left corner of a width × height rectangle centred in `area`.
POINT CentredIn(const RECT& area, int width, int height) {
    return POINT{area.left + ((area.right - area.left) - width) / 2,
                 area.top + ((area.bottom - area.top) - height) / 2};
}

} // namespace

RECT ToPixels(const TwipsRect& r, int dpi) {
    return RECT{ScaleTwips(r.x, dpi), ScaleTwips(r.y, dpi), ScaleTwips(r.x + r.width, dpi),
                ScaleTwips(r.y + r.height, dpi)};
}

void MoveTo(HWND window, const RECT& r) {
    ::SetWindowPos(window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void FitClientArea(HWND window, int width, int height, int dpi, const RECT* suggested) {
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE));
    const bool menu = ::GetMenu(window) != nullptr && !(style & WS_CHILD);
    const RECT frame = FrameAround(width, height, style, exStyle, menu, dpi);
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    POINT at{};
    if (suggested) {
        at = POINT{suggested->left, suggested->top};
    } else {
        flags |= SWP_NOMOVE;
    }
    int outerWidth = frame.right - frame.left;
    int outerHeight = frame.bottom - frame.top;
    ::SetWindowPos(window, nullptr, at.x, at.y, outerWidth, outerHeight, flags);
    RECT client{};
    ::GetClientRect(window, &client);
    const int dx = width - (client.right - client.left);
    const int dy = height - (client.bottom - client.top);
    if (dx != 0 || dy != 0) {
        outerWidth += dx;
        outerHeight += dy;
        ::SetWindowPos(window, nullptr, at.x, at.y, outerWidth, outerHeight, flags);
    }
}

void CentreOnWorkArea(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
        return;
    }
    RECT frame{};
    ::GetWindowRect(window, &frame);
    const POINT at = CentredIn(monitor.rcWork, frame.right - frame.left, frame.bottom - frame.top);
    ::SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT CentredFrame(int width, int height, DWORD style, DWORD exStyle, bool menu, int dpi) {
    const RECT frame = FrameAround(width, height, style, exStyle, menu, dpi);
    const int outerWidth = frame.right - frame.left;
    const int outerHeight = frame.bottom - frame.top;
    RECT work{0, 0, outerWidth, outerHeight};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0); // the primary monitor's
    const POINT at = CentredIn(work, outerWidth, outerHeight);
    return RECT{at.x, at.y, at.x + outerWidth, at.y + outerHeight};
}

int SystemDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : kBaseDpi;
    ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}

int DpiForWindow(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow && window) {
        const UINT dpi = getDpiForWindow(window);
        if (dpi > 0) {
            return static_cast<int>(dpi);
        }
    }
    return SystemDpi();
}

bool EnableDpiAwareness() {
    using SetContextFn = BOOL(WINAPI*)(HANDLE);
    if (const auto setContext = User32Function<SetContextFn>("SetProcessDpiAwarenessContext")) {
        // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2
        if (setContext(reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-4)))) {
            return true;
        }
    }
    using SetAwareFn = BOOL(WINAPI*)();
    if (const auto setAware = User32Function<SetAwareFn>("SetProcessDPIAware")) {
        setAware();
    }
    return false;
}

HFONT CreateUiFont(int dpi, int pointSizeTenths, bool bold) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    LOGFONTW font{};
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
        font = metrics.lfMessageFont;
    } else {
        lstrcpynW(font.lfFaceName, L"Microsoft YaHei", LF_FACESIZE);
    }
    font.lfHeight = -::MulDiv(pointSizeTenths, dpi, 720);
    font.lfWidth = 0;
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfQuality = CLEARTYPE_QUALITY;
    // Chinese captions read best in the Chinese UI face where the system font is a Western one.
    lstrcpynW(font.lfFaceName, L"Microsoft YaHei", LF_FACESIZE);
    return ::CreateFontIndirectW(&font);
}

} // namespace kestrel::win
