// Help → "历史记录(&H)...": the history in a resizable window, newest line first, for anyone to read. Its
// buttons show the file in Explorer and clear the history (under the parent's lock only with the
// password). Ctrl+C copies the selected rows as the lines of the file.
#pragma once

#include "history/history.h"
#include "platform/handles_win.h"
#include "platform/list_view_tip_win.h"
#include "platform/window_win.h"

#include <functional>
#include <memory>
#include <vector>

namespace kestrel::win {

class HistoryWindow final : public Dialog {
public:
    // `allow` asks the parent's lock before the history is cleared, with the window as the box's owner.
    HistoryWindow(History& history, std::function<bool(HWND owner, const wchar_t* reason)> allow);
    ~HistoryWindow() override;

    // Shows the window, modal to `owner`, until it is closed.
    void Show(HINSTANCE instance, HWND owner);

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Build();
    void ApplyDpi(int dpi);
    void Layout();
    void Load();
    const std::wstring* Cell(int row, int column) const;
    bool OnNotify(NMHDR& header);
    // The selected rows as the file's lines, each ending in CRLF.
    std::wstring SelectedLines() const;
    void CopySelection();
    void OpenFileLocation();
    void ClearHistory();

    History& history_;
    std::function<bool(HWND, const wchar_t*)> allow_;
    std::vector<HistoryEntry> entries_;
    std::unique_ptr<ListViewCellTip> tip_;
    HWND list_ = nullptr;
    HWND openButton_ = nullptr;
    HWND clearButton_ = nullptr;
    HWND closeButton_ = nullptr;
    UniqueFont font_;
    int dpi_ = 96;
};

} // namespace kestrel::win
