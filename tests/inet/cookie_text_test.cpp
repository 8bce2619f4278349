// Cookie collection from response header blocks and merging with sent cookies.
#include "inet/inet.h"

#include <gtest/gtest.h>

#include <string>

namespace kesmora {
namespace {

TEST(CollectSetCookies, FirstNameValueOfEachExactSetCookieLine) {
    struct Case {
        const char* name;
        Text block, expected;
    } const cases[] = {
        {"attributes dropped, order kept",
         "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nX: y\r\nSet-Cookie: b=2\r\n\r\n",
         "a=1; b=2"},
        {"no Set-Cookie line", "HTTP/1.1 200 OK\r\nServer: x\r\n\r\n", ""},
        {"lower-case name not collected", "set-cookie: a=1\r\nSET-COOKIE: b=2", ""},
        {"no space after the colon", "Set-Cookie:a=1", ""},
        {"spaces around the value", "Set-Cookie:   a=1  ; path=/", "a=1"},
        {"every marker removed in any case when no semicolon", "Set-Cookie: x=SET-COOKIE:y", "x=y"},
        {"colon inside the value", "Set-Cookie: a: b; c", "a: b"},
        {"empty items stay between others", "Set-Cookie: a=1\r\nSet-Cookie: ;x\r\nSet-Cookie: b=2",
         "a=1; ; b=2"},
        {"a lone empty item gives empty", "Set-Cookie: ; x", ""},
        {"same name twice", "Set-Cookie: a=1\r\nSet-Cookie: a=2", "a=1; a=2"},
        {"bare LF does not separate", "Set-Cookie: a=1\nSet-Cookie: b=2", "a=1\n b=2"},
        {"query buffer left unwritten", Text(std::string(5000, ' ')), ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CollectSetCookies(c.block).str(), c.expected.str()) << c.name;
}

TEST(MergeCookies, ReceivedFirstThenUnnamedSentAndTheSentVariableGetsTheResult) {
    struct Case {
        const char* name;
        Text sent, received, expected;
    } const cases[] = {
        {"received replaces and adds", "a=1; b=2", "b=3; c=4", "b=3; c=4; a=1"},
        {"deleted removes itself and the sent one", "a=1; b=2", "b=deleted", "a=1"},
        {"deleted with no sent cookie", "", "c=deleted", ""},
        {"sent deleted item dropped", "a=deleted; b=1", "", "b=1"},
        {"trailing semicolon", "a=1;", "", "a=1"},
        {"trailing separator", "a=1; ", "", "a=1"},
        {"surrounding spaces", "  a=1; b=2  ", "  c=3;", "c=3; a=1; b=2"},
        {"received keeps both of one name", "", "a=1; a=2", "a=1; a=2"},
        {"only the first sent of one name", "a=1; a=2", "", "a=1"},
        {"exact repeats removed", "x=1", "y=2; y=2", "y=2; x=1"},
        {"both empty", "", "", ""},
        {"only the exact separator divides", "a=1;b=2", "a=9", "a=9"},
        {"names are trimmed", " a =1", "a=2", "a=2"},
        {"names regard case", "A=1", "a=2", "a=2; A=1"},
        {"value ending in deleted without equals kept", "k=undeleted", "", "k=undeleted"},
        {"item without a value", "flag; a=1", "flag", "flag; a=1"},
    };
    for (const Case& c : cases) {
        Text sent = c.sent;
        const Text merged = MergeCookies(sent, c.received);
        EXPECT_EQ(merged.str(), c.expected.str()) << c.name;
        EXPECT_EQ(sent.str(), c.expected.str()) << c.name << " (sent variable)";
    }
}

TEST(MergeCookies, WithCollectedCookiesOfAResponse) {
    Text sent = "sid=old; lang=zh";
    const Text received = CollectSetCookies(
        "HTTP/1.1 200 OK\r\nSet-Cookie: sid=new; HttpOnly\r\nSet-Cookie: lang=deleted; "
        "expires=Thu, 01 Jan 1970 00:00:00 GMT\r\nSet-Cookie: t=1\r\n\r\n");
    EXPECT_EQ(MergeCookies(sent, received).str(), "sid=new; t=1");
}

TEST(CookieItems, NameLookupAndRepeats) {
    const struct {
        Text item, name;
    } names[] = {{"a=1", "a"}, {" a =1", "a"}, {"flag", "flag"},
                 {"=v", ""},   {"a=b=c", "a"}, {"", ""}};
    for (const auto& c : names)
        EXPECT_EQ(CookieName(c.item).str(), c.name.str()) << c.item.str();

    const TextArray items = {"x=1", " y =2", "x=3"};
    EXPECT_TRUE(HasCookieNamed(items, "y"));
    EXPECT_FALSE(HasCookieNamed(items, "z"));
    EXPECT_FALSE(HasCookieNamed({}, ""));
    EXPECT_EQ(IndexOfItem(items, "x=3"), 3);
    EXPECT_EQ(IndexOfItem({"a", "b", "a"}, "a"), 1);
    EXPECT_EQ(IndexOfItem(items, "x"), -1);
    EXPECT_EQ(IndexOfItem({}, ""), -1);

    const struct {
        Text text, delimiter, expected;
    } unique[] = {
        {"a; b; a; b; c", "; ", "a; b; c"},
        {"a=1; a=2", "; ", "a=1; a=2"},
        {"", "; ", ""},
        {"x,,x,,", ",", "x,"},
        {"a", ",", "a"},
    };
    for (const auto& c : unique)
        EXPECT_EQ(UniqueItems(c.text, c.delimiter).str(), c.expected.str()) << c.text.str();
}

} // namespace
} // namespace kesmora
