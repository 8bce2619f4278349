// Where an exchange goes and what it carries along: certificates, proxies, redirects and
// the cookie stores.
#include "platform/http_exchange.h"
#include "tests/platform/exchange_test_support.h"
#include "tests/support/loopback_server.h"
#include "tests/support/proxy_peers.h"

#include <cstdlib>

namespace kesmora::test {
namespace {

using platform::CookieMode;
using platform::ExchangeFailure;
using platform::ExchangeRequest;
using platform::HttpExchange;
using platform::ProxyKind;

class ExchangeRoute : public ExchangeTest {};

TEST_F(ExchangeRoute, CertificatesAreAlwaysVerified) {
    const TestCertificates& certs = TestCertificates::Get();
    ASSERT_TRUE(certs.ok());
    struct Case {
        const char* name;
        TlsIdentity identity;
        std::string trusted;
        bool accepted;
    } const cases[] = {
        {"good", certs.Good(), certs.CaFile(), true},
        {"expired", certs.Expired(), certs.CaFile(), false},
        {"wrong host", certs.WrongHost(), certs.CaFile(), false},
        {"unknown CA", certs.UnknownCa(), certs.CaFile(), false},
        {"test CA unknown to the system store", certs.Good(), "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::SetTrustedCaFileForTesting(c.trusted);
        LoopbackServer server(c.identity);
        ASSERT_TRUE(server.ok());
        server.Enqueue(Reply::Ok("secret"));
        platform::ExchangeResult result = HttpExchange().Run(RequestTo(server));
        EXPECT_EQ(result.ok(), c.accepted) << result.detail;
        EXPECT_EQ(server.Requests().size(), c.accepted ? 1u : 0u);
        if (!c.accepted) {
            EXPECT_EQ(result.failure, ExchangeFailure::Tls);
            EXPECT_TRUE(result.FailedBeforeSending());
            EXPECT_EQ(result.body, "");
        }
    }
}

TEST_F(ExchangeRoute, ThroughTinyproxy) {
    Tinyproxy proxy(ProxyCredentials{"pu", "pp"});
    if (!proxy.ok())
        GTEST_SKIP() << "tinyproxy did not start";
    LoopbackServer plain;
    LoopbackServer secure(TestCertificates::Get().Good());
    plain.SetHandler([](const RecordedRequest&) { return Reply::Ok("plain"); });
    secure.SetHandler([](const RecordedRequest&) { return Reply::Ok("secure"); });

    ExchangeRequest request = RequestTo(plain, "/via");
    request.proxy = {ProxyKind::Http, "127.0.0.1", static_cast<std::uint16_t>(proxy.port()), "pu",
                     "pp"};
    platform::ExchangeResult result = HttpExchange().Run(request);
    EXPECT_EQ(result.body, "plain") << result.detail;
    ASSERT_EQ(plain.Requests().size(), 1u);
    EXPECT_TRUE(plain.Requests()[0].HasHeader("Via")); // tinyproxy marks what it forwards

    request.proxy.user.clear();
    result = HttpExchange().Run(request);
    EXPECT_EQ(result.status, 407);
    EXPECT_EQ(plain.Requests().size(), 1u);

    ExchangeRequest tunnelled = RequestTo(secure, "/tunnel");
    tunnelled.proxy = request.proxy;
    tunnelled.proxy.user = "pu";
    result = HttpExchange().Run(tunnelled);
    EXPECT_EQ(result.body, "secure") << result.detail;
    EXPECT_EQ(result.rawHeaders.rfind("HTTP/1.1 200 OK\r\n", 0), 0u); // not the CONNECT reply

    std::vector<std::string> expected = {
        "GET " + plain.Url("/via") + " HTTP/1.1",
        "GET " + plain.Url("/via") + " HTTP/1.1",
        "CONNECT " + secure.HostPort() + " HTTP/1.1",
    };
    EXPECT_EQ(proxy.Requests(), expected);
}

TEST_F(ExchangeRoute, ProxyEnvironmentIsNeverRead) {
    Tinyproxy proxy;
    if (!proxy.ok())
        GTEST_SKIP() << "tinyproxy did not start";
    LoopbackServer server;
    const std::string url = "http://" + proxy.HostPort();
    for (const char* name : {"http_proxy", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"})
        setenv(name, url.c_str(), 1);
    setenv("no_proxy", "127.0.0.1", 1);
    ExchangeRequest direct = RequestTo(server, "/direct");
    EXPECT_TRUE(HttpExchange().Run(direct).ok());
    ExchangeRequest proxied = RequestTo(server, "/proxied");
    proxied.proxy = {
        ProxyKind::Http, "127.0.0.1", static_cast<std::uint16_t>(proxy.port()), {}, {}};
    EXPECT_TRUE(HttpExchange().Run(proxied).ok());
    for (const char* name : {"http_proxy", "HTTPS_PROXY", "ALL_PROXY", "all_proxy", "no_proxy"})
        unsetenv(name);
    EXPECT_EQ(proxy.Requests(),
              std::vector<std::string>{"GET " + server.Url("/proxied") + " HTTP/1.1"});
}

TEST_F(ExchangeRoute, ThroughMicrosocksWhichResolvesTheName) {
    Microsocks socks;
    if (!socks.ok())
        GTEST_SKIP() << "microsocks did not start";
    LoopbackServer server;
    server.Enqueue(Reply::Ok("socks"));
    ExchangeRequest request = RequestTo(server);
    request.host = "localhost";
    request.proxy = {
        ProxyKind::Socks5, "127.0.0.1", static_cast<std::uint16_t>(socks.port()), {}, {}};
    platform::ExchangeResult result = HttpExchange().Run(request);
    EXPECT_EQ(result.body, "socks") << result.detail;
    EXPECT_EQ(socks.Connections(),
              std::vector<std::string>{"localhost:" + std::to_string(server.port())});
}

TEST_F(ExchangeRoute, RedirectsFollowedOrReturned) {
    LoopbackServer server;
    auto script = [&] {
        server.Enqueue(Reply::Redirect(302, "/second", {"X-Hop: first"}));
        server.Enqueue(Reply::Ok("landed", {"X-Hop: last"}));
    };
    script();
    ExchangeRequest request = RequestTo(server, "/first");
    request.verb = "POST";
    request.body = "a=1";
    platform::ExchangeResult followed = HttpExchange().Run(request);
    EXPECT_EQ(followed.status, 200);
    EXPECT_EQ(followed.body, "landed");
    EXPECT_EQ(followed.rawHeaders.find("first"), std::string::npos);
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(server.Requests()[1].method, "GET"); // a 302 turns the POST into a GET
    EXPECT_EQ(server.Requests()[1].body, "");

    script();
    request.followRedirects = false;
    platform::ExchangeResult returned = HttpExchange().Run(request);
    EXPECT_EQ(returned.status, 302);
    EXPECT_NE(returned.rawHeaders.find("\r\nLocation: /second\r\n"), std::string::npos);
    EXPECT_EQ(returned.body, "moved");
}

TEST_F(ExchangeRoute, RedirectsThatAreRefused) {
    platform::SetHttpLimitsForTesting(LowLimits()); // three redirects at most
    LoopbackServer server;
    server.SetHandler([](const RecordedRequest&) { return Reply::Redirect(302, "/again"); });
    platform::ExchangeResult loop = HttpExchange().Run(RequestTo(server));
    EXPECT_EQ(loop.failure, ExchangeFailure::NoResponse) << loop.detail;
    EXPECT_EQ(server.Requests().size(), 4u);

    LoopbackServer other;
    other.Enqueue(Reply::Redirect(301, "ftp://127.0.0.1/file"));
    platform::ExchangeResult ftp = HttpExchange().Run(RequestTo(other));
    EXPECT_EQ(ftp.failure, ExchangeFailure::NoResponse) << ftp.detail;
    EXPECT_FALSE(ftp.responded);
}

std::vector<std::string> CookiesSeen(const LoopbackServer& server) {
    std::vector<std::string> seen;
    for (const RecordedRequest& r : server.Requests())
        seen.push_back(r.Header("Cookie"));
    return seen;
}

TEST_F(ExchangeRoute, CookieStores) {
    struct Case {
        const char* name;
        CookieMode mode;
        std::vector<std::string> seen; // Cookie line of: redirect hop, next exchange
    } const cases[] = {
        {"process store keeps them", CookieMode::ProcessStore, {"hop=1", "last=2; hop=1"}},
        {"per exchange forgets them", CookieMode::PerExchange, {"hop=1", ""}},
        {"off", CookieMode::Off, {"", ""}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::ClearProcessCookieStore();
        LoopbackServer server;
        server.Enqueue(Reply::Redirect(302, "/next", {"Set-Cookie: hop=1"}));
        server.Enqueue(Reply::Ok("", {"Set-Cookie: last=2"}));
        ExchangeRequest request = RequestTo(server, "/start");
        request.cookies = c.mode;
        HttpExchange().Run(request);
        HttpExchange().Run(request);
        std::vector<std::string> seen = CookiesSeen(server);
        ASSERT_EQ(seen.size(), 3u);
        EXPECT_EQ(seen[0], "");
        EXPECT_EQ(std::vector<std::string>(seen.begin() + 1, seen.end()), c.seen);
    }
}

TEST_F(ExchangeRoute, FloodOfCookiesStaysBounded) {
    std::string flood = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n";
    for (int i = 0; i < 10000; ++i)
        flood += "Set-Cookie: c" + std::to_string(i) + "=v\r\n";
    LoopbackServer server;
    server.Enqueue(Reply::Raw(flood + "\r\n"));
    ExchangeRequest request = RequestTo(server);
    request.cookies = CookieMode::ProcessStore;
    EXPECT_TRUE(HttpExchange().Run(request).ok());
    HttpExchange().Run(request);
    ASSERT_EQ(server.Requests().size(), 2u);
    std::string sent = server.Requests()[1].Header("Cookie");
    EXPECT_FALSE(sent.empty());
    EXPECT_LT(sent.size(), 10000u);
}

} // namespace
} // namespace kesmora::test
