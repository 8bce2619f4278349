// The code-page calls and the text stream's UTF-8 reading against the iconv path they
// replace (code_page_iconv.h): the same units and bytes for every input, on all short
// sequences of the bytes and units where the rules change, every GBK pair and every
// unit, and random text weighted towards the awkward cases.
#include "platform/automation.h"
#include "platform/code_page.h"
#include "platform/code_page_iconv.h"
#include "platform/text_stream.h"
#include "platform/utf8_codec.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace kesmora::platform {
namespace {

using namespace std::string_literals;

std::string Hex(std::string_view bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string s;
    for (unsigned char c : bytes)
        s += {kHex[c >> 4], kHex[c & 0xF], ' '};
    return s;
}

std::string Hex(std::u16string_view units) {
    std::string s;
    for (char16_t u : units)
        s += Hex(std::string{static_cast<char>(u >> 8), static_cast<char>(u & 0xFF)}) + "| ";
    return s;
}

// The calls as a program makes them: the size, then the conversion into that size.
std::u16string Widen(unsigned codePage, std::string_view bytes) {
    const int length = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    std::u16string out(static_cast<std::size_t>(n), u'\0');
    if (n > 0) {
        EXPECT_EQ(MultiByteToWideChar(codePage, 0, bytes.data(), length, out.data(), n), n);
    }
    return out;
}

std::string Narrow(unsigned codePage, std::u16string_view units, const char* defaultChar,
                   int* usedDefault) {
    const int length = static_cast<int>(units.size());
    const int n = WideCharToMultiByte(codePage, 0, units.data(), length, nullptr, 0, defaultChar,
                                      usedDefault);
    std::string out(static_cast<std::size_t>(n), '\0');
    if (n > 0) {
        EXPECT_EQ(WideCharToMultiByte(codePage, 0, units.data(), length, out.data(), n, defaultChar,
                                      usedDefault),
                  n);
    }
    return out;
}

void ExpectDecodesLikeIconv(unsigned codePage, std::string_view bytes) {
    EXPECT_EQ(Widen(codePage, bytes), IconvDecodeCodePage(codePage, bytes))
        << "code page " << codePage << ", bytes " << Hex(bytes);
}

void ExpectEncodesLikeIconv(unsigned codePage, std::u16string_view units) {
    if (codePage == kCpUtf8) {
        bool unused = false;
        EXPECT_EQ(Narrow(codePage, units, nullptr, nullptr),
                  IconvEncodeCodePage(codePage, units, "", unused))
            << "units " << Hex(units);
        return;
    }
    // "？" (A3 BF), a default character of two bytes.
    for (const char* defaultChar : {static_cast<const char*>(nullptr), "*", "\xA3\xBF"}) {
        int used = -1;
        bool expectedUsed = false;
        const std::string expected =
            IconvEncodeCodePage(codePage, units, defaultChar ? defaultChar : "?", expectedUsed);
        EXPECT_EQ(Narrow(codePage, units, defaultChar, &used), expected) << "units " << Hex(units);
        EXPECT_EQ(used, expectedUsed ? 1 : 0) << "units " << Hex(units);
    }
}

// The text stream reads UTF-8 as iconv stops on it, not as the code-page calls do.
std::u16string StreamRead(std::string_view bytes) {
    std::u16string out(bytes.size(), u'\0');
    out.resize(DecodeUtf8(bytes, Utf8Repair::kEachByte, out.data()));
    EXPECT_EQ(DecodeUtf8(bytes, Utf8Repair::kEachByte, nullptr), out.size()) << "count only";
    return out;
}

void ExpectStreamReadsLikeIconv(std::string_view bytes) {
    EXPECT_EQ(StreamRead(bytes), IconvDecodeCharset(bytes, "UTF-8").value()) << Hex(bytes);
}

// Every sequence of up to `length` bytes drawn from `alphabet`, then `suffix`.
template <typename Check>
void ForEachSequence(const std::string& alphabet, int length, const std::string& suffix,
                     Check check) {
    std::vector<std::size_t> digits;
    for (int n = 1; n <= length; ++n) {
        digits.assign(static_cast<std::size_t>(n), 0);
        for (;;) {
            std::string s;
            for (std::size_t d : digits)
                s += alphabet[d];
            check(s + suffix);
            std::size_t k = 0;
            while (k < digits.size() && ++digits[k] == alphabet.size())
                digits[k++] = 0;
            if (k == digits.size())
                break;
        }
    }
}

// The bytes where UTF-8's rules change: ASCII, continuation bytes at the edges of the
// ranges that follow E0, ED, F0 and F4, lead bytes of every length iconv knows, bytes
// that never start anything.
const std::string kUtf8Edges = "\x00\x41\x7F\x80\x8F\x90\x9F\xA0\xBF\xC0\xC1\xC2\xDF\xE0\xE1\xED"
                               "\xEE\xEF\xF0\xF3\xF4\xF5\xF7\xF8\xFB\xFC\xFD\xFE\xFF"s;

TEST(CodePageFast, Utf8ShortSequencesDecodeLikeIconv) {
    for (const std::string& suffix : {""s, "A"s, "\x80"s, "\xE4\xB8\xAD"s}) {
        ForEachSequence(kUtf8Edges, 3, suffix, [](const std::string& s) {
            ExpectDecodesLikeIconv(kCpUtf8, s);
            ExpectStreamReadsLikeIconv(s);
        });
        if (HasFailure())
            return;
    }
}

// Random text mostly of the edge bytes, with whole characters and ASCII runs long
// enough for the word-at-a-time paths.
std::string RandomBytes(std::mt19937& random, const std::string& edges,
                        const std::vector<std::string>& pieces) {
    std::string s;
    const std::size_t length = random() % 96;
    while (s.size() < length) {
        const unsigned pick = random() % 8;
        if (pick < 4)
            s += edges[random() % edges.size()];
        else if (pick < 7)
            s += pieces[random() % pieces.size()];
        else
            s += std::string(random() % 20, static_cast<char>('a' + random() % 26));
    }
    return s;
}

TEST(CodePageFast, RandomUtf8DecodesLikeIconv) {
    std::mt19937 random(20240611);
    // 中 and 😀 whole, cut and overlong; a byte order mark.
    const std::vector<std::string> pieces = {"\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\xE4\xB8",
                                             "\xF0\x9F\x98", "\xE0\x80\xAD",     "\xEF\xBB\xBF"};
    for (int k = 0; k < 20000 && !HasFailure(); ++k) {
        const std::string s = RandomBytes(random, kUtf8Edges, pieces);
        ExpectDecodesLikeIconv(kCpUtf8, s);
        ExpectStreamReadsLikeIconv(s);
    }
}

// Lead bytes (the ends of the user-defined areas AA..AF, F8..FE and A1..A7 with
// 40..A0 among them), trail bytes at the edges of the trail range, 80 (the euro sign)
// and FF; ASCII trail bytes follow lead bytes in the random text.
const std::string kGbkEdges = "\x00\x30\x40\x41\x7E\x7F\x80\x81\xA0\xA1\xA7\xA8\xAA\xAF\xB0\xD6"
                              "\xD0\xF7\xF8\xFE\xFF"s;

TEST(CodePageFast, GbkDecodesLikeIconv) {
    // Every byte followed by every byte, in one text and one by one at the end.
    std::string all;
    for (unsigned first = 0x80; first < 0x100; ++first)
        for (unsigned second = 0; second < 0x100; ++second)
            all += {static_cast<char>(first), static_cast<char>(second)};
    ExpectDecodesLikeIconv(kCpGbk, all);
    for (unsigned first = 0x80; first < 0x100; ++first)
        for (const std::string& tail : {""s, "\x30"s, "\x41"s, "\xA1"s})
            ExpectDecodesLikeIconv(kCpAcp, "a" + std::string(1, static_cast<char>(first)) + tail);

    std::mt19937 random(936);
    const std::vector<std::string> pieces = {"\xD6\xD0", "\xAA\xA1", "\xA1\x40",
                                             "\xFE\xFE", "\x81\x40", "\xA3\xBF"};
    for (int k = 0; k < 20000 && !HasFailure(); ++k)
        ExpectDecodesLikeIconv(kCpGbk, RandomBytes(random, kGbkEdges, pieces));
}

TEST(CodePageFast, EveryUnitEncodesLikeIconv) {
    std::u16string all;
    for (unsigned u = 1; u < 0x10000; ++u)
        all += static_cast<char16_t>(u);
    for (unsigned codePage : {kCpGbk, kCpUtf8})
        ExpectEncodesLikeIconv(codePage, all);
}

TEST(CodePageFast, RandomUnitsEncodeLikeIconv) {
    // Units where the rules change: ASCII, the euro sign, CJK, a unit 936 lacks, both
    // halves of surrogate pairs at their edges, the last units of the BMP; pairs whole.
    const std::u16string edges = u"\u0000\u0041\u007F\u0080\u00B7\u20AC\u4E2D\u0E01\uE000\uFFFD"
                                 u"\uFFFF\xD800\xDBFF\xDC00\xDFFF"s;
    std::mt19937 random(65001);
    for (int k = 0; k < 20000 && !HasFailure(); ++k) {
        std::u16string units;
        const std::size_t length = 1 + random() % 64;
        while (units.size() < length) {
            const unsigned pick = random() % 4;
            if (pick < 2)
                units += edges[random() % edges.size()];
            else if (pick < 3)
                units += u"\U0001F600";
            else
                units += std::u16string(random() % 12, static_cast<char16_t>(u'a' + random() % 26));
        }
        for (unsigned codePage : {kCpGbk, kCpUtf8})
            ExpectEncodesLikeIconv(codePage, units);
    }
}

// However big the buffer, the calls write the same result or, when it is too small,
// nothing at all.
TEST(CodePageFast, EveryBufferSizeGivesTheSameResult) {
    // 中 in UTF-8 and GBK, a cut sequence, ASCII long enough for the word paths.
    const std::string utf8 = "\xE4\xB8\xAD" + std::string(20, 'x') + "\xE4\xB8";
    const std::string gbk = "\xD6\xD0" + std::string(20, 'x') + "\xAA\xA1\x81";
    for (const auto& [codePage, bytes] : {std::pair{kCpUtf8, utf8}, std::pair{kCpGbk, gbk}}) {
        const std::u16string expected = IconvDecodeCodePage(codePage, bytes);
        for (int size = 1; size <= static_cast<int>(bytes.size()) + 2; ++size) {
            std::u16string out(static_cast<std::size_t>(size), u'#');
            const int n = MultiByteToWideChar(codePage, 0, bytes.data(),
                                              static_cast<int>(bytes.size()), out.data(), size);
            const bool fits = size >= static_cast<int>(expected.size());
            EXPECT_EQ(n, fits ? static_cast<int>(expected.size()) : 0) << "size " << size;
            EXPECT_EQ(out.substr(0, expected.size()),
                      fits ? expected : std::u16string(expected.size(), u'#').substr(0, out.size()))
                << "size " << size;
        }
    }
    const std::u16string units = u"\u4E2D" + std::u16string(20, u'x') + u"\u0E01\xD800";
    for (unsigned codePage : {kCpGbk, kCpUtf8}) {
        bool unused = false;
        const std::string expected = IconvEncodeCodePage(codePage, units, "?", unused);
        for (int size = 1; size <= static_cast<int>(units.size()) * 3 + 2; ++size) {
            std::string out(static_cast<std::size_t>(size), '#');
            const int n =
                WideCharToMultiByte(codePage, 0, units.data(), static_cast<int>(units.size()),
                                    out.data(), size, nullptr, nullptr);
            const bool fits = size >= static_cast<int>(expected.size());
            EXPECT_EQ(n, fits ? static_cast<int>(expected.size()) : 0) << "size " << size;
            const std::string unchanged(out.size(), '#');
            EXPECT_EQ(out.substr(0, fits ? expected.size() : out.size()),
                      fits ? expected : unchanged)
                << "size " << size;
        }
    }
}

// The object itself: a leading byte order mark is dropped, in the fast path as in the
// iconv one, and a cut sequence at the end reads as one replacement.
TEST(CodePageFast, TextStreamReadsUtf8LikeIconv) {
    CoInitialize();
    ASSERT_TRUE(RegisterTextStreamClass());
    const std::string cases[] = {
        "\xEF\xBB\xBF"
        "a\xE4\xB8\xAD", // byte order mark, a中
        "\xEF\xBB\xBF\xEF\xBB\xBF"
        "a",         // two of them: the second stays
        "\xEF\xBB",  // a cut one
        "a\xE4\xB8", // a中 cut
        "a\xE0\x80"
        "b\xF8\x88\x80", // overlong, a five-byte form cut
        "",
    };
    for (const std::string& bytes : cases) {
        std::u16string expected = IconvDecodeCharset(bytes, "UTF-8").value();
        if (!expected.empty() && expected.front() == 0xFEFF)
            expected.erase(0, 1);
        for (const char16_t* charset : {u"utf-8", u"UTF8"}) {
            ObjectRef s = CreateObject(kTextStreamClass);
            ASSERT_TRUE(s);
            PutProperty(s, "Type", Variant(std::int32_t{1}));
            CallMethod(s, "Open", {}, nullptr);
            CallMethod(s, "Write", {Variant(Bytes(bytes))}, nullptr);
            PutProperty(s, "Position", Variant(std::int32_t{0}));
            PutProperty(s, "Type", Variant(std::int32_t{2}));
            PutProperty(s, "Charset", Variant(std::u16string(charset)));
            Variant text;
            ASSERT_TRUE(CallMethod(s, "ReadText", {}, &text)) << Hex(bytes);
            EXPECT_EQ(text.stringValue(), expected) << Hex(bytes);
        }
    }
    CoUninitialize();
}

} // namespace
} // namespace kesmora::platform
