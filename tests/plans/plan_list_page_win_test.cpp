// The plan list page inside a stand-in panel: the virtual list view shows the model, and the pop-up
// commands change it (with the confirmations answered from a helper thread).
#include "plans/plan_list_page_win.h"

#include "base/command_ids.h"
#include "base/texts.h"
#include "platform/dpi_win.h"
#include "plans/scheduler.h"
#include "support/message_box_answerer_win.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace kestrel::win {
namespace {

using kestrel::testing::MessageBoxAnswerer;

PlanRow Plan(const wchar_t* time, const wchar_t* info) {
    return MakePlanRow(text::kKindReminder, time, text::kOpTextMessage, text::kStatusEnabled, L"一 三 五 ",
                       info);
}

class PlanListPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        panel_ = ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 620, 300, nullptr, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(panel_, nullptr);
        page_ = std::make_unique<PlanListPage>(plans_, [this] { return panel_; });
        ASSERT_TRUE(page_->Create(panel_));
    }
    void TearDown() override {
        page_.reset();
        ::DestroyWindow(panel_);
    }

    std::wstring Cell(int item, int column) {
        wchar_t buffer[256] = {};
        ListView_GetItemText(page_->listView(), item, column, buffer, 256);
        return buffer;
    }
    int Rows() { return ListView_GetItemCount(page_->listView()); }
    void Select(int item) {
        ListView_SetItemState(page_->listView(), item, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
    }
    int Selected() { return ListView_GetNextItem(page_->listView(), -1, LVNI_SELECTED); }
    void Command(unsigned id) { ::SendMessageW(page_->hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }

    PlanList plans_;
    HWND panel_ = nullptr;
    std::unique_ptr<PlanListPage> page_;
};

// Every header shows whole (its text and the header's margins of 6 pixels a side at 96 dpi), no column is
// narrower than designed, and the last one ends at the list's edge, less room for a scroll bar.
void ExpectHeadersWholeAndTheListFilled(HWND list, int dpi) {
    const int designedTwips[] = {1440, 800, 1440, 500, 1440};
    int right = 0;
    for (int i = 0; i < 6; ++i) {
        wchar_t caption[64] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = caption;
        column.cchTextMax = 64;
        ASSERT_TRUE(ListView_GetColumn(list, i, &column)) << i;
        EXPECT_GE(column.cx, ListView_GetStringWidth(list, caption) + ::MulDiv(12, dpi, 96)) << i;
        if (i < 5) {
            EXPECT_GE(column.cx, ::MulDiv(designedTwips[i], dpi, 1440)) << i;
        }
        right += column.cx;
    }
    RECT client{};
    ::GetClientRect(list, &client);
    EXPECT_EQ(right, client.right - ::GetSystemMetrics(SM_CXVSCROLL));
}

TEST_F(PlanListPageTest, IsABareChildWithTheSixCaptionedColumns) {
    const LONG style = ::GetWindowLongW(page_->hwnd(), GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_FALSE(style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME));
    EXPECT_EQ(::GetDlgCtrlID(page_->listView()), static_cast<int>(ids::kPlanListView));

    const wchar_t* captions[] = {L"计划名称", L"操作时间", L"操作类型", L"状态", L"重复", L"附加信息"};
    const int formats[] = {LVCFMT_LEFT,   LVCFMT_CENTER, LVCFMT_CENTER,
                           LVCFMT_CENTER, LVCFMT_LEFT,   LVCFMT_LEFT};
    for (int i = 0; i < 6; ++i) {
        wchar_t caption[64] = {};
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_FMT;
        column.pszText = caption;
        column.cchTextMax = 64;
        ASSERT_TRUE(ListView_GetColumn(page_->listView(), i, &column)) << i;
        EXPECT_STREQ(caption, captions[i]);
        EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, formats[i]) << i;
    }
    EXPECT_FALSE(ListView_GetColumn(page_->listView(), 6, nullptr));
    ExpectHeadersWholeAndTheListFilled(page_->listView(), DpiForWindow(page_->hwnd()));
}

