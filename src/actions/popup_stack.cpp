// The resting places of reminder pop-ups; see popup_stack.h.
#include "actions/popup_stack.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace kestrel {

namespace {

bool Overlap(const ScreenRect& a, const ScreenRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

} // namespace

ScreenRect PopupRestingPlace(const ScreenRect& work, int width, int height,
                             std::span<const ScreenRect> taken) {
    const ScreenRect corner{work.right - width, work.bottom - height, work.right, work.bottom};
    for (int column = 0;; ++column) {
        const int right = work.right - column * width;
        const int left = right - width;
        if (column > 0 && left < work.left) {
            break;
        }
        // A pop-up rests either on the bottom of the work area or right on top of another one in its
        // column; the lowest of those places that is free wins.
        std::vector<int> bottoms{work.bottom};
        for (const ScreenRect& other : taken) {
            if (other.left < right && left < other.right) {
                bottoms.push_back(other.top);
            }
        }
        std::sort(bottoms.begin(), bottoms.end(), std::greater<>());
        for (const int bottom : bottoms) {
            const ScreenRect place{left, bottom - height, right, bottom};
            // The first place of a column always fits, even in a work area lower than one pop-up.
            if (place.top < work.top && bottom != work.bottom) {
                continue;
            }
            if (bottom > work.bottom) {
                continue;
            }
            if (std::none_of(taken.begin(), taken.end(),
                             [&](const ScreenRect& other) { return Overlap(place, other); })) {
                return place;
            }
        }
    }
    return corner;
}

ScreenRect ClearOfAutoHideTaskbar(const ScreenRect& work, const ScreenRect& monitor, ScreenEdge edge,
                                  int thickness) {
    ScreenRect clear = work;
    switch (edge) {
    case ScreenEdge::Bottom:
        clear.bottom = std::min(work.bottom, monitor.bottom - thickness);
        break;
    case ScreenEdge::Top:
        clear.top = std::max(work.top, monitor.top + thickness);
        break;
    case ScreenEdge::Right:
        clear.right = std::min(work.right, monitor.right - thickness);
        break;
    case ScreenEdge::Left:
        clear.left = std::max(work.left, monitor.left + thickness);
        break;
    }
    // A taskbar deeper than the screen leaves the work area as it was rather than nothing at all.
    return clear.left < clear.right && clear.top < clear.bottom ? clear : work;
}

} // namespace kestrel
