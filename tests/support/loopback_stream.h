// One accepted connection of the loopback server, plain or TLS, with every wait bounded
// and cut short when the server stops (its wake descriptor becomes readable).
#pragma once

#include <string>
#include <string_view>

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;

namespace kesmora::test {

class LoopbackStream {
public:
    // Takes `fd` over; `tls` null for plain TCP.
    LoopbackStream(int fd, int wakeFd, SSL_CTX* tls);
    ~LoopbackStream(); // closes gracefully (TLS close_notify) unless reset
    LoopbackStream(const LoopbackStream&) = delete;
    LoopbackStream& operator=(const LoopbackStream&) = delete;

    bool Handshake(int limitMs);
    // Appends what arrives within `limitMs` to `into`; false on end, error, time-out or
    // stop.
    bool ReadSome(std::string& into, int limitMs);
    bool Write(std::string_view bytes, int limitMs);
    // Closes at once with a TCP reset.
    void Reset();
    // Waits `ms` milliseconds; false when the server stops first.
    bool Pause(int ms) const;

private:
    enum class Ready { Yes, TimedOut, Stopped };
    Ready WaitFor(short events, int limitMs) const;
    bool Retry(int sslError, int limitMs) const;

    int fd_ = -1;
    int wakeFd_ = -1;
    SSL* ssl_ = nullptr;
};

} // namespace kesmora::test
