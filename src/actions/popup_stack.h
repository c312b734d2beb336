// Where reminder pop-ups come to rest, worked out without windows: the first in the bottom-right corner
// of the work area, each further one on the lowest free place above those already there, and a new
// column to the left once a column reaches the top. A pop-up keeps its place while others close, and a
// new one takes the lowest gap that fits it.
#pragma once

#include <span>

namespace kestrel {

struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const ScreenRect&) const = default;
};

// The resting place of a pop-up `width` × `height` in `work`, clear of every rectangle in `taken` (the
// places of the pop-ups already open). When even the last column that fits in the work area is full,
// the pop-up goes to the bottom-right corner, over the others, as a single pop-up would.
ScreenRect PopupRestingPlace(const ScreenRect& work, int width, int height,
                             std::span<const ScreenRect> taken);

enum class ScreenEdge { Left, Top, Right, Bottom };

// The work area with room left for a taskbar that hides itself on `edge` of `monitor`: when it slides
// out it is `thickness` pixels deep, and a pop-up must rest beyond it, not under it. The system's work
// area does not leave that room, since an auto-hidden taskbar takes none while hidden.
ScreenRect ClearOfAutoHideTaskbar(const ScreenRect& work, const ScreenRect& monitor, ScreenEdge edge,
                                  int thickness);

} // namespace kestrel
