// InetFetch: one synchronous HTTP or HTTPS exchange over the WinInet-style stand-in,
// with the text routines its request and response handling is built from (header
// names, markers, address splitting, cookie collection and merging).
//
// Every routine here returns a new value and leaves its inputs alone, except the
// in-out and out parameters named below, which are the caller's own variables written
// in place. Texts are GBK bytes; searches, splits and case changes follow the text
// primitives of common/text.h (1-based positions, double-byte characters never split,
// ASCII-only case changes). Invalid or cut double-byte text is walked as the
// primitives walk it: a lead byte takes the byte after it, a lone lead byte at the end
// is one character. No routine here fails other than by an empty result.
#pragma once

#include "common/text.h"

#include <optional>

namespace kesmora {

// --- header and marker routines -----------------------------------------------------

// The agent InetFetch gives when the caller's headers name none.
inline constexpr const char* kDefaultUserAgent =
    "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// The "\r\n"-separated block with every header name capitalised (the first byte of
// each "-"-separated word, ASCII a-z only; nothing is lowered) and every line without
// a colon dropped, empty lines included. Joined with "\r\n", none after the last line;
// empty when no line survives.
Text NormalizeHeaderNames(const Text& block);

// The text with its first byte upper-cased when it is an ASCII letter a to z.
Text CapitalizeFirst(const Text& text);

// The bytes between the first `left` marker and the next `right` marker after it;
// empty when either is missing. In both markers the GBK text "#引号" stands for one
// double quote. An empty marker matches at once.
Text TextBetween(const Text& text, const Text& left, const Text& right);

// The bytes after the first ":", trimmed; empty when there is no colon.
Text ValueAfterColon(const Text& text);

// The bytes before the first `marker` (case regarded); empty when it is missing.
Text TextBefore(const Text& text, const Text& marker);

// --- address splitting (by text search; no user information, no IPv6 literals) -------

// Host name in lower case, with ":port" only when keepPort is on. An address without
// "http://" anywhere in it is taken as plain HTTP. Empty for an empty address.
Text UrlHost(const Text& address, bool keepPort = false);

// The number after the last ":" of the host with port (no digits give 0, no range
// check), else 443 for an address starting "https" and 80 for every other one.
int UrlPort(const Text& address);

// Object path with query: every byte of the address from the first "/" at or after
// the host, unchanged; "/" when there is none. Always begins with "/".
Text UrlPath(const Text& address);

// --- cookies -----------------------------------------------------------------------
// Cookie text: items "name=value" separated by exactly "; ".

// The first name=value of every "Set-Cookie" line of a raw response header block
// (name matched exactly, case regarded), joined with "; "; empty when there is none.
Text CollectSetCookies(const Text& block);

// Received items first, then sent items whose name the response did not use (the
// first of several sent items with one name only); items ending "=deleted" dropped
// with the sent cookie of that name; exact repeats removed. `sent` receives the
// result too.
Text MergeCookies(Text& sent, const Text& received);

// Bytes before the first "=" (the whole item without one), trimmed of spaces.
Text CookieName(const Text& item);

// True when an item of the list has the given CookieName.
bool HasCookieNamed(const TextArray& items, const Text& name);

// The text with repeated items (whole, identical items) removed, order kept.
Text UniqueItems(const Text& text, const Text& delimiter);

// 1-based index of the first element equal to `text`, or -1.
int IndexOfItem(const TextArray& items, const Text& text);

// --- request composition -------------------------------------------------------------

// The verb for a method index: GET, POST, HEAD, PUT, OPTIONS, DELETE, TRACE, CONNECT;
// an index outside 0..7 is taken as 0.
int ClampMethod(int method);
Text RequestVerb(int method);

// The agent for a header block: the trimmed value of its "User-Agent:" line (found
// regarding case), else the trimmed text after the block's first colon when a
// "User-Agent:" appears in any case, else kDefaultUserAgent. May be empty.
Text RequestAgent(const Text& headers);

// Adds the default headers a header block lacks (Accept, Referer = url as passed,
// Accept-Language, and the form content type for POST), each found in any case.
Text CompleteRequestHeaders(const Text& headers, const Text& url, int method);

// Adds the cookies as a "Cookie: " line (the text as it is when it holds "Cookie:");
// unchanged when `cookies` is empty.
Text AddCookieHeader(const Text& headers, const Text& cookies);

// --- the exchange ----------------------------------------------------------------------

// One exchange; returns the response body, empty on any failure (an empty body and a
// failure look the same). Pointers are the caller's variables, null when omitted:
//   cookies          in-out. Supplied (even empty): the process cookie store is not
//                    used, the text is sent as the Cookie line and, with mergeCookies,
//                    receives the merged cookies. Omitted: the process store sends and
//                    keeps cookies.
//   receivedCookies  out: the response's cookies, or the merged text.
//   responseHeaders  out: the raw response header block (status line first) when it
//                    fits in 4999 bytes, else 5000 spaces.
//   bodyBytes        in-out: body for verbs other than GET; when empty it receives the
//                    bytes of bodyText, which are sent.
// The three switches default to true when omitted. A proxy is "host:port"; socksProxy
// makes it a SOCKS proxy. Redirects are followed unless noRedirect is set.
// Certificates are verified: an untrusted, expired or mismatched one gives empty.
Bytes InetFetch(const Text& url, int method = 0, const Text& bodyText = Text(),
                Text* cookies = nullptr, Text* receivedCookies = nullptr,
                const Text& extraHeaders = Text(), Text* responseHeaders = nullptr,
                bool noRedirect = false, Bytes* bodyBytes = nullptr, const Text& proxy = Text(),
                std::optional<bool> mergeCookies = std::nullopt,
                std::optional<bool> completeHeaders = std::nullopt,
                std::optional<bool> fixHeaderCase = std::nullopt, bool socksProxy = false);

} // namespace kesmora
