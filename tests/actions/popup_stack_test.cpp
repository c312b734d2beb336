// Resting places of reminder pop-ups on a 1000 × 700 work area with pop-ups 300 × 200 (three to a
// column, three columns), and the room left for an auto-hidden taskbar.
#include "actions/popup_stack.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestrel {
namespace {

constexpr ScreenRect kWork{0, 0, 1000, 700};

ScreenRect At(int left, int top, int height = 200) {
    return {left, top, left + 300, top + height};
}

TEST(PopupRestingPlace, StacksUpwardThenInColumnsToTheLeftAndFillsTheLowestGap) {
    const struct {
        const char* name;
        std::vector<ScreenRect> open;
        int height;
        ScreenRect expected;
        ScreenRect work = kWork;
    } cases[] = {
        {"first: the corner", {}, 200, At(700, 500)},
        {"second: above it", {At(700, 500)}, 200, At(700, 300)},
        {"third", {At(700, 500), At(700, 300)}, 200, At(700, 100)},
        {"past the top: a new column", {At(700, 500), At(700, 300), At(700, 100)}, 200, At(400, 500)},
        {"a closed bottom one leaves a gap that is filled", {At(700, 300), At(700, 100)}, 200, At(700, 500)},
        {"a gap too small is passed over", {At(700, 550, 150), At(700, 250)}, 200, At(700, 50)},
        {"a tall one rests on the short one below", {At(700, 550, 150)}, 350, At(700, 200, 350)},
        {"the last column that fits",
         {At(700, 500), At(700, 300), At(700, 100), At(400, 500), At(400, 300), At(400, 100)},
         200,
         At(100, 500)},
        {"every column full: the corner, over the others",
         {At(700, 500), At(700, 300), At(700, 100), At(400, 500), At(400, 300), At(400, 100), At(100, 500),
          At(100, 300), At(100, 100)},
         200,
         At(700, 500)},
        {"taller than the work area: the corner all the same", {}, 900, ScreenRect{700, -200, 1000, 700}},
        {"a work area lower than one pop-up: the next one at the bottom of the next column",
         {At(700, -50)},
         200,
         At(400, -50),
         ScreenRect{0, 0, 1000, 150}},
        {"a tall one that would pass the top above another: the next column",
         {At(700, 500)},
         600,
         At(400, 100, 600)},
        {"a gap below one and room above it: the gap below", {At(700, 300)}, 200, At(700, 500)},
        {"a work area exactly two columns wide: the second column",
         {At(300, 500), At(300, 300), At(300, 100)},
         200,
         At(0, 500),
         ScreenRect{0, 0, 600, 700}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PopupRestingPlace(c.work, 300, c.height, c.open), c.expected);
    }
}

TEST(ClearOfAutoHideTaskbar, LeavesTheTaskbarsDepthOnItsEdge) {
    constexpr ScreenRect kMonitor{0, 0, 1000, 700};
    const struct {
        ScreenEdge edge;
        ScreenRect work;
        int thickness;
        ScreenRect expected;
    } cases[] = {
        {ScreenEdge::Bottom, kMonitor, 40, {0, 0, 1000, 660}},
        {ScreenEdge::Top, kMonitor, 40, {0, 40, 1000, 700}},
        {ScreenEdge::Right, kMonitor, 60, {0, 0, 940, 700}},
        {ScreenEdge::Left, kMonitor, 60, {60, 0, 1000, 700}},
        {ScreenEdge::Bottom, {0, 0, 1000, 650}, 40, {0, 0, 1000, 650}}, // the work area leaves room already
        {ScreenEdge::Bottom, kMonitor, 800, kMonitor},                  // nonsense depth: left alone
        {ScreenEdge::Right, kMonitor, 1200, kMonitor},                  // deeper than the work area is wide
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.edge));
        EXPECT_EQ(ClearOfAutoHideTaskbar(c.work, kMonitor, c.edge, c.thickness), c.expected);
    }
}

} // namespace
} // namespace kestrel
