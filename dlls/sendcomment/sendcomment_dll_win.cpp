// SendComment.dll: ShowComment(productText) shows a small modal feedback dialog titled with the text it
// was given. "发送" refuses an empty comment, otherwise posts the comment (and the optional contact) to
// the feedback address on a worker thread, keeping the dialog responsive, and tells the user whether
// it arrived. Plain Win32 without the C++ library, so the DLL stays small.
#include "base/command_ids.h"
#include "base/texts.h"
#include "common/heap_win.h"
#include "common/http_win.h"
#include "common/thread_win.h"
#include "common/module_win.h"
#include "common/text_win.h"
#include "platform/dialog_template_win.h"
#include "shell/web_address_win.h"

#include <windows.h>

namespace {

using namespace kestrel;
using win::HoldThisModule;
using win::ThisModule;

constexpr UINT kMsgSendResult = WM_APP + 1; // wParam: 1 when the feedback arrived
constexpr int kMaxCommentChars = 4000;
constexpr int kMaxContactChars = 200;
constexpr int kMaxTitleChars = 256;

// The text of a control, whole.
win::HeapArray<wchar_t> TextOf(HWND control) {
    const int length = ::GetWindowTextLengthW(control);
    win::HeapArray<wchar_t> text(static_cast<SIZE_T>(length > 0 ? length : 0) + 1);
    if (text) {
        ::GetWindowTextW(control, text.get(), static_cast<int>(text.size()));
    }
    return text;
}

bool IsBlank(const wchar_t* text) {
    for (; *text; ++text) {
        if (*text != L' ' && *text != L'\t' && *text != L'\r' && *text != L'\n' && *text != L'\x3000') {
            return false;
        }
    }
    return true;
}

// The form body being assembled: name=value pairs, values form-encoded from UTF-8.
class FormBody {
public:
    explicit FormBody(SIZE_T capacity) : bytes_(capacity) {}

    // Appends "name" and the encoded `value`: unreserved characters as they are, everything else %XX.
    bool Add(const char* name, const wchar_t* value) {
        const int wideLength = ::lstrlenW(value);
        const int length = ::WideCharToMultiByte(CP_UTF8, 0, value, wideLength, nullptr, 0, nullptr, nullptr);
        win::HeapArray<char> utf8(static_cast<SIZE_T>(length > 0 ? length : 0) + 1);
        if (!bytes_ || !utf8) {
            return false;
        }
        ::WideCharToMultiByte(CP_UTF8, 0, value, wideLength, utf8.get(), length, nullptr, nullptr);
        if (size_ > 0 && !Put('&')) {
            return false;
        }
        for (const char* n = name; *n; ++n) {
            if (!Put(*n)) {
                return false;
            }
        }
        if (!Put('=')) {
            return false;
        }
        constexpr char kHex[] = "0123456789ABCDEF";
        for (int i = 0; i < length; ++i) {
            const auto c = static_cast<unsigned char>(utf8[static_cast<SIZE_T>(i)]);
            const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                               c == '-' || c == '_' || c == '.' || c == '~';
            if (plain ? !Put(static_cast<char>(c)) : !(Put('%') && Put(kHex[c >> 4]) && Put(kHex[c & 15]))) {
                return false;
            }
        }
        return true;
    }

    const char* data() const { return bytes_.get(); }
    DWORD size() const { return size_; }

private:
    bool Put(char c) {
        if (size_ >= bytes_.size()) {
            return false;
        }
        bytes_[size_++] = c;
        return true;
    }

    win::HeapArray<char> bytes_;
    DWORD size_ = 0;
};

// What the dialog hands to its worker thread: the thread copies the body out and frees the block.
struct Sending {
    HWND dialog;
    DWORD size;
    char body[1]; // `size` bytes
};

DWORD WINAPI SendThread(void* parameter) {
    auto* sending = static_cast<Sending*>(parameter);
    wchar_t url[win::kWebAddressCapacity];
    win::ResolveWebAddress(WebAddress::Feedback, url);
    win::HttpRequest request;
    request.url = url;
    request.verb = L"POST";
    request.body = sending->body;
    request.bodySize = sending->size;
    request.headers = L"Content-Type: application/x-www-form-urlencoded; charset=utf-8";
    char answer[256]; // a short acknowledgement; nothing of it is used
    request.response = answer;
    request.responseCapacity = sizeof(answer);
    DWORD answerSize = 0;
    const bool arrived = win::SendHttpRequest(request, &answerSize);
    // The dialog may have been closed meanwhile; then the message goes nowhere.
    ::PostMessageW(sending->dialog, kMsgSendResult, arrived ? 1 : 0, 0);
    ::HeapFree(::GetProcessHeap(), 0, sending);
    ::FreeLibraryAndExitThread(ThisModule(), 0);
}

class FeedbackDialog {
public:
    explicit FeedbackDialog(const char* productText) {
        if (::MultiByteToWideChar(CP_ACP, 0, productText, -1, title_, kMaxTitleChars) == 0) {
            title_[0] = L'\0'; // longer than any product name: no title rather than a cut one
        }
    }

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
        return self->Handle(dialog, message, wParam);
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

        ::SetWindowTextW(dialog_, title_);
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
        const auto comment = TextOf(comment_);
        const auto contact = TextOf(contact_);
        if (!comment || !contact) {
            Finish(false);
            return;
        }
        if (IsBlank(comment.get())) {
            ::MessageBoxW(dialog_, text::kFeedbackEmpty, text::kAppTitle, MB_OK | MB_ICONWARNING);
            ::SetFocus(comment_);
            return;
        }
        // Each UTF-16 unit is at most three bytes of UTF-8, each byte at most three characters encoded.
        const SIZE_T chars = static_cast<SIZE_T>(::lstrlenW(title_)) + comment.size() + contact.size();
        FormBody body(chars * 9 + 64);
        auto* sending =
            static_cast<Sending*>(::HeapAlloc(::GetProcessHeap(), 0, sizeof(Sending) + chars * 9 + 64));
        if (!sending || !body.Add("product", title_) || !body.Add("comment", comment.get()) ||
            !body.Add("contact", contact.get())) {
            if (sending) {
                ::HeapFree(::GetProcessHeap(), 0, sending);
            }
            Finish(false);
            return;
        }
        sending->dialog = dialog_;
        sending->size = body.size();
        ::CopyMemory(sending->body, body.data(), body.size());
        const HMODULE reference = HoldThisModule();
        HANDLE thread = kestrel::win::CreateThreadLikeCaller(&SendThread, sending);
        if (!thread) {
            ::HeapFree(::GetProcessHeap(), 0, sending);
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

    wchar_t title_[kMaxTitleChars] = {};
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
    FeedbackDialog(productText ? productText : "").Run();
    return 0;
}
