// The exchange engine on libcurl's easy interface. This is the only file that sees
// libcurl: its options are set here and its CURLcode is mapped here, once, to what the
// stand-ins report.
#include "platform/http_exchange.h"

#include "platform/http_limits.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace kesmora::platform {

namespace {

// --- libcurl set-up and the process-wide cookie store --------------------------------

void InitLibraryOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::mutex& ShareMutex(curl_lock_data data) {
    static std::mutex mutexes[CURL_LOCK_DATA_LAST];
    return mutexes[data < CURL_LOCK_DATA_LAST ? data : 0];
}

void LockShare(CURL*, curl_lock_data data, curl_lock_access, void*) {
    ShareMutex(data).lock();
}
void UnlockShare(CURL*, curl_lock_data data, void*) {
    ShareMutex(data).unlock();
}

// The store lives as long as the process, like the platform's own.
CURLSH* ProcessCookieShare() {
    static CURLSH* share = [] {
        InitLibraryOnce();
        CURLSH* s = curl_share_init();
        curl_share_setopt(s, CURLSHOPT_LOCKFUNC, LockShare);
        curl_share_setopt(s, CURLSHOPT_UNLOCKFUNC, UnlockShare);
        curl_share_setopt(s, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
        return s;
    }();
    return share;
}

// --- what the callbacks gather while the exchange runs -------------------------------

struct Gathered {
    std::size_t maxBody = 0;
    std::size_t maxHeaderBlock = 0;
    std::string block; // header block of the response being received
    bool blockComplete = false;
    int status = 0;
    int finalResponses = 0; // complete header blocks with a status of 200 or more
    std::string body;
    bool tooLarge = false;
};

bool IsStatusLine(const char* data, std::size_t size) {
    return size >= 5 && std::memcmp(data, "HTTP/", 5) == 0;
}

int StatusOf(const std::string& statusLine) {
    std::size_t space = statusLine.find(' ');
    if (space == std::string::npos)
        return 0;
    return std::atoi(statusLine.c_str() + space + 1);
}

std::size_t OnHeader(char* data, std::size_t, std::size_t size, void* context) {
    Gathered& g = *static_cast<Gathered*>(context);
    if (IsStatusLine(data, size)) { // a new response: 1xx, a redirect hop, the last one
        g.block.clear();
        g.body.clear();
        g.blockComplete = false;
    } else if (g.blockComplete) {
        return size; // trailer lines of a chunked body are not part of the block
    }
    std::size_t length = size;
    while (length > 0 && (data[length - 1] == '\n' || data[length - 1] == '\r'))
        --length;
    if (g.block.size() + length + 2 > g.maxHeaderBlock) {
        g.tooLarge = true;
        return 0;
    }
    g.block.append(data, length).append("\r\n");
    if (length == 0 && g.block.size() > 2) { // the empty line after the status line
        g.blockComplete = true;
        g.status = StatusOf(g.block);
        g.finalResponses += g.status >= 200 ? 1 : 0;
    }
    return size;
}

std::size_t OnBody(char* data, std::size_t, std::size_t size, void* context) {
    Gathered& g = *static_cast<Gathered*>(context);
    if (g.body.size() + size > g.maxBody) {
        g.tooLarge = true;
        return 0;
    }
    g.body.append(data, size);
    return size;
}

// --- the request as libcurl takes it -------------------------------------------------

struct HeaderList {
    curl_slist* list = nullptr;
    ~HeaderList() { curl_slist_free_all(list); }
    void Add(const std::string& line) {
        if (curl_slist* grown = curl_slist_append(list, line.c_str()))
            list = grown;
    }
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsBlank(const std::string& text, std::size_t from) {
    return text.find_first_not_of(" \t", from) == std::string::npos;
}

// The front end's lines as libcurl sends them verbatim, and the headers libcurl would
// add on its own switched off where the block has none of its own.
void BuildHeaders(const ExchangeRequest& request, HeaderList& out) {
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= request.headers.size()) {
        std::size_t end = request.headers.find('\n', start);
        if (end == std::string::npos)
            end = request.headers.size();
        std::string line = request.headers.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0)
            continue;
        names.push_back(Lower(line.substr(0, colon)));
        // "Name;" is libcurl's way of sending a header with an empty value.
        out.Add(IsBlank(line, colon + 1) ? line.substr(0, colon) + ";" : line);
    }
    auto has = [&](const char* name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    for (const char* own : {"accept", "expect", "content-type"})
        if (!has(own))
            out.Add(std::string(own) + ":");
    if (request.version == HttpVersion::Http10 && !has("connection"))
        out.Add("Connection: Keep-Alive");
}

bool HasControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](unsigned char c) { return c < 0x20 || c == 0x7F; });
}

std::string BuildUrl(const ExchangeRequest& request) {
    std::string host = request.host;
    if (host.find(':') != std::string::npos && host.front() != '[')
        host = "[" + host + "]";
    std::uint16_t port = request.port != 0 ? request.port : (request.secure ? 443 : 80);
    std::string path = request.path.empty() || request.path.front() != '/' ? "/" : "";
    for (char c : request.path)
        path += c == ' ' ? std::string("%20") : std::string(1, c);
    return (request.secure ? "https://" : "http://") + host + ":" + std::to_string(port) + path;
}

