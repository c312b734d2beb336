#include "shell/settings_watch.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

TEST(SettingsWatch, ChangedAddedAndDeletedValuesAreFoundInOneWalk) {
    const SettingValue quiet{1, {'a', 0}};
    const SettingValue excused{1, {'b', 0}};
    const SettingValues known{{L"A\\QuietHours", quiet}, {L"A\\QuietHoursExcused", excused}, {L"A\\Running", quiet}};
    EXPECT_TRUE(ChangedSettings(known, known).empty());

    SettingValues now = known;
    now.erase(L"A\\QuietHours");                        // deleted
    now[L"A\\QuietHoursExcused"].bytes[0] = 'c';        // edited
    now[L"A\\Running"].type = 3;                        // same bytes, another type
    now[L"A\\Zzz"] = quiet;                             // added after the last known name
    now[L"A\\Aaa"] = quiet;                             // added before the first
    EXPECT_EQ(ChangedSettings(known, now), (std::vector<std::wstring>{L"A\\Aaa", L"A\\QuietHours",
                                                                      L"A\\QuietHoursExcused", L"A\\Running",
                                                                      L"A\\Zzz"}));
    EXPECT_EQ(ChangedSettings(known, {}).size(), 3u) << "the whole key deleted";
}

} // namespace
} // namespace kestrel
