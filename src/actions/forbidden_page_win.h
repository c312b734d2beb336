// Form_禁止程序, the forbidden-programs page: the name field with its file chooser, the add and delete
// buttons, the list box of forbidden names, and Timer_禁止检测's check, which ends forbidden processes once a
// second (driven by the main window's timer) until the program ends, whether or not the page is on view.
#pragma once

#include "actions/forbidden_programs.h"
#include "base/events.h"
#include "platform/handles_win.h"
#include "platform/window_win.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace kestrel::win {

class ForbiddenProgramsPage final : public Window {
public:
    explicit ForbiddenProgramsPage(ProcessTable& processes);
    ~ForbiddenProgramsPage() override;

    // Creates the page as a bare child window filling `panel` and starts the monitor.
    bool Create(HWND panel);

    const ForbiddenList& List() const { return list_; }
    // Puts `entries` (a list kept from an earlier run) in place of the list.
    void SetEntries(std::vector<std::wstring> entries);
    // One tick of the monitor (Timer_禁止检测): ends the forbidden processes; called once a second by the
    // main window's timer.
    void CheckNow();

    // Asked before an entry is deleted (the parent's lock), with what the command is; false keeps it.
    void SetGuard(std::function<bool(const wchar_t* reason)> guard) { guard_ = std::move(guard); }
    // Told after every change of the list, and of every process the monitor ended.
    void SetListChanged(std::function<void(const std::vector<std::wstring>&)> changed) {
        listChanged_ = std::move(changed);
    }
    // Where the entries added and deleted by the user are reported (禁止列表); null: nowhere.
    void SetEvents(EventSink* events) { events_ = events; }
    void SetProcessesEnded(std::function<void(const std::vector<EndedProcess>&)> ended) {
        processesEnded_ = std::move(ended);
    }
    // The line under the buttons: whether the list is kept beyond this run (a password is set).
    void ShowListKept(bool kept);

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void CreateControls();
    void LayoutForDpi(int dpi);
    void ChooseProgram();  // Command_选取文件_Click
    void AddName();        // Command_加添禁止_Click
    void RemoveSelected(); // Command_删除禁止_Click

    void ListChanged();

    ForbiddenMonitor monitor_;
    ForbiddenList list_;
    std::function<bool(const wchar_t*)> guard_;
    EventSink* events_ = nullptr;
    std::function<void(const std::vector<std::wstring>&)> listChanged_;
    std::function<void(const std::vector<EndedProcess>&)> processesEnded_;
    std::array<HWND, 8> controls_{}; // in the order of their ids, kForbiddenNameLabel first
    HWND nameField_ = nullptr;       // Text_程序路径
    HWND listBox_ = nullptr;         // List_禁止列表
    UniqueFont font_;
};

} // namespace kestrel::win
