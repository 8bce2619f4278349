#include "tests/support/loopback_server.h"

#include "tests/support/loopback_stream.h"

#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>

namespace kesmora::test {

namespace {

constexpr int kIdleMs = 15000;                         // a client that says nothing is dropped
constexpr std::size_t kMaxHead = 1 << 20;              // request line and headers
constexpr std::size_t kMaxBody = 16u << 20;            // request body
constexpr int kHoldMs = 120000;                        // silent replies, held connections
constexpr auto kEndlessFor = std::chrono::seconds(60); // endless bodies

} // namespace

struct LoopbackServer::State {
    int listenFd = -1;
    int wakeRead = -1;
    int wakeWrite = -1;
    int port = 0;
    SSL_CTX* tls = nullptr;

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::deque<Reply> queue;
    std::function<Reply(const RecordedRequest&)> handler;
    bool holdAtAccept = false;
    std::vector<RecordedRequest> requests;
    int connections = 0;

    std::atomic<bool> stopping{false};
    std::thread acceptor;
    std::vector<std::thread> workers; // touched by the acceptor, then by the destructor
};

namespace {

using State = LoopbackServer::State;

bool HeaderNameIs(std::string_view line, std::string_view name) {
    return line.size() > name.size() && line[name.size()] == ':' &&
           strncasecmp(line.data(), name.data(), name.size()) == 0;
}

bool HasHeaderLine(const std::vector<std::string>& headers, std::string_view name) {
    for (const std::string& line : headers)
        if (HeaderNameIs(line, name))
            return true;
    return false;
}

bool ParseRequestLine(RecordedRequest& request) {
    std::string line = request.head.substr(0, request.head.find("\r\n"));
    std::size_t first = line.find(' ');
    std::size_t last = line.rfind(' ');
    if (first == std::string::npos || last == first)
        return false;
    request.method = line.substr(0, first);
    request.target = line.substr(first + 1, last - first - 1);
    request.version = line.substr(last + 1);
    return true;
}

// Makes `pending` hold at least `size` bytes.
bool Fill(LoopbackStream& stream, std::string& pending, std::size_t size) {
    while (pending.size() < size)
        if (!stream.ReadSome(pending, kIdleMs))
            return false;
    return true;
}

// Makes `pending` hold `marker` at or after `from`; its position, or npos.
std::size_t FillUntil(LoopbackStream& stream, std::string& pending, std::string_view marker,
                      std::size_t from, std::size_t limit) {
    for (;;) {
        std::size_t at = pending.find(marker, from);
        if (at != std::string::npos)
            return at;
        if (pending.size() > limit || !stream.ReadSome(pending, kIdleMs))
            return std::string::npos;
    }
}

// Length of a chunked body at the start of `pending`, framing included; 0 on failure.
std::size_t ReadChunked(LoopbackStream& stream, std::string& pending) {
    std::size_t at = 0;
    for (;;) {
        std::size_t lineEnd = FillUntil(stream, pending, "\r\n", at, kMaxBody);
        if (lineEnd == std::string::npos)
            return 0;
        unsigned long size = std::strtoul(pending.c_str() + at, nullptr, 16);
        if (size > kMaxBody)
            return 0;
        at = lineEnd + 2;
        if (size == 0)
            break;
        if (!Fill(stream, pending, at + size + 2))
            return 0;
        at += size + 2;
    }
    // Trailer lines, then the empty line.
    for (;;) {
        std::size_t lineEnd = FillUntil(stream, pending, "\r\n", at, kMaxBody);
        if (lineEnd == std::string::npos)
            return 0;
        bool empty = lineEnd == at;
        at = lineEnd + 2;
        if (empty)
            return at;
    }
}

bool ReadRequest(LoopbackStream& stream, std::string& pending, RecordedRequest& request) {
    std::size_t end = FillUntil(stream, pending, "\r\n\r\n", 0, kMaxHead);
    if (end == std::string::npos)
        return false;
    request.head = pending.substr(0, end + 4);
    pending.erase(0, end + 4);
    if (!ParseRequestLine(request))
        return false;
    std::size_t bodySize = 0;
    if (strcasecmp(request.Header("Transfer-Encoding").c_str(), "chunked") == 0) {
        bodySize = ReadChunked(stream, pending);
        if (bodySize == 0)
            return false;
    } else {
        std::string length = request.Header("Content-Length");
        bodySize = length.empty() ? 0 : std::strtoull(length.c_str(), nullptr, 10);
        if (bodySize > kMaxBody || !Fill(stream, pending, bodySize))
            return false;
    }
    request.body = pending.substr(0, bodySize);
    pending.erase(0, bodySize);
    request.raw = request.head + request.body;
    return true;
}

bool WantsClose(const RecordedRequest& request) {
    std::string connection = request.Header("Connection");
    if (strcasecmp(connection.c_str(), "close") == 0)
        return true;
    return request.version == "HTTP/1.0" && strcasecmp(connection.c_str(), "keep-alive") != 0;
}

std::string Head(const Reply::Parts& parts, const std::vector<std::string>& extra) {
    std::string head = "HTTP/1.1 " + parts.status + "\r\n";
    for (const std::string& line : parts.headers)
        head += line + "\r\n";
    for (const std::string& line : extra)
        head += line + "\r\n";
    return head + "\r\n";
}

std::string HexSize(std::size_t n) {
    char text[32];
    snprintf(text, sizeof text, "%zx", n);
    return text;
}

// Plays a length-framed or chunked reply; true when the connection stays for another
// request.
bool PlayFramed(LoopbackStream& stream, const Reply::Parts& parts, const RecordedRequest& request) {
    bool close = WantsClose(request);
    bool head = request.method == "HEAD";
    std::vector<std::string> extra;
    std::string body;
    if (parts.framing == Reply::Framing::Length) {
        if (!HasHeaderLine(parts.headers, "Content-Length"))
            extra.push_back("Content-Length: " + std::to_string(parts.body.size()));
        body = parts.body;
    } else {
        extra.push_back("Transfer-Encoding: chunked");
        for (const std::string& chunk : parts.chunks)
            body += HexSize(chunk.size()) + "\r\n" + chunk + "\r\n";
        body += "0\r\n\r\n";
    }
    if (!HasHeaderLine(parts.headers, "Connection")) {
        if (close)
            extra.push_back("Connection: close");
        else if (request.version == "HTTP/1.0")
            extra.push_back("Connection: keep-alive");
    }
    std::string bytes = Head(parts, extra) + (head ? std::string() : body);
    return stream.Write(bytes, kIdleMs) && !close;
}

bool PlayEndless(LoopbackStream& stream, const Reply::Parts& parts) {
    if (!stream.Write(Head(parts, {"Connection: close"}), kIdleMs))
        return false;
    std::string piece(16384, 'x');
    auto until = std::chrono::steady_clock::now() + kEndlessFor;
    while (std::chrono::steady_clock::now() < until)
        if (!stream.Write(piece, 1000))
            break;
    return false;
}

bool PlayDrip(LoopbackStream& stream, const Reply::Parts& parts) {
    std::string_view bytes = parts.body;
    std::size_t atOnce = std::min(parts.atOnce, bytes.size());
    if (!stream.Write(bytes.substr(0, atOnce), kIdleMs))
        return false;
    for (char byte : bytes.substr(atOnce)) {
        if (!stream.Write(std::string_view(&byte, 1), kIdleMs))
            return false;
        if (!stream.Pause(static_cast<int>(parts.interval.count())))
            return false;
    }
    return false;
}

// Plays one reply; true when the connection stays for another request.
bool Play(LoopbackStream& stream, const Reply& reply, const RecordedRequest& request) {
    const Reply::Parts& parts = reply.parts();
    switch (parts.framing) {
    case Reply::Framing::Length:
    case Reply::Framing::Chunked:
        return PlayFramed(stream, parts, request);
    case Reply::Framing::Close:
        stream.Write(Head(parts, {"Connection: close"}) + parts.body, kIdleMs);
        return false;
    case Reply::Framing::Raw:
        return stream.Write(parts.body, kIdleMs);
    case Reply::Framing::RawThenClose:
        stream.Write(parts.body, kIdleMs);
        return false;
    case Reply::Framing::Silent:
        stream.Pause(kHoldMs);
        return false;
    case Reply::Framing::Reset:
        if (stream.Write(parts.body, kIdleMs) && stream.Pause(300))
            stream.Reset();
        return false;
    case Reply::Framing::Drip:
        return PlayDrip(stream, parts);
    case Reply::Framing::Endless:
        return PlayEndless(stream, parts);
    }
    return false;
}

Reply NextReply(State& state, const RecordedRequest& request) {
    std::function<Reply(const RecordedRequest&)> handler;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (!state.queue.empty()) {
            Reply reply = std::move(state.queue.front());
            state.queue.pop_front();
            return reply;
        }
        handler = state.handler;
    }
    if (handler)
        return handler(request);
    return Reply::Status("404 Not Found", {}, "no reply scripted");
}

void Serve(State& state, int fd, int number, std::string peer) {
    LoopbackStream stream(fd, state.wakeRead, state.tls);
    bool hold = false;
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        hold = state.holdAtAccept;
    }
    if (hold) {
        stream.Pause(kHoldMs);
        return;
    }
    if (state.tls != nullptr && !stream.Handshake(kIdleMs))
        return;
    std::string pending;
    for (;;) {
        RecordedRequest request;
        if (!ReadRequest(stream, pending, request))
            return;
        request.connection = number;
        request.peerAddress = peer;
        {
            std::lock_guard<std::mutex> lock(state.mutex);
            state.requests.push_back(request);
        }
        state.changed.notify_all();
        if (!Play(stream, NextReply(state, request), request))
            return;
    }
}

