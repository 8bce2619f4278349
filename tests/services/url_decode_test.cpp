// UrlDecode. Byte fixtures: E4 BD A0 = 你 in UTF-8, C4 E3 = 你 in GBK.
#include "app/services/services.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace kesmora {
namespace {

TEST(UrlDecode, Table) {
    struct Case {
        const char* name;
        const char* text;
        bool toGbk;
        const char* expected;
    };
    const Case cases[] = {
        {"empty", "", false, ""},
        {"empty to gbk", "", true, ""},
        {"plus and escape", "a+b%20c", false, "a b c"},
        {"lone percent at the end", "100%", false, "100%"},
        {"no hex digits", "%zz", false, "%zz"},
        {"one digit consumes both bytes", "%4g", false, "\x04"},
        {"one digit at the end", "%4", false, "\x04"},
        {"two escapes", "%41%42", false, "AB"},
        {"upper and lower hex", "%4a%4A", false, "JJ"},
        {"zero ends the result", "%00abc", false, ""},
        {"zero after text", "x%00y", false, "x"},
        {"gbk bytes kept", "%C4%E3", false, "\xC4\xE3"},
        {"utf-8 to gbk", "%e4%bd%a0", true, "\xC4\xE3"},
        {"plain text to gbk", "v1.0+ok", true, "v1.0 ok"},
        {"bad utf-8 to gbk", "a%ffb", true, "a?b"},
        {"character gbk lacks", "%F0%9F%98%80", true, "??"},
        {"escape inside a double-byte character", "\xB0%41", false,
         "\xB0"
         "A"},
        {"percent before an escape", "%%41", false, "%A"},
        {"sign read by the scan", "%-1", false, "\xFF"},
        {"blank read by the scan", "% 5", false, "\x05"},
        {"0x prefix alone", "%0x", false, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UrlDecode(c.text, c.toGbk), Text(c.expected)) << c.name;
}

// The two bytes after "%" are read exactly as sscanf "%x" reads them, for every pair
// of bytes and for a single byte at the end of the text. When the scan fails only the
// "%" is taken and the bytes after it are decoded on their own.
TEST(UrlDecode, EscapeReadsLikeSscanf) {
    auto expected = [](const std::string& digits) {
        unsigned value = 0;
        if (std::sscanf(digits.c_str(), "%x", &value) == 1)
            return Text(std::string(1, static_cast<char>(value & 0xFF)));
        return Text("%") + UrlDecode(Text(digits));
    };
    for (int a = 1; a < 256; ++a) {
        const std::string one(1, static_cast<char>(a));
        ASSERT_EQ(UrlDecode(Text("%" + one)), expected(one)) << "byte " << a;
        for (int b = 1; b < 256; ++b) {
            const std::string two = {static_cast<char>(a), static_cast<char>(b)};
            ASSERT_EQ(UrlDecode(Text("%" + two)), expected(two)) << "bytes " << a << ", " << b;
        }
    }
}

} // namespace
} // namespace kesmora
