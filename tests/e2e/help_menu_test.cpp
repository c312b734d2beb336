// The Help menu and the helper libraries, end to end: the about box, the feedback dialog posting to a
// local server, and the update check against a local server. The web addresses are pointed at
// 127.0.0.1 through the registry of the throwaway prefix; no other address is ever contacted.
#include "driver.h"

#include "base/command_ids.h"
#include "base/texts.h"

#include <gtest/gtest.h>
#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace kestrel::e2e {
namespace {

// A one-answer-fits-all HTTP server on 127.0.0.1 and a free port, on its own thread, that remembers
// the requests it was sent.
class LocalHttpServer {
public:
    explicit LocalHttpServer(std::string body) : body_(std::move(body)) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof(address);
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(listener_, 4) != 0 ||
            getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            ADD_FAILURE() << "cannot listen on 127.0.0.1: " << WSAGetLastError();
        }
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~LocalHttpServer() {
        closesocket(listener_); // ends accept()
        thread_.join();
        WSACleanup();
    }

    std::wstring Url(const wchar_t* path) const {
        return L"http://127.0.0.1:" + std::to_wstring(port_) + path;
    }
    std::vector<std::string> Requests() {
        std::lock_guard lock(mutex_);
        return requests_;
    }

private:
    void Serve() {
        for (;;) {
            SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) {
                return;
            }
            std::string request;
            char chunk[4096];
            // Headers, then as much body as Content-Length announces.
            for (;;) {
                const auto end = request.find("\r\n\r\n");
                if (end != std::string::npos) {
                    const auto field = request.find("Content-Length: ");
                    const std::size_t length =
                        field == std::string::npos ? 0 : std::stoul(request.substr(field + 16));
                    if (request.size() >= end + 4 + length) {
                        break;
                    }
                }
                const int got = recv(client, chunk, sizeof(chunk), 0);
                if (got <= 0) {
                    break;
                }
                request.append(chunk, static_cast<std::size_t>(got));
            }
            {
                std::lock_guard lock(mutex_);
                requests_.push_back(request);
            }
            const std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n"
                                       "Content-Length: " +
                                       std::to_string(body_.size()) + "\r\n\r\n" + body_;
            send(client, answer.data(), static_cast<int>(answer.size()), 0);
            shutdown(client, SD_SEND);
            closesocket(client);
        }
    }

    std::string body_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> requests_;
};

std::vector<HWND> VisibleWindowsTitled(DWORD processId, const wchar_t* title) {
    std::vector<HWND> found;
    for (HWND w : TopLevelWindowsOf(processId)) {
        if (IsWindowVisible(w) && WindowText(w) == title) {
            found.push_back(w);
        }
    }
    return found;
}

HWND WaitForWindowTitled(DWORD processId, const wchar_t* title, Duration timeout = kTimeout) {
    std::vector<HWND> found;
    WaitUntil([&] { return !(found = VisibleWindowsTitled(processId, title)).empty(); }, timeout);
    return found.empty() ? nullptr : found.front();
}

TEST(HelpMenu, AboutBoxShowsTheProductAndTheHomePageLink) {
    Sandbox sandbox; // no helper libraries: the program does without them
    ScopedKestrelSetting home(L"HomePage", L"http://127.0.0.1:9/kestrel-home");
    KestrelProcess kestrel(sandbox);
    HWND main = kestrel.WaitForMainWindow();
    ASSERT_TRUE(kestrel.WaitUntilIdle());

    PostCommand(main, ids::kCmdHelpAbout);
    HWND about = WaitForWindowTitled(kestrel.Id(), text::kAboutCaption);
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(IsWindowEnabled(main)) << "the about box is modal";
    EXPECT_EQ(WindowText(GetDlgItem(about, ids::kAboutTitle)), L"Kestrel");
    EXPECT_EQ(WindowText(GetDlgItem(about, ids::kAboutVersion)), L"版本：3.1.0.0");
    const std::wstring description = WindowText(GetDlgItem(about, ids::kAboutDescription));
    EXPECT_TRUE(description.starts_with(L"Kestrel：最专业的电脑定时关机软件")) << WideToUtf8(description);
    EXPECT_TRUE(description.ends_with(L"使用计算机功能。\r\n\r\n")) << WideToUtf8(description);
    EXPECT_EQ(WindowText(GetDlgItem(about, ids::kAboutDisclaimer)), L"官方网站：");
    HWND link = GetDlgItem(about, ids::kAboutLink);
    EXPECT_EQ(WindowText(link), L"http://127.0.0.1:9/kestrel-home") << "the address from the registry";
    EXPECT_TRUE(GetWindowLongW(link, GWL_STYLE) & WS_TABSTOP) << "the keyboard reaches the link";
    RECT client{};
    GetClientRect(about, &client);
    EXPECT_EQ(client.right, 5730 / 15);
    EXPECT_EQ(client.bottom, 3075 / 15);

    // A second request while it is open does not stack another box.
    PostCommand(main, ids::kCmdHelpAbout);
    ASSERT_TRUE(RoundTrip(main));
    EXPECT_EQ(VisibleWindowsTitled(kestrel.Id(), text::kAboutCaption).size(), 1u);
    PostClick(GetDlgItem(about, ids::kAboutOk));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(main) != FALSE; }));
    EXPECT_TRUE(RoundTrip(main));
}

