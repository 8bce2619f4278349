// Shared set-up of the exchange and WinInet tests: a clean cookie store, the test CA
// trusted, limits low enough that hostile servers end the exchange quickly, and a
// request addressed to a loopback server.
#pragma once

#include "platform/http_exchange.h"
#include "platform/http_limits.h"
#include "tests/support/loopback_server.h"
#include "tests/support/test_certificates.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>

namespace kesmora::test {

class ExchangeTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetHttpLimitsForTesting();
        platform::SetTrustedCaFileForTesting(TestCertificates::Get().CaFile());
        platform::ClearProcessCookieStore();
    }
    void TearDown() override {
        platform::ResetHttpLimitsForTesting();
        platform::SetTrustedCaFileForTesting("");
        platform::ClearProcessCookieStore();
    }

    // Every limit one second (three in all), bodies at most 1 MiB.
    static platform::HttpLimits LowLimits() {
        platform::HttpLimits limits;
        limits.connect = std::chrono::milliseconds(1000);
        limits.noProgress = std::chrono::milliseconds(1000);
        limits.total = std::chrono::milliseconds(3000);
        limits.maxBody = 1u << 20;
        limits.maxRedirects = 3;
        return limits;
    }
};

// A GET of `path` to the server on 127.0.0.1, over TLS when the server speaks it.
inline platform::ExchangeRequest RequestTo(const LoopbackServer& server, std::string path = "/") {
    platform::ExchangeRequest request;
    request.host = "127.0.0.1";
    request.port = static_cast<std::uint16_t>(server.port());
    request.secure = server.Url().rfind("https", 0) == 0;
    request.path = std::move(path);
    return request;
}

// Seconds since `start`, for bounds far above the lowered limits and far below the
// defaults: they show which limit ended an exchange, not how fast it is.
inline double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace kesmora::test
