// The last minute looked at, in the registry: written, read back, and anything else there reads as none.
#include "platform/last_minute_store_win.h"

#include "shell/wine_only_win.h"

#include <gtest/gtest.h>

namespace kestrel::win {
namespace {

TEST(RegistryLastMinute, KeepsTheMinuteAndReadsAnythingElseAsNone) {
    KESTREL_ONLY_UNDER_WINE();
    const std::wstring key = L"Software\\KestrelTests\\LastMinute";
    ::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    RegistryLastMinute store(HKEY_CURRENT_USER, key);
    EXPECT_EQ(store.Load(), std::nullopt) << "nothing kept yet";
    store.Save(29'408'130);
    EXPECT_EQ(RegistryLastMinute(HKEY_CURRENT_USER, key).Load(), 29'408'130);
    for (const wchar_t* stored : {L"", L"12ab", L"-5", L"9999999999999999999"}) {
        ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), kLastMinuteValue, REG_SZ, stored,
                          static_cast<DWORD>((wcslen(stored) + 1) * sizeof(wchar_t)));
        EXPECT_EQ(store.Load(), std::nullopt);
    }
    const DWORD number = 5;
    ::RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), kLastMinuteValue, REG_DWORD, &number, sizeof(number));
    EXPECT_EQ(store.Load(), std::nullopt) << "only the text it writes itself";
    ::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    ::RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\KestrelTests");
}

} // namespace
} // namespace kestrel::win