TEST(HelpMenu, FeedbackIsRefusedWhenEmptyAndPostedWhenWritten) {
    Sandbox sandbox;
    sandbox.AddLibrary(L"SendComment.dll"); // and no Update.dll: its check quietly does nothing
    LocalHttpServer server("ok");
    ScopedKestrelSetting feedback(L"Feedback", server.Url(L"/feedback"));
    KestrelProcess kestrel(sandbox);
    HWND main = kestrel.WaitForMainWindow();
    ASSERT_TRUE(kestrel.WaitUntilIdle());

    PostCommand(main, ids::kCmdHelpFeedback);
    HWND dialog = WaitForWindowTitled(kestrel.Id(), L"Kestrel 3.1.0.0");
    ASSERT_NE(dialog, nullptr);
    HWND send = GetDlgItem(dialog, ids::kFeedbackSend);
    SendMessageW(GetDlgItem(dialog, ids::kFeedbackComment), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L" \r\n "));
    PostClick(send);
    auto box = WaitForMessageBox(kestrel.Id());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, text::kFeedbackEmpty);
    ASSERT_TRUE(box->Press(IDOK));
    EXPECT_TRUE(server.Requests().empty());

    SendMessageW(GetDlgItem(dialog, ids::kFeedbackComment), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"很好用 & 谢谢"));
    SendMessageW(GetDlgItem(dialog, ids::kFeedbackContact), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"a@b.example"));
    PostClick(send);
    box = WaitForMessageBox(kestrel.Id());
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text, text::kFeedbackSent);
    ASSERT_TRUE(box->Press(IDOK));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].starts_with("POST /feedback ")) << requests[0];
    // The comment arrives whole, in UTF-8, with its ampersand encoded.
    EXPECT_NE(requests[0].find("comment=%E5%BE%88%E5%A5%BD%E7%94%A8%20%26%20%E8%B0%A2%E8%B0%A2"),
              std::string::npos)
        << requests[0];
    EXPECT_NE(requests[0].find("contact=a%40b.example"), std::string::npos);
    Sleep(2500); // past the update check's moment, without its library
    EXPECT_TRUE(kestrel.IsRunning());
    EXPECT_TRUE(RoundTrip(main));
}

TEST(HelpMenu, UpdateCheckAsksOnlyForANewerVersion) {
    struct Case {
        const char* name;
        std::string manifest; // empty: no server at all
        bool asks;
    };
    const Case cases[] = {
        {"newer", "kestrel-update 1\r\nversion=3.2.0.0\r\npage=http://127.0.0.1:9/download\r\n", true},
        {"same", "kestrel-update 1\r\nversion=3.1.0.0\r\npage=http://127.0.0.1:9/download\r\n", false},
        {"malformed", "kestrel-update 1\r\nversion=3.2.x\r\npage=http://127.0.0.1:9/download\r\n", false},
        {"no server", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sandbox sandbox;
        sandbox.AddLibrary(L"Update.dll"); // and no SendComment.dll: feedback quietly does nothing
        std::optional<LocalHttpServer> server;
        std::wstring url = L"http://127.0.0.1:1/latest.txt"; // nothing listens on port 1
        if (!c.manifest.empty()) {
            server.emplace(c.manifest);
            url = server->Url(L"/latest.txt");
        }
        ScopedKestrelSetting manifest(L"UpdateManifest", url);
        KestrelProcess kestrel(sandbox, L"mini"); // the check runs with the window hidden too
        HWND main = kestrel.WaitForMainWindow();
        ASSERT_TRUE(kestrel.WaitUntilIdle());
        if (server) {
            ASSERT_TRUE(WaitUntil([&] { return !server->Requests().empty(); }))
                << "the manifest was not fetched";
            EXPECT_TRUE(server->Requests()[0].starts_with("GET /latest.txt "));
        }
        const auto box = WaitForMessageBox(kestrel.Id(), c.asks ? kTimeout : Duration(4s));
        ASSERT_EQ(box.has_value(), c.asks);
        if (box) {
            EXPECT_NE(box->text.find(L"3.2.0.0"), std::wstring::npos);
            EXPECT_TRUE(box->HasButton(IDYES) && box->HasButton(IDNO));
            ASSERT_TRUE(box->Press(IDNO)); // Yes would open the page in a browser
        } else {
            PostCommand(main, ids::kCmdHelpFeedback);
            ASSERT_TRUE(RoundTrip(main));
            EXPECT_EQ(WaitForWindowTitled(kestrel.Id(), L"Kestrel 3.1.0.0", 1s), nullptr);
        }
        if (server) {
            EXPECT_EQ(server->Requests().size(), 1u) << "the check runs once per run";
        }
        EXPECT_TRUE(kestrel.IsRunning());
    }
}

} // namespace
} // namespace kestrel::e2e
