// WinHttpFetch: one synchronous HTTP or HTTPS exchange over the WinHTTP-style stand-in,
// with the pieces it is built from (request header block, response processing, the
// body's declared charset), the installed-update query and the code-page conversions.
//
// Texts are GBK bytes and follow the primitives of common/text.h (1-based positions,
// double-byte characters never split, ASCII-only case rules); invalid or cut
// double-byte text is walked as those primitives walk it. Pointers are the caller's
// own variables, null when omitted; nothing here throws.
#pragma once

#include "common/text.h"
#include "platform/installed_updates.h"
#include "script/script.h"
#include "winhttp/code_pages.h"

#include <memory>
#include <optional>

namespace kesmora {

// --- the exchange ----------------------------------------------------------------------

// One exchange; returns the response body as text, re-decoded from the charset that
// the body declares in a <meta ... charset=...> within its first 1024 bytes (unless
// that is "gbk" or "gb2312"); empty after every failure except a failed read.
//   method           verb index 0 GET .. 7 CONNECT; anything else is GET. The body
//                    (bodyBytes when not empty, else bodyText) goes with any verb.
//   cookies          in-out: sent as the Cookie line unless the header block has one;
//                    receives the merged cookies when mergeCookies is on and it is
//                    not empty.
//   receivedCookies  in-out: the response's Set-Cookie items are appended to what it
//                    holds ("; "-separated); the merged text when merging.
//   responseHeaders  out: the raw response header block, status line first.
//   status           out: the response's code and reason ("200 OK"), or a numbered
//                    failure text ("711 发送请求失败!" and the like, GBK).
//   location         out: the value of the last "Location: " response line (any case);
//                    kept when there is none.
//   responseBody     out: the body bytes as received.
//   timeoutSeconds   the limit for each of resolve, connect, send and receive; 0 or
//                    less means 30 s.
//   proxy            "host:port" of an HTTP proxy, empty for a direct connection.
// Credentials are used only when both user and password are given. Redirects are
// followed (http and https targets only) unless noRedirect is set. Certificates are
// verified; a certificate that fails is a send failure. Out parameters are written
// only once a response arrived, status also on every failure.
Text WinHttpFetch(const Text& url, int method = 0, const Text& bodyText = Text(),
                  Text* cookies = nullptr, Text* receivedCookies = nullptr,
                  const Text& extraHeaders = Text(), Text* responseHeaders = nullptr,
                  bool noRedirect = false, const Text& serverUser = Text(),
                  const Text& serverPassword = Text(), const Text& proxy = Text(),
                  const Text& proxyUser = Text(), const Text& proxyPassword = Text(),
                  int timeoutSeconds = 0, Text* location = nullptr, Text* status = nullptr,
                  Bytes* responseBody = nullptr, std::optional<bool> mergeCookies = std::nullopt,
                  std::optional<bool> completeHeaders = std::nullopt,
                  const Bytes& bodyBytes = Bytes(),
                  std::optional<bool> fixHeaderCase = std::nullopt);

// --- request header block ----------------------------------------------------------------

// The block handed to the request: the caller's lines, the default lines it lacks
// (User-Agent, Accept, Accept-Encoding, Accept-Language, the form Content-Type for
// method 1, Cache-Control; each found in any case) when completeHeaders is on, header
// names capitalised when fixHeaderCase is on, a leading "Connection: keep-alive" line
// dropped, and the cookies as a Cookie line when the block has none. Empty when there
// is nothing to send.
Text ComposeWinHttpHeaders(const Text& extraHeaders, int method, const Text& cookies,
                           bool completeHeaders, bool fixHeaderCase);

// --- response processing -------------------------------------------------------------------

// The caller's variables that response processing writes; null ones are skipped.
struct WinHttpOutputs {
    Text* cookies = nullptr;         // in-out
    Text* receivedCookies = nullptr; // in-out, appended to
    Text* responseHeaders = nullptr;
    Text* status = nullptr;
    Text* location = nullptr;
    Bytes* responseBody = nullptr;
};

// Derives everything from the raw header block (GBK, "\r\n"-separated, status line
// first) and the body: status from byte 10 of the block, Set-Cookie items (name
// matched exactly), the last Location line, the merge, then the body as text after
// the charset step. The window's pending messages are processed once per header line
// and once after the charset step. Returns the result text.
Text ProcessWinHttpResponse(const Text& rawHeaders, Bytes body, bool mergeCookies,
                            RegexObject& regex, const WinHttpOutputs& out);

// The charset step: searches the first 1024 bytes of the body as text for a
// <meta ... charset=NAME> declaration with `regex`; for a NAME other than "gbk" and
// "gb2312" (compared exactly) the body is read through the text stream object in that
// charset and the result is its GBK text (empty when the stream cannot read that
// charset). Otherwise the body's bytes up to the first zero are the result.
Text DecodeDeclaredCharset(RegexObject& regex, const Bytes& body);

// --- installed updates ---------------------------------------------------------------------

// Empties *hotFixIds (may be null) and fills it with the identifiers of this system's
// installed updates, only those equal to *hotFixId when given; returns their number.
// 0 and an empty list when the query fails: no COM on this thread, a quote in the id,
// an unreadable package database.
int QueryHotFixes(TextArray* hotFixIds, const std::optional<Text>& hotFixId = std::nullopt);

// The update services of a namespace (a UTF-16 buffer with terminator); null when COM
// is not initialised on this thread or the namespace is unknown.
std::unique_ptr<platform::UpdateServices> ConnectWmiNamespace(const Bytes& nameSpace);

} // namespace kesmora
