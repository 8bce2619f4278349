// InetFetch against loopback servers: the request bytes a server sees, cookies, proxies,
// redirects and certificates.
#include "inet/inet.h"
#include "tests/inet/network_fixture.h"
#include "tests/support/proxy_peers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kesmora::test {
namespace {

using Lines = std::vector<std::string>;

class InetFetchTest : public NetworkTest {};

const std::string kSpaces(5000, ' ');

TEST_F(InetFetchTest, AddressOnlySendsTheDefaultRequest) {
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    server.Enqueue(Reply::Ok("body bytes"));
    const std::string url = server.Url("/p/a?x=1&y=%20");

    EXPECT_EQ(Str(InetFetch(url.c_str())), "body bytes");

    const std::vector<RecordedRequest> seen = server.Requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].method + " " + seen[0].target + " " + seen[0].version,
              "GET /p/a?x=1&y=%20 HTTP/1.1");
    const Lines expected = {"Host: " + server.HostPort(),
                            "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)",
                            "Accept: */*", "Referer: " + url, "Accept-Language: zh-cn"};
    Lines lines = seen[0].HeaderLines();
    std::sort(lines.begin(), lines.end());
    Lines sortedExpected = expected;
    std::sort(sortedExpected.begin(), sortedExpected.end());
    EXPECT_EQ(lines, sortedExpected) << seen[0].head;
    EXPECT_TRUE(seen[0].body.empty());
}

