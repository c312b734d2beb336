// Drawing of the top strip and the ten tab images with GDI+ (anti-aliased), at the window's dpi.
#include "shell/tab_art_win.h"

#include "base/texts.h"
#include "platform/dpi_win.h"
#include "platform/process_access_win.h"

#include <objidl.h>

#include <gdiplus.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

namespace kestrel::win {

namespace {

namespace gp = Gdiplus;

// One accent for the whole strip: the selected tile is filled with it, normal tiles draw their
// pictogram in it, so the five buttons read as one family.
const gp::Color kAccentTop(255, 0x3C, 0x86, 0xF2);
const gp::Color kAccentBottom(255, 0x1A, 0x5B, 0xC8);
const gp::Color kAccentInk(255, 0x22, 0x66, 0xD0);
const gp::Color kStripTop(255, 0xF7, 0xFA, 0xFF);
const gp::Color kStripBottom(255, 0xDC, 0xE8, 0xF8);
const gp::Color kStripRule(255, 0xB9, 0xCD, 0xEA);
const gp::Color kTileFace(235, 0xFF, 0xFF, 0xFF);
const gp::Color kTileEdge(255, 0xC6, 0xD7, 0xEF);
const gp::Color kCaptionInk(255, 0x33, 0x44, 0x58);
const gp::Color kWhite(255, 0xFF, 0xFF, 0xFF);

enum class Pictogram { Power, AlarmClock, RunProgram, PlanList, Forbidden };
constexpr std::array<Pictogram, kTabCount> kPictograms = {Pictogram::Power, Pictogram::AlarmClock,
                                                          Pictogram::RunProgram, Pictogram::PlanList,
                                                          Pictogram::Forbidden};

// A 32-bit top-down DIB section selected into its own memory DC for the life of the object.
class Canvas {
public:
    Canvas(int width, int height) : dc_(::CreateCompatibleDC(nullptr)) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_ = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (dc_ && bitmap_) {
            previous_ = ::SelectObject(dc_.get(), bitmap_);
        }
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    ~Canvas() {
        if (previous_) {
            ::SelectObject(dc_.get(), previous_);
        }
        if (bitmap_) {
            ::DeleteObject(bitmap_);
        }
    }
    bool ok() const { return dc_ && bitmap_ && previous_; }
    HDC dc() const { return dc_.get(); }
    // Hands the bitmap to the caller (deselected first).
    HBITMAP Release() {
        if (previous_) {
            ::SelectObject(dc_.get(), previous_);
            previous_ = nullptr;
        }
        return std::exchange(bitmap_, nullptr);
    }

private:
    UniqueMemoryDc dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

void AddRoundRect(gp::GraphicsPath& path, const gp::RectF& r, float radius) {
    const float d = 2 * radius;
    path.AddArc(r.X, r.Y, d, d, 180, 90);
    path.AddArc(r.X + r.Width - d, r.Y, d, d, 270, 90);
    path.AddArc(r.X + r.Width - d, r.Y + r.Height - d, d, d, 0, 90);
    path.AddArc(r.X, r.Y + r.Height - d, d, d, 90, 90);
    path.CloseFigure();
}

// A pen with round caps and joins, as every pictogram stroke uses.
class RoundPen : public gp::Pen {
public:
    RoundPen(const gp::Color& color, float width) : gp::Pen(color, width) {
        SetStartCap(gp::LineCapRound);
        SetEndCap(gp::LineCapRound);
        SetLineJoin(gp::LineJoinRound);
    }
};

// Each pictogram is drawn in the square `box` (side p) with strokes proportional to it.
void DrawPower(gp::Graphics& g, const gp::RectF& box, const gp::Color& ink) {
    const float p = box.Width;
    const float cx = box.X + p / 2;
    const float cy = box.Y + p * 0.54f;
    const float r = p * 0.36f;
    RoundPen pen(ink, p * 0.095f);
    // The ring opens around twelve o'clock, where the stroke stands.
    g.DrawArc(&pen, cx - r, cy - r, 2 * r, 2 * r, -55.0f, 290.0f);
    g.DrawLine(&pen, cx, box.Y + p * 0.08f, cx, cy - r * 0.15f);
}

void DrawAlarmClock(gp::Graphics& g, const gp::RectF& box, const gp::Color& ink) {
    const float p = box.Width;
    const float cx = box.X + p / 2;
    const float cy = box.Y + p * 0.55f;
    const float r = p * 0.32f;
    RoundPen pen(ink, p * 0.085f);
    gp::SolidBrush brush(ink);
    // Two bells, domes facing away from the face.
    const float br = p * 0.14f;
    const float bx = p * 0.25f;
    const float by = p * 0.27f;
    g.FillPie(&brush, cx - bx - br, cy - by - br, 2 * br, 2 * br, 135.0f, 180.0f);
    g.FillPie(&brush, cx + bx - br, cy - by - br, 2 * br, 2 * br, 225.0f, 180.0f);
    // Legs.
    g.DrawLine(&pen, cx - r * 0.62f, cy + r * 0.80f, cx - r * 0.95f, cy + r * 1.22f);
    g.DrawLine(&pen, cx + r * 0.62f, cy + r * 0.80f, cx + r * 0.95f, cy + r * 1.22f);
    g.DrawEllipse(&pen, cx - r, cy - r, 2 * r, 2 * r);
    RoundPen hands(ink, p * 0.075f);
    g.DrawLine(&hands, cx, cy, cx, cy - r * 0.60f);
    g.DrawLine(&hands, cx, cy, cx + r * 0.45f, cy + r * 0.22f);
}

void DrawRunProgram(gp::Graphics& g, const gp::RectF& box, const gp::Color& ink) {
    const float p = box.Width;
    RoundPen pen(ink, p * 0.08f);
    gp::SolidBrush brush(ink);
    const gp::RectF frame(box.X + p * 0.08f, box.Y + p * 0.14f, p * 0.84f, p * 0.72f);
    gp::GraphicsPath window;
    AddRoundRect(window, frame, p * 0.09f);
    g.DrawPath(&pen, &window);
    // Title bar.
    const float barY = frame.Y + p * 0.19f;
    g.DrawLine(&pen, frame.X, barY, frame.X + frame.Width, barY);
    const float dot = p * 0.035f;
    for (int i = 0; i < 2; ++i) {
        const float x = frame.X + p * (0.12f + 0.11f * static_cast<float>(i));
        g.FillEllipse(&brush, x - dot, frame.Y + p * 0.095f - dot, 2 * dot, 2 * dot);
    }
    // Play mark in the client area.
    const float midX = frame.X + frame.Width / 2 + p * 0.03f;
    const float midY = barY + (frame.Y + frame.Height - barY) / 2;
    const float h = p * 0.15f;
    gp::PointF triangle[3] = {{midX - h * 0.8f, midY - h}, {midX - h * 0.8f, midY + h}, {midX + h, midY}};
    RoundPen edge(ink, p * 0.05f);
    g.FillPolygon(&brush, triangle, 3);
    g.DrawPolygon(&edge, triangle, 3);
}

void DrawPlanList(gp::Graphics& g, const gp::RectF& box, const gp::Color& ink) {
    const float p = box.Width;
    RoundPen pen(ink, p * 0.08f);
    gp::SolidBrush brush(ink);
    const gp::RectF board(box.X + p * 0.16f, box.Y + p * 0.12f, p * 0.68f, p * 0.82f);
    gp::GraphicsPath outline;
    AddRoundRect(outline, board, p * 0.09f);
    g.DrawPath(&pen, &outline);
    // The clip at the top.
    gp::GraphicsPath clip;
    AddRoundRect(clip, gp::RectF(box.X + p * 0.34f, box.Y + p * 0.04f, p * 0.32f, p * 0.16f), p * 0.05f);
    g.FillPath(&brush, &clip);
    RoundPen line(ink, p * 0.07f);
    const float dot = p * 0.045f;
    for (int i = 0; i < 3; ++i) {
        const float y = board.Y + p * (0.30f + 0.17f * static_cast<float>(i));
        const float x = board.X + p * 0.15f;
        g.FillEllipse(&brush, x - dot, y - dot, 2 * dot, 2 * dot);
        g.DrawLine(&line, x + p * 0.12f, y, board.X + board.Width - p * 0.13f, y);
    }
}

void DrawForbidden(gp::Graphics& g, const gp::RectF& box, const gp::Color& ink) {
    const float p = box.Width;
    const float cx = box.X + p / 2;
    const float cy = box.Y + p / 2;
    const float r = p * 0.38f;
    RoundPen pen(ink, p * 0.10f);
    g.DrawEllipse(&pen, cx - r, cy - r, 2 * r, 2 * r);
    const float d = r * static_cast<float>(std::numbers::sqrt2 / 2);
    g.DrawLine(&pen, cx - d, cy - d, cx + d, cy + d);
}

void DrawPictogram(gp::Graphics& g, Pictogram which, const gp::RectF& box, const gp::Color& ink) {
    switch (which) {
    case Pictogram::Power:
        DrawPower(g, box, ink);
        break;
    case Pictogram::AlarmClock:
        DrawAlarmClock(g, box, ink);
        break;
    case Pictogram::RunProgram:
        DrawRunProgram(g, box, ink);
        break;
    case Pictogram::PlanList:
        DrawPlanList(g, box, ink);
        break;
    case Pictogram::Forbidden:
        DrawForbidden(g, box, ink);
        break;
    }
}

void PrepareGraphics(gp::Graphics& g) {
    g.SetSmoothingMode(gp::SmoothingModeAntiAlias);
    g.SetPixelOffsetMode(gp::PixelOffsetModeHalf);
    g.SetTextRenderingHint(gp::TextRenderingHintAntiAliasGridFit);
}

void PaintStrip(HDC dc, SIZE size, float s) {
    gp::Graphics g(dc);
    PrepareGraphics(g);
    const auto w = static_cast<float>(size.cx);
    const auto h = static_cast<float>(size.cy);
    gp::LinearGradientBrush fill(gp::PointF(0, 0), gp::PointF(0, h), kStripTop, kStripBottom);
    g.FillRectangle(&fill, 0.0f, 0.0f, w, h);
    // A soft glow behind the middle of the row of buttons, so the strip is not a flat band.
    gp::GraphicsPath glowShape;
    glowShape.AddEllipse(w * 0.1f, -h * 0.6f, w * 0.8f, h * 1.6f);
    gp::PathGradientBrush glow(&glowShape);
    glow.SetCenterColor(gp::Color(150, 255, 255, 255));
    gp::Color rim(0, 255, 255, 255);
    INT rimCount = 1;
    glow.SetSurroundColors(&rim, &rimCount);
    g.FillPath(&glow, &glowShape);
    gp::Pen rule(kStripRule, std::max(1.0f, s));
    g.DrawLine(&rule, 0.0f, h - std::max(1.0f, s) / 2, w, h - std::max(1.0f, s) / 2);
}

void PaintTile(HDC dc, SIZE size, int tab, bool selected, int dpi) {
    const float s = static_cast<float>(dpi) / static_cast<float>(kBaseDpi);
    gp::Graphics g(dc);
    PrepareGraphics(g);
    const auto w = static_cast<float>(size.cx);
    const auto h = static_cast<float>(size.cy);
    const gp::RectF tile(2.5f * s, 2.5f * s, w - 5 * s, h - 5 * s);
    const float radius = 9 * s;

    if (selected) {
        gp::GraphicsPath shadow;
        AddRoundRect(shadow, gp::RectF(tile.X, tile.Y + 1.5f * s, tile.Width, tile.Height), radius);
        gp::SolidBrush shade(gp::Color(45, 0x10, 0x30, 0x70));
        g.FillPath(&shade, &shadow);
        gp::GraphicsPath face;
        AddRoundRect(face, tile, radius);
        gp::LinearGradientBrush fill(gp::PointF(0, tile.Y), gp::PointF(0, tile.Y + tile.Height), kAccentTop,
                                     kAccentBottom);
        g.FillPath(&fill, &face);
    } else {
        gp::GraphicsPath face;
        AddRoundRect(face, tile, radius);
        gp::SolidBrush fill(kTileFace);
        g.FillPath(&fill, &face);
        gp::Pen edge(kTileEdge, std::max(1.0f, s));
        g.DrawPath(&edge, &face);
    }

    const gp::Color& ink = selected ? kWhite : kAccentInk;
    const float side = 34 * s;
    const gp::RectF box((w - side) / 2, tile.Y + 7 * s, side, side);
    DrawPictogram(g, kPictograms[static_cast<std::size_t>(tab - 1)], box, ink);

    UniqueFont uiFont(CreateUiFont(dpi, 90, selected));
    gp::Font font(dc, uiFont.get());
    gp::StringFormat format;
    format.SetAlignment(gp::StringAlignmentCenter);
    format.SetLineAlignment(gp::StringAlignmentCenter);
    format.SetFormatFlags(gp::StringFormatFlagsNoWrap);
    gp::SolidBrush captionInk(selected ? kWhite : kCaptionInk);
    const gp::RectF captionBox(tile.X, tile.Y + 45 * s, tile.Width, tile.Height - 47 * s);
    g.DrawString(text::kTabCaptions[tab - 1], -1, &font, captionBox, &format, &captionInk);
}

} // namespace

TabArt::TabArt() = default;

TabArt::~TabArt() {
    if (preparing_) {
        ::WaitForSingleObject(preparing_.get(), INFINITE);
        preparing_.reset();
    }
    prepared_ = {};
    strip_.reset();
    for (auto& image : images_) {
        image.reset();
    }
    if (gdiplusToken_) {
        gp::GdiplusShutdown(gdiplusToken_);
    }
}

bool TabArt::StartGdiplus() {
    // Started once, by whichever thread comes first; the other one waits for it.
    const std::lock_guard guard(gdiplusLock_);
    if (!gdiplusTried_) {
        gdiplusTried_ = true;
        gp::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        if (gp::GdiplusStartup(&token, &input, nullptr) == gp::Ok) {
            gdiplusToken_ = token;
        }
    }
    return gdiplusToken_ != 0;
}

void TabArt::Prepare(int dpi, SIZE strip, const std::array<RECT, kTabCount>& buttons,
                     const std::array<int, kTabCount>& first) {
    if (preparing_) {
        return;
    }
    prepared_ = Prepared{};
    prepared_.dpi = dpi;
    prepared_.strip = strip;
    prepared_.buttons = buttons;
    // No thread to be had: Render draws everything itself.
    preparing_ = StartThread([this, first] {
        const KestrelThread guarded; // the parent's lock reaches this thread too
        // GDI objects belong to the process, so bitmaps drawn here serve the window's thread.
        if (!StartGdiplus()) {
            return;
        }
        prepared_.stripBitmap.reset(RenderStrip(prepared_.dpi, prepared_.strip));
        if (!prepared_.stripBitmap) {
            return;
        }
        for (const int n : first) {
            if (n >= 1 && n <= kTabImageCount) {
                const RECT& button = prepared_.buttons[static_cast<std::size_t>((n + 1) / 2 - 1)];
                prepared_.images[static_cast<std::size_t>(n - 1)].reset(
                    RenderImageFor(n, prepared_.stripBitmap.get(), button, prepared_.dpi));
            }
        }
    });
}

bool TabArt::TakePrepared(int dpi, SIZE strip, const std::array<RECT, kTabCount>& buttons) {
    if (preparing_) {
        ::WaitForSingleObject(preparing_.get(), INFINITE);
        preparing_.reset();
    }
    const auto sameRect = [](const RECT& a, const RECT& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    };
    const bool fits = prepared_.stripBitmap && prepared_.dpi == dpi && prepared_.strip.cx == strip.cx &&
                      prepared_.strip.cy == strip.cy &&
                      std::equal(buttons.begin(), buttons.end(), prepared_.buttons.begin(), sameRect);
    if (fits) {
        strip_ = std::move(prepared_.stripBitmap);
        images_ = std::move(prepared_.images);
    }
    prepared_ = {};
    return fits;
}

bool TabArt::Render(int dpi, SIZE strip, const std::array<RECT, kTabCount>& buttons) {
    ready_ = false;
    for (auto& image : images_) {
        image.reset(); // drawn for the old size
    }
    if (TakePrepared(dpi, strip, buttons)) {
        dpi_ = dpi;
        buttons_ = buttons;
        ready_ = true;
        return true;
    }
    if (!StartGdiplus() || strip.cx <= 0 || strip.cy <= 0) {
        return false;
    }
    HBITMAP stripBitmap = RenderStrip(dpi, strip);
    if (!stripBitmap) {
        return false;
    }
    strip_.reset(stripBitmap);
    dpi_ = dpi;
    buttons_ = buttons;
    ready_ = true;
    return true;
}

HBITMAP TabArt::RenderStrip(int dpi, SIZE strip) const {
    if (strip.cx <= 0 || strip.cy <= 0) {
        return nullptr;
    }
    Canvas canvas(strip.cx, strip.cy);
    if (!canvas.ok()) {
        return nullptr;
    }
    PaintStrip(canvas.dc(), strip, static_cast<float>(dpi) / static_cast<float>(kBaseDpi));
    return canvas.Release();
}

HBITMAP TabArt::Image(int n) {
    if (n < 1 || n > kTabImageCount || !ready_) {
        return nullptr;
    }
    UniqueBitmap& image = images_[static_cast<std::size_t>(n - 1)];
    if (!image) {
        image.reset(RenderImage(n));
    }
    return image.get();
}

void TabArt::RenderAllImages() {
    for (int n = 1; n <= kTabImageCount; ++n) {
        Image(n);
    }
}

HBITMAP TabArt::RenderImage(int n) const {
    return RenderImageFor(n, strip_.get(), buttons_[static_cast<std::size_t>((n + 1) / 2 - 1)], dpi_);
}

HBITMAP TabArt::RenderImageFor(int n, HBITMAP strip, const RECT& r, int dpi) {
    const int tab = (n + 1) / 2;
    const SIZE size{r.right - r.left, r.bottom - r.top};
    if (size.cx <= 0 || size.cy <= 0) {
        return nullptr;
    }
    Canvas canvas(size.cx, size.cy);
    UniqueMemoryDc stripDc(::CreateCompatibleDC(nullptr));
    if (!canvas.ok() || !stripDc) {
        return nullptr;
    }
    {
        // The strip behind the button first, so each image can be copied to the screen as it is.
        SelectScope select(stripDc.get(), strip);
        ::BitBlt(canvas.dc(), 0, 0, size.cx, size.cy, stripDc.get(), r.left, r.top, SRCCOPY);
    }
    PaintTile(canvas.dc(), size, tab, IsSelectedImage(n), dpi);
    return canvas.Release();
}

void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y) {
    if (!bitmap) {
        return;
    }
    BITMAP info{};
    if (!::GetObjectW(bitmap, sizeof(info), &info)) {
        return;
    }
    UniqueMemoryDc source(::CreateCompatibleDC(dc));
    if (!source) {
        return;
    }
    SelectScope select(source.get(), bitmap);
    ::BitBlt(dc, x, y, info.bmWidth, info.bmHeight, source.get(), 0, 0, SRCCOPY);
}

} // namespace kestrel::win
