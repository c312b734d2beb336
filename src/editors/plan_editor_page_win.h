// Form_定时关机, Form_定时提醒 and Form_定时运行: one editor page, made three times. Every editor has
// the time field, the timing mode, the repeat controls and the add button; each adds what its kind of
// plan needs (the operation combo; the message and the music box; the program path, "选取" and the
// hidden-run box). The rules behind the controls are in plan_record.h.
#pragma once

#include "base/events.h"
#include "editors/plan_record.h"
#include "platform/handles_win.h"
#include "platform/window_win.h"
#include "plans/plan_list.h"

#include <functional>
#include <string>
#include <span>
#include <utility>

namespace kestrel::win {

struct EditorControl;

class PlanEditorPage final : public Window {
public:
    // `questionOwner` owns the past-time question (the main window). New plans go to `plans`.
    PlanEditorPage(EditorKind kind, PlanList& plans, const Clock& clock, std::function<HWND()> questionOwner);
    ~PlanEditorPage() override;

    // The page's control id inside its panel, by which tests find it.
    static unsigned PageId(EditorKind kind);

    // Creates the page filling `panel`, with its defaults set.
    bool Create(HWND panel);
    // The tooltips of the time field (and the run mode box), made once the window is on the screen.
    void AddTooltips();
    HWND Control(unsigned id) const { return ::GetDlgItem(hwnd(), static_cast<int>(id)); }

    // Command_加添计划: builds the plan, appends it and confirms, or tells why nothing was added. The
    // entries stay as they are either way.
    void AddPlan();
    // Where the run plans added are reported (计划添加); null: nowhere.
    void SetEvents(EventSink* events) { events_ = events; }
    // Asked right before a run plan is added, once the page's own checks have passed (the parent's lock);
    // false keeps it out of the list. Unset, or on the other editors: nothing is asked.
    void SetGuard(std::function<bool(const wchar_t* reason)> guard) { guard_ = std::move(guard); }

    // The "→ HH:MM" label beside the time field in 延时操作 mode, worked out afresh (the time it names
    // moves on with the clock; the app calls this when a minute has passed).
    void ShowCountdownTarget();

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateControls(int dpi);
    // The entries of a fresh page: 定时操作, repeat type 自定义 ticking nothing, 执行一次 with the repeat
    // controls disabled, and the current time in the time field. The shutdown editor shows its first
    // operation.
    void SetEditorDefaults();
    void FitComboHeights(int dpi);
    void LayoutForDpi(int dpi);
    void OnCommand(unsigned id, unsigned code);
    // The handlers of the shared controls.
    void ApplyTimingMode();   // Option_计时操作: the time label's caption
    void ApplyRepeatChoice(); // Option_是否重复: the repeat controls on or off
    void ApplyRepeatType();   // Combo_重复类型: the weekday ticks of a preset
    void FillCurrentTime();   // Command_当前时间
    // The page came into sight (its tab was chosen, the window came back from the tray).
    void OnShown();
    void ChooseProgram(); // Command_选取文件
    PlanEntries ReadEntries() const;
    void AppendPlanRow(PlanRow row);
    bool Checked(unsigned id) const;
    void Tell(HWND owner, const wchar_t* message, UINT flags) const;

    EditorKind kind_;
    PlanList& plans_;
    const Clock& clock_;
    std::function<HWND()> questionOwner_;
    EventSink* events_ = nullptr;
    std::function<bool(const wchar_t*)> guard_;
    std::span<const EditorControl> ownControls_;
    HWND tooltip_ = nullptr;
    UniqueFont font_;
    // The time field's text as the page last filled it, and whether the user has changed it since.
    std::wstring filledTime_;
    bool timeEdited_ = false;
    bool fillingTime_ = false;
};

} // namespace kestrel::win
