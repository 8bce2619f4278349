// WinHTTP-style calls for the program's second request routine: one synchronous HTTP
// or HTTPS exchange per request handle, on the shared exchange engine
// (platform/http_exchange.h). Strings are zero-ended UTF-16.
//
// Handles are opaque values; 0 is no handle. Session, connect and request handles may
// be closed in any order: a child keeps what it needs of its parents. Calls on a
// closed, unknown or wrong kind of handle fail. Every call blocks its caller and
// nothing runs in the background.
//
// What the calls mean, as the routine relies on them:
//   - WinHttpCrackUrl: "http://" or "https://" (any case), optional "user:password@",
//     a host (a bracketed IPv6 literal included), an optional ":port" (1..65535), then
//     the path from the first "/" and the extra information from the first "?" or "#".
//     Components whose length is asked for (non-zero) receive the position inside the
//     caller's string and the length in units; a missing part has length 0. nPort is
//     80 or 443 when the address names none. Every other scheme, an empty host and a
//     bad port are refused, as are control characters and spaces before the path.
//   - WinHttpOpen: access type 1 connects directly (the system's proxy settings are
//     never consulted); 3 takes a proxy list of entries separated by spaces or ";":
//     "http=host:port" proxies plain HTTP only, "https=host:port" HTTPS only, a bare
//     "host:port" proxies everything. A request uses the entry for its scheme, else a
//     bare entry, else goes direct. Any other access type, or 3 without a usable
//     entry, gives no handle. The agent, when given, is sent as User-Agent unless the
//     request's own headers name one.
//   - WinHttpSetTimeouts: resolve, connect, send and receive limits in milliseconds.
//     The engine bounds resolve and connect (with the TLS handshake) together, and
//     takes the larger of send and receive as the longest wait without progress; 0
//     means the engine's own finite default, negative values are refused. Without the
//     call a session has the engine's defaults (platform/http_limits.h).
//   - WinHttpConnect only records the server; nothing reaches the network before
//     WinHttpSendRequest. Port 0 is the scheme's default port.
//   - WinHttpOpenRequest: a null verb is "GET", a null or empty object "/"; characters
//     past ASCII in the object go out percent-encoded as UTF-8. Only the default
//     version HTTP/1.1 is spoken. WINHTTP_FLAG_SECURE makes the request HTTPS.
//   - WinHttpSetCredentials: basic credentials for the server or the proxy, sent with
//     the first request. Other schemes and targets are refused.
//   - Header lines and credentials go out in code page 936, the program's own.
//   - WinHttpSetOption on a request: WINHTTP_OPTION_SECURITY_FLAGS is accepted and
//     changes nothing (certificates are always verified); WINHTTP_OPTION_DISABLE_FEATURE
//     with WINHTTP_DISABLE_COOKIES and/or WINHTTP_DISABLE_REDIRECTS;
//     WINHTTP_OPTION_ENABLE_FEATURE with WINHTTP_ENABLE_SSL_REVOCATION is accepted
//     (revocation data is never fetched, so it changes nothing). A value must be
//     4 bytes; anything else is refused.
//   - Cookies: unless disabled, cookies set by a response are sent again on the
//     redirects that the same request follows; nothing outlives the session.
//   - Redirects are followed unless disabled, to http and https targets only and at
//     most as many as platform/http_limits.h allows; a loop or any other target ends
//     the exchange without a response.
//   - WinHttpAddRequestHeaders: "\r\n"-separated lines, length (DWORD)-1 meaning up to
//     the first zero unit. Empty lines are skipped; a line without a colon, with an
//     empty or invalid name, or with a lone CR or LF is refused, and so is a null
//     buffer. Lines are sent in order after the request line and the Host line; the
//     engine adds Content-Length when there is a body and nothing else.
//   - WinHttpSendRequest: the body goes with any verb but HEAD. The whole exchange
//     runs here (the later calls report its outcome); false when the request never
//     reached the server: name not found, refused, connect limit, proxy refusal, a
//     failed TLS handshake (certificates are verified against the engine's CA store)
//     or a request that could not be made or sent. Additional headers given here are
//     taken as by WinHttpAddRequestHeaders; the total length must equal the body's.
//   - WinHttpReceiveResponse: true once the headers of the last response arrived;
//     false when the peer closed or the receive limit passed without a response, the
//     response was not HTTP, or a limit (platform/http_limits.h) was passed.
//   - WinHttpQueryDataAvailable / WinHttpReadData hand out the body; 0 available is
//     the end. Where a body was cut short (reset, limit), the bytes before that point
//     are handed out first and then WinHttpReadData fails once for the missing rest.
//   - WinHttpQueryHeaders(WINHTTP_QUERY_RAW_HEADERS_CRLF): the last response's header
//     block, status line first, each line ended by "\r\n", an empty line last, as
//     UTF-16 (bytes read in code page 936, so GBK values come back intact; invalid
//     sequences read as U+FFFD). *bufferLength is in bytes; with a null buffer or
//     one too small the call fails and sets it to the size needed, terminator
//     included; otherwise the text and a zero unit are written and it receives the
//     text's size without terminator. Fails without a response.
#pragma once

#include "platform/internet_types.h"

#include <functional>
#include <string>

