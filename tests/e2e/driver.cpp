// The black-box driver: processes, windows, message boxes, list views and the Run key of a Kestrel.exe
// running in the same Wine desktop. Failures to reach the program are reported as test failures here, so
// that a scenario reads as the user's story.
#include "driver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>

namespace kestrel::e2e {
namespace {

constexpr wchar_t kRunKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

struct HandleCloser {
    HANDLE handle;
    ~HandleCloser() {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
};

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::wstring LongPath(const std::wstring& path) {
    std::wstring out(32768, L'\0');
    DWORD n = GetLongPathNameW(path.c_str(), out.data(), static_cast<DWORD>(out.size()));
    if (n == 0 || n >= out.size()) {
        return path;
    }
    out.resize(n);
    return out;
}

std::wstring QuotedCommandLine(const std::filesystem::path& exe, const std::wstring& arguments) {
    std::wstring line = L"\"" + exe.wstring() + L"\"";
    if (!arguments.empty()) {
        line += L" " + arguments;
    }
    return line;
}

std::wstring Unescape(std::wstring_view text) {
    static const std::pair<std::wstring_view, wchar_t> entities[] = {
        {L"&lt;", L'<'}, {L"&gt;", L'>'}, {L"&amp;", L'&'}, {L"&quot;", L'"'}, {L"&apos;", L'\''}};
    std::wstring out;
    for (size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == L'&') {
            for (const auto& [entity, ch] : entities) {
                if (text.substr(i, entity.size()) == entity) {
                    out += ch;
                    i += entity.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) {
            out += text[i++];
        }
    }
    return out;
}

std::wstring Escape(const std::wstring& text) {
    std::wstring out;
    for (wchar_t ch : text) {
        switch (ch) {
        case L'<':
            out += L"&lt;";
            break;
        case L'>':
            out += L"&gt;";
            break;
        case L'&':
            out += L"&amp;";
            break;
        default:
            out += ch;
        }
    }
    return out;
}

// Text of the first element `name` inside `node`; "???" when absent, as the program's loader does.
std::wstring ChildText(std::wstring_view node, const std::wstring& name) {
    const std::wstring open = L"<" + name + L">";
    const std::wstring empty = L"<" + name + L"/>";
    const size_t emptyAt = node.find(empty);
    const size_t openAt = node.find(open);
    if (emptyAt != std::wstring_view::npos && (openAt == std::wstring_view::npos || emptyAt < openAt)) {
        return L"";
    }
    if (openAt == std::wstring_view::npos) {
        return L"???";
    }
    const size_t start = openAt + open.size();
    const size_t end = node.find(L"</" + name + L">", start);
    if (end == std::wstring_view::npos) {
        return L"???";
    }
    return Unescape(node.substr(start, end - start));
}

const std::wstring kCellNames[6] = {L"计划名称", L"操作时间", L"操作类型", L"状态", L"重复", L"附加信息"};

// Memory in another process, for the list view messages whose arguments are pointers.
class RemoteBuffer {
public:
    RemoteBuffer(DWORD processId, size_t size)
        : process_(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId)),
          size_(size) {
        if (process_ != nullptr) {
            address_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        }
        if (address_ == nullptr) {
            ADD_FAILURE() << "cannot allocate memory in process " << processId << ", error "
                          << GetLastError();
        }
    }
    ~RemoteBuffer() {
        if (address_ != nullptr) {
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        }
        if (process_ != nullptr) {
            CloseHandle(process_);
        }
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool Ok() const { return address_ != nullptr; }
    char* At(size_t offset) const { return static_cast<char*>(address_) + offset; }
    bool Write(size_t offset, const void* data, size_t n) const {
        return offset + n <= size_ && WriteProcessMemory(process_, At(offset), data, n, nullptr);
    }
    bool Read(size_t offset, void* data, size_t n) const {
        return offset + n <= size_ && ReadProcessMemory(process_, At(offset), data, n, nullptr);
    }

private:
    HANDLE process_;
    void* address_ = nullptr;
    size_t size_;
};

constexpr size_t kCellChars = 4096;

} // namespace

bool WaitUntil(const std::function<bool()>& done, Duration timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return done();
        }
        PumpMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

std::filesystem::path KestrelExeUnderTest() {
    return PathFromEnvironment(L"KESTREL_EXE");
}

std::filesystem::path PathFromEnvironment(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    if (value == nullptr || *value == L'\0') {
        return {};
    }
    std::wstring path = value;
    if (path.front() == L'/') {
        for (wchar_t& ch : path) {
            if (ch == L'/') {
                ch = L'\\';
            }
        }
        path = L"Z:" + path;
    }
    return path;
}

std::wstring Utf8ToWide(const std::string& bytes) {
    std::string_view text = bytes;
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }
    if (text.empty()) {
        return {};
    }
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string WideToUtf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::optional<std::vector<Row>> ParsePlanFile(const std::wstring& xml) {
    const std::wstring root = L"计划列表";
    if (xml.find(L"<" + root + L">") == std::wstring::npos &&
        xml.find(L"<" + root + L"/>") == std::wstring::npos) {
        return std::nullopt;
    }
    std::vector<Row> rows;
    const std::wstring open = L"<计划节点>";
    const std::wstring close = L"</计划节点>";
    for (size_t at = xml.find(open); at != std::wstring::npos; at = xml.find(open, at)) {
        const size_t end = xml.find(close, at);
        if (end == std::wstring::npos) {
            break;
        }
        const std::wstring_view node = std::wstring_view(xml).substr(at, end - at);
        Row row;
        for (const auto& name : kCellNames) {
            row.push_back(ChildText(node, name));
        }
        rows.push_back(std::move(row));
        at = end + close.size();
    }
    return rows;
}

std::vector<Row> SamplePlans() {
    return {
        {L"关机操作", L"22:30", L"关闭计算机", L"启用", L"每天", L"到时间对计算机进行指令操作。"},
        {L"定时提醒", L"08:05", L"文字提示", L"禁用", L"一 三 五 ", L"开会 <周报> & \"总结\" 别忘了"},
        {L"定时运行", L"23:59", L"隐藏运行", L"启用", L"执行一次",
         L"C:\\Program Files\\备份 工具\\backup.exe"},
    };
}

std::wstring PlanFileText(const std::vector<Row>& rows) {
    std::wstring xml = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<计划列表>\r\n";
    for (const Row& row : rows) {
        xml += L"  <计划节点>\r\n";
        for (size_t i = 0; i < 6; ++i) {
            xml += L"    <" + kCellNames[i] + L">" + Escape(row.at(i)) + L"</" + kCellNames[i] + L">\r\n";
        }
        xml += L"  </计划节点>\r\n";
    }
    xml += L"</计划列表>\r\n";
    return xml;
}

Sandbox::Sandbox() {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    folder_ = std::filesystem::path(LongPath(temp)) /
              (L"Kestrel 测试 " + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter));
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    std::filesystem::create_directories(folder_);
    folder_ = LongPath(folder_.wstring());
    const auto exe = KestrelExeUnderTest();
    if (exe.empty()) {
        ADD_FAILURE() << "set KESTREL_EXE to the Kestrel.exe under test";
    } else if (!CopyFileW(exe.c_str(), Exe().c_str(), FALSE)) {
        ADD_FAILURE() << "cannot copy " << exe.string() << ", error " << GetLastError();
    }
    // A fresh machine: no earlier Kestrel looked at any minute, so a start-up misses nothing. (Scenarios
    // share one Wine prefix, and an earlier scenario's last minute would make this one's plans missed.)
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Kestrel", L"LastMinute");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kestrel\\LastMinute");
    // Nor did anyone tick "到时唤醒电脑", which marks the next-plan line.
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Kestrel", L"WakeForPlans");
}

Sandbox::~Sandbox() {
    std::error_code ignored;
    // The program may still be letting go of its executable for a moment after it ended.
    WaitUntil(
        [&] {
            std::filesystem::remove_all(folder_, ignored);
            return !ignored;
        },
        2s);
}

void Sandbox::AddLibrary(const wchar_t* name) const {
    const auto library = KestrelExeUnderTest().parent_path() / name;
    if (!CopyFileW(library.c_str(), (folder_ / name).c_str(), FALSE)) {
        ADD_FAILURE() << "cannot copy " << library.string() << ", error " << GetLastError();
    }
}

ScopedKestrelSetting::ScopedKestrelSetting(std::wstring name, const std::wstring& value)
    : name_(std::move(name)) {
    const LSTATUS status =
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Kestrel", name_.c_str(), REG_SZ, value.c_str(),
                        static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    EXPECT_EQ(status, ERROR_SUCCESS) << "cannot set the setting";
}

ScopedKestrelSetting::~ScopedKestrelSetting() {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Kestrel", name_.c_str());
}

void Sandbox::WritePlanFile(const std::vector<Row>& rows) const {
    WriteFileBytesAt(PlanFile(), WideToUtf8(PlanFileText(rows)));
}

void WriteFileBytesAt(const std::filesystem::path& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    HandleCloser closer{file};
    DWORD written = 0;
    if (file == INVALID_HANDLE_VALUE ||
        !WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size()) {
        ADD_FAILURE() << "cannot write " << path.string() << ", error " << GetLastError();
    }
}

std::optional<std::string> Sandbox::ReadPlanFileBytes() const {
    return ReadFileBytesAt(PlanFile());
}

std::optional<std::vector<Row>> Sandbox::ReadPlanFile() const {
    return ReadPlanFileAt(PlanFile());
}

std::optional<std::string> ReadFileBytesAt(const std::filesystem::path& path) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    HandleCloser closer{file};
    std::string bytes;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
        bytes.append(chunk, got);
    }
    return bytes;
}

