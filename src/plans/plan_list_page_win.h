// Form_计划列表, the plan list page: a virtual report list view over the plan list, its right-click
// pop-up menu, and the scheduler's once-a-second timer.
#pragma once

#include "platform/handles_win.h"
#include "platform/window_win.h"
#include "plans/plan_list.h"

#include <functional>

namespace kestrel::win {

class PlanListPage final : public Window {
public:
    // `confirmOwner` owns the confirmation boxes of the all-rows commands (the main window).
    PlanListPage(PlanList& plans, std::function<HWND()> confirmOwner);
    ~PlanListPage() override;

    // Creates the page as a bare child window filling `panel`.
    bool Create(HWND panel);
    HWND listView() const { return listView_; }

    // Runs one command of the pop-up menu (also reachable as WM_COMMAND with its id). Single-row
    // commands act on the selected row and do nothing when none is selected.
    void RunCommand(unsigned commandId);

    // Asked before a command that disables or deletes plans, with what the command is (the parent's
    // lock); false keeps it from happening. Unset: every command goes ahead.
    void SetGuard(std::function<bool(const wchar_t* reason)> guard) { guard_ = std::move(guard); }

    // What each tick of Timer_计划检测 does: one scheduler pass. The timer runs from creation to exit.
    void SetSchedulerTick(std::function<void()> tick);

    // Lays the page out again after the window moved to a monitor of another dpi.
    void ApplyDpi(int dpi);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateListView();
    void LayoutForDpi(int dpi);
    void OnPlansChanged(const PlanListEvent& event);
    LRESULT OnNotify(NMHDR* header);
    void ShowPopupMenu(POINT screenPoint);
    bool Confirm(const wchar_t* question) const;
    std::size_t SelectedIndex() const; // 1-based, 0 when nothing is selected
    void OnSchedulerTick();

    PlanList& plans_;
    std::function<HWND()> confirmOwner_;
    PlanList::Subscription subscription_ = 0;
    HWND listView_ = nullptr;
    UniqueFont font_; // the list view's, replaced when the dpi changes
    int dpi_ = 96;
    std::function<void()> schedulerTick_;
    std::function<bool(const wchar_t*)> guard_;
};

} // namespace kestrel::win
