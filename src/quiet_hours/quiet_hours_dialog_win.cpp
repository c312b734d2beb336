// The quiet-hours dialog; see quiet_hours_dialog_win.h. Made in code on an empty template, laid out in
// 96-dpi pixels scaled to the monitor (and again when it moves to another). Creation order is the Tab
// order, top to bottom; each label's access key leads to the control after it.
#include "quiet_hours/quiet_hours_dialog_win.h"

#include "base/command_ids.h"
#include "base/texts.h"
#include "editors/time_field_win.h"
#include "platform/dialog_template_win.h"
#include "platform/dpi_win.h"
#include "platform/handles_win.h"
#include "platform/window_win.h"
#include "base/clock_text.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <string>

namespace kestrel::win {

namespace {

constexpr DWORD kStyle = DS_MODALFRAME | DS_SETFOREGROUND | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr int kClientWidth = 472;
constexpr int kClientHeight = 420;
// The operations a window may have, in the drop-down's order.
constexpr std::array<const wchar_t*, 3> kOperations = {text::kOpShutdown, text::kOpLogOff, text::kOpLock};
constexpr std::array<int, 4> kColumnWidths = {170, 64, 64, 120};

struct Place {
    int x, y, width, height; // 96-dpi pixels
};

class QuietHoursDialog final : public Dialog {
public:
    QuietHoursDialog(const std::vector<QuietWindow>& windows, const QuietHoursDialogHost& host)
        : original_(windows), windows_(windows), host_(host) {}

    bool Run(HINSTANCE instance, HWND owner) {
        auto dialogTemplate = MakeDialogTemplate(kStyle);
        RunModalIndirect(instance, &dialogTemplate.dialog, owner);
        return saved_;
    }

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        switch (message) {
        case WM_INITDIALOG:
            Build();
            return FALSE; // the focus is set
        case WM_COMMAND:
            OnCommand(LOWORD(wParam));
            return TRUE;
        case WM_NOTIFY:
            OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
            return TRUE;
        case WM_DPICHANGED:
            Layout(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
            return TRUE;
        default:
            return FALSE;
        }
    }

private:
    HWND Add(const wchar_t* className, const wchar_t* caption, DWORD style, unsigned id, DWORD exStyle = 0) {
        HWND control = ::CreateWindowExW(exStyle, className, caption, WS_CHILD | WS_VISIBLE | style, 0, 0, 0,
                                         0, hwnd(), reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                         ::GetModuleHandleW(nullptr), nullptr);
        controls_.push_back(control);
        return control;
    }

    void Build() {
        ::SetWindowTextW(hwnd(), text::kQuietCaption);
        Add(WC_STATICW, text::kQuietListLabel, SS_LEFT, ids::kQuietListLabel);
        list_ = Add(WC_LISTVIEWW, L"",
                    LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_TABSTOP | WS_GROUP,
                    ids::kQuietList, WS_EX_CLIENTEDGE);
        ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
        for (int i = 0; i < static_cast<int>(kColumnWidths.size()); ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_SUBITEM;
            column.pszText = const_cast<wchar_t*>(text::kQuietColumns[i]);
            column.iSubItem = i;
            ListView_InsertColumn(list_, i, &column);
        }
        Add(WC_STATICW, text::kQuietDaysLabel, SS_LEFT, ids::kQuietDaysLabel);
        for (std::size_t day = 0; day < days_.size(); ++day) {
            days_[day] = Add(WC_BUTTONW, text::kEditorWeekdays[day],
                             BS_AUTOCHECKBOX | WS_TABSTOP | (day == 0 ? WS_GROUP : 0),
                             ids::kQuietDayFirst + static_cast<unsigned>(day));
        }
        Add(WC_STATICW, text::kQuietStartLabel, SS_LEFT, ids::kQuietStartLabel);
        start_ = CreateTimeField(hwnd(), ids::kQuietStart);
        controls_.push_back(start_);
        Add(WC_STATICW, text::kQuietEndLabel, SS_LEFT, ids::kQuietEndLabel);
        end_ = CreateTimeField(hwnd(), ids::kQuietEnd);
        controls_.push_back(end_);
        Add(WC_STATICW, text::kQuietOperationLabel, SS_LEFT, ids::kQuietOperationLabel);
        operation_ = Add(WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP,
                         ids::kQuietOperation);
        for (const wchar_t* operation : kOperations) {
            ::SendMessageW(operation_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(operation));
        }
        ::SendMessageW(operation_, CB_SETCURSEL, 0, 0);
        Add(WC_BUTTONW, text::kQuietAdd, BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, ids::kQuietAdd);
        Add(WC_BUTTONW, text::kQuietDelete, BS_PUSHBUTTON | WS_TABSTOP, ids::kQuietDelete);
        // Without a password, cancelling a countdown needs none either: the parent should know.
        Add(WC_STATICW, host_.lockSet ? L"" : text::kQuietNoPassword, SS_LEFT | SS_NOPREFIX,
            ids::kQuietNoPasswordLine);
        Add(WC_BUTTONW, text::kQuietOk, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, IDOK);
        Add(WC_BUTTONW, text::kQuietCancel, BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL);
        // An example to start from: a school night.
        ::SetWindowTextW(start_, L"21:00");
        ::SetWindowTextW(end_, L"07:00");
        Layout(DpiForWindow(hwnd()), nullptr);
        CentreOnWorkArea(hwnd());
        ShowWindows(windows_.empty() ? -1 : 0);
        ::SetFocus(windows_.empty() ? days_[0] : list_);
    }

