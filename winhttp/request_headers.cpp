#include "winhttp/winhttp.h"

#include "inet/inet.h"

namespace kesmora {
namespace {

struct DefaultHeader {
    const char* present; // skipped when the block holds this, in any case
    const char* line;
};

// Tested and appended in this order; the form type only for POST.
const DefaultHeader kDefaults[] = {
    {"User-Agent: ",
     "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"},
    {"Accept: ", "Accept: text/html, application/xhtml+xml, */*\r\n"},
    {"Accept-Encoding: ", "Accept-Encoding: identity\r\n"},
    {"Accept-Language: ", "Accept-Language: zh-cn\r\n"},
    {"Content-Type:", "Content-Type: application/x-www-form-urlencoded\r\n"},
    {"Cache-Control: ", "Cache-Control: no-cache\r\n"},
};
constexpr int kFormTypeRow = 4;
constexpr int kPostMethod = 1;

Text AddDefaultHeaders(Text block, int method) {
    for (int row = 0; row < static_cast<int>(std::size(kDefaults)); ++row) {
        if (row == kFormTypeRow && method != kPostMethod)
            continue;
        if (!Contains(block, kDefaults[row].present, true))
            block += kDefaults[row].line;
    }
    return block;
}

// A "Connection: keep-alive" request is dropped: the connection is kept anyway, and
// only lines ended by CRLF go, so one at the very end of the block stays.
Text DropKeepAlive(const Text& block) {
    if (!Contains(block, "Connection"))
        return block;
    for (const Text& line : Split(block, "\r\n")) {
        if (Left(line, 10) != Text("Connection"))
            continue;
        const int at = FindBackward(line, "Connection: ");
        const Text value = at < 1 ? Text() : Middle(line, at + 12);
        if (value == Text("keep-alive"))
            return Replace(block, "Connection: keep-alive\r\n", "");
        return block;
    }
    return block;
}

Text AddCookieLine(const Text& block, const Text& cookies) {
    if (Contains(block, "Cookie:", true) || cookies.empty())
        return block;
    if (Contains(cookies, "Cookie:", true))
        return Concat({block, "\r\n", cookies, "\r\n"});
    return Concat({block, "\r\nCookie: ", cookies, "\r\n"});
}

} // namespace

Text ComposeWinHttpHeaders(const Text& extraHeaders, int method, const Text& cookies,
                           bool completeHeaders, bool fixHeaderCase) {
    Text block = extraHeaders.empty() ? Text() : extraHeaders + "\r\n";
    if (completeHeaders)
        block = AddDefaultHeaders(block, method);
    if (fixHeaderCase)
        block = NormalizeHeaderNames(block);
    block = DropKeepAlive(block);
    return AddCookieLine(block, cookies);
}

} // namespace kesmora
