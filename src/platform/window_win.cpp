// Window and dialog base classes; see window_win.h.
#include "platform/window_win.h"

#include <vector>

#include <commctrl.h>

namespace kestrel::win {

namespace {

constexpr UINT_PTR kButtonKeysSubclass = 0x4B42; // "KB"

LRESULT CALLBACK ButtonKeysProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR) noexcept {
    switch (message) {
    case WM_GETDLGCODE:
        // The keys below reach the button even when a dialog manager looks at them first.
        if (lParam) {
            const auto* msg = reinterpret_cast<const MSG*>(lParam);
            if (msg->message == WM_KEYDOWN &&
                (msg->wParam == VK_ESCAPE || msg->wParam == VK_RETURN || msg->wParam == VK_TAB)) {
                return ::DefSubclassProc(button, message, wParam, lParam) | DLGC_WANTMESSAGE;
            }
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) {
            ::PostMessageW(::GetParent(button), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return 0;
        }
        if (wParam == VK_RETURN) {
            ::PostMessageW(button, BM_CLICK, 0, 0);
            return 0;
        }
        if (wParam == VK_TAB) {
            if (const HWND next =
                    ::GetNextDlgTabItem(::GetParent(button), button, ::GetKeyState(VK_SHIFT) < 0)) {
                ::SetFocus(next);
            }
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == L'\t' || wParam == L'\r' || wParam == 0x1B) {
            return 0; // handled as keys already; the button would only beep
        }
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(button, &ButtonKeysProc, kButtonKeysSubclass);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(button, message, wParam, lParam);
}

} // namespace

void EnsureCommonControls() {
    // Every control class Kestrel's windows use, registered once per process before the first window.
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES |
                                                            ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
        return ::InitCommonControlsEx(&controls) != FALSE;
    }();
    (void)registered;
}

HWND CreateTooltipWindow(HWND owner) {
    return ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
}

void AddControlTooltip(HWND tooltip, HWND owner, HWND control, const wchar_t* text) {
    if (!tooltip || !control) {
        return;
    }
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = const_cast<wchar_t*>(text);
    ::SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

Window::~Window() {
    if (hwnd_) {
        // The object dies before its window: detach so that later messages reach DefWindowProc only.
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
    }
}

bool Window::CreateWindowOf(const wchar_t* className, const WNDCLASSEXW& classTemplate, DWORD exStyle,
                            const wchar_t* title, DWORD style, int x, int y, int width, int height,
                            HWND parent, HMENU menuOrId) {
    EnsureCommonControls();
    HINSTANCE instance = classTemplate.hInstance ? classTemplate.hInstance : ::GetModuleHandleW(nullptr);
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof(existing);
    if (!::GetClassInfoExW(instance, className, &existing)) {
        WNDCLASSEXW wc = classTemplate;
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &Window::StaticProc;
        wc.hInstance = instance;
        wc.lpszClassName = className;
        if (!wc.hCursor) {
            wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
        }
        if (!::RegisterClassExW(&wc)) {
            return false;
        }
    }
    return ::CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, menuOrId,
                             instance, this) != nullptr;
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return Default(message, wParam, lParam);
}

LRESULT CALLBACK Window::StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    Window* self = nullptr;
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        self = static_cast<Window*>(create->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) {
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    try {
        result = self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        // Nothing may unwind into user32; a failed handler leaves the message unanswered.
        result = ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->OnDestroyed();
    }
    return result;
}

Dialog::~Dialog() {
    if (hwnd_) {
        ::SetWindowLongPtrW(hwnd_, DWLP_USER, 0);
        ::DestroyWindow(hwnd_);
    }
}

bool Dialog::CreateModeless(HINSTANCE instance, const wchar_t* templateName, HWND parent) {
    EnsureCommonControls();
    return ::CreateDialogParamW(instance, templateName, parent, &Dialog::StaticProc,
                                reinterpret_cast<LPARAM>(this)) != nullptr;
}

INT_PTR Dialog::RunModal(HINSTANCE instance, const wchar_t* templateName, HWND owner) {
    EnsureCommonControls();
    return ::DialogBoxParamW(instance, templateName, owner, &Dialog::StaticProc,
                             reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::RunModalIndirect(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, HWND owner) {
    EnsureCommonControls();
    return ::DialogBoxIndirectParamW(instance, dialogTemplate, owner, &Dialog::StaticProc,
                                     reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::HandleMessage(UINT, WPARAM, LPARAM) {
    return FALSE;
}

INT_PTR CALLBACK Dialog::StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self) {
        return FALSE;
    }
    INT_PTR handled = FALSE;
    try {
        handled = self->HandleMessage(message, wParam, lParam);
    } catch (...) {
        handled = FALSE;
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    return handled;
}

void AddDialogButtonKeys(HWND button) {
    ::SetWindowSubclass(button, &ButtonKeysProc, kButtonKeysSubclass, 0);
}

std::wstring GetWindowTextString(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int copied = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

namespace {

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

} // namespace

void DestroyProgramWindows(HWND main) {
    if (::IsWindow(main)) {
        ::DestroyWindow(main);
    }
    std::vector<HWND> windows;
    ::EnumThreadWindows(::GetCurrentThreadId(), &CollectWindow, reinterpret_cast<LPARAM>(&windows));
    const auto module = reinterpret_cast<LONG_PTR>(::GetModuleHandleW(nullptr));
    for (HWND window : windows) {
        if (::IsWindow(window) && ::GetWindowLongPtrW(window, GWLP_HINSTANCE) == module) {
            ::DestroyWindow(window);
        }
    }
}


} // namespace kestrel::win
