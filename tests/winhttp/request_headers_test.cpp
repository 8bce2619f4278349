// The request header block of the WinHTTP routine, composed without a network.
#include "winhttp/winhttp.h"

#include "tests/support/text_printer.h"

#include <gtest/gtest.h>

namespace kesmora {
namespace {

const std::string kAgent =
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)";
const std::string kAccept = "Accept: text/html, application/xhtml+xml, */*";
const std::string kEncoding = "Accept-Encoding: identity";
const std::string kLanguage = "Accept-Language: zh-cn";
const std::string kForm = "Content-Type: application/x-www-form-urlencoded";
const std::string kCache = "Cache-Control: no-cache";
const std::string kDefaults =
    kAgent + "\r\n" + kAccept + "\r\n" + kEncoding + "\r\n" + kLanguage + "\r\n" + kCache;

TEST(ComposeWinHttpHeaders, Table) {
    struct Case {
        const char* name;
        std::string extra;
        int method;
        std::string cookies;
        bool complete;
        bool fixCase;
        std::string expected;
    };
    const Case cases[] = {
        {"defaults only", "", 0, "", true, true, kDefaults},
        {"POST adds the form type fifth", "", 1, "", true, true,
         kAgent + "\r\n" + kAccept + "\r\n" + kEncoding + "\r\n" + kLanguage + "\r\n" + kForm +
             "\r\n" + kCache},
        {"PUT adds no form type", "", 3, "", true, true, kDefaults},
        {"method out of range is no POST", "", 9, "", true, true, kDefaults},
        {"caller's accept in any case wins", "accept: x", 0, "", true, true,
         "Accept: x\r\n" + kAgent + "\r\n" + kEncoding + "\r\n" + kLanguage + "\r\n" + kCache},
        {"caller's agent wins", "User-Agent: Foo", 0, "", true, true,
         "User-Agent: Foo\r\n" + kAccept + "\r\n" + kEncoding + "\r\n" + kLanguage + "\r\n" +
             kCache},
        {"keep-alive line dropped", "Connection: keep-alive\r\nX-A: 1", 0, "", true, true,
         "X-A: 1\r\n" + kDefaults},
        {"close line kept", "Connection: close", 0, "", true, true,
         "Connection: close\r\n" + kDefaults},
        {"Keep-Alive in other case kept", "Connection: Keep-Alive", 0, "", true, true,
         "Connection: Keep-Alive\r\n" + kDefaults},
        {"keep-alive as the last line stays", "Connection: keep-alive", 0, "", false, true,
         "Connection: keep-alive"},
        {"only a line starting with Connection counts", "X-Connection: keep-alive", 0, "", false,
         true, "X-Connection: keep-alive"},
        {"first Connection line decides", "Connection: close\r\nConnection: keep-alive\r\nX: 1", 0,
         "", false, true, "Connection: close\r\nConnection: keep-alive\r\nX: 1"},
        {"line without colon dropped", "nocolon\r\nx-b: 2", 0, "", false, true, "X-B: 2"},
        {"cookies as a line", "", 0, "a=1", true, true, kDefaults + "\r\nCookie: a=1\r\n"},
        {"cookies already a line", "", 0, "Cookie: a=1", true, true,
         kDefaults + "\r\nCookie: a=1\r\n"},
        {"caller's cookie line suppresses them", "cookie: b=2", 0, "a=1", false, true,
         "Cookie: b=2"},
        {"unnormalised block keeps its CRLF", "", 0, "a=1", true, false,
         kDefaults + "\r\n\r\nCookie: a=1\r\n"},
        {"nothing at all", "", 0, "", false, true, ""},
        {"cookies alone", "", 0, "a=1", false, true, "\r\nCookie: a=1\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(
            ComposeWinHttpHeaders(Text(c.extra), c.method, Text(c.cookies), c.complete, c.fixCase)
                .str(),
            c.expected);
    }
}

} // namespace
} // namespace kesmora
