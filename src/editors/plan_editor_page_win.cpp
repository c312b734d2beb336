// The plan editor page; see plan_editor_page_win.h. Controls are laid out in 96-dpi pixels on a page of
// the panel's size (579 x 230 at 96 dpi) and scaled to the window's dpi. They are created in reading
// order, left column first, so that Tab and the access keys follow what the eye sees.
#include "editors/plan_editor_page_win.h"

#include "base/app_messages.h"
#include "base/clock_text.h"
#include "base/command_ids.h"
#include "base/texts.h"
#include "editors/time_field_win.h"
#include "platform/dpi_win.h"
#include "platform/program_launcher_win.h"
#include "plans/plan_rows_text.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <array>
#include <string>

namespace kestrel::win {

// One control of a page: what it is, and its place in 96-dpi pixels. A null class is the time field.
struct EditorControl {
    unsigned id;
    const wchar_t* className;
    const wchar_t* caption;
    DWORD style;
    int x, y, width, height;
};

namespace {

constexpr DWORD kLabel = SS_LEFT | SS_CENTERIMAGE | WS_GROUP;
constexpr DWORD kFirstRadio = BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP;
constexpr DWORD kRadio = BS_AUTORADIOBUTTON;
constexpr DWORD kCheck = BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP;
constexpr DWORD kButton = BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP;
constexpr DWORD kDropList = CBS_DROPDOWNLIST | WS_VSCROLL | WS_GROUP | WS_TABSTOP;
constexpr DWORD kTextBox = ES_AUTOHSCROLL | WS_GROUP | WS_TABSTOP;

// Label_Tips by index; indices 1 (the time label) and 2, 3 (per editor) are named where they are used.
constexpr unsigned kTimingLabel = ids::kEditorLabelFirst;         // Label_Tips(0)
constexpr unsigned kRepeatLabel = ids::kEditorLabelFirst + 4;     // Label_Tips(4)
constexpr unsigned kRepeatTypeLabel = ids::kEditorLabelFirst + 5; // Label_Tips(5)
constexpr unsigned kWeekdaysLabel = ids::kEditorLabelFirst + 6;   // Label_Tips(6)
constexpr unsigned kOwnLabel = ids::kEditorLabelFirst + 2;        // Label_Tips(2)
constexpr unsigned kOwnSecondLabel = ids::kEditorLabelFirst + 3;  // Label_Tips(3)

// Left column: labels at x 16, controls from x 104, rows every 32 pixels.
constexpr std::array<EditorControl, 12> kTimingAndRepeat{{
    {kTimingLabel, WC_STATICW, text::kEditorTimingLabel, kLabel, 16, 16, 86, 22},
    {ids::kEditorTimingFixed, WC_BUTTONW, text::kEditorTimingFixed, kFirstRadio, 104, 16, 94, 22},
    {ids::kEditorTimingCountdown, WC_BUTTONW, text::kEditorTimingCountdown, kRadio, 200, 16, 94, 22},
    {ids::kEditorTimeLabel, WC_STATICW, text::kEditorFixedTimeLabel, kLabel, 16, 48, 86, 22},
    {ids::kEditorTimeField, nullptr, nullptr, 0, 104, 48, 64, 22},
    {ids::kEditorCountdownTarget, WC_STATICW, L"", SS_LEFT | SS_CENTERIMAGE | SS_NOPREFIX, 171, 48, 46, 22},
    {ids::kEditorNow, WC_BUTTONW, text::kEditorNow, kButton, 219, 47, 77, 24},
    {kRepeatLabel, WC_STATICW, text::kEditorRepeatLabel, kLabel, 16, 80, 86, 22},
    {ids::kEditorRepeatOnce, WC_BUTTONW, text::kEditorRepeatOnce, kFirstRadio, 104, 80, 94, 22},
    {ids::kEditorRepeatPlan, WC_BUTTONW, text::kEditorRepeatPlan, kRadio, 200, 80, 94, 22},
    {kRepeatTypeLabel, WC_STATICW, text::kEditorRepeatTypeLabel, kLabel, 16, 112, 86, 22},
    {ids::kEditorRepeatType, WC_COMBOBOXW, nullptr, kDropList, 104, 112, 140, 200},
}};
// The controls that only apply to a repeating plan, besides the weekday boxes.
constexpr std::array<unsigned, 3> kRepeatControls{kRepeatTypeLabel, kWeekdaysLabel, ids::kEditorRepeatType};

constexpr EditorControl kWeekdaysRow{
    kWeekdaysLabel, WC_STATICW, text::kEditorWeekdaysLabel, kLabel, 16, 144, 86, 22};
constexpr int kWeekdayLeft = 104;
constexpr int kWeekdayStep = 66;

// Right column: labels at x 300, controls from x 388 to 563.
constexpr std::array<EditorControl, 2> kShutdownControls{{
    {kOwnLabel, WC_STATICW, text::kEditorOperationLabel, kLabel, 300, 16, 86, 22},
    {ids::kEditorOperation, WC_COMBOBOXW, nullptr, kDropList, 388, 16, 140, 200},
}};
constexpr std::array<EditorControl, 4> kReminderControls{{
    {kOwnLabel, WC_STATICW, text::kEditorMessageLabel, kLabel, 300, 16, 86, 22},
    {ids::kEditorText, WC_EDITW, text::kEditorMessageInitial,
     ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL | WS_GROUP | WS_TABSTOP, 388, 16, 175, 54},
    {kOwnSecondLabel, WC_STATICW, text::kEditorReminderModeLabel, kLabel, 300, 80, 86, 22},
    {ids::kEditorOption, WC_BUTTONW, text::kEditorPlayMusic, kCheck, 388, 80, 120, 22},
}};
constexpr std::array<EditorControl, 5> kRunControls{{
    {kOwnLabel, WC_STATICW, text::kEditorPathLabel, kLabel, 300, 16, 86, 22},
    {ids::kEditorText, WC_EDITW, L"", kTextBox, 388, 16, 115, 22},
    {ids::kEditorChoose, WC_BUTTONW, text::kEditorChoose, kButton, 507, 15, 56, 24},
    {kOwnSecondLabel, WC_STATICW, text::kEditorRunModeLabel, kLabel, 300, 48, 86, 22},
    {ids::kEditorOption, WC_BUTTONW, text::kEditorRunHidden, kCheck, 388, 48, 120, 22},
}};

constexpr EditorControl kAddButton{ids::kEditorAdd, WC_BUTTONW, text::kEditorAdd, kButton, 415, 188, 148, 28};

constexpr std::array<const wchar_t*, 4> kPowerOperations{text::kOpShutdown, text::kOpRestart, text::kOpLock,
                                                         text::kOpLogOff};

constexpr UINT_PTR kMessageTabSubclass = 1;

// The reminder's message box keeps Enter for new lines but lets Tab and Shift+Tab (with or without
// Ctrl) move on to the next and previous control, as the dialog manager does for every other control.
LRESULT CALLBACK MessageTabProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR) noexcept {
    if (message == WM_GETDLGCODE) {
        LRESULT code = ::DefSubclassProc(edit, message, wParam, lParam);
        const auto* msg = reinterpret_cast<const MSG*>(lParam);
        if (msg && (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) && msg->wParam == VK_TAB) {
            code &= ~(DLGC_WANTALLKEYS | DLGC_WANTTAB | DLGC_WANTMESSAGE);
        }
        return code;
    }
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(edit, &MessageTabProc, kMessageTabSubclass);
    }
    return ::DefSubclassProc(edit, message, wParam, lParam);
}

