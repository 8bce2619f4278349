// Response processing of the WinHTTP routine on fixed header blocks and bodies: status,
// cookies, redirect target and the charset step.
#include "winhttp/winhttp.h"

#include "platform/gbk.h"
#include "platform/window_services.h"

#include "tests/support/text_printer.h"

#include <gtest/gtest.h>

namespace kesmora {
namespace {

struct Processed {
    Text result;
    Text cookies, received, headers, status, location;
    Bytes body;
};

Processed Process(const std::string& headers, const std::string& body, Text cookies = Text(),
                  Text received = Text(), bool merge = true) {
    RegexObject regex;
    Processed p;
    p.cookies = cookies;
    p.received = received;
    p.location = "kept";
    const WinHttpOutputs out{&p.cookies, &p.received, &p.headers, &p.status, &p.location, &p.body};
    p.result = ProcessWinHttpResponse(Text(headers), Bytes(body), merge, regex, out);
    return p;
}

TEST(ProcessWinHttpResponse, StatusFromByteTen) {
    struct Case {
        const char* headers;
        const char* status;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 OK\r\n\r\n", "200 OK"},
        {"HTTP/1.1 404 Not Found\r\nX: 1\r\n\r\n", "404 Not Found"},
        {"HTTP/1.1 302\r\n\r\n", "302"},
        {"HTTP/1.1 \r\n", ""},
        {"HTTP/1.1 200 OK", ""},
        {"short\r\n", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.headers);
        const Processed p = Process(c.headers, "");
        EXPECT_EQ(p.status, Text(c.status));
        EXPECT_EQ(p.headers, Text(c.headers));
    }
}

TEST(ProcessWinHttpResponse, CookiesAndLocation) {
    const std::string block = "HTTP/1.1 302 Found\r\n"
                              "Set-Cookie: a=1; path=/\r\n"
                              "location: /first\r\n"
                              "Set-Cookie: b=2\r\n"
                              "set-cookie: c=3\r\n"
                              "Set-Cookie:d=4\r\n"
                              "LOCATION: /next\r\n\r\n";
    struct Case {
        const char* name;
        const char* cookies;
        const char* received;
        bool merge;
        const char* cookiesAfter;
        const char* receivedAfter;
    };
    const Case cases[] = {
        {"collected", "", "", true, "", "a=1; b=2"},
        {"appended to what was passed", "", "x=9; ", true, "", "x=9; a=1; b=2"},
        {"merged into both", "b=0; z=5", "", true, "a=1; b=2; z=5", "a=1; b=2; z=5"},
        {"no merge leaves cookies", "b=0; z=5", "", false, "b=0; z=5", "a=1; b=2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Processed p = Process(block, "", c.cookies, c.received, c.merge);
        EXPECT_EQ(p.cookies, Text(c.cookiesAfter));
        EXPECT_EQ(p.received, Text(c.receivedAfter));
        EXPECT_EQ(p.location, Text("/next")) << "the last Location line, any case";
    }
    EXPECT_EQ(Process("HTTP/1.1 200 OK\r\n\r\n", "").location, Text("kept"));
    EXPECT_EQ(Process("HTTP/1.1 200 OK\r\nLocation: \r\n\r\n", "").location, Text(""));
}

TEST(ProcessWinHttpResponse, PumpsOncePerHeaderLineAndAfterTheCharsetStep) {
    static int pumped = 0;
    pumped = 0;
    platform::SetWindowServices({[] { ++pumped; }, nullptr});
    Process("HTTP/1.1 200 OK\r\nA: 1\r\n\r\n", "<meta charset=utf-8>");
    platform::SetWindowServices({});
    // The split gives the status line, "A: 1" and the empty line before the final CRLF.
    EXPECT_EQ(pumped, 3 + 1);
}

TEST(ProcessWinHttpResponse, CharsetStep) {
    const std::string chinese = "\xE4\xB8\xAD\xE6\x96\x87"; // "中文" in UTF-8
    const Text gbk = Gbk("中文");
    const std::string gbkBytes = gbk.str();
    const std::string filler(1100, ' ');
    struct Case {
        const char* name;
        std::string body;
        std::string expected;
    };
    const Case cases[] = {
        {"utf-8 re-decoded", "<meta charset=utf-8>" + chinese, "<meta charset=utf-8>" + gbkBytes},
        {"quoted, in a content attribute",
         "<META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">" + chinese,
         "<META http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">" + gbkBytes},
        {"gb2312 kept as bytes", "<meta charset=\"gb2312\">" + gbkBytes,
         "<meta charset=\"gb2312\">" + gbkBytes},
        {"gbk kept as bytes", "<meta charset=gbk>" + gbkBytes, "<meta charset=gbk>" + gbkBytes},
        {"GBK re-decoded as GBK", "<meta charset=GBK>" + gbkBytes, "<meta charset=GBK>" + gbkBytes},
        {"declaration past 1024 bytes unseen", filler + "<meta charset=utf-8>" + chinese,
         filler + "<meta charset=utf-8>" + chinese},
        {"no declaration", chinese, chinese},
        {"unknown charset empties the text", "<meta charset=x-garbage-1>abc", ""},
        {"text ends at a zero byte", std::string("ab\0cd", 5), "ab"},
        {"empty body", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Processed p = Process("HTTP/1.1 200 OK\r\n\r\n", c.body);
        EXPECT_EQ(p.result.str(), c.expected);
        EXPECT_EQ(p.body.str(), c.body) << "the body as received";
    }
}

TEST(ProcessWinHttpResponse, OmittedOutputsAreSkipped) {
    RegexObject regex;
    const Text result = ProcessWinHttpResponse(Text("HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\n\r\n"),
                                               Bytes(std::string("x")), true, regex, {});
    EXPECT_EQ(result, Text("x"));
}

} // namespace
} // namespace kesmora
