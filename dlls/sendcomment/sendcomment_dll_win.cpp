// SendComment.dll: ShowComment(productText) shows a small modal feedback dialog titled with the text it
// was given. "发送" refuses an empty comment, otherwise posts the comment (and the optional contact) to
// the feedback address on a worker thread, keeping the dialog responsive, and tells the user whether
// it arrived.
#include "base/command_ids.h"
#include "base/texts.h"
#include "platform/dialog_template_win.h"
#include "common/http_win.h"
#include "shell/web_address_win.h"

#include <windows.h>

#include <string>

namespace {

using namespace kestrel;

constexpr UINT kMsgSendResult = WM_APP + 1; // wParam: 1 when the feedback arrived
constexpr int kMaxCommentChars = 4000;
constexpr int kMaxContactChars = 200;

HMODULE ThisModule() {
    HMODULE self = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&ThisModule), &self);
    return self;
}

std::wstring Widen(const char* text) {
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 1 ? length - 1 : 0), L'\0');
    if (length > 1) {
        ::MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    }
    return wide;
}

// Form encoding of UTF-8 text: unreserved characters as they are, everything else %XX.
std::string FormEncode(const std::wstring& text) {
    std::string utf8;
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                             0, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    if (length > 0) {
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), length,
                              nullptr, nullptr);
    }
    std::string out;
    constexpr char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : utf8) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
            c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

std::wstring TextOf(HWND control) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool IsBlank(const std::wstring& text) {
    return text.find_first_not_of(L" \t\r\n\x3000") == std::wstring::npos;
}

struct Sending {
    HWND dialog;
    std::string body;
};

DWORD WINAPI SendThread(void* parameter) {
    auto* sending = static_cast<Sending*>(parameter);
    bool arrived = false;
    try {
        win::HttpRequest request;
        request.url = win::ResolveWebAddress(WebAddress::Feedback);
        request.verb = L"POST";
        request.body = sending->body;
        request.headers = L"Content-Type: application/x-www-form-urlencoded; charset=utf-8";
        arrived = win::SendHttpRequest(request).has_value();
    } catch (...) {
    }
    // The dialog may have been closed meanwhile; then the message goes nowhere.
    ::PostMessageW(sending->dialog, kMsgSendResult, arrived ? 1 : 0, 0);
    delete sending;
    ::FreeLibraryAndExitThread(ThisModule(), 0);
}

class FeedbackDialog {
public:
    explicit FeedbackDialog(std::wstring title) : title_(std::move(title)) {}