namespace kesmora::platform {

// URL components: a length of (DWORD)-1 asks where the part lies in the string.
struct URL_COMPONENTS {
    DWORD dwStructSize = 0;
    const char16_t* lpszScheme = nullptr;
    DWORD dwSchemeLength = 0;
    int nScheme = 0;
    const char16_t* lpszHostName = nullptr;
    DWORD dwHostNameLength = 0;
    INTERNET_PORT nPort = 0;
    const char16_t* lpszUserName = nullptr;
    DWORD dwUserNameLength = 0;
    const char16_t* lpszPassword = nullptr;
    DWORD dwPasswordLength = 0;
    const char16_t* lpszUrlPath = nullptr;
    DWORD dwUrlPathLength = 0;
    const char16_t* lpszExtraInfo = nullptr;
    DWORD dwExtraInfoLength = 0;
};

constexpr DWORD kWinHttpLocateComponent = 0xFFFFFFFF;
constexpr int INTERNET_SCHEME_HTTP = 1;
constexpr int INTERNET_SCHEME_HTTPS = 2;

// Access types of WinHttpOpen.
constexpr DWORD WINHTTP_ACCESS_TYPE_NO_PROXY = 1;
constexpr DWORD WINHTTP_ACCESS_TYPE_NAMED_PROXY = 3;

constexpr DWORD WINHTTP_FLAG_SECURE = 0x00800000;

// WinHttpSetCredentials.
constexpr DWORD WINHTTP_AUTH_TARGET_SERVER = 0;
constexpr DWORD WINHTTP_AUTH_TARGET_PROXY = 1;
constexpr DWORD WINHTTP_AUTH_SCHEME_BASIC = 1;

// WinHttpSetOption.
constexpr DWORD WINHTTP_OPTION_SECURITY_FLAGS = 31;
constexpr DWORD WINHTTP_OPTION_DISABLE_FEATURE = 63;
constexpr DWORD WINHTTP_OPTION_ENABLE_FEATURE = 79;
constexpr DWORD WINHTTP_DISABLE_COOKIES = 0x1;
constexpr DWORD WINHTTP_DISABLE_REDIRECTS = 0x2;
constexpr DWORD WINHTTP_ENABLE_SSL_REVOCATION = 0x1;

constexpr DWORD WINHTTP_ADDREQ_FLAG_ADD = 0x20000000;
constexpr DWORD WINHTTP_QUERY_RAW_HEADERS_CRLF = 22;

bool WinHttpCheckPlatform();

bool WinHttpCrackUrl(const char16_t* url, DWORD urlLength, DWORD flags, URL_COMPONENTS* components);

HINTERNET WinHttpOpen(const char16_t* agent, DWORD accessType, const char16_t* proxyName,
                      const char16_t* proxyBypass, DWORD flags);

bool WinHttpSetTimeouts(HINTERNET session, int resolveTimeout, int connectTimeout, int sendTimeout,
                        int receiveTimeout);

HINTERNET WinHttpConnect(HINTERNET session, const char16_t* serverName, INTERNET_PORT serverPort,
                         DWORD reserved);

// acceptTypes: null, or an array of strings ended by a null entry (not sent).
HINTERNET WinHttpOpenRequest(HINTERNET connect, const char16_t* verb, const char16_t* objectName,
                             const char16_t* version, const char16_t* referrer,
                             const char16_t** acceptTypes, DWORD flags);

bool WinHttpSetCredentials(HINTERNET request, DWORD authTargets, DWORD authScheme,
                           const char16_t* userName, const char16_t* password, void* authParams);

bool WinHttpSetOption(HINTERNET handle, DWORD option, const void* buffer, DWORD bufferLength);

bool WinHttpAddRequestHeaders(HINTERNET request, const char16_t* headers, DWORD headersLength,
                              DWORD modifiers);

// headers may be null with length 0; optional may be null when optionalLength is 0.
bool WinHttpSendRequest(HINTERNET request, const char16_t* headers, DWORD headersLength,
                        const void* optional, DWORD optionalLength, DWORD totalLength,
                        DWORD_PTR context);

bool WinHttpReceiveResponse(HINTERNET request, void* reserved);

bool WinHttpQueryDataAvailable(HINTERNET request, DWORD* numberOfBytesAvailable);

bool WinHttpReadData(HINTERNET request, void* buffer, DWORD numberOfBytesToRead,
                     DWORD* numberOfBytesRead);

// name: null (WINHTTP_HEADER_NAME_BY_INDEX); index may be null.
bool WinHttpQueryHeaders(HINTERNET request, DWORD infoLevel, const char16_t* name, void* buffer,
                         DWORD* bufferLength, DWORD* index);

bool WinHttpCloseHandle(HINTERNET handle);

// Test seam: every call is reported to `observe` with its name and the values passed,
// as text ("WinHttpSetTimeouts 30000 30000 30000 30000", "WinHttpSetOption 63 0x1"),
// and a call fails at once, doing nothing, when `failCall` is its name or its name and
// values ("WinHttpSetOption 63 0x2"). An empty seam turns both off.
struct WinHttpSeam {
    std::function<void(const std::string& call, const std::string& values)> observe;
    std::string failCall;
};
void SetWinHttpSeam(WinHttpSeam seam);

} // namespace kesmora::platform
