// Form_计划列表: the plan list page. The list view is virtual: it holds no text of its own and asks the
// plan list for each cell as it paints, so thousands of plans cost nothing and the view can never
// disagree with the model.
#include "plans/plan_list_page_win.h"

#include "base/command_ids.h"
#include "base/texts.h"
#include "plans/plan_name_search.h"
#include "plans/plan_rows_text.h"
#include "platform/dpi_win.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <array>
#include <utility>

namespace kestrel::win {

namespace {


// LVFI_SUBSTRING, which newer systems send in place of LVFI_PARTIAL; MinGW's headers lack it.
constexpr UINT kFindSubstring = 0x0004;

// The list view's place in the page, in twips.
constexpr int kListLeftTwips = 60;
constexpr int kListTopTwips = 90;
constexpr int kListWidthTwips = 8565;
constexpr int kListHeightTwips = 3285;

// The designed widths are the least a column gets: one whose header text needs more gets what it
// needs, and the last column takes whatever room the others leave.
struct ColumnLayout {
    PlanColumn column;
    int widthTwips;
    int format;
};
// Room beside a header's or a cell's text: the control's margins on both sides.
constexpr int kTextMarginPx = 16;
constexpr std::array<ColumnLayout, kPlanColumnCount> kColumns{{
    {PlanColumn::Kind, 1440, LVCFMT_LEFT},
    {PlanColumn::Time, 800, LVCFMT_CENTER},
    {PlanColumn::Operation, 1440, LVCFMT_CENTER},
    {PlanColumn::Status, 500, LVCFMT_CENTER},
    {PlanColumn::Repeat, 1440, LVCFMT_LEFT},
    {PlanColumn::Info, 3000, LVCFMT_LEFT},
}};

struct MenuEntry {
    unsigned id; // 0 for the separator
    const wchar_t* caption;
};
constexpr std::array<MenuEntry, 7> kPopupMenu{{
    {ids::kCmdPlanEnable, text::kPlanMenuEnable},
    {ids::kCmdPlanDisable, text::kPlanMenuDisable},
    {ids::kCmdPlanDelete, text::kPlanMenuDelete},
    {0, nullptr},
    {ids::kCmdPlanEnableAll, text::kPlanMenuEnableAll},
    {ids::kCmdPlanDisableAll, text::kPlanMenuDisableAll},
    {ids::kCmdPlanDeleteAll, text::kPlanMenuDeleteAll},
}};

} // namespace

PlanListPage::PlanListPage(PlanList& plans, std::function<HWND()> confirmOwner)
    : plans_(plans), confirmOwner_(std::move(confirmOwner)) {}

PlanListPage::~PlanListPage() {
    if (subscription_) {
        plans_.Unsubscribe(subscription_);
    }
    if (hwnd()) {
        // The list view draws with font_, which goes with this object: the view goes first.
        ::DestroyWindow(listView_);
    }
}

bool PlanListPage::Create(HWND panel) {
    RECT area{};
    ::GetClientRect(panel, &area);
    WNDCLASSEXW wc{};
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    if (!CreateWindowOf(L"Kestrel.PlanListPage", wc, WS_EX_CONTROLPARENT, text::kPlanListCaption,
                        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, area.right, area.bottom, panel,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(ids::kPlanListPage)))) {
        return false;
    }
    CreateListView();
    LayoutForDpi(DpiForWindow(hwnd()));
    subscription_ = plans_.Subscribe([this](const PlanListEvent& event) { OnPlansChanged(event); });
    ListView_SetItemCountEx(listView_, static_cast<int>(plans_.Count()), LVSICF_NOSCROLL);
    return true;
}

void PlanListPage::CreateListView() {
    listView_ = ::CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
        0, 0, 0, 0, hwnd(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(ids::kPlanListView)),
        ::GetModuleHandleW(nullptr), nullptr);
    // A cell cut short shows its whole text in a tip of its own, the same in every column and on every
    // system; the list's own tips would show a second one.
    ListView_SetExtendedListViewStyle(listView_,
                                      LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
    cellTip_ = std::make_unique<ListViewCellTip>(listView_, [this](int row, int column) {
        const PlanRow* plan = plans_.Find(static_cast<std::size_t>(row) + 1);
        return plan && column < static_cast<int>(kPlanColumnCount) ? plan->cells[static_cast<std::size_t>(column)]
                                                                    : std::wstring();
    });
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        column.fmt = kColumns[i].format;
        column.pszText = const_cast<wchar_t*>(PlanColumnName(kColumns[i].column));
        column.cx = TwipsToPx(kColumns[i].widthTwips);
        column.iSubItem = static_cast<int>(i);
        ListView_InsertColumn(listView_, static_cast<int>(i), &column);
    }
}

