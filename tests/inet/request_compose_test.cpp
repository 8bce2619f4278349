// Verb, agent and header-block composition of a request, before anything is sent.
#include "inet/inet.h"

#include <gtest/gtest.h>

namespace kesmora {
namespace {

TEST(RequestVerb, TableWithOutOfRangeAsGet) {
    const char* const expected[] = {"GET",     "GET",    "POST",  "HEAD",    "PUT",
                                    "OPTIONS", "DELETE", "TRACE", "CONNECT", "GET"};
    for (int method = -1; method <= 8; ++method)
        EXPECT_EQ(RequestVerb(method).str(), expected[method + 1]) << method;
}

TEST(RequestAgent, FromTheHeaderBlock) {
    struct Case {
        const char* name;
        Text headers, agent;
    } const cases[] = {
        {"no headers", "", kDefaultUserAgent},
        {"no agent line", "Accept: x", kDefaultUserAgent},
        {"normalised line", "X: 1\r\nUser-Agent:  Foo Bar  \r\nY: 2", "Foo Bar"},
        {"line in another case: value after the block's first colon", "user-agent: Foo", "Foo"},
        {"other case, later line", "Accept: x\r\nuser-agent: Foo", "x\r\nuser-agent: Foo"},
        {"empty agent value", "Accept: x\r\nUser-Agent: ", "x\r\nUser-Agent:"},
        {"nothing at all", "User-Agent:", ""},
        {"name inside another name", "X-User-Agent: z", "z"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RequestAgent(c.headers).str(), c.agent.str()) << c.name;
}

TEST(CompleteRequestHeaders, AddsWhatTheBlockLacks) {
    const Text url = "http://h/p?q=1";
    const Text defaults = "Accept: */*\r\nReferer: http://h/p?q=1\r\nAccept-Language: zh-cn";
    const Text form = "\r\nContent-Type: application/x-www-form-urlencoded";
    struct Case {
        const char* name;
        Text headers;
        int method;
        Text expected;
    } const cases[] = {
        {"empty GET", "", 0, defaults},
        {"empty POST", "", 1, defaults + form},
        {"PUT gets no content type", "", 3, defaults},
        {"out of range is GET", "", 8, defaults},
        {"other header first", "X: 1", 0,
         "X: 1\r\nAccept: */*\r\nReferer: http://h/p?q=1\r\nAccept-Language: zh-cn"},
        {"present in another case", "accept: a\r\nREFERER: r\r\naccept-language: en", 0,
         "accept: a\r\nREFERER: r\r\naccept-language: en"},
        {"POST with its own type", "content-type: text/plain", 1,
         "content-type: text/plain\r\nAccept: */*\r\nReferer: http://h/p?q=1\r\nAccept-Language: "
         "zh-cn"},
        {"Accept-Language is not Accept", "Accept-Language: en", 0,
         "Accept-Language: en\r\nAccept: */*\r\nReferer: http://h/p?q=1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompleteRequestHeaders(c.headers, url, c.method).str(), c.expected.str())
            << c.name;
}

TEST(AddCookieHeader, OneCookieLine) {
    struct Case {
        Text headers, cookies, expected;
    } const cases[] = {
        {"H: 1", "a=1", "H: 1\r\nCookie: a=1"},
        {"H: 1", "Cookie: a=1", "H: 1\r\nCookie: a=1"},
        {"H: 1", "cookie: a=1", "H: 1\r\nCookie: cookie: a=1"},
        {"", "a=1; b=2", "\r\nCookie: a=1; b=2"},
        {"H: 1", "", "H: 1"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AddCookieHeader(c.headers, c.cookies).str(), c.expected.str()) << c.cookies.str();
}

} // namespace
} // namespace kesmora
