#include "inet/inet.h"
#include "platform/wininet.h"

#include <algorithm>
#include <string>
#include <vector>

namespace kesmora {

namespace {

using namespace kesmora::platform;

// Room the response header query gets: the block is kept only when it fits with its
// terminating zero; otherwise the caller sees the untouched spaces.
constexpr DWORD kHeaderBufferSize = 5000;
constexpr DWORD kReadChunk = 1024;
constexpr std::size_t kBlockSize = 64 * 1024;

// The proxy list of InternetOpenA: a SOCKS entry whatever the scheme, a bare entry for
// HTTPS, an "http=" entry for plain HTTP.
Text ProxyList(const Text& proxy, bool socksProxy, bool secure) {
    if (socksProxy)
        return "SOCKS=" + proxy;
    if (secure)
        return proxy;
    return "http=" + proxy;
}

HINTERNET OpenInternet(const Text& agent, const Text& proxy, bool socksProxy, bool secure) {
    const char* agentOrNone = agent.empty() ? nullptr : agent.c_str();
    if (proxy.empty())
        return InternetOpenA(agentOrNone, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    const Text list = ProxyList(proxy, socksProxy, secure);
    return InternetOpenA(agentOrNone, INTERNET_OPEN_TYPE_PROXY, list.c_str(), "", 0);
}

DWORD RequestFlags(bool cookiesSupplied, bool noRedirect, bool secure) {
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NEED_FILE;
    if (cookiesSupplied)
        flags |= INTERNET_FLAG_NO_COOKIES;
    if (noRedirect)
        flags |= INTERNET_FLAG_NO_AUTO_REDIRECT;
    flags |= secure ? INTERNET_FLAG_SECURE : INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
    return flags;
}

// GET sends the headers alone. Other verbs send the body bytes, which take the bytes
// of bodyText when empty; the caller's variable sees that replacement.
void SendRequest(HINTERNET request, const Text& headers, int verbIndex, const Text& bodyText,
                 Bytes& body) {
    const char* headerBytes = headers.empty() ? nullptr : headers.c_str();
    const DWORD headerLength = static_cast<DWORD>(headers.size());
    if (verbIndex == 0) {
        HttpSendRequestA(request, headerBytes, headerLength, nullptr, 0);
        return;
    }
    if (body.empty())
        body = ToBytes(bodyText);
    HttpSendRequestA(request, headerBytes, headerLength, body.dataOrNull(),
                     static_cast<DWORD>(body.size()));
}

// Reads until a read reports no bytes; a failed read reports none and so keeps what
// came before it. Pieces gather in blocks that the heap reuses, and the body is put
// together once at its final size: a growing buffer would touch fresh memory about
// twice the body's size on a large one.
Bytes ReadBody(HINTERNET request) {
    std::vector<std::string> blocks;
    std::size_t total = 0;
    char chunk[kReadChunk];
    for (;;) {
        DWORD read = 0;
        InternetReadFile(request, chunk, kReadChunk, &read);
        if (read == 0)
            break;
        read = std::min(read, kReadChunk);
        if (blocks.empty() || blocks.back().size() + read > kBlockSize) {
            blocks.emplace_back();
            blocks.back().reserve(kBlockSize);
        }
        blocks.back().append(chunk, read);
        total += read;
    }
    std::string body;
    body.reserve(total);
    for (const std::string& block : blocks)
        body += block;
    return Bytes(std::move(body));
}

Text QueryRawHeaders(HINTERNET request) {
    std::string buffer(kHeaderBufferSize, ' ');
    DWORD length = kHeaderBufferSize;
    HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &length, nullptr);
    return Text(buffer.data(), buffer.size());
}

} // namespace

Bytes InetFetch(const Text& url, int method, const Text& bodyText, Text* cookies,
                Text* receivedCookies, const Text& extraHeaders, Text* responseHeaders,
                bool noRedirect, Bytes* bodyBytes, const Text& proxy,
                std::optional<bool> mergeCookies, std::optional<bool> completeHeaders,
                std::optional<bool> fixHeaderCase, bool socksProxy) {
    const bool merge = mergeCookies.value_or(true);
    const bool complete = completeHeaders.value_or(true);
    const bool fixCase = fixHeaderCase.value_or(true);

    Text headers = fixCase ? NormalizeHeaderNames(extraHeaders) : extraHeaders;

    const int verbIndex = ClampMethod(method);
    const Text verb = RequestVerb(verbIndex);

    const bool secure = Left(ToLower(url), 8) == "https://";

    const HINTERNET internet = OpenInternet(RequestAgent(headers), proxy, socksProxy, secure);
    if (internet == 0)
        return Bytes();

    const HINTERNET connect =
        InternetConnectA(internet, UrlHost(url).c_str(), static_cast<INTERNET_PORT>(UrlPort(url)),
                         nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (connect == 0) {
        InternetCloseHandle(internet);
        return Bytes();
    }

    const DWORD flags = RequestFlags(cookies != nullptr, noRedirect, secure);
    const HINTERNET request = HttpOpenRequestA(connect, verb.c_str(), UrlPath(url).c_str(),
                                               "HTTP/1.1", nullptr, nullptr, flags, 0);
    if (request == 0) {
        InternetCloseHandle(connect);
        InternetCloseHandle(internet);
        return Bytes();
    }

    // No INTERNET_OPTION_SECURITY_FLAGS here: ignoring certificate errors would hand
    // content that was never authenticated on to the script engine and the browser.
    // A certificate that does not verify fails the send and the result is empty.

    if (complete)
        headers = CompleteRequestHeaders(headers, url, verbIndex);
    headers = AddCookieHeader(headers, cookies != nullptr ? *cookies : Text());
    Bytes ownBody;
    SendRequest(request, headers, verbIndex, bodyText, bodyBytes != nullptr ? *bodyBytes : ownBody);

    Bytes body = ReadBody(request);

    const Text rawHeaders = QueryRawHeaders(request);
    if (responseHeaders != nullptr)
        *responseHeaders = rawHeaders;

    InternetCloseHandle(request);
    InternetCloseHandle(connect);
    InternetCloseHandle(internet);

    Text received = CollectSetCookies(rawHeaders);
    if (merge && cookies != nullptr)
        received = MergeCookies(*cookies, received);
    if (receivedCookies != nullptr)
        *receivedCookies = received;

    return body;
}

} // namespace kesmora
