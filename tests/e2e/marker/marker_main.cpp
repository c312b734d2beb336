// A tiny program for the black-box scenarios to start through a run plan: each start appends one line to
// "started.txt" beside it, holding the working folder it was given, whether it was asked to hide, and
// its arguments when it has any.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int show) {
    wchar_t exe[MAX_PATH * 2] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, exe, MAX_PATH * 2);
    std::wstring log(exe, length);
    log = log.substr(0, log.find_last_of(L'\\') + 1) + L"started.txt";
    wchar_t folder[MAX_PATH * 2] = {};
    ::GetCurrentDirectoryW(MAX_PATH * 2, folder);
    std::wstring line = std::wstring(folder) + (show == SW_HIDE ? L"|hidden" : L"|shown");
    if (arguments != nullptr && *arguments != L'\0') {
        line += L"|" + std::wstring(arguments);
    }
    line += L"\r\n";
    HANDLE file = ::CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    DWORD written = 0;
    ::WriteFile(file, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
    ::CloseHandle(file);
    return 0;
}