void PlanListPage::ApplyDpi(int dpi) {
    LayoutForDpi(dpi);
}

void PlanListPage::LayoutForDpi(int dpi) {
    dpi_ = dpi;
    // The old font is freed only once the view has let go of it.
    UniqueFont font(CreateUiFont(dpi));
    ::SendMessageW(listView_, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    if (cellTip_) {
        cellTip_->SetFont(font.get(), dpi);
    }
    font_ = std::move(font);
    ::MoveWindow(listView_, ScaleTwips(kListLeftTwips, dpi), ScaleTwips(kListTopTwips, dpi),
                 ScaleTwips(kListWidthTwips, dpi), ScaleTwips(kListHeightTwips, dpi), TRUE);
    FitColumns();
}

int PlanListPage::TextWidth(const std::wstring& text) const {
    return ListView_GetStringWidth(listView_, text.c_str()) + Scale(kTextMarginPx, dpi_);
}

void PlanListPage::FitColumns() {
    RECT client{};
    ::GetClientRect(listView_, &client);
    // Room is kept for a vertical scroll bar, so that the columns do not change when one appears.
    int left = client.right - ::GetSystemMetrics(SM_CXVSCROLL);
    const int last = static_cast<int>(kColumns.size()) - 1;
    for (int i = 0; i < last; ++i) {
        const ColumnLayout& c = kColumns[static_cast<std::size_t>(i)];
        const int width = std::max(ScaleTwips(c.widthTwips, dpi_), TextWidth(PlanColumnName(c.column)));
        ListView_SetColumnWidth(listView_, i, width);
        left -= width;
    }
    const ColumnLayout& info = kColumns[static_cast<std::size_t>(last)];
    ListView_SetColumnWidth(
        listView_, last,
        std::max({left, ScaleTwips(info.widthTwips, dpi_) / 2, TextWidth(PlanColumnName(info.column))}));
}

void PlanListPage::OnPlansChanged(const PlanListEvent& event) {
    // The view still holds its selection and focus as they were before the change.
    const int selected = ListView_GetNextItem(listView_, -1, LVNI_SELECTED);
    const int focused = ListView_GetNextItem(listView_, -1, LVNI_FOCUSED);
    ListView_SetItemCountEx(listView_, static_cast<int>(plans_.Count()),
                            LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    // A virtual list keeps its selection by position, so after a removal it would sit on another plan.
    // Selection and focus follow their plans instead; a removed selected plan leaves nothing selected
    // (never its neighbour, which a single-row command would then hit), and a removed focused plan
    // hands the focus to the row that took its place, so the arrow keys go on from there.
    if (event.change == PlanListChange::Cleared) {
        ListView_SetItemState(listView_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    } else if (event.change == PlanListChange::Removed) {
        const int removed = static_cast<int>(event.first) - 1;
        const auto moved = [removed](int item) {
            return item < removed ? item : item - 1;
        };
        ListView_SetItemState(listView_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        if (focused >= 0) {
            const int last = static_cast<int>(plans_.Count()) - 1;
            const int focus = focused == removed ? std::min(removed, last) : moved(focused);
            if (focus >= 0) {
                ListView_SetItemState(listView_, focus, LVIS_FOCUSED, LVIS_FOCUSED);
            }
        }
        if (selected >= 0 && selected != removed) {
            ListView_SetItemState(listView_, moved(selected), LVIS_SELECTED, LVIS_SELECTED);
        }
    } else if (event.change == PlanListChange::Inserted) {
        // Rows put in before (a plan file read late) push the selected and focused plans down.
        const int first = static_cast<int>(event.first) - 1;
        const auto moved = [first, count = static_cast<int>(event.count)](int item) {
            return item < first ? item : item + count;
        };
        ListView_SetItemState(listView_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        if (focused >= 0) {
            ListView_SetItemState(listView_, moved(focused), LVIS_FOCUSED, LVIS_FOCUSED);
        }
        if (selected >= 0) {
            ListView_SetItemState(listView_, moved(selected), LVIS_SELECTED, LVIS_SELECTED);
        }
    }
    ::InvalidateRect(listView_, nullptr, FALSE);
}

std::size_t PlanListPage::SelectedIndex() const {
    const int item = ListView_GetNextItem(listView_, -1, LVNI_SELECTED);
    if (item < 0 || static_cast<std::size_t>(item) >= plans_.Count()) {
        return 0;
    }
    return static_cast<std::size_t>(item) + 1;
}

LRESULT PlanListPage::OnNotify(NMHDR* header) {
    if (header->hwndFrom != listView_) {
        return 0;
    }
    if (header->code == LVN_GETDISPINFOW) {
        auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
        LVITEMW& item = info->item;
        if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
            const PlanRow* row = plans_.Find(static_cast<std::size_t>(item.iItem) + 1);
            const bool known =
                row && item.iSubItem >= 0 && item.iSubItem < static_cast<int>(kPlanColumnCount);
            const std::wstring& cell =
                known ? row->cells[static_cast<std::size_t>(item.iSubItem)] : std::wstring();
            lstrcpynW(item.pszText, cell.c_str(), item.cchTextMax);
        }
    } else if (header->code == NM_CUSTOMDRAW) {
        return OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(header));
    } else if (header->code == LVN_KEYDOWN) {
        // The Delete key does what "删除选中行计划" does, by the same way.
        if (reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey == VK_DELETE) {
            ::PostMessageW(hwnd(), WM_COMMAND, MAKEWPARAM(ids::kCmdPlanDelete, 0), 0);
        }
    } else if (header->code == LVN_ODFINDITEMW) {
        // Typing while the list has the focus: the view asks which row the typed text leads to.
        const auto& find = *reinterpret_cast<NMLVFINDITEMW*>(header);
        const UINT flags = find.lvfi.flags;
        if ((flags & (LVFI_STRING | LVFI_PARTIAL | kFindSubstring)) == 0 || (flags & LVFI_PARAM) ||
            !find.lvfi.psz) {
            return -1;
        }
        const auto found = FindPlanByName(
            plans_.Rows(), {find.lvfi.psz, static_cast<std::size_t>(std::max(find.iStart, 0)),
                            (flags & (LVFI_PARTIAL | kFindSubstring)) != 0, (flags & LVFI_WRAP) != 0});
        return found ? static_cast<LRESULT>(*found) : -1;
    }
    return 0;
}

LRESULT PlanListPage::OnCustomDraw(NMLVCUSTOMDRAW& draw) {
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT: {
        // A disabled plan is drawn in the grey of disabled text, every cell of its row.
        const PlanRow* row = plans_.Find(static_cast<std::size_t>(draw.nmcd.dwItemSpec) + 1);
        if (row && row->cells[static_cast<std::size_t>(PlanColumn::Status)] == text::kStatusDisabled) {
            draw.clrText = ::GetSysColor(COLOR_GRAYTEXT);
        }
        return CDRF_DODEFAULT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

void PlanListPage::ShowPopupMenu(POINT screenPoint) {
    HMENU menu = ::CreatePopupMenu();
    if (!menu) {
        return;
    }
    // Every command needs at least one plan; on an empty list the menu still appears, all greyed.
    const UINT state = plans_.Empty() ? MF_GRAYED : MF_ENABLED;
    for (const MenuEntry& entry : kPopupMenu) {
        if (entry.id == 0) {
            ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            ::AppendMenuW(menu, MF_STRING | state, entry.id, entry.caption);
        }
    }
    ::TrackPopupMenuEx(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, screenPoint.x, screenPoint.y,
                       hwnd(), nullptr);
    ::DestroyMenu(menu);
}

bool PlanListPage::Confirm(const wchar_t* question) const {
    HWND owner = confirmOwner_ ? confirmOwner_() : nullptr;
    return ::MessageBoxW(owner ? owner : hwnd(), question, text::kAppTitle, MB_YESNO | MB_ICONQUESTION) ==
           IDYES;
}

void PlanListPage::RunCommand(unsigned commandId) {
    if (plans_.Empty()) {
        return;
    }
    // Disabling and deleting are what the parent's lock guards; a single-row command with no row
    // selected would do nothing, so it asks nothing.
    const bool singleRow = commandId == ids::kCmdPlanDisable || commandId == ids::kCmdPlanDelete;
    const bool guarded = singleRow || commandId == ids::kCmdPlanDisableAll || commandId == ids::kCmdPlanDeleteAll;
    if (guarded && guard_ && !(singleRow && SelectedIndex() == 0) && !guard_(text::kAskPlans)) {
        return;
    }
    // So is enabling a run plan: it starts a program with Kestrel's rights, at any time it names.
    const auto disabledRunPlan = [](const PlanRow& row) {
        return row[PlanColumn::Kind] == text::kKindRun && row[PlanColumn::Status] != text::kStatusEnabled;
    };
    const PlanRow* selected = plans_.Find(SelectedIndex());
    const bool enablesRunPlan =
        (commandId == ids::kCmdPlanEnable && selected && disabledRunPlan(*selected)) ||
        (commandId == ids::kCmdPlanEnableAll &&
         std::any_of(plans_.Rows().begin(), plans_.Rows().end(), disabledRunPlan));
    if (enablesRunPlan && guard_ && !guard_(text::kAskRunPlans)) {
        return;
    }
    // The history names the rows a command disabled or deleted: those it will touch, taken before.
    const auto touched = [this, commandId] {
        std::vector<PlanRow> rows;
        const bool all = commandId == ids::kCmdPlanDisableAll || commandId == ids::kCmdPlanDeleteAll;
        const bool disabling = commandId == ids::kCmdPlanDisable || commandId == ids::kCmdPlanDisableAll;
        for (std::size_t i = 1; i <= plans_.Count(); ++i) {
            const PlanRow& row = *plans_.Find(i);
            if ((all || i == SelectedIndex()) &&
                !(disabling && row[PlanColumn::Status] == text::kStatusDisabled)) {
                rows.push_back(row);
            }
        }
        return rows;
    };
    const auto record = [this](const wchar_t* event, const std::vector<PlanRow>& rows) {
        if (events_ && !rows.empty()) {
            events_->Record(event, PlanRowsText(rows));
        }
    };
    switch (commandId) {
    case ids::kCmdPlanEnable:
        plans_.SetStatus(SelectedIndex(), text::kStatusEnabled);
        break;
    case ids::kCmdPlanDisable: {
        const auto rows = touched();
        if (plans_.SetStatus(SelectedIndex(), text::kStatusDisabled)) {
            record(text::kEventPlansDisabled, rows);
        }
        break;
    }
    case ids::kCmdPlanDelete: {
        const auto rows = touched();
        if (plans_.Remove(SelectedIndex())) {
            record(text::kEventPlansDeleted, rows);
        }
        break;
    }
    case ids::kCmdPlanEnableAll:
        if (Confirm(text::kConfirmEnableAll)) {
            plans_.SetAllStatus(text::kStatusEnabled);
        }
        break;
    case ids::kCmdPlanDisableAll:
        if (Confirm(text::kConfirmDisableAll)) {
            const auto rows = touched();
            plans_.SetAllStatus(text::kStatusDisabled);
            record(text::kEventPlansDisabled, rows);
        }
        break;
    case ids::kCmdPlanDeleteAll:
        if (Confirm(text::kConfirmDeleteAll)) {
            const auto rows = touched();
            plans_.RemoveAll();
            record(text::kEventPlansDeleted, rows);
        }
        break;
    default:
        break;
    }
}

LRESULT PlanListPage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NOTIFY:
        return OnNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_CONTEXTMENU: {
        if (reinterpret_cast<HWND>(wParam) != listView_) {
            break;
        }
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (at.x == -1 && at.y == -1) {
            // From the keyboard (menu key, Shift+F10): open at the selected row, or at the list's corner.
            RECT place{};
            const int item = ListView_GetNextItem(listView_, -1, LVNI_SELECTED);
            if (item >= 0 && ListView_GetItemRect(listView_, item, &place, LVIR_LABEL)) {
                at = {place.left, place.bottom};
            }
            ::ClientToScreen(listView_, &at);
        }
        ShowPopupMenu(at);
        return 0;
    }
    case WM_COMMAND:
        if (HIWORD(wParam) == 0 || HIWORD(wParam) == 1) {
            RunCommand(LOWORD(wParam));
            return 0;
        }
        break;
    case WM_DPICHANGED_AFTERPARENT:
        // The main window moved to a monitor of another dpi and has laid itself out again. It passes the
        // new dpi along; the system's own notice carries none, and then the window is asked.
        LayoutForDpi(wParam != 0 ? static_cast<int>(wParam) : DpiForWindow(hwnd()));
        return 0;
    case WM_SIZE:
        return 0;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

} // namespace kestrel::win
