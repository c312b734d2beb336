// WinHTTP behind one call; see http_win.h.
#include "common/http_win.h"

#include "base/web_addresses.h"
#include "common/heap_win.h"
#include "common/module_win.h"
#include "common/thread_win.h"

#include <winhttp.h>

namespace kestrel::win {

namespace {

#ifndef WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3
#define WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3 0x00002000
#endif

class Internet {
public:
    explicit Internet(HINTERNET handle) : handle_(handle) {}
    Internet(const Internet&) = delete;
    Internet& operator=(const Internet&) = delete;
    ~Internet() {
        if (handle_) {
            ::WinHttpCloseHandle(handle_);
        }
    }
    explicit operator bool() const { return handle_ != nullptr; }
    HINTERNET get() const { return handle_; }

private:
    HINTERNET handle_;
};

// Texts WinHTTP allocates for its caller to free.
class GlobalText {
public:
    explicit GlobalText(LPWSTR text) : text_(text) {}
    GlobalText(const GlobalText&) = delete;
    GlobalText& operator=(const GlobalText&) = delete;
    ~GlobalText() {
        if (text_) {
            ::GlobalFree(text_);
        }
    }

private:
    LPWSTR text_;
};

// The proxy settings the user made in the system's internet options.
struct UserProxySettings {
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config{};
    bool read = ::WinHttpGetIEProxyConfigForCurrentUser(&config) != FALSE;
    GlobalText autoConfigUrl{config.lpszAutoConfigUrl};
    GlobalText proxy{config.lpszProxy};
    GlobalText bypass{config.lpszProxyBypass};
};

// One time limit for the whole request: each stage may take only what is left of it.
class Deadline {
public:
    explicit Deadline(DWORD ms) : end_(::GetTickCount64() + ms) {}

    // Caps the stages of `handle` at the time left; false when nothing is left.
    bool Apply(HINTERNET handle) const {
        const ULONGLONG now = ::GetTickCount64();
        if (now >= end_) {
            return false;
        }
        const ULONGLONG left = end_ - now;
        const int ms = left > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(left);
        return ::WinHttpSetTimeouts(handle, ms, ms, ms, ms) != FALSE;
    }

private:
    ULONGLONG end_;
};

HINTERNET OpenSession(const UserProxySettings& user) {
    if (!user.read) {
        // No settings of the user's own: WinHTTP's machine-wide ones.
        return ::WinHttpOpen(L"Kestrel", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                             WINHTTP_NO_PROXY_BYPASS, 0);
    }
    if (user.config.lpszProxy && *user.config.lpszProxy) {
        return ::WinHttpOpen(L"Kestrel", WINHTTP_ACCESS_TYPE_NAMED_PROXY, user.config.lpszProxy,
                             user.config.lpszProxyBypass && *user.config.lpszProxyBypass
                                 ? user.config.lpszProxyBypass
                                 : WINHTTP_NO_PROXY_BYPASS,
                             0);
    }
    return ::WinHttpOpen(L"Kestrel", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                         WINHTTP_NO_PROXY_BYPASS, 0);
}

// With automatic detection or a configuration script in the user's settings, the proxy they choose
// for this address wins over a fixed one, as in the user's browser.
void ApplyAutomaticProxy(const UserProxySettings& user, HINTERNET session, HINTERNET call,
                         const wchar_t* url) {
    if (!user.read || (!user.config.fAutoDetect && !user.config.lpszAutoConfigUrl)) {
        return;
    }
    WINHTTP_AUTOPROXY_OPTIONS options{};
    if (user.config.lpszAutoConfigUrl) {
        options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
        options.lpszAutoConfigUrl = user.config.lpszAutoConfigUrl;
    }
    if (user.config.fAutoDetect) {
        options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
        options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO chosen{};
    if (::WinHttpGetProxyForUrl(session, url, &options, &chosen)) {
        const GlobalText proxy(chosen.lpszProxy);
        const GlobalText bypass(chosen.lpszProxyBypass);
        ::WinHttpSetOption(call, WINHTTP_OPTION_PROXY, &chosen, sizeof(chosen));
    }
}

// TLS 1.2 and 1.3 where the system has both, 1.2 alone where it lacks 1.3; older systems keep their own
// choice (and fail against a server that insists on newer).
void RequireModernTls(HINTERNET session) {
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_3;
    if (!::WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols))) {
        protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
        ::WinHttpSetOption(session, WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof(protocols));
    }
}

// The request itself, synchronous, each stage capped at what is left of the time limit.
bool SendNow(const HttpRequest& request, DWORD* responseSize) {
    *responseSize = 0;
    const Deadline deadline(request.totalTimeoutMs);
    if (!request.url || !IsHttpsAddress(request.url)) {
        return false;
    }
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!::WinHttpCrackUrl(request.url, 0, 0, &parts) || parts.dwHostNameLength == 0 ||
        parts.nScheme != INTERNET_SCHEME_HTTPS) {
        return false;
    }
    HeapArray<wchar_t> host(parts.dwHostNameLength + 1);
    HeapArray<wchar_t> path(parts.dwUrlPathLength + parts.dwExtraInfoLength + 2);
    if (!host || !path) {
        return false;
    }
    ::CopyMemory(host.get(), parts.lpszHostName, parts.dwHostNameLength * sizeof(wchar_t));
    // The path and query as one text ("/" when the address has none); the array arrived zeroed, so
    // it ends in a NUL.
    DWORD at = 0;
    if (parts.dwUrlPathLength == 0) {
        path[at++] = L'/';
    } else {
        ::CopyMemory(path.get(), parts.lpszUrlPath, parts.dwUrlPathLength * sizeof(wchar_t));
        at = parts.dwUrlPathLength;
    }
    if (parts.lpszExtraInfo && parts.dwExtraInfoLength) {
        ::CopyMemory(path.get() + at, parts.lpszExtraInfo, parts.dwExtraInfoLength * sizeof(wchar_t));
    }

