// The history window; see history_window_win.h. Made in code on an empty template and laid out in 96-dpi
// pixels scaled to its monitor. The list is virtual: it asks for each cell as it paints, so ten thousand
// lines open as fast as ten.
#include "history/history_window_win.h"

#include "base/app_messages.h"
#include "base/command_ids.h"
#include "base/texts.h"
#include "platform/dialog_template_win.h"
#include "platform/dpi_win.h"
#include "platform/program_launcher_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace kestrel::win {

namespace {

constexpr DWORD kStyle = DS_MODALFRAME | DS_SETFOREGROUND | WS_POPUP | WS_CAPTION | WS_SYSMENU |
                         WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
// 96-dpi pixels: the first size of the client area, the least it can be made, the margins and buttons.
constexpr int kWidth = 760;
constexpr int kHeight = 460;
constexpr int kMinWidth = 480;
constexpr int kMinHeight = 240;
constexpr int kMargin = 10;
constexpr int kGap = 8;
constexpr int kButtonHeight = 26;
constexpr int kOpenWidth = 160;
constexpr int kClearWidth = 130;
constexpr int kCloseWidth = 88;

struct Column {
    const wchar_t* caption;
    int width; // 96-dpi pixels; the last column takes the rest
};
constexpr std::array<Column, 3> kColumns{{
    {text::kHistoryColTime, 150},
    {text::kHistoryColEvent, 140},
    {text::kHistoryColDetail, 400},
}};

} // namespace

HistoryWindow::HistoryWindow(History& history, std::function<bool(HWND, const wchar_t*)> allow)
    : history_(history), allow_(std::move(allow)) {}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::Show(HINSTANCE instance, HWND owner) {
    auto dialogTemplate = MakeDialogTemplate(kStyle);
    RunModalIndirect(instance, &dialogTemplate.dialog, owner);
}

INT_PTR HistoryWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        Build();
        return FALSE; // the focus is on the list
    case WM_SIZE:
        Layout();
        return TRUE;
    case WM_GETMINMAXINFO: {
        auto& limits = *reinterpret_cast<MINMAXINFO*>(lParam);
        RECT frame{0, 0, Scale(kMinWidth, dpi_), Scale(kMinHeight, dpi_)};
        ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(hwnd(), GWL_STYLE)), FALSE,
                             static_cast<DWORD>(::GetWindowLongPtrW(hwnd(), GWL_EXSTYLE)));
        limits.ptMinTrackSize = POINT{frame.right - frame.left, frame.bottom - frame.top};
        return TRUE;
    }
    case WM_DPICHANGED: {
        ApplyDpi(HIWORD(wParam));
        const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
        ::SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                       suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
        return TRUE;
    }
    case WM_NOTIFY:
        if (OnNotify(*reinterpret_cast<NMHDR*>(lParam))) {
            return TRUE;
        }
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case ids::kHistoryOpenFolder:
            OpenFileLocation();
            break;
        case ids::kHistoryClear:
            ClearHistory();
            break;
        case IDCANCEL:
            ::EndDialog(hwnd(), IDCANCEL);
            break;
        default:
            break;
        }
        return TRUE;
    case WM_DESTROY:
        // The tip is owned by the window and goes with it.
        tip_.reset();
        return FALSE;
    default:
        return FALSE;
    }
}

