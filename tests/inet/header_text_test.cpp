// Header-name, marker and address routines, as tables of cases.
#include "inet/inet.h"
#include "platform/gbk.h"

#include <gtest/gtest.h>

namespace kesmora {
namespace {

struct TextCase {
    const char* name;
    Text input;
    Text expected;
};

TEST(NormalizeHeaderNames, CapitalisesWordsAndDropsLinesWithoutColon) {
    const TextCase cases[] = {
        {"example", "user-agent: X\r\ncontent-TYPE:a\r\nnocolon",
         "User-Agent: X\r\nContent-TYPE:a"},
        {"empty block", "", ""},
        {"only lines without colon", "a\r\n\r\nb", ""},
        {"empty lines dropped", "\r\nx-y: 1\r\n\r\n", "X-Y: 1"},
        {"value left alone", "a: b-c: d", "A: b-c: d"},
        {"runs and ends of dashes", "-a--b-: v", "-A--B-: v"},
        {"only a dash", "-: v", "-: v"},
        {"digits and upper case kept", "1x-Yz-9q: v", "1x-Yz-9q: v"},
        {"empty name", ": v", ": v"},
        {"bare CR and LF are not separators", "a: 1\nb: 2", "A: 1\nb: 2"},
        // 81 2D is one double-byte character: its second byte is no dash and its
        // second byte 3A is no colon, so "a" stays and the line without a real colon goes.
        {"dash inside a pair", "\x81-a: v", "\x81-a: v"},
        {"colon inside a pair", "x\x81:y", ""},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(NormalizeHeaderNames(c.input).str(), c.expected.str()) << c.name;
}

TEST(NormalizeHeaderNames, IsIdempotent) {
    const Text once = NormalizeHeaderNames("x-a-b: 1\r\nfoo\r\n-q-: 2\r\nuser-agent:z");
    EXPECT_EQ(NormalizeHeaderNames(once), once);
}

TEST(CapitalizeFirst, OnlyAsciiLowerCaseFirstByte) {
    const TextCase cases[] = {
        {"letter", "abc", "Abc"},
        {"upper", "Abc", "Abc"},
        {"digit", "1a", "1a"},
        {"empty", "", ""},
        {"lead byte",
         "\xe0"
         "a",
         "\xe0"
         "a"},
        {"z", "z", "Z"},
        {"past z", "{", "{"},
    };
    for (const TextCase& c : cases)
        EXPECT_EQ(CapitalizeFirst(c.input).str(), c.expected.str()) << c.name;
}

TEST(TextBetween, FirstLeftThenNextRight) {
    const Text quoteWord = Gbk("#引号");
    ASSERT_EQ(quoteWord.size(), 5u);
    struct Case {
        const char* name;
        Text text, left, right, expected;
    } const cases[] = {
        {"plain", "k=[v]; w=[u]", "[", "]", "v"},
        {"right must follow left", "]x[y]", "[", "]", "y"},
        {"left missing", "abc", "[", "]", ""},
        {"right missing", "a[bc", "[", "]", ""},
        {"left at the very end", "abc[", "[", "", ""},
        {"right follows at once", "[]", "[", "]", ""},
        {"empty right marker", "a[bc", "[", "", ""},
        {"empty left marker", "abc]", "", "]", "abc"},
        {"case regarded", "A=1", "a=", ";", ""},
        {"quote word in both markers", "a\"b\"c", quoteWord, quoteWord, "b"},
        {"quote word inside a marker", "x=\"1\";", "x=" + quoteWord, quoteWord + ";", "1"},
        {"multi-byte markers", "Set-Cookie: a=1; path", "Set-Cookie:", ";", " a=1"},
        // B0 5B is one character: its "[" is not a marker.
        {"marker inside a pair", "\xb0[x[y]", "[", "]", "y"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TextBetween(c.text, c.left, c.right).str(), c.expected.str()) << c.name;
}

TEST(ValueAfterColonAndTextBefore, Table) {
    struct Case {
        const char* name;
        Text text, afterColon, beforeSemicolon;
    } const cases[] = {
        {"usual", "Name: a; b", "a; b", "Name: a"},
        {"no marker", "plain", "", ""},
        {"marker first", ":; x", "; x", ":"},
        {"trims spaces not tabs", "a:  \tv  ;", "\tv  ;", "a:  \tv  "},
        {"full-width spaces trimmed", "a:\xa1\xa1v\xa1\xa1", "v", ""},
        {"empty", "", "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ValueAfterColon(c.text).str(), c.afterColon.str()) << c.name;
        EXPECT_EQ(TextBefore(c.text, ";").str(), c.beforeSemicolon.str()) << c.name;
    }
    EXPECT_EQ(TextBefore("a=1", "").str(), "");
}

TEST(UrlSplit, HostPortPath) {
    struct Case {
        Text address, host, hostWithPort;
        int port;
        Text path;
    } const cases[] = {
        {"https://Srv:8443/a/b?x=1", "srv", "srv:8443", 8443, "/a/b?x=1"},
        {"HTTP://SRV", "srv", "srv", 80, "/"},
        {"srv/p", "srv", "srv", 80, "/p"},
        {"https://srv", "srv", "srv", 443, "/"},
        {"http://srv:abc/", "srv", "srv:abc", 0, "/"},
        {"http://srv?x=1", "srv?x=1", "srv?x=1", 80, "/"},
        {"srv/?u=http://other/x", "other", "other", 80, "/x"},
        {"http://user:pw@host/x", "user", "user:pw@host", 0, "/x"},
        {"http://[::1]:8080/", "[", "[::1]:8080", 8080, "/"},
        {"http://http/x", "http", "http", 80, "//http/x"},
        {"HTTPS://A.B/Keep/Case?Q=1", "a.b", "a.b", 443, "/Keep/Case?Q=1"},
        {"https:x", "https", "https:x", 0, "/"},
        {"http://srv:1:2/", "srv", "srv:1:2", 2, "/"},
        {"http://srv:99999/", "srv", "srv:99999", 99999, "/"},
        {"", "", "", 80, "/"},
        {"/", "", "", 80, "/"},
        // B0 2F is one character: its "/" does not end the host.
        {"\xb0/srv/x", "\xb0/srv", "\xb0/srv", 80, "/x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address.str());
        EXPECT_EQ(UrlHost(c.address).str(), c.host.str());
        EXPECT_EQ(UrlHost(c.address, true).str(), c.hostWithPort.str());
        EXPECT_EQ(UrlPort(c.address), c.port);
        EXPECT_EQ(UrlPath(c.address).str(), c.path.str());
    }
}

} // namespace
} // namespace kesmora
