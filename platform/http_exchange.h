// The one HTTP exchange engine under the WinInet-style and WinHTTP-style stand-ins: a
// request as a front end composed it goes out, and the last response comes back whole.
//
// A front end builds an ExchangeRequest from its handles and calls HttpExchange::Run,
// which blocks until the exchange has ended. The result then stands in for everything
// the platform's later calls report: whether the send worked, the response's header
// block and status, and the body, handed out in pieces with BodyCursor (a body cut
// short by a reset or a time limit hands out what arrived, then fails).
//
// What goes on the wire: the request line (verb, the path as given, HTTP/1.0 or 1.1),
// Host, the front end's header lines, the agent, basic credentials, cookies of the
// chosen store and Content-Length for a body; nothing else (no Accept, no Expect, no
// form content type, no Accept-Encoding). HTTP/1.0 requests ask for a kept connection
// ("Connection: Keep-Alive") unless the block says otherwise.
//
// Never consulted: proxy environment variables, the system's proxy settings. Always:
// TLS peer and host verification against the system's CA store (platform/http_limits.h
// has the test seam), redirects only to http and https, the limits of
// platform/http_limits.h.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace kesmora::platform {

enum class HttpVersion { Http10, Http11 };

enum class ProxyKind {
    None,   // direct
    Http,   // an HTTP proxy; HTTPS goes through a CONNECT tunnel
    Socks5, // SOCKS5; the proxy resolves the host name
};

struct HttpProxy {
    ProxyKind kind = ProxyKind::None;
    std::string host;
    std::uint16_t port = 0;
    std::string user; // basic credentials for the proxy, sent when user is not empty
    std::string password;
};

// Where the store of cookies comes from.
enum class CookieMode {
    Off,          // no Cookie line from a store; Set-Cookie is not kept
    ProcessStore, // one store for the whole process: sent and kept on every such exchange
    PerExchange,  // a store that lives for this exchange only (cookies set by a redirect
                  // response go with the following request)
};

// Per-phase limits a front end sets (0 = the default of platform/http_limits.h). The
// engine measures resolve + connect together as the connection limit and the larger of
// send and receive as the no-progress limit; the total bound always applies.
struct ExchangeLimits {
    std::chrono::milliseconds resolve{0};
    std::chrono::milliseconds connect{0};
    std::chrono::milliseconds send{0};
    std::chrono::milliseconds receive{0};
};

struct ExchangeRequest {
    std::string verb = "GET"; // any verb; HEAD reads no body and sends none
    bool secure = false;      // https
    std::string host;         // name or address (an IPv6 address without brackets)
    std::uint16_t port = 0;   // 0: 80, or 443 when secure
    std::string path = "/";   // path and query as written; spaces go out as %20
    HttpVersion version = HttpVersion::Http11;
    // Header lines separated by "\r\n" as the front end composed them; empty lines and
    // lines without a name and colon are dropped, a line with an empty value is sent
    // as "Name:".
    std::string headers;
    std::optional<std::string> agent; // User-Agent, unless `headers` has one
    std::string body;                 // sent with any verb but HEAD, GET included
    HttpProxy proxy;
    std::string user; // basic credentials for the server, sent when user is not empty
    std::string password;
    bool followRedirects = true; // the last response is returned
    CookieMode cookies = CookieMode::Off;
    ExchangeLimits limits;
};

enum class ExchangeFailure {
    None,
    Invalid,    // the request cannot be made (no host, a control character in the path)
    Resolve,    // host or proxy name not found
    Connect,    // refused, unreachable, or the proxy would not connect
    Tls,        // handshake failed or the certificate was not trusted
    Send,       // the request could not be sent
    NoResponse, // closed, garbage or a redirect that could not be followed, before a
                // complete response header block
    Read,       // the body was cut short (reset, closed early)
    TooLarge,   // a body or header block past its bound: nothing of it is kept
    Timeout,    // a limit ran out (connected or not: see `connected`)
};

struct ExchangeResult {
    ExchangeFailure failure = ExchangeFailure::None;
    bool connected = false; // a connection to the server or proxy was made
    // The last response's header block arrived whole; `status` and `rawHeaders` are
    // valid, and `body` holds what arrived of its body (all of it when `failure` is
    // None, the part before the cut otherwise).
    bool responded = false;
    int status = 0;
    // Status line first, each line ended by "\r\n", an empty line last, as received
    // (bare LF line ends become "\r\n").
    std::string rawHeaders;
    std::string body;
    std::string detail; // the library's own words on a failure, for test messages only

    bool ok() const { return failure == ExchangeFailure::None; }
    // The exchange never got its request to the server: the platform's send call fails.
    bool FailedBeforeSending() const;
    // The body stopped part-way after a complete header block.
    bool BodyCutShort() const { return responded && failure != ExchangeFailure::None; }
};

// One libcurl handle: exchanges run one after another on the same object reuse its
// kept connections. Not for two threads at once.
class HttpExchange {
public:
    HttpExchange();
    ~HttpExchange();
    HttpExchange(const HttpExchange&) = delete;
    HttpExchange& operator=(const HttpExchange&) = delete;

    ExchangeResult Run(const ExchangeRequest& request);

private:
    struct Handle;
    std::unique_ptr<Handle> handle_;
};

// Hands out a body in pieces, as the platform's read calls do.
class BodyCursor {
public:
    BodyCursor() = default;
    BodyCursor(std::string body, bool cutShort) : body_(std::move(body)), cutShort_(cutShort) {}

    std::size_t Remaining() const { return body_.size() - offset_; }
    // Copies up to `size` bytes to `buffer` and moves past them; the count copied.
    std::size_t Read(void* buffer, std::size_t size);
    // Everything was handed out and the body had been cut short: the next read fails.
    bool AtFailure() const { return cutShort_ && Remaining() == 0; }

private:
    std::string body_;
    std::size_t offset_ = 0;
    bool cutShort_ = false;
};

// Empties the process-wide cookie store (tests start from a clean store with it).
void ClearProcessCookieStore();

} // namespace kesmora::platform
