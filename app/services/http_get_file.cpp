#include "app/services/services.h"
#include "platform/wininet.h"

#include <algorithm>
#include <cstring>

namespace kesmora {

namespace {

using namespace kesmora::platform;

constexpr const char* kSessionAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";
constexpr int kSmallBuffer = 10240;
constexpr int kLargestBuffer = 102400;

// The parts of an address as the connect and request calls take them, unescaped.
struct AddressParts {
    bool secure = false;
    Text host;
    INTERNET_PORT port = 0;
    Text object;
    Text userName;
    Text password;
};

// Control bytes would let an address (tile addresses come from the network) add lines
// of its own to the request; such an address does not split.
bool HasControlBytes(const Text& address) {
    return std::any_of(address.str().begin(), address.str().end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

// "host[:port]" with an optional "[...]" literal; false for an empty host or a port
// that is not a number from 1 to 65535. An empty port keeps the scheme's default.
bool SplitHostPort(const Text& hostPort, AddressParts& parts) {
    const int bracketEnd = Find(hostPort, "]");
    const int colon = FindBackward(hostPort, ":", bracketEnd == -1 ? 1 : bracketEnd);
    parts.host = colon == -1 ? hostPort : Left(hostPort, colon - 1);
    if (parts.host.empty())
        return false;
    if (colon == -1 || colon == hostPort.length())
        return true;
    const Text digits = Middle(hostPort, colon + 1);
    if (digits.length() > 5 || !std::all_of(digits.str().begin(), digits.str().end(),
                                            [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const int port = ToInteger(digits);
    if (port < 1 || port > 65535)
        return false;
    parts.port = static_cast<INTERNET_PORT>(port);
    return true;
}

// Position of the first "/", "?" or "#" after the host, or -1.
int AuthorityEnd(const Text& rest) {
    int end = -1;
    for (const char* mark : {"/", "?", "#"}) {
        const int at = Find(rest, mark);
        if (at != -1 && (end == -1 || at < end))
            end = at;
    }
    return end;
}

// scheme://[user[:password]@]host[:port][/path][?query]. Only http and https split;
// the object path goes out as written, with a "/" in front when it lacks one.
bool SplitAddress(const Text& address, AddressParts& parts) {
    if (address.empty() || HasControlBytes(address))
        return false;
    const int separator = Find(address, "://");
    const Text scheme = ToLower(Left(address, separator - 1));
    if (separator == -1 || (scheme != "http" && scheme != "https"))
        return false;
    parts.secure = scheme == "https";
    parts.port = parts.secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
    const Text rest = Middle(address, scheme.length() + 4);
    const int end = AuthorityEnd(rest);
    Text authority = end == -1 ? rest : Left(rest, end - 1);
    const Text object = end == -1 ? Text() : Middle(rest, end);
    parts.object = StartsWith(object, "/") ? object : "/" + object;
    const int at = FindBackward(authority, "@");
    if (at != -1) {
        const Text userInfo = Left(authority, at - 1);
        const int colon = Find(userInfo, ":");
        parts.userName = colon == -1 ? userInfo : Left(userInfo, colon - 1);
        parts.password = colon == -1 ? Text() : Middle(userInfo, colon + 1);
        authority = Middle(authority, at + 1);
    }
    return SplitHostPort(authority, parts);
}

const char* NullWhenEmpty(const Text& text) {
    return text.empty() ? nullptr : text.c_str();
}

// The one internet handle of the program's file fetches, kept for the life of the
// process so that its connections are reused; a failed open is tried again next call.
HINTERNET Session() {
    static HINTERNET session = 0;
    if (session == 0)
        session = InternetOpenA(kSessionAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    return session;
}

// Content-Length + 1 bytes, bounded; a missing or useless length gives a small buffer.
int ReadBufferSize(HINTERNET request) {
    char lengthText[32] = {};
    DWORD length = sizeof lengthText;
    if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, lengthText, &length, nullptr))
        return kSmallBuffer;
    const long long contentLength = ToInteger(Text(lengthText, sizeof lengthText));
    if (contentLength <= 0)
        return kSmallBuffer;
    if (contentLength + 1 > kLargestBuffer)
        return kLargestBuffer;
    return static_cast<int>(contentLength + 1);
}

Bytes ReadAll(HINTERNET request, int bufferSize) {
    Bytes body;
    std::string buffer(static_cast<std::size_t>(bufferSize), '\0');
    for (;;) {
        DWORD read = 0;
        const bool ok =
            InternetReadFile(request, buffer.data(), static_cast<DWORD>(bufferSize), &read);
        body.append(buffer.data(), std::min<std::size_t>(read, buffer.size()));
        if (!ok || read == 0)
            break;
    }
    return body;
}

Bytes Fetch(HINTERNET connection, const AddressParts& parts) {
    const char* acceptTypes[] = {"Accept: */* \r\n", nullptr};
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
    if (parts.secure)
        flags |= INTERNET_FLAG_SECURE;
    const HINTERNET request = HttpOpenRequestA(connection, "GET", parts.object.c_str(), "HTTP/1.0",
                                               nullptr, acceptTypes, flags, 0);
    if (request == 0)
        return Bytes();
    const char* headers = "Accept: */*\r\n\r\n";
    Bytes body;
    if (HttpSendRequestA(request, headers, static_cast<DWORD>(std::strlen(headers)), nullptr, 0))
        body = ReadAll(request, ReadBufferSize(request));
    InternetCloseHandle(request);
    return body;
}

} // namespace

Bytes HttpGetFile(const Text& address) {
    const HINTERNET session = Session();
    if (session == 0)
        return Bytes();
    AddressParts parts;
    if (!SplitAddress(address, parts))
        return Bytes();
    const HINTERNET connection =
        InternetConnectA(session, parts.host.c_str(), parts.port, NullWhenEmpty(parts.userName),
                         NullWhenEmpty(parts.password), INTERNET_SERVICE_HTTP, 0, 0);
    if (connection == 0)
        return Bytes();
    Bytes body = Fetch(connection, parts);
    InternetCloseHandle(connection);
    return body;
}

} // namespace kesmora