    void Run() {
        auto dialogTemplate = win::MakeDialogTemplate(DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU);
        // Owned by the caller's active window, so that it is disabled while the dialog is open.
        ::DialogBoxIndirectParamW(ThisModule(), &dialogTemplate.dialog, ::GetActiveWindow(), &Proc,
                                  reinterpret_cast<LPARAM>(this));
        if (font_) {
            ::DeleteObject(font_);
        }
    }

private:
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        if (message == WM_INITDIALOG) {
            ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        }
        auto* self = reinterpret_cast<FeedbackDialog*>(::GetWindowLongPtrW(dialog, DWLP_USER));
        if (!self) {
            return FALSE;
        }
        try {
            return self->Handle(dialog, message, wParam);
        } catch (...) {
            return FALSE;
        }
    }

    INT_PTR Handle(HWND dialog, UINT message, WPARAM wParam) {
        switch (message) {
        case WM_INITDIALOG:
            dialog_ = dialog;
            Build();
            return FALSE; // focus was set on the comment box
        case WM_COMMAND:
            if (LOWORD(wParam) == ids::kFeedbackSend || LOWORD(wParam) == IDOK) {
                Send();
            } else if (LOWORD(wParam) == IDCANCEL) {
                ::EndDialog(dialog_, IDCANCEL);
            }
            return TRUE;
        case kMsgSendResult:
            Finish(wParam != 0);
            return TRUE;
        default:
            return FALSE;
        }
    }

    HWND Add(const wchar_t* cls, const wchar_t* text, DWORD style, unsigned id, int x, int y, int w, int h,
             DWORD exStyle = 0) {
        HWND control = ::CreateWindowExW(
            exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, Px(x), Px(y), Px(w), Px(h), dialog_,
            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ThisModule(), nullptr);
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        return control;
    }

    int Px(int px96) const { return ::MulDiv(px96, dpi_, 96); }

    void Build() {
        HDC screen = ::GetDC(nullptr);
        dpi_ = ::GetDeviceCaps(screen, LOGPIXELSY);
        ::ReleaseDC(nullptr, screen);
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
        font_ = ::CreateFontIndirectW(&metrics.lfMessageFont);

        ::SetWindowTextW(dialog_, title_.c_str());
        Add(L"STATIC", text::kFeedbackCommentLabel, SS_NOPREFIX, ids::kFeedbackCommentLabel, 12, 10, 376, 18);
        comment_ = Add(L"EDIT", L"", ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP,
                       ids::kFeedbackComment, 12, 30, 376, 140, WS_EX_CLIENTEDGE);
        Add(L"STATIC", text::kFeedbackContactLabel, SS_NOPREFIX, ids::kFeedbackContactLabel, 12, 180, 376,
            18);
        contact_ = Add(L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, ids::kFeedbackContact, 12, 200, 376, 24,
                       WS_EX_CLIENTEDGE);
        send_ = Add(L"BUTTON", text::kFeedbackSend, BS_DEFPUSHBUTTON | WS_TABSTOP, ids::kFeedbackSend, 208,
                    238, 86, 28);
        Add(L"BUTTON", text::kFeedbackCancel, BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 302, 238, 86, 28);
        ::SendMessageW(comment_, EM_LIMITTEXT, kMaxCommentChars, 0);
        ::SendMessageW(contact_, EM_LIMITTEXT, kMaxContactChars, 0);

        // Client 400 x 278 at 96 dpi, centred on the work area.
        RECT frame{0, 0, Px(400), Px(278)};
        ::AdjustWindowRectEx(&frame, static_cast<DWORD>(::GetWindowLongPtrW(dialog_, GWL_STYLE)), FALSE,
                             static_cast<DWORD>(::GetWindowLongPtrW(dialog_, GWL_EXSTYLE)));
        RECT work{};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        const int w = frame.right - frame.left;
        const int h = frame.bottom - frame.top;
        ::SetWindowPos(dialog_, nullptr, work.left + (work.right - work.left - w) / 2,
                       work.top + (work.bottom - work.top - h) / 2, w, h, SWP_NOZORDER);
        ::SetFocus(comment_);
    }

    void Send() {
        if (sending_) {
            return;
        }
        const std::wstring comment = TextOf(comment_);
        if (IsBlank(comment)) {
            ::MessageBoxW(dialog_, text::kFeedbackEmpty, text::kAppTitle, MB_OK | MB_ICONWARNING);
            ::SetFocus(comment_);
            return;
        }
        auto* sending =
            new Sending{dialog_, "product=" + FormEncode(title_) + "&comment=" + FormEncode(comment) +
                                     "&contact=" + FormEncode(TextOf(contact_))};
        HMODULE reference = nullptr;
        ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&ThisModule),
                             &reference);
        HANDLE thread = ::CreateThread(nullptr, 0, &SendThread, sending, 0, nullptr);
        if (!thread) {
            delete sending;
            ::FreeLibrary(reference);
            Finish(false);
            return;
        }
        ::CloseHandle(thread);
        sending_ = true;
        SetBusy(true);
    }

    void SetBusy(bool busy) {
        ::SetWindowTextW(send_, busy ? text::kFeedbackSending : text::kFeedbackSend);
        ::EnableWindow(send_, !busy);
        ::SendMessageW(comment_, EM_SETREADONLY, busy, 0);
        ::SendMessageW(contact_, EM_SETREADONLY, busy, 0);
    }

    void Finish(bool arrived) {
        sending_ = false;
        SetBusy(false);
        ::MessageBoxW(dialog_, arrived ? text::kFeedbackSent : text::kFeedbackFailed, text::kAppTitle,
                      MB_OK | (arrived ? MB_ICONINFORMATION : MB_ICONERROR));
        if (arrived) {
            ::EndDialog(dialog_, IDOK);
        }
    }

    std::wstring title_;
    HWND dialog_ = nullptr;
    HWND comment_ = nullptr;
    HWND contact_ = nullptr;
    HWND send_ = nullptr;
    HFONT font_ = nullptr;
    int dpi_ = 96;
    bool sending_ = false;
};

} // namespace

extern "C" int __stdcall ShowComment(const char* productText) {
    try {
        FeedbackDialog(Widen(productText ? productText : "")).Run();
    } catch (...) {
    }
    return 0;
}