TEST_F(PlanListPageTest, LaysItselfOutAgainForANewDpi) {
    ::SendMessageW(page_->hwnd(), WM_DPICHANGED_AFTERPARENT, 192, 0);
    RECT list{};
    ::GetWindowRect(page_->listView(), &list);
    EXPECT_EQ(list.right - list.left, 1142);
    EXPECT_EQ(list.bottom - list.top, 438);
    ExpectHeadersWholeAndTheListFilled(page_->listView(), 192);
}

TEST_F(PlanListPageTest, ShowsTheModelAndFollowsItsChanges) {
    plans_.Append(Plan(L"08:05", L"<早餐> & \"牛奶\""));
    plans_.Append(Plan(L"23:59", L"b"));
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(0, 0), L"定时提醒");
    EXPECT_EQ(Cell(0, 1), L"08:05");
    EXPECT_EQ(Cell(0, 4), L"一 三 五 ");
    EXPECT_EQ(Cell(0, 5), L"<早餐> & \"牛奶\"");
    plans_.SetStatus(2, text::kStatusDisabled);
    EXPECT_EQ(Cell(1, 3), L"禁用");
    plans_.Remove(1);
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(Cell(0, 5), L"b");
    plans_.RemoveAll();
    EXPECT_EQ(Rows(), 0);
}

