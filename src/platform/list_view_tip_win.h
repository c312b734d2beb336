// The tip over a list view cell cut short: it shows the cell's whole text, laid over the cell so that the
// text reads on from where the cut one began, the same in every column and on every system (the list's
// own label tips cover the first column only, and not everywhere).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace kestrel::win {

class ListViewCellTip {
public:
    // `cellText(row, column)` is a cell's whole text. The tip goes with the list's parent.
    ListViewCellTip(HWND listView, std::function<std::wstring(int row, int column)> cellText);
    ~ListViewCellTip();
    ListViewCellTip(const ListViewCellTip&) = delete;
    ListViewCellTip& operator=(const ListViewCellTip&) = delete;

    // The list's font, and the dpi its margins are measured at.
    void SetFont(HFONT font, int dpi);
    HWND tip() const { return tip_; }

private:
    static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                     DWORD_PTR self) noexcept;
    void Show(POINT at);
    void Hide();

    HWND list_;
    HWND tip_ = nullptr;
    std::function<std::wstring(int, int)> cellText_;
    std::wstring text_;  // what the tip shows; it keeps a pointer to it
    POINT cell_{-1, -1}; // row and column the tip shows, or -1, -1
    int dpi_ = 96;
};

} // namespace kestrel::win
