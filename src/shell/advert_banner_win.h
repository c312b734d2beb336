// WebBrowser_广告: the system's web browser control, hosted without ATL headers through atl.dll's
// AtlAxWin window class, navigated once to the advert page. Script error dialogs are silenced. Nothing
// waits for the page. It loads https pages only; a link the user clicks opens in the default browser,
// and the page cannot move on by itself or open windows (advert_navigation.h).
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace kestrel::win {

// Creates the banner as a child of `area`, filling it, and starts loading `url`. nullptr when the
// control cannot be made (no atl.dll, no browser component) or `url` is not https: the area then simply
// stays empty.
HWND CreateAdvertBanner(HWND area, const std::wstring& url);

// The sink of the banner's navigation events (DWebBrowserEvents2), which cancels what
// DecideBannerNavigation does not allow. It knows `topBrowser` by identity only (no reference), hands
// addresses for the default browser to `open` and asks `userJustClicked` about the user's last click.
// Returned with one reference.
IDispatch* CreateBannerEventSink(IUnknown* topBrowser, void (*open)(const wchar_t*),
                                 bool (*userJustClicked)());

} // namespace kestrel::win
