// Update.dll: DoUpdate(manifestUrl) checks for a newer Kestrel without ever holding up the caller. A
// worker thread fetches the manifest (update/manifest.h); only when it offers a version above this one
// does the user see anything: a question whether to open the download page. Every failure is silent,
// and nothing on disk is ever replaced. Plain Win32 without the C++ library, so the DLL stays small.
#include "base/texts.h"
#include "base/version.h"
#include "base/web_addresses.h"
#include "common/http_win.h"
#include "common/thread_win.h"
#include "common/text_win.h"
#include "shell/web_address_win.h"
#include "update/manifest.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

namespace {

using namespace kestrel;

// What DoUpdate hands to its worker thread; the thread frees it.
struct UpdateJob {
    wchar_t url[win::kWebAddressCapacity];
};

bool StartsWith(const wchar_t* text, const wchar_t* prefix) {
    while (*prefix && *text == *prefix) {
        ++text;
        ++prefix;
    }
    return *prefix == L'\0';
}

// The question with {version} and {page} filled in.
void BuildQuestion(win::TextBuilder& out, const update::Manifest& manifest) {
    const wchar_t* rest = text::kUpdateQuestion;
    while (*rest) {
        const wchar_t* field = rest;
        while (*field && *field != L'{') {
            ++field;
        }
        out.Append(rest, static_cast<int>(field - rest));
        if (!*field) {
            break;
        }
        if (StartsWith(field, L"{version}")) {
            out.AppendAnsi(manifest.versionText.data(), static_cast<int>(manifest.versionText.size()));
            rest = field + 9;
        } else if (StartsWith(field, L"{page}")) {
            out.AppendAnsi(manifest.page.data(), static_cast<int>(manifest.page.size()));
            rest = field + 6;
        } else {
            out.Append(field, 1);
            rest = field + 1;
        }
    }
}

void CheckForUpdate(const wchar_t* url) {
    if (!IsHttpsAddress(url)) {
        return;
    }
    char body[update::kMaxManifestBytes];
    win::HttpRequest request;
    request.url = url;
    request.response = body;
    request.responseCapacity = sizeof(body);
    DWORD size = 0;
    if (!win::SendHttpRequest(request, &size)) {
        return;
    }
    const auto manifest = update::ParseManifest(std::string_view(body, size));
    if (!manifest || !update::OffersNewerVersion(*manifest, KESTREL_VERSION_STRING)) {
        return;
    }
    wchar_t question[win::kWebAddressCapacity + 256];
    win::TextBuilder text(question, ARRAYSIZE(question));
    BuildQuestion(text, *manifest);
    if (::MessageBoxW(nullptr, text.get(), text::kAppTitle,
                      MB_YESNO | MB_ICONQUESTION | MB_SETFOREGROUND | MB_TASKMODAL) == IDYES) {
        wchar_t page[win::kWebAddressCapacity];
        win::TextBuilder pageText(page, ARRAYSIZE(page));
        pageText.AppendAnsi(manifest->page.data(), static_cast<int>(manifest->page.size()));
        // The shell may hand the address to a COM server; this thread needs its own apartment for that.
        const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        ::ShellExecuteW(nullptr, nullptr, page, nullptr, nullptr, SW_SHOWNORMAL);
        if (SUCCEEDED(com)) {
            ::CoUninitialize();
        }
    }
}

DWORD WINAPI UpdateThread(void* parameter) {
    auto* job = static_cast<UpdateJob*>(parameter);
    CheckForUpdate(job->url);
    ::HeapFree(::GetProcessHeap(), 0, job);
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
    auto* job = static_cast<UpdateJob*>(::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(UpdateJob)));
    if (!job) {
        return 0;
    }
    // A longer address is no address Kestrel takes (the conversion fails, the text stays empty).
    if (::MultiByteToWideChar(CP_ACP, 0, manifestUrl, -1, job->url, ARRAYSIZE(job->url)) == 0) {
        job->url[0] = L'\0';
    }
    HMODULE self = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                              reinterpret_cast<LPCWSTR>(&UpdateThread), &self)) {
        ::HeapFree(::GetProcessHeap(), 0, job);
        return 0;
    }
    HANDLE thread = kestrel::win::CreateThreadLikeCaller(&UpdateThread, job);
    if (!thread) {
        ::HeapFree(::GetProcessHeap(), 0, job);
        ::FreeLibrary(self);
        return 0;
    }
    ::CloseHandle(thread);
    return 1;
}