void SetVerbAndBody(CURL* curl, const ExchangeRequest& request) {
    const std::string& verb = request.verb;
    if (verb == "HEAD") {
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
        return;
    }
    // POST and PUT announce an empty body with "Content-Length: 0", as the platform does.
    if (request.body.empty() && verb != "POST" && verb != "PUT") {
        curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
        if (verb != "GET")
            curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, verb.c_str());
        return;
    }
    // A plain POST lets libcurl turn it into GET on a 301, 302 or 303 as browsers do.
    if (verb != "POST")
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, verb.c_str());
    curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE,
                     static_cast<curl_off_t>(request.body.size()));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.c_str());
}

void SetProxy(CURL* curl, const HttpProxy& proxy) {
    // Setting both explicitly keeps the proxy environment variables out of play.
    curl_easy_setopt(curl, CURLOPT_NOPROXY, "");
    if (proxy.kind == ProxyKind::None || proxy.host.empty()) {
        curl_easy_setopt(curl, CURLOPT_PROXY, "");
        return;
    }
    std::string scheme = proxy.kind == ProxyKind::Socks5 ? "socks5h://" : "http://";
    std::uint16_t port =
        proxy.port != 0 ? proxy.port : (proxy.kind == ProxyKind::Socks5 ? 1080 : 80);
    std::string host =
        proxy.host.find(':') != std::string::npos ? "[" + proxy.host + "]" : proxy.host;
    std::string url = scheme + host + ":" + std::to_string(port);
    curl_easy_setopt(curl, CURLOPT_PROXY, url.c_str());
    curl_easy_setopt(curl, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    if (proxy.user.empty())
        return;
    curl_easy_setopt(curl, CURLOPT_PROXYUSERNAME, proxy.user.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXYPASSWORD, proxy.password.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC));
}

long Milliseconds(std::chrono::milliseconds value) {
    return static_cast<long>(value.count());
}

void SetLimits(CURL* curl, const ExchangeLimits& phases, const HttpLimits& limits) {
    auto connect = phases.resolve.count() > 0 || phases.connect.count() > 0
                       ? std::max(phases.resolve, std::chrono::milliseconds(0)) +
                             std::max(phases.connect, std::chrono::milliseconds(0))
                       : limits.connect;
    auto noProgress = phases.send.count() > 0 || phases.receive.count() > 0
                          ? std::max(phases.send, phases.receive)
                          : limits.noProgress;
    long seconds = std::max(1L, static_cast<long>((noProgress.count() + 999) / 1000));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, Milliseconds(connect));
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, seconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, Milliseconds(limits.total));
}

void SetTls(CURL* curl) {
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!TrustedCaFile().empty())
        curl_easy_setopt(curl, CURLOPT_CAINFO, TrustedCaFile().c_str());
}

void SetCookies(CURL* curl, CookieMode mode) {
    if (mode == CookieMode::Off)
        return;
    if (mode == CookieMode::ProcessStore)
        curl_easy_setopt(curl, CURLOPT_SHARE, ProcessCookieShare());
    // Switches the cookie engine on: over the shared store, or over an empty store of
    // this handle.
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");
}

void SetRequest(CURL* curl, const ExchangeRequest& request, const std::string& url,
                const HeaderList& headers, const HttpLimits& limits) {
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION,
                     request.version == HttpVersion::Http10 ? CURL_HTTP_VERSION_1_0
                                                            : CURL_HTTP_VERSION_1_1);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers.list);
    if (request.agent && !request.agent->empty())
        curl_easy_setopt(curl, CURLOPT_USERAGENT, request.agent->c_str());
    SetVerbAndBody(curl, request);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, request.followRedirects ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, limits.maxRedirects);
    SetProxy(curl, request.proxy);
    if (!request.user.empty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, request.user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, request.password.c_str());
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    }
    SetTls(curl);
    SetCookies(curl, request.cookies);
    SetLimits(curl, request.limits, limits);
    // A declared length past the bound fails at once; a HEAD response declares the
    // length of a body that never comes.
    if (request.verb != "HEAD")
        curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBody));
}

// --- the result ----------------------------------------------------------------------

ExchangeFailure MapCode(CURLcode code, bool responded) {
    switch (code) {
    case CURLE_OK:
        return ExchangeFailure::None;
    case CURLE_URL_MALFORMAT:
    case CURLE_BAD_FUNCTION_ARGUMENT:
    case CURLE_UNKNOWN_OPTION:
    case CURLE_NOT_BUILT_IN:
        return ExchangeFailure::Invalid;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return ExchangeFailure::Resolve;
    case CURLE_COULDNT_CONNECT:
    case CURLE_PROXY:
        return ExchangeFailure::Connect;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_USE_SSL_FAILED:
        return ExchangeFailure::Tls;
    case CURLE_SEND_ERROR:
        return responded ? ExchangeFailure::Read : ExchangeFailure::Send;
    case CURLE_TOO_MANY_REDIRECTS:
        return ExchangeFailure::NoResponse;
    case CURLE_OPERATION_TIMEDOUT:
        return ExchangeFailure::Timeout;
    case CURLE_WRITE_ERROR:
    case CURLE_FILESIZE_EXCEEDED:
    case CURLE_OUT_OF_MEMORY:
        return ExchangeFailure::TooLarge;
    default: // closed early, garbage, a redirect that failed, a reset
        return responded ? ExchangeFailure::Read : ExchangeFailure::NoResponse;
    }
}

