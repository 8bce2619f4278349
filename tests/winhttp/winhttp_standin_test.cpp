// The WinHTTP-style stand-in against real loopback peers: what reaches the server,
// which call reports which failure, and how a cut body is handed out.
#include "platform/http_limits.h"
#include "platform/winhttp.h"
#include "tests/support/free_port.h"
#include "tests/support/loopback_server.h"
#include "tests/support/proxy_peers.h"
#include "tests/support/test_certificates.h"

#include <gtest/gtest.h>

#include <string>

namespace kesmora::platform {
namespace {

using test::LoopbackServer;
using test::Reply;

struct Outcome {
    bool sent = false;
    bool received = false;
    std::string body;
    bool readFailed = false;
    std::u16string headers;
};

// One exchange with the calls in the routine's order; the last three arguments are the
// request's own settings.
Outcome Exchange(const std::u16string& host, INTERNET_PORT port, bool secure,
                 const std::u16string& headers, const std::string& body = "",
                 const char16_t* proxy = nullptr, int timeoutMs = 5000) {
    Outcome out;
    HINTERNET session =
        WinHttpOpen(nullptr, proxy ? WINHTTP_ACCESS_TYPE_NAMED_PROXY : WINHTTP_ACCESS_TYPE_NO_PROXY,
                    proxy ? proxy : u"", nullptr, 0);
    EXPECT_NE(session, 0u);
    EXPECT_TRUE(WinHttpSetTimeouts(session, timeoutMs, timeoutMs, timeoutMs, timeoutMs));
    HINTERNET connection = WinHttpConnect(session, host.c_str(), port, 0);
    HINTERNET request = WinHttpOpenRequest(connection, u"POST", u"/p?q=1", nullptr, nullptr,
                                           nullptr, secure ? WINHTTP_FLAG_SECURE : 0);
    EXPECT_NE(request, 0u);
    if (!headers.empty()) {
        EXPECT_TRUE(
            WinHttpAddRequestHeaders(request, headers.c_str(), DWORD(-1), WINHTTP_ADDREQ_FLAG_ADD));
    }
    out.sent = WinHttpSendRequest(request, nullptr, 0, body.empty() ? nullptr : body.data(),
                                  DWORD(body.size()), DWORD(body.size()), 0);
    out.received = out.sent && WinHttpReceiveResponse(request, nullptr);
    DWORD available = 0;
    while (out.received && WinHttpQueryDataAvailable(request, &available) && available > 0) {
        std::string piece(available, '\0');
        DWORD read = 0;
        if (!WinHttpReadData(request, piece.data(), available, &read)) {
            out.readFailed = true;
            break;
        }
        out.body.append(piece.data(), read);
    }
    DWORD size = 0;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, nullptr, nullptr, &size,
                             nullptr) &&
        size >= 2) {
        std::u16string text(size / 2, u'\0');
        if (WinHttpQueryHeaders(request, WINHTTP_QUERY_RAW_HEADERS_CRLF, nullptr, text.data(),
                                &size, nullptr))
            out.headers = text.substr(0, size / 2);
    }
    EXPECT_TRUE(WinHttpCloseHandle(session)) << "parents may go first";
    EXPECT_TRUE(WinHttpCloseHandle(request));
    EXPECT_TRUE(WinHttpCloseHandle(connection));
    EXPECT_FALSE(WinHttpCloseHandle(request)) << "closed twice";
    return out;
}

