// The shell's file fetch against loopback servers: what the server sees, the long-lived
// session, bodies of every size and addresses that do not split.
#include "app/services/services.h"
#include "tests/inet/network_fixture.h"

#include <gtest/gtest.h>

#include <string>

namespace kesmora::test {
namespace {

class HttpGetFileTest : public NetworkTest {};

TEST_F(HttpGetFileTest, SendsAPlainHttp10GetOnOneKeptConnection) {
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    server.Enqueue(Reply::Ok("first"));
    server.Enqueue(Reply::Ok("second"));
    EXPECT_EQ(Str(HttpGetFile(server.Url("/tongji.php?a=1").c_str())), "first");
    EXPECT_EQ(Str(HttpGetFile(server.Url("/pic.png").c_str())), "second");

    const std::vector<RecordedRequest> seen = server.Requests();
    ASSERT_EQ(seen.size(), 2u);
    const RecordedRequest& request = seen[0];
    EXPECT_EQ(request.method + " " + request.target + " " + request.version,
              "GET /tongji.php?a=1 HTTP/1.0");
    EXPECT_EQ(request.Header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
    EXPECT_EQ(request.CountHeader("Accept"), 1) << request.head;
    EXPECT_EQ(request.Header("Accept"), "*/*");
    EXPECT_FALSE(request.HasHeader("Referer"));
    EXPECT_FALSE(request.HasHeader("Authorization"));
    EXPECT_EQ(seen[1].connection, seen[0].connection) << "the session did not keep its connection";
}

TEST_F(HttpGetFileTest, BodiesOfEverySizeComeBackWhole) {
    std::string big(300000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7 + i / 251);
    struct Case {
        const char* name;
        Reply reply;
        std::string body;
    } const cases[] = {
        {"past the largest read buffer", Reply::Ok(big), big},
        {"exactly one buffer", Reply::Ok(std::string(102399, 'x')), std::string(102399, 'x')},
        {"no length", Reply::Chunked({std::string(15000, 'a'), "b", std::string(20000, 'c')}),
         std::string(15000, 'a') + "b" + std::string(20000, 'c')},
        {"until close", Reply::CloseDelimited(big.substr(0, 50000)), big.substr(0, 50000)},
        {"error page", Reply::Status("404 Not Found", {}, "<h1>404</h1>"), "<h1>404</h1>"},
        {"empty", Reply::Status("204 No Content", {}, ""), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server;
        ASSERT_TRUE(server.ok());
        server.Enqueue(c.reply);
        const std::string body = Str(HttpGetFile(server.Url("/f").c_str()));
        EXPECT_EQ(body.size(), c.body.size());
        EXPECT_TRUE(body == c.body);
    }
}

TEST_F(HttpGetFileTest, HttpsAndCredentialsFromTheAddress) {
    const TestCertificates& certs = TestCertificates::Get();
    if (!certs.ok())
        GTEST_SKIP() << "openssl could not make the certificates";
    LoopbackServer secure(certs.Good());
    LoopbackServer expired(certs.Expired());
    ASSERT_TRUE(secure.ok() && expired.ok());
    secure.Enqueue(Reply::Ok("tls"));
    expired.Enqueue(Reply::Ok("never"));
    const std::string withUser = "HTTPS://user:p%40ss@" + secure.HostPort() + "/x?y=1";
    EXPECT_EQ(Str(HttpGetFile(withUser.c_str())), "tls");
    EXPECT_EQ(Str(HttpGetFile(expired.Url("/x").c_str())), "");
    ASSERT_EQ(secure.Requests().size(), 1u);
    EXPECT_EQ(secure.Requests()[0].target, "/x?y=1");
    // "user:p%40ss" as written, not unescaped.
    EXPECT_EQ(secure.Requests()[0].Header("Authorization"), "Basic dXNlcjpwJTQwc3M=");
    EXPECT_TRUE(expired.Requests().empty());
}

TEST_F(HttpGetFileTest, AddressesThatDoNotSplitMakeNoRequest) {
    LoopbackServer server;
    ASSERT_TRUE(server.ok());
    server.SetHandler([](const RecordedRequest&) { return Reply::Ok("reached"); });
    const std::string hostPort = server.HostPort();
    const std::string addresses[] = {
        "",
        hostPort + "/no-scheme",
        "ftp://" + hostPort + "/",
        "http:/" + hostPort + "/",
        "http://:" + std::to_string(server.port()) + "/",
        "http://127.0.0.1:0/",
        "http://127.0.0.1:99999/",
        "http://127.0.0.1:8x/",
        "http://" + hostPort + "/a\r\nX-Injected: 1",
        "http://" + hostPort + "/a\tb",
    };
    for (const std::string& address : addresses)
        EXPECT_EQ(Str(HttpGetFile(address.c_str())), "") << address;
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_EQ(Str(HttpGetFile(server.Url("/ok").c_str())), "reached");
}

} // namespace
} // namespace kesmora::test