ExchangeResult Collect(CURL* curl, CURLcode code, Gathered& g, const char* errorText) {
    long redirects = 0;
    curl_easy_getinfo(curl, CURLINFO_REDIRECT_COUNT, &redirects);
    curl_off_t pretransfer = 0;
    curl_easy_getinfo(curl, CURLINFO_PRETRANSFER_TIME_T, &pretransfer);

    ExchangeResult result;
    // The last complete block belongs to the last request only when no redirect was
    // under way when the exchange stopped.
    result.responded = g.blockComplete && g.status >= 200 && g.finalResponses == redirects + 1 &&
                       code != CURLE_TOO_MANY_REDIRECTS;
    result.failure = g.tooLarge ? ExchangeFailure::TooLarge : MapCode(code, result.responded);
    result.connected = pretransfer > 0 || g.finalResponses > 0;
    result.detail = errorText;
    if (result.failure == ExchangeFailure::TooLarge)
        result.responded = false; // nothing partial is used
    if (!result.responded)
        return result;
    result.status = g.status;
    result.rawHeaders = std::move(g.block);
    result.body = std::move(g.body);
    return result;
}

} // namespace

bool ExchangeResult::FailedBeforeSending() const {
    switch (failure) {
    case ExchangeFailure::Invalid:
    case ExchangeFailure::Resolve:
    case ExchangeFailure::Connect:
    case ExchangeFailure::Tls:
    case ExchangeFailure::Send:
        return !responded;
    case ExchangeFailure::Timeout:
        return !connected;
    default:
        return false;
    }
}

std::size_t BodyCursor::Read(void* buffer, std::size_t size) {
    std::size_t count = std::min(size, Remaining());
    if (count > 0)
        std::memcpy(buffer, body_.data() + offset_, count);
    offset_ += count;
    return count;
}

// The easy handle and the cookie mode it was last used with: a handle keeps its cookie
// store across runs, so it is reused only when the store stays the same.
struct HttpExchange::Handle {
    CURL* curl = nullptr;
    std::optional<CookieMode> lastMode;

    ~Handle() { Drop(); }
    void Drop() {
        if (curl != nullptr)
            curl_easy_cleanup(curl);
        curl = nullptr;
    }
    CURL* For(CookieMode mode) {
        if (curl != nullptr && (lastMode != mode || mode == CookieMode::PerExchange))
            Drop();
        lastMode = mode;
        if (curl != nullptr) {
            // The reset forgets the list of cookie files without freeing it; emptying it
            // first only detaches the handle from the shared store.
            curl_easy_setopt(curl, CURLOPT_COOKIEFILE, nullptr);
            curl_easy_reset(curl); // keeps the live connections
            return curl;
        }
        InitLibraryOnce();
        curl = curl_easy_init();
        return curl;
    }
};

HttpExchange::HttpExchange() : handle_(std::make_unique<Handle>()) {}
HttpExchange::~HttpExchange() = default;

ExchangeResult HttpExchange::Run(const ExchangeRequest& request) {
    ExchangeResult invalid;
    invalid.failure = ExchangeFailure::Invalid;
    if (request.host.empty() || HasControlCharacter(request.host) ||
        HasControlCharacter(request.path) || HasControlCharacter(request.verb))
        return invalid;
    CURL* curl = handle_->For(request.cookies);
    if (curl == nullptr)
        return invalid;

    const HttpLimits& limits = CurrentHttpLimits();
    std::string url = BuildUrl(request);
    HeaderList headers;
    BuildHeaders(request, headers);
    Gathered gathered;
    gathered.maxBody = limits.maxBody;
    gathered.maxHeaderBlock = limits.maxHeaderBlock;
    char errorText[CURL_ERROR_SIZE] = {};

    SetRequest(curl, request, url, headers, limits);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &gathered);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &gathered);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    CURLcode code = curl_easy_perform(curl);
    ExchangeResult result = Collect(curl, code, gathered, errorText);
    // The handle must not point at this call's buffers once it returns.
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, nullptr);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, nullptr);
    return result;
}

void ClearProcessCookieStore() {
    InitLibraryOnce();
    CURL* curl = curl_easy_init();
    if (curl == nullptr)
        return;
    curl_easy_setopt(curl, CURLOPT_SHARE, ProcessCookieShare());
    curl_easy_setopt(curl, CURLOPT_COOKIELIST, "ALL");
    curl_easy_cleanup(curl);
}

} // namespace kesmora::platform
