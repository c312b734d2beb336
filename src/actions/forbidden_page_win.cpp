// Form_禁止程序: the forbidden-programs page; see forbidden_page_win.h. The list box shows the
// ForbiddenList entry for entry, in the same order, so a selected row is the entry of the same index.
#include "actions/forbidden_page_win.h"

#include "base/command_ids.h"
#include "base/texts.h"
#include "base/app_messages.h"
#include "platform/dpi_win.h"
#include "platform/path_name.h"
#include "platform/shortcut_win.h"

#include <commctrl.h>
#include <commdlg.h>

#include <string>

namespace kestrel::win {

namespace {

constexpr UINT_PTR kNameEnterSubclass = 1;

// Enter in the name field adds the name, as "添加到禁止列表" does; the dialog manager would otherwise
// take it for the window's default button, which there is none of.
LRESULT CALLBACK NameEnterProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                               DWORD_PTR) noexcept {
    switch (message) {
    case WM_GETDLGCODE:
        if (const auto* msg = reinterpret_cast<const MSG*>(lParam);
            msg && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) {
            return ::DefSubclassProc(field, message, wParam, lParam) | DLGC_WANTALLKEYS;
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN) {
            // Posted: the add may show a message box, which must not open inside the key's handling.
            ::PostMessageW(::GetParent(field), WM_COMMAND, MAKEWPARAM(ids::kForbiddenAdd, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(::GetParent(field), ids::kForbiddenAdd)));
            return 0;
        }
        break;
    case WM_CHAR:
        if (wParam == L'\r') {
            return 0; // the edit would only beep
        }
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(field, &NameEnterProc, kNameEnterSubclass);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(field, message, wParam, lParam);
}

// The controls' places in the page (client area 8685 × 3450 twips): the name, its chooser and the two
// buttons on the left, the list on the right.
struct ControlLayout {
    unsigned id;
    const wchar_t* className;
    const wchar_t* caption;
    DWORD style;
    DWORD exStyle;
    int left, top, width, height; // twips
};
constexpr std::array<ControlLayout, 8> kControls{{
    {ids::kForbiddenNameLabel, L"STATIC", text::kForbiddenNameLabel, SS_LEFT, 0, 240, 300, 2400, 270},
    {ids::kForbiddenName, L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 240, 600, 3060, 345},
    {ids::kForbiddenChoose, L"BUTTON", text::kForbiddenChoose, BS_PUSHBUTTON | WS_TABSTOP, 0, 3420, 585, 900,
     375},
    {ids::kForbiddenAdd, L"BUTTON", text::kForbiddenAdd, BS_PUSHBUTTON | WS_TABSTOP, 0, 240, 1185, 1980, 450},
    {ids::kForbiddenRemove, L"BUTTON", text::kForbiddenRemove, BS_PUSHBUTTON | WS_TABSTOP, 0, 2340, 1185,
     1980, 450},
    {ids::kForbiddenListLabel, L"STATIC", text::kForbiddenListLabel, SS_LEFT, 0, 4680, 300, 2400, 270},
    {ids::kForbiddenList, L"LISTBOX", L"", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
     WS_EX_CLIENTEDGE, 4680, 600, 3765, 2610},
    {ids::kForbiddenKeptLine, L"STATIC", text::kForbiddenKeptOff, SS_LEFT | SS_NOPREFIX, 0, 240, 1860, 4080, 1000},
}};

HBRUSH WhiteBrush() {
    return static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
}

} // namespace

ForbiddenProgramsPage::ForbiddenProgramsPage(ProcessTable& processes) : monitor_(processes) {}

ForbiddenProgramsPage::~ForbiddenProgramsPage() {
    if (hwnd()) {
        // The controls draw with font_, which goes with this object: they go first.
        for (HWND control : controls_) {
            ::DestroyWindow(control);
        }
    }
}

bool ForbiddenProgramsPage::Create(HWND panel) {
    RECT area{};
    ::GetClientRect(panel, &area);
    WNDCLASSEXW wc{};
    wc.hbrBackground = WhiteBrush();
    if (!CreateWindowOf(L"Kestrel.ForbiddenProgramsPage", wc, WS_EX_CONTROLPARENT, text::kForbiddenCaption,
                        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, area.right, area.bottom, panel,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(ids::kForbiddenPage)))) {
        return false;
    }
    CreateControls();
    LayoutForDpi(DpiForWindow(hwnd()));
    return true;
}

void ForbiddenProgramsPage::CreateControls() {
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        const ControlLayout& c = kControls[i];
        controls_[i] = ::CreateWindowExW(
            c.exStyle, c.className, c.caption, WS_CHILD | WS_VISIBLE | c.style, 0, 0, 0, 0, hwnd(),
            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(c.id)), ::GetModuleHandleW(nullptr), nullptr);
    }
    nameField_ = ::GetDlgItem(hwnd(), ids::kForbiddenName);
    listBox_ = ::GetDlgItem(hwnd(), ids::kForbiddenList);
    ::SetWindowSubclass(nameField_, &NameEnterProc, kNameEnterSubclass, 0);
}