std::optional<std::vector<Row>> ReadPlanFileAt(const std::filesystem::path& path) {
    const auto bytes = ReadFileBytesAt(path);
    if (!bytes) {
        return std::nullopt;
    }
    return ParsePlanFile(Utf8ToWide(*bytes));
}

KestrelProcess::KestrelProcess(const Sandbox& sandbox, const std::wstring& arguments)
    : KestrelProcess(sandbox.Exe(), arguments) {}

KestrelProcess::KestrelProcess(const std::filesystem::path& exe, const std::wstring& arguments) {
    std::wstring commandLine = QuotedCommandLine(exe, arguments);
    const std::wstring workingFolder = exe.parent_path().parent_path().wstring();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingFolder.c_str(), &startup, &info_)) {
        ADD_FAILURE() << "cannot start Kestrel.exe, error " << GetLastError();
        info_ = {};
    }
}

KestrelProcess::~KestrelProcess() {
    Kill();
    if (info_.hThread != nullptr) {
        CloseHandle(info_.hThread);
    }
    if (info_.hProcess != nullptr) {
        CloseHandle(info_.hProcess);
    }
}

bool KestrelProcess::IsRunning() const {
    return info_.hProcess != nullptr && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool KestrelProcess::WaitForExit(Duration timeout) {
    if (info_.hProcess == nullptr) {
        return false;
    }
    return WaitUntil([&] { return WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0; }, timeout);
}

HWND KestrelProcess::MainWindow() const {
    for (HWND window : AllMainWindows()) {
        if (ProcessOf(window) == Id()) {
            return window;
        }
    }
    return nullptr;
}

HWND KestrelProcess::WaitForMainWindow(Duration timeout) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = MainWindow()) != nullptr || !IsRunning(); }, timeout);
    if (found == nullptr) {
        ADD_FAILURE() << "no window titled \"Kestrel - Ver:3.1.0.0\" from process " << Id()
                      << (IsRunning() ? " (still running)" : " (it has ended)");
    }
    return found;
}