    const UserProxySettings user;
    const Internet session(OpenSession(user));
    if (!session || !deadline.Apply(session.get())) {
        return false;
    }
    RequireModernTls(session.get());
    const Internet connection(::WinHttpConnect(session.get(), host.get(), parts.nPort, 0));
    if (!connection) {
        return false;
    }
    const Internet call(::WinHttpOpenRequest(connection.get(), request.verb, path.get(), nullptr,
                                             WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                             WINHTTP_FLAG_SECURE));
    if (!call) {
        return false;
    }
    // A redirect may not lead from https to plain http (WinHTTP's default, stated here on purpose).
    DWORD redirects = WINHTTP_OPTION_REDIRECT_POLICY_DISALLOW_HTTPS_TO_HTTP;
    ::WinHttpSetOption(call.get(), WINHTTP_OPTION_REDIRECT_POLICY, &redirects, sizeof(redirects));
    ApplyAutomaticProxy(user, session.get(), call.get(), request.url);

    if (!deadline.Apply(call.get()) ||
        !::WinHttpSendRequest(call.get(), request.headers ? request.headers : WINHTTP_NO_ADDITIONAL_HEADERS,
                              request.headers ? static_cast<DWORD>(-1L) : 0,
                              request.bodySize ? const_cast<char*>(request.body) : WINHTTP_NO_REQUEST_DATA,
                              request.bodySize, request.bodySize, 0) ||
        !deadline.Apply(call.get()) || !::WinHttpReceiveResponse(call.get(), nullptr)) {
        return false;
    }
    DWORD status = 0;
    DWORD statusSize = sizeof(status);
    if (!::WinHttpQueryHeaders(call.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                               WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize, WINHTTP_NO_HEADER_INDEX) ||
        status != 200) {
        return false;
    }
    DWORD size = 0;
    for (;;) {
        char overflow = 0;
        const bool full = size == request.responseCapacity;
        DWORD read = 0;
        if (!deadline.Apply(call.get()) ||
            !::WinHttpReadData(call.get(), full ? &overflow : request.response + size,
                               full ? 1 : request.responseCapacity - size, &read)) {
            return false;
        }
        if (read == 0) {
            *responseSize = size;
            return true;
        }
        if (full) {
            return false; // more than we asked for; stop reading at once
        }
        size += read;
    }
}

// What the caller and the thread that carries out the request share: copies of everything the request
// needs, so that a caller who stops waiting can leave. Whichever of the two lets go last frees it.
struct Exchange {
    LONG holders;
    HttpRequest request;
    bool sent;
    DWORD answerSize;
    // Then the address, the body and room for the answer, in one block.
};

void LetGo(Exchange* exchange) {
    if (::InterlockedDecrement(&exchange->holders) == 0) {
        ::HeapFree(::GetProcessHeap(), 0, exchange);
    }
}

DWORD WINAPI ExchangeThread(void* parameter) {
    auto* exchange = static_cast<Exchange*>(parameter);
    exchange->sent = SendNow(exchange->request, &exchange->answerSize);
    LetGo(exchange);
    // The thread holds a reference on this module (taken when it was started), so that the module stays
    // loaded under it even when the caller stopped waiting and its library was released meanwhile.
    ::FreeLibraryAndExitThread(ThisModule(), 0);
}

} // namespace

bool SendHttpRequest(const HttpRequest& request, DWORD* responseSize) {
    *responseSize = 0;
    if (!request.url || !IsHttpsAddress(request.url)) {
        return false;
    }
    // WinHTTP's own time limits do not bound every stage everywhere (Wine's TLS handshake waits for
    // ever), so the request runs on a thread of its own and the caller waits for it at most the limit,
    // with a second's grace for the thread to notice its own time-out first.
    const SIZE_T urlBytes = (static_cast<SIZE_T>(::lstrlenW(request.url)) + 1) * sizeof(wchar_t);
    auto* exchange = static_cast<Exchange*>(
        ::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY,
                    sizeof(Exchange) + urlBytes + request.bodySize + request.responseCapacity));
    if (!exchange) {
        return false;
    }
    auto* url = reinterpret_cast<wchar_t*>(exchange + 1);
    auto* body = reinterpret_cast<char*>(url) + urlBytes;
    char* answer = body + request.bodySize;
    ::CopyMemory(url, request.url, urlBytes);
    if (request.bodySize) {
        ::CopyMemory(body, request.body, request.bodySize);
    }
    exchange->holders = 2;
    exchange->request = request;
    exchange->request.url = url;
    exchange->request.body = body;
    exchange->request.response = answer;

    const HMODULE reference = HoldThisModule();
    HANDLE thread = kestrel::win::CreateThreadLikeCaller(&ExchangeThread, exchange);
    if (!thread) {
        ::FreeLibrary(reference);
        ::HeapFree(::GetProcessHeap(), 0, exchange);
        return false;
    }
    const bool finished = ::WaitForSingleObject(thread, request.totalTimeoutMs + 1000) == WAIT_OBJECT_0;
    ::CloseHandle(thread);
    const bool sent = finished && exchange->sent;
    if (sent) {
        ::CopyMemory(request.response, answer, exchange->answerSize);
        *responseSize = exchange->answerSize;
    }
    LetGo(exchange);
    return sent;
}

} // namespace kestrel::win
