// An editor page in a stand-in panel: when the page comes into sight, a time field it filled itself
// and nobody touched shows the clock's time again; a time the user typed, or a duration, stays.
#include "editors/plan_editor_page_win.h"

#include "base/command_ids.h"
#include "platform/window_win.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace kestrel::win {
namespace {

LocalDateTime At(int hour, int minute) {
    LocalDateTime now{2026, 3, 2, hour, minute, 0, 1};
    return now;
}

// Types `digits` into the page's time field from its start, key by key.
std::function<void(HWND page)> TypeTime(std::wstring digits) {
    return [digits](HWND page) {
        const HWND field = ::GetDlgItem(page, ids::kEditorTimeField);
        ::SendMessageW(field, EM_SETSEL, 0, 0);
        for (const wchar_t c : digits) {
            ::SendMessageW(field, WM_CHAR, c, 1);
        }
    };
}

TEST(PlanEditorPage, AnUntouchedTimeFollowsTheClockWhenThePageIsShown) {
    const struct {
        const char* name;
        std::function<void(HWND page)> meanwhile;
        const wchar_t* shown; // after the clock moved from 09:15 to 10:40 and the page was shown again
    } cases[] = {
        {"untouched", [](HWND) {}, L"10:40"},
        {"typed over", TypeTime(L"0700"), L"07:00"},
        {"typed back to what it was", TypeTime(L"0915"), L"09:15"},
        {"a duration",
         [](HWND page) { ::SendMessageW(::GetDlgItem(page, ids::kEditorTimingCountdown), BM_CLICK, 0, 0); },
         L"09:15"},
        {"filled again with 当前时间",
         [](HWND page) {
             ::SendMessageW(::GetDlgItem(page, ids::kEditorTimeField), WM_CHAR, L'1', 1);
             ::SendMessageW(::GetDlgItem(page, ids::kEditorNow), BM_CLICK, 0, 0);
         },
         L"10:40"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FixedClock clock(At(9, 15));
        PlanList plans;
        const HWND panel = ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 600, 300, nullptr,
                                             nullptr, ::GetModuleHandleW(nullptr), nullptr);
        {
            PlanEditorPage page(EditorKind::Shutdown, plans, clock, [] { return HWND{}; });
            ASSERT_TRUE(page.Create(panel));
            const HWND field = page.Control(ids::kEditorTimeField);
            EXPECT_EQ(GetWindowTextString(field), L"09:15");
            c.meanwhile(page.hwnd());
            clock.Set(At(10, 40));
            ::SendMessageW(page.hwnd(), ids::kMsgPageShown, 0, 0);
            EXPECT_EQ(GetWindowTextString(field), c.shown);
        }
        ::DestroyWindow(panel);
    }
}

} // namespace
} // namespace kestrel::win
