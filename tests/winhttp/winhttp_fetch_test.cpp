// WinHttpFetch against real loopback peers: the bytes that reach the server, the values
// handed to the stand-in, the failure texts and what the caller's variables hold after.
#include "winhttp/winhttp.h"

#include "platform/gbk.h"
#include "platform/http_limits.h"
#include "platform/winhttp.h"
#include "tests/support/free_port.h"
#include "tests/support/loopback_server.h"
#include "tests/support/proxy_peers.h"
#include "tests/support/test_certificates.h"

#include "tests/support/text_printer.h"

#include <gtest/gtest.h>

#include <chrono>

namespace kesmora {
namespace {

using test::LoopbackServer;
using test::Reply;

const std::vector<std::string> kDefaultLines = {
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)",
    "Accept: text/html, application/xhtml+xml, */*",
    "Accept-Encoding: identity",
    "Accept-Language: zh-cn",
    "Cache-Control: no-cache",
};

// Records every stand-in call as "name values" while it lives.
class CallTrace {
public:
    explicit CallTrace(std::string failCall = "") {
        platform::SetWinHttpSeam({[this](const std::string& call, const std::string& values) {
                                      calls_.push_back(values.empty() ? call : call + " " + values);
                                  },
                                  std::move(failCall)});
    }
    ~CallTrace() { platform::SetWinHttpSeam({}); }
    const std::vector<std::string>& calls() const { return calls_; }
    bool Has(const std::string& call) const {
        return std::find(calls_.begin(), calls_.end(), call) != calls_.end();
    }
    int Count(const std::string& prefix) const {
        return static_cast<int>(std::count_if(calls_.begin(), calls_.end(), [&](const auto& c) {
            return c.compare(0, prefix.size(), prefix) == 0;
        }));
    }

private:
    std::vector<std::string> calls_;
};

// The caller's variables, filled with markers that show what was written.
struct Vars {
    Text cookies, received, headers = "untouched", location = "untouched", status = "untouched";
    Bytes body = Bytes(std::string("untouched"));
};

std::vector<std::string> WithHost(const LoopbackServer& s, std::vector<std::string> lines) {
    lines.insert(lines.begin(), "Host: " + s.HostPort());
    return lines;
}

TEST(WinHttpFetch, AddressAloneAsTheVersionCheckCallsIt) {
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    server.Enqueue(Reply::Ok("1.1"));
    CallTrace trace;
    Vars v;
    const Text result =
        WinHttpFetch(Text(server.Url("/bb/1.txt")), 0, "", nullptr, nullptr, "", &v.headers, false,
                     "", "", "", "", "", 0, &v.location, &v.status, &v.body);
    EXPECT_EQ(result, Text("1.1"));
    EXPECT_EQ(v.status, Text("200 OK"));
    EXPECT_EQ(v.location, Text("untouched")) << "no Location line";
    EXPECT_EQ(v.body.str(), "1.1");
    ASSERT_EQ(server.Requests().size(), 1u);
    const test::RecordedRequest seen = server.Requests()[0];
    EXPECT_EQ(seen.method + " " + seen.target + " " + seen.version, "GET /bb/1.txt HTTP/1.1");
    EXPECT_EQ(seen.HeaderLines(), WithHost(server, kDefaultLines));
    EXPECT_EQ(seen.body, "");

    EXPECT_TRUE(trace.Has("WinHttpOpen 1 ")) << "direct, empty proxy name";
    EXPECT_TRUE(trace.Has("WinHttpSetTimeouts 30000 30000 30000 30000"));
    EXPECT_TRUE(trace.Has("WinHttpSetOption 31 0x0")) << "no certificate error ignored";
    EXPECT_TRUE(trace.Has("WinHttpSetOption 63 0x1")) << "the stand-in's own cookies off";
    EXPECT_FALSE(trace.Has("WinHttpSetOption 63 0x2")) << "redirects followed";
    EXPECT_EQ(trace.Count("WinHttpSetCredentials"), 0);
    EXPECT_EQ(trace.Count("WinHttpCloseHandle"), 3);
}

TEST(WinHttpFetch, RequestBytesOnTheWire) {
    struct Case {
        const char* name;
        int method;
        std::string bodyText;
        std::string bodyBytes;
        std::string extra;
        std::string cookies;
        std::string requestLine;
        std::vector<std::string> lines; // after Host
        std::string body;
    };
    std::vector<std::string> post = kDefaultLines;
    post.insert(post.begin() + 4, "Content-Type: application/x-www-form-urlencoded");
    post.push_back("Content-Length: 3");
    std::vector<std::string> getWithBody = kDefaultLines;
    getWithBody.push_back("Content-Length: 1");
    std::vector<std::string> withCookie = kDefaultLines;
    withCookie.push_back("Cookie: a=1");
    std::vector<std::string> extraFirst = kDefaultLines;
    extraFirst.insert(extraFirst.begin(), "X-A: 1");
    const Case cases[] = {
        {"POST with a form body", 1, "a=1", "", "", "", "POST /p?q=1 HTTP/1.1", post, "a=1"},
        {"GET carries its body", 0, "x", "", "", "", "GET /p?q=1 HTTP/1.1", getWithBody, "x"},
        {"body bytes win over text", 0, "ignored", "y", "", "", "GET /p?q=1 HTTP/1.1", getWithBody,
         "y"},
        {"method out of range is GET", 8, "", "", "", "", "GET /p?q=1 HTTP/1.1", kDefaultLines, ""},
        {"negative method is GET", -1, "", "", "", "", "GET /p?q=1 HTTP/1.1", kDefaultLines, ""},
        {"keep-alive line removed", 0, "", "", "Connection: keep-alive\r\nX-A: 1", "",
         "GET /p?q=1 HTTP/1.1", extraFirst, ""},
        {"cookies", 0, "", "", "", "a=1", "GET /p?q=1 HTTP/1.1", withCookie, ""},
        {"cookies as a line", 0, "", "", "", "Cookie: a=1", "GET /p?q=1 HTTP/1.1", withCookie, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server;
        ASSERT_TRUE(server.ok());
        Text cookies(c.cookies);
        Text status;
        WinHttpFetch(Text(server.Url("/p?q=1")), c.method, Text(c.bodyText), &cookies, nullptr,
                     Text(c.extra), nullptr, false, "", "", "", "", "", 0, nullptr, &status,
                     nullptr, std::nullopt, std::nullopt, Bytes(c.bodyBytes));
        EXPECT_EQ(status, Text("404 Not Found")) << "the server's default answer";
        ASSERT_EQ(server.Requests().size(), 1u);
        const test::RecordedRequest seen = server.Requests()[0];
        EXPECT_EQ(seen.method + " " + seen.target + " " + seen.version, c.requestLine);
        EXPECT_EQ(seen.HeaderLines(), WithHost(server, c.lines));
        EXPECT_EQ(seen.body, c.body);
    }
}

TEST(WinHttpFetch, ValuesHandedToTheStandIn) {
    // WinHttpConnect fails on purpose: only the values before it matter here.
    struct Case {
        const char* name;
        std::string url;
        std::string proxy;
        int timeoutSeconds;
        std::string expectedCall;
    };
    const Case cases[] = {
        {"5 s", "http://127.0.0.1:1/", "", 5, "WinHttpSetTimeouts 5000 5000 5000 5000"},
        {"0 s is 30 s", "http://127.0.0.1:1/", "", 0, "WinHttpSetTimeouts 30000 30000 30000 30000"},
        {"negative is 30 s", "http://127.0.0.1:1/", "", -3,
         "WinHttpSetTimeouts 30000 30000 30000 30000"},
        {"huge seconds stay a long limit", "http://127.0.0.1:1/", "", 3000000,
         "WinHttpSetTimeouts 2147483647 2147483647 2147483647 2147483647"},
        {"plain HTTP proxy", "http://127.0.0.1:1/", "127.0.0.1:8080", 0,
         "WinHttpOpen 3 http=127.0.0.1:8080"},
        {"HTTPS proxy taken bare", "https://127.0.0.1:1/", "127.0.0.1:8080", 0,
         "WinHttpOpen 3 127.0.0.1:8080"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CallTrace trace("WinHttpConnect");
        Text status;
        WinHttpFetch(Text(c.url), 0, "", nullptr, nullptr, "", nullptr, false, "", "",
                     Text(c.proxy), "", "", c.timeoutSeconds, nullptr, &status);
        EXPECT_TRUE(trace.Has(c.expectedCall));
        EXPECT_EQ(status, Gbk("703 创建WinHttp连接失败!"));
    }

    const struct {
        const char* url;
        const char* openRequest;
    } objects[] = {
        {"http://h", "WinHttpOpenRequest GET / 0x0"},
        {"http://h?x=1", "WinHttpOpenRequest GET / 0x0"},
        {"https://h/a?x=1#f", "WinHttpOpenRequest GET /a?x=1#f 0x800000"},
        {"http://h:81/%41", "WinHttpOpenRequest GET /%41 0x0"},
    };
    for (const auto& o : objects) {
        SCOPED_TRACE(o.url);
        CallTrace trace("WinHttpSetCredentials");
        WinHttpFetch(Text(o.url), 0, "", nullptr, nullptr, "", nullptr, false, "u", "p");
        EXPECT_TRUE(trace.Has(o.openRequest));
    }
}

TEST(WinHttpFetch, EveryFailureTextAndWhatItLeavesWritten) {
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    server.SetHandler([](const test::RecordedRequest&) {
        return Reply::Ok("body", {"Set-Cookie: s=1", "Location: /x"});
    });
    struct Case {
        std::string failCall;
        Text status;
        std::string result;
        bool outputsWritten;
    };
    const Case cases[] = {
        {"WinHttpCheckPlatform", Gbk("700 当前系统不支持WinHttp服务!"), "", false},
        {"WinHttpCrackUrl", Gbk("701 解析URL地址失败!"), "", false},
        {"WinHttpOpen", Gbk("702 创建WinHttp会话失败!"), "", false},
        {"WinHttpSetTimeouts", Gbk("705 设置超时时间失败!"), "", false},
        {"WinHttpConnect", Gbk("703 创建WinHttp连接失败!"), "", false},
        {"WinHttpOpenRequest", Gbk("704 创建WinHttp请求失败!"), "", false},
        {"WinHttpSetCredentials 0 1 u", Gbk("707 设置代理凭证失败!"), "", false},
        {"WinHttpSetCredentials 1 1 pu", Gbk("707 设置代理凭证失败!"), "", false},
        {"WinHttpSetOption 31 0x0", Gbk("忽略错误/证书错误  失败！"), "", false},
        {"WinHttpSetOption 63 0x1", Gbk("708 禁止自动设置Cookies失败!"), "", false},
        {"WinHttpSetOption 63 0x2", Gbk("709 重定向设置失败!"), "", false},
        {"WinHttpAddRequestHeaders", Gbk("710 设置协议头失败!"), "", false},
        {"WinHttpSendRequest", Gbk("711 发送请求失败!"), "", false},
        {"WinHttpReceiveResponse", Gbk("712 服务器未响应!"), "", false},
        // A failed read is overwritten by the response's status; the body is short.
        {"WinHttpReadData", Text("200 OK"), "", true},
        {"WinHttpQueryDataAvailable", Text("200 OK"), "", true},
        // No header block: nothing is processed and the 713-free status stays.
        {"WinHttpQueryHeaders", Text("untouched"), "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failCall);
        CallTrace trace(c.failCall);
        Vars v;
        // The proxy is the server itself (it answers "GET http://..." as any request).
        const Text result = WinHttpFetch(Text(server.Url("/")), 0, "", &v.cookies, &v.received, "",
                                         &v.headers, true, "u", "p", Text(server.HostPort()), "pu",
                                         "pp", 0, &v.location, &v.status, &v.body);
        EXPECT_EQ(result.str(), c.result);
        EXPECT_EQ(v.status, c.status);
        EXPECT_EQ(v.location == Text("/x"), c.outputsWritten);
        EXPECT_EQ(v.headers != Text("untouched"), c.outputsWritten);
        EXPECT_EQ(v.received == Text("s=1"), c.outputsWritten);
        EXPECT_EQ(v.body.str() != "untouched", c.outputsWritten);
        // The three handles are closed last, request first, on every path.
        const auto& calls = trace.calls();
        ASSERT_GE(calls.size(), 3u);
        EXPECT_EQ(trace.Count("WinHttpCloseHandle"), 3);
        EXPECT_EQ(calls.back().rfind("WinHttpCloseHandle", 0), 0u);
    }
}

TEST(WinHttpFetch, CookieOptionFollowsTheCallersCookies) {
    CallTrace trace("WinHttpSetOption 79 0x1");
    Text cookies = "a=1";
    Text status;
    WinHttpFetch(Text("http://127.0.0.1:1/"), 0, "", &cookies, nullptr, "", nullptr, false, "", "",
                 "", "", "", 0, nullptr, &status);
    EXPECT_EQ(status, Gbk("708 禁止自动设置Cookies失败!"));
    EXPECT_FALSE(trace.Has("WinHttpSetOption 63 0x1"));
}

TEST(WinHttpFetch, EmptyHeaderBlockIsRefusedAsNoBuffer) {
    CallTrace trace;
    Text status;
    WinHttpFetch(Text("http://127.0.0.1:1/"), 0, "", nullptr, nullptr, "", nullptr, false, "", "",
                 "", "", "", 0, nullptr, &status, nullptr, std::nullopt, false);
    EXPECT_TRUE(trace.Has("WinHttpAddRequestHeaders -1 0x20000000 "));
    EXPECT_EQ(status, Gbk("710 设置协议头失败!"));
}

TEST(WinHttpFetch, ServerCredentialsGoAsBasicOnlyWhenBothAreGiven) {
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    WinHttpFetch(Text(server.Url()), 0, "", nullptr, nullptr, "", nullptr, false, "user", "pass");
    WinHttpFetch(Text(server.Url()), 0, "", nullptr, nullptr, "", nullptr, false, "user", "");
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(server.Requests()[0].Header("Authorization"), "Basic dXNlcjpwYXNz");
    EXPECT_FALSE(server.Requests()[1].HasHeader("Authorization"));
}

TEST(WinHttpFetch, ThroughTinyproxy) {
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    server.SetHandler([](const test::RecordedRequest&) { return Reply::Ok("via proxy"); });
    {
        test::Tinyproxy proxy;
        if (!proxy.ok())
            GTEST_SKIP() << "tinyproxy did not start";
        Text status;
        EXPECT_EQ(WinHttpFetch(Text(server.Url("/a")), 0, "", nullptr, nullptr, "", nullptr, false,
                               "", "", Text(proxy.HostPort()), "", "", 0, nullptr, &status),
                  Text("via proxy"));
        EXPECT_EQ(proxy.Requests(),
                  std::vector<std::string>{"GET " + server.Url("/a") + " HTTP/1.1"});
    }
    test::Tinyproxy guarded(test::ProxyCredentials{"pu", "pp"});
    ASSERT_TRUE(guarded.ok());
    Text status;
    EXPECT_EQ(WinHttpFetch(Text(server.Url("/b")), 0, "", nullptr, nullptr, "", nullptr, false, "",
                           "", Text(guarded.HostPort()), "pu", "pp", 0, nullptr, &status),
              Text("via proxy"));
    EXPECT_EQ(status, Text("200 OK"));
    WinHttpFetch(Text(server.Url("/c")), 0, "", nullptr, nullptr, "", nullptr, false, "", "",
                 Text(guarded.HostPort()), "", "", 0, nullptr, &status);
    EXPECT_EQ(Left(status, 3), Text("407")) << "no proxy credentials";
    EXPECT_EQ(server.Requests().size(), 2u);
}

TEST(WinHttpFetch, HttpsThroughTinyproxyTunnels) {
    const auto& certs = test::TestCertificates::Get();
    ASSERT_TRUE(certs.ok());
    test::Tinyproxy proxy;
    if (!proxy.ok())
        GTEST_SKIP() << "tinyproxy did not start";
    platform::SetTrustedCaFileForTesting(certs.CaFile());
    LoopbackServer server(certs.Good());
    ASSERT_TRUE(server.ok());
    server.Enqueue(Reply::Ok("secret"));
    Text status;
    EXPECT_EQ(WinHttpFetch(Text(server.Url()), 0, "", nullptr, nullptr, "", nullptr, false, "", "",
                           Text(proxy.HostPort()), "", "", 0, nullptr, &status),
              Text("secret"));
    EXPECT_EQ(proxy.Requests(),
              std::vector<std::string>{"CONNECT " + server.HostPort() + " HTTP/1.1"});
    platform::SetTrustedCaFileForTesting("");
}

TEST(WinHttpFetch, ResponsesAsTheCallerSeesThem) {
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    server.Enqueue(Reply::Status("404 Not Found", {}, "no such page"));
    server.Enqueue(Reply::Redirect(302, "/next", {"Set-Cookie: r=1"}));
    server.Enqueue(Reply::Redirect(302, "/next"));
    server.Enqueue(
        Reply::Ok("arrived", {"Set-Cookie: a=1; path=/", "Set-Cookie: b=2", "set-cookie: c=3"}));
    server.Enqueue(Reply::Ok(std::string("ab\0cd", 5)));

    Vars v;
    auto fetch = [&](bool noRedirect) {
        v = Vars();
        v.received = "x=9; ";
        return WinHttpFetch(Text(server.Url("/")), 0, "", &v.cookies, &v.received, "", &v.headers,
                            noRedirect, "", "", "", "", "", 0, &v.location, &v.status, &v.body);
    };
    EXPECT_EQ(fetch(false), Text("no such page"));
    EXPECT_EQ(v.status, Text("404 Not Found"));

    const Text redirectBody = fetch(true);
    EXPECT_EQ(Left(v.status, 4), Text("302 "));
    EXPECT_EQ(v.location, Text("/next"));
    EXPECT_FALSE(redirectBody.empty()) << "the 302's own body";
    EXPECT_EQ(v.received, Text("x=9; r=1"));

    EXPECT_EQ(fetch(false), Text("arrived")) << "followed";
    EXPECT_EQ(v.status, Text("200 OK"));
    EXPECT_EQ(v.location, Text("untouched")) << "the last response has none";
    EXPECT_EQ(v.received, Text("x=9; a=1; b=2"));

    EXPECT_EQ(fetch(false), Text("ab"));
    EXPECT_EQ(v.body.str(), std::string("ab\0cd", 5));
}

TEST(WinHttpFetch, BodyIsReDecodedFromItsDeclaredCharset) {
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    const std::string head = "<html><head><meta charset=\"utf-8\"></head><body>";
    server.Enqueue(Reply::Ok(head + "\xE4\xB8\xAD\xE6\x96\x87")); // "中文" in UTF-8
    server.Enqueue(Reply::Ok("<meta charset=nonsense-42>abc"));
    Text status;
    EXPECT_EQ(WinHttpFetch(Text(server.Url())), Text(head) + Gbk("中文"));
    EXPECT_EQ(WinHttpFetch(Text(server.Url()), 0, "", nullptr, nullptr, "", nullptr, false, "", "",
                           "", "", "", 0, nullptr, &status),
              Text());
    EXPECT_EQ(status, Text("200 OK")) << "a charset nobody knows is no failure of the exchange";
}

TEST(WinHttpFetch, HostileAndUnreachablePeers) {
    const auto& certs = test::TestCertificates::Get();
    ASSERT_TRUE(certs.ok());
    platform::SetTrustedCaFileForTesting(certs.CaFile());
    LoopbackServer good(certs.Good());
    LoopbackServer expired(certs.Expired());
    LoopbackServer closing;
    LoopbackServer huge;
    LoopbackServer looping;
    LoopbackServer endless;
    ASSERT_TRUE(good.ok() && expired.ok() && closing.ok() && huge.ok() && looping.ok() &&
                endless.ok());
    looping.SetHandler([](const test::RecordedRequest& r) {
        return Reply::Redirect(302, r.target == "/ftp" ? "ftp://127.0.0.1/" : "/");
    });
    endless.Enqueue(Reply::EndlessBody());
    good.Enqueue(Reply::Ok("trusted"));
    expired.SetHandler([](const test::RecordedRequest&) { return Reply::Ok("forged"); });
    closing.Enqueue(Reply::CloseWithoutAnswer());
    platform::HttpLimits limits;
    limits.maxHeaderBlock = 4096;
    limits.maxBody = 64 * 1024;
    platform::SetHttpLimitsForTesting(limits);
    huge.Enqueue(Reply::Raw("HTTP/1.1 200 OK\r\nX-Big: " + std::string(8192, 'a') + "\r\n\r\n"));
    const int refused = test::FreeLoopbackPort();

    struct Case {
        const char* name;
        std::string url;
        Text status;
        std::string result;
    };
    const Case cases[] = {
        {"trusted certificate", good.Url(), Text("200 OK"), "trusted"},
        {"expired certificate", expired.Url(), Gbk("711 发送请求失败!"), ""},
        {"refused port", "http://127.0.0.1:" + std::to_string(refused) + "/",
         Gbk("711 发送请求失败!"), ""},
        {"accept and close", closing.Url(), Gbk("712 服务器未响应!"), ""},
        {"oversized header block", huge.Url(), Gbk("712 服务器未响应!"), ""},
        {"redirect loop", looping.Url(), Gbk("712 服务器未响应!"), ""},
        {"redirect to another scheme", looping.Url("/ftp"), Gbk("712 服务器未响应!"), ""},
        // A body past its bound fails the exchange whole: nothing of it is handed out.
        {"endless body", endless.Url(), Gbk("712 服务器未响应!"), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Text status;
        EXPECT_EQ(WinHttpFetch(Text(c.url), 0, "", nullptr, nullptr, "", nullptr, false, "", "", "",
                               "", "", 5, nullptr, &status)
                      .str(),
                  c.result);
        EXPECT_EQ(status, c.status);
    }
    EXPECT_TRUE(expired.Requests().empty()) << "nothing sent to the forged peer";
    platform::ResetHttpLimitsForTesting();
    platform::SetTrustedCaFileForTesting("");
}

TEST(WinHttpFetch, SilentServerEndsWithinItsLimit) {
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    server.Enqueue(Reply::Silent());
    Text status;
    const auto start = std::chrono::steady_clock::now();
    const Text result = WinHttpFetch(Text(server.Url()), 0, "", nullptr, nullptr, "", nullptr,
                                     false, "", "", "", "", "", 1, nullptr, &status);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(result.empty());
    EXPECT_TRUE(status == Gbk("711 发送请求失败!") || status == Gbk("712 服务器未响应!"))
        << status.str();
    EXPECT_LT(elapsed, std::chrono::seconds(5)) << "a generous bound, not a benchmark";
}

} // namespace
} // namespace kesmora