HWND KestrelProcess::WaitForIdleMainWindow() {
    const HWND main = WaitForMainWindow();
    if (main == nullptr) {
        return nullptr;
    }
    if (!WaitUntilIdle()) {
        ADD_FAILURE() << "start-up of process " << Id() << " did not finish";
        return nullptr;
    }
    return main;
}

bool KestrelProcess::WaitUntilIdle(Duration timeout) {
    if (info_.hProcess == nullptr) {
        return false;
    }
    const DWORD result = WaitForInputIdle(info_.hProcess, static_cast<DWORD>(timeout.count()));
    HWND main = MainWindow();
    return result == 0 && main != nullptr && RoundTrip(main);
}

void KestrelProcess::Kill() {
    if (IsRunning()) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, 5000);
    }
}

namespace {

BOOL CALLBACK CollectMainWindow(HWND window, LPARAM param) {
    wchar_t title[64];
    if (GetWindowTextW(window, title, 64) > 0 && std::wstring_view(title) == kMainTitle) {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    }
    return TRUE;
}

struct ProcessWindows {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowOfProcess(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<ProcessWindows*>(param);
    if (ProcessOf(window) == search->processId) {
        search->found.push_back(window);
    }
    return TRUE;
}

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK FindControl(HWND child, LPARAM param) {
    auto* search = reinterpret_cast<ControlSearch*>(param);
    if (GetDlgCtrlID(child) == search->id) {
        search->found = child;
        return FALSE;
    }
    return TRUE;
}

} // namespace

std::vector<HWND> AllMainWindows() {
    std::vector<HWND> found;
    EnumWindows(CollectMainWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId) {
    ProcessWindows search{processId, {}};
    EnumWindows(CollectWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

DWORD ProcessOf(HWND window) {
    DWORD id = 0;
    GetWindowThreadProcessId(window, &id);
    return id;
}

std::wstring LocalMinute(int minutes, bool* tomorrow) {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    if (now.wSecond >= 45) {
        Sleep((60 - now.wSecond) * 1000 + 200 - now.wMilliseconds);
        GetLocalTime(&now);
    }
    int at = now.wHour * 60 + now.wMinute + minutes;
    if (tomorrow) {
        *tomorrow = at >= 24 * 60;
    }
    at = ((at % (24 * 60)) + 24 * 60) % (24 * 60);
    wchar_t text[8];
    swprintf(text, 8, L"%02d:%02d", at / 60, at % 60);
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

namespace {

std::vector<HWND> VisibleWindowsWhere(DWORD processId, const std::function<bool(HWND)>& fits) {
    std::vector<HWND> found;
    for (HWND window : TopLevelWindowsOf(processId)) {
        if (IsWindowVisible(window) && fits(window)) {
            found.push_back(window);
        }
    }
    return found;
}

HWND WaitForFirst(const std::function<std::vector<HWND>()>& find, Duration timeout) {
    std::vector<HWND> found;
    WaitUntil([&] { return !(found = find()).empty(); }, timeout);
    return found.empty() ? nullptr : found.front();
}

} // namespace

std::vector<HWND> VisibleWindowsOf(DWORD processId, const wchar_t* className) {
    return VisibleWindowsWhere(processId, [&](HWND window) { return ClassOf(window) == className; });
}

HWND WaitForWindowOf(DWORD processId, const wchar_t* className, Duration timeout) {
    return WaitForFirst([&] { return VisibleWindowsOf(processId, className); }, timeout);
}

std::vector<HWND> VisibleWindowsTitled(DWORD processId, const wchar_t* title) {
    return VisibleWindowsWhere(processId, [&](HWND window) { return WindowText(window) == title; });
}

HWND WaitForWindowTitled(DWORD processId, const wchar_t* title, Duration timeout) {
    return WaitForFirst([&] { return VisibleWindowsTitled(processId, title); }, timeout);
}

HWND FindDescendant(HWND root, int id) {
    ControlSearch search{id, nullptr};
    EnumChildWindows(root, FindControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForDescendant(HWND root, int id, Duration timeout) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindDescendant(root, id)) != nullptr; }, timeout);
    if (found == nullptr) {
        ADD_FAILURE() << "no control with id " << id << " inside the main window";
    }
    return found;
}

std::optional<LRESULT> SendWithTimeout(HWND window, UINT message, WPARAM w, LPARAM l, Duration timeout) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, w, l, SMTO_NORMAL, static_cast<UINT>(timeout.count()),
                             &result)) {
        ADD_FAILURE() << "window " << window << " did not answer message " << message << " in time";
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

bool RoundTrip(HWND window) {
    return SendWithTimeout(window, WM_NULL).has_value();
}

void PostCommand(HWND target, unsigned id) {
    EXPECT_TRUE(PostMessageW(target, WM_COMMAND, MAKEWPARAM(id, 0), 0)) << "command " << id;
}

void PostClick(HWND control) {
    EXPECT_TRUE(PostMessageW(control, BM_CLICK, 0, 0));
}

void PostMouseClick(HWND control) {
    RECT r{};
    GetClientRect(control, &r);
    const LPARAM at = MAKELPARAM((r.right - r.left) / 2, (r.bottom - r.top) / 2);
    EXPECT_TRUE(PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at));
    EXPECT_TRUE(PostMessageW(control, WM_LBUTTONUP, 0, at));
}

void PressKey(WORD key, bool alt, bool shift) {
    std::vector<INPUT> inputs;
    const auto add = [&](WORD vk, bool up) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(input);
    };
    if (alt) {
        add(VK_MENU, false);
    }
    if (shift) {
        add(VK_SHIFT, false);
    }
    add(key, false);
    add(key, true);
    if (shift) {
        add(VK_SHIFT, true);
    }
    if (alt) {
        add(VK_MENU, true);
    }
    EXPECT_EQ(SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)), inputs.size())
        << "key " << key;
}

