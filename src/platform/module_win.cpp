// Where the running program lives; see module_win.h.
#include "platform/module_win.h"

#include <windows.h>

namespace kestrel::win {

std::wstring ExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    constexpr std::size_t kLongestPath = 32768; // what the wide file API can address
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        // A result that fills the buffer may have been cut short: grow and ask again.
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= kLongestPath) {
            return {};
        }
        path.resize(path.size() * 2);
    }
}

std::wstring ExecutableFolder() {
    const std::wstring path = ExecutablePath();
    const auto slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

} // namespace kestrel::win
