// The advert banner; see advert_banner_win.h.
#include "shell/advert_banner_win.h"

#include "base/command_ids.h"
#include "platform/com_win.h"

#include <exdisp.h>

namespace kestrel::win {

HWND CreateAdvertBanner(HWND area, const std::wstring& url) {
    // A system library: looked up in the system folder only.
    HMODULE atl = ::LoadLibraryExW(L"atl.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!atl) {
        return nullptr;
    }
    using InitFn = BOOL(WINAPI*)();
    using GetControlFn = HRESULT(WINAPI*)(HWND, IUnknown**);
    const auto init =
        reinterpret_cast<InitFn>(reinterpret_cast<void*>(::GetProcAddress(atl, "AtlAxWinInit")));
    const auto getControl =
        reinterpret_cast<GetControlFn>(reinterpret_cast<void*>(::GetProcAddress(atl, "AtlAxGetControl")));
    if (!init || !init()) {
        return nullptr;
    }
    RECT r{};
    ::GetClientRect(area, &r);
    // The window text of an AtlAxWin that is an address makes it host the browser and go there.
    HWND banner = ::CreateWindowExW(
        0, L"AtlAxWin", url.c_str(), WS_CHILD | WS_VISIBLE, 0, 0, r.right, r.bottom, area,
        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(ids::kAdvertBrowser)), nullptr, nullptr);
    if (!banner) {
        return nullptr;
    }
    ComPtr<IUnknown> control;
    if (getControl && SUCCEEDED(getControl(banner, control.put())) && control) {
        ComPtr<IWebBrowser2> browser;
        if (SUCCEEDED(control->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(browser.put())))) {
            browser->put_Silent(VARIANT_TRUE);
        }
    }
    return banner;
}

} // namespace kestrel::win