HWND KeyboardFocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    return thread != 0 && GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

void PostTrayNotification(HWND mainWindow, UINT mouseMessage) {
    EXPECT_TRUE(PostMessageW(mainWindow, 2025, 0, mouseMessage));
}

void SendTrayNotification(HWND mainWindow, UINT mouseMessage) {
    SendWithTimeout(mainWindow, 2025, 0, mouseMessage);
}

bool IsShownNormal(HWND window) {
    return IsWindowVisible(window) && !IsIconic(window);
}

bool IsHidden(HWND window) {
    return IsWindow(window) && !IsWindowVisible(window);
}

std::wstring WindowText(HWND window) {
    const auto length = SendWithTimeout(window, WM_GETTEXTLENGTH);
    if (!length) {
        return {};
    }
    std::wstring text(static_cast<size_t>(*length) + 1, L'\0');
    // WM_GETTEXT is marshalled across processes by the system, so a local buffer serves.
    const auto copied =
        SendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied ? static_cast<size_t>(*copied) : 0);
    return text;
}

std::vector<std::wstring> ListBoxEntries(HWND list) {
    std::vector<std::wstring> entries;
    const LRESULT count = SendWithTimeout(list, LB_GETCOUNT).value_or(0);
    for (LRESULT i = 0; i < count; ++i) {
        // The list may change while it is read (LB_ERR for a row that has gone).
        const LRESULT length = SendWithTimeout(list, LB_GETTEXTLEN, i).value_or(LB_ERR);
        if (length < 0) {
            break;
        }
        std::wstring entry(static_cast<std::size_t>(length) + 1, L'\0');
        const LRESULT got =
            SendWithTimeout(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(entry.data())).value_or(LB_ERR);
        if (got < 0 || got > length) {
            break;
        }
        entry.resize(static_cast<std::size_t>(got));
        entries.push_back(entry);
    }
    return entries;
}

