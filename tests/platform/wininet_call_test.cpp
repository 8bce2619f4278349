// The WinInet-style calls as the file fetch and the request routine make them.
#include "platform/wininet.h"
#include "tests/platform/exchange_test_support.h"
#include "tests/support/free_port.h"
#include "tests/support/loopback_server.h"
#include "tests/support/proxy_peers.h"

#include <cstring>

namespace kesmora::test {
namespace {

using namespace kesmora::platform;

constexpr DWORD kFileFetchFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
constexpr DWORD kRoutineFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NEED_FILE;

// One request from open to close, as the routines make it; what it gave back.
struct Fetched {
    bool sent = false;
    std::string body;
    bool readFailed = false;
    std::string headers; // the 5000-byte buffer as the query left it, up to its zero
};

struct Call {
    std::string agent = "Agent/1";
    DWORD access = INTERNET_OPEN_TYPE_DIRECT;
    std::string proxyList;
    std::string host = "127.0.0.1";
    INTERNET_PORT port = 0;
    std::string verb = "GET";
    std::string path = "/";
    std::string version = "HTTP/1.1";
    DWORD flags = kRoutineFlags;
    std::string headers;
    std::string body;
};

Fetched Fetch(const Call& call, HINTERNET session = 0) {
    Fetched out;
    HINTERNET internet = session;
    if (internet == 0)
        internet = InternetOpenA(call.agent.c_str(), call.access,
                                 call.proxyList.empty() ? nullptr : call.proxyList.c_str(),
                                 call.proxyList.empty() ? nullptr : "", 0);
    HINTERNET connect = InternetConnectA(internet, call.host.c_str(), call.port, nullptr, nullptr,
                                         INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request = HttpOpenRequestA(connect, call.verb.c_str(), call.path.c_str(),
                                         call.version.c_str(), nullptr, nullptr, call.flags, 0);
    EXPECT_NE(request, 0u);
    DWORD securityFlags = 0x1F380;
    EXPECT_TRUE(InternetSetOptionA(request, INTERNET_OPTION_SECURITY_FLAGS, &securityFlags, 4));
    out.sent = HttpSendRequestA(request, call.headers.empty() ? nullptr : call.headers.c_str(),
                                static_cast<DWORD>(call.headers.size()),
                                call.body.empty() ? nullptr : call.body.data(),
                                static_cast<DWORD>(call.body.size()));
    char buffer[1024];
    DWORD read = 0;
    for (;;) {
        bool ok = InternetReadFile(request, buffer, sizeof buffer, &read);
        out.body.append(buffer, read);
        if (read == 0) {
            out.readFailed = !ok;
            break;
        }
    }
    std::string headers(5000, ' ');
    DWORD length = 5000;
    HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, headers.data(), &length, nullptr);
    out.headers = headers.c_str();
    InternetCloseHandle(request);
    InternetCloseHandle(connect);
    if (session == 0)
        InternetCloseHandle(internet);
    return out;
}

Call To(const LoopbackServer& server, std::string path = "/") {
    Call call;
    call.port = static_cast<INTERNET_PORT>(server.port());
    call.path = std::move(path);
    if (server.Url().rfind("https", 0) == 0)
        call.flags |= INTERNET_FLAG_SECURE;
    return call;
}

class WinInetCalls : public ExchangeTest {};

TEST_F(WinInetCalls, FileFetchShape) {
    LoopbackServer server;
    const std::string body(250000, 'p');
    server.Enqueue(Reply::Ok(body));
    HINTERNET session = InternetOpenA("Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)",
                                      INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connect =
        InternetConnectA(session, "127.0.0.1", server.port(), "", "", INTERNET_SERVICE_HTTP, 0, 0);
    const char* accept[] = {"Accept: */* \r\n", nullptr};
    HINTERNET request = HttpOpenRequestA(connect, "GET", "/pic.png?v=1", "HTTP/1.0", nullptr,
                                         accept, kFileFetchFlags, 0);
    ASSERT_TRUE(HttpSendRequestA(request, "Accept: */*\r\n\r\n", 15, nullptr, 0));
    char length[32];
    DWORD size = sizeof length;
    ASSERT_TRUE(HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, length, &size, nullptr));
    EXPECT_STREQ(length, "250000");
    EXPECT_EQ(size, 6u);
    std::string got;
    std::vector<char> buffer(102400);
    DWORD read = 0;
    int reads = 0;
    while (InternetReadFile(request, buffer.data(), 102400, &read) && read > 0) {
        got.append(buffer.data(), read);
        ++reads;
    }
    EXPECT_EQ(got, body);
    EXPECT_EQ(reads, 3);
    for (HINTERNET h : {request, connect, session})
        EXPECT_TRUE(InternetCloseHandle(h));

    ASSERT_EQ(server.Requests().size(), 1u);
    RecordedRequest seen = server.Requests()[0];
    EXPECT_EQ(seen.head.substr(0, seen.head.find("\r\n")), "GET /pic.png?v=1 HTTP/1.0");
    EXPECT_EQ(seen.Header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
    EXPECT_EQ(seen.CountHeader("Accept"), 1);
    EXPECT_EQ(seen.Header("Accept"), "*/*");
    EXPECT_FALSE(seen.HasHeader("Authorization"));
}

TEST_F(WinInetCalls, RequestRoutineShape) {
    struct Case {
        const char* name;
        Call call;
        Reply reply;
        std::string requestLine, sentBody;
        std::string body, headersStart;
    };
    LoopbackServer server;
    Call get = To(server, "/api?id=1");
    get.agent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
    get.headers =
        "Accept: */*\r\nReferer: " + server.Url("/api?id=1") + "\r\nAccept-Language: zh-cn";
    Call post = get;
    post.verb = "POST";
    post.body = "a=1";
    post.headers += "\r\nContent-Type: application/x-www-form-urlencoded";
    Call head = get;
    head.verb = "HEAD";
    const Case cases[] = {
        {"get", get, Reply::Ok("{\"site\":1}"), "GET /api?id=1 HTTP/1.1", "", "{\"site\":1}",
         "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n"},
        {"post", post, Reply::Ok("posted"), "POST /api?id=1 HTTP/1.1", "a=1", "posted",
         "HTTP/1.1 200 OK\r\n"},
        {"404 page", get, Reply::Status("404 Not Found", {}, "page"), "GET /api?id=1 HTTP/1.1", "",
         "page", "HTTP/1.1 404 Not Found\r\n"},
        {"head", head, Reply::Ok("never"), "HEAD /api?id=1 HTTP/1.1", "", "",
         "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::size_t before = server.Requests().size();
        server.Enqueue(c.reply);
        Fetched got = Fetch(c.call);
        EXPECT_TRUE(got.sent);
        EXPECT_FALSE(got.readFailed);
        EXPECT_EQ(got.body, c.body);
        EXPECT_EQ(got.headers.rfind(c.headersStart, 0), 0u) << got.headers;
        EXPECT_EQ(got.headers.substr(got.headers.size() - 4), "\r\n\r\n");
        ASSERT_EQ(server.Requests().size(), before + 1);
        RecordedRequest seen = server.Requests().back();
        EXPECT_EQ(seen.head.substr(0, seen.head.find("\r\n")), c.requestLine);
        EXPECT_EQ(seen.body, c.sentBody);
        EXPECT_EQ(seen.Header("User-Agent"), c.call.agent);
        EXPECT_EQ(seen.Header("Accept-Language"), "zh-cn");
        EXPECT_EQ(seen.Header("Referer"), server.Url("/api?id=1"));
    }
}

TEST_F(WinInetCalls, QueryIntoTooSmallBufferLeavesIt) {
    LoopbackServer server;
    server.Enqueue(Reply::Chunked({"abc"}, {"X-Long: " + std::string(6000, 'h')}));
    HINTERNET internet = InternetOpenA("A", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connect = InternetConnectA(internet, "127.0.0.1", server.port(), nullptr, nullptr,
                                         INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET request =
        HttpOpenRequestA(connect, "GET", "/", "HTTP/1.1", nullptr, nullptr, kRoutineFlags, 0);
    ASSERT_TRUE(HttpSendRequestA(request, nullptr, 0, nullptr, 0));

    std::string buffer(5000, ' ');
    DWORD length = 5000;
    EXPECT_FALSE(
        HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &length, nullptr));
    EXPECT_EQ(buffer, std::string(5000, ' '));
    EXPECT_GT(length, 6000u);
    std::string whole(length, '\0');
    EXPECT_TRUE(
        HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, whole.data(), &length, nullptr));
    EXPECT_EQ(whole.size(), length + 1u);

    char number[32] = "untouched";
    DWORD size = sizeof number;
    EXPECT_FALSE(HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, number, &size, nullptr));
    EXPECT_STREQ(number, "untouched"); // chunked: no length to give
    for (HINTERNET h : {request, connect, internet})
        InternetCloseHandle(h);
}

TEST_F(WinInetCalls, FailuresAsTheRoutinesSeeThem) {
    SetHttpLimitsForTesting(LowLimits());
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\n";
    struct Case {
        const char* name;
        std::optional<Reply> reply; // none: nobody listens
        bool sent, readFailed;
        std::string body, headers;
    } const cases[] = {
        {"refused", std::nullopt, false, true, "", std::string(5000, ' ')},
        {"no answer", Reply::CloseWithoutAnswer(), false, true, "", std::string(5000, ' ')},
        {"reset mid-body", Reply::ResetAfter(head + std::string(1500, 'r')), true, true,
         std::string(1500, 'r'), head},
        {"endless body", Reply::EndlessBody(), false, true, "", std::string(5000, ' ')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server;
        Call call = To(server);
        if (c.reply)
            server.Enqueue(*c.reply);
        else
            call.port = static_cast<INTERNET_PORT>(FreeLoopbackPort());
        Fetched got = Fetch(call);
        EXPECT_EQ(got.sent, c.sent);
        EXPECT_EQ(got.readFailed, c.readFailed);
        EXPECT_EQ(got.body, c.body);
        EXPECT_EQ(got.headers, c.headers);
    }
}

TEST_F(WinInetCalls, RedirectsAndTheNoRedirectFlag) {
    LoopbackServer server;
    server.SetHandler([](const RecordedRequest& r) {
        return r.target == "/old" ? Reply::Redirect(302, "/new") : Reply::Ok("new page");
    });
    Fetched followed = Fetch(To(server, "/old"));
    EXPECT_EQ(followed.body, "new page");
    Call stay = To(server, "/old");
    stay.flags |= INTERNET_FLAG_NO_AUTO_REDIRECT;
    Fetched returned = Fetch(stay);
    EXPECT_EQ(returned.body, "moved");
    EXPECT_NE(returned.headers.find("\r\nLocation: /new\r\n"), std::string::npos);
    EXPECT_EQ(server.Requests().size(), 3u);
}

TEST_F(WinInetCalls, ProcessCookieStoreAndNoCookiesFlag) {
    LoopbackServer server;
    server.Enqueue(Reply::Ok("", {"Set-Cookie: kept=1"}));
    server.Enqueue(Reply::Ok("", {"Set-Cookie: ignored=2"}));
    server.SetHandler([](const RecordedRequest&) { return Reply::Ok(""); });
    Call on = To(server);
    Call off = on;
    off.flags |= INTERNET_FLAG_NO_COOKIES;
    Fetch(on);  // stores kept=1
    Fetch(off); // sends nothing, stores nothing
    Fetch(on);  // another internet handle, the same store
    std::vector<std::string> seen;
    for (const RecordedRequest& r : server.Requests())
        seen.push_back(r.Header("Cookie"));
    EXPECT_EQ(seen, (std::vector<std::string>{"", "", "kept=1"}));
}

TEST_F(WinInetCalls, SessionKeepsItsConnection) {
    LoopbackServer server;
    HINTERNET session = InternetOpenA("A", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    Call call = To(server);
    call.version = "HTTP/1.0";
    Fetch(call, session);
    Fetch(call, session);
    EXPECT_EQ(server.ConnectionCount(), 1);
    Fetch(call);
    EXPECT_EQ(server.ConnectionCount(), 2);
    InternetCloseHandle(session);
}

TEST_F(WinInetCalls, CertificateErrorsAreNotIgnored) {
    LoopbackServer expired(TestCertificates::Get().Expired());
    expired.Enqueue(Reply::Ok("unauthenticated"));
    Fetched got = Fetch(To(expired)); // sets the ignore-everything security flags first
    EXPECT_FALSE(got.sent);
    EXPECT_EQ(got.body, "");
    EXPECT_TRUE(expired.Requests().empty());
}

TEST_F(WinInetCalls, ProxyListEntries) {
    Tinyproxy http;
    Microsocks socks;
    if (!http.ok() || !socks.ok())
        GTEST_SKIP() << "tinyproxy or microsocks did not start";
    LoopbackServer plain;
    LoopbackServer secure(TestCertificates::Get().Good());
    struct Case {
        const char* name;
        std::string list;
        const LoopbackServer* server;
        std::size_t viaHttp, viaSocks; // requests each proxy has seen afterwards
    } const cases[] = {
        {"http= entry, plain target", "http=" + http.HostPort(), &plain, 1, 0},
        {"http= entry, secure target goes direct", "http=" + http.HostPort(), &secure, 1, 0},
        {"bare entry, secure target", http.HostPort(), &secure, 2, 0},
        {"SOCKS= entry", "SOCKS=" + socks.HostPort(), &plain, 2, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Call call = To(*c.server);
        call.access = INTERNET_OPEN_TYPE_PROXY;
        call.proxyList = c.list;
        std::size_t before = c.server->Requests().size();
        Fetched got = Fetch(call);
        EXPECT_TRUE(got.sent);
        EXPECT_EQ(c.server->Requests().size(), before + 1);
        EXPECT_EQ(http.Requests().size(), c.viaHttp);
        EXPECT_EQ(socks.Connections().size(), c.viaSocks);
    }
}

TEST_F(WinInetCalls, HandlesAreCheckedAndOutliveTheirParents) {
    EXPECT_EQ(InternetOpenA("A", 0, nullptr, nullptr, 0), 0u);
    EXPECT_EQ(InternetOpenA("A", INTERNET_OPEN_TYPE_PROXY, "", "", 0), 0u);
    EXPECT_EQ(InternetConnectA(0, "h", 80, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0), 0u);
    LoopbackServer server;
    server.Enqueue(Reply::Ok("still here"));
    HINTERNET internet = InternetOpenA("A", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connect = InternetConnectA(internet, "127.0.0.1", server.port(), nullptr, nullptr,
                                         INTERNET_SERVICE_HTTP, 0, 0);
    EXPECT_EQ(HttpOpenRequestA(internet, "GET", "/", nullptr, nullptr, nullptr, 0, 0), 0u);
    HINTERNET request =
        HttpOpenRequestA(connect, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0);
    EXPECT_TRUE(InternetCloseHandle(internet));
    EXPECT_TRUE(InternetCloseHandle(connect));
    EXPECT_FALSE(InternetCloseHandle(connect));
    EXPECT_TRUE(HttpSendRequestA(request, nullptr, 0, nullptr, 0));
    char buffer[32] = {};
    DWORD read = 0;
    EXPECT_TRUE(InternetReadFile(request, buffer, sizeof buffer, &read));
    EXPECT_EQ(std::string(buffer, read), "still here");
    EXPECT_TRUE(InternetCloseHandle(request));
    EXPECT_FALSE(InternetReadFile(request, buffer, sizeof buffer, &read));
    EXPECT_EQ(read, 0u);
}

} // namespace
} // namespace kesmora::test