    void Layout(int dpi, const RECT* suggested) {
        dpi_ = dpi;
        const HFONT font = CreateUiFont(dpi);
        const Place places[] = {
            {12, 12, 300, 18},  // list label
            {12, 32, 448, 164}, // list
            {12, 206, 300, 18}, // days label
            {12, 226, 62, 22},  {76, 226, 62, 22},    {140, 226, 62, 22}, {204, 226, 62, 22},
            {268, 226, 62, 22}, {332, 226, 62, 22},   {396, 226, 64, 22}, // the seven days
            {12, 265, 62, 18},  {76, 262, 58, 24},                        // start
            {150, 265, 62, 18}, {214, 262, 58, 24},                       // end
            {288, 265, 62, 18}, {352, 261, 108, 120},                     // operation
            {12, 300, 92, 26},  {112, 300, 92, 26},                       // add, delete
            {12, 340, 448, 36},                                           // the line without a password
            {284, 382, 84, 26}, {376, 382, 84, 26},                       // OK, Cancel
        };
        static_assert(std::size(places) == 21);
        for (std::size_t i = 0; i < controls_.size() && i < std::size(places); ++i) {
            const Place& p = places[i];
            ::SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            ::MoveWindow(controls_[i], Scale(p.x, dpi), Scale(p.y, dpi), Scale(p.width, dpi),
                         Scale(p.height, dpi), TRUE);
        }
        font_.reset(font); // the controls have let go of the previous one
        for (int i = 0; i < static_cast<int>(kColumnWidths.size()); ++i) {
            ListView_SetColumnWidth(list_, i, Scale(kColumnWidths[i], dpi));
        }
        FitClientArea(hwnd(), Scale(kClientWidth, dpi), Scale(kClientHeight, dpi), dpi, suggested);
        ::InvalidateRect(hwnd(), nullptr, TRUE);
    }

