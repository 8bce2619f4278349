// A scripted HTTP/1.x server on 127.0.0.1 (an ephemeral port), plain or over TLS, that
// records the exact bytes of every request and plays the replies a test sets up.
//
//   kesmora::test::LoopbackServer server;                 // or LoopbackServer(certs.Good())
//   server.Enqueue(Reply::Redirect(302, "/next"));        // replies go out in this order,
//   server.Enqueue(Reply::Ok("hello", {"Set-Cookie: a=1"}));  // one per request
//   ... fetch server.Url("/first") ...
//   std::vector<RecordedRequest> seen = server.Requests();
//   EXPECT_EQ(seen[1].Header("Cookie"), "a=1");
//
// When the queue is empty the handler (SetHandler) answers; without one the answer is
// "404 Not Found". Length-framed replies keep the connection for the next request
// unless the request was HTTP/1.0 without "Connection: keep-alive" or asked to close;
// requests carry the number of the connection they came on, so tests can tell a kept
// connection from a new one.
//
// Every wait is bounded: a connection idle for 15 s is dropped, a silent reply holds
// its connection only until the server goes, an endless body stops after 60 s or when
// the client leaves. The destructor stops everything and joins its threads. Writes to
// a closed connection never raise SIGPIPE (it is ignored in the test process).
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kesmora::test {

// A certificate chain file and its key, as made by TestCertificates.
struct TlsIdentity {
    std::string certificateFile;
    std::string keyFile;
};

struct RecordedRequest {
    std::string raw;                     // request line, header lines and body exactly as received
    std::string head;                    // up to and including the empty line
    std::string body;                    // as received (chunked bodies keep their framing)
    std::string method, target, version; // from the request line
    int connection = 0;                  // 1-based number of the connection
    std::string peerAddress;             // the client's address, e.g. "127.0.0.1"

    // Header lines in order, each without its "\r\n".
    std::vector<std::string> HeaderLines() const;
    // Value of the first line with this name (ASCII case ignored), leading blanks
    // removed; empty when absent.
    std::string Header(std::string_view name) const;
    bool HasHeader(std::string_view name) const;
    int CountHeader(std::string_view name) const;
};

// One scripted answer. Header lines are given without "\r\n".
class Reply {
public:
    // "200 OK" with a Content-Length body.
    static Reply Ok(std::string body, std::vector<std::string> headers = {});
    // Any status line tail ("404 Not Found", "302 Found") with a Content-Length body.
    static Reply Status(std::string status, std::vector<std::string> headers, std::string body);
    // 3xx with a Location line and a short body.
    static Reply Redirect(int code, std::string location, std::vector<std::string> headers = {});
    // "200 OK" with "Transfer-Encoding: chunked", one chunk per entry.
    static Reply Chunked(std::vector<std::string> chunks, std::vector<std::string> headers = {});
    // "200 OK" without a length: the body ends when the server closes.
    static Reply CloseDelimited(std::string body, std::vector<std::string> headers = {});
    // Exactly these bytes (any status line, garbage, a huge header block); the
    // connection stays open for the client to decide.
    static Reply Raw(std::string bytes);
    // Exactly these bytes, then the server closes the connection.
    static Reply RawThenClose(std::string bytes);
    // Never answers; the connection stays open until the server goes.
    static Reply Silent();
    // Closes the connection without a byte.
    static Reply CloseWithoutAnswer();
    // Writes these bytes, waits a moment for the client to take them, then resets the
    // connection (RST).
    static Reply ResetAfter(std::string bytes);
    // Writes the first `atOnce` bytes, then the rest one at a time, `interval` apart,
    // then closes.
    static Reply Drip(std::string bytes, std::chrono::milliseconds interval,
                      std::size_t atOnce = 0);
    // "200 OK" without a length, then body bytes without end.
    static Reply EndlessBody(std::vector<std::string> headers = {});

    enum class Framing { Length, Chunked, Close, Raw, RawThenClose, Silent, Reset, Drip, Endless };
    struct Parts {
        Framing framing = Framing::Raw;
        std::string status;
        std::vector<std::string> headers;
        std::string body;
        std::vector<std::string> chunks;
        std::chrono::milliseconds interval{0};
        std::size_t atOnce = 0;
    };
    const Parts& parts() const { return parts_; }

private:
    explicit Reply(Parts parts) : parts_(std::move(parts)) {}
    Parts parts_;
};

class LoopbackServer {
public:
    LoopbackServer();                                // plain HTTP
    explicit LoopbackServer(const TlsIdentity& tls); // HTTPS with this certificate
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // False when the server could not start (no socket, a bad certificate).
    bool ok() const;
    int port() const;
    std::string HostPort() const;                       // "127.0.0.1:port"
    std::string Url(std::string_view path = "/") const; // "http[s]://127.0.0.1:port" + path

    void Enqueue(Reply reply);
    void SetHandler(std::function<Reply(const RecordedRequest&)> handler);
    // Accept connections and do nothing with them (no read, no TLS handshake).
    void HoldAtAccept(bool hold);

    std::vector<RecordedRequest> Requests() const;
    // Waits until at least `count` requests arrived; false after `limit`.
    bool WaitForRequests(std::size_t count, std::chrono::milliseconds limit) const;
    int ConnectionCount() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

} // namespace kesmora::test