bool IsChecked(HWND checkBox) {
    return SendWithTimeout(checkBox, BM_GETCHECK).value_or(-1) == BST_CHECKED;
}

bool IsAbove(HWND upper, HWND lower) {
    for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w == upper) {
            return true;
        }
        if (w == lower) {
            return false;
        }
    }
    return false;
}

bool MessageBoxWindow::Press(int id) const {
    HWND button = GetDlgItem(window, id);
    if (button == nullptr) {
        ADD_FAILURE() << "the message box has no button " << id;
        return false;
    }
    EXPECT_TRUE(
        PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button)));
    const bool gone = WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); });
    EXPECT_TRUE(gone) << "the message box stayed open after pressing " << id;
    return gone;
}

std::optional<MessageBoxWindow> FindMessageBox(DWORD processId) {
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", L"Kestrel"); w != nullptr;
         w = FindWindowExW(nullptr, w, L"#32770", L"Kestrel")) {
        if (ProcessOf(w) == processId && IsWindowVisible(w)) {
            MessageBoxWindow box;
            box.window = w;
            box.owner = GetWindow(w, GW_OWNER);
            if (HWND text = GetDlgItem(w, 0xFFFF)) {
                box.text = WindowText(text);
            }
            return box;
        }
    }
    return std::nullopt;
}

