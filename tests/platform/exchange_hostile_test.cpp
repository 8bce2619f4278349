// Hostile and broken servers: every exchange ends within the lowered limits, with the
// failure class the front ends map to their own results, and nothing partial where the
// bound forbids it.
#include "platform/http_exchange.h"
#include "tests/platform/exchange_test_support.h"
#include "tests/support/free_port.h"
#include "tests/support/loopback_server.h"

namespace kesmora::test {
namespace {

using platform::ExchangeFailure;
using platform::ExchangeRequest;
using platform::HttpExchange;

std::string SetCookieLines(int count) {
    std::string block = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n";
    for (int i = 0; i < count; ++i)
        block += "Set-Cookie: c" + std::to_string(i) + "=v\r\n";
    return block + "\r\nok";
}

std::string EndlessHeaders() {
    std::string block = "HTTP/1.1 200 OK\r\n";
    for (int i = 0; i < 40000; ++i)
        block += "X-Filler-" + std::to_string(i) + ": " + std::string(40, 'f') + "\r\n";
    return block + "\r\n";
}

struct HostileCase {
    const char* name;
    Reply reply;
    ExchangeFailure failure;
    bool responded;
    std::optional<std::string> body; // what is kept of the body; nullopt: some of it
};

class ExchangeHostile : public ExchangeTest {};

TEST_F(ExchangeHostile, EveryBehaviourEndsWithItsFailureClass) {
    const std::string head100 = "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n";
    const HostileCase cases[] = {
        {"silent after the request", Reply::Silent(), ExchangeFailure::Timeout, false, ""},
        {"closes without answering", Reply::CloseWithoutAnswer(), ExchangeFailure::NoResponse,
         false, ""},
        {"garbage status line", Reply::RawThenClose("SPAM SPAM SPAM\r\n\r\nbody"),
         ExchangeFailure::NoResponse, false, ""},
        {"reset mid-body keeps what came", Reply::ResetAfter(head100 + "first part"),
         ExchangeFailure::Read, true, "first part"},
        {"closed before the promised length", Reply::RawThenClose(head100 + "short"),
         ExchangeFailure::Read, true, "short"},
        {"stalls mid-body", Reply::Raw(head100 + "stalled"), ExchangeFailure::Timeout, true,
         "stalled"},
        {"drips past the total bound",
         Reply::Drip(head100 + std::string(100, 'd'), std::chrono::milliseconds(50),
                     head100.size()),
         ExchangeFailure::Timeout, true, std::nullopt},
        {"endless body", Reply::EndlessBody(), ExchangeFailure::TooLarge, false, ""},
        {"declared length past the bound",
         Reply::Raw("HTTP/1.1 200 OK\r\nContent-Length: 2000000\r\n\r\n"),
         ExchangeFailure::TooLarge, false, ""},
        {"header block without end", Reply::Raw(EndlessHeaders()), ExchangeFailure::TooLarge, false,
         ""},
        {"ten thousand Set-Cookie lines", Reply::Raw(SetCookieLines(10000)), ExchangeFailure::None,
         true, "ok"},
    };
    platform::SetHttpLimitsForTesting(LowLimits());
    for (const HostileCase& c : cases) {
        SCOPED_TRACE(c.name);
        LoopbackServer server;
        server.Enqueue(c.reply);
        auto start = std::chrono::steady_clock::now();
        ExchangeRequest request = RequestTo(server);
        request.cookies = platform::CookieMode::PerExchange;
        platform::ExchangeResult result = HttpExchange().Run(request);
        EXPECT_LT(SecondsSince(start), 15.0); // the defaults would take minutes
        EXPECT_EQ(result.failure, c.failure) << result.detail;
        EXPECT_EQ(result.responded, c.responded);
        EXPECT_FALSE(result.FailedBeforeSending());
        if (c.body) {
            EXPECT_EQ(result.body, *c.body);
        } else {
            EXPECT_LT(result.body.size(), 100u);
        }
        if (!c.responded) {
            EXPECT_EQ(result.rawHeaders, "");
        }
    }
}

TEST_F(ExchangeHostile, UnreachableAndHandshakeStallFailBeforeSending) {
    platform::SetHttpLimitsForTesting(LowLimits());
    ExchangeRequest refused;
    refused.host = "127.0.0.1";
    refused.port = static_cast<std::uint16_t>(FreeLoopbackPort());
    platform::ExchangeResult result = HttpExchange().Run(refused);
    EXPECT_EQ(result.failure, ExchangeFailure::Connect) << result.detail;
    EXPECT_TRUE(result.FailedBeforeSending());

    LoopbackServer stalled(TestCertificates::Get().Good());
    stalled.HoldAtAccept(true);
    auto start = std::chrono::steady_clock::now();
    result = HttpExchange().Run(RequestTo(stalled));
    EXPECT_LT(SecondsSince(start), 15.0);
    EXPECT_EQ(result.failure, ExchangeFailure::Timeout) << result.detail;
    EXPECT_TRUE(result.FailedBeforeSending());
}

TEST_F(ExchangeHostile, PhaseLimitsOfTheCallerApply) {
    // Defaults stay long; only the caller's receive limit can end this quickly.
    LoopbackServer server;
    server.Enqueue(Reply::Silent());
    ExchangeRequest request = RequestTo(server);
    request.limits.receive = std::chrono::milliseconds(1000);
    auto start = std::chrono::steady_clock::now();
    platform::ExchangeResult result = HttpExchange().Run(request);
    EXPECT_EQ(result.failure, ExchangeFailure::Timeout) << result.detail;
    EXPECT_LT(SecondsSince(start), 15.0);
}

} // namespace
} // namespace kesmora::test
