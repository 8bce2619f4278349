// InetFetch against servers that stall, flood or lie: each exchange ends within the
// lowered limits with nothing kept that was not a complete response, and the next
// request of the process still works.
#include "inet/inet.h"
#include "tests/inet/network_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

namespace kesmora::test {
namespace {

using namespace std::chrono_literals;

class HostileServerTest : public NetworkTest {
protected:
    // A plain request to a well-behaved server after the hostile one.
    void ExpectNextRequestWorks() {
        LoopbackServer good;
        ASSERT_TRUE(good.ok());
        good.Enqueue(Reply::Ok("fine"));
        EXPECT_EQ(Str(InetFetch(good.Url("/next").c_str())), "fine");
    }
};

std::string HugeHeaderBlock() {
    std::string head = "HTTP/1.1 200 OK\r\n";
    const std::string line = "X-Pad: " + std::string(90, 'p') + "\r\n";
    while (head.size() < (std::size_t{1} << 20))
        head += line;
    return head + "Content-Length: 2\r\n\r\nok";
}

TEST_F(HostileServerTest, EndsEmpty) {
    struct Case {
        const char* name;
        std::function<void(LoopbackServer&)> script;
    } const cases[] = {
        {"silent", [](LoopbackServer& s) { s.Enqueue(Reply::Silent()); }},
        {"silent before the handshake", [](LoopbackServer& s) { s.HoldAtAccept(true); }},
        {"drip of the status line",
         [](LoopbackServer& s) {
             s.Enqueue(Reply::Drip("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", 200ms));
         }},
        {"endless body", [](LoopbackServer& s) { s.Enqueue(Reply::EndlessBody()); }},
        {"1 MiB header block", [](LoopbackServer& s) { s.Enqueue(Reply::Raw(HugeHeaderBlock())); }},
        {"garbage status line",
         [](LoopbackServer& s) { s.Enqueue(Reply::RawThenClose("SSH-2.0-x\r\n\r\nhello")); }},
        {"status line without a code",
         [](LoopbackServer& s) { s.Enqueue(Reply::RawThenClose("HTTP/1.1 abc\r\n\r\nhello")); }},
        {"closed without an answer",
         [](LoopbackServer& s) { s.Enqueue(Reply::CloseWithoutAnswer()); }},
        {"redirect loop",
         [](LoopbackServer& s) {
             s.SetHandler([](const RecordedRequest&) { return Reply::Redirect(302, "/loop"); });
         }},
        {"redirect to ftp",
         [](LoopbackServer& s) { s.Enqueue(Reply::Redirect(302, "ftp://127.0.0.1/x")); }},
        {"redirect to a file",
         [](LoopbackServer& s) { s.Enqueue(Reply::Redirect(301, "file:///etc/passwd")); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server;
        ASSERT_TRUE(server.ok());
        c.script(server);
        Text headers;
        EXPECT_EQ(Str(InetFetch(server.Url("/h").c_str(), 0, "", nullptr, nullptr, "", &headers)),
                  "");
        ExpectNextRequestWorks();
    }
}

TEST_F(HostileServerTest, ResetMidBodyKeepsOnlyWhatArrived) {
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    server.Enqueue(Reply::ResetAfter("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\npartial"));
    const std::string body = Str(InetFetch(server.Url("/r").c_str()));
    EXPECT_EQ(body, std::string("partial").substr(0, body.size()));
    ExpectNextRequestWorks();
}

TEST_F(HostileServerTest, TenThousandSetCookieLinesOverflowTheHeaderQuery) {
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    std::vector<std::string> lines;
    for (int i = 0; i < 10000; ++i)
        lines.push_back("Set-Cookie: c" + std::to_string(i) + "=v; Path=/");
    server.Enqueue(Reply::Ok("body", lines));
    Text cookies;
    Text received = "x";
    Text headers;
    EXPECT_EQ(Str(InetFetch(server.Url("/c").c_str(), 0, "", &cookies, &received, "", &headers)),
              "body");
    EXPECT_EQ(headers.str(), std::string(5000, ' '));
    EXPECT_EQ(received.str(), "");
    EXPECT_EQ(cookies.str(), "");
    ExpectNextRequestWorks();
}

TEST_F(HostileServerTest, CookiesWithControlBytes) {
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    const std::vector<std::string> setCookies = {"Set-Cookie: bad=a\x01z", "Set-Cookie: del=a\x7fz",
                                                 "Set-Cookie: cr=1\rInjected: yes",
                                                 "Set-Cookie: ok=1"};
    server.Enqueue(Reply::Ok("c", setCookies));
    server.Enqueue(Reply::Ok("c", setCookies));
    server.Enqueue(Reply::Ok("d"));
    server.Enqueue(Reply::Ok("e"));

    // Left to the process store: only cookies without control bytes come back.
    EXPECT_EQ(Str(InetFetch(server.Url("/s").c_str())), "c");
    // Kept by the caller: the text is the server's, and sending it back adds no line.
    Text cookies;
    EXPECT_EQ(Str(InetFetch(server.Url("/s").c_str(), 0, "", &cookies)), "c");
    EXPECT_TRUE(Contains(cookies, "ok=1")) << cookies.str();
    EXPECT_EQ(Str(InetFetch(server.Url("/t").c_str())), "d");
    EXPECT_EQ(Str(InetFetch(server.Url("/u").c_str(), 0, "", &cookies)), "e");

    const std::vector<RecordedRequest> seen = server.Requests();
    ASSERT_EQ(seen.size(), 4u);
    const std::string stored = seen[2].Header("Cookie");
    EXPECT_NE(stored.find("ok=1"), std::string::npos) << stored;
    EXPECT_TRUE(std::none_of(stored.begin(), stored.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
    })) << stored;
    for (const RecordedRequest& request : seen)
        EXPECT_FALSE(request.HasHeader("Injected")) << request.head;
    ExpectNextRequestWorks();
}

} // namespace
} // namespace kesmora::test
