// WinInet-style calls for the program's plain file fetch and its general request
// routine: one synchronous HTTP or HTTPS exchange per request handle, on the shared
// exchange engine (platform/http_exchange.h).
//
// Handles are opaque values; 0 is no handle. Internet, connect and request handles may
// be closed in any order: a child keeps what it needs of its parents. Calls on a closed
// or unknown handle fail. Every call blocks its caller and nothing runs in the
// background; requests under one internet handle take turns on its kept connection.
//
// What the calls mean, as the routines rely on it:
//   - InternetOpenA: access type 1 is a direct connection (the system's proxy settings
//     are never consulted); 3 takes a proxy list of entries separated by spaces or ";":
//     "http=host:port" proxies plain HTTP only, "https=host:port" HTTPS only,
//     "SOCKS=host:port" is a SOCKS5 proxy that resolves names itself, a bare
//     "host:port" proxies everything. A request uses the entry for its scheme, else a
//     bare entry, else a SOCKS entry, else goes direct. A missing proxy port is 80
//     (1080 for SOCKS). An empty or null agent sends no User-Agent line.
//   - InternetConnectA only records the server; nothing reaches the network before
//     HttpSendRequestA. A user name (with its password, which may be empty) is sent
//     as basic credentials.
//   - HttpOpenRequestA: a null verb is "GET"; a null or empty object is "/"; a version
//     of "HTTP/1.0" speaks HTTP/1.0 (asking for a kept connection), anything else
//     HTTP/1.1. Accept types form one "Accept:" line. Flags: INTERNET_FLAG_SECURE makes
//     the request HTTPS; INTERNET_FLAG_NO_AUTO_REDIRECT returns a redirect response as
//     it is; INTERNET_FLAG_NO_COOKIES keeps the request away from the process-wide
//     cookie store, which otherwise sends the stored cookies with every request of the
//     process and keeps every cookie a response sets. Nothing is ever cached, whatever
//     the cache flags say.
//   - InternetSetOptionA: only INTERNET_OPTION_SECURITY_FLAGS is known; it is accepted
//     and changes nothing: certificates are always verified (an untrusted, expired or
//     mismatched certificate fails the send).
//   - HttpSendRequestA: the header block is "\r\n"-separated lines (length (DWORD)-1:
//     up to the first zero byte); a line replaces the agent or accept line of the same
//     name, lines without a colon are dropped. Returns once the response headers of
//     the last response (after redirects) have arrived; false when the server could not
//     be reached, the TLS handshake failed, no response came, or a limit
//     (platform/http_limits.h) was passed. A HEAD request sends no body.
//   - InternetReadFile hands out the body in pieces of at most the size asked for; 0
//     bytes with true is the end. After a failed send, and at the point where a body
//     was cut short (connection reset, time limit), it reports 0 bytes and false; the
//     bytes before that point are handed out first.
//   - HttpQueryInfoA: HTTP_QUERY_RAW_HEADERS_CRLF gives the last response's header
//     block (status line first, each line ended by "\r\n", an empty line last);
//     HTTP_QUERY_CONTENT_LENGTH the Content-Length value as text. The text and a zero
//     byte are written when they fit in *bufferLength bytes, which then receives the
//     text's length; otherwise the call fails, leaves the buffer untouched and sets
//     *bufferLength to the size needed. It fails without writing when no response
//     arrived or the header is absent. `index` may be null and is not used.
#pragma once

#include "platform/internet_types.h"

namespace kesmora::platform {

// Access types of InternetOpenA.
constexpr DWORD INTERNET_OPEN_TYPE_DIRECT = 1;
constexpr DWORD INTERNET_OPEN_TYPE_PROXY = 3;

// Service of InternetConnectA and the default ports.
constexpr DWORD INTERNET_SERVICE_HTTP = 3;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTP_PORT = 80;
constexpr INTERNET_PORT INTERNET_DEFAULT_HTTPS_PORT = 443;

// Request flags of HttpOpenRequestA.
constexpr DWORD INTERNET_FLAG_RELOAD = 0x80000000;
constexpr DWORD INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000;
constexpr DWORD INTERNET_FLAG_SECURE = 0x00800000;
constexpr DWORD INTERNET_FLAG_NO_AUTO_REDIRECT = 0x00200000;
constexpr DWORD INTERNET_FLAG_NO_COOKIES = 0x00080000;
constexpr DWORD INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS = 0x00004000;
constexpr DWORD INTERNET_FLAG_NEED_FILE = 0x00000010;

// InternetSetOptionA: the certificate-error flags (accepted, never applied).
constexpr DWORD INTERNET_OPTION_SECURITY_FLAGS = 31;
constexpr DWORD SECURITY_FLAG_IGNORE_REVOCATION = 0x00000080;
constexpr DWORD SECURITY_FLAG_IGNORE_UNKNOWN_CA = 0x00000100;
constexpr DWORD SECURITY_FLAG_IGNORE_WRONG_USAGE = 0x00000200;
constexpr DWORD SECURITY_FLAG_IGNORE_CERT_CN_INVALID = 0x00001000;
constexpr DWORD SECURITY_FLAG_IGNORE_CERT_DATE_INVALID = 0x00002000;
constexpr DWORD SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTPS = 0x00004000;
constexpr DWORD SECURITY_FLAG_IGNORE_REDIRECT_TO_HTTP = 0x00008000;
constexpr DWORD SECURITY_FLAG_IGNORE_WEAK_SIGNATURE = 0x00010000;

// Info levels of HttpQueryInfoA.
constexpr DWORD HTTP_QUERY_CONTENT_LENGTH = 5;
constexpr DWORD HTTP_QUERY_RAW_HEADERS_CRLF = 22;

HINTERNET InternetOpenA(const char* agent, DWORD accessType, const char* proxy,
                        const char* proxyBypass, DWORD flags);

HINTERNET InternetConnectA(HINTERNET internet, const char* serverName, INTERNET_PORT serverPort,
                           const char* userName, const char* password, DWORD service, DWORD flags,
                           DWORD_PTR context);

// acceptTypes: null, or an array of texts ended by a null entry.
HINTERNET HttpOpenRequestA(HINTERNET connect, const char* verb, const char* objectName,
                           const char* version, const char* referrer, const char** acceptTypes,
                           DWORD flags, DWORD_PTR context);

bool InternetSetOptionA(HINTERNET handle, DWORD option, const void* buffer, DWORD bufferLength);

// headers may be null (headersLength ignored); optional may be null when
// optionalLength is 0.
bool HttpSendRequestA(HINTERNET request, const char* headers, DWORD headersLength,
                      const void* optional, DWORD optionalLength);

bool InternetReadFile(HINTERNET request, void* buffer, DWORD numberOfBytesToRead,
                      DWORD* numberOfBytesRead);

bool HttpQueryInfoA(HINTERNET request, DWORD infoLevel, void* buffer, DWORD* bufferLength,
                    DWORD* index);

bool InternetCloseHandle(HINTERNET handle);

} // namespace kesmora::platform
