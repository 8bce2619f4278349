// MultiByteToWideChar / WideCharToMultiByte / lstrlenW stand-ins and Gbk(). Byte
// fixtures: D6 D0 = 中 (U+4E2D) in GBK, E4 B8 AD = 中 in UTF-8, 80 = € in the Microsoft
// 936 table, AA A1 = a pair in GBK's user-defined area (no character).
#include "platform/code_page.h"
#include "platform/gbk.h"

#include <gtest/gtest.h>

#include <string>

namespace kesmora::platform {
namespace {

std::u16string Widen(unsigned codePage, const std::string& bytes, int length) {
    const int n = MultiByteToWideChar(codePage, 0, bytes.c_str(), length, nullptr, 0);
    std::u16string out(static_cast<std::size_t>(n), u'\0');
    if (n > 0) {
        EXPECT_EQ(MultiByteToWideChar(codePage, 0, bytes.c_str(), length, out.data(), n), n);
    }
    return out;
}

std::string Narrow(unsigned codePage, const std::u16string& units, int length) {
    const int n =
        WideCharToMultiByte(codePage, 0, units.c_str(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    if (n > 0) {
        EXPECT_EQ(WideCharToMultiByte(codePage, 0, units.c_str(), length, out.data(), n, nullptr,
                                      nullptr),
                  n);
    }
    return out;
}

int Len(const std::string& s) {
    return static_cast<int>(s.size());
}
int Len(const std::u16string& s) {
    return static_cast<int>(s.size());
}

TEST(MultiByteToWideChar, Table) {
    struct Case {
        const char* name;
        unsigned codePage;
        std::string bytes;
        std::u16string expected;
    };
    const Case cases[] = {
        {"gbk character", kCpGbk, "\xD6\xD0", u"\u4E2D"},
        {"code page 0 is 936", kCpAcp, "\xD6\xD0", u"\u4E2D"},
        {"euro", kCpGbk, "\x80", u"\u20AC"},
        {"ascii", kCpGbk, "a1", u"a1"},
        {"byte FF", kCpGbk, "\xFF", u"\uFFFD"},
        {"lone lead byte at the end", kCpGbk, "a\x81", u"a\uFFFD"},
        {"lead byte before a non-trail", kCpGbk, "\x81\x30", u"\uFFFD0"},
        {"unmapped pair is one character", kCpGbk, "\xAA\xA1x", u"\uFFFDx"},
        {"embedded zero with a length", kCpGbk, std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
        {"utf-8 character", kCpUtf8, "\xE4\xB8\xAD", u"\u4E2D"},
        {"utf-8 beyond the BMP", kCpUtf8, "\xF0\x9F\x98\x80", u"\U0001F600"},
        {"utf-8 BOM kept", kCpUtf8,
         "\xEF\xBB\xBF"
         "a",
         u"\uFEFFa"},
        {"utf-8 cut sequence is one replacement", kCpUtf8,
         "\xE4\xB8"
         "a",
         u"\uFFFDa"},
        {"utf-8 overlong", kCpUtf8, "\xC0\x80", u"\uFFFD\uFFFD"},
        {"utf-8 encoded surrogate", kCpUtf8, "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"utf-8 past U+10FFFF", kCpUtf8, "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"utf-8 stray continuation", kCpUtf8, "a\x80z", u"a\uFFFDz"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Widen(c.codePage, c.bytes, Len(c.bytes)), c.expected) << c.name;
}

TEST(WideCharToMultiByte, Table) {
    struct Case {
        const char* name;
        unsigned codePage;
        std::u16string units;
        std::string expected;
    };
    const Case cases[] = {
        {"gbk character", kCpGbk, u"\u4E2D", "\xD6\xD0"},
        {"code page 0 is 936", kCpAcp, u"\u4E2D", "\xD6\xD0"},
        {"euro", kCpGbk, u"\u20AC", "\x80"},
        {"character gbk lacks", kCpGbk, u"a\u0E01b", "a?b"},
        {"pair gbk lacks: one mark per unit", kCpGbk, u"\U0001F600", "??"},
        {"unpaired high surrogate", kCpGbk, std::u16string{0xD800, u'A'}, "?A"},
        {"unpaired low surrogate", kCpGbk, std::u16string{0xDC00}, "?"},
        {"utf-8 character", kCpUtf8, u"\u4E2D", "\xE4\xB8\xAD"},
        {"utf-8 pair", kCpUtf8, u"\U0001F600", "\xF0\x9F\x98\x80"},
        {"utf-8 unpaired high", kCpUtf8, std::u16string{0xD800, u'A'},
         "\xEF\xBF\xBD"
         "A"},
        {"utf-8 high surrogate at the end", kCpUtf8, std::u16string{u'A', 0xD800}, "A\xEF\xBF\xBD"},
        {"utf-8 swapped pair", kCpUtf8, std::u16string{0xDE00, 0xD83D}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Narrow(c.codePage, c.units, Len(c.units)), c.expected) << c.name;
}

TEST(CodePageCalls, LengthMinusOneCountsTheTerminator) {
    EXPECT_EQ(Widen(kCpGbk, "ab", -1), std::u16string(u"ab\0", 3));
    EXPECT_EQ(Widen(kCpUtf8, std::string("a\0b", 3), -1), std::u16string(u"a\0", 2));
    EXPECT_EQ(Narrow(kCpGbk, u"\u4E2D", -1), std::string("\xD6\xD0\0", 3));
    EXPECT_EQ(Narrow(kCpUtf8, std::u16string(u"a\0b", 3), -1), std::string("a\0", 2));
    // A high surrogate just before the terminator is unpaired.
    EXPECT_EQ(Narrow(kCpUtf8, std::u16string{u'a', 0xD800}, -1), std::string("a\xEF\xBF\xBD\0", 5));
}

TEST(CodePageCalls, RefusedArguments) {
    char16_t wide[8];
    char narrow[8];
    const char16_t* a = u"a";
    struct Case {
        const char* name;
        int result;
    };
    const Case cases[] = {
        {"code page 1252", MultiByteToWideChar(1252, 0, "a", 1, wide, 8)},
        {"code page 65000", MultiByteToWideChar(65000, 0, "a", 1, wide, 8)},
        {"flags", MultiByteToWideChar(kCpGbk, 8, "a", 1, wide, 8)},
        {"length 0", MultiByteToWideChar(kCpGbk, 0, "a", 0, wide, 8)},
        {"length -2", MultiByteToWideChar(kCpGbk, 0, "a", -2, wide, 8)},
        {"null source", MultiByteToWideChar(kCpGbk, 0, nullptr, -1, wide, 8)},
        {"negative size", MultiByteToWideChar(kCpGbk, 0, "a", 1, wide, -1)},
        {"buffer too small", MultiByteToWideChar(kCpGbk, 0, "ab", 2, wide, 1)},
        {"buffer null with a size", MultiByteToWideChar(kCpGbk, 0, "ab", 2, nullptr, 4)},
        {"wide code page 1252", WideCharToMultiByte(1252, 0, a, 1, narrow, 8, nullptr, nullptr)},
        {"wide flags", WideCharToMultiByte(kCpGbk, 0x400, a, 1, narrow, 8, nullptr, nullptr)},
        {"wide length 0", WideCharToMultiByte(kCpGbk, 0, a, 0, narrow, 8, nullptr, nullptr)},
        {"wide null source",
         WideCharToMultiByte(kCpGbk, 0, nullptr, -1, narrow, 8, nullptr, nullptr)},
        {"wide buffer too small",
         WideCharToMultiByte(kCpGbk, 0, u"\u4E2D", 1, narrow, 1, nullptr, nullptr)},
        {"utf-8 with a default character",
         WideCharToMultiByte(kCpUtf8, 0, a, 1, narrow, 8, "?", nullptr)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.result, 0) << c.name;
    EXPECT_EQ(MultiByteToWideChar(kCpGbk, 0, "ab", 2, wide, 2), 2) << "buffer of the exact size";
}

TEST(WideCharToMultiByte, DefaultCharacterAndItsFlag) {
    char out[8] = {};
    int used = -1;
    EXPECT_EQ(WideCharToMultiByte(kCpGbk, 0, u"a\u0E01", 2, out, 8, "*", &used), 2);
    EXPECT_EQ(std::string(out, 2), "a*");
    EXPECT_EQ(used, 1);
    EXPECT_EQ(WideCharToMultiByte(kCpGbk, 0, u"a\u20AC", 2, out, 8, nullptr, &used), 2);
    EXPECT_EQ(used, 0) << "the euro sign is in the table, no default used";
}

TEST(LstrlenW, CountsToTheFirstZeroUnit) {
    EXPECT_EQ(lstrlenW(nullptr), 0);
    EXPECT_EQ(lstrlenW(u""), 0);
    EXPECT_EQ(lstrlenW(u"ab\0c"), 2);
}

// Every GBK pair: those with a character come back as the same bytes; the others
// (user-defined areas and gaps) become exactly one replacement each.
TEST(CodePage936, EveryPairRoundTrips) {
    std::string pairs;
    for (int lead = 0x81; lead <= 0xFE; ++lead)
        for (int trail = 0x40; trail <= 0xFE; ++trail)
            if (trail != 0x7F)
                pairs += {static_cast<char>(lead), static_cast<char>(trail)};
    const std::u16string units = Widen(kCpGbk, pairs, Len(pairs));
    ASSERT_EQ(units.size() * 2, pairs.size()) << "one unit per pair";
    std::u16string mapped;
    std::string mappedPairs;
    for (std::size_t k = 0; k < units.size(); ++k) {
        if (units[k] == 0xFFFD)
            continue;
        mapped += units[k];
        mappedPairs += pairs.substr(2 * k, 2);
    }
    EXPECT_GT(mapped.size(), 21000u);
    EXPECT_EQ(Narrow(kCpGbk, mapped, Len(mapped)), mappedPairs);
}

TEST(Gbk, Literals) {
    EXPECT_EQ(Gbk("中"), Text("\xD6\xD0"));
    EXPECT_EQ(Gbk("a中€"), Text("a\xD6\xD0\x80"));
    EXPECT_EQ(Gbk("你是否确定关闭"),
              Text("\xC4\xE3\xCA\xC7\xB7\xF1\xC8\xB7\xB6\xA8\xB9\xD8\xB1\xD5"));
    EXPECT_EQ(Gbk(""), Text());
    EXPECT_EQ(Gbk("\xFF"), Text()) << "not UTF-8";
    EXPECT_EQ(Gbk("a\xE4\xB8"), Text()) << "cut UTF-8";
    EXPECT_EQ(Gbk("😀"), Text()) << "GBK lacks it";
    EXPECT_EQ(Gbk("\xEF\xBF\xBD"), Text()) << "the replacement character itself";
}

} // namespace
} // namespace kesmora::platform
