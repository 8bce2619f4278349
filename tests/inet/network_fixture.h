// Network tests of this folder run against loopback peers under lowered limits, with
// the test CA trusted and an empty process cookie store.
#pragma once

#include "common/text.h"
#include "platform/http_exchange.h"
#include "platform/http_limits.h"
#include "tests/support/loopback_server.h"
#include "tests/support/test_certificates.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace kesmora::test {

class NetworkTest : public ::testing::Test {
protected:
    void SetUp() override {
        using namespace std::chrono_literals;
        platform::HttpLimits limits;
        limits.connect = 2000ms;
        limits.noProgress = 1000ms;
        limits.total = 4000ms;
        limits.maxBody = std::size_t{2} << 20;
        limits.maxHeaderBlock = std::size_t{512} << 10;
        limits.maxRedirects = 5;
        platform::SetHttpLimitsForTesting(limits);
        if (TestCertificates::Get().ok())
            platform::SetTrustedCaFileForTesting(TestCertificates::Get().CaFile());
        platform::ClearProcessCookieStore();
    }
    void TearDown() override {
        platform::ResetHttpLimitsForTesting();
        platform::SetTrustedCaFileForTesting("");
    }
};

inline std::string Str(const Bytes& bytes) {
    return bytes.str();
}

} // namespace kesmora::test
