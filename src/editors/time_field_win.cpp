// The masked time field: a plain edit control, subclassed so that every way of changing its text goes
// through TimeMask. The edit keeps doing what it does well: caret, selection, painting, copying.
#include "editors/time_field_win.h"

#include "editors/time_mask.h"

#include <commctrl.h>

#include <memory>
#include <string>

namespace kestrel::win {

namespace {

constexpr UINT_PTR kSubclassId = 0x54494D45; // 'TIME'

struct Selection {
    std::size_t start;
    std::size_t end;
};

Selection GetSelection(HWND field) {
    DWORD start = 0;
    DWORD end = 0;
    ::SendMessageW(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
}

// Shows the mask's text and puts the caret at `caret`.
void Show(HWND field, const TimeMask& mask, std::size_t caret) {
    ::DefSubclassProc(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(mask.Text().c_str()));
    ::SendMessageW(field, EM_SETSEL, caret, caret);
    // Edits made here are the field's own, not the edit's: there is nothing for it to undo.
    ::SendMessageW(field, EM_EMPTYUNDOBUFFER, 0, 0);
}

std::wstring ClipboardText(HWND field) {
    std::wstring text;
    if (!::IsClipboardFormatAvailable(CF_UNICODETEXT) || !::OpenClipboard(field)) {
        return text;
    }
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(::GlobalLock(data))) {
            text = chars;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

LRESULT CALLBACK TimeFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR data) noexcept {
    auto* mask = reinterpret_cast<TimeMask*>(data);
    switch (message) {
    case WM_CHAR: {
        const Selection selection = GetSelection(field);
        switch (wParam) {
        case 0x03: // Ctrl+C
            return ::DefSubclassProc(field, message, wParam, lParam);
        case 0x01: // Ctrl+A
            ::SendMessageW(field, EM_SETSEL, 0, -1);
            return 0;
        case 0x16: // Ctrl+V
            ::SendMessageW(field, WM_PASTE, 0, 0);
            return 0;
        case 0x18: // Ctrl+X
            ::SendMessageW(field, WM_CUT, 0, 0);
            return 0;
        case VK_BACK:
            Show(field, *mask, mask->Backspace(selection.start, selection.end));
            return 0;
        default:
            if (wParam >= L'0' && wParam <= L'9') {
                Show(field, *mask, mask->Type(static_cast<wchar_t>(wParam), selection.start, selection.end));
            } else {
                ::MessageBeep(MB_OK);
            }
            return 0;
        }
    }
    case WM_KEYDOWN: {
        const bool shift = ::GetKeyState(VK_SHIFT) < 0;
        if (wParam == VK_DELETE) {
            ::SendMessageW(field, shift ? WM_CUT : WM_CLEAR, 0, 0);
            return 0;
        }
        if (wParam == VK_INSERT && shift) {
            ::SendMessageW(field, WM_PASTE, 0, 0);
            return 0;
        }
        break;
    }
    case WM_CLEAR: {
        const Selection selection = GetSelection(field);
        Show(field, *mask, mask->Delete(selection.start, selection.end));
        return 0;
    }
    case WM_CUT:
        if (const Selection selection = GetSelection(field); selection.start < selection.end) {
            ::SendMessageW(field, WM_COPY, 0, 0);
            Show(field, *mask, mask->Backspace(selection.start, selection.end));
        }
        return 0;
    case WM_PASTE:
        if (mask->Paste(ClipboardText(field))) {
            Show(field, *mask, TimeMask::kLength);
        } else {
            ::MessageBeep(MB_OK);
        }
        return 0;
    case WM_SETTEXT:
        mask->Assign(lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"");
        Show(field, *mask, 0);
        return TRUE;
    case EM_REPLACESEL: {
        // Text put in at the caret is typed, digit by digit.
        const Selection selection = GetSelection(field);
        std::size_t caret = selection.start;
        std::size_t end = selection.end;
        for (const wchar_t* c = reinterpret_cast<const wchar_t*>(lParam); c && *c; ++c) {
            caret = mask->Type(*c, caret, end);
            end = caret;
        }
        Show(field, *mask, caret);
        return 0;
    }
    case WM_UNDO:
    case EM_UNDO:
    case WM_IME_CHAR:
        return 0;
    case WM_CONTEXTMENU:
        // The edit's own menu would paste and delete past the mask; the keyboard does all of it.
        return 0;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(field, &TimeFieldProc, kSubclassId);
        delete mask;
        break;
    default:
        break;
    }
    return ::DefSubclassProc(field, message, wParam, lParam);
}

} // namespace

HWND CreateTimeField(HWND parent, unsigned id) {
    HWND field = ::CreateWindowExW(WS_EX_CLIENTEDGE, WC_EDITW, L"",
                                   WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_GROUP | ES_CENTER | ES_AUTOHSCROLL,
                                   0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                   ::GetModuleHandleW(nullptr), nullptr);
    if (!field) {
        return nullptr;
    }
    auto mask = std::make_unique<TimeMask>();
    if (!::SetWindowSubclass(field, &TimeFieldProc, kSubclassId, reinterpret_cast<DWORD_PTR>(mask.get()))) {
        ::DestroyWindow(field);
        return nullptr;
    }
    mask.release();
    ::SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    return field;
}

} // namespace kestrel::win
