// The advert banner; see advert_banner_win.h.
#include "shell/advert_banner_win.h"

#include "base/command_ids.h"
#include "base/web_addresses.h"
#include "platform/com_win.h"
#include "shell/advert_navigation.h"

#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>
#include <shellapi.h>

namespace kestrel::win {

namespace {

// A click counts as the cause of a navigation that starts within this time.
constexpr ULONGLONG kClickWindowMs = 1500;

HWND g_banner = nullptr;
ULONGLONG g_lastClickTick = 0;

// Notes the user's clicks inside the banner (the browser's own windows are its descendants). A hook of
// this thread only: it sees nothing of other programs.
LRESULT CALLBACK BannerMouseHook(int code, WPARAM message, LPARAM info) {
    if (code == HC_ACTION && (message == WM_LBUTTONUP || message == WM_MBUTTONUP) && g_banner) {
        const auto* mouse = reinterpret_cast<const MOUSEHOOKSTRUCT*>(info);
        if (mouse->hwnd == g_banner || ::IsChild(g_banner, mouse->hwnd)) {
            g_lastClickTick = ::GetTickCount64();
        }
    }
    return ::CallNextHookEx(nullptr, code, message, info);
}

bool UserJustClicked() {
    return g_lastClickTick != 0 && ::GetTickCount64() - g_lastClickTick <= kClickWindowMs;
}

void OpenInDefaultBrowser(const wchar_t* url) {
    ::ShellExecuteW(nullptr, nullptr, url, nullptr, nullptr, SW_SHOWNORMAL);
}

// The address a navigation event carries: a BSTR, or a VARIANT by reference holding one.
const wchar_t* UrlOf(const VARIANTARG& argument) {
    const VARIANT* v = &argument;
    if (v->vt == (VT_BYREF | VT_VARIANT) && v->pvarVal) {
        v = v->pvarVal;
    }
    return v->vt == VT_BSTR && v->bstrVal ? v->bstrVal : L"";
}

bool SameObject(IUnknown* a, IUnknown* b) {
    if (!a || !b) {
        return false;
    }
    ComPtr<IUnknown> ia;
    ComPtr<IUnknown> ib;
    return SUCCEEDED(a->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(ia.put()))) &&
           SUCCEEDED(b->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(ib.put()))) &&
           ia.get() == ib.get();
}

// Receives the browser's navigation events and applies DecideBannerNavigation to them. It knows the
// top browser only by identity (no reference), so the control and its sink do not keep each other alive.
class BannerEvents final : public IDispatch {
public:
    BannerEvents(IUnknown* topBrowser, void (*open)(const wchar_t*), bool (*userJustClicked)())
        : top_(topBrowser), open_(open), userJustClicked_(userJustClicked) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }

    // Arguments arrive in reverse order.
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        if (!params || (params->cArgs > 0 && !params->rgvarg)) {
            return S_OK;
        }
        VARIANTARG* a = params->rgvarg;
        switch (id) {
        case DISPID_BEFORENAVIGATE2: // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
            if (params->cArgs == 7 && a[0].vt == (VT_BYREF | VT_BOOL)) {
                const bool wholePage = a[6].vt == VT_DISPATCH && SameObject(a[6].pdispVal, top_);
                Apply(UrlOf(a[5]), wholePage, a[0].pboolVal);
            }
            return S_OK;
        case DISPID_NEWWINDOW3: // (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
            if (params->cArgs == 5 && a[3].vt == (VT_BYREF | VT_BOOL)) {
                // The banner never opens a window of its own: at most the address goes to the browser.
                VARIANT_BOOL allowed = VARIANT_FALSE;
                Apply(UrlOf(a[0]), true, &allowed);
                *a[3].pboolVal = VARIANT_TRUE;
            }
            return S_OK;
        case DISPID_DOCUMENTCOMPLETE: // (pDisp, URL)
            if (params->cArgs == 2 && a[1].vt == VT_DISPATCH && SameObject(a[1].pdispVal, top_)) {
                pageShown_ = true;
            }
            return S_OK;
        default:
            return S_OK;
        }
    }

