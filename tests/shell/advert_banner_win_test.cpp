// The banner's event sink reads the browser's navigation events as they arrive (arguments in reverse
// order, addresses by reference) and cancels what the banner may not do.
#include "shell/advert_banner_win.h"

#include <exdispid.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kestrel::win {
namespace {

// A browser object as the events name it: only its identity counts.
class FakeBrowser final : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        return E_NOTIMPL;
    }
};

std::vector<std::wstring> g_opened;
bool g_clicked = false;

void RecordOpen(const wchar_t* url) {
    g_opened.emplace_back(url);
}
bool Clicked() {
    return g_clicked;
}

// Fires BeforeNavigate2 for `url` in `frame` and says whether the sink cancelled it.
bool BeforeNavigateCancels(IDispatch* sink, IDispatch* frame, const wchar_t* url) {
    BSTR address = SysAllocString(url);
    VARIANT urlValue{};
    urlValue.vt = VT_BSTR;
    urlValue.bstrVal = address;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANTARG args[7] = {};
    args[6].vt = VT_DISPATCH;
    args[6].pdispVal = frame;
    args[5].vt = VT_BYREF | VT_VARIANT;
    args[5].pvarVal = &urlValue;
    args[0].vt = VT_BYREF | VT_BOOL;
    args[0].pboolVal = &cancel;
    DISPPARAMS params{args, nullptr, 7, 0};
    sink->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    SysFreeString(address);
    return cancel == VARIANT_TRUE;
}

void DocumentComplete(IDispatch* sink, IDispatch* frame) {
    VARIANTARG args[2] = {};
    args[1].vt = VT_DISPATCH;
    args[1].pdispVal = frame;
    DISPPARAMS params{args, nullptr, 2, 0};
    sink->Invoke(DISPID_DOCUMENTCOMPLETE, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

bool NewWindowCancels(IDispatch* sink, const wchar_t* url) {
    BSTR address = SysAllocString(url);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANTARG args[5] = {};
    args[3].vt = VT_BYREF | VT_BOOL;
    args[3].pboolVal = &cancel;
    args[0].vt = VT_BSTR;
    args[0].bstrVal = address;
    DISPPARAMS params{args, nullptr, 5, 0};
    sink->Invoke(DISPID_NEWWINDOW3, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    SysFreeString(address);
    return cancel == VARIANT_TRUE;
}

TEST(AdvertBannerEvents, KeepTheBannerOnItsPageAndSendClickedLinksToTheBrowser) {
    FakeBrowser top;
    FakeBrowser frame;
    g_opened.clear();
    g_clicked = false;
    IDispatch* sink = CreateBannerEventSink(&top, &RecordOpen, &Clicked);

    // Loading: the https page and its frames load; anything else is cancelled.
    EXPECT_FALSE(BeforeNavigateCancels(sink, &top, L"https://kestrel.example/banner/"));
    EXPECT_TRUE(BeforeNavigateCancels(sink, &top, L"http://kestrel.example/banner/"));
    EXPECT_FALSE(BeforeNavigateCancels(sink, &frame, L"https://ads.example/frame"));
    EXPECT_TRUE(BeforeNavigateCancels(sink, &frame, L"about:blank"));
    DocumentComplete(sink, &frame); // a frame finishing is not the page shown
    EXPECT_FALSE(BeforeNavigateCancels(sink, &top, L"https://kestrel.example/banner/redirected"));

    // Shown: the page does not move on by itself; a click sends the link to the browser instead.
    DocumentComplete(sink, &top);
    EXPECT_TRUE(BeforeNavigateCancels(sink, &top, L"https://kestrel.example/next"));
    EXPECT_TRUE(g_opened.empty());
    g_clicked = true;
    EXPECT_TRUE(BeforeNavigateCancels(sink, &top, L"https://kestrel.example/download"));
    EXPECT_TRUE(BeforeNavigateCancels(sink, &top, L"file:///C:/Windows/win.ini"));
    // New windows never open; a clicked https link in one goes to the browser too.
    EXPECT_TRUE(NewWindowCancels(sink, L"https://kestrel.example/popup"));
    g_clicked = false;
    EXPECT_TRUE(NewWindowCancels(sink, L"https://kestrel.example/unasked"));
    EXPECT_EQ(g_opened, (std::vector<std::wstring>{L"https://kestrel.example/download",
                                                   L"https://kestrel.example/popup"}));
    // An event without its arguments is answered, not read.
    EXPECT_EQ(sink->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr,
                           nullptr),
              S_OK);
    sink->Release();
}

} // namespace
} // namespace kestrel::win
