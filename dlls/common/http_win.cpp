// WinHTTP behind one call; see http_win.h.
#include "common/http_win.h"

#include <windows.h>
#include <winhttp.h>

#include <memory>

namespace kestrel::win {

namespace {

struct InternetCloser {
    void operator()(HINTERNET handle) const { ::WinHttpCloseHandle(handle); }
};
using Internet = std::unique_ptr<void, InternetCloser>;

} // namespace

std::optional<std::string> SendHttpRequest(const HttpRequest& request) {
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!::WinHttpCrackUrl(request.url.c_str(), 0, 0, &parts) || parts.dwHostNameLength == 0 ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS)) {
        return std::nullopt;
    }
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo ? parts.lpszExtraInfo : L"", parts.dwExtraInfoLength);
    if (path.empty()) {
        path = L"/";
    }

    Internet session(::WinHttpOpen(L"Kestrel", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                                   WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) {
        return std::nullopt;
    }
    const int t = request.timeoutMs;
    ::WinHttpSetTimeouts(session.get(), t, t, t, t);
    Internet connection(::WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection) {
        return std::nullopt;
    }
    const DWORD secure = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    Internet call(::WinHttpOpenRequest(connection.get(), request.verb, path.c_str(), nullptr,
                                       WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, secure));
    if (!call) {
        return std::nullopt;
    }
    const auto bodySize = static_cast<DWORD>(request.body.size());
    if (!::WinHttpSendRequest(call.get(), request.headers ? request.headers : WINHTTP_NO_ADDITIONAL_HEADERS,
                              request.headers ? static_cast<DWORD>(-1L) : 0,
                              bodySize ? const_cast<char*>(request.body.data()) : WINHTTP_NO_REQUEST_DATA,
                              bodySize, bodySize, 0) ||
        !::WinHttpReceiveResponse(call.get(), nullptr)) {
        return std::nullopt;
    }
    DWORD status = 0;
    DWORD statusSize = sizeof(status);
    if (!::WinHttpQueryHeaders(call.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                               WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize, WINHTTP_NO_HEADER_INDEX) ||
        status != 200) {
        return std::nullopt;
    }
    std::string response;
    char chunk[1024];
    for (;;) {
        DWORD read = 0;
        if (!::WinHttpReadData(call.get(), chunk, sizeof(chunk), &read)) {
            return std::nullopt;
        }
        if (read == 0) {
            return response;
        }
        if (response.size() + read > request.maxResponseBytes) {
            return std::nullopt; // not what we asked for; stop reading at once
        }
        response.append(chunk, read);
    }
}

} // namespace kestrel::win
