// Cracking an address into the parts the request routine asks for.
#include "platform/winhttp.h"

#include <gtest/gtest.h>

#include <string>

namespace kesmora::platform {
namespace {

struct Cracked {
    int scheme = 0;
    std::u16string host;
    int port = 0;
    std::u16string path, extra;
};

std::u16string Part(const std::u16string& url, const char16_t* at, DWORD length) {
    if (length == 0)
        return {};
    EXPECT_GE(at, url.data()) << "points into the caller's string";
    EXPECT_LE(at + length, url.data() + url.size());
    return std::u16string(at, length);
}

std::optional<Cracked> Crack(const std::u16string& url) {
    URL_COMPONENTS c;
    c.dwStructSize = sizeof c;
    c.dwSchemeLength = c.dwHostNameLength = kWinHttpLocateComponent;
    c.dwUrlPathLength = c.dwExtraInfoLength = kWinHttpLocateComponent;
    if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &c))
        return std::nullopt;
    return Cracked{c.nScheme, Part(url, c.lpszHostName, c.dwHostNameLength), c.nPort,
                   Part(url, c.lpszUrlPath, c.dwUrlPathLength),
                   Part(url, c.lpszExtraInfo, c.dwExtraInfoLength)};
}

TEST(WinHttpCrackUrl, SplitsHttpAndHttpsAddresses) {
    struct Case {
        std::u16string url;
        std::optional<Cracked> expected;
    };
    const Case cases[] = {
        {u"http://h", Cracked{1, u"h", 80, u"", u""}},
        {u"https://h/", Cracked{2, u"h", 443, u"/", u""}},
        {u"HTTPS://h.example:8443/a/b?x=1#f", Cracked{2, u"h.example", 8443, u"/a/b", u"?x=1#f"}},
        {u"http://h?x=1", Cracked{1, u"h", 80, u"", u"?x=1"}},
        {u"http://h#top", Cracked{1, u"h", 80, u"", u"#top"}},
        {u"http://user:pw@h:81/p", Cracked{1, u"h", 81, u"/p", u""}},
        {u"http://[::1]:8080/", Cracked{1, u"[::1]", 8080, u"/", u""}},
        {u"http://h/\u4E2D?q=\u6587", Cracked{1, u"h", 80, u"/\u4E2D", u"?q=\u6587"}},
        {u"http://h:65535/", Cracked{1, u"h", 65535, u"/", u""}},
        {u"ftp://h/", std::nullopt},
        {u"file:///etc/passwd", std::nullopt},
        {u"h/path", std::nullopt},
        {u"http://", std::nullopt},
        {u"http://:80/", std::nullopt},
        {u"http://h:/", std::nullopt},
        {u"http://h:0/", std::nullopt},
        {u"http://h:65536/", std::nullopt},
        {u"http://h:8x/", std::nullopt},
        {u"http://h b/", std::nullopt},
        {u"http://[::1/", std::nullopt},
        {u"http://h/a\r\nX-Injected: 1", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.url.begin(), c.url.end()));
        const auto got = Crack(c.url);
        ASSERT_EQ(got.has_value(), c.expected.has_value());
        if (got) {
            EXPECT_EQ(got->scheme, c.expected->scheme);
            EXPECT_EQ(got->host, c.expected->host);
            EXPECT_EQ(got->port, c.expected->port);
            EXPECT_EQ(got->path, c.expected->path);
            EXPECT_EQ(got->extra, c.expected->extra);
        }
    }
}

TEST(WinHttpCrackUrl, FillsOnlyThePartsAskedFor) {
    const std::u16string url = u"http://h:81/p?q";
    URL_COMPONENTS c;
    c.dwStructSize = sizeof c;
    c.dwHostNameLength = kWinHttpLocateComponent;
    ASSERT_TRUE(WinHttpCrackUrl(url.c_str(), 0, 0, &c)) << "length 0: up to the terminator";
    EXPECT_EQ(c.lpszHostName, url.data() + 7);
    EXPECT_EQ(c.dwHostNameLength, 1u);
    EXPECT_EQ(c.nPort, 81);
    EXPECT_EQ(c.lpszUrlPath, nullptr);
    EXPECT_EQ(c.dwUrlPathLength, 0u);

    URL_COMPONENTS wrongSize;
    wrongSize.dwStructSize = 60;
    EXPECT_FALSE(WinHttpCrackUrl(url.c_str(), 0, 0, &wrongSize));
}

} // namespace
} // namespace kesmora::platform
