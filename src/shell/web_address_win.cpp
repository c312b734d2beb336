// Reads the overriding registry values; see web_address_win.h. Plain RegGetValueW, so that the helper
// libraries can build this file without the rest of the platform layer.
#include "shell/web_address_win.h"

#include <windows.h>

namespace kestrel::win {

std::wstring ResolveWebAddress(WebAddress which) {
    wchar_t value[2049] = {};
    DWORD bytes = sizeof(value) - sizeof(wchar_t);
    // RRF_RT_REG_SZ: values of other types are refused; a longer value fails and is ignored.
    if (::RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, WebAddressValueName(which), RRF_RT_REG_SZ,
                       nullptr, value, &bytes) == ERROR_SUCCESS &&
        IsHttpAddress(value)) {
        return value;
    }
    return DefaultWebAddress(which);
}

} // namespace kestrel::win
