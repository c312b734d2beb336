// The three plan editors of tabs 1 to 3: the user fills one in, presses "添加到计划列表", answers what
// it says, and the plan appears on the plan list page and in Values.xml at once.
#include "driver.h"

#include "base/command_ids.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

constexpr wchar_t kPowerInfo[] = L"到时间对计算机进行指令操作。";

class PlanEditors : public testing::Test {
protected:
    void SetUp() override {
        kestrel_ = std::make_unique<KestrelProcess>(sandbox_);
        main_ = kestrel_->WaitForIdleMainWindow();
        ASSERT_NE(main_, nullptr);
        list_ = WaitForDescendant(main_, ids::kPlanListView);
        ASSERT_NE(list_, nullptr);
    }

    HWND Page(unsigned pageId) const { return FindDescendant(main_, static_cast<int>(pageId)); }
    static HWND In(HWND page, unsigned id) { return FindDescendant(page, static_cast<int>(id)); }
    static void SetText(HWND control, const wchar_t* text) {
        SendWithTimeout(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    }
    static void Click(HWND page, unsigned id) {
        PostClick(In(page, id));
        RoundTrip(page);
    }
    static void ChooseRepeatType(HWND page, int type) {
        HWND combo = In(page, ids::kEditorRepeatType);
        SendWithTimeout(combo, CB_SETCURSEL, type);
        PostMessageW(page, WM_COMMAND, MAKEWPARAM(ids::kEditorRepeatType, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
        RoundTrip(page);
    }
    // Presses "添加到计划列表", answers the box that comes with `answer`; returns its text.
    std::wstring Add(HWND page, int answer = IDOK) const {
        PostClick(In(page, ids::kEditorAdd));
        const auto box = WaitForMessageBox(kestrel_->Id());
        if (!box) {
            return L"(no message box)";
        }
        EXPECT_EQ(box->owner, main_);
        EXPECT_TRUE(box->Press(answer));
        return box->text;
    }
    // Answers the next box with `answer`; returns its text.
    std::wstring Answer(int answer) const {
        const auto box = WaitForMessageBox(kestrel_->Id());
        if (!box) {
            return L"(no message box)";
        }
        EXPECT_TRUE(box->Press(answer));
        return box->text;
    }
    ::testing::AssertionResult ShownAndSaved(const std::vector<Row>& expected) const {
        return ListAndFileHold(list_, sandbox_, expected);
    }

    Sandbox sandbox_;
    std::unique_ptr<KestrelProcess> kestrel_;
    HWND main_ = nullptr;
    HWND list_ = nullptr;
};

TEST_F(PlanEditors, ShutdownPlansAfterTheChecksAndTheQuestion) {
    HWND page = Page(ids::kShutdownEditorPage);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(WindowText(In(page, ids::kEditorOperation)), L"关闭计算机");
    EXPECT_EQ(WindowText(In(page, ids::kEditorRepeatType)), L"自定义");
    EXPECT_FALSE(IsWindowEnabled(In(page, ids::kEditorRepeatType)));

    SetText(In(page, ids::kEditorTimeField), L"24:00");
    EXPECT_EQ(Add(page), L"时间采用24小时规范，请输入24小时以内的时间。");

    // 00:00 lies before now, except in the first minute of the day.
    WaitUntil(
        [] {
            SYSTEMTIME now{};
            GetLocalTime(&now);
            return now.wHour != 0 || now.wMinute != 0;
        },
        65s);
    SetText(In(page, ids::kEditorTimeField), L"00:00");
    EXPECT_EQ(Add(page, IDNO), L"操作时间小于当前时间，您是要明天操作吗？");
    RoundTrip(page);
    EXPECT_FALSE(FindMessageBox(kestrel_->Id()).has_value());
    EXPECT_EQ(Add(page, IDYES), L"操作时间小于当前时间，您是要明天操作吗？");
    EXPECT_EQ(WaitForMessageBox(kestrel_->Id()).value_or(MessageBoxWindow{}).text, L"定时关机计划添加成功！");
    FindMessageBox(kestrel_->Id())->Press(IDOK);

    SendWithTimeout(In(page, ids::kEditorOperation), CB_SETCURSEL, 2);
    Click(page, ids::kEditorRepeatPlan);
    ChooseRepeatType(page, 1);
    SetText(In(page, ids::kEditorTimeField), L"23:59");
    EXPECT_EQ(Add(page), L"定时关机计划添加成功！");
    EXPECT_TRUE(
        ShownAndSaved({{L"关机操作", L"00:00", L"关闭计算机", L"启用", L"执行一次", kPowerInfo},
                       {L"关机操作", L"23:59", L"锁定计算机", L"启用", L"工作日（5天）", kPowerInfo}}));
}

TEST_F(PlanEditors, ReminderPlansOnChosenDaysAndTwiceTheSame) {
    HWND page = Page(ids::kReminderEditorPage);
    ASSERT_NE(page, nullptr);
    SetText(In(page, ids::kEditorTimeField), L"23:59");
    Click(page, ids::kEditorRepeatPlan);
    EXPECT_EQ(Add(page), L"请选择一天进行提醒！");

    // A preset ticks its days; 自定义 then keeps them for the user to change.
    ChooseRepeatType(page, 1);
    ChooseRepeatType(page, 5);
    EXPECT_EQ(Add(page), L"定时提醒计划添加成功！");

    const wchar_t* message = L"  <b>&\"引号\" 'x'  ";
    SetText(In(page, ids::kEditorText), message);
    Click(page, ids::kEditorOption);
    EXPECT_EQ(Add(page), L"定时提醒计划添加成功！");
    EXPECT_EQ(Add(page), L"定时提醒计划添加成功！");
    EXPECT_EQ(WindowText(In(page, ids::kEditorTimeField)), L"23:59");
    const Row music{L"定时提醒", L"23:59", L"播放音乐", L"启用", L"一 二 三 四 五 ", message};
    EXPECT_TRUE(ShownAndSaved(
        {{L"定时提醒", L"23:59", L"文字提示", L"启用", L"一 二 三 四 五 ", L"提示信息，时间到了。"},
         music,
         music}));
}

TEST_F(PlanEditors, RunPlansNeedAProgram) {
    HWND page = Page(ids::kRunEditorPage);
    ASSERT_NE(page, nullptr);
    SetText(In(page, ids::kEditorTimeField), L"24:00");
    EXPECT_EQ(Add(page), L"时间采用24小时规范，请输入24小时以内的时间。");
    SetText(In(page, ids::kEditorTimeField), L"23:59");
    EXPECT_EQ(Add(page), L"程序未指明，请选取程序！");

    // A program that is not there is questioned; No adds nothing, Yes adds the plan as typed.
    const std::wstring question = L"找不到这个程序：\nC:\\不存在\\a b.exe\n\n请填写程序的完整路径（例如 "
                                  L"C:\\工具\\程序.exe），否则到时间时它将无法启动。\n\n仍要添加这个计划吗？";
    SetText(In(page, ids::kEditorText), L"C:\\不存在\\a b.exe");
    Click(page, ids::kEditorOption);
    EXPECT_EQ(Add(page, IDNO), question);
    EXPECT_FALSE(FindMessageBox(kestrel_->Id()));
    EXPECT_EQ(Add(page, IDYES), question);
    EXPECT_EQ(Answer(IDOK), L"定时运行计划添加成功！");
    // So is a bare name, which is never looked up; an existing file by its full path is not.
    SetText(In(page, ids::kEditorText), L"notepad.exe");
    EXPECT_EQ(Add(page, IDNO).rfind(L"找不到这个程序：\nnotepad.exe\n", 0), 0u);
    const std::wstring kestrelExe = sandbox_.Exe().wstring();
    SetText(In(page, ids::kEditorText), kestrelExe.c_str());
    EXPECT_EQ(Add(page), L"定时运行计划添加成功！");
    EXPECT_TRUE(ShownAndSaved({{L"定时运行", L"23:59", L"隐藏运行", L"启用", L"执行一次", L"C:\\不存在\\a b.exe"},
                               {L"定时运行", L"23:59", L"隐藏运行", L"启用", L"执行一次", kestrelExe}}));
}

} // namespace
} // namespace kestrel::e2e
