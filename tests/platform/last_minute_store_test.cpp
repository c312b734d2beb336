// The last minute looked at: its stored text, and each plan file's own after the old single one.
#include "platform/last_minute_store.h"

#include <gtest/gtest.h>

#include <map>

namespace kestrel {
namespace {

struct FakeValues final : MinuteValues {
    std::map<std::wstring, std::wstring> named;
    std::optional<std::wstring> shared = L"100";
    std::optional<std::wstring> Read(const std::wstring& name) override {
        return named.count(name) ? std::optional(named[name]) : std::nullopt;
    }
    bool failWrites = false;
    bool Write(const std::wstring& name, const std::wstring& text) override {
        if (!failWrites) {
            named[name] = text;
        }
        return !failWrites;
    }
    std::optional<std::wstring> ReadShared() override { return shared; }
    void DeleteShared() override { shared.reset(); }
};

TEST(LastMinuteStore, TheTextReadsAsAMinuteAndEachPlanFileKeepsItsOwnAfterTakingOverTheOldOne) {
    const std::pair<const wchar_t*, std::optional<std::int64_t>> cases[] = {
        {L"29408130", 29'408'130},
        {L"999999999999999", 999'999'999'999'999},
        {L"1000000000000000", {}},
        {L"", {}},
        {L"12ab", {}},
        {L"-5", {}}};
    for (const auto& [text, minute] : cases) {
        EXPECT_EQ(ParseStoredMinute(text), minute) << ::testing::PrintToString(std::wstring(text));
    }
    FakeValues values;
    PlanFileLastMinute portable(values, L"D:\\Portable\\Values.xml");
    EXPECT_EQ(portable.Load(), 100);
    EXPECT_EQ(values.shared, std::nullopt);
    PlanFileLastMinute installed(values, L"C:\\Program Files\\Kestrel\\Values.xml");
    EXPECT_EQ(installed.Load(), std::nullopt) << "another copy's minute is not this one's";
    installed.Save(200);
    EXPECT_EQ(PlanFileLastMinute(values, L"d:/PORTABLE/values.XML").Load(), 100);
    EXPECT_EQ(installed.Load(), 200);
}

TEST(LastMinuteStore, TheOldSharedMinuteNeverOverwritesAnOwnOneAndStaysWhileItCannotBeCopied) {
    FakeValues values;
    values.named[MinuteValueName(L"D:\\Values.xml")] = L"300";
    PlanFileLastMinute own(values, L"D:\\Values.xml");
    EXPECT_EQ(own.Load(), 300);
    EXPECT_EQ(values.named[MinuteValueName(L"D:\\Values.xml")], L"300");

    FakeValues failing;
    failing.failWrites = true;
    PlanFileLastMinute copying(failing, L"D:\\Values.xml");
    EXPECT_EQ(copying.Load(), 100) << "the shared minute stands in for the own one";
    EXPECT_EQ(failing.shared, L"100") << "kept until it is copied";
}

} // namespace
} // namespace kestrel