std::optional<MessageBoxWindow> WaitForMessageBox(DWORD processId, Duration timeout) {
    std::optional<MessageBoxWindow> box;
    WaitUntil([&] { return (box = FindMessageBox(processId)).has_value(); }, timeout);
    return box;
}

HWND FindPopupMenu(DWORD processId) {
    for (HWND w = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); w != nullptr;
         w = FindWindowExW(nullptr, w, L"#32768", nullptr)) {
        if (ProcessOf(w) == processId && IsWindowVisible(w)) {
            return w;
        }
    }
    return nullptr;
}

std::vector<std::wstring> VisibleTooltipTexts() {
    std::vector<std::wstring> texts;
    for (HWND tip = FindWindowExW(nullptr, nullptr, TOOLTIPS_CLASSW, nullptr); tip != nullptr;
         tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr)) {
        if (!IsWindowVisible(tip)) {
            continue;
        }
        // TTM_ENUMTOOLSW copies each tool's text into the buffer its request points to.
        RemoteBuffer buffer(ProcessOf(tip), sizeof(TTTOOLINFOW) + kCellChars * sizeof(wchar_t));
        if (!buffer.Ok()) {
            continue;
        }
        const auto count = SendWithTimeout(tip, TTM_GETTOOLCOUNT).value_or(0);
        for (LRESULT tool = 0; tool < count; ++tool) {
            TTTOOLINFOW request{};
            request.cbSize = sizeof(request);
            request.lpszText = reinterpret_cast<LPWSTR>(buffer.At(sizeof(TTTOOLINFOW)));
            const wchar_t nothing = L'\0';
            buffer.Write(sizeof(TTTOOLINFOW), &nothing, sizeof nothing);
            buffer.Write(0, &request, sizeof request);
            if (!SendWithTimeout(tip, TTM_ENUMTOOLSW, static_cast<WPARAM>(tool),
                                 reinterpret_cast<LPARAM>(buffer.At(0)))
                     .value_or(0)) {
                continue;
            }
            std::wstring text(kCellChars, L'\0');
            buffer.Read(sizeof(TTTOOLINFOW), text.data(), text.size() * sizeof(wchar_t));
            text.resize(wcsnlen(text.c_str(), text.size()));
            texts.push_back(std::move(text));
        }
    }
    return texts;
}

