// The password box and the password dialog; see password_dialogs_win.h. Both are made in code on an empty
// template, laid out in 96-dpi pixels scaled to the monitor. A typed password is read once, handed to the
// lock, and wiped from the field and from memory.
#include "lock/password_dialogs_win.h"

#include "base/app_messages.h"
#include "base/command_ids.h"
#include "base/texts.h"
#include "base/web_addresses.h"
#include "platform/dialog_template_win.h"
#include "platform/dpi_win.h"
#include "platform/handles_win.h"
#include "platform/window_win.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace kestrel::win {

namespace {

constexpr UINT_PTR kWaitTimer = 1;
constexpr UINT kWaitTimerMs = 200;
constexpr DWORD kStyle = DS_MODALFRAME | DS_SETFOREGROUND | WS_POPUP | WS_CAPTION | WS_SYSMENU;

struct Place {
    int x, y, width, height; // 96-dpi pixels
};

// The text of a password field, read once; the field is emptied and the copy wiped when it goes.
class TypedPassword {
public:
    explicit TypedPassword(HWND field) : text_(GetWindowTextString(field)) { ::SetWindowTextW(field, L""); }
    ~TypedPassword() { ::SecureZeroMemory(text_.data(), text_.size() * sizeof(wchar_t)); }
    TypedPassword(const TypedPassword&) = delete;
    TypedPassword& operator=(const TypedPassword&) = delete;
    const std::wstring& text() const { return text_; }

private:
    std::wstring text_;
};

} // namespace

std::wstring PasswordValueFullName() {
    return std::wstring(L"HKEY_CURRENT_USER\\") + kSettingsKeyPath + L"\\" + text::kPasswordValueName;
}

// What the box and the dialog share: the font, the status and wait lines, and the wait timer that keeps
// the buttons that try a password off until the lock takes the next try.
class PasswordForm : public Dialog {
protected:
    explicit PasswordForm(ParentLock& lock) : lock_(lock) {}

    void BeginLayout() {
        dpi_ = DpiForWindow(hwnd());
        font_.reset(CreateUiFont(dpi_));
        ::SetWindowTextW(hwnd(), text::kLockCaption);
    }
    HWND Add(const wchar_t* className, const wchar_t* caption, DWORD style, unsigned id, Place at,
             DWORD exStyle = 0) {
        HWND control = ::CreateWindowExW(exStyle, className, caption, WS_CHILD | WS_VISIBLE | style,
                                         Scale(at.x, dpi_), Scale(at.y, dpi_), Scale(at.width, dpi_),
                                         Scale(at.height, dpi_), hwnd(),
                                         reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                         ::GetModuleHandleW(nullptr), nullptr);
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        return control;
    }
    HWND AddPasswordField(unsigned id, Place at) {
        HWND field = Add(WC_EDITW, L"", ES_PASSWORD | ES_AUTOHSCROLL | WS_TABSTOP, id, at, WS_EX_CLIENTEDGE);
        ::SendMessageW(field, EM_LIMITTEXT, 256, 0);
        return field;
    }
    void AddStatusLines(int top, int width) {
        status_ = Add(WC_STATICW, L"", SS_LEFT | SS_NOPREFIX, ids::kLockStatus, {12, top, width, 18});
        wait_ = Add(WC_STATICW, L"", SS_LEFT | SS_NOPREFIX, ids::kLockWait, {12, top + 18, width, 18});
    }
    void EndLayout(int clientWidth, int clientHeight) {
        FitClientArea(hwnd(), Scale(clientWidth, dpi_), Scale(clientHeight, dpi_), dpi_);
        CentreOnWorkArea(hwnd());
        ShowWait();
    }

    void SetStatus(const wchar_t* message) { ::SetWindowTextW(status_, message); }
    // Shows what the lock said to a tried password; true when it was accepted.
    bool ShowAnswer(PasswordAnswer answer) {
        switch (answer) {
        case PasswordAnswer::Accepted:
            return true;
        case PasswordAnswer::Wrong:
        case PasswordAnswer::Waiting:
            SetStatus(text::kLockWrong);
            break;
        case PasswordAnswer::Empty:
            SetStatus(text::kLockEmpty);
            break;
        case PasswordAnswer::Mismatch:
            SetStatus(text::kLockMismatch);
            break;
        case PasswordAnswer::Unreadable:
            SetStatus(text::kLockWrong);
            break;
        case PasswordAnswer::Failed:
            SetStatus(text::kLockFailed);
            break;
        case PasswordAnswer::NotSaved:
            SetStatus(text::kLockNotSaved);
            break;
        }
        ShowWait();
        return false;
    }
    // The wait line and the buttons, as the lock's wait stands now; the timer runs while it lasts.
    void ShowWait() {
        const std::uint32_t waitMs = lock_.WaitMs();
        if (waitMs == 0) {
            ::KillTimer(hwnd(), kWaitTimer);
            ::SetWindowTextW(wait_, L"");
            EnableTries(true);
            return;
        }
        const std::wstring seconds = NumberText((waitMs + 999) / 1000);
        ::SetWindowTextW(wait_, FillIn(text::kLockWait, L"{seconds}", seconds).c_str());
        EnableTries(false);
        ::SetTimer(hwnd(), kWaitTimer, kWaitTimerMs, nullptr);
    }
    // Turns the buttons that try a password on or off.
    virtual void EnableTries(bool enable) = 0;

    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_TIMER && wParam == kWaitTimer) {
            ShowWait();
            return TRUE;
        }
        if (message == WM_DESTROY) {
            ::KillTimer(hwnd(), kWaitTimer);
        }
        return Dialog::HandleMessage(message, wParam, lParam);
    }

    // Reports a wrong password, with what it was given for.
    void RecordWrong(PasswordAnswer answer, const wchar_t* command) const {
        if (answer == PasswordAnswer::Wrong && events_) {
            events_->Record(text::kEventParentPassword,
                            FillIn(text::kHistoryPasswordWrong, L"{command}", command));
        }
    }

    ParentLock& lock_;
    EventSink* events_ = nullptr;
    int dpi_ = 96;
    UniqueFont font_;
    HWND status_ = nullptr;
    HWND wait_ = nullptr;
};

