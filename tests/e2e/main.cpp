// Entry point of kestrel_e2e.exe. Without options it runs the black-box scenarios (GoogleTest); two
// options serve the screenshot scripts, which need Windows-side facts about a Kestrel already running:
//   --main-window-rect   waits for the main window and prints its rectangle as WxH+X+Y (desktop pixels)
//   --click-tab=K        clicks tab button K (1..5) of the running main window
#include "driver.h"

#include "base/command_ids.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {

using namespace kestrel::e2e;

HWND WaitForAnyMainWindow() {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            const auto windows = AllMainWindows();
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr && IsWindowVisible(found);
        },
        30s);
    return found;
}

int PrintMainWindowRect() {
    HWND main = WaitForAnyMainWindow();
    if (main == nullptr) {
        std::fprintf(stderr, "no visible window titled Kestrel - Ver:3.1.0.0\n");
        return 1;
    }
    // Paint now, so that a screenshot taken right after this shows the finished window.
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RoundTrip(main);
    RECT r{};
    GetWindowRect(main, &r);
    std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
    return 0;
}

int ClickTab(int tab) {
    HWND main = WaitForAnyMainWindow();
    HWND button =
        main ? FindDescendant(main, static_cast<int>(kestrel::ids::kTabButtonFirst) + tab - 1) : nullptr;
    if (button == nullptr) {
        std::fprintf(stderr, "no tab button %d in the main window\n", tab);
        return 1;
    }
    wchar_t className[64] = {};
    GetClassNameW(button, className, 64);
    if (_wcsicmp(className, L"Button") == 0) {
        PostClick(button);
    } else {
        PostMouseClick(button);
    }
    if (!RoundTrip(main)) {
        return 1;
    }
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    return RoundTrip(main) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--main-window-rect") == 0) {
        return PrintMainWindowRect();
    }
    if (argc == 2 && std::strncmp(argv[1], "--click-tab=", 12) == 0) {
        const int tab = std::atoi(argv[1] + 12);
        return tab >= 1 && tab <= 5 ? ClickTab(tab) : 2;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
