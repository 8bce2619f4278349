#include "winhttp/winhttp.h"

#include "inet/inet.h"
#include "platform/gbk.h"
#include "platform/window_services.h"
#include "platform/winhttp.h"
#include "winhttp/wide_string.h"

#include <climits>

namespace kesmora {
namespace {

using platform::DWORD;
using platform::HINTERNET;

// Where the address leads.
struct Target {
    Text host;
    platform::INTERNET_PORT port = 0;
    bool secure = false;
    Bytes objectName; // UTF-16 with terminator
};

// Opened in the order session, connection, request; closed in the reverse order on
// every path, a handle never opened passed as 0.
struct Handles {
    HINTERNET session = 0;
    HINTERNET connection = 0;
    HINTERNET request = 0;
    ~Handles() {
        platform::WinHttpCloseHandle(request);
        platform::WinHttpCloseHandle(connection);
        platform::WinHttpCloseHandle(session);
    }
};

struct Arguments {
    const Text& url;
    int method;
    const Text& bodyText;
    const Text& extraHeaders;
    bool noRedirect;
    const Text& serverUser;
    const Text& serverPassword;
    const Text& proxy;
    const Text& proxyUser;
    const Text& proxyPassword;
    int timeoutSeconds;
    bool mergeCookies;
    bool completeHeaders;
    const Bytes& bodyBytes;
    bool fixHeaderCase;
    WinHttpOutputs out;
};

std::u16string Wide(const Text& text) {
    return WideString(TextToUtf16(text));
}

bool CrackAddress(const Text& url, Target* target) {
    const std::u16string w = Wide(url);
    platform::URL_COMPONENTS parts;
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = platform::kWinHttpLocateComponent;
    parts.dwHostNameLength = platform::kWinHttpLocateComponent;
    parts.dwUrlPathLength = platform::kWinHttpLocateComponent;
    parts.dwExtraInfoLength = platform::kWinHttpLocateComponent;
    if (!platform::WinHttpCrackUrl(w.c_str(), static_cast<DWORD>(w.size()), 0, &parts))
        return false;
    target->host = Utf16ToGbkText(Utf16Buffer(parts.lpszHostName, parts.dwHostNameLength));
    target->port = parts.nPort;
    target->secure = parts.nScheme == platform::INTERNET_SCHEME_HTTPS;
    // Without a path the query is dropped too: the request goes to "/".
    if (parts.dwUrlPathLength < 1) {
        target->objectName = TextToUtf16("/");
        return true;
    }
    target->objectName = Utf16Buffer(parts.lpszUrlPath, parts.dwUrlPathLength);
    const Bytes extra = Utf16Buffer(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    target->objectName.append(extra.data(), extra.size());
    target->objectName.append("\0\0", 2);
    return true;
}

// A plain-HTTP request names its proxy "http=host:port" so that an HTTPS one through
// the same setting would go direct; an HTTPS request takes it bare.
HINTERNET OpenSession(const Text& proxy, bool secure) {
    if (proxy.empty())
        return platform::WinHttpOpen(nullptr, platform::WINHTTP_ACCESS_TYPE_NO_PROXY, u"", nullptr,
                                     0);
    const std::u16string name = Wide(secure ? proxy : Text("http=") + proxy);
    return platform::WinHttpOpen(nullptr, platform::WINHTTP_ACCESS_TYPE_NAMED_PROXY, name.c_str(),
                                 nullptr, 0);
}

// Seconds to milliseconds, clamped so that a huge value stays a (long) limit.
int TimeoutMilliseconds(int timeoutSeconds) {
    if (timeoutSeconds <= 0)
        return 30000;
    const long long ms = static_cast<long long>(timeoutSeconds) * 1000;
    return ms > INT_MAX ? INT_MAX : static_cast<int>(ms);
}

bool SetCredentials(HINTERNET request, DWORD target, const Text& user, const Text& password) {
    if (user.empty() || password.empty())
        return true;
    return platform::WinHttpSetCredentials(request, target, platform::WINHTTP_AUTH_SCHEME_BASIC,
                                           Wide(user).c_str(), Wide(password).c_str(), nullptr);
}

bool SetOption(HINTERNET request, DWORD option, DWORD value) {
    return platform::WinHttpSetOption(request, option, &value, sizeof value);
}

bool AddHeaders(HINTERNET request, const Text& block) {
    if (block.empty())
        return platform::WinHttpAddRequestHeaders(request, nullptr, static_cast<DWORD>(-1),
                                                  platform::WINHTTP_ADDREQ_FLAG_ADD);
    const std::u16string w = Wide(block);
    return platform::WinHttpAddRequestHeaders(request, w.c_str(), static_cast<DWORD>(w.size()),
                                              platform::WINHTTP_ADDREQ_FLAG_ADD);
}

bool Send(HINTERNET request, const Bytes& body) {
    if (body.size() > 0xFFFFFFFFu)
        return false;
    const auto length = static_cast<DWORD>(body.size());
    return platform::WinHttpSendRequest(request, nullptr, 0, body.dataOrNull(), length, length, 0);
}

// Reads until no more is available, each piece straight into the body's free end; a
// failed read writes its text to status and keeps what came before it.
Bytes ReadBody(HINTERNET request, Text* status) {
    Bytes body;
    std::string& bytes = body.str();
    for (;;) {
        DWORD available = 0;
        if (!platform::WinHttpQueryDataAvailable(request, &available) || available < 1)
            return body;
        const std::size_t end = bytes.size();
        bytes.resize(end + available);
        DWORD read = 0;
        const bool ok = platform::WinHttpReadData(request, &bytes[end], available, &read);
        bytes.resize(end + (ok ? std::min(read, available) : 0));
        if (!ok) {
            if (status != nullptr)
                *status = Gbk("713 读取数据失败!");
            return body;
        }
    }
}

// The raw header block: the size query, then the read into that many bytes.
bool QueryRawHeaders(HINTERNET request, Text* block) {
    DWORD size = 0;
    DWORD index = 0;
    platform::WinHttpQueryHeaders(request, platform::WINHTTP_QUERY_RAW_HEADERS_CRLF, nullptr,
                                  nullptr, &size, &index);
    std::string buffer(size, '\0');
    index = 0;
    if (!platform::WinHttpQueryHeaders(request, platform::WINHTTP_QUERY_RAW_HEADERS_CRLF, nullptr,
                                       buffer.data(), &size, &index))
        return false;
    *block = Utf16ToGbkText(Bytes(std::move(buffer)));
    return true;
}

// From the platform check to the request handle.
Text OpenHandles(const Arguments& a, Handles& h, Target* target) {
    if (!platform::WinHttpCheckPlatform())
        return Gbk("700 当前系统不支持WinHttp服务!");
    // The installed-update query that older systems ran here is left out: nothing
    // read its answer, and the exchange below is the same either way.
    if (!CrackAddress(a.url, target))
        return Gbk("701 解析URL地址失败!");
    h.session = OpenSession(a.proxy, target->secure);
    if (h.session == 0)
        return Gbk("702 创建WinHttp会话失败!");
    const int t = TimeoutMilliseconds(a.timeoutSeconds);
    if (!platform::WinHttpSetTimeouts(h.session, t, t, t, t))
        return Gbk("705 设置超时时间失败!");
    h.connection = platform::WinHttpConnect(h.session, Wide(target->host).c_str(), target->port, 0);
    if (h.connection == 0)
        return Gbk("703 创建WinHttp连接失败!");
    h.request = platform::WinHttpOpenRequest(
        h.connection, Wide(RequestVerb(a.method)).c_str(), WideString(target->objectName).c_str(),
        nullptr, nullptr, nullptr, target->secure ? platform::WINHTTP_FLAG_SECURE : 0);
    if (h.request == 0)
        return Gbk("704 创建WinHttp请求失败!");
    return Text();
}

// Credentials, options and the header block of the request.
Text PrepareRequest(const Arguments& a, HINTERNET request) {
    if (!SetCredentials(request, platform::WINHTTP_AUTH_TARGET_SERVER, a.serverUser,
                        a.serverPassword))
        return Gbk("707 设置代理凭证失败!");
    if (!SetCredentials(request, platform::WINHTTP_AUTH_TARGET_PROXY, a.proxyUser, a.proxyPassword))
        return Gbk("707 设置代理凭证失败!");
    // No certificate error is ignored (flags 0): what comes back goes on to the script
    // engine and the browser, so it must come from the server the address names.
    if (!SetOption(request, platform::WINHTTP_OPTION_SECURITY_FLAGS, 0))
        return Gbk("忽略错误/证书错误  失败！");
    const Text cookies = a.out.cookies != nullptr ? *a.out.cookies : Text();
    const bool cookieOption = cookies.empty()
                                  ? SetOption(request, platform::WINHTTP_OPTION_DISABLE_FEATURE,
                                              platform::WINHTTP_DISABLE_COOKIES)
                                  : SetOption(request, platform::WINHTTP_OPTION_ENABLE_FEATURE,
                                              platform::WINHTTP_ENABLE_SSL_REVOCATION);
    if (!cookieOption)
        return Gbk("708 禁止自动设置Cookies失败!");
    if (a.noRedirect && !SetOption(request, platform::WINHTTP_OPTION_DISABLE_FEATURE,
                                   platform::WINHTTP_DISABLE_REDIRECTS))
        return Gbk("709 重定向设置失败!");
    if (!AddHeaders(request, ComposeWinHttpHeaders(a.extraHeaders, a.method, cookies,
                                                   a.completeHeaders, a.fixHeaderCase)))
        return Gbk("710 设置协议头失败!");
    return Text();
}

// Send, receive, read, and the response processed into *result.
Text Transfer(const Arguments& a, HINTERNET request, RegexObject& regex, Text* result) {
    if (!Send(request, a.bodyBytes.empty() ? ToBytes(a.bodyText) : a.bodyBytes))
        return Gbk("711 发送请求失败!");
    if (!platform::WinHttpReceiveResponse(request, nullptr))
        return Gbk("712 服务器未响应!");
    Bytes body = ReadBody(request, a.out.status);
    Text headers;
    if (QueryRawHeaders(request, &headers))
        *result = ProcessWinHttpResponse(headers, std::move(body), a.mergeCookies, regex, a.out);
    return Text();
}

// The whole exchange: the failure text of the step that failed, or empty.
Text Exchange(const Arguments& a, RegexObject& regex, Handles& h, Text* result) {
    Target target;
    Text failure = OpenHandles(a, h, &target);
    if (failure.empty())
        failure = PrepareRequest(a, h.request);
    if (failure.empty())
        failure = Transfer(a, h.request, regex, result);
    return failure;
}

} // namespace

Text WinHttpFetch(const Text& url, int method, const Text& bodyText, Text* cookies,
                  Text* receivedCookies, const Text& extraHeaders, Text* responseHeaders,
                  bool noRedirect, const Text& serverUser, const Text& serverPassword,
                  const Text& proxy, const Text& proxyUser, const Text& proxyPassword,
                  int timeoutSeconds, Text* location, Text* status, Bytes* responseBody,
                  std::optional<bool> mergeCookies, std::optional<bool> completeHeaders,
                  const Bytes& bodyBytes, std::optional<bool> fixHeaderCase) {
    const Arguments args{
        url,
        method,
        bodyText,
        extraHeaders,
        noRedirect,
        serverUser,
        serverPassword,
        proxy,
        proxyUser,
        proxyPassword,
        timeoutSeconds,
        mergeCookies.value_or(true),
        completeHeaders.value_or(true),
        bodyBytes,
        fixHeaderCase.value_or(true),
        {cookies, receivedCookies, responseHeaders, status, location, responseBody}};
    RegexObject regex; // initialises COM for this call; uninitialised when it goes
    Text result;
    {
        Handles handles;
        const Text failure = Exchange(args, regex, handles, &result);
        if (!failure.empty() && status != nullptr)
            *status = failure;
    }
    platform::ProcessPendingMessages();
    return result;
}

} // namespace kesmora