class PasswordBox final : public PasswordForm {
public:
    PasswordBox(ParentLock& lock, const wchar_t* reason, EventSink* events)
        : PasswordForm(lock), reason_(reason) {
        events_ = events;
    }

    bool Run(HINSTANCE instance, HWND owner) {
        auto dialogTemplate = MakeDialogTemplate(kStyle);
        RunModalIndirect(instance, &dialogTemplate.dialog, owner);
        return accepted_;
    }
    void Cancel() {
        if (hwnd()) {
            ::EndDialog(hwnd(), IDCANCEL);
        }
    }

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_INITDIALOG:
            Build();
            return FALSE; // the focus is in the field
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                Try();
            } else if (LOWORD(wParam) == IDCANCEL) {
                ::EndDialog(hwnd(), IDCANCEL);
            }
            return TRUE;
        default:
            return PasswordForm::HandleMessage(message, wParam, lParam);
        }
    }
    void EnableTries(bool enable) override { ::EnableWindow(ok_, enable); }

private:
    void Build() {
        BeginLayout();
        Add(WC_STATICW, reason_, SS_LEFT | SS_NOPREFIX, ids::kAskReason, {12, 12, 296, 20});
        Add(WC_STATICW, text::kAskLabel, SS_LEFT, ids::kAskLabel, {12, 38, 296, 18});
        field_ = AddPasswordField(ids::kAskPassword, {12, 58, 296, 24});
        AddStatusLines(88, 296);
        ok_ = Add(WC_BUTTONW, text::kAskOk, BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK, {148, 130, 76, 26});
        Add(WC_BUTTONW, text::kAskCancel, BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, {232, 130, 76, 26});
        EndLayout(320, 168);
        ::SetFocus(field_);
    }
    void Try() {
        if (!::IsWindowEnabled(ok_)) {
            return; // Enter while the wait lasts
        }
        const TypedPassword typed(field_);
        const PasswordAnswer answer = lock_.Check(typed.text());
        RecordWrong(answer, reason_);
        if (ShowAnswer(answer)) {
            accepted_ = true;
            ::EndDialog(hwnd(), IDOK);
            return;
        }
        ::SetFocus(field_);
    }

    const wchar_t* reason_;
    HWND field_ = nullptr;
    HWND ok_ = nullptr;
    bool accepted_ = false;
};

bool PasswordGuard::Allow(HWND owner, const wchar_t* reason) {
    if (!lock_.IsSet()) {
        return true;
    }
    if (lock_.State() == LockState::Unreadable) {
        const std::wstring message = FillIn(text::kLockUnreadable, L"{value}", PasswordValueFullName());
        ::MessageBoxW(owner, message.c_str(), text::kAppTitle, MB_OK | MB_ICONWARNING);
        return false;
    }
    if (open_) {
        open_->Cancel();
    }
    PasswordBox box(lock_, reason, events_);
    PasswordBox* const previous = std::exchange(open_, &box);
    const bool accepted = box.Run(instance_, owner);
    open_ = previous;
    return accepted;
}

void PasswordGuard::DismissOwnedBy(HWND owner) {
    if (open_ && open_->hwnd() && ::GetWindow(open_->hwnd(), GW_OWNER) == owner) {
        open_->Cancel();
    }
}

namespace {

class ParentPasswordDialog final : public PasswordForm {
public:
    ParentPasswordDialog(ParentLock& lock, EventSink* events) : PasswordForm(lock) { events_ = events; }

