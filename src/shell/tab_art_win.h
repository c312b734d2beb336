// The artwork of the main window's top strip, drawn at run time for the window's dpi: the strip's
// background and the ten tab images of ImageList_标签图标 (for tab k, image 2k - 1 is its selected look
// and image 2k its normal look), each with its pictogram and caption. Nothing is loaded from files, so
// the pictures are as crisp at 200 % as at 100 %.
#pragma once

#include "platform/handles_win.h"
#include "platform/threads_win.h"
#include "shell/tab_images.h"

#include <windows.h>

#include <array>
#include <cstdint>

namespace kestrel::win {

inline constexpr int kTabImageCount = 2 * kTabCount;

class TabArt {
public:
    TabArt();  // GDI+ starts with the first drawing
    ~TabArt(); // waits for a drawing begun by Prepare, releases the pictures, then GDI+
    TabArt(const TabArt&) = delete;
    TabArt& operator=(const TabArt&) = delete;

    // Starts drawing the strip and the images `first` for `dpi` on a thread of its own, while the window
    // is being made: loading GDI+ and drawing then cost the start-up nothing. Render takes the result when
    // it asks for the same size, and draws anew otherwise.
    void Prepare(int dpi, SIZE strip, const std::array<RECT, kTabCount>& buttons,
                 const std::array<int, kTabCount>& first);

    // Renders the strip for `dpi` and drops the images of an earlier size. `strip` is the strip's size
    // in pixels, `buttons` the five button rectangles in strip coordinates; each image is the size of its
    // button and already holds the strip background behind the tile, so drawing it is a plain copy.
    bool Render(int dpi, SIZE strip, const std::array<RECT, kTabCount>& buttons);

    HBITMAP Strip() const { return strip_.get(); }
    // Image n, 1..10, drawn when first asked for (a window shows only five at a time); nullptr outside
    // that range, before Render, or when it cannot be drawn.
    HBITMAP Image(int n);
    // Draws every image not drawn yet, so that a later tab change only copies pictures.
    void RenderAllImages();
    bool Ready() const { return ready_; }

private:
    // What Prepare drew, for the size it was asked for.
    struct Prepared {
        int dpi = 0;
        SIZE strip{};
        std::array<RECT, kTabCount> buttons{};
        UniqueBitmap stripBitmap;
        std::array<UniqueBitmap, kTabImageCount> images;
    };

    bool StartGdiplus();
    HBITMAP RenderStrip(int dpi, SIZE strip) const;
    HBITMAP RenderImage(int n) const;
    static HBITMAP RenderImageFor(int n, HBITMAP strip, const RECT& button, int dpi);
    // Takes what Prepare drew when it fits this size; true when it did.
    bool TakePrepared(int dpi, SIZE strip, const std::array<RECT, kTabCount>& buttons);

    SlimLock gdiplusLock_;
    bool gdiplusTried_ = false;
    std::uintptr_t gdiplusToken_ = 0;
    UniqueKernelHandle preparing_; // the thread drawing ahead, until it is waited for
    Prepared prepared_;
    bool ready_ = false;
    int dpi_ = 96;
    std::array<RECT, kTabCount> buttons_{};
    UniqueBitmap strip_;
    std::array<UniqueBitmap, kTabImageCount> images_;
};

// Copies `bitmap` (whole) to `dc` at (x, y).
void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y);

} // namespace kestrel::win