// The control a refusal is about, where the focus goes once the user has read why.
unsigned FieldAtFault(PlanRefusal refusal) {
    switch (refusal) {
    case PlanRefusal::BadTime:
        return ids::kEditorTimeField;
    case PlanRefusal::NoWeekday:
        return ids::kEditorWeekdayFirst;
    case PlanRefusal::NoProgram:
        return ids::kEditorText;
    case PlanRefusal::Declined:
        break;
    }
    return 0;
}

std::span<const EditorControl> OwnControlsOf(EditorKind kind) {
    switch (kind) {
    case EditorKind::Reminder:
        return kReminderControls;
    case EditorKind::Run:
        return kRunControls;
    case EditorKind::Shutdown:
        break;
    }
    return kShutdownControls;
}

EditorControl WeekdayBox(int day) {
    return {ids::kEditorWeekdayFirst + static_cast<unsigned>(day),
            WC_BUTTONW,
            text::kEditorWeekdays[day],
            kCheck,
            kWeekdayLeft + day * kWeekdayStep,
            144,
            kWeekdayStep - 2,
            22};
}

// A fresh page plans a single run (执行一次), so what only applies to a repeating plan is made disabled.
bool StartsDisabled(unsigned id) {
    return std::find(kRepeatControls.begin(), kRepeatControls.end(), id) != kRepeatControls.end() ||
           (id >= ids::kEditorWeekdayFirst && id < ids::kEditorWeekdayFirst + kWeekdayCount);
}

} // namespace