void HistoryWindow::Build() {
    ::SetWindowTextW(hwnd(), text::kHistoryCaption);
    const auto add = [this](const wchar_t* className, const wchar_t* caption, DWORD style, unsigned id,
                            DWORD exStyle = 0) {
        return ::CreateWindowExW(exStyle, className, caption, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                                 hwnd(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                 ::GetModuleHandleW(nullptr), nullptr);
    };
    list_ = add(WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS,
                ids::kHistoryList, WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
    for (std::size_t i = 0; i < kColumns.size(); ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = const_cast<wchar_t*>(kColumns[i].caption);
        column.cx = kColumns[i].width;
        column.iSubItem = static_cast<int>(i);
        ListView_InsertColumn(list_, static_cast<int>(i), &column);
    }
    openButton_ =
        add(WC_BUTTONW, text::kHistoryOpenFolder, BS_PUSHBUTTON | WS_TABSTOP, ids::kHistoryOpenFolder);
    clearButton_ = add(WC_BUTTONW, text::kHistoryClear, BS_PUSHBUTTON | WS_TABSTOP, ids::kHistoryClear);
    closeButton_ = add(WC_BUTTONW, text::kHistoryClose, BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL);
    tip_ = std::make_unique<ListViewCellTip>(list_, [this](int row, int column) {
        const std::wstring* cell = Cell(row, column);
        return cell ? *cell : std::wstring();
    });
    Load();
    const int dpi = DpiForWindow(hwnd());
    ApplyDpi(dpi);
    // Within the work area of its monitor, however large the scaling makes it.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    ::GetMonitorInfoW(::MonitorFromWindow(hwnd(), MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& work = monitor.rcWork;
    FitClientArea(hwnd(), std::min(Scale(kWidth, dpi), static_cast<int>(work.right - work.left) * 9 / 10),
                  std::min(Scale(kHeight, dpi), static_cast<int>(work.bottom - work.top) * 8 / 10), dpi);
    CentreOnWorkArea(hwnd());
    Layout();
    ::SetFocus(list_);
}

void HistoryWindow::ApplyDpi(int dpi) {
    dpi_ = dpi;
    // The old font is freed only once the controls have let go of it.
    UniqueFont font(CreateUiFont(dpi));
    for (HWND control : {list_, openButton_, clearButton_, closeButton_}) {
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
    if (tip_) {
        tip_->SetFont(font.get(), dpi);
    }
    font_ = std::move(font);
    for (std::size_t i = 0; i + 1 < kColumns.size(); ++i) {
        ListView_SetColumnWidth(list_, static_cast<int>(i), Scale(kColumns[i].width, dpi));
    }
    Layout();
}

void HistoryWindow::Layout() {
    if (!list_) {
        return;
    }
    RECT client{};
    ::GetClientRect(hwnd(), &client);
    const auto px = [this](int value) {
        return Scale(value, dpi_);
    };
    const int buttonTop = client.bottom - px(kMargin + kButtonHeight);
    HDWP moves = ::BeginDeferWindowPos(4);
    const auto place = [&moves](HWND control, int x, int y, int width, int height) {
        if (moves) {
            moves = ::DeferWindowPos(moves, control, nullptr, x, y, std::max(width, 0), std::max(height, 0),
                                     SWP_NOZORDER | SWP_NOACTIVATE);
        }
    };
    place(list_, px(kMargin), px(kMargin), client.right - px(2 * kMargin), buttonTop - px(kMargin + kGap));
    place(openButton_, px(kMargin), buttonTop, px(kOpenWidth), px(kButtonHeight));
    place(clearButton_, px(kMargin + kOpenWidth + kGap), buttonTop, px(kClearWidth), px(kButtonHeight));
    place(closeButton_, client.right - px(kMargin + kCloseWidth), buttonTop, px(kCloseWidth),
          px(kButtonHeight));
    if (moves) {
        ::EndDeferWindowPos(moves);
    }
    // The details take what the other columns leave, room for a scroll bar kept.
    RECT inside{};
    ::GetClientRect(list_, &inside);
    int rest = inside.right - ::GetSystemMetrics(SM_CXVSCROLL);
    for (std::size_t i = 0; i + 1 < kColumns.size(); ++i) {
        rest -= ListView_GetColumnWidth(list_, static_cast<int>(i));
    }
    ListView_SetColumnWidth(list_, static_cast<int>(kColumns.size()) - 1,
                            std::max(rest, px(kColumns.back().width) / 2));
}

void HistoryWindow::Load() {
    entries_ = history_.Read();
    ListView_SetItemState(list_, -1, 0, LVIS_FOCUSED | LVIS_SELECTED);
    ListView_SetItemCountEx(list_, static_cast<int>(entries_.size()), 0);
    if (!entries_.empty()) {
        ListView_SetItemState(list_, 0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
        ListView_EnsureVisible(list_, 0, FALSE);
    }
}

const std::wstring* HistoryWindow::Cell(int row, int column) const {
    if (row < 0 || static_cast<std::size_t>(row) >= entries_.size()) {
        return nullptr;
    }
    const HistoryEntry& entry = entries_[static_cast<std::size_t>(row)];
    switch (column) {
    case 0:
        return &entry.time;
    case 1:
        return &entry.event;
    case 2:
        return &entry.detail;
    default:
        return nullptr;
    }
}

bool HistoryWindow::OnNotify(NMHDR& header) {
    if (header.hwndFrom != list_) {
        return false;
    }
    if (header.code == LVN_GETDISPINFOW) {
        LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
        if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
            const std::wstring* cell = Cell(item.iItem, item.iSubItem);
            lstrcpynW(item.pszText, cell ? cell->c_str() : L"", item.cchTextMax);
        }
        return true;
    }
    if (header.code == LVN_KEYDOWN && ::GetKeyState(VK_CONTROL) < 0) {
        const WORD key = reinterpret_cast<NMLVKEYDOWN&>(header).wVKey;
        if (key == 'C') {
            CopySelection();
        } else if (key == 'A') {
            ListView_SetItemState(list_, -1, LVIS_SELECTED, LVIS_SELECTED);
        }
        return true;
    }
    return false;
}

std::wstring HistoryWindow::SelectedLines() const {
    std::wstring lines;
    for (int item = ListView_GetNextItem(list_, -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(list_, item, LVNI_SELECTED)) {
        if (static_cast<std::size_t>(item) < entries_.size()) {
            lines += HistoryEntryLine(entries_[static_cast<std::size_t>(item)]);
            lines += L"\r\n";
        }
    }
    return lines;
}

void HistoryWindow::CopySelection() {
    const std::wstring lines = SelectedLines();
    if (lines.empty() || !::OpenClipboard(hwnd())) {
        return;
    }
    ::EmptyClipboard();
    const std::size_t bytes = (lines.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        if (void* at = ::GlobalLock(memory)) {
            std::memcpy(at, lines.c_str(), bytes);
            ::GlobalUnlock(memory);
            if (!::SetClipboardData(CF_UNICODETEXT, memory)) {
                ::GlobalFree(memory);
            }
        } else {
            ::GlobalFree(memory);
        }
    }
    ::CloseClipboard();
}

void HistoryWindow::OpenFileLocation() {
    const std::wstring& file = history_.Path();
    if (history_.Exists()) {
        const std::wstring arguments = L"/select,\"" + file + L"\"";
        ::ShellExecuteW(hwnd(), nullptr, L"explorer.exe", arguments.c_str(), nullptr, SW_SHOWNORMAL);
        return;
    }
    // No line was written yet: the folder it will be in.
    const std::wstring folder = file.substr(0, file.find_last_of(L'\\'));
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ::ShellExecuteW(hwnd(), nullptr, folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void HistoryWindow::ClearHistory() {
    if (allow_ && !allow_(hwnd(), text::kAskClearHistory)) {
        return;
    }
    if (::MessageBoxW(hwnd(), text::kConfirmClearHistory, text::kAppTitle,
                      MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
        return;
    }
    if (const std::uint32_t error = history_.Clear()) {
        std::wstring reason = SystemErrorText(error);
        if (reason.empty()) {
            reason = NumberText(error);
        }
        const std::wstring message =
            FillIn(FillIn(text::kHistoryClearFailed, L"{path}", history_.Path()), L"{reason}", reason);
        ::MessageBoxW(hwnd(), message.c_str(), text::kAppTitle, MB_OK | MB_ICONWARNING);
    }
    Load();
    ::SetFocus(list_);
}

} // namespace kestrel::win
