// Reads the overriding registry values; see web_address_win.h. Plain RegGetValueW, so that the helper
// libraries can build this file without the rest of the platform layer.
#include "shell/web_address_win.h"

#include <windows.h>

namespace kestrel::win {

void ResolveWebAddress(WebAddress which, wchar_t (&out)[kWebAddressCapacity]) {
    DWORD bytes = sizeof(out) - sizeof(wchar_t);
    out[0] = L'\0';
    // RRF_RT_REG_SZ: values of other types are refused; a longer value fails and is ignored.
    if (::RegGetValueW(HKEY_CURRENT_USER, kSettingsKeyPath, WebAddressValueName(which), RRF_RT_REG_SZ,
                       nullptr, out, &bytes) == ERROR_SUCCESS &&
        IsHttpsAddress(out)) {
        return;
    }
    ::lstrcpynW(out, DefaultWebAddress(which), kWebAddressCapacity);
}

} // namespace kestrel::win