PlanEditorPage::PlanEditorPage(EditorKind kind, PlanList& plans, const Clock& clock,
                               std::function<HWND()> questionOwner)
    : kind_(kind), plans_(plans), clock_(clock), questionOwner_(std::move(questionOwner)),
      ownControls_(OwnControlsOf(kind)) {}

PlanEditorPage::~PlanEditorPage() {
    // The controls draw with font_, which goes with this object: they go first.
    if (hwnd()) {
        ::DestroyWindow(hwnd());
    }
}

unsigned PlanEditorPage::PageId(EditorKind kind) {
    switch (kind) {
    case EditorKind::Reminder:
        return ids::kReminderEditorPage;
    case EditorKind::Run:
        return ids::kRunEditorPage;
    case EditorKind::Shutdown:
        break;
    }
    return ids::kShutdownEditorPage;
}

bool PlanEditorPage::Create(HWND panel) {
    RECT area{};
    ::GetClientRect(panel, &area);
    WNDCLASSEXW wc{};
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    if (!CreateWindowOf(L"Kestrel.PlanEditorPage", wc, WS_EX_CONTROLPARENT, nullptr,
                        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, area.right, area.bottom, panel,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(PageId(kind_))))) {
        return false;
    }
    CreateControls(DpiForWindow(hwnd()));
    SetEditorDefaults();
    return true;
}

void PlanEditorPage::CreateControls(int dpi) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    font_.reset(CreateUiFont(dpi));
    // Each control is made where it belongs and with its font: moving two dozen controls afterwards
    // costs the start-up more than making them.
    const auto make = [&](const EditorControl& c) {
        HWND control = nullptr;
        if (!c.className) {
            control = CreateTimeField(hwnd(), c.id);
            ::MoveWindow(control, Scale(c.x, dpi), Scale(c.y, dpi), Scale(c.width, dpi), Scale(c.height, dpi),
                         FALSE);
        } else {
            const DWORD exStyle = c.id == ids::kEditorText ? WS_EX_CLIENTEDGE : 0;
            const DWORD disabled = StartsDisabled(c.id) ? WS_DISABLED : 0;
            control = ::CreateWindowExW(
                exStyle, c.className, c.caption, WS_CHILD | WS_VISIBLE | disabled | c.style, Scale(c.x, dpi),
                Scale(c.y, dpi), Scale(c.width, dpi), Scale(c.height, dpi), hwnd(),
                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(c.id)), instance, nullptr);
        }
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    };
    for (const EditorControl& c : kTimingAndRepeat) {
        make(c);
    }
    make(kWeekdaysRow);
    for (int day = 0; day < kWeekdayCount; ++day) {
        make(WeekdayBox(day));
    }
    for (const EditorControl& c : ownControls_) {
        make(c);
    }
    make(kAddButton);

    for (int type = 0; type < kRepeatTypeCount; ++type) {
        ::SendMessageW(Control(ids::kEditorRepeatType), CB_ADDSTRING, 0,
                       reinterpret_cast<LPARAM>(RepeatTypeName(type)));
    }
    if (kind_ == EditorKind::Shutdown) {
        for (const wchar_t* operation : kPowerOperations) {
            ::SendMessageW(Control(ids::kEditorOperation), CB_ADDSTRING, 0,
                           reinterpret_cast<LPARAM>(operation));
        }
    }
    FitComboHeights(dpi);
    if (kind_ == EditorKind::Reminder) {
        ::SetWindowSubclass(Control(ids::kEditorText), &MessageTabProc, kMessageTabSubclass, 0);
    }
}

