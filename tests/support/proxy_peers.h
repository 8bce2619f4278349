// The real proxies the request code is tested through, started on a free loopback port
// for the length of a test and killed when the object goes.
//
//   kesmora::test::Tinyproxy proxy;                  // or Tinyproxy({"user", "secret"})
//   if (!proxy.ok()) GTEST_SKIP() << "tinyproxy did not start";
//   ... request through proxy.HostPort() ...
//   EXPECT_EQ(proxy.Requests(), std::vector<std::string>{"GET http://127.0.0.1:5000/ HTTP/1.1"});
//
//   kesmora::test::Microsocks socks;
//   ... request through socks.HostPort() ...
//   EXPECT_EQ(socks.Connections(), std::vector<std::string>{"localhost:5000"});
#pragma once

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kesmora::test {

struct ProxyCredentials {
    std::string user;
    std::string password;
};

// tinyproxy as an HTTP proxy (plain requests and CONNECT to any port), optionally
// asking for basic credentials (407 without them).
class Tinyproxy {
public:
    explicit Tinyproxy(std::optional<ProxyCredentials> credentials = std::nullopt);
    bool ok() const { return ok_; }
    int port() const { return port_; }
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(port_); }
    // Request lines the proxy received, in order ("GET http://... HTTP/1.1",
    // "CONNECT 127.0.0.1:443 HTTP/1.1"), from its log.
    std::vector<std::string> Requests() const;

private:
    TempDir dir_;
    int port_ = 0;
    std::unique_ptr<ChildProcess> process_;
    bool ok_ = false;
};

// microsocks as a SOCKS5 proxy that resolves names itself.
class Microsocks {
public:
    Microsocks();
    bool ok() const { return ok_; }
    int port() const { return port_; }
    std::string HostPort() const { return "127.0.0.1:" + std::to_string(port_); }
    // Targets the proxy connected to, in order, as the client named them
    // ("localhost:5000" when the client left the name to the proxy), from its log.
    std::vector<std::string> Connections() const;

private:
    TempDir dir_;
    int port_ = 0;
    std::unique_ptr<ChildProcess> process_;
    bool ok_ = false;
};

} // namespace kesmora::test
