// What a server sees of an exchange, and what the engine makes of the responses.
#include "platform/http_exchange.h"
#include "tests/platform/exchange_test_support.h"
#include "tests/support/loopback_server.h"

#include <algorithm>

namespace kesmora::test {
namespace {

using platform::CookieMode;
using platform::ExchangeFailure;
using platform::ExchangeRequest;
using platform::HttpExchange;
using platform::HttpVersion;

std::vector<std::string> Sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

struct WireCase {
    const char* name;
    const char* verb;
    HttpVersion version;
    std::string headers;
    std::optional<std::string> agent;
    std::string body;
    const char* requestLine;
    std::vector<std::string> expectedLines; // every header line but Host
};

class ExchangeWire : public ExchangeTest {};

TEST_F(ExchangeWire, RequestCarriesExactlyTheComposedBlock) {
    const std::string big(100000, 'b');
    const WireCase cases[] = {
        {"get with the default block",
         "GET",
         HttpVersion::Http11,
         "Accept: */*\r\nReferer: http://x/\r\nAccept-Language: zh-cn",
         "Agent/1",
         "",
         "GET /p?q=1 HTTP/1.1",
         {"Accept: */*", "Accept-Language: zh-cn", "Referer: http://x/", "User-Agent: Agent/1"}},
        {"get with a body",
         "GET",
         HttpVersion::Http11,
         "",
         std::nullopt,
         "x",
         "GET /p?q=1 HTTP/1.1",
         {"Content-Length: 1"}},
        {"post without a body",
         "POST",
         HttpVersion::Http11,
         "",
         std::nullopt,
         "",
         "POST /p?q=1 HTTP/1.1",
         {"Content-Length: 0"}},
        {"post gets no content type of its own",
         "POST",
         HttpVersion::Http11,
         "",
         std::nullopt,
         "a=1",
         "POST /p?q=1 HTTP/1.1",
         {"Content-Length: 3"}},
        {"large post asks for no 100-continue",
         "PUT",
         HttpVersion::Http11,
         "X: y",
         std::nullopt,
         big,
         "PUT /p?q=1 HTTP/1.1",
         {"Content-Length: 100000", "X: y"}},
        {"http/1.0 asks to keep the connection",
         "GET",
         HttpVersion::Http10,
         "Accept: */*",
         std::nullopt,
         "",
         "GET /p?q=1 HTTP/1.0",
         {"Accept: */*", "Connection: Keep-Alive"}},
        {"block's agent wins, empty value kept, line without colon dropped",
         "DELETE",
         HttpVersion::Http11,
         "\r\nUser-Agent: Mine\r\nX-Empty:\r\nnocolon\r\n",
         "Agent/1",
         "",
         "DELETE /p?q=1 HTTP/1.1",
         {"User-Agent: Mine", "X-Empty:"}},
    };
    for (const WireCase& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server;
        server.Enqueue(Reply::Ok("ok"));
        ExchangeRequest request = RequestTo(server, "/p?q=1");
        request.verb = c.verb;
        request.version = c.version;
        request.headers = c.headers;
        request.agent = c.agent;
        request.body = c.body;
        HttpExchange exchange;
        platform::ExchangeResult result = exchange.Run(request);
        ASSERT_TRUE(result.ok()) << result.detail;
        ASSERT_EQ(server.Requests().size(), 1u);
        RecordedRequest seen = server.Requests()[0];
        EXPECT_EQ(seen.head.substr(0, seen.head.find("\r\n")), c.requestLine);
        std::vector<std::string> lines = seen.HeaderLines();
        lines.erase(std::remove_if(lines.begin(), lines.end(),
                                   [](const std::string& l) { return l.rfind("Host: ", 0) == 0; }),
                    lines.end());
        EXPECT_EQ(Sorted(lines), Sorted(c.expectedLines));
        EXPECT_EQ(seen.Header("Host"), server.HostPort());
        EXPECT_EQ(seen.body, c.body);
    }
}

TEST_F(ExchangeWire, PathGoesOutAsWrittenButForSpaces) {
    LoopbackServer server;
    ExchangeRequest request = RequestTo(server, "/a/../b c?x=%41&y=\xC4\xE3"); // GBK 你
    HttpExchange().Run(request);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].target, "/a/../b%20c?x=%41&y=\xC4\xE3");