void PlanEditorPage::AddTooltips() {
    if (tooltip_) {
        return;
    }
    tooltip_ = CreateTooltipWindow(hwnd());
    AddControlTooltip(tooltip_, hwnd(), Control(ids::kEditorTimeField), text::kEditorTimeTooltip);
    if (kind_ == EditorKind::Run) {
        AddControlTooltip(tooltip_, hwnd(), Control(ids::kEditorOption), text::kEditorRunHiddenTooltip);
        // Long enough to wrap into a few lines rather than run across the screen.
        ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 300);
    }
}

void PlanEditorPage::FitComboHeights(int dpi) {
    // A drop-down list's closed height follows its font; line it up with the row it sits in.
    for (const unsigned combo : {ids::kEditorRepeatType, ids::kEditorOperation}) {
        if (HWND control = Control(combo)) {
            ::SendMessageW(control, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), Scale(22, dpi) - 6);
        }
    }
}

void PlanEditorPage::LayoutForDpi(int dpi) {
    // The old font is freed only once every control has let go of it.
    UniqueFont font(CreateUiFont(dpi));
    const auto place = [&](const EditorControl& c) {
        HWND control = Control(c.id);
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
        ::MoveWindow(control, Scale(c.x, dpi), Scale(c.y, dpi), Scale(c.width, dpi), Scale(c.height, dpi),
                     TRUE);
    };
    for (const EditorControl& c : kTimingAndRepeat) {
        place(c);
    }
    place(kWeekdaysRow);
    for (int day = 0; day < kWeekdayCount; ++day) {
        place(WeekdayBox(day));
    }
    for (const EditorControl& c : ownControls_) {
        place(c);
    }
    place(kAddButton);
    FitComboHeights(dpi);
    font_ = std::move(font);
    ::InvalidateRect(hwnd(), nullptr, TRUE);
}

void PlanEditorPage::SetEditorDefaults() {
    ::CheckRadioButton(hwnd(), ids::kEditorTimingFixed, ids::kEditorTimingCountdown, ids::kEditorTimingFixed);
    if (kind_ == EditorKind::Shutdown) {
        ::SendMessageW(Control(ids::kEditorOperation), CB_SETCURSEL, 0, 0);
    }
    // 自定义 ticks no weekday, and the boxes were made unticked: its handler would only enable them for
    // 执行一次 to disable them again.
    ::SendMessageW(Control(ids::kEditorRepeatType), CB_SETCURSEL, kRepeatTypeCustom, 0);
    ::CheckRadioButton(hwnd(), ids::kEditorRepeatOnce, ids::kEditorRepeatPlan, ids::kEditorRepeatOnce);
    ApplyRepeatChoice();
    FillCurrentTime();
}

void PlanEditorPage::ApplyTimingMode() {
    ::SetWindowTextW(Control(ids::kEditorTimeLabel), Checked(ids::kEditorTimingCountdown)
                                                         ? text::kEditorCountdownLabel
                                                         : text::kEditorFixedTimeLabel);
    ShowCountdownTarget();
}

void PlanEditorPage::ShowCountdownTarget() {
    // In 延时操作 mode the field holds a length of time; the label says which clock time that makes, so
    // that "14:26" read as a duration is no surprise.
    const std::wstring target = Checked(ids::kEditorTimingCountdown)
                                    ? CountdownTargetText(GetWindowTextString(Control(ids::kEditorTimeField)),
                                                          clock_.Now())
                                    : std::wstring();
    if (GetWindowTextString(Control(ids::kEditorCountdownTarget)) != target) {
        ::SetWindowTextW(Control(ids::kEditorCountdownTarget), target.c_str());
    }
}

