// The helper libraries' HTTP call refuses anything but https before touching the network, and a server
// that never answers costs no more than the request's time limit.
#include "common/http_win.h"

#include <winsock2.h>

#include <gtest/gtest.h>

#include <string>

namespace kestrel::win {
namespace {

// A loopback TCP listener that accepts nothing by itself: connections wait in its queue, unanswered.
class SilentListener {
public:
    SilentListener() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof(address);
        EXPECT_EQ(bind(socket_, reinterpret_cast<sockaddr*>(&address), size), 0);
        EXPECT_EQ(listen(socket_, 4), 0);
        getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
    }
    ~SilentListener() {
        closesocket(socket_);
        WSACleanup();
    }
    unsigned short port() const { return port_; }
    // Whether a connection has arrived (without taking it).
    bool WasContacted() const {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket_, &readable);
        timeval now{0, 0};
        return select(0, &readable, nullptr, nullptr, &now) == 1;
    }

private:
    SOCKET socket_ = INVALID_SOCKET;
    unsigned short port_ = 0;
};

TEST(HelperHttp, RefusesAnythingButHttpsWithoutConnecting) {
    SilentListener listener;
    const std::wstring port = std::to_wstring(listener.port());
    for (const std::wstring& url :
         {L"http://127.0.0.1:" + port + L"/manifest", L"ftp://127.0.0.1:" + port + L"/",
          L"HTTP://localhost:" + port + L"/", L"127.0.0.1:" + port, std::wstring()}) {
        char answer[16];
        HttpRequest request;
        request.url = url.c_str();
        request.response = answer;
        request.responseCapacity = sizeof(answer);
        DWORD size = 99;
        EXPECT_FALSE(SendHttpRequest(request, &size)) << std::string(url.begin(), url.end());
        EXPECT_EQ(size, 0u);
    }
    Sleep(200); // a connection attempt, had there been one, would have arrived by now
    EXPECT_FALSE(listener.WasContacted());
}

TEST(HelperHttp, ASilentServerCostsNoMoreThanTheTimeLimit) {
    SilentListener listener;
    const std::wstring url = L"https://localhost:" + std::to_wstring(listener.port()) + L"/manifest";
    char answer[16];
    HttpRequest request;
    request.url = url.c_str();
    request.response = answer;
    request.responseCapacity = sizeof(answer);
    request.totalTimeoutMs = 1000;
    DWORD size = 0;
    const ULONGLONG started = GetTickCount64();
    EXPECT_FALSE(SendHttpRequest(request, &size));
    // Generous: the machine may be busy, but the default limit of 15 s must not be what ended it.
    EXPECT_LT(GetTickCount64() - started, 8000u);
    EXPECT_TRUE(listener.WasContacted());
}

} // namespace
} // namespace kestrel::win