void Accept(State& state) {
    while (!state.stopping) {
        pollfd fds[2] = {{state.listenFd, POLLIN, 0}, {state.wakeRead, POLLIN, 0}};
        if (poll(fds, 2, 1000) <= 0 || fds[1].revents != 0)
            continue;
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        int fd = accept4(state.listenFd, reinterpret_cast<sockaddr*>(&peer), &length,
                         SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            continue;
        char address[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &peer.sin_addr, address, sizeof address);
        int number = 0;
        {
            std::lock_guard<std::mutex> lock(state.mutex);
            number = ++state.connections;
        }
        state.workers.emplace_back(Serve, std::ref(state), fd, number, std::string(address));
    }
}

bool Listen(State& state) {
    state.listenFd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (state.listenFd < 0)
        return false;
    int on = 1;
    setsockopt(state.listenFd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(state.listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(state.listenFd, 64) != 0 ||
        getsockname(state.listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return false;
    state.port = ntohs(address.sin_port);
    return true;
}

SSL_CTX* MakeTlsContext(const TlsIdentity& identity) {
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (context == nullptr)
        return nullptr;
    SSL_CTX_set_mode(context, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    if (SSL_CTX_use_certificate_chain_file(context, identity.certificateFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(context, identity.keyFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(context) != 1) {
        SSL_CTX_free(context);
        return nullptr;
    }
    return context;
}

void Start(State& state) {
    std::signal(SIGPIPE, SIG_IGN);
    int wake[2];
    if (pipe2(wake, O_CLOEXEC) != 0)
        return;
    state.wakeRead = wake[0];
    state.wakeWrite = wake[1];
    if (!Listen(state)) {
        state.port = 0;
        return;
    }
    state.acceptor = std::thread(Accept, std::ref(state));
}

} // namespace

LoopbackServer::LoopbackServer() : state_(std::make_shared<State>()) {
    Start(*state_);
}

LoopbackServer::LoopbackServer(const TlsIdentity& tls) : state_(std::make_shared<State>()) {
    state_->tls = MakeTlsContext(tls);
    if (state_->tls != nullptr)
        Start(*state_);
}

LoopbackServer::~LoopbackServer() {
    State& state = *state_;
    state.stopping = true;
    if (state.wakeWrite >= 0) {
        char byte = 1;
        ssize_t ignored = write(state.wakeWrite, &byte, 1);
        (void)ignored;
    }
    if (state.acceptor.joinable())
        state.acceptor.join();
    for (std::thread& worker : state.workers)
        worker.join();
    for (int fd : {state.listenFd, state.wakeRead, state.wakeWrite})
        if (fd >= 0)
            close(fd);
    if (state.tls != nullptr)
        SSL_CTX_free(state.tls);
}

bool LoopbackServer::ok() const {
    return state_->port != 0;
}
int LoopbackServer::port() const {
    return state_->port;
}

std::string LoopbackServer::HostPort() const {
    return "127.0.0.1:" + std::to_string(state_->port);
}

std::string LoopbackServer::Url(std::string_view path) const {
    return std::string(state_->tls != nullptr ? "https://" : "http://") + HostPort() +
           std::string(path);
}

void LoopbackServer::Enqueue(Reply reply) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->queue.push_back(std::move(reply));
}

void LoopbackServer::SetHandler(std::function<Reply(const RecordedRequest&)> handler) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->handler = std::move(handler);
}

void LoopbackServer::HoldAtAccept(bool hold) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->holdAtAccept = hold;
}

std::vector<RecordedRequest> LoopbackServer::Requests() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->requests;
}

bool LoopbackServer::WaitForRequests(std::size_t count, std::chrono::milliseconds limit) const {
    std::unique_lock<std::mutex> lock(state_->mutex);
    return state_->changed.wait_for(lock, limit, [&] { return state_->requests.size() >= count; });
}

int LoopbackServer::ConnectionCount() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->connections;
}

} // namespace kesmora::test