TEST_F(InetFetchTest, VerbsAndBodies) {
    struct Case {
        const char* name;
        int method;
        Text bodyText;
        std::string bodyBytesBefore;
        std::string verb, sentBody, contentType, bodyBytesAfter;
    } const cases[] = {
        {"POST takes the body text", 1, "a=1", "", "POST", "a=1",
         "application/x-www-form-urlencoded", "a=1"},
        {"POST prefers the body bytes", 1, "a=1", std::string("b\0c", 3), "POST",
         std::string("b\0c", 3), "application/x-www-form-urlencoded", std::string("b\0c", 3)},
        {"PUT gets no content type", 3, "p", "", "PUT", "p", "", "p"},
        {"GET sends no body and leaves the bytes", 0, "t", "kept", "GET", "", "", "kept"},
        {"below the table is GET", -1, "t", "", "GET", "", "", ""},
        {"above the table is GET", 8, "t", "", "GET", "", "", ""},
        {"DELETE with nothing to send", 5, "", "", "DELETE", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server;
        ASSERT_TRUE(server.ok());
        server.Enqueue(Reply::Ok("r"));
        Bytes bodyBytes(c.bodyBytesBefore);
        EXPECT_EQ(Str(InetFetch(server.Url("/v").c_str(), c.method, c.bodyText, nullptr, nullptr,
                                "", nullptr, false, &bodyBytes)),
                  "r");
        ASSERT_EQ(server.Requests().size(), 1u);
        const RecordedRequest request = server.Requests()[0];
        EXPECT_EQ(request.method, c.verb);
        EXPECT_EQ(request.body, c.sentBody);
        EXPECT_EQ(request.Header("Content-Type"), c.contentType);
        EXPECT_EQ(Str(bodyBytes), c.bodyBytesAfter);
    }
}

TEST_F(InetFetchTest, BodiesComeBackWhole) {
    std::string big(300001, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 + i / 251);
    const std::string sizes[] = {
        "", "x", std::string(1024, 'a'), std::string(1025, 'b'), std::string(65536, 'c'), big};
    for (const std::string& body : sizes) {
        SCOPED_TRACE(body.size());
        LoopbackServer server;
        ASSERT_TRUE(server.ok());
        // Two chunks where the body has bytes for them (an empty chunk ends a body).
        std::vector<std::string> chunks;
        for (const std::string& part :
             {body.substr(0, body.size() / 3), body.substr(body.size() / 3)})
            if (!part.empty())
                chunks.push_back(part);
        server.Enqueue(Reply::Chunked(chunks));
        const std::string got = Str(InetFetch(server.Url().c_str()));
        EXPECT_EQ(got.size(), body.size());
        EXPECT_TRUE(got == body);
    }
}

TEST_F(InetFetchTest, HeadGivesAnEmptyResult) {
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    server.Enqueue(Reply::Raw("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n"));
    Text headers;
    EXPECT_EQ(Str(InetFetch(server.Url().c_str(), 2, "", nullptr, nullptr, "", &headers)), "");
    EXPECT_EQ(server.Requests().at(0).method, "HEAD");
    EXPECT_TRUE(StartsWith(headers, "HTTP/1.1 200 OK\r\n")) << headers.str();
}

TEST_F(InetFetchTest, CallerHeadersAndSwitches) {
    struct Case {
        const char* name;
        Text extraHeaders;
        std::optional<bool> completeHeaders, fixHeaderCase;
        Text cookies;
        std::string agent;
        Lines lines; // header lines after Host and User-Agent, in the order sent
    } const cases[] = {
        {"agent from a lower-case line",
         "user-agent: Foo\r\nx-id: 7\r\nnocolon",
         {},
         {},
         "",
         "Foo",
         {"X-Id: 7", "Accept: */*", "Referer: URL", "Accept-Language: zh-cn"}},
        {"unnormalised agent line",
         "user-agent: Foo",
         {},
         false,
         "",
         "Foo",
         {"Accept: */*", "Referer: URL", "Accept-Language: zh-cn"}},
        {"no defaults, no headers",
         "",
         false,
         {},
         "",
         "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)",
         {}},
        {"no defaults, cookies only",
         "",
         false,
         {},
         "a=1",
         "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)",
         {"Cookie: a=1"}},
        {"own defaults kept",
         "accept: text/html\r\nreferer: r",
         {},
         {},
         "Cookie: k=v",
         "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)",
         {"Accept: text/html", "Referer: r", "Accept-Language: zh-cn", "Cookie: k=v"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server;
        ASSERT_TRUE(server.ok());
        server.Enqueue(Reply::Ok("r"));
        const std::string url = server.Url("/h");
        Text cookies = c.cookies;
        InetFetch(url.c_str(), 0, "", c.cookies.empty() ? nullptr : &cookies, nullptr,
                  c.extraHeaders, nullptr, false, nullptr, "", false, c.completeHeaders,
                  c.fixHeaderCase);
        ASSERT_EQ(server.Requests().size(), 1u);
        const RecordedRequest request = server.Requests()[0];
        EXPECT_EQ(request.Header("User-Agent"), c.agent);
        Lines lines;
        for (const std::string& line : request.HeaderLines()) {
            if (line.rfind("Host:", 0) != 0 && line.rfind("User-Agent:", 0) != 0 &&
                line.rfind("user-agent:", 0) != 0)
                lines.push_back(line == "Referer: " + url ? "Referer: URL" : line);
        }
        EXPECT_EQ(lines, c.lines) << request.head;
    }
}

TEST_F(InetFetchTest, ErrorPageComesBackAsTheBody) {
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    server.Enqueue(Reply::Status("404 Not Found", {"X-Why: gone"}, "<p>missing</p>"));
    Text headers;
    EXPECT_EQ(Str(InetFetch(server.Url("/nope").c_str(), 0, "", nullptr, nullptr, "", &headers)),
              "<p>missing</p>");
    EXPECT_TRUE(StartsWith(headers, "HTTP/1.1 404 Not Found\r\n")) << headers.str();
    EXPECT_TRUE(Contains(headers, "\r\nX-Why: gone\r\n")) << headers.str();
    EXPECT_TRUE(EndsWith(headers, "\r\n\r\n")) << headers.str();
}

TEST_F(InetFetchTest, RedirectsFollowedUnlessSwitchedOff) {
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    server.SetHandler([](const RecordedRequest& request) {
        if (request.target == "/from")
            return Reply::Redirect(302, "/to");
        return Reply::Ok("arrived");
    });
    Text headers;
    EXPECT_EQ(Str(InetFetch(server.Url("/from").c_str(), 0, "", nullptr, nullptr, "", &headers)),
              "arrived");
    EXPECT_TRUE(StartsWith(headers, "HTTP/1.1 200 OK")) << headers.str();

    const Bytes redirect =
        InetFetch(server.Url("/from").c_str(), 0, "", nullptr, nullptr, "", &headers, true);
    EXPECT_NE(Str(redirect), "arrived");
    EXPECT_TRUE(StartsWith(headers, "HTTP/1.1 302 ")) << headers.str();
    EXPECT_TRUE(Contains(headers, "\r\nLocation: /to\r\n")) << headers.str();
    EXPECT_EQ(server.Requests().size(), 3u);
}

TEST_F(InetFetchTest, ProcessStoreCarriesCookiesWhenCookiesAreOmitted) {
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    server.Enqueue(Reply::Ok("one", {"Set-Cookie: sid=abc; Path=/"}));
    server.Enqueue(Reply::Ok("two"));
    Text received;
    InetFetch(server.Url("/a").c_str(), 0, "", nullptr, &received);
    EXPECT_EQ(received.str(), "sid=abc");
    InetFetch(server.Url("/b").c_str());
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_FALSE(server.Requests()[0].HasHeader("Cookie"));
    EXPECT_EQ(server.Requests()[1].Header("Cookie"), "sid=abc");
}

TEST_F(InetFetchTest, SuppliedCookiesBypassTheStoreAndComeBackMerged) {
    struct Case {
        const char* name;
        Text cookies;
        std::optional<bool> merge;
        std::string sentCookieLine, cookiesAfter, receivedAfter;
    } const cases[] = {
        {"merged into both variables",
         "a=1; b=2",
         {},
         "a=1; b=2",
         "b=3; c=4; a=1",
         "b=3; c=4; a=1"},
        {"supplied empty sends none", "", {}, "", "b=3; c=4", "b=3; c=4"},
        {"merging off", "a=1", false, "a=1", "a=1", "b=3; c=4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server;
        ASSERT_TRUE(server.ok());
        // A cookie in the store that a supplied-cookie request must not send or touch.
        server.Enqueue(Reply::Ok("s", {"Set-Cookie: stored=1"}));
        server.Enqueue(Reply::Ok("r", {"Set-Cookie: b=3; Path=/", "Set-Cookie: c=4"}));
        server.Enqueue(Reply::Ok("s"));
        InetFetch(server.Url("/store").c_str());
        Text cookies = c.cookies;
        Text received = "old";
        EXPECT_EQ(Str(InetFetch(server.Url("/x").c_str(), 0, "", &cookies, &received, "", nullptr,
                                false, nullptr, "", c.merge)),
                  "r");
        EXPECT_EQ(cookies.str(), c.cookiesAfter);
        EXPECT_EQ(received.str(), c.receivedAfter);
        InetFetch(server.Url("/store").c_str());
        const std::vector<RecordedRequest> seen = server.Requests();
        ASSERT_EQ(seen.size(), 3u);
        EXPECT_EQ(seen[1].Header("Cookie"), c.sentCookieLine);
        EXPECT_EQ(seen[1].CountHeader("Cookie"), c.sentCookieLine.empty() ? 0 : 1);
        EXPECT_EQ(seen[2].Header("Cookie"), "stored=1") << "the store changed";
    }
}

TEST_F(InetFetchTest, ThroughAnHttpProxy) {
    Tinyproxy proxy;
    if (!proxy.ok())
        GTEST_SKIP() << "tinyproxy did not start";
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    server.Enqueue(Reply::Ok("via proxy"));
    EXPECT_EQ(Str(InetFetch(server.Url("/p").c_str(), 0, "", nullptr, nullptr, "", nullptr, false,
                            nullptr, proxy.HostPort().c_str())),
              "via proxy");
    EXPECT_EQ(proxy.Requests(), Lines{"GET " + server.Url("/p") + " HTTP/1.1"});
}

TEST_F(InetFetchTest, HttpsThroughAnHttpProxyTunnels) {
    const TestCertificates& certs = TestCertificates::Get();
    Tinyproxy proxy;
    if (!certs.ok() || !proxy.ok())
        GTEST_SKIP() << "no certificates or no tinyproxy";
    LoopbackServer server(certs.Good());
    ASSERT_TRUE(server.ok());
    server.Enqueue(Reply::Ok("tunnelled"));
    EXPECT_EQ(Str(InetFetch(server.Url("/s").c_str(), 0, "", nullptr, nullptr, "", nullptr, false,
                            nullptr, proxy.HostPort().c_str())),
              "tunnelled");
    EXPECT_EQ(proxy.Requests(), Lines{"CONNECT " + server.HostPort() + " HTTP/1.1"});
}

TEST_F(InetFetchTest, ThroughASocksProxy) {
    Microsocks socks;
    if (!socks.ok())
        GTEST_SKIP() << "microsocks did not start";
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    server.Enqueue(Reply::Ok("via socks"));
    const std::string url = "http://localhost:" + std::to_string(server.port()) + "/s";
    EXPECT_EQ(Str(InetFetch(url.c_str(), 0, "", nullptr, nullptr, "", nullptr, false, nullptr,
                            socks.HostPort().c_str(), {}, {}, {}, true)),
              "via socks");
    EXPECT_EQ(socks.Connections(), Lines{"localhost:" + std::to_string(server.port())});
}

TEST_F(InetFetchTest, CertificatesAreVerified) {
    const TestCertificates& certs = TestCertificates::Get();
    if (!certs.ok())
        GTEST_SKIP() << "openssl could not make the certificates";
    struct Case {
        const char* name;
        TlsIdentity identity;
        std::string body;
    } const cases[] = {
        {"trusted", certs.Good(), "secret"},
        {"expired", certs.Expired(), ""},
        {"wrong host", certs.WrongHost(), ""},
        {"unknown CA", certs.UnknownCa(), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server(c.identity);
        ASSERT_TRUE(server.ok());
        server.Enqueue(Reply::Ok("secret", {"Set-Cookie: s=1"}));
        Text headers = "x";
        Text cookies;
        Text received = "x";
        EXPECT_EQ(
            Str(InetFetch(server.Url("/t").c_str(), 0, "", &cookies, &received, "", &headers)),
            c.body);
        if (c.body.empty()) {
            EXPECT_EQ(headers.str(), kSpaces);
            EXPECT_EQ(received.str(), "");
            EXPECT_TRUE(server.Requests().empty()) << "a request reached an unverified peer";
        } else {
            EXPECT_EQ(received.str(), "s=1");
        }
    }
}

TEST_F(InetFetchTest, UnreachableServerLeavesThePrefilledHeaders) {
    int port = 0;
    {
        LoopbackServer gone;
        port = gone.port();
    }
    Text cookies = "a=1; a=2;";
    Text received = "x";
    Text headers;
    Bytes body;
    const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/";
    EXPECT_EQ(
        Str(InetFetch(url.c_str(), 1, "q=1", &cookies, &received, "", &headers, false, &body)), "");
    EXPECT_EQ(headers.str(), kSpaces);
    EXPECT_EQ(received.str(), "a=1");
    EXPECT_EQ(cookies.str(), "a=1");
    EXPECT_EQ(Str(body), "q=1");
}

} // namespace
} // namespace kesmora::test