std::vector<Row> ReadListView(HWND listView, int maxRows) {
    std::vector<Row> rows;
    const int columns = static_cast<int>(ReadListViewColumns(listView).size());
    const int count =
        std::min(maxRows, static_cast<int>(SendWithTimeout(listView, LVM_GETITEMCOUNT).value_or(0)));
    RemoteBuffer buffer(ProcessOf(listView), sizeof(LVITEMW) + kCellChars * sizeof(wchar_t));
    if (!buffer.Ok()) {
        return rows;
    }
    for (int item = 0; item < count; ++item) {
        Row row;
        for (int column = 0; column < columns; ++column) {
            LVITEMW request{};
            request.iSubItem = column;
            request.cchTextMax = kCellChars;
            request.pszText = reinterpret_cast<LPWSTR>(buffer.At(sizeof(LVITEMW)));
            const wchar_t nothing = L'\0';
            buffer.Write(sizeof(LVITEMW), &nothing, sizeof nothing);
            buffer.Write(0, &request, sizeof request);
            const auto length =
                SendWithTimeout(listView, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(buffer.At(0)));
            std::wstring cell(static_cast<size_t>(length.value_or(0)), L'\0');
            buffer.Read(sizeof(LVITEMW), cell.data(), cell.size() * sizeof(wchar_t));
            row.push_back(std::move(cell));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<std::wstring> ReadListViewColumns(HWND listView) {
    std::vector<std::wstring> captions;
    RemoteBuffer buffer(ProcessOf(listView), sizeof(LVCOLUMNW) + kCellChars * sizeof(wchar_t));
    if (!buffer.Ok()) {
        return captions;
    }
    for (int column = 0;; ++column) {
        LVCOLUMNW request{};
        request.mask = LVCF_TEXT;
        request.cchTextMax = kCellChars;
        request.pszText = reinterpret_cast<LPWSTR>(buffer.At(sizeof(LVCOLUMNW)));
        const wchar_t nothing = L'\0';
        buffer.Write(sizeof(LVCOLUMNW), &nothing, sizeof nothing);
        buffer.Write(0, &request, sizeof request);
        if (!SendWithTimeout(listView, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(buffer.At(0)))
                 .value_or(0)) {
            break;
        }
        std::wstring caption(kCellChars, L'\0');
        buffer.Read(sizeof(LVCOLUMNW), caption.data(), caption.size() * sizeof(wchar_t));
        caption.resize(wcsnlen(caption.c_str(), caption.size()));
        captions.push_back(std::move(caption));
    }
    return captions;
}

void SelectListViewRow(HWND listView, int row) {
    RemoteBuffer buffer(ProcessOf(listView), sizeof(LVITEMW));
    if (!buffer.Ok()) {
        return;
    }
    LVITEMW clear{};
    clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    buffer.Write(0, &clear, sizeof clear);
    SendWithTimeout(listView, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                    reinterpret_cast<LPARAM>(buffer.At(0)));
    if (row >= 0) {
        LVITEMW select{};
        select.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        select.state = LVIS_SELECTED | LVIS_FOCUSED;
        buffer.Write(0, &select, sizeof select);
        SendWithTimeout(listView, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(buffer.At(0)));
    }
}

std::optional<std::wstring> ReadRunValue(const std::wstring& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD type = 0;
    DWORD size = 0;
    std::optional<std::wstring> value;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        if (RegQueryValueExW(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                             &size) == ERROR_SUCCESS) {
            data.resize(wcsnlen(data.c_str(), size / sizeof(wchar_t)));
            value = std::move(data);
        }
    }
    RegCloseKey(key);
    return value;
}

void WriteRunValue(const std::wstring& name, const std::wstring& data) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                             static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void DeleteRunValue(const std::wstring& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueW(key, name.c_str());
        RegCloseKey(key);
    }
}

::testing::AssertionResult ListAndFileHold(HWND list, const Sandbox& sandbox,
                                           const std::vector<Row>& expected) {
    if (!WaitUntil([&] { return ReadListView(list) == expected; })) {
        return ::testing::AssertionFailure() << "the list shows other rows";
    }
    if (!WaitUntil([&] { return sandbox.ReadPlanFile() == expected; })) {
        return ::testing::AssertionFailure() << "Values.xml holds other rows:\n"
                                             << sandbox.ReadPlanFileBytes().value_or("(no file)");
    }
    return ::testing::AssertionSuccess();
}

} // namespace kestrel::e2e
