// The auto-start entry in the current user's Run key, read at start-up and written or deleted when the
// user ticks or clears the check box.
#include "shell/auto_start_win.h"

#include "base/texts.h"
#include "platform/module_win.h"
#include "platform/registry_win.h"
#include "shell/auto_start.h"

#include <windows.h>

#include <string>

namespace kestrel::win {
namespace {

std::wstring AutoStartEntry() {
    DWORD type = REG_SZ;
    std::wstring data;
    QueryRegValue(HKEY_CURRENT_USER, text::kRunKeyPath, text::kRunValueName, type, data);
    return data;
}

} // namespace

bool AutoStartEntryPresent() {
    return !AutoStartEntry().empty();
}

std::wstring AutoStartOtherProgram() {
    return OtherAutoStartProgram(AutoStartEntry(), ExecutablePath());
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
    const std::wstring data = AutoStartData(ExecutablePath());
    if (!data.empty()) {
        SetRegValue(HKEY_CURRENT_USER, text::kRunKeyPath, text::kRunValueName, REG_SZ, data);
    }
}

} // namespace kestrel::win