TEST(WinHttpStandIn, SendsTheHeaderLinesAndBodyAsGiven) {
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    server.Enqueue(Reply::Ok("hello", {"Set-Cookie: a=1", "X-Gbk: \xD6\xD0"}));
    // U+4E2D is D6 D0 in GBK: header values go out in the program's code page.
    const Outcome out = Exchange(u"127.0.0.1", INTERNET_PORT(server.port()), false,
                                 u"X-One: 1\r\n\r\nX-Two: \u4E2D\r\n", "a=1");
    ASSERT_TRUE(out.received);
    EXPECT_EQ(out.body, "hello");
    ASSERT_EQ(server.Requests().size(), 1u);
    const test::RecordedRequest seen = server.Requests()[0];
    EXPECT_EQ(seen.method + " " + seen.target + " " + seen.version, "POST /p?q=1 HTTP/1.1");
    EXPECT_EQ(seen.HeaderLines(),
              (std::vector<std::string>{"Host: 127.0.0.1:" + std::to_string(server.port()),
                                        "X-One: 1", "X-Two: \xD6\xD0", "Content-Length: 3"}));
    EXPECT_EQ(seen.body, "a=1");
    EXPECT_EQ(out.headers.substr(0, 17), u"HTTP/1.1 200 OK\r\n");
    EXPECT_NE(out.headers.find(u"X-Gbk: \u4E2D\r\n"), std::u16string::npos);
    EXPECT_EQ(out.headers.substr(out.headers.size() - 4), u"\r\n\r\n");
}

TEST(WinHttpStandIn, RefusesHeaderBlocksThatCouldSmuggleLines) {
    HINTERNET session = WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, u"", nullptr, 0);
    HINTERNET connection = WinHttpConnect(session, u"127.0.0.1", 1, 0);
    HINTERNET request =
        WinHttpOpenRequest(connection, nullptr, nullptr, nullptr, nullptr, nullptr, 0);
    const struct {
        const char16_t* block;
        DWORD length;
        bool ok;
    } cases[] = {
        {nullptr, DWORD(-1), false},
        {u"A: 1\r\nB: 2", DWORD(-1), true},
        {u"A: 1\r\nB: 2", 4, true}, // only "A: 1"
        {u"no colon", DWORD(-1), false},
        {u": empty name", DWORD(-1), false},
        {u"Bad Name: 1", DWORD(-1), false},
        {u"A: 1\nInjected: 1", DWORD(-1), false},
        {u"A: 1\rInjected: 1", DWORD(-1), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(
            c.block ? std::string(c.block, c.block + std::char_traits<char16_t>::length(c.block))
                    : "null");
        EXPECT_EQ(WinHttpAddRequestHeaders(request, c.block, c.length, WINHTTP_ADDREQ_FLAG_ADD),
                  c.ok);
    }
    EXPECT_FALSE(WinHttpAddRequestHeaders(request, u"A: 1", DWORD(-1), 0)) << "only ADD";
    EXPECT_FALSE(WinHttpAddRequestHeaders(session, u"A: 1", DWORD(-1), WINHTTP_ADDREQ_FLAG_ADD))
        << "a session is no request";
    for (HINTERNET h : {request, connection, session})
        WinHttpCloseHandle(h);
}

TEST(WinHttpStandIn, OptionsAndCredentialsTakeOnlyWhatIsKnown) {
    HINTERNET session = WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NO_PROXY, u"", nullptr, 0);
    HINTERNET connection = WinHttpConnect(session, u"127.0.0.1", 1, 0);
    HINTERNET request =
        WinHttpOpenRequest(connection, nullptr, nullptr, nullptr, nullptr, nullptr, 0);
    const struct {
        DWORD option, value;
        bool ok;
    } cases[] = {
        {WINHTTP_OPTION_SECURITY_FLAGS, 0x3300, true},
        {WINHTTP_OPTION_DISABLE_FEATURE, WINHTTP_DISABLE_COOKIES, true},
        {WINHTTP_OPTION_DISABLE_FEATURE, WINHTTP_DISABLE_REDIRECTS, true},
        {WINHTTP_OPTION_DISABLE_FEATURE, 0x8, false},
        {WINHTTP_OPTION_ENABLE_FEATURE, WINHTTP_ENABLE_SSL_REVOCATION, true},
        {WINHTTP_OPTION_ENABLE_FEATURE, 0x2, false},
        {12345, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option);
        EXPECT_EQ(WinHttpSetOption(request, c.option, &c.value, sizeof c.value), c.ok);
    }
    const DWORD one = 1;
    EXPECT_FALSE(WinHttpSetOption(request, WINHTTP_OPTION_DISABLE_FEATURE, &one, 2));
    EXPECT_TRUE(WinHttpSetCredentials(request, WINHTTP_AUTH_TARGET_SERVER,
                                      WINHTTP_AUTH_SCHEME_BASIC, u"u", u"p", nullptr));
    EXPECT_TRUE(WinHttpSetCredentials(request, WINHTTP_AUTH_TARGET_PROXY, WINHTTP_AUTH_SCHEME_BASIC,
                                      u"u", u"p", nullptr));
    EXPECT_FALSE(WinHttpSetCredentials(request, 2, WINHTTP_AUTH_SCHEME_BASIC, u"u", u"p", nullptr));
    EXPECT_FALSE(WinHttpSetCredentials(request, WINHTTP_AUTH_TARGET_SERVER, 2, u"u", u"p", nullptr))
        << "only basic";
    EXPECT_FALSE(WinHttpSetTimeouts(session, -1, 0, 0, 0)) << "no endless limit";
    EXPECT_EQ(WinHttpOpen(nullptr, 0, nullptr, nullptr, 0), 0u) << "system proxy settings";
    EXPECT_EQ(WinHttpOpen(nullptr, WINHTTP_ACCESS_TYPE_NAMED_PROXY, u"", nullptr, 0), 0u);
    for (HINTERNET h : {request, connection, session})
        WinHttpCloseHandle(h);
}

