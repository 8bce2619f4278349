#include "platform/winhttp.h"

#include "platform/code_page.h"
#include "platform/http_exchange.h"
#include "platform/winhttp_internal.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string_view>
#include <variant>
#include <vector>

namespace kesmora::platform {
namespace {

using winhttp_detail::AppendHeaderLines;
using winhttp_detail::ChooseProxyEntry;
using winhttp_detail::IsTokenChar;
using winhttp_detail::ParseProxyList;
using winhttp_detail::ProxyEntry;

struct Session {
    std::vector<ProxyEntry> proxies;
    std::optional<std::string> agent;
    ExchangeLimits limits;
    HttpExchange exchange;
};

struct Connection {
    std::shared_ptr<Session> session;
    std::string host;
    std::uint16_t port = 0;
};

struct Request {
    std::shared_ptr<Connection> connection;
    ExchangeRequest exchange;
    std::string proxyUser, proxyPassword;
    bool sent = false;
    bool received = false;
    bool readFailed = false;
    ExchangeResult result;
    BodyCursor body;
};

using Object =
    std::variant<std::shared_ptr<Session>, std::shared_ptr<Connection>, std::shared_ptr<Request>>;

struct Table {
    std::mutex mutex;
    std::map<HINTERNET, Object> objects;
    HINTERNET next = 0x1000;
    WinHttpSeam seam;
};

Table& Handles() {
    static Table table;
    return table;
}

HINTERNET Insert(Object object) {
    Table& t = Handles();
    std::lock_guard<std::mutex> lock(t.mutex);
    const HINTERNET handle = t.next++;
    t.objects.emplace(handle, std::move(object));
    return handle;
}

template <typename T> std::shared_ptr<T> Find(HINTERNET handle) {
    Table& t = Handles();
    std::lock_guard<std::mutex> lock(t.mutex);
    const auto it = t.objects.find(handle);
    if (it == t.objects.end())
        return nullptr;
    const auto* object = std::get_if<std::shared_ptr<T>>(&it->second);
    return object != nullptr ? *object : nullptr;
}

// --- strings -----------------------------------------------------------------------

std::u16string_view View(const char16_t* s) {
    return s != nullptr ? std::u16string_view(s) : std::u16string_view();
}

// UTF-16 to bytes of a code page: 936 for what the program's GBK texts became (header
// lines, credentials), UTF-8 for names and paths.
std::string Narrow(std::u16string_view s, unsigned codePage) {
    if (s.empty())
        return {};
    const int units = static_cast<int>(s.size());
    const int n = WideCharToMultiByte(codePage, 0, s.data(), units, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(codePage, 0, s.data(), units, out.data(), n, nullptr, nullptr);
    return out;
}

std::u16string Widen(std::string_view s, unsigned codePage) {
    if (s.empty())
        return {};
    const int bytes = static_cast<int>(s.size());
    const int n = MultiByteToWideChar(codePage, 0, s.data(), bytes, nullptr, 0);
    std::u16string out(n > 0 ? n : 0, u'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, s.data(), bytes, out.data(), n);
    return out;
}

// Bytes past ASCII go out percent-encoded, as the platform escapes an object name.
std::string EscapePath(const std::string& utf8) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : utf8) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        out += '%';
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
    }
    return out;
}

HttpProxy ChooseProxy(const Session& session, bool secure, const Request& request) {
    HttpProxy proxy;
    const ProxyEntry* chosen = ChooseProxyEntry(session.proxies, secure);
    if (chosen == nullptr)
        return proxy;
    proxy.kind = ProxyKind::Http;
    proxy.host = chosen->host;
    proxy.port = chosen->port;
    proxy.user = request.proxyUser;
    proxy.password = request.proxyPassword;
    return proxy;
}

// --- seam ------------------------------------------------------------------------------

std::string Join(std::initializer_list<std::string> values) {
    std::string out;
    for (const auto& v : values)
        out += (out.empty() ? "" : " ") + v;
    return out;
}

std::string Hex(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

} // namespace

namespace winhttp_detail {

bool SeamAllows(const char* call, const std::string& values) {
    WinHttpSeam seam;
    {
        Table& t = Handles();
        std::lock_guard<std::mutex> lock(t.mutex);
        seam = t.seam;
    }
    if (seam.observe)
        seam.observe(call, values);
    return seam.failCall != call && seam.failCall != std::string(call) + " " + values;
}

} // namespace winhttp_detail

using winhttp_detail::SeamAllows;

void SetWinHttpSeam(WinHttpSeam seam) {
    Table& t = Handles();
    std::lock_guard<std::mutex> lock(t.mutex);
    t.seam = std::move(seam);
}

bool WinHttpCheckPlatform() {
    return SeamAllows("WinHttpCheckPlatform", "");
}

HINTERNET WinHttpOpen(const char16_t* agent, DWORD accessType, const char16_t* proxyName,
                      const char16_t*, DWORD) {
    const std::string proxies = Narrow(View(proxyName), kCpUtf8);
    if (!SeamAllows("WinHttpOpen", Join({std::to_string(accessType), proxies})))
        return 0;
    auto session = std::make_shared<Session>();
    if (accessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY) {
        session->proxies = ParseProxyList(proxies);
        if (session->proxies.empty())
            return 0;
    } else if (accessType != WINHTTP_ACCESS_TYPE_NO_PROXY) {
        return 0;
    }
    if (agent != nullptr && agent[0] != 0)
        session->agent = Narrow(View(agent), kCpGbk);
    return Insert(std::move(session));
}

bool WinHttpSetTimeouts(HINTERNET handle, int resolve, int connect, int send, int receive) {
    if (!SeamAllows("WinHttpSetTimeouts", Join({std::to_string(resolve), std::to_string(connect),
                                                std::to_string(send), std::to_string(receive)})))
        return false;
    const auto session = Find<Session>(handle);
    if (!session || resolve < 0 || connect < 0 || send < 0 || receive < 0)
        return false;
    session->limits.resolve = std::chrono::milliseconds(resolve);
    session->limits.connect = std::chrono::milliseconds(connect);
    session->limits.send = std::chrono::milliseconds(send);
    session->limits.receive = std::chrono::milliseconds(receive);
    return true;
}

HINTERNET WinHttpConnect(HINTERNET handle, const char16_t* serverName, INTERNET_PORT serverPort,
                         DWORD) {
    std::string host = Narrow(View(serverName), kCpUtf8);
    if (!SeamAllows("WinHttpConnect", Join({host, std::to_string(serverPort)})))
        return 0;
    const auto session = Find<Session>(handle);
    if (!session || host.empty())
        return 0;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    return Insert(std::make_shared<Connection>(Connection{session, host, serverPort}));
}

HINTERNET WinHttpOpenRequest(HINTERNET handle, const char16_t* verb, const char16_t* objectName,
                             const char16_t* version, const char16_t*, const char16_t**,
                             DWORD flags) {
    std::string method = verb != nullptr ? Narrow(View(verb), kCpUtf8) : "GET";
    std::string object = EscapePath(Narrow(View(objectName), kCpUtf8));
    if (!SeamAllows("WinHttpOpenRequest", Join({method, object, Hex(flags)})))
        return 0;
    const auto connection = Find<Connection>(handle);
    if (!connection || method.empty() || (version != nullptr && View(version) != u"HTTP/1.1"))
        return 0;
    for (char c : method)
        if (!IsTokenChar(c))
            return 0;
    auto request = std::make_shared<Request>();
    request->connection = connection;
    ExchangeRequest& x = request->exchange;
    x.verb = std::move(method);
    x.secure = (flags & WINHTTP_FLAG_SECURE) != 0;
    x.host = connection->host;
    x.port = connection->port;
    x.path = object.empty() ? "/" : std::move(object);
    x.agent = connection->session->agent;
    x.cookies = CookieMode::PerExchange;
    return Insert(std::move(request));
}

bool WinHttpSetCredentials(HINTERNET handle, DWORD target, DWORD scheme, const char16_t* user,
                           const char16_t* password, void*) {
    const std::string name = Narrow(View(user), kCpGbk);
    if (!SeamAllows("WinHttpSetCredentials",
                    Join({std::to_string(target), std::to_string(scheme), name})))
        return false;
    const auto request = Find<Request>(handle);
    if (!request || request->sent || scheme != WINHTTP_AUTH_SCHEME_BASIC || user == nullptr)
        return false;
    const std::string secret = Narrow(View(password), kCpGbk);
    if (target == WINHTTP_AUTH_TARGET_SERVER) {
        request->exchange.user = name;
        request->exchange.password = secret;
    } else if (target == WINHTTP_AUTH_TARGET_PROXY) {
        request->proxyUser = name;
        request->proxyPassword = secret;
    } else {
        return false;
    }
    return true;
}

bool WinHttpSetOption(HINTERNET handle, DWORD option, const void* buffer, DWORD bufferLength) {
    DWORD value = 0;
    if (buffer != nullptr && bufferLength == sizeof value)
        std::memcpy(&value, buffer, sizeof value);
    if (!SeamAllows("WinHttpSetOption", Join({std::to_string(option), Hex(value)})))
        return false;
    const auto request = Find<Request>(handle);
    if (!request || request->sent || buffer == nullptr || bufferLength != sizeof value)
        return false;
    switch (option) {
    case WINHTTP_OPTION_SECURITY_FLAGS: // certificates are verified whatever is asked
        return true;
    case WINHTTP_OPTION_DISABLE_FEATURE:
        if (value == 0 || (value & ~(WINHTTP_DISABLE_COOKIES | WINHTTP_DISABLE_REDIRECTS)) != 0)
            return false;
        if (value & WINHTTP_DISABLE_COOKIES)
            request->exchange.cookies = CookieMode::Off;
        if (value & WINHTTP_DISABLE_REDIRECTS)
            request->exchange.followRedirects = false;
        return true;
    case WINHTTP_OPTION_ENABLE_FEATURE: // revocation data is never fetched
        return value == WINHTTP_ENABLE_SSL_REVOCATION;
    default:
        return false;
    }
}

bool WinHttpAddRequestHeaders(HINTERNET handle, const char16_t* headers, DWORD headersLength,
                              DWORD modifiers) {
    std::u16string_view w = View(headers);
    if (headers != nullptr && headersLength != static_cast<DWORD>(-1))
        w = std::u16string_view(headers, headersLength).substr(0, w.size());
    const std::string block = Narrow(w, kCpGbk);
    if (!SeamAllows("WinHttpAddRequestHeaders",
                    Join({std::to_string(static_cast<int>(headersLength)), Hex(modifiers), block})))
        return false;
    const auto request = Find<Request>(handle);
    if (!request || request->sent || headers == nullptr || modifiers != WINHTTP_ADDREQ_FLAG_ADD)
        return false;
    return AppendHeaderLines(block, &request->exchange.headers);
}

bool WinHttpSendRequest(HINTERNET handle, const char16_t* headers, DWORD headersLength,
                        const void* optional, DWORD optionalLength, DWORD totalLength, DWORD_PTR) {
    if (!SeamAllows("WinHttpSendRequest",
                    Join({std::to_string(optionalLength), std::to_string(totalLength)})))
        return false;
    const auto request = Find<Request>(handle);
    if (!request || request->sent || totalLength != optionalLength ||
        (optional == nullptr && optionalLength > 0))
        return false;
    if (headers != nullptr && headersLength > 0 &&
        !WinHttpAddRequestHeaders(handle, headers, headersLength, WINHTTP_ADDREQ_FLAG_ADD))
        return false;
    request->sent = true;
    ExchangeRequest& x = request->exchange;
    const Session& session = *request->connection->session;
    x.body.assign(static_cast<const char*>(optional), optionalLength);
    x.proxy = ChooseProxy(session, x.secure, *request);
    x.limits = session.limits;
    request->result = request->connection->session->exchange.Run(x);
    request->body = BodyCursor(std::move(request->result.body), request->result.BodyCutShort());
    return !request->result.FailedBeforeSending();
}

bool WinHttpReceiveResponse(HINTERNET handle, void*) {
    if (!SeamAllows("WinHttpReceiveResponse", ""))
        return false;
    const auto request = Find<Request>(handle);
    if (!request || !request->sent || !request->result.responded)
        return false;
    request->received = true;
    return true;
}

bool WinHttpQueryDataAvailable(HINTERNET handle, DWORD* available) {
    if (!SeamAllows("WinHttpQueryDataAvailable", ""))
        return false;
    const auto request = Find<Request>(handle);
    if (!request || !request->received || available == nullptr || request->readFailed)
        return false;
    // Everything that arrived is available at once; a cut body owes one more read, which
    // fails.
    const std::size_t pending = request->body.AtFailure() ? 1 : request->body.Remaining();
    *available = static_cast<DWORD>(std::min<std::size_t>(pending, 0xFFFFFFFFu));
    return true;
}

bool WinHttpReadData(HINTERNET handle, void* buffer, DWORD toRead, DWORD* read) {
    if (!SeamAllows("WinHttpReadData", std::to_string(toRead)))
        return false;
    const auto request = Find<Request>(handle);
    if (!request || !request->received || read == nullptr || (buffer == nullptr && toRead > 0))
        return false;
    *read = 0;
    if (request->readFailed || request->body.AtFailure()) {
        request->readFailed = true;
        return false;
    }
    *read = static_cast<DWORD>(request->body.Read(buffer, toRead));
    return true;
}

bool WinHttpQueryHeaders(HINTERNET handle, DWORD infoLevel, const char16_t* name, void* buffer,
                         DWORD* bufferLength, DWORD*) {
    if (!SeamAllows("WinHttpQueryHeaders",
                    Join({std::to_string(infoLevel),
                          bufferLength ? std::to_string(*bufferLength) : std::string("-")})))
        return false;
    const auto request = Find<Request>(handle);
    if (!request || !request->received || infoLevel != WINHTTP_QUERY_RAW_HEADERS_CRLF ||
        name != nullptr || bufferLength == nullptr)
        return false;
    // The bytes read in the system's code page, so that GBK values come back intact.
    const std::u16string text = Widen(request->result.rawHeaders, kCpGbk);
    const std::size_t needed = (text.size() + 1) * 2;
    if (buffer == nullptr || *bufferLength < needed) {
        *bufferLength = static_cast<DWORD>(needed);
        return false;
    }
    std::memcpy(buffer, text.c_str(), needed);
    *bufferLength = static_cast<DWORD>(text.size() * 2);
    return true;
}

bool WinHttpCloseHandle(HINTERNET handle) {
    if (!SeamAllows("WinHttpCloseHandle", std::to_string(handle)))
        return false;
    Table& t = Handles();
    std::lock_guard<std::mutex> lock(t.mutex);
    return t.objects.erase(handle) > 0;
}

} // namespace kesmora::platform
