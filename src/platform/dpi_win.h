// Display scaling. Layout constants are stated at 96 dpi (or in twips, 15 to a pixel at 96 dpi) and
// scaled to each window's own dpi, so the program is crisp at 100 % and 200 % alike.
#pragma once

#include <windows.h>

namespace kestrel::win {

inline constexpr int kBaseDpi = 96;

// The dpi of the monitor the window is on (per-monitor aware), else the system dpi.
int DpiForWindow(HWND window);
int SystemDpi();

inline int Scale(int px96, int dpi) {
    return ::MulDiv(px96, dpi, kBaseDpi);
}
// Twips to 96-dpi pixels, rounded.
inline constexpr int TwipsToPx(int twips) {
    return (twips + 7) / 15;
}
inline int ScaleTwips(int twips, int dpi) {
    return ::MulDiv(twips, dpi, 15 * kBaseDpi);
}

// A rectangle as a form's design states it, in twips (1440 to the inch).
struct TwipsRect {
    int x, y, width, height;
};

// The rectangle in pixels at `dpi`. Both edges are scaled, not the size, so neighbours never open a
// one-pixel gap between them.
RECT ToPixels(const TwipsRect& r, int dpi);

// Moves and sizes a child window to `r` (parent coordinates) without touching the z-order or focus.
void MoveTo(HWND window, const RECT& r);

// Sizes `window` so that its client area is `width` × `height` pixels at `dpi`, whatever its frame,
// caption and menu bar take (measured after the first try, since themes and fonts differ). The top-left
// corner goes to that of `suggested` (the rectangle WM_DPICHANGED proposes) when given, else stays.
void FitClientArea(HWND window, int width, int height, int dpi, const RECT* suggested = nullptr);

// Centres `window` on the work area of its monitor (the primary one when it is on none).
void CentreOnWorkArea(HWND window);

// Where a top-level window not made yet goes to have a client area of `width` × `height` pixels at
// `dpi`, centred on the primary monitor's work area: made there, it need not be moved before it shows.
RECT CentredFrame(int width, int height, DWORD style, DWORD exStyle, bool menu, int dpi);

// Makes the process per-monitor (v2) dpi aware where the system offers it; the manifest says the same,
// this covers systems that ignore it. Returns false when only system awareness could be set.
bool EnableDpiAwareness();

// The system message font (for labels and buttons) at the given dpi.
HFONT CreateUiFont(int dpi, int pointSizeTenths = 90, bool bold = false);

} // namespace kestrel::win
