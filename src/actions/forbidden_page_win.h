// Form_禁止程序, the forbidden-programs page: the name field with its file chooser, the add and delete
// buttons, the list box of forbidden names, and Timer_禁止检测's check, which ends forbidden processes once a
// second (driven by the main window's timer) until the program ends, whether or not the page is on view.
#pragma once

#include "actions/forbidden_programs.h"
#include "platform/handles_win.h"
#include "platform/window_win.h"

#include <array>

namespace kestrel::win {

class ForbiddenProgramsPage final : public Window {
public:
    explicit ForbiddenProgramsPage(ProcessTable& processes);
    ~ForbiddenProgramsPage() override;

    // Creates the page as a bare child window filling `panel` and starts the monitor.
    bool Create(HWND panel);

    const ForbiddenList& List() const { return list_; }

    // Timer_禁止检测: ends the forbidden processes; called once a second by the main window's timer.
    void Tick() { OnCheckTick(); }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateControls();
    void LayoutForDpi(int dpi);
    void ChooseProgram();  // Command_选取文件_Click
    void AddName();        // Command_加添禁止_Click
    void RemoveSelected(); // Command_删除禁止_Click
    void OnCheckTick();    // Timer_禁止检测_Timer

    ProcessTable& processes_;
    ForbiddenList list_;
    std::array<HWND, 7> controls_{}; // in the order of their ids, kForbiddenNameLabel first
    HWND nameField_ = nullptr;       // Text_程序路径
    HWND listBox_ = nullptr;         // List_禁止列表
    UniqueFont font_;
};

} // namespace kestrel::win