    request.path = "/bad\r\nX: injected";
    EXPECT_EQ(HttpExchange().Run(request).failure, ExchangeFailure::Invalid);
    EXPECT_EQ(server.Requests().size(), 1u);
}

struct ResponseCase {
    const char* name;
    Reply reply;
    const char* verb;
    int status;
    std::string rawHeaders;
    std::string body;
};

TEST_F(ExchangeWire, ResponseHeaderBlockAndBodyOfEachFraming) {
    const ResponseCase cases[] = {
        {"content length", Reply::Ok("hello", {"X-A: 1"}), "GET", 200,
         "HTTP/1.1 200 OK\r\nX-A: 1\r\nContent-Length: 5\r\n\r\n", "hello"},
        {"chunked, trailer not in the block",
         Reply::Raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                    "2\r\nab\r\n3\r\ncde\r\n0\r\nX-Trailer: t\r\n\r\n"),
         "GET", 200, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", "abcde"},
        {"close delimited", Reply::CloseDelimited("to the end"), "GET", 200,
         "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n", "to the end"},
        {"bare LF line ends", Reply::Raw("HTTP/1.0 404 Not Found\nContent-Length: 4\n\npage"),
         "GET", 404, "HTTP/1.0 404 Not Found\r\nContent-Length: 4\r\n\r\n", "page"},
        {"interim 100 dropped",
         Reply::Raw("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Made\r\nContent-Length: 1\r\n\r\nz"),
         "GET", 201, "HTTP/1.1 201 Made\r\nContent-Length: 1\r\n\r\n", "z"},
        {"head reads no body", Reply::Raw("HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\n"), "HEAD",
         200, "HTTP/1.1 200 OK\r\nContent-Length: 50\r\n\r\n", ""},
        {"head of a body past the bound",
         Reply::Raw("HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\n"), "HEAD", 200,
         "HTTP/1.1 200 OK\r\nContent-Length: 99999999999\r\n\r\n", ""},
    };
    for (const ResponseCase& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server;
        server.Enqueue(c.reply);
        ExchangeRequest request = RequestTo(server, "/");
        request.verb = c.verb;
        platform::ExchangeResult result = HttpExchange().Run(request);
        EXPECT_TRUE(result.ok()) << result.detail;
        EXPECT_TRUE(result.responded);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.rawHeaders, c.rawHeaders);
        EXPECT_EQ(result.body, c.body);
    }
}

TEST_F(ExchangeWire, BodyCursorHandsOutPiecesThenTheFailure) {
    platform::BodyCursor whole("abcdefg", false), cut("abc", true);
    char buffer[4] = {};
    std::string out;
    while (std::size_t n = whole.Read(buffer, 3))
        out.append(buffer, n);
    EXPECT_EQ(out, "abcdefg");
    EXPECT_FALSE(whole.AtFailure());
    EXPECT_EQ(cut.Read(buffer, 4), 3u);
    EXPECT_TRUE(cut.AtFailure());
}

TEST_F(ExchangeWire, CredentialsGoAsBasicAuthorization) {
    LoopbackServer server;
    ExchangeRequest request = RequestTo(server, "/");
    request.user = "u";
    request.password = "p";
    HttpExchange().Run(request);
    request.user.clear();
    HttpExchange().Run(request);
    ASSERT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(server.Requests()[0].Header("Authorization"), "Basic dTpw"); // base64 of "u:p"
    EXPECT_FALSE(server.Requests()[1].HasHeader("Authorization"));
}

TEST_F(ExchangeWire, OneObjectKeepsItsConnection) {
    for (HttpVersion version : {HttpVersion::Http11, HttpVersion::Http10}) {
        SCOPED_TRACE(version == HttpVersion::Http10 ? "http/1.0" : "http/1.1");
        LoopbackServer server;
        ExchangeRequest request = RequestTo(server, "/");
        request.version = version;
        request.cookies = CookieMode::ProcessStore;
        HttpExchange kept;
        kept.Run(request);
        kept.Run(request);
        EXPECT_EQ(server.ConnectionCount(), 1);
        HttpExchange().Run(request);
        EXPECT_EQ(server.ConnectionCount(), 2);
    }
}

} // namespace
} // namespace kesmora::test
