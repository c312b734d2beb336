// The plan list page: the plans of a prepared plan file, and its pop-up commands with their
// confirmations. Every change reaches Values.xml at once.
#include "driver.h"

#include "base/command_ids.h"

#include <gtest/gtest.h>

namespace kestrel::e2e {
namespace {

std::vector<Row> WithStatus(std::vector<Row> rows, const std::wstring& status) {
    for (Row& row : rows) {
        row.at(3) = status;
    }
    return rows;
}

class PlanListPage : public testing::Test {
protected:
    void SetUp() override {
        sandbox_.WritePlanFile(SamplePlans());
        kestrel_ = std::make_unique<KestrelProcess>(sandbox_);
        main_ = kestrel_->WaitForIdleMainWindow();
        ASSERT_NE(main_, nullptr);
        list_ = WaitForDescendant(main_, ids::kPlanListView);
        ASSERT_NE(list_, nullptr);
        page_ = GetParent(list_);
    }

    std::vector<Row> Shown() const { return ReadListView(list_); }

    ::testing::AssertionResult ShownAndSaved(const std::vector<Row>& expected) const {
        return ListAndFileHold(list_, sandbox_, expected);
    }

    Sandbox sandbox_;
    std::unique_ptr<KestrelProcess> kestrel_;
    HWND main_ = nullptr;
    HWND list_ = nullptr;
    HWND page_ = nullptr;
};

TEST_F(PlanListPage, ShowsEveryCellOfThePlanFile) {
    EXPECT_EQ(ReadListViewColumns(list_), (std::vector<std::wstring>{L"计划名称", L"操作时间", L"操作类型",
                                                                     L"状态", L"重复", L"附加信息"}));
    EXPECT_EQ(Shown(), SamplePlans());
}

// Each all-rows command asks first; No changes nothing, Yes acts and the plan file follows.
TEST_F(PlanListPage, AllRowsCommandsAskAndActOnlyOnYes) {
    const struct {
        unsigned command;
        const wchar_t* question;
        std::vector<Row> afterYes;
    } steps[] = {
        {ids::kCmdPlanDisableAll, L"您确定要禁用所有的计划吗？", WithStatus(SamplePlans(), L"禁用")},
        {ids::kCmdPlanEnableAll, L"您确定要启用所有的计划吗？", WithStatus(SamplePlans(), L"启用")},
        {ids::kCmdPlanDeleteAll, L"您确定要删除所有的计划吗？", {}},
    };
    std::vector<Row> current = SamplePlans();
    for (const auto& step : steps) {
        SCOPED_TRACE(WideToUtf8(step.question));
        for (const int answer : {IDNO, IDYES}) {
            SCOPED_TRACE(answer == IDYES ? "answered Yes" : "answered No");
            PostCommand(page_, step.command);
            const auto box = WaitForMessageBox(kestrel_->Id());
            ASSERT_TRUE(box.has_value()) << "no message box titled Kestrel";
            EXPECT_EQ(WideToUtf8(box->text), WideToUtf8(step.question));
            EXPECT_EQ(box->owner, main_) << "the question should belong to the main window";
            EXPECT_TRUE(box->HasButton(IDYES) && box->HasButton(IDNO) && !box->HasButton(IDCANCEL));
            ASSERT_TRUE(box->Press(answer));
            ASSERT_TRUE(RoundTrip(main_));
            if (answer == IDNO) {
                EXPECT_EQ(Shown(), current);
                EXPECT_EQ(sandbox_.ReadPlanFile(), current);
            } else {
                current = step.afterYes;
                EXPECT_TRUE(ShownAndSaved(current));
            }
        }
    }
    EXPECT_TRUE(kestrel_->IsRunning());
}

TEST_F(PlanListPage, SelectedRowCommandsActOnTheSelectedRowOnly) {
    std::vector<Row> expected = SamplePlans();

    // Without a selection the single-row commands do nothing, ask nothing and do not stop the program.
    SelectListViewRow(list_, -1);
    for (unsigned command : {ids::kCmdPlanDisable, ids::kCmdPlanEnable, ids::kCmdPlanDelete}) {
        PostCommand(page_, command);
    }
    ASSERT_TRUE(RoundTrip(main_));
    EXPECT_EQ(Shown(), expected);
    EXPECT_FALSE(FindMessageBox(kestrel_->Id()).has_value());

    SelectListViewRow(list_, 0);
    PostCommand(page_, ids::kCmdPlanDisable);
    expected[0][3] = L"禁用";
    EXPECT_TRUE(ShownAndSaved(expected));

    SelectListViewRow(list_, 1);
    PostCommand(page_, ids::kCmdPlanEnable);
    expected[1][3] = L"启用";
    EXPECT_TRUE(ShownAndSaved(expected));

    PostCommand(page_, ids::kCmdPlanDelete);
    expected.erase(expected.begin() + 1);
    EXPECT_TRUE(ShownAndSaved(expected));
    EXPECT_FALSE(FindMessageBox(kestrel_->Id()).has_value()) << "single-row commands ask nothing";
    EXPECT_TRUE(kestrel_->IsRunning());
}

} // namespace
} // namespace kestrel::e2e