void PlanEditorPage::ApplyRepeatChoice() {
    // Turning repetition on enables every weekday box, whatever the repeat type shows, and ticks nothing.
    const BOOL on = Checked(ids::kEditorRepeatPlan) ? TRUE : FALSE;
    for (const unsigned id : kRepeatControls) {
        ::EnableWindow(Control(id), on);
    }
    for (int day = 0; day < kWeekdayCount; ++day) {
        ::EnableWindow(Control(ids::kEditorWeekdayFirst + static_cast<unsigned>(day)), on);
    }
}

void PlanEditorPage::ApplyRepeatType() {
    const int type = static_cast<int>(::SendMessageW(Control(ids::kEditorRepeatType), CB_GETCURSEL, 0, 0));
    const auto ticks = RepeatTypeTicks(type);
    for (int day = 0; day < kWeekdayCount; ++day) {
        HWND box = Control(ids::kEditorWeekdayFirst + static_cast<unsigned>(day));
        if (ticks) {
            ::SendMessageW(box, BM_SETCHECK,
                           (*ticks)[static_cast<std::size_t>(day)] ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        ::EnableWindow(box, ticks ? FALSE : TRUE);
    }
}

void PlanEditorPage::FillCurrentTime() {
    if (const auto now = CurrentTimeFieldText(clock_, 1)) {
        fillingTime_ = true;
        ::SetWindowTextW(Control(ids::kEditorTimeField), now->c_str());
        fillingTime_ = false;
        filledTime_ = GetWindowTextString(Control(ids::kEditorTimeField));
        timeEdited_ = false;
    }
}

void PlanEditorPage::OnShown() {
    // A time the page put there itself is only a suggestion of "now": once "now" has moved on it is
    // brought up to date, unless the user has made it theirs. A duration (延时操作) is always the user's.
    if (!Checked(ids::kEditorTimingCountdown) && !timeEdited_ &&
        GetWindowTextString(Control(ids::kEditorTimeField)) == filledTime_) {
        FillCurrentTime();
    }
}

void PlanEditorPage::ChooseProgram() {
    std::wstring path(MAX_PATH * 8, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = ::GetAncestor(hwnd(), GA_ROOT);
    // The list of choices is a run of NUL-ended texts closed by one more NUL.
    const std::wstring filter = std::wstring(text::kProgramFilterName) + L'\0' + text::kProgramFilterPattern +
                                L'\0' + text::kAllFilesFilterName + L'\0' + text::kAllFilesFilterPattern +
                                L'\0';
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = static_cast<DWORD>(path.size());
    dialog.lpstrDefExt = text::kEditorProgramExtension;
    // The process's current folder stays where it was: nothing else should depend on where a user browsed.
    // A chosen shortcut stays a shortcut, so that it starts with the arguments it holds.
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                   OFN_NODEREFERENCELINKS;
    if (!::GetOpenFileNameW(&dialog)) {
        return; // cancelled or failed: the path box keeps what it had, and nothing is said
    }
    path.resize(path.find(L'\0'));
    ::SetWindowTextW(Control(ids::kEditorText), path.c_str());
}

bool PlanEditorPage::Checked(unsigned id) const {
    return ::SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

PlanEntries PlanEditorPage::ReadEntries() const {
    PlanEntries entries;
    entries.time = GetWindowTextString(Control(ids::kEditorTimeField));
    entries.countdown = Checked(ids::kEditorTimingCountdown);
    entries.repeats = Checked(ids::kEditorRepeatPlan);
    entries.repeatType =
        static_cast<int>(::SendMessageW(Control(ids::kEditorRepeatType), CB_GETCURSEL, 0, 0));
    for (int day = 0; day < kWeekdayCount; ++day) {
        entries.weekdays[static_cast<std::size_t>(day)] =
            Checked(ids::kEditorWeekdayFirst + static_cast<unsigned>(day));
    }
    if (kind_ == EditorKind::Shutdown) {
        entries.operation = GetWindowTextString(Control(ids::kEditorOperation));
    } else {
        entries.optionTicked = Checked(ids::kEditorOption);
        entries.text = GetWindowTextString(Control(ids::kEditorText));
    }
    return entries;
}

void PlanEditorPage::Tell(HWND owner, const wchar_t* message, UINT flags) const {
    ::MessageBoxW(owner ? owner : hwnd(), message, text::kAppTitle, flags);
}

void PlanEditorPage::AddPlan() {
    const PlanRecordResult result = BuildPlanRecord(kind_, ReadEntries(), clock_, [this] {
        HWND owner = questionOwner_ ? questionOwner_() : nullptr;
        return ::MessageBoxW(owner ? owner : hwnd(), text::kMsgPastTime, text::kAppTitle,
                             MB_YESNO | MB_ICONQUESTION) == IDYES;
    });
    if (!result.record) {
        if (const wchar_t* message = RefusalMessage(result.refusal)) {
            Tell(hwnd(), message, MB_OK | MB_ICONSTOP);
        }
        // Typing goes on where the fault is.
        if (const HWND field = Control(FieldAtFault(result.refusal)); field && ::IsWindowEnabled(field)) {
            ::SetFocus(field);
            ::SendMessageW(field, EM_SETSEL, 0, -1);
        }
        return;
    }
    // A run plan starts only a program named by its full path: better told now than at its minute.
    if (kind_ == EditorKind::Run) {
        const std::wstring& program = (*result.record)[PlanColumn::Info];
        if (!NamesStartableProgram(program)) {
            HWND owner = questionOwner_ ? questionOwner_() : nullptr;
            const std::wstring question = FillIn(text::kMsgProgramNotFound, L"{path}", program);
            if (::MessageBoxW(owner ? owner : hwnd(), question.c_str(), text::kAppTitle,
                              MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES) {
                return;
            }
        }
        // A run plan starts any program with Kestrel's rights: under the lock, only the parent adds one.
        if (guard_ && !guard_(text::kAskRunPlans)) {
            return;
        }
    }
    AppendPlanRow(*result.record);
    Tell(hwnd(), AddedMessage(kind_), MB_OK | MB_ICONEXCLAMATION);
}

void PlanEditorPage::AppendPlanRow(PlanRow row) {
    // A run plan starts any program with Kestrel's rights: the history names each one added.
    if (kind_ == EditorKind::Run && events_) {
        events_->Record(text::kEventPlanAdded, PlanRowText(row));
    }
    // The list's saver writes the plan file at once.
    plans_.Append(std::move(row));
}

void PlanEditorPage::OnCommand(unsigned id, unsigned code) {
    if (id == ids::kEditorTimeField) {
        if (code == EN_CHANGE) {
            if (!fillingTime_) {
                timeEdited_ = true;
            }
            ShowCountdownTarget();
        }
        return;
    }
    if (id == ids::kEditorRepeatType) {
        if (code == CBN_SELCHANGE) {
            ApplyRepeatType();
        }
        return;
    }
    if (code != BN_CLICKED) {
        return;
    }
    switch (id) {
    case ids::kEditorTimingFixed:
    case ids::kEditorTimingCountdown:
        ApplyTimingMode();
        break;
    case ids::kEditorRepeatOnce:
    case ids::kEditorRepeatPlan:
        ApplyRepeatChoice();
        break;
    case ids::kEditorNow:
        FillCurrentTime();
        break;
    case ids::kEditorChoose:
        ChooseProgram();
        break;
    case ids::kEditorAdd:
        AddPlan();
        break;
    default:
        break;
    }
}

LRESULT PlanEditorPage::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        // Labels, option and check boxes sit on the page's own white.
        auto dc = reinterpret_cast<HDC>(wParam);
        ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
    }
    case WM_DPICHANGED_AFTERPARENT:
        // The main window passes its new dpi along; the system's own notice carries none.
        LayoutForDpi(wParam != 0 ? static_cast<int>(wParam) : DpiForWindow(hwnd()));
        return 0;
    case WM_SIZE:
        return 0;
    case ids::kMsgPageShown:
        OnShown();
        return 0;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

} // namespace kestrel::win