private:
    void Apply(const wchar_t* url, bool wholePage, VARIANT_BOOL* cancel) {
        switch (DecideBannerNavigation({url, wholePage, pageShown_, userJustClicked_()})) {
        case BannerNavigation::Allow:
            return;
        case BannerNavigation::OpenInBrowser:
            open_(url);
            [[fallthrough]];
        case BannerNavigation::Block:
            *cancel = VARIANT_TRUE;
            return;
        }
    }

    IUnknown* top_;
    void (*open_)(const wchar_t*);
    bool (*userJustClicked_)();
    ULONG references_ = 1;
    bool pageShown_ = false;
};

// Whether the rules now hear every navigation; without them the banner must load nothing.
bool ConnectEvents(IWebBrowser2* browser) {
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    if (FAILED(browser->QueryInterface(IID_IConnectionPointContainer,
                                       reinterpret_cast<void**>(container.put()))) ||
        FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, point.put()))) {
        return false;
    }
    IDispatch* events = CreateBannerEventSink(browser, &OpenInDefaultBrowser, &UserJustClicked);
    DWORD cookie = 0;
    // The control holds the sink from now on, for its lifetime.
    const bool listening = SUCCEEDED(point->Advise(events, &cookie));
    events->Release();
    return listening;
}

} // namespace

IDispatch* CreateBannerEventSink(IUnknown* topBrowser, void (*open)(const wchar_t*),
                                 bool (*userJustClicked)()) {
    return new BannerEvents(topBrowser, open, userJustClicked);
}

HWND CreateAdvertBanner(HWND area, const std::wstring& url) {
    // Only an https page of ours is ever loaded.
    if (!IsHttpsAddress(url)) {
        return nullptr;
    }
    // A system library: looked up in the system folder only.
    HMODULE atl = ::LoadLibraryExW(L"atl.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!atl) {
        return nullptr;
    }
    using InitFn = BOOL(WINAPI*)();
    using CreateControlFn = HRESULT(WINAPI*)(LPCOLESTR, HWND, IStream*, IUnknown**);
    const auto init =
        reinterpret_cast<InitFn>(reinterpret_cast<void*>(::GetProcAddress(atl, "AtlAxWinInit")));
    const auto createControl = reinterpret_cast<CreateControlFn>(
        reinterpret_cast<void*>(::GetProcAddress(atl, "AtlAxCreateControl")));
    if (!init || !init() || !createControl) {
        return nullptr;
    }
    RECT r{};
    ::GetClientRect(area, &r);
    // An empty host first: the rules must be listening before the first address is loaded.
    HWND banner = ::CreateWindowExW(0, L"AtlAxWin", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, r.right, r.bottom,
                                    area, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(ids::kAdvertBrowser)),
                                    nullptr, nullptr);
    if (!banner) {
        return nullptr;
    }
    ComPtr<IUnknown> control;
    ComPtr<IWebBrowser2> browser;
    if (FAILED(createControl(L"Shell.Explorer", banner, nullptr, control.put())) || !control ||
        FAILED(control->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(browser.put())))) {
        ::DestroyWindow(banner);
        return nullptr;
    }
    browser->put_Silent(VARIANT_TRUE);
    g_banner = banner;
    ::SetWindowsHookExW(WH_MOUSE, &BannerMouseHook, nullptr, ::GetCurrentThreadId());
    if (!ConnectEvents(browser.get())) {
        return banner; // stays blank: a page without the rules could go anywhere
    }
    BSTR address = ::SysAllocString(url.c_str());
    VARIANT empty{};
    browser->Navigate(address, &empty, &empty, &empty, &empty);
    ::SysFreeString(address);
    return banner;
}

} // namespace kestrel::win
