// WinInet-style handles over the exchange engine. An internet handle owns one engine
// object, so that every request made under it (the long-lived session of the file
// fetch) reuses its kept connection; the exchange itself runs in HttpSendRequestA and
// the later calls hand out what it gave.
#include "platform/wininet.h"

#include "platform/http_exchange.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <strings.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kesmora::platform {

namespace {

struct ProxyEntry {
    ProxyKind kind = ProxyKind::None;
    std::string host;
    std::uint16_t port = 0;
};

// The proxy list of a proxy handle, one entry per scheme it names.
struct ProxyList {
    ProxyEntry http, https, bare, socks;
};

struct Session {
    std::string agent;
    ProxyList proxies;
    std::mutex running; // requests under one internet handle take turns on its engine
    HttpExchange exchange;
};

struct Connection {
    std::shared_ptr<Session> session;
    std::string host;
    INTERNET_PORT port = 0;
    std::string user, password;
};

struct Request {
    std::shared_ptr<Connection> connection;
    std::string verb, object;
    HttpVersion version = HttpVersion::Http11;
    std::vector<std::string> ownLines; // agent, referrer and accept lines of the handle
    DWORD flags = 0;
    bool sent = false;
    ExchangeResult result;
    BodyCursor body;
};

struct Object {
    std::shared_ptr<Session> session;
    std::shared_ptr<Connection> connection;
    std::shared_ptr<Request> request;
};

class HandleTable {
public:
    HINTERNET Add(Object object) {
        std::lock_guard<std::mutex> lock(mutex_);
        HINTERNET handle = next_;
        next_ += 4;
        objects_.emplace(handle, std::move(object));
        return handle;
    }
    Object Find(HINTERNET handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = objects_.find(handle);
        return found == objects_.end() ? Object{} : found->second;
    }
    bool Remove(HINTERNET handle) {
        std::lock_guard<std::mutex> lock(mutex_);
        return objects_.erase(handle) > 0;
    }

private:
    std::mutex mutex_;
    std::unordered_map<HINTERNET, Object> objects_;
    HINTERNET next_ = 0xC0;
};

HandleTable& Handles() {
    static HandleTable table;
    return table;
}

std::string OrEmpty(const char* text) {
    return text != nullptr ? text : "";
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    return strncasecmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

// "host:port", "scheme://host:port" or "[v6]:port"; a missing port gives `defaultPort`.
ProxyEntry ParseProxyAddress(std::string address, ProxyKind kind, std::uint16_t defaultPort) {
    std::size_t scheme = address.find("://");
    if (scheme != std::string::npos)
        address.erase(0, scheme + 3);
    ProxyEntry entry{kind, address, 0};
    std::size_t portAt = std::string::npos;
    if (!address.empty() && address.front() == '[') {
        std::size_t close = address.find(']');
        entry.host = address.substr(1, close == std::string::npos ? close : close - 1);
        if (close != std::string::npos && close + 1 < address.size() && address[close + 1] == ':')
            portAt = close + 2;
    } else if (std::count(address.begin(), address.end(), ':') == 1) {
        std::size_t colon = address.find(':');
        entry.host = address.substr(0, colon);
        portAt = colon + 1;
    }
    if (portAt != std::string::npos)
        entry.port = static_cast<std::uint16_t>(std::atoi(address.c_str() + portAt));
    if (entry.port == 0)
        entry.port = defaultPort;
    return entry;
}

// Entries are separated by spaces or ";": "http=h:p", "https=h:p", "SOCKS=h:p", "h:p".
bool ParseProxyList(const std::string& list, ProxyList& out) {
    std::size_t start = 0;
    bool any = false;
    while (start < list.size()) {
        std::size_t end = list.find_first_of(" ;", start);
        if (end == std::string::npos)
            end = list.size();
        std::string item = list.substr(start, end - start);
        start = end + 1;
        if (item.empty())
            continue;
        any = true;
        std::size_t equals = item.find('=');
        std::string value = equals == std::string::npos ? item : item.substr(equals + 1);
        if (equals == std::string::npos)
            out.bare = ParseProxyAddress(value, ProxyKind::Http, 80);
        else if (StartsWithNoCase(item, "http="))
            out.http = ParseProxyAddress(value, ProxyKind::Http, 80);
        else if (StartsWithNoCase(item, "https="))
            out.https = ParseProxyAddress(value, ProxyKind::Http, 80);
        else if (StartsWithNoCase(item, "socks="))
            out.socks = ParseProxyAddress(value, ProxyKind::Socks5, 1080);
    }
    return any;
}

HttpProxy ProxyFor(const ProxyList& list, bool secure) {
    for (const ProxyEntry* entry : {secure ? &list.https : &list.http, &list.bare, &list.socks})
        if (entry->kind != ProxyKind::None && !entry->host.empty())
            return HttpProxy{entry->kind, entry->host, entry->port, {}, {}};
    return {};
}

std::string HeaderName(const std::string& line) {
    std::size_t colon = line.find(':');
    return colon == std::string::npos ? std::string() : line.substr(0, colon);
}

bool SameName(const std::string& a, const std::string& b) {
    return !a.empty() && a.size() == b.size() && strcasecmp(a.c_str(), b.c_str()) == 0;
}

// The handle's own lines, less those the caller's block replaces, then the block.
std::string ComposeHeaders(const Request& request, const std::string& block) {
    std::vector<std::string> blockNames;
    for (std::size_t start = 0; start < block.size();) {
        std::size_t end = std::min(block.find('\n', start), block.size());
        blockNames.push_back(HeaderName(block.substr(start, end - start)));
        start = end + 1;
    }
    std::string headers;
    for (const std::string& line : request.ownLines) {
        std::string name = HeaderName(line);
        bool replaced = std::any_of(blockNames.begin(), blockNames.end(),
                                    [&](const std::string& n) { return SameName(n, name); });
        if (!replaced)
            headers += line + "\r\n";
    }
    return headers + block;
}

std::string AcceptLine(const char** acceptTypes) {
    std::string types;
    for (const char** type = acceptTypes; type != nullptr && *type != nullptr; ++type) {
        std::string value = *type;
        value.erase(std::remove_if(value.begin(), value.end(),
                                   [](char c) { return c == '\r' || c == '\n'; }),
                    value.end());
        while (!value.empty() && value.back() == ' ')
            value.pop_back();
        if (!value.empty())
            types += (types.empty() ? "" : ", ") + value;
    }
    return types.empty() ? std::string() : "Accept: " + types;
}

ExchangeRequest BuildExchange(const Request& request, std::string headers, std::string body) {
    const Connection& connection = *request.connection;
    ExchangeRequest exchange;
    exchange.verb = request.verb;
    exchange.secure = (request.flags & INTERNET_FLAG_SECURE) != 0;
    exchange.host = connection.host;
    exchange.port = connection.port;
    exchange.path = request.object;
    exchange.version = request.version;
    exchange.headers = std::move(headers);
    exchange.body = std::move(body);
    exchange.proxy = ProxyFor(connection.session->proxies, exchange.secure);
    if (!connection.user.empty()) {
        exchange.user = connection.user;
        exchange.password = connection.password;
    }
    exchange.followRedirects = (request.flags & INTERNET_FLAG_NO_AUTO_REDIRECT) == 0;
    exchange.cookies = (request.flags & INTERNET_FLAG_NO_COOKIES) != 0 ? CookieMode::Off
                                                                       : CookieMode::ProcessStore;
    return exchange;
}

// The value of the first header line named `name` in a raw block; false when absent.
bool HeaderValue(const std::string& block, const char* name, std::string& value) {
    std::size_t start = block.find("\r\n");
    while (start != std::string::npos && start + 2 < block.size()) {
        start += 2;
        std::size_t end = block.find("\r\n", start);
        std::string line = block.substr(start, end - start);
        if (SameName(HeaderName(line), name)) {
            std::size_t first = line.find_first_not_of(" \t", std::strlen(name) + 1);
            std::size_t last = line.find_last_not_of(" \t");
            value = first == std::string::npos ? "" : line.substr(first, last - first + 1);
            return true;
        }
        start = end;
    }
    return false;
}

} // namespace

HINTERNET InternetOpenA(const char* agent, DWORD accessType, const char* proxy,
                        const char* /*proxyBypass*/, DWORD /*flags*/) {
    auto session = std::make_shared<Session>();
    session->agent = OrEmpty(agent);
    if (accessType == INTERNET_OPEN_TYPE_PROXY) {
        if (!ParseProxyList(OrEmpty(proxy), session->proxies))
            return 0;
    } else if (accessType != INTERNET_OPEN_TYPE_DIRECT) {
        return 0;
    }
    return Handles().Add(Object{session, nullptr, nullptr});
}

HINTERNET InternetConnectA(HINTERNET internet, const char* serverName, INTERNET_PORT serverPort,
                           const char* userName, const char* password, DWORD service,
                           DWORD /*flags*/, DWORD_PTR /*context*/) {
    Object parent = Handles().Find(internet);
    if (parent.session == nullptr || parent.connection != nullptr ||
        service != INTERNET_SERVICE_HTTP || OrEmpty(serverName).empty())
        return 0;
    auto connection = std::make_shared<Connection>();
    connection->session = parent.session;
    connection->host = serverName;
    connection->port = serverPort;
    connection->user = OrEmpty(userName);
    connection->password = OrEmpty(password);
    return Handles().Add(Object{nullptr, connection, nullptr});
}

HINTERNET HttpOpenRequestA(HINTERNET connect, const char* verb, const char* objectName,
                           const char* version, const char* referrer, const char** acceptTypes,
                           DWORD flags, DWORD_PTR /*context*/) {
    Object parent = Handles().Find(connect);
    if (parent.connection == nullptr || parent.request != nullptr)
        return 0;
    auto request = std::make_shared<Request>();
    request->connection = parent.connection;
    request->verb = OrEmpty(verb).empty() ? "GET" : verb;
    request->object = OrEmpty(objectName).empty() ? "/" : objectName;
    request->version = OrEmpty(version) == "HTTP/1.0" ? HttpVersion::Http10 : HttpVersion::Http11;
    request->flags = flags;
    const std::string& agent = parent.connection->session->agent;
    if (!agent.empty())
        request->ownLines.push_back("User-Agent: " + agent);
    if (!OrEmpty(referrer).empty())
        request->ownLines.push_back("Referer: " + OrEmpty(referrer));
    std::string accept = AcceptLine(acceptTypes);
    if (!accept.empty())
        request->ownLines.push_back(accept);
    return Handles().Add(Object{nullptr, nullptr, request});
}

bool InternetSetOptionA(HINTERNET handle, DWORD option, const void* buffer, DWORD bufferLength) {
    Object object = Handles().Find(handle);
    if (object.session == nullptr && object.connection == nullptr && object.request == nullptr)
        return false;
    // Taken and ignored: certificate errors are never waved through.
    return option == INTERNET_OPTION_SECURITY_FLAGS && buffer != nullptr && bufferLength == 4;
}

bool HttpSendRequestA(HINTERNET request, const char* headers, DWORD headersLength,
                      const void* optional, DWORD optionalLength) {
    std::shared_ptr<Request> r = Handles().Find(request).request;
    if (r == nullptr)
        return false;
    std::string block;
    if (headers != nullptr)
        block = headersLength == static_cast<DWORD>(-1) ? std::string(headers)
                                                        : std::string(headers, headersLength);
    std::string body;
    if (optional != nullptr && optionalLength > 0)
        body.assign(static_cast<const char*>(optional), optionalLength);
    ExchangeRequest exchange = BuildExchange(*r, ComposeHeaders(*r, block), std::move(body));
    Session& session = *r->connection->session;
    {
        std::lock_guard<std::mutex> lock(session.running);
        r->result = session.exchange.Run(exchange);
    }
    r->sent = true;
    const bool cutShort = r->result.BodyCutShort();
    r->body = BodyCursor(std::move(r->result.body), cutShort); // the cursor owns the body now
    return r->result.responded;
}

bool InternetReadFile(HINTERNET request, void* buffer, DWORD numberOfBytesToRead,
                      DWORD* numberOfBytesRead) {
    if (numberOfBytesRead == nullptr)
        return false;
    *numberOfBytesRead = 0;
    std::shared_ptr<Request> r = Handles().Find(request).request;
    if (r == nullptr || !r->sent || !r->result.responded ||
        (buffer == nullptr && numberOfBytesToRead > 0))
        return false;
    *numberOfBytesRead = static_cast<DWORD>(r->body.Read(buffer, numberOfBytesToRead));
    return *numberOfBytesRead > 0 || !r->body.AtFailure();
}

bool HttpQueryInfoA(HINTERNET request, DWORD infoLevel, void* buffer, DWORD* bufferLength,
                    DWORD* /*index*/) {
    std::shared_ptr<Request> r = Handles().Find(request).request;
    if (r == nullptr || bufferLength == nullptr || !r->result.responded)
        return false;
    std::string text;
    if (infoLevel == HTTP_QUERY_RAW_HEADERS_CRLF)
        text = r->result.rawHeaders;
    else if (infoLevel != HTTP_QUERY_CONTENT_LENGTH ||
             !HeaderValue(r->result.rawHeaders, "Content-Length", text))
        return false;
    if (buffer == nullptr || *bufferLength < text.size() + 1) {
        *bufferLength = static_cast<DWORD>(text.size() + 1);
        return false;
    }
    std::memcpy(buffer, text.data(), text.size());
    static_cast<char*>(buffer)[text.size()] = '\0';
    *bufferLength = static_cast<DWORD>(text.size());
    return true;
}

bool InternetCloseHandle(HINTERNET handle) {
    return handle != 0 && Handles().Remove(handle);
}

} // namespace kesmora::platform
