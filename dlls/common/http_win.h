// One HTTP(S) request through WinHTTP, for the helper libraries' worker threads. Bounded in time and in
// size: a slow, silent or endless server costs at most a few seconds and a few kilobytes.
#pragma once

#include <optional>
#include <string>

namespace kestrel::win {

struct HttpRequest {
    std::wstring url;             // http:// or https://
    const wchar_t* verb = L"GET"; // or L"POST"
    std::string body;             // sent as is
    const wchar_t* headers = nullptr;
    std::size_t maxResponseBytes = 4096;
    int timeoutMs = 10000; // for each of resolve, connect, send and receive
};

// The response body when the server answered 200 with at most maxResponseBytes; nullopt on any failure
// (bad address, no network, time-out, another status, a larger answer).
std::optional<std::string> SendHttpRequest(const HttpRequest& request);

} // namespace kestrel::win
