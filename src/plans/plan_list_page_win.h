// Form_计划列表, the plan list page: a virtual report list view over the plan list and its right-click
// pop-up menu. (The scheduler's pass runs from the main window's one timer a second.)
#pragma once

#include "base/events.h"
#include "platform/handles_win.h"
#include "platform/list_view_tip_win.h"
#include "platform/window_win.h"
#include "plans/plan_list.h"

#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>

namespace kestrel::win {

class PlanListPage final : public Window {
public:
    // `confirmOwner` owns the confirmation boxes of the all-rows commands (the main window).
    PlanListPage(PlanList& plans, std::function<HWND()> confirmOwner);
    ~PlanListPage() override;

    // Creates the page as a bare child window filling `panel`.
    bool Create(HWND panel);
    HWND listView() const { return listView_; }
    HWND cellTip() const { return cellTip_ ? cellTip_->tip() : nullptr; }

    // Runs one command of the pop-up menu (also reachable as WM_COMMAND with its id). Single-row
    // commands act on the selected row and do nothing when none is selected.
    void RunCommand(unsigned commandId);

    // Asked before a command that disables or deletes plans, with what the command is (the parent's
    // lock), or that enables a run plan; false keeps it from happening. Unset: every command goes ahead.
    void SetGuard(std::function<bool(const wchar_t* reason)> guard) { guard_ = std::move(guard); }
    // Where the rows the user disabled or deleted are reported (计划禁用, 计划删除); null: nowhere.
    void SetEvents(EventSink* events) { events_ = events; }

    // Lays the page out again after the window moved to a monitor of another dpi.
    void ApplyDpi(int dpi);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateListView();
    void LayoutForDpi(int dpi);
    // Widens the columns whose header would be cut short and gives the last one the rest of the width.
    void FitColumns();
    // The width `text` takes in a cell or header of the list, margins included.
    int TextWidth(const std::wstring& text) const;
    void OnPlansChanged(const PlanListEvent& event);
    LRESULT OnNotify(NMHDR* header);
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw);
    void ShowPopupMenu(POINT screenPoint);
    bool Confirm(const wchar_t* question) const;
    std::size_t SelectedIndex() const; // 1-based, 0 when nothing is selected

    PlanList& plans_;
    std::function<HWND()> confirmOwner_;
    PlanList::Subscription subscription_ = 0;
    HWND listView_ = nullptr;
    // The tip over a cell cut short, which shows the cell's whole text.
    std::unique_ptr<ListViewCellTip> cellTip_;
    UniqueFont font_; // the list view's, replaced when the dpi changes
    int dpi_ = 96;
    std::function<bool(const wchar_t*)> guard_;
    EventSink* events_ = nullptr;
};

} // namespace kestrel::win