TEST(WinHttpStandIn, FailuresLandOnTheCallThatReportsThem) {
    const auto& certs = test::TestCertificates::Get();
    ASSERT_TRUE(certs.ok());
    SetTrustedCaFileForTesting(certs.CaFile());
    LoopbackServer expired(certs.Expired());
    LoopbackServer silent;
    LoopbackServer closing;
    LoopbackServer cut;
    ASSERT_TRUE(expired.ok() && silent.ok() && closing.ok() && cut.ok());
    silent.Enqueue(Reply::Silent());
    closing.Enqueue(Reply::CloseWithoutAnswer());
    cut.Enqueue(Reply::RawThenClose("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc"));
    const int refused = test::FreeLoopbackPort();

    const Outcome e = Exchange(u"127.0.0.1", INTERNET_PORT(expired.port()), true, u"");
    EXPECT_FALSE(e.sent) << "expired certificate";
    const Outcome r = Exchange(u"127.0.0.1", INTERNET_PORT(refused), false, u"");
    EXPECT_FALSE(r.sent) << "refused";
    const Outcome s =
        Exchange(u"127.0.0.1", INTERNET_PORT(silent.port()), false, u"", "", nullptr, 1000);
    EXPECT_TRUE(s.sent && !s.received) << "silent";
    const Outcome c = Exchange(u"127.0.0.1", INTERNET_PORT(closing.port()), false, u"");
    EXPECT_TRUE(c.sent && !c.received) << "closed without answer";
    const Outcome k = Exchange(u"127.0.0.1", INTERNET_PORT(cut.port()), false, u"");
    EXPECT_TRUE(k.received && k.readFailed) << "cut body";
    EXPECT_EQ(k.body, "abc");
    SetTrustedCaFileForTesting("");
}

TEST(WinHttpStandIn, ProxyListEntryIsChosenByScheme) {
    test::Tinyproxy proxy;
    if (!proxy.ok())
        GTEST_SKIP() << "tinyproxy did not start";
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    const std::string hp = proxy.HostPort();
    const std::u16string httpOnly = u"http=" + std::u16string(hp.begin(), hp.end());
    const std::u16string httpsOnly = u"https=" + std::u16string(hp.begin(), hp.end());
    EXPECT_TRUE(
        Exchange(u"127.0.0.1", INTERNET_PORT(server.port()), false, u"", "", httpOnly.c_str())
            .received);
    EXPECT_TRUE(
        Exchange(u"127.0.0.1", INTERNET_PORT(server.port()), false, u"", "", httpsOnly.c_str())
            .received)
        << "an https= entry leaves plain HTTP direct";
    EXPECT_EQ(proxy.Requests(),
              std::vector<std::string>{"POST http://127.0.0.1:" + std::to_string(server.port()) +
                                       "/p?q=1 HTTP/1.1"});
    EXPECT_EQ(server.Requests().size(), 2u);
}

} // namespace
} // namespace kesmora::platform
