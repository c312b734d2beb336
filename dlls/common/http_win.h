// One HTTPS request through WinHTTP, for the helper libraries' worker threads. Bounded in time and in
// size: a slow, silent or endless server costs at most the given time and the caller's buffer. TLS 1.2
// or 1.3 only, through the user's proxy settings; no heap of the C++ library.
#pragma once

#include <windows.h>

namespace kestrel::win {

struct HttpRequest {
    const wchar_t* url = nullptr; // https:// only
    const wchar_t* verb = L"GET"; // or L"POST"
    const char* body = nullptr;   // sent as is
    DWORD bodySize = 0;
    const wchar_t* headers = nullptr;
    char* response = nullptr; // receives the answer's body; may be null to ignore it
    DWORD responseCapacity = 0;
    DWORD totalTimeoutMs = 15000; // the whole request, from resolving the name to the last byte (the
                                  // caller waits at most a second longer, whatever the network does)
};

// True when the server answered 200 with a body that fit into the response buffer; `*responseSize`
// then holds its length. False on any failure: not an https address, no network, a certificate the
// system does not trust, the time used up, another status, a larger answer.
bool SendHttpRequest(const HttpRequest& request, DWORD* responseSize);

} // namespace kestrel::win
