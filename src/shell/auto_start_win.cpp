// The auto-start entry in the current user's Run key, read at start-up and written or deleted when the
// user ticks or clears the check box.
#include "shell/auto_start_win.h"

#include "app/texts.h"
#include "platform/registry_win.h"
#include "shell/auto_start.h"

#include <windows.h>

#include <string>

namespace kestrel::win {
namespace {

// The full path of the running executable. Paths may be longer than MAX_PATH, so the buffer grows until
// the whole path fits; empty on failure.
std::wstring RunningExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    constexpr std::size_t kLongestPath = 32768; // what the wide file API can address
    while (true) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
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

} // namespace

bool AutoStartEntryPresent() {
    DWORD type = REG_SZ;
    std::wstring data;
    QueryRegValue(HKEY_CURRENT_USER, text::kRunKeyPath, text::kRunValueName, type, data);
    return !data.empty();
}

void ApplyAutoStartChoice(bool ticked) {
    if (!ticked) {
        DeleteRegValue(HKEY_CURRENT_USER, text::kRunKeyPath, text::kRunValueName);
        return;
    }
    // An entry already there is left alone, even when it names another copy of Kestrel.
    if (AutoStartEntryPresent()) {
        return;
    }
    const std::wstring data = AutoStartData(RunningExecutablePath());
    if (!data.empty()) {
        SetRegValue(HKEY_CURRENT_USER, text::kRunKeyPath, text::kRunValueName, REG_SZ, data);
    }
}

} // namespace kestrel::win