    // The outcome to tell once the dialog is closed; nullptr when nothing changed.
    const wchar_t* Run(HINSTANCE instance, HWND owner) {
        auto dialogTemplate = MakeDialogTemplate(kStyle);
        RunModalIndirect(instance, &dialogTemplate.dialog, owner);
        return done_;
    }

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_INITDIALOG:
            Build();
            return FALSE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
            case IDOK:
                SetOrChange();
                break;
            case ids::kLockRemove:
                Remove();
                break;
            case IDCANCEL:
                ::EndDialog(hwnd(), IDCANCEL);
                break;
            default:
                break;
            }
            return TRUE;
        default:
            return PasswordForm::HandleMessage(message, wParam, lParam);
        }
    }
    void EnableTries(bool enable) override {
        // Only trying the current password waits; setting the first one never does.
        if (locked_) {
            ::EnableWindow(first_, enable);
            ::EnableWindow(remove_, enable);
        }
    }

private:
    void Build() {
        BeginLayout();
        locked_ = lock_.IsSet();
        // The list of what the password guards takes more lines than the note on changing it.
        const int introHeight = locked_ ? 50 : 84;
        Add(WC_STATICW, locked_ ? text::kLockIntroOn : text::kLockIntroOff, SS_LEFT | SS_NOPREFIX,
            ids::kLockIntro, {12, 12, 336, introHeight});
        int top = 20 + introHeight;
        if (locked_) {
            Add(WC_STATICW, text::kLockOldLabel, SS_LEFT, ids::kLockOldLabel, {12, top + 3, 136, 18});
            old_ = AddPasswordField(ids::kLockOld, {150, top, 198, 24});
            top += 30;
        }
        Add(WC_STATICW, text::kLockNewLabel, SS_LEFT, ids::kLockNewLabel, {12, top + 3, 136, 18});
        new_ = AddPasswordField(ids::kLockNew, {150, top, 198, 24});
        top += 30;
        Add(WC_STATICW, text::kLockConfirmLabel, SS_LEFT, ids::kLockConfirmLabel, {12, top + 3, 136, 18});
        confirm_ = AddPasswordField(ids::kLockConfirm, {150, top, 198, 24});
        top += 32;
        AddStatusLines(top, 336);
        top += 44;
        first_ = Add(WC_BUTTONW, locked_ ? text::kLockChange : text::kLockSet, BS_DEFPUSHBUTTON | WS_TABSTOP,
                     IDOK, {12, top, 104, 26});
        if (locked_) {
            remove_ = Add(WC_BUTTONW, text::kLockRemove, BS_PUSHBUTTON | WS_TABSTOP, ids::kLockRemove,
                          {124, top, 104, 26});
        }
        Add(WC_BUTTONW, text::kLockClose, BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, {244, top, 104, 26});
        EndLayout(360, top + 38);
        ::SetFocus(locked_ ? old_ : new_);
    }
    void SetOrChange() {
        if (!::IsWindowEnabled(first_)) {
            return;
        }
        const TypedPassword password(new_);
        const TypedPassword confirm(confirm_);
        if (!locked_) {
            Finish(lock_.Set(password.text(), confirm.text()), text::kLockSetDone, new_,
                   text::kHistoryPasswordSet);
            return;
        }
        const TypedPassword old(old_);
        const PasswordAnswer answer = lock_.Change(old.text(), password.text(), confirm.text());
        RecordWrong(answer, text::kHistoryCommandChange);
        Finish(answer, text::kLockChangeDone, old_, text::kHistoryPasswordChanged);
    }
    void Remove() {
        if (!::IsWindowEnabled(remove_)) {
            return;
        }
        const TypedPassword old(old_);
        ::SetWindowTextW(new_, L"");
        ::SetWindowTextW(confirm_, L"");
        const PasswordAnswer answer = lock_.Remove(old.text());
        RecordWrong(answer, text::kHistoryCommandRemove);
        Finish(answer, text::kLockRemoveDone, old_, text::kHistoryPasswordRemoved);
    }
    void Finish(PasswordAnswer answer, const wchar_t* done, HWND retryField, const wchar_t* event) {
        if (ShowAnswer(answer)) {
            if (events_) {
                events_->Record(text::kEventParentPassword, event);
            }
            done_ = done;
            ::EndDialog(hwnd(), IDOK);
            return;
        }
        ::SetFocus(answer == PasswordAnswer::Empty || answer == PasswordAnswer::Mismatch ? new_ : retryField);
    }

    bool locked_ = false;
    HWND old_ = nullptr;
    HWND new_ = nullptr;
    HWND confirm_ = nullptr;
    HWND first_ = nullptr;
    HWND remove_ = nullptr;
    const wchar_t* done_ = nullptr;
};

} // namespace

void ShowParentPasswordDialog(HINSTANCE instance, HWND owner, ParentLock& lock, EventSink* events) {
    if (lock.State() == LockState::Unreadable) {
        const std::wstring message = FillIn(text::kLockUnreadable, L"{value}", PasswordValueFullName());
        ::MessageBoxW(owner, message.c_str(), text::kAppTitle, MB_OK | MB_ICONWARNING);
        return;
    }
    ParentPasswordDialog dialog(lock, events);
    if (const wchar_t* done = dialog.Run(instance, owner)) {
        ::MessageBoxW(owner, done, text::kAppTitle, MB_OK | MB_ICONINFORMATION);
    }
}

} // namespace kestrel::win
