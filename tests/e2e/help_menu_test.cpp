// The Help menu and the helper libraries, end to end: the about box, the feedback dialog posting to a
// local HTTPS server, and the update check against one. The web addresses are pointed at the loopback
// servers of scripts/tls_servers.sh through the registry of the throwaway prefix, whose root store (and
// no other) trusts their authority. A plain http address is refused and the built-in one at the
// reserved example domain, which never resolves, is used instead.
#include "driver.h"

#include "base/command_ids.h"
#include "base/texts.h"

#include <gtest/gtest.h>
#include <winsock2.h>
#include <wincrypt.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <thread>

namespace kestrel::e2e {
namespace {

// The whole file, or nothing when it is not there yet.
std::string ReadWholeFile(const std::filesystem::path& path) {
    return ReadFileBytesAt(path).value_or("");
}

// The loopback HTTPS servers that scripts/tls_servers.sh started (KESTREL_TLS_DIR), with their
// authority added to this prefix's root store.
class LocalTlsServers {
public:
    LocalTlsServers() : folder_(PathFromEnvironment(L"KESTREL_TLS_DIR")) {
        if (folder_.empty()) {
            ADD_FAILURE() << "set KESTREL_TLS_DIR and start scripts/tls_servers.sh";
            return;
        }
        getPort_ = Trimmed(ReadWholeFile(folder_ / L"get.port"));
        postPort_ = Trimmed(ReadWholeFile(folder_ / L"post.port"));
        EXPECT_FALSE(getPort_.empty() || postPort_.empty()) << "the servers are not running";
        TrustAuthority(ReadWholeFile(folder_ / L"ca.der"));
    }

    // Puts an answer with `body` where the GET server sends it from, and returns its address.
    std::wstring Publish(const std::wstring& name, const std::string& body) const {
        std::ofstream(folder_ / L"www" / name, std::ios::binary)
            << "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " << body.size() << "\r\n\r\n"
            << body;
        return L"https://localhost:" + getPort_ + L"/" + name;
    }
    int TimesFetched(const std::wstring& name) const {
        const std::string log = ReadWholeFile(folder_ / L"get.log");
        const std::string line = "FILE:" + WideToUtf8(name) + "\n";
        int count = 0;
        for (auto at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) {
            ++count;
        }
        return count;
    }
    std::wstring PostUrl(const wchar_t* path) const { return L"https://localhost:" + postPort_ + path; }
    std::string PostLog() const { return ReadWholeFile(folder_ / L"post.log"); }

private:
    static std::wstring Trimmed(const std::string& text) {
        std::wstring out;
        for (char c : text) {
            if (c >= '0' && c <= '9') {
                out += static_cast<wchar_t>(c);
            }
        }
        return out;
    }
    static void TrustAuthority(const std::string& der) {
        HCERTSTORE root =
            CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
        ASSERT_NE(root, nullptr) << GetLastError();
        EXPECT_TRUE(CertAddEncodedCertificateToStore(
            root, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
            static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr))
            << GetLastError();
        CertCloseStore(root, 0);
    }

    std::filesystem::path folder_;
    std::wstring getPort_;
    std::wstring postPort_;
};

std::wstring UniqueName(std::string stem) {
    for (char& c : stem) {
        c = c == ' ' ? '-' : c;
    }
    return Utf8ToWide(stem) + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
           std::to_wstring(GetTickCount64()) + L".txt";
}

// A one-answer-fits-all plain HTTP server on 127.0.0.1 and a free port, on its own thread, that
// remembers the requests it was sent: what a refused http:// address would have reached.
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

TEST(HelpMenu, AboutBoxShowsTheProductAndTheHomePageLink) {
    Sandbox sandbox; // no helper libraries: the program does without them
    std::optional<ScopedKestrelSetting> home;
    home.emplace(L"HomePage", L"https://localhost:9/kestrel-home");
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
    EXPECT_EQ(WindowText(link), L"https://localhost:9/kestrel-home") << "the address from the registry";
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

    // A plain http address is not taken: the link shows the built-in https one.
    home.reset();
    home.emplace(L"HomePage", L"http://localhost:9/kestrel-home");
    PostCommand(main, ids::kCmdHelpAbout);
    about = WaitForWindowTitled(kestrel.Id(), text::kAboutCaption);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(about, ids::kAboutLink)), L"https://kestrel.example/");
    PostClick(GetDlgItem(about, ids::kAboutOk));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about); }));
}

