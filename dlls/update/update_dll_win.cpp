// Update.dll: DoUpdate(manifestUrl) checks for a newer Kestrel without ever holding up the caller. A
// worker thread fetches the manifest (update/manifest.h); only when it offers a version above this one
// does the user see anything: a question whether to open the download page. Every failure is silent,
// and nothing on disk is ever replaced.
#include "base/texts.h"
#include "base/version.h"
#include "base/web_addresses.h"
#include "common/http_win.h"
#include "update/manifest.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <string>

namespace {

using namespace kestrel;

std::wstring Widen(const std::string& text, UINT codePage) {
    const int length =
        ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
    if (length > 0) {
        ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    }
    return wide;
}

std::wstring FillIn(std::wstring text, std::wstring_view field, const std::wstring& value) {
    const auto at = text.find(field);
    if (at != std::wstring::npos) {
        text.replace(at, field.size(), value);
    }
    return text;
}

void CheckForUpdate(const std::wstring& url) {
    if (!IsHttpAddress(url)) {
        return;
    }
    win::HttpRequest request;
    request.url = url;
    request.maxResponseBytes = update::kMaxManifestBytes;
    const auto body = win::SendHttpRequest(request);
    if (!body) {
        return;
    }
    const auto manifest = update::ParseManifest(*body);
    if (!manifest || !update::OffersNewerVersion(*manifest, KESTREL_VERSION_STRING)) {
        return;
    }
    const std::wstring page = Widen(manifest->page, CP_ACP);
    const std::wstring question = FillIn(
        FillIn(text::kUpdateQuestion, L"{version}", Widen(manifest->versionText, CP_ACP)), L"{page}", page);
    if (::MessageBoxW(nullptr, question.c_str(), text::kAppTitle,
                      MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND | MB_TASKMODAL) == IDYES) {
        // The shell may hand the address to a COM server; this thread needs its own apartment for that.
        const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        ::ShellExecuteW(nullptr, nullptr, page.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
        if (SUCCEEDED(com)) {
            ::CoUninitialize();
        }
    }
}

DWORD WINAPI UpdateThread(void* parameter) {
    std::wstring* url = static_cast<std::wstring*>(parameter);
    try {
        CheckForUpdate(*url);
    } catch (...) {
        // Out of memory and the like: the check simply does not happen.
    }
    delete url;
    // The thread holds a reference on this library (taken in DoUpdate), so it cannot be unloaded
    // under the running code; it lets go of it as its very last step.
    HMODULE self = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                             GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                         reinterpret_cast<LPCWSTR>(&UpdateThread), &self);
    ::FreeLibraryAndExitThread(self, 0);
}

} // namespace

extern "C" int __stdcall DoUpdate(const char* manifestUrl) {
    if (!manifestUrl) {
        return 0;
    }
    try {
        auto* url = new std::wstring(Widen(manifestUrl, CP_ACP));
        HMODULE self = nullptr;
        if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                                  reinterpret_cast<LPCWSTR>(&UpdateThread), &self)) {
            delete url;
            return 0;
        }
        HANDLE thread = ::CreateThread(nullptr, 0, &UpdateThread, url, 0, nullptr);
        if (!thread) {
            delete url;
            ::FreeLibrary(self);
            return 0;
        }
        ::CloseHandle(thread);
        return 1;
    } catch (...) {
        return 0;
    }
}
