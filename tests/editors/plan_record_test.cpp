// Building a plan from an editor's entries: what each entry gives, which message a refusal shows, and
// the order in which the checks speak.
#include "editors/plan_record.h"

#include "base/texts.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

LocalDateTime At(int hour, int minute, int second = 0) {
    LocalDateTime now;
    now.hour = hour;
    now.minute = minute;
    now.second = second;
    return now;
}

PlanEntries Fixed(std::wstring time) {
    PlanEntries entries;
    entries.time = std::move(time);
    entries.operation = text::kOpShutdown;
    return entries;
}
PlanEntries Countdown(std::wstring time) {
    PlanEntries entries = Fixed(std::move(time));
    entries.countdown = true;
    return entries;
}
PlanEntries Repeating(PlanEntries entries, int type, Weekdays days) {
    entries.repeats = true;
    entries.repeatType = type;
    entries.weekdays = days;
    return entries;
}
PlanEntries With(PlanEntries entries, bool ticked, std::wstring textEntry) {
    entries.optionTicked = ticked;
    entries.text = std::move(textEntry);
    return entries;
}

constexpr Weekdays kNoDay{};
constexpr Weekdays kMonWedSun{true, false, true, false, false, false, true};

struct Case {
    const char* name;
    EditorKind kind;
    PlanEntries entries;
    LocalDateTime now;
    bool answer;            // to the past-time question
    bool asked;             // whether the question came
    PlanRow expected;       // empty when nothing is added
    const wchar_t* message; // the refusal's message, nullptr for none
};

PlanRow Power(const wchar_t* time, const wchar_t* repeat = text::kRepeatOnce) {
    return MakePlanRow(text::kKindPower, time, text::kOpShutdown, text::kStatusEnabled, repeat,
                       text::kPowerPlanInfo);
}

