// Shared set-up of the exchange and WinInet tests: a clean cookie store, the test CA
// trusted, and limits low enough that hostile servers end the exchange quickly.
#pragma once

#include "platform/http_exchange.h"
#include "platform/http_limits.h"
#include "tests/support/test_certificates.h"

#include <gtest/gtest.h>

#include <chrono>

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

// Seconds since `start`, for bounds far above the lowered limits and far below the
// defaults: they show which limit ended an exchange, not how fast it is.
inline double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace kesmora::test