    // Fills the list from windows_ and selects row `select` (none when negative).
    void ShowWindows(int select) {
        ListView_DeleteAllItems(list_);
        for (int i = 0; i < static_cast<int>(windows_.size()); ++i) {
            const QuietWindow& window = windows_[static_cast<std::size_t>(i)];
            const std::wstring cells[] = {QuietDaysText(window), QuietTimeText(window.start),
                                          QuietTimeText(window.end), window.operation};
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = i;
            item.pszText = const_cast<wchar_t*>(cells[0].c_str());
            ListView_InsertItem(list_, &item);
            for (int column = 1; column < 4; ++column) {
                ListView_SetItemText(list_, i, column, const_cast<wchar_t*>(cells[column].c_str()));
            }
        }
        if (select >= 0 && select < static_cast<int>(windows_.size())) {
            ListView_SetItemState(list_, select, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            ListView_EnsureVisible(list_, select, FALSE);
        }
    }

    // The selected window's values go into the controls below, to be changed and added again.
    void ShowInFields(std::size_t index) {
        const QuietWindow& window = windows_[index];
        for (std::size_t day = 0; day < days_.size(); ++day) {
            ::SendMessageW(days_[day], BM_SETCHECK, window.days[day] ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        ::SetWindowTextW(start_, QuietTimeText(window.start).c_str());
        ::SetWindowTextW(end_, QuietTimeText(window.end).c_str());
        for (std::size_t i = 0; i < kOperations.size(); ++i) {
            if (window.operation == kOperations[i]) {
                ::SendMessageW(operation_, CB_SETCURSEL, i, 0);
            }
        }
    }

    void OnCommand(unsigned id) {
        switch (id) {
        case IDOK:
            // Enter in a time field adds the window; anywhere else it is "确定".
            if (const HWND focus = ::GetFocus(); focus == start_ || focus == end_) {
                AddWindow();
            } else {
                Accept();
            }
            break;
        case IDCANCEL:
            ::EndDialog(hwnd(), IDCANCEL);
            break;
        case ids::kQuietAdd:
            AddWindow();
            break;
        case ids::kQuietDelete:
            DeleteSelected();
            break;
        default:
            break;
        }
    }

    void OnNotify(const NMHDR& header) {
        if (header.hwndFrom != list_) {
            return;
        }
        if (header.code == LVN_KEYDOWN && reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE) {
            DeleteSelected();
        } else if (header.code == LVN_ITEMCHANGED) {
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            if ((change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED) &&
                change.iItem >= 0 && change.iItem < static_cast<int>(windows_.size())) {
                ShowInFields(static_cast<std::size_t>(change.iItem));
            }
        }
    }

    // Tells what is wrong and puts the focus where it can be mended.
    void Refuse(const wchar_t* message, HWND field) {
        ::MessageBoxW(hwnd(), message, text::kAppTitle, MB_OK | MB_ICONEXCLAMATION);
        ::SetFocus(field);
        if (field == start_ || field == end_) {
            ::SendMessageW(field, EM_SETSEL, 0, -1);
        }
    }

    // The minute of the day in a time field; nullopt after telling why there is none.
    std::optional<int> ReadTime(HWND field) {
        const std::wstring time = GetWindowTextString(field);
        if (time.size() != 5 || time.find(L' ') != std::wstring::npos) {
            Refuse(text::kQuietBlankTime, field);
            return std::nullopt;
        }
        const std::optional<int> minute = PlanMinuteOfDay(time);
        if (!minute) {
            Refuse(text::kMsgBadTime, field);
        }
        return minute;
    }

    void AddWindow() {
        if (windows_.size() >= kMaxQuietWindows) {
            Refuse(text::kQuietTooMany, list_);
            return;
        }
        QuietWindow window;
        bool anyDay = false;
        for (std::size_t day = 0; day < days_.size(); ++day) {
            window.days[day] = ::SendMessageW(days_[day], BM_GETCHECK, 0, 0) == BST_CHECKED;
            anyDay = anyDay || window.days[day];
        }
        if (!anyDay) {
            Refuse(text::kQuietNoDay, days_[0]);
            return;
        }
        const std::optional<int> start = ReadTime(start_);
        if (!start) {
            return;
        }
        const std::optional<int> end = ReadTime(end_);
        if (!end) {
            return;
        }
        if (*start == *end) {
            Refuse(text::kQuietSameTimes, end_);
            return;
        }
        window.start = *start;
        window.end = *end;
        const LRESULT operation = ::SendMessageW(operation_, CB_GETCURSEL, 0, 0);
        window.operation =
            kOperations[operation >= 0 && operation < 3 ? static_cast<std::size_t>(operation) : 0];
        windows_.push_back(std::move(window));
        ShowWindows(static_cast<int>(windows_.size()) - 1);
    }

    void DeleteSelected() {
        const int selected = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
        if (selected < 0 || selected >= static_cast<int>(windows_.size())) {
            ::MessageBeep(MB_OK);
            return;
        }
        windows_.erase(windows_.begin() + selected);
        ShowWindows(std::min(selected, static_cast<int>(windows_.size()) - 1));
        ::SetFocus(list_);
    }

    void Accept() {
        if (windows_ != original_) {
            if (host_.allow && !host_.allow(hwnd(), text::kAskQuietHours)) {
                return;
            }
            if (!host_.save || !host_.save(windows_)) {
                ::MessageBoxW(hwnd(), text::kQuietNotSaved, text::kAppTitle, MB_OK | MB_ICONERROR);
                return;
            }
            saved_ = true;
        }
        // Quiet hours act only while Kestrel runs: after a log-on that takes the start at log-on.
        if (!windows_.empty() && host_.autoStartTicked && !host_.autoStartTicked() && host_.tickAutoStart &&
            ::MessageBoxW(hwnd(), text::kQuietOfferAutoStart, text::kAppTitle, MB_YESNO | MB_ICONQUESTION) ==
                IDYES) {
            host_.tickAutoStart();
        }
        ::EndDialog(hwnd(), IDOK);
    }

    const std::vector<QuietWindow> original_;
    std::vector<QuietWindow> windows_;
    const QuietHoursDialogHost& host_;
    bool saved_ = false;
    int dpi_ = 96;
    UniqueFont font_;
    std::vector<HWND> controls_;
    HWND list_ = nullptr;
    std::array<HWND, 7> days_{};
    HWND start_ = nullptr;
    HWND end_ = nullptr;
    HWND operation_ = nullptr;
};

} // namespace

bool ShowQuietHoursDialog(HINSTANCE instance, HWND owner, const std::vector<QuietWindow>& windows,
                          const QuietHoursDialogHost& host) {
    QuietHoursDialog dialog(windows, host);
    return dialog.Run(instance, owner);
}

} // namespace kestrel::win
