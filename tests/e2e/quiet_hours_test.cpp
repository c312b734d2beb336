// Quiet hours from outside with the real Kestrel.exe: a window written to the registry before the start
// counts down once Kestrel runs, and "取消关机" excuses it, so that a resume opens nothing again.
#include "driver.h"

#include "base/command_ids.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Kestrel";
constexpr wchar_t kPrompt[] = L"Kestrel.CountdownPrompt";

// Quiet hours and their excuses in the rig's throwaway prefix, removed before and after so that no other
// scenario starts inside a window.
class CleanQuietHours {
public:
    CleanQuietHours() { Remove(); }
    ~CleanQuietHours() { Remove(); }
    static void Remove() {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"QuietHours");
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"QuietHoursExcused");
    }
};

// The value's lines, as REG_MULTI_SZ holds them; empty when it is missing.
std::wstring ReadMultiString(const wchar_t* name) {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data) - 2 * sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_MULTI_SZ, nullptr, data, &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    return std::wstring(data, size / sizeof(wchar_t));
}

TEST(QuietHours, AWindowAroundNowCountsDownAfterStartAndCancellingExcusesIt) {
    CleanQuietHours clean;
    Sandbox sandbox;
    const std::wstring window = L"1111111 " + LocalMinute(-1) + L" " + LocalMinute(30) + L" 锁定计算机";
    const std::wstring value = window + L'\0' + L'\0';
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, L"QuietHours", REG_MULTI_SZ, value.c_str(),
                              static_cast<DWORD>(value.size() * sizeof(wchar_t))),
              ERROR_SUCCESS);

    KestrelProcess kestrel(sandbox, L"mini");
    HWND main = kestrel.WaitForIdleMainWindow();
    ASSERT_NE(main, nullptr);
    HWND prompt = WaitForWindowOf(kestrel.Id(), kPrompt, 5s);
    ASSERT_NE(prompt, nullptr) << "no countdown after the start";
    EXPECT_EQ(WindowText(FindDescendant(prompt, ids::kCountdownLabel)).rfind(L"距离锁定计算机还剩 ", 0), 0u);

    PostClick(FindDescendant(prompt, ids::kCountdownCancelButton));
    EXPECT_TRUE(WaitUntil([&] { return VisibleWindowsOf(kestrel.Id(), kPrompt).empty(); }));
    EXPECT_TRUE(WaitUntil([&] { return ReadMultiString(L"QuietHoursExcused").rfind(window + L"|", 0) == 0; }))
        << "the excuse is kept";

    PostMessageW(main, WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0);
    ASSERT_TRUE(RoundTrip(main));
    EXPECT_FALSE(WaitUntil([&] { return !VisibleWindowsOf(kestrel.Id(), kPrompt).empty(); }, 2500ms))
        << "a resume counts down no more";
    PostCommand(main, ids::kCmdTrayExit);
    EXPECT_TRUE(kestrel.WaitForExit());
}

} // namespace
} // namespace kestrel::e2e