void ForbiddenProgramsPage::LayoutForDpi(int dpi) {
    // The old font is freed only once the controls have let go of it.
    UniqueFont font(CreateUiFont(dpi));
    for (std::size_t i = 0; i < kControls.size(); ++i) {
        const ControlLayout& c = kControls[i];
        ::SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        ::MoveWindow(controls_[i], ScaleTwips(c.left, dpi), ScaleTwips(c.top, dpi), ScaleTwips(c.width, dpi),
                     ScaleTwips(c.height, dpi), TRUE);
    }
    font_ = std::move(font);
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

void ForbiddenProgramsPage::ChooseProgram() {
    // Room for the longest paths the system allows; a too-small buffer would fail the dialog.
    std::wstring path(32768, L'\0');
    std::wstring title(32768, L'\0');
    // Description and pattern, each ending in a NUL, and one more NUL to end the list.
    const std::wstring filter = std::wstring(text::kProgramFilterName) + L'\0' + text::kProgramFilterPattern +
                                L'\0' + text::kAllFilesFilterName + L'\0' + text::kAllFilesFilterPattern +
                                L'\0' + L'\0';
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = ::GetAncestor(hwnd(), GA_ROOT);
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrFileTitle = title.data();
    dialog.nMaxFileTitle = static_cast<DWORD>(title.size());
    dialog.lpstrDefExt = text::kForbiddenDefaultExtension;
    // The current directory stays where it was: other code may rely on it.
    // Shortcuts come back as themselves and are read here, the same way on every system.
    dialog.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST |
                   OFN_NODEREFERENCELINKS;
    // Cancel and every failure leave the field as it was, without a word.
    if (!::GetOpenFileNameW(&dialog)) {
        return;
    }
    path.resize(path.find(L'\0'));
    title.resize(title.find(L'\0'));
    // The monitor compares bare executable names, so the bare name is what the field gets; a
    // shortcut's own name never matches a process, the name of the program it starts does.
    if (IsShortcutPath(path)) {
        if (const auto target = ShortcutTarget(path)) {
            title = std::wstring(FileNameOf(*target));
        }
    }
    ::SetWindowTextW(nameField_, title.c_str());
}

void ForbiddenProgramsPage::AddName() {
    const std::wstring name = TrimForbiddenName(GetWindowTextString(nameField_));
    HWND owner = ::GetAncestor(hwnd(), GA_ROOT);
    switch (CheckForbiddenName(name)) {
    case ForbiddenNameCheck::Empty:
        ::MessageBoxW(owner, text::kMsgNoProgramChosen, text::kAppTitle, MB_OK | MB_ICONERROR);
        ::SetFocus(nameField_);
        return;
    case ForbiddenNameCheck::NeverMatches: {
        // Only the bare file name is ever compared: say so, and add it only if the user still wants it.
        const std::wstring question = FillIn(text::kForbiddenNameNeverMatches, L"{name}", name);
        if (::MessageBoxW(owner, question.c_str(), text::kAppTitle, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) !=
            IDYES) {
            return;
        }
        break;
    }
    case ForbiddenNameCheck::Usable:
        break;
    }
    if (list_.Add(name) == ForbiddenAddResult::Added) {
        ::SendMessageW(listBox_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        if (events_) {
            events_->Record(text::kEventForbiddenList, FillIn(text::kHistoryEntryAdded, L"{name}", name));
        }
        ListChanged();
    }
}

void ForbiddenProgramsPage::RemoveSelected() {
    const LRESULT selected = ::SendMessageW(listBox_, LB_GETCURSEL, 0, 0);
    if (selected == LB_ERR) {
        return;
    }
    // The entry is named again after the question: the list cannot change while the box is open, but the
    // selection is read afresh all the same.
    if (guard_ && !guard_(text::kAskForbidden)) {
        return;
    }
    const LRESULT still = ::SendMessageW(listBox_, LB_GETCURSEL, 0, 0);
    const std::vector<std::wstring>& entries = list_.Entries();
    const std::wstring name = still >= 0 && static_cast<std::size_t>(still) < entries.size()
                                  ? entries[static_cast<std::size_t>(still)]
                                  : std::wstring();
    if (still == LB_ERR || !list_.RemoveAt(static_cast<std::size_t>(still))) {
        return;
    }
    ::SendMessageW(listBox_, LB_DELETESTRING, static_cast<WPARAM>(still), 0);
    if (events_) {
        events_->Record(text::kEventForbiddenList, FillIn(text::kHistoryEntryDeleted, L"{name}", name));
    }
    ListChanged();
}

void ForbiddenProgramsPage::SetEntries(std::vector<std::wstring> entries) {
    list_.Assign(std::move(entries));
    ::SendMessageW(listBox_, LB_RESETCONTENT, 0, 0);
    for (const std::wstring& entry : list_.Entries()) {
        ::SendMessageW(listBox_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
}

void ForbiddenProgramsPage::ShowListKept(bool kept) {
    ::SetWindowTextW(::GetDlgItem(hwnd(), ids::kForbiddenKeptLine),
                     kept ? text::kForbiddenKeptOn : text::kForbiddenKeptOff);
}

void ForbiddenProgramsPage::ListChanged() {
    if (listChanged_) {
        listChanged_(list_.Entries());
    }
}

void ForbiddenProgramsPage::CheckNow() {
    const std::vector<EndedProcess> ended = monitor_.Tick(list_.Entries());
    if (!ended.empty() && processesEnded_) {
        processesEnded_(ended);
    }
}

LRESULT ForbiddenProgramsPage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            switch (LOWORD(wParam)) {
            case ids::kForbiddenChoose:
                ChooseProgram();
                return 0;
            case ids::kForbiddenAdd:
                AddName();
                return 0;
            case ids::kForbiddenRemove:
                RemoveSelected();
                return 0;
            default:
                break;
            }
        }
        break;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        // Labels and the corners of the buttons show the page's white instead of the dialog grey.
        HDC dc = reinterpret_cast<HDC>(wParam);
        ::SetBkColor(dc, RGB(255, 255, 255));
        ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(WhiteBrush());
    }
    case WM_DPICHANGED_AFTERPARENT:
        // The main window passes its new dpi along; the system's own notice carries none.
        LayoutForDpi(wParam != 0 ? static_cast<int>(wParam) : DpiForWindow(hwnd()));
        return 0;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

} // namespace kestrel::win
