// The UTF-16 buffer routines. Byte fixtures: D6 D0 = 中 in GBK, 2D 4E = the same
// character as a UTF-16LE unit, E4 B8 AD = it in UTF-8; 61 00 = "a" as a unit.
#include "winhttp/code_pages.h"

#include <gtest/gtest.h>

#include <string>

namespace kesmora {
namespace {

Bytes B(const std::string& bytes) {
    return Bytes(bytes);
}
Bytes B(const char* bytes, std::size_t n) {
    return Bytes(std::string(bytes, n));
}

TEST(CodePages, TextToUtf16) {
    EXPECT_EQ(TextToUtf16(""), Bytes()) << "empty text: length 0, no lone terminator";
    EXPECT_EQ(TextToUtf16("", true), Bytes());
    EXPECT_EQ(TextToUtf16("abc"), B("a\0b\0c\0\0\0", 8));
    EXPECT_EQ(TextToUtf16("abc", true), B("a\0b\0c\0", 6));
    EXPECT_EQ(TextToUtf16("\xD6\xD0"), B("\x2D\x4E\0\0", 4));
    EXPECT_EQ(TextToUtf16("\x80"), B("\xAC\x20\0\0", 4)) << "euro";
}

TEST(CodePages, MultiByteToUtf16) {
    struct Case {
        const char* name;
        Bytes bytes;
        unsigned codePage;
        Bytes expected;
    };
    const Case cases[] = {
        {"utf-8", B("\xE4\xB8\xAD"), 65001, B("\x2D\x4E\0\0", 4)},
        {"stops at an embedded zero", B("a\0b", 3), 936, B("a\0\0\0", 4)},
        {"starts with zero", B("\0a", 2), 936, Bytes()},
        {"empty", Bytes(), 65001, Bytes()},
        {"code page 0 is gbk", B("\xD6\xD0"), 0, B("\x2D\x4E\0\0", 4)},
        {"refused code page", B("a"), 1252, Bytes()},
        {"bad utf-8 becomes U+FFFD", B("\xFF"), 65001, B("\xFD\xFF\0\0", 4)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MultiByteToUtf16(c.bytes, c.codePage), c.expected) << c.name;
}

TEST(CodePages, Utf16ToMultiByteAndText) {
    struct Case {
        const char* name;
        Bytes buffer;
        unsigned codePage;
        Bytes expected;
    };
    const Case cases[] = {
        {"with terminator", B("a\0b\0\0\0", 6), 936, B("ab")},
        {"without terminator", B("a\0b\0", 4), 936, B("ab")},
        {"stops at the first zero unit", B("a\0\0\0b\0", 6), 936, B("a")},
        {"odd last byte is a unit of its own", B("a\0b", 3), 936, B("ab")},
        {"starts with a zero unit", B("\0\0a\0", 4), 936, Bytes()},
        {"empty", Bytes(), 936, Bytes()},
        {"one byte", B("a"), 936, B("a")},
        {"gbk", B("\x2D\x4E", 2), 936, B("\xD6\xD0")},
        {"utf-8", B("\x2D\x4E", 2), 65001, B("\xE4\xB8\xAD")},
        {"character gbk lacks", B("\x01\x0E", 2), 936, B("?")},
        {"unpaired surrogate in utf-8", B("\x00\xD8", 2), 65001, B("\xEF\xBF\xBD")},
        {"refused code page", B("a\0", 2), 1252, Bytes()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf16ToMultiByte(c.buffer, c.codePage), c.expected) << c.name;
        EXPECT_EQ(Utf16ToText(c.buffer, c.codePage), ToText(c.expected)) << c.name;
    }
    EXPECT_EQ(Utf16ToText(B("\x2D\x4E", 2)), Text("\xD6\xD0")) << "default code page is 936";
    EXPECT_EQ(Utf16ToGbkText(B("\x2D\x4E\0\0", 4)), Text("\xD6\xD0"));
    EXPECT_EQ(Utf16ToGbkText(Bytes()), Text());
}

TEST(CodePages, Utf16ZToBytes) {
    EXPECT_EQ(Utf16ZToBytes(nullptr), Bytes());
    EXPECT_EQ(Utf16ZToBytes(u""), Bytes());
    EXPECT_EQ(Utf16ZToBytes(u"ab"), B("a\0b\0\0\0", 6));
    EXPECT_EQ(Utf16ZToBytes(u"a\0b"), B("a\0\0\0", 4));
    EXPECT_EQ(Utf16ZToBytes(u"\u4E2D"), B("\x2D\x4E\0\0", 4));
}

TEST(CodePages, CutUtf16AtNul) {
    struct Case {
        const char* name;
        Bytes buffer;
        Bytes without;
        Bytes with;
    };
    const Case cases[] = {
        {"cut at the zero unit", B("a\0\0\0b\0", 6), B("a\0", 2), B("a\0\0\0", 4)},
        {"starts with zero", B("\0\0a\0", 4), Bytes(), Bytes()},
        {"odd byte dropped", B("a\0b", 3), B("a\0", 2), B("a\0\0\0", 4)},
        {"no zero unit", B("a\0b\0", 4), B("a\0b\0", 4), B("a\0b\0\0\0", 6)},
        {"zero byte inside a unit is no zero unit", B("\0a\0\0", 4), B("\0a", 2), B("\0a\0\0", 4)},
        {"shorter than a unit", B("a"), Bytes(), Bytes()},
        {"empty", Bytes(), Bytes(), Bytes()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CutUtf16AtNul(c.buffer), c.without) << c.name;
        EXPECT_EQ(CutUtf16AtNul(c.buffer, true), c.with) << c.name;
    }
}

// Every GBK character survives TextToUtf16 and Utf16ToGbkText; the euro sign too.
TEST(CodePages, GbkTextRoundTrip) {
    std::string pairs;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail)
            if (trail != 0x7F)
                pairs += {static_cast<char>(lead), static_cast<char>(trail)};
    // One unit per pair; pairs without a character come out as U+FFFD and are left out.
    const Bytes units = TextToUtf16(Text(pairs), true);
    ASSERT_EQ(units.size(), pairs.size());
    std::string all = "\x80 ascii ~";
    for (std::size_t k = 0; k < pairs.size(); k += 2)
        if (units.str().compare(k, 2, "\xFD\xFF") != 0)
            all += pairs.substr(k, 2);
    ASSERT_GT(all.size(), 40000u);
    EXPECT_EQ(Utf16ToGbkText(TextToUtf16(Text(all))), Text(all));
    EXPECT_EQ(ToText(Utf16ToMultiByte(TextToUtf16(Text(all)), 0)), Text(all));
}

} // namespace
} // namespace kesmora
