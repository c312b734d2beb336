// The tab artwork: every picture is made at the size of its button for any dpi, the selected look
// stands out from the normal one, and the five pictograms are told apart.
#include "shell/tab_art_win.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace kestrel::win {
namespace {

struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb; // 0x00RRGGBB, top row first
};

Pixels Read(HBITMAP bitmap) {
    Pixels out;
    BITMAP info{};
    if (!bitmap || !::GetObjectW(bitmap, sizeof(info), &info)) {
        return out;
    }
    out.width = info.bmWidth;
    out.height = info.bmHeight;
    out.argb.resize(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height));
    BITMAPINFO request{};
    request.bmiHeader.biSize = sizeof(request.bmiHeader);
    request.bmiHeader.biWidth = out.width;
    request.bmiHeader.biHeight = -out.height;
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 32;
    request.bmiHeader.biCompression = BI_RGB;
    WindowDc screen(nullptr);
    ::GetDIBits(screen.get(), bitmap, 0, static_cast<UINT>(out.height), out.argb.data(), &request,
                DIB_RGB_COLORS);
    return out;
}

double Brightness(const Pixels& p) {
    double sum = 0;
    for (const std::uint32_t c : p.argb) {
        sum += ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF);
    }
    return p.argb.empty() ? 0 : sum / (3.0 * static_cast<double>(p.argb.size()));
}

// Share of pixels that differ clearly between two pictures of one size.
double Difference(const Pixels& a, const Pixels& b) {
    if (a.argb.size() != b.argb.size() || a.argb.empty()) {
        return 1.0;
    }
    std::size_t differing = 0;
    for (std::size_t i = 0; i < a.argb.size(); ++i) {
        int delta = 0;
        for (int shift : {0, 8, 16}) {
            const int x = static_cast<int>((a.argb[i] >> shift) & 0xFF);
            const int y = static_cast<int>((b.argb[i] >> shift) & 0xFF);
            delta += x > y ? x - y : y - x;
        }
        differing += delta > 60 ? 1 : 0;
    }
    return static_cast<double>(differing) / static_cast<double>(a.argb.size());
}

std::array<RECT, kTabCount> ButtonsAt(int scalePercent) {
    const auto px = [&](int v) {
        return v * scalePercent / 100;
    };
    return {{{px(75), px(8), px(155), px(88)},
             {px(161), px(8), px(243), px(88)},
             {px(247), px(8), px(329), px(88)},
             {px(333), px(8), px(415), px(88)},
             {px(421), px(8), px(503), px(88)}}};
}

TEST(TabArt, DrawsTenDistinctPicturesAtTheButtonSizesForEachDpi) {
    for (const int dpi : {96, 144, 192}) {
        SCOPED_TRACE("dpi " + std::to_string(dpi));
        const int percent = dpi * 100 / 96;
        const auto buttons = ButtonsAt(percent);
        const SIZE strip{589 * percent / 100, 91 * percent / 100};
        TabArt art;
        ASSERT_TRUE(art.Render(dpi, strip, buttons));
        ASSERT_TRUE(art.Ready());
        const Pixels background = Read(art.Strip());
        EXPECT_EQ(background.width, strip.cx);
        EXPECT_EQ(background.height, strip.cy);
        EXPECT_EQ(art.Image(0), nullptr);
        EXPECT_EQ(art.Image(11), nullptr);

        std::vector<Pixels> normals;
        for (int tab = 1; tab <= kTabCount; ++tab) {
            SCOPED_TRACE("tab " + std::to_string(tab));
            const RECT& r = buttons[static_cast<std::size_t>(tab - 1)];
            const Pixels selected = Read(art.Image(2 * tab - 1));
            const Pixels normal = Read(art.Image(2 * tab));
            EXPECT_EQ(selected.width, r.right - r.left);
            EXPECT_EQ(selected.height, r.bottom - r.top);
            EXPECT_EQ(normal.width, selected.width);
            EXPECT_EQ(normal.height, selected.height);
            // The selected tile is the filled, darker one, and most of it differs from the normal look.
            EXPECT_LT(Brightness(selected) + 40, Brightness(normal));
            EXPECT_GT(Difference(selected, normal), 0.5);
            normals.push_back(normal);
        }
        // Each pictogram is its own: no two normal pictures (same size for tabs 2 to 5) look alike.
        for (std::size_t i = 1; i < normals.size(); ++i) {
            for (std::size_t j = i + 1; j < normals.size(); ++j) {
                EXPECT_GT(Difference(normals[i], normals[j]), 0.02) << "tabs " << i + 1 << " and " << j + 1;
            }
        }
    }
}

TEST(TabArt, RefusesAnEmptyStripAndDrawsNothing) {
    TabArt art;
    EXPECT_FALSE(art.Render(96, SIZE{0, 91}, ButtonsAt(100)));
    EXPECT_FALSE(art.Ready());
    EXPECT_EQ(art.Image(1), nullptr);
}

} // namespace
} // namespace kestrel::win
