// frmAbout; see about_box_win.h. The controls are made in code on an empty template so that they are
// placed by the same twips as the window was designed in.
#include "shell/about_box_win.h"

#include "base/command_ids.h"
#include "base/texts.h"
#include "platform/dialog_template_win.h"
#include "platform/dpi_win.h"
#include "res/resource_ids.h"

#include <commctrl.h>

namespace kestrel::win {

namespace {

constexpr int kClientWidthTwips = 5730;
constexpr int kClientHeightTwips = 3075;
constexpr TwipsRect kIconRect{240, 240, 480, 480};
constexpr TwipsRect kTitleRect{1050, 150, 4500, 390};
constexpr TwipsRect kVersionRect{1050, 570, 4500, 240};
constexpr TwipsRect kDescriptionRect{1050, 840, 4530, 1440};
constexpr TwipsRect kLine1Rect{100, 2325, 5530, 15};
constexpr TwipsRect kLine2Rect{100, 2340, 5530, 15};
constexpr TwipsRect kDisclaimerRect{240, 2625, 900, 255};
constexpr TwipsRect kLinkRect{1140, 2595, 2970, 315};
constexpr TwipsRect kOkRect{4260, 2550, 1260, 375};
const COLORREF kLinkInk = RGB(0, 0, 255);

constexpr DWORD kStyle = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;

} // namespace

AboutBox::AboutBox(std::wstring homePage, std::function<void(const std::wstring&)> openLink)
    : homePage_(std::move(homePage)), openLink_(std::move(openLink)) {}

void AboutBox::Show(HINSTANCE instance, HWND owner) {
    instance_ = instance;
    auto dialogTemplate = MakeDialogTemplate(kStyle);
    RunModalIndirect(instance, &dialogTemplate.dialog, owner);
}

void AboutBox::Build() {
    dpi_ = DpiForWindow(hwnd());
    font_.reset(CreateUiFont(dpi_));
    titleFont_.reset(CreateUiFont(dpi_, 150, true));
    LOGFONTW underlined{};
    ::GetObjectW(font_.get(), sizeof(underlined), &underlined);
    underlined.lfUnderline = TRUE;
    linkFont_.reset(::CreateFontIndirectW(&underlined));

    auto add = [&](const wchar_t* cls, const wchar_t* text, DWORD style, unsigned id, const TwipsRect& at,
                   HFONT font) {
        const RECT r = ToPixels(at, dpi_);
        HWND control = ::CreateWindowExW(
            0, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left, r.bottom - r.top,
            hwnd(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), instance_, nullptr);
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return control;
    };
    const int iconSize = Scale(32, dpi_);
    icon_.reset(static_cast<HICON>(::LoadImageW(instance_, MAKEINTRESOURCEW(KESTREL_IDI_APP), IMAGE_ICON,
                                                iconSize, iconSize, LR_DEFAULTCOLOR)));
    HWND picture =
        add(WC_STATICW, nullptr, SS_ICON | SS_REALSIZECONTROL, ids::kAboutIcon, kIconRect, nullptr);
    ::SendMessageW(picture, STM_SETICON,
                   reinterpret_cast<WPARAM>(icon_ ? icon_.get() : ::LoadIconW(nullptr, IDI_APPLICATION)), 0);
    title_ = add(WC_STATICW, text::kAboutTitle, SS_NOPREFIX, ids::kAboutTitle, kTitleRect, titleFont_.get());
    add(WC_STATICW, text::kAboutVersion, SS_NOPREFIX, ids::kAboutVersion, kVersionRect, font_.get());
    add(WC_STATICW, text::kAboutDescription, SS_NOPREFIX, ids::kAboutDescription, kDescriptionRect,
        font_.get());
    // The two lines make one etched rule: a grey line with a white one beneath it.
    add(WC_STATICW, nullptr, SS_GRAYRECT, ids::kAboutLine1, kLine1Rect, nullptr);
    add(WC_STATICW, nullptr, SS_WHITERECT, ids::kAboutLine2, kLine2Rect, nullptr);
    add(WC_STATICW, text::kAboutDisclaimer, SS_NOPREFIX, ids::kAboutDisclaimer, kDisclaimerRect, font_.get());
    // The link is an owner-drawn button: Tab reaches it and Space uses it, as with any button, and only
    // the left mouse button clicks it.
    link_ = add(WC_BUTTONW, homePage_.c_str(), BS_OWNERDRAW | WS_TABSTOP, ids::kAboutLink, kLinkRect,
                linkFont_.get());
    HWND ok =
        add(WC_BUTTONW, text::kAboutOk, BS_DEFPUSHBUTTON | WS_TABSTOP, ids::kAboutOk, kOkRect, font_.get());

    ::SetWindowTextW(hwnd(), text::kAboutCaption);
    FitClientArea(hwnd(), ScaleTwips(kClientWidthTwips, dpi_), ScaleTwips(kClientHeightTwips, dpi_), dpi_);
    CentreOnWorkArea(hwnd());
    ::SetFocus(ok);
}

void AboutBox::DrawLink(const DRAWITEMSTRUCT& item) {
    ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(COLOR_BTNFACE));
    ::SetBkMode(item.hDC, TRANSPARENT);
    ::SetTextColor(item.hDC, kLinkInk);
    HGDIOBJ old = ::SelectObject(item.hDC, linkFont_.get());
    RECT text = item.rcItem;
    ::DrawTextW(item.hDC, homePage_.c_str(), -1, &text,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    ::SelectObject(item.hDC, old);
    if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
        ::DrawFocusRect(item.hDC, &item.rcItem);
    }
}

INT_PTR AboutBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        Build();
        return FALSE; // the focus is on "确定"
    case WM_COMMAND:
        if (LOWORD(wParam) == ids::kAboutLink && HIWORD(wParam) == BN_CLICKED) {
            if (openLink_) {
                openLink_(homePage_);
            }
        } else if (LOWORD(wParam) == ids::kAboutOk || LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            ::EndDialog(hwnd(), IDOK);
        }
        return TRUE;
    case WM_DRAWITEM:
        if (wParam == ids::kAboutLink) {
            DrawLink(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
        return FALSE;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == link_ && LOWORD(lParam) == HTCLIENT) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
            SetResult(TRUE);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace kestrel::win
