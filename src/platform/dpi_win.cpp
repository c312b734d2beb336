// Display scaling helpers; the newer user32 calls are looked up at run time so the program still starts
// on systems that lack them.
#include "platform/dpi_win.h"

namespace kestrel::win {

namespace {

template <typename Fn> Fn User32Function(const char* name) {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name))) : nullptr;
}

} // namespace

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
