#include "inet/inet.h"

namespace kesmora {

int ClampMethod(int method) {
    return method < 0 || method > 7 ? 0 : method;
}

Text RequestVerb(int method) {
    static const char* const verbs[] = {"GET",     "POST",   "HEAD",  "PUT",
                                        "OPTIONS", "DELETE", "TRACE", "CONNECT"};
    return verbs[ClampMethod(method)];
}

Text RequestAgent(const Text& headers) {
    if (!Contains(headers, "User-Agent:", true))
        return kDefaultUserAgent;
    // The extraction regards case although the test above does not; a line such as
    // "user-agent: x" then falls back to the first colon of the whole block.
    const Text agent = Trim(TextBetween(headers + "\r\n", "User-Agent:", "\r\n"));
    if (!agent.empty())
        return agent;
    return ValueAfterColon(headers);
}

Text CompleteRequestHeaders(const Text& headers, const Text& url, int method) {
    Text block = headers;
    if (block.empty())
        block = "Accept: */*";
    if (!Contains(block, "Accept:", true))
        block += "\r\nAccept: */*";
    if (!Contains(block, "Referer:", true))
        block += "\r\nReferer: " + url;
    if (!Contains(block, "Accept-Language:", true))
        block += "\r\nAccept-Language: zh-cn";
    if (ClampMethod(method) == 1 && !Contains(block, "Content-Type:", true))
        block += "\r\nContent-Type: application/x-www-form-urlencoded";
    return block;
}

Text AddCookieHeader(const Text& headers, const Text& cookies) {
    if (cookies.empty())
        return headers;
    if (Contains(cookies, "Cookie:"))
        return headers + "\r\n" + cookies;
    return headers + "\r\nCookie: " + cookies;
}

} // namespace kesmora
