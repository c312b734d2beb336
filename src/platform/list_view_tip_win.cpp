// The cell tip of a list view; see list_view_tip_win.h.
#include "platform/list_view_tip_win.h"

#include "platform/dpi_win.h"

#include <commctrl.h>
#include <windowsx.h>

namespace kestrel::win {

namespace {

constexpr UINT_PTR kSubclassId = 0x7E1B;
// Room beside a cell's text: the control's margins on both sides.
constexpr int kTextMarginPx = 16;

TTTOOLINFOW ToolOf(HWND list) {
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = ::GetParent(list);
    tool.uId = reinterpret_cast<UINT_PTR>(list);
    return tool;
}

} // namespace

ListViewCellTip::ListViewCellTip(HWND listView, std::function<std::wstring(int, int)> cellText)
    : list_(listView), cellText_(std::move(cellText)) {
    tip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                             0, 0, 0, 0, ::GetParent(list_), nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (!tip_) {
        return;
    }
    TTTOOLINFOW tool = ToolOf(list_);
    tool.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    tool.lpszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SetWindowSubclass(list_, &ListProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

ListViewCellTip::~ListViewCellTip() {
    if (::IsWindow(list_)) {
        ::RemoveWindowSubclass(list_, &ListProc, kSubclassId);
    }
    if (::IsWindow(tip_)) {
        ::DestroyWindow(tip_);
    }
}

void ListViewCellTip::SetFont(HFONT font, int dpi) {
    dpi_ = dpi;
    if (tip_) {
        ::SendMessageW(tip_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        // A long text wraps into a few lines rather than running across the screen.
        ::SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, Scale(480, dpi));
    }
}

LRESULT CALLBACK ListViewCellTip::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                           DWORD_PTR self) noexcept {
    auto* tip = reinterpret_cast<ListViewCellTip*>(self);
    switch (message) {
    case WM_MOUSEMOVE:
        try {
            tip->Show(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        } catch (...) {
            tip->Hide();
        }
        break;
    case WM_MOUSELEAVE:
    case WM_MOUSEWHEEL:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_KEYDOWN:
        tip->Hide();
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(list, &ListProc, kSubclassId);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(list, message, wParam, lParam);
}

void ListViewCellTip::Show(POINT at) {
    if (!tip_) {
        return;
    }
    LVHITTESTINFO hit{};
    hit.pt = at;
    if (ListView_SubItemHitTest(list_, &hit) < 0 || hit.iItem < 0 || hit.iSubItem < 0) {
        Hide();
        return;
    }
    if (cell_.x == hit.iItem && cell_.y == hit.iSubItem) {
        return; // still over the same cell
    }
    std::wstring text = cellText_(hit.iItem, hit.iSubItem);
    const int width = ListView_GetStringWidth(list_, text.c_str()) + Scale(kTextMarginPx, dpi_);
    if (width <= ListView_GetColumnWidth(list_, hit.iSubItem)) {
        Hide();
        return;
    }
    cell_ = POINT{hit.iItem, hit.iSubItem};
    text_ = std::move(text);
    TTTOOLINFOW tool = ToolOf(list_);
    tool.lpszText = text_.data();
    ::SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    RECT place{};
    ListView_GetSubItemRect(list_, hit.iItem, hit.iSubItem, LVIR_LABEL, &place);
    POINT corner{place.left, place.top};
    ::ClientToScreen(list_, &corner);
    ::SendMessageW(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(corner.x, corner.y));
    ::SendMessageW(tip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    TRACKMOUSEEVENT leave{};
    leave.cbSize = sizeof(leave);
    leave.dwFlags = TME_LEAVE;
    leave.hwndTrack = list_;
    ::TrackMouseEvent(&leave);
}

void ListViewCellTip::Hide() {
    if (!tip_ || cell_.x < 0) {
        return;
    }
    cell_ = POINT{-1, -1};
    TTTOOLINFOW tool = ToolOf(list_);
    ::SendMessageW(tip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
}

} // namespace kestrel::win
