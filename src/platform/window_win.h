// Base classes for Kestrel's windows and dialogs. The static procedure finds the C++ object, forwards
// every message to its virtual handler, and lets no exception cross back into user32.
#pragma once

#include <windows.h>

#include <string>

namespace kestrel::win {

class Window {
public:
    Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;
    virtual ~Window();

    HWND hwnd() const { return hwnd_; }

protected:
    // Registers `className` once per process (with this class's procedure) and creates the window.
    bool CreateWindowOf(const wchar_t* className, const WNDCLASSEXW& classTemplate, DWORD exStyle,
                        const wchar_t* title, DWORD style, int x, int y, int width, int height, HWND parent,
                        HMENU menuOrId);

    // Handles one message; the default passes it to DefWindowProcW.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
        return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    }
    // Called after WM_NCDESTROY, when the handle is gone.
    virtual void OnDestroyed() {}

private:
    static LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    HWND hwnd_ = nullptr;
};

// A dialog made from a template in the resources: modeless (tab pages, pop-ups) or modal.
class Dialog {
public:
    Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    virtual ~Dialog();

    HWND hwnd() const { return hwnd_; }

    bool CreateModeless(HINSTANCE instance, const wchar_t* templateName, HWND parent);
    INT_PTR RunModal(HINSTANCE instance, const wchar_t* templateName, HWND owner);
    // A modal dialog from a template in memory (platform/dialog_template_win.h).
    INT_PTR RunModalIndirect(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, HWND owner);

protected:
    // Returns TRUE when the message was handled (DialogProc convention). Set a result with SetResult.
    virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void SetResult(LRESULT result) { ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result); }

private:
    static INT_PTR CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    HWND hwnd_ = nullptr;
};

// Registers the common control classes (list view, tooltips, progress bar...) once per process. The
// window and dialog bases call it before creating anything, so no other code needs to.
void EnsureCommonControls();

// A tooltip window for the controls of `owner`, and one tool on it: `text` shows while the mouse rests on
// the child `control`. The tooltip goes with its owner.
HWND CreateTooltipWindow(HWND owner);
void AddControlTooltip(HWND tooltip, HWND owner, HWND control, const wchar_t* text);

// Gives a button of a small window that is no dialog the keys a dialog's button has, whatever message
// loop runs: Esc posts IDCANCEL to its parent (the window's own cancel road), Enter presses it, Tab and
// Shift+Tab move to the next and previous control.
void AddDialogButtonKeys(HWND button);

// Window text as a std::wstring.
std::wstring GetWindowTextString(HWND window);

// Closes `main` (its children go with it), then every other top-level window this program made on this
// thread: prompts, pop-ups and their owners' leftovers. System windows of the thread (IME and the like)
// belong to other modules and are left alone.
void DestroyProgramWindows(HWND main);

} // namespace kestrel::win
