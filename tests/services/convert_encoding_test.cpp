// ConvertEncoding: strict, all or nothing. Byte fixtures: E4 BD A0 = 你 in UTF-8,
// C4 E3 = 你 in GBK; F0 9F 98 80 = an emoji GBK lacks.
#include "app/services/services.h"

#include <gtest/gtest.h>

#include <string>

namespace kesmora {
namespace {

Bytes B(const std::string& bytes) {
    return Bytes(bytes);
}

TEST(ConvertEncoding, AllOrNothing) {
    struct Case {
        const char* name;
        Bytes input;
        const char* from;
        const char* to;
        Bytes expected;
    };
    const Case cases[] = {
        {"utf-8 to gbk", B("\xE4\xBD\xA0"), "UTF-8", "GBK", B("\xC4\xE3")},
        {"gbk to utf-8", B("a\xC4\xE3"), "GBK", "UTF-8", B("a\xE4\xBD\xA0")},
        {"zero bytes pass through", B(std::string("a\0b", 3)), "UTF-8", "GBK",
         B(std::string("a\0b", 3))},
        {"empty input", Bytes(), "UTF-8", "GBK", Bytes()},
        {"invalid byte", B("\xFF"), "UTF-8", "GBK", Bytes()},
        {"invalid byte after good text", B("abc\xFF"), "UTF-8", "GBK", Bytes()},
        {"cut sequence", B("a\xE4\xBD"), "UTF-8", "GBK", Bytes()},
        {"character the target lacks", B("a\xF0\x9F\x98\x80"), "UTF-8", "GBK", Bytes()},
        {"no transliteration by suffix", B("a\xF0\x9F\x98\x80"), "UTF-8", "GBK//TRANSLIT", Bytes()},
        {"no skipping by suffix", B("a\xFF"), "UTF-8//IGNORE", "GBK", Bytes()},
        {"unknown source", B("a"), "NO-SUCH", "GBK", Bytes()},
        {"empty target name", B("a"), "UTF-8", "", Bytes()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ConvertEncoding(c.input, c.from, c.to), c.expected) << c.name;
}

// Fourfold growth needs the output buffer to grow past its first estimate.
TEST(ConvertEncoding, GrowsTheOutput) {
    const std::string ascii(5000, 'x');
    std::string wide;
    for (char c : ascii)
        wide += {c, '\0', '\0', '\0'};
    EXPECT_EQ(ConvertEncoding(B(ascii), "UTF-8", "UTF-32LE"), B(wide));
    EXPECT_EQ(ConvertEncoding(B(std::string(1, 'x')), "UTF-8", "UTF-32LE"), B(wide.substr(0, 4)));
}

TEST(ConvertEncoding, StatefulTargetEndsInItsInitialState) {
    const Bytes jis = ConvertEncoding(B("a\xE6\x97\xA5"), "UTF-8", "ISO-2022-JP"); // a日
    ASSERT_FALSE(jis.empty());
    EXPECT_EQ(jis.str().substr(jis.size() - 3), "\x1B(B");
    EXPECT_EQ(ConvertEncoding(jis, "ISO-2022-JP", "UTF-8"), B("a\xE6\x97\xA5"));
}

TEST(ConvertEncoding, GbkRoundTripOfEveryCharacter) {
    std::string gbk;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const std::string pair = {static_cast<char>(lead), static_cast<char>(trail)};
            if (trail != 0x7F && !ConvertEncoding(B(pair), "GBK", "UTF-8").empty())
                gbk += pair;
        }
    ASSERT_GT(gbk.size(), 40000u);
    const Bytes utf8 = ConvertEncoding(B(gbk), "GBK", "UTF-8");
    ASSERT_FALSE(utf8.empty());
    EXPECT_EQ(ConvertEncoding(utf8, "UTF-8", "GBK"), B(gbk));
}

} // namespace
} // namespace kesmora