TEST_F(PlanListPageTest, ACellCutShortShowsItsWholeTextOverItAndDisabledPlansAreGrey) {
    const std::wstring longText(80, L'长');
    plans_.Append(Plan(L"08:05", longText.c_str()));
    plans_.Append(Plan(L"09:00", L"短"));
    plans_.SetStatus(2, text::kStatusDisabled);
    const HWND list = page_->listView();
    const auto tipText = [&] {
        wchar_t shown[256] = {};
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.hwnd = page_->hwnd();
        tool.uId = reinterpret_cast<UINT_PTR>(list);
        tool.lpszText = shown;
        ::SendMessageW(page_->cellTip(), TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
        return std::wstring(shown);
    };
    const auto hover = [&](int item, int column) {
        RECT cell{};
        ListView_GetSubItemRect(list, item, column, LVIR_LABEL, &cell);
        ::SendMessageW(list, WM_MOUSEMOVE, 0, MAKELPARAM(cell.left + 4, (cell.top + cell.bottom) / 2));
        return cell;
    };
    const struct {
        const char* name;
        int item, column;
        bool shown;
    } cases[] = {
        {"cut message", 0, 5, true},
        {"time that fits", 0, 1, false},
        {"message that fits", 1, 5, false},
        {"cut message again", 0, 5, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RECT cell = hover(c.item, c.column);
        EXPECT_EQ(::IsWindowVisible(page_->cellTip()) != FALSE, c.shown);
        if (c.shown) {
            EXPECT_EQ(tipText(), longText);
            RECT tip{};
            ::GetWindowRect(page_->cellTip(), &tip);
            POINT corner{cell.left, cell.top};
            ::ClientToScreen(list, &corner);
            EXPECT_LE(std::abs(tip.top - corner.y), 4) << "the tip lies over its cell";
        }
    }
    ::SendMessageW(list, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(::IsWindowVisible(page_->cellTip()));

    // The colour each row is drawn in: the grey of disabled text for a disabled plan only.
    for (int item = 0; item < 2; ++item) {
        NMLVCUSTOMDRAW draw{};
        draw.nmcd.hdr.hwndFrom = list;
        draw.nmcd.hdr.idFrom = ids::kPlanListView;
        draw.nmcd.hdr.code = NM_CUSTOMDRAW;
        draw.nmcd.dwDrawStage = CDDS_PREPAINT;
        EXPECT_EQ(
            ::SendMessageW(page_->hwnd(), WM_NOTIFY, ids::kPlanListView, reinterpret_cast<LPARAM>(&draw)),
            CDRF_NOTIFYITEMDRAW);
        draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
        draw.nmcd.dwItemSpec = static_cast<DWORD_PTR>(item);
        draw.clrText = RGB(1, 2, 3);
        ::SendMessageW(page_->hwnd(), WM_NOTIFY, ids::kPlanListView, reinterpret_cast<LPARAM>(&draw));
        EXPECT_EQ(draw.clrText, item == 1 ? ::GetSysColor(COLOR_GRAYTEXT) : RGB(1, 2, 3)) << item;
    }
}

TEST_F(PlanListPageTest, SingleRowCommandsActOnTheSelectedRowOnly) {
    plans_.AppendAll({Plan(L"01:00", L"a"), Plan(L"02:00", L"b"), Plan(L"03:00", L"c")});

    Command(ids::kCmdPlanDisable); // nothing selected: nothing happens
    Command(ids::kCmdPlanDelete);
    ASSERT_EQ(plans_.Count(), 3u);
    for (const PlanRow& row : plans_.Rows()) {
        EXPECT_EQ(row[PlanColumn::Status], text::kStatusEnabled);
    }

    Select(1);
    Command(ids::kCmdPlanDisable);
    EXPECT_EQ((*plans_.Find(2))[PlanColumn::Status], text::kStatusDisabled);
    EXPECT_EQ((*plans_.Find(1))[PlanColumn::Status], text::kStatusEnabled);
    Command(ids::kCmdPlanEnable);
    EXPECT_EQ((*plans_.Find(2))[PlanColumn::Status], text::kStatusEnabled);

    Command(ids::kCmdPlanDelete);
    ASSERT_EQ(plans_.Count(), 2u);
    EXPECT_EQ((*plans_.Find(2))[PlanColumn::Info], L"c");
    EXPECT_EQ(Selected(), -1) << "the deleted row's selection must not jump to its neighbour";
}

TEST_F(PlanListPageTest, SelectionFollowsItsPlanWhenARowAboveIsRemoved) {
    plans_.AppendAll({Plan(L"01:00", L"a"), Plan(L"02:00", L"b"), Plan(L"03:00", L"c")});
    Select(2);
    plans_.Remove(1); // e.g. the scheduler removing a fired once-only plan
    EXPECT_EQ(Selected(), 1);
    Command(ids::kCmdPlanDisable);
    EXPECT_EQ((*plans_.Find(2))[PlanColumn::Info], L"c");
    EXPECT_EQ((*plans_.Find(2))[PlanColumn::Status], text::kStatusDisabled);
}

TEST_F(PlanListPageTest, SelectionFollowsItsPlanWhenRowsArePutInBefore) {
    plans_.AppendAll({Plan(L"01:00", L"a"), Plan(L"02:00", L"b")});
    Select(1);
    plans_.InsertAllAtFront({Plan(L"03:00", L"x"), Plan(L"04:00", L"y")}); // a plan file read late
    EXPECT_EQ(ListView_GetNextItem(page_->listView(), -1, LVNI_FOCUSED), 3);
    Command(ids::kCmdPlanDelete);
    ASSERT_EQ(plans_.Count(), 3u);
    EXPECT_EQ((*plans_.Find(3))[PlanColumn::Info], L"a");
}

TEST_F(PlanListPageTest, SelectionAndFocusFollowTheirPlansWhereverARowIsRemoved) {
    const struct {
        const char* name;
        int selected, focused; // before; -1 for none
        std::size_t remove;    // 1-based; 0 removes all
        int selectedAfter, focusedAfter;
    } cases[] = {
        {"row above", 2, 2, 1, 1, 1},
        {"row below", 1, 1, 3, 1, 1},
        {"last row, below", 1, 1, 4, 1, 1},
        {"focus apart from the selection", 0, 3, 2, 0, 2},
        {"the selected row: nothing selected, focus on the row in its place", 2, 2, 3, -1, 2},
        {"the selected last row: focus on the new last", 3, 3, 4, -1, 2},
        {"nothing selected", -1, -1, 2, -1, -1},
        {"all rows", 0, 0, 0, -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        plans_.RemoveAll();
        plans_.AppendAll(
            {Plan(L"01:00", L"a"), Plan(L"02:00", L"b"), Plan(L"03:00", L"c"), Plan(L"04:00", L"d")});
        if (c.focused >= 0) {
            ListView_SetItemState(page_->listView(), c.focused, LVIS_FOCUSED, LVIS_FOCUSED);
        }
        if (c.selected >= 0) {
            ListView_SetItemState(page_->listView(), c.selected, LVIS_SELECTED, LVIS_SELECTED);
        }
        if (c.remove != 0) {
            plans_.Remove(c.remove);
        } else {
            plans_.RemoveAll();
        }
        EXPECT_EQ(Selected(), c.selectedAfter);
        EXPECT_EQ(ListView_GetSelectedCount(page_->listView()), c.selectedAfter >= 0 ? 1u : 0u);
        EXPECT_EQ(ListView_GetNextItem(page_->listView(), -1, LVNI_FOCUSED), c.focusedAfter);
    }
}

TEST_F(PlanListPageTest, TypingJumpsToTheNextPlanWhoseNameStartsWithTheLetter) {
    for (const wchar_t* name : {L"Bravo", L"alpha", L"beta"}) {
        plans_.Append(MakePlanRow(name, L"01:00", text::kOpTextMessage, text::kStatusEnabled, L"", L""));
    }
    Select(0);
    ::SendMessageW(page_->listView(), WM_CHAR, L'b', 1);
    EXPECT_EQ(Selected(), 2) << "from the row after the current one, ignoring case";
}

struct AllRowsCase {
    unsigned command;
    const wchar_t* question;
};

class PlanListPageAllRows : public PlanListPageTest, public ::testing::WithParamInterface<AllRowsCase> {};

TEST_P(PlanListPageAllRows, AsksFirstAndActsOnlyOnYes) {
    plans_.AppendAll({Plan(L"01:00", L"a"), Plan(L"02:00", L"b")});
    plans_.SetStatus(1, text::kStatusDisabled);
    const std::vector<PlanRow> before = plans_.Rows();

    {
        MessageBoxAnswerer no(IDNO);
        Command(GetParam().command);
        EXPECT_EQ(no.Text(), GetParam().question);
    }
    EXPECT_EQ(plans_.Rows(), before);

    {
        MessageBoxAnswerer yes(IDYES);
        Command(GetParam().command);
        EXPECT_EQ(yes.Text(), GetParam().question);
    }
    switch (GetParam().command) {
    case ids::kCmdPlanDeleteAll:
        EXPECT_EQ(plans_.Count(), 0u);
        EXPECT_EQ(Rows(), 0);
        break;
    default:
        const wchar_t* expected =
            GetParam().command == ids::kCmdPlanEnableAll ? text::kStatusEnabled : text::kStatusDisabled;
        ASSERT_EQ(plans_.Count(), 2u);
        for (const PlanRow& row : plans_.Rows()) {
            EXPECT_EQ(row[PlanColumn::Status], expected);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, PlanListPageAllRows,
    ::testing::Values(AllRowsCase{ids::kCmdPlanEnableAll, L"您确定要启用所有的计划吗？"},
                      AllRowsCase{ids::kCmdPlanDisableAll, L"您确定要禁用所有的计划吗？"},
                      AllRowsCase{ids::kCmdPlanDeleteAll, L"您确定要删除所有的计划吗？"}));

// Opens the page's pop-up menu as a right-click on the list does, reads the state of each entry while
// the menu is up (from a helper thread, through the menu window), and closes it with Escape.
std::vector<UINT> PopupMenuStates(HWND page, HWND listView) {
    std::vector<UINT> states;
    std::thread reader([&states] {
        for (int attempt = 0; attempt < 500; ++attempt) {
            HWND menuWindow = ::FindWindowW(L"#32768", nullptr);
            if (menuWindow && ::IsWindowVisible(menuWindow)) {
                auto menu = reinterpret_cast<HMENU>(::SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
                for (int i = 0; menu && i < ::GetMenuItemCount(menu); ++i) {
                    states.push_back(::GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION));
                }
                ::PostMessageW(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
                return;
            }
            ::Sleep(10);
        }
    });
    RECT place{};
    ::GetWindowRect(listView, &place);
    ::SendMessageW(page, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(listView),
                   MAKELPARAM(place.left + 20, place.top + 40));
    reader.join();
    return states;
}

TEST_F(PlanListPageTest, PopupMenuOffersItsCommandsOnlyWhenThereArePlans) {
    ::ShowWindow(panel_, SW_SHOW);
    const std::vector<UINT> empty = PopupMenuStates(page_->hwnd(), page_->listView());
    ASSERT_EQ(empty.size(), 7u);
    for (std::size_t i = 0; i < empty.size(); ++i) {
        if (i == 3) {
            EXPECT_TRUE(empty[i] & MF_SEPARATOR);
        } else {
            EXPECT_TRUE(empty[i] & MF_GRAYED) << "entry " << i;
        }
    }

    plans_.Append(Plan(L"01:00", L"a")); // no row selected: still offered
    const std::vector<UINT> withRows = PopupMenuStates(page_->hwnd(), page_->listView());
    ASSERT_EQ(withRows.size(), 7u);
    for (std::size_t i = 0; i < withRows.size(); ++i) {
        if (i != 3) {
            EXPECT_FALSE(withRows[i] & (MF_GRAYED | MF_DISABLED)) << "entry " << i;
        }
    }
}

// Runs the std::function in `run` on each WM_TIMER.
LRESULT CALLBACK RunOnTimer(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR run) {
    if (message == WM_TIMER) {
        (*reinterpret_cast<std::function<void()>*>(run))();
        return 0;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

// Timer ticks go on while a confirmation is open, so a pass can remove a fired once-only plan meanwhile:
// the single-row command chosen afterwards still acts on the plan the user had selected. The ticks come to
// a window of their own, as they come to the main window in the program.
TEST_F(PlanListPageTest, APlanFiringWhileAConfirmationIsOpenLeavesTheSelectionOnItsPlan) {
    struct NoActions final : PlanActions {
        int powers = 0;
        void StartPowerCountdown(const std::wstring&) override { ++powers; }
        void ShowReminder(const std::wstring&, const std::wstring&, const std::optional<LocalDateTime>&) override {}
        void StartProgram(const std::wstring&, const std::wstring&) override {}
        void Report(const std::wstring&) override {}
        std::wstring OpenCountdown() override { return {}; }
        void CancelCountdown() override {}
    } actions;
    FixedClock clock(LocalDateTime{2026, 12, 7, 22, 30, 5, 1});
    Scheduler scheduler(plans_, clock, actions);
    std::function<void()> pass = [&] { scheduler.RunPass(); };
    HWND ticks = ::CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ::SetWindowSubclass(ticks, &RunOnTimer, 1, reinterpret_cast<DWORD_PTR>(&pass));
    const PlanRow fires = MakePlanRow(text::kKindPower, L"22:30", text::kOpShutdown, text::kStatusEnabled,
                                      text::kRepeatOnce, text::kPowerPlanInfo);
    plans_.AppendAll({Plan(L"08:00", L"B"), Plan(L"09:00", L"C"), fires});
    Select(1); // C, above the plan that fires

    std::thread user([&] {
        for (int wait = 0; wait < 500; ++wait) {
            HWND box = ::FindWindowW(L"#32770", text::kAppTitle);
            if (box && ::IsWindowVisible(box)) {
                ::PostMessageW(ticks, WM_TIMER, 1, 0); // a tick of the timer while the box is open
                ::Sleep(200);
                ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(box, IDNO)));
                return;
            }
            ::Sleep(10);
        }
    });
    Command(ids::kCmdPlanDeleteAll);
    user.join();
    ::DestroyWindow(ticks);
    EXPECT_EQ(actions.powers, 1);
    ASSERT_EQ(plans_.Count(), 2u) << "the fired once-only plan is gone, No kept the rest";
    Command(ids::kCmdPlanDelete);
    EXPECT_EQ(plans_.Rows(), std::vector<PlanRow>{Plan(L"08:00", L"B")});
}

} // namespace
} // namespace kestrel::win
