#include "tests/support/loopback_stream.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kesmora::test {

LoopbackStream::LoopbackStream(int fd, int wakeFd, SSL_CTX* tls) : fd_(fd), wakeFd_(wakeFd) {
    if (tls == nullptr)
        return;
    ssl_ = SSL_new(tls);
    if (ssl_ != nullptr)
        SSL_set_fd(ssl_, fd_);
}

LoopbackStream::~LoopbackStream() {
    if (fd_ < 0)
        return;
    if (ssl_ != nullptr) {
        SSL_shutdown(ssl_); // one close_notify; the answer is not awaited
        SSL_free(ssl_);
    }
    close(fd_);
}

LoopbackStream::Ready LoopbackStream::WaitFor(short events, int limitMs) const {
    pollfd fds[2] = {{fd_, events, 0}, {wakeFd_, POLLIN, 0}};
    int n = poll(fds, 2, limitMs);
    if (n < 0 && errno == EINTR)
        return Ready::TimedOut;
    if (n <= 0)
        return n == 0 ? Ready::TimedOut : Ready::Stopped;
    if (fds[1].revents != 0)
        return Ready::Stopped;
    return Ready::Yes;
}

bool LoopbackStream::Pause(int ms) const {
    pollfd wake{wakeFd_, POLLIN, 0};
    return poll(&wake, 1, ms) == 0;
}

bool LoopbackStream::Retry(int sslError, int limitMs) const {
    if (sslError == SSL_ERROR_WANT_READ)
        return WaitFor(POLLIN, limitMs) == Ready::Yes;
    if (sslError == SSL_ERROR_WANT_WRITE)
        return WaitFor(POLLOUT, limitMs) == Ready::Yes;
    return false;
}

bool LoopbackStream::Handshake(int limitMs) {
    if (ssl_ == nullptr)
        return false;
    for (;;) {
        int result = SSL_accept(ssl_);
        if (result == 1)
            return true;
        if (!Retry(SSL_get_error(ssl_, result), limitMs)) {
            ERR_clear_error();
            return false;
        }
    }
}

bool LoopbackStream::ReadSome(std::string& into, int limitMs) {
    char buffer[16384];
    for (;;) {
        if (ssl_ != nullptr) {
            std::size_t got = 0;
            int result = SSL_read_ex(ssl_, buffer, sizeof buffer, &got);
            if (result == 1) {
                into.append(buffer, got);
                return true;
            }
            if (!Retry(SSL_get_error(ssl_, result), limitMs)) {
                ERR_clear_error();
                return false;
            }
            continue;
        }
        ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
        if (got > 0) {
            into.append(buffer, static_cast<std::size_t>(got));
            return true;
        }
        if (got == 0 || (errno != EAGAIN && errno != EINTR))
            return false;
        if (WaitFor(POLLIN, limitMs) != Ready::Yes)
            return false;
    }
}

bool LoopbackStream::Write(std::string_view bytes, int limitMs) {
    while (!bytes.empty()) {
        if (ssl_ != nullptr) {
            std::size_t written = 0;
            int result = SSL_write_ex(ssl_, bytes.data(), bytes.size(), &written);
            if (result == 1) {
                bytes.remove_prefix(written);
                continue;
            }
            if (!Retry(SSL_get_error(ssl_, result), limitMs)) {
                ERR_clear_error();
                return false;
            }
            continue;
        }
        ssize_t written = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        if (WaitFor(POLLOUT, limitMs) != Ready::Yes)
            return false;
    }
    return true;
}

void LoopbackStream::Reset() {
    if (fd_ < 0)
        return;
    linger abort{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    if (ssl_ != nullptr)
        SSL_free(ssl_);
    ssl_ = nullptr;
    close(fd_);
    fd_ = -1;
}

} // namespace kesmora::test