TEST(RepeatTypeTicks, EachPresetTicksItsDaysAndCustomLeavesTheBoxes) {
    const struct {
        int type;
        const char* days; // Monday to Sunday, x = ticked; nullptr: the boxes are left to the user
    } cases[] = {
        {0, "xxxxxxx"}, // 每天
        {1, "xxxxx.."}, // 工作日（5天）
        {2, "xxxxxx."}, // 工作日（6天）
        {3, "......x"}, // 周末（1天）
        {4, ".....xx"}, // 周末（2天）
        {5, nullptr},   // 自定义
        {6, nullptr},   {-1, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        const auto ticks = RepeatTypeTicks(c.type);
        ASSERT_EQ(ticks.has_value(), c.days != nullptr);
        if (ticks) {
            std::string shown;
            for (bool day : *ticks) {
                shown += day ? 'x' : '.';
            }
            EXPECT_EQ(shown, c.days);
        }
    }
}

TEST(BuildPlanRecord, EntriesGiveTheRowOrTheRightMessage) {
    const PlanRow none;
    const Case cases[] = {
        {"last minute of the day", EditorKind::Shutdown, Fixed(L"23:59"), At(12, 0), false, false,
         Power(L"23:59"), nullptr},
        {"hour 24", EditorKind::Shutdown, Fixed(L"24:00"), At(12, 0), true, false, none, text::kMsgBadTime},
        {"minute 60", EditorKind::Shutdown, Fixed(L"12:60"), At(12, 0), true, false, none, text::kMsgBadTime},
        {"countdown hour 24", EditorKind::Shutdown, Countdown(L"24:00"), At(12, 0), true, false, none,
         text::kMsgBadTime},
        {"countdown minute 60", EditorKind::Shutdown, Countdown(L"00:60"), At(12, 0), true, false, none,
         text::kMsgBadTime},
        {"blank field", EditorKind::Shutdown, Fixed(L"  :  "), At(12, 0), true, false, none,
         text::kMsgBadTime},
        {"blank digit", EditorKind::Shutdown, Countdown(L" 9:30"), At(12, 0), true, false, none,
         text::kMsgBadTime},
        {"bad time before no weekday", EditorKind::Shutdown, Repeating(Fixed(L"25:00"), 5, kNoDay), At(12, 0),
         true, false, none, text::kMsgBadTime},
        {"bad countdown before no weekday", EditorKind::Shutdown, Repeating(Countdown(L"25:00"), 5, kNoDay),
         At(12, 0), true, false, none, text::kMsgBadTime},
        {"bad time before empty path", EditorKind::Run, With(Fixed(L"12:60"), false, L""), At(12, 0), true,
         false, none, text::kMsgBadTime},
        {"empty path", EditorKind::Run, With(Fixed(L"13:00"), false, L""), At(12, 0), true, false, none,
         text::kMsgNoProgram},
        {"blank path is a path", EditorKind::Run, With(Fixed(L"13:00"), true, L" "), At(12, 0), true, false,
         MakePlanRow(text::kKindRun, L"13:00", text::kOpRunHidden, text::kStatusEnabled, text::kRepeatOnce,
                     L" "),
         nullptr},
        {"current minute asks nothing", EditorKind::Shutdown, Fixed(L"12:00"), At(12, 0, 59), false, false,
         Power(L"12:00"), nullptr},
        {"earlier, answered No", EditorKind::Shutdown, Fixed(L"11:59"), At(12, 0), false, true, none,
         nullptr},
        {"earlier, answered Yes", EditorKind::Shutdown, Fixed(L"11:59"), At(12, 0), true, true,
         Power(L"11:59"), nullptr},
        {"weekday check after the question", EditorKind::Shutdown, Repeating(Fixed(L"00:00"), 0, kNoDay),
         At(12, 0), true, true, none, text::kMsgNoWeekday},
        {"每天 with nothing ticked", EditorKind::Shutdown, Repeating(Fixed(L"13:00"), 0, kNoDay), At(12, 0),
         true, false, none, text::kMsgNoWeekday},
        {"countdown over midnight", EditorKind::Shutdown, Countdown(L"01:00"), At(23, 30), false, false,
         Power(L"00:30"), nullptr},
        {"countdown of nothing", EditorKind::Shutdown, Countdown(L"00:00"), At(12, 34, 56), false, false,
         Power(L"12:34"), nullptr},
        {"countdown never asks", EditorKind::Shutdown, Countdown(L"23:59"), At(0, 1), false, false,
         Power(L"00:00"), nullptr},
        {"custom days", EditorKind::Shutdown, Repeating(Fixed(L"13:00"), 5, kMonWedSun), At(12, 0), false,
         false, Power(L"13:00", L"一 三 天 "), nullptr},
        {"每天", EditorKind::Shutdown, Repeating(Fixed(L"13:00"), 0, kMonWedSun), At(12, 0), false, false,
         Power(L"13:00", L"每天"), nullptr},
        {"工作日（5天）", EditorKind::Shutdown, Repeating(Fixed(L"13:00"), 1, kMonWedSun), At(12, 0), false,
         false, Power(L"13:00", L"工作日（5天）"), nullptr},
        {"工作日（6天）", EditorKind::Shutdown, Repeating(Fixed(L"13:00"), 2, kMonWedSun), At(12, 0), false,
         false, Power(L"13:00", L"工作日（6天）"), nullptr},
        {"周末（1天）", EditorKind::Shutdown, Repeating(Fixed(L"13:00"), 3, kMonWedSun), At(12, 0), false,
         false, Power(L"13:00", L"周末（1天）"), nullptr},
        {"周末（2天）", EditorKind::Shutdown, Repeating(Fixed(L"13:00"), 4, kMonWedSun), At(12, 0), false,
         false, Power(L"13:00", L"周末（2天）"), nullptr},
        {"music reminder", EditorKind::Reminder, With(Fixed(L"13:00"), true, L" <a&b>\r\n\"x\" "), At(12, 0),
         false, false,
         MakePlanRow(text::kKindReminder, L"13:00", text::kOpPlayMusic, text::kStatusEnabled,
                     text::kRepeatOnce, L" <a&b>\r\n\"x\" "),
         nullptr},
        {"empty text reminder", EditorKind::Reminder, With(Fixed(L"13:00"), false, L""), At(12, 0), false,
         false,
         MakePlanRow(text::kKindReminder, L"13:00", text::kOpTextMessage, text::kStatusEnabled,
                     text::kRepeatOnce, L""),
         nullptr},
        {"normal run", EditorKind::Run, With(Fixed(L"13:00"), false, L"C:\\a b\\c.exe"), At(12, 0), false,
         false,
         MakePlanRow(text::kKindRun, L"13:00", text::kOpRunNormal, text::kStatusEnabled, text::kRepeatOnce,
                     L"C:\\a b\\c.exe"),
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const FixedClock clock(c.now);
        bool asked = false;
        const PlanRecordResult result = BuildPlanRecord(c.kind, c.entries, clock, [&] {
            asked = true;
            return c.answer;
        });
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(result.record.value_or(PlanRow{}), c.expected);
        EXPECT_EQ(result.record.has_value(), c.expected != PlanRow{});
        if (!result.record) {
            const wchar_t* message = RefusalMessage(result.refusal);
            EXPECT_EQ(std::wstring(message ? message : L"-"), std::wstring(c.message ? c.message : L"-"));
        }
    }
}

// The label beside the time field in 延时操作 mode names the time the plan would get, across midnight too,
// and nothing while the field holds no time.
TEST(CountdownTargetText, NamesTheTimeThePlanWouldGet) {
    EXPECT_EQ(CountdownTargetText(L"14:26", At(14, 30, 59)), L"→ 04:56");
    EXPECT_EQ(CountdownTargetText(L"00:00", At(9, 5)), L"→ 09:05");
    EXPECT_EQ(CountdownTargetText(L"__:30", At(9, 5)), L"");
    const FixedClock clock(At(14, 30, 59));
    const auto built = BuildPlanRecord(EditorKind::Shutdown, Countdown(L"14:26"), clock, {});
    ASSERT_TRUE(built.record);
    EXPECT_EQ(L"→ " + (*built.record)[PlanColumn::Time], CountdownTargetText(L"14:26", clock.Now()));
}

} // namespace
} // namespace kestrel