TEST(HelpMenu, FeedbackIsRefusedWhenEmptyAndPostedWhenWritten) {
    Sandbox sandbox;
    sandbox.AddLibrary(L"SendComment.dll"); // and no Update.dll: its check quietly does nothing
    LocalTlsServers servers;
    const std::string before = servers.PostLog();
    ScopedKestrelSetting feedback(L"Feedback", servers.PostUrl(L"/feedback"));
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
    EXPECT_EQ(servers.PostLog(), before);

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
    const std::string request = servers.PostLog().substr(before.size());
    EXPECT_TRUE(request.starts_with("POST /feedback ")) << request;
    // The comment arrives whole, in UTF-8, with its ampersand encoded.
    EXPECT_NE(request.find(
                  "product=Kestrel%203.1.0.0&comment=%E5%BE%88%E5%A5%BD%E7%94%A8%20%26%20%E8%B0%A2%E8%B0%A2"
                  "&contact=a%40b.example"),
              std::string::npos)
        << request;
    Sleep(2500); // past the update check's moment, without its library
    EXPECT_TRUE(kestrel.IsRunning());
    EXPECT_TRUE(RoundTrip(main));
}

TEST(HelpMenu, UpdateCheckAsksOnlyForANewerVersionOverHttps) {
    enum class Server { Tls, None, PlainHttp };
    struct Case {
        const char* name;
        Server server;
        std::string manifest;
        bool asks;
    };
    const Case cases[] = {
        {"newer", Server::Tls, "kestrel-update 1\r\nversion=3.2.0.0\r\npage=https://localhost:9/download\r\n",
         true},
        {"same", Server::Tls, "kestrel-update 1\r\nversion=3.1.0.0\r\npage=https://localhost:9/download\r\n",
         false},
        {"malformed", Server::Tls,
         "kestrel-update 1\r\nversion=3.2.x\r\npage=https://localhost:9/download\r\n", false},
        {"http page", Server::Tls,
         "kestrel-update 1\r\nversion=3.2.0.0\r\npage=http://localhost:9/download\r\n", false},
        {"no server", Server::None, "", false},
        {"plain http", Server::PlainHttp,
         "kestrel-update 1\r\nversion=3.2.0.0\r\npage=https://localhost:9/d\r\n", false},
    };
    LocalTlsServers servers;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Sandbox sandbox;
        sandbox.AddLibrary(L"Update.dll"); // and no SendComment.dll: feedback quietly does nothing
        std::optional<LocalHttpServer> plain;
        const std::wstring name = UniqueName(c.name);
        std::wstring url = L"https://localhost:1/latest.txt"; // nothing listens on port 1
        if (c.server == Server::Tls) {
            url = servers.Publish(name, c.manifest);
        } else if (c.server == Server::PlainHttp) {
            plain.emplace(c.manifest);
            url = plain->Url(L"/latest.txt");
        }
        ScopedKestrelSetting manifest(L"UpdateManifest", url);
        KestrelProcess kestrel(sandbox, L"mini"); // the check runs with the window hidden too
        HWND main = kestrel.WaitForMainWindow();
        ASSERT_TRUE(kestrel.WaitUntilIdle());
        if (c.server == Server::Tls) {
            ASSERT_TRUE(WaitUntil([&] { return servers.TimesFetched(name) > 0; }))
                << "the manifest was not fetched";
        }
        const auto box = WaitForMessageBox(kestrel.Id(), c.asks ? kTimeout : Duration(4s));
        ASSERT_EQ(box.has_value(), c.asks);
        if (box) {
            EXPECT_NE(box->text.find(L"3.2.0.0"), std::wstring::npos);
            EXPECT_NE(box->text.find(L"https://localhost:9/download"), std::wstring::npos);
            EXPECT_TRUE(box->HasButton(IDYES) && box->HasButton(IDNO));
            ASSERT_TRUE(box->Press(IDNO)); // Yes would open the page in a browser
        } else {
            PostCommand(main, ids::kCmdHelpFeedback);
            ASSERT_TRUE(RoundTrip(main));
            EXPECT_EQ(WaitForWindowTitled(kestrel.Id(), L"Kestrel 3.1.0.0", 1s), nullptr);
        }
        if (c.server == Server::Tls) {
            EXPECT_EQ(servers.TimesFetched(name), 1) << "the check runs once per run";
        }
        if (plain) {
            EXPECT_TRUE(plain->Requests().empty()) << "a plain http address was contacted";
        }
        EXPECT_TRUE(kestrel.IsRunning());
    }
}

} // namespace
} // namespace kestrel::e2e
