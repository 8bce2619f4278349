// The text primitives, case by case. Byte fixtures: B0 41 is one double-byte
// character whose trail byte is the letter "A"; D6 D0 is the GBK character 中;
// A1 A1 is the full-width space.
#include "common/text.h"

#include <gtest/gtest.h>

#include <climits>

namespace kesmora {
namespace {

struct FindCase {
    const char* name;
    const char* text;
    const char* needle;
    int start;
    bool ignoreCase;
    int expected;
};

TEST(TextFind, Table) {
    const FindCase cases[] = {
        {"plain", "abcabc", "bc", 1, false, 2},
        {"from start", "abcabc", "bc", 3, false, 5},
        {"not found", "abc", "x", 1, false, -1},
        {"needle longer than text", "ab", "abc", 1, false, -1},
        {"start below 1 means 1", "abc", "a", -5, false, 1},
        {"start past the end", "abc", "a", 4, false, -1},
        {"empty needle", "abc", "", 1, false, 1},
        {"empty needle at last byte", "abc", "", 3, false, 1},
        {"empty needle past the end", "abc", "", 4, false, -1},
        {"empty needle in empty text", "", "", 1, false, -1},
        {"trail byte stepped over",
         "\xB0\x41"
         "A",
         "A", 1, false, 3},
        {"trail byte as start used unchanged",
         "\xB0\x41"
         "A",
         "A", 2, false, 2},
        {"match would begin on a stepped-over trail byte", "\xB0\xB0\x41", "\xB0\x41", 1, false,
         -1},
        {"caller start on that trail byte", "\xB0\xB0\x41", "\xB0\x41", 2, false, 2},
        {"walk from an even start", "a\xB0\xB0\xB0\x41", "\xB0\x41", 2, false, 4},
        {"walk from an odd start", "a\xB0\xB0\xB0\x41", "\xB0\x41", 3, false, -1},
        {"lone lead byte at the end", "ab\xB0", "\xB0", 1, false, 3},
        {"case regarded", "xAbc", "ab", 1, false, -1},
        {"case ignored", "xAbc", "ab", 1, true, 2},
        {"case ignored skips trail",
         "\xC1\x61"
         "A",
         "a", 1, true, 3},
        {"case ignored leaves high bytes exact", "\xC1\xE1", "\xC1\xC1", 1, true, -1},
    };
    for (const FindCase& c : cases) {
        EXPECT_EQ(Find(c.text, c.needle, c.start, c.ignoreCase), c.expected) << c.name;
        EXPECT_EQ(Contains(c.text, c.needle, c.ignoreCase),
                  Find(c.text, c.needle, 1, c.ignoreCase) != -1)
            << c.name;
    }
}

TEST(TextFind, Backward) {
    const FindCase cases[] = {
        {"last of several", "abab", "ab", 1, false, 3},
        {"overlapping", "aaa", "aa", 1, false, 2},
        {"only at or after start", "abab", "ab", 4, false, -1},
        {"trail byte stepped over", "A\xB0\x41", "A", 1, false, 1},
        {"trail byte as start", "A\xB0\x41", "A", 3, false, 3},
        {"case ignored", "AbaB", "ab", 1, true, 3},
        {"empty needle", "abc", "", 2, false, 1},
        {"not found", "abc", "d", 1, false, -1},
    };
    for (const FindCase& c : cases)
        EXPECT_EQ(FindBackward(c.text, c.needle, c.start, c.ignoreCase), c.expected) << c.name;
}

TEST(TextCut, LeftRightMiddle) {
    const Text t = "abcdef";
    EXPECT_EQ(Left(t, 0), "");
    EXPECT_EQ(Left(t, -1), "");
    EXPECT_EQ(Left(t, 2), "ab");
    EXPECT_EQ(Left(t, 99), t);
    EXPECT_EQ(Right(t, 0), "");
    EXPECT_EQ(Right(t, 2), "ef");
    EXPECT_EQ(Right(t, 99), t);
    EXPECT_EQ(Middle(t, 2, 3), "bcd");
    EXPECT_EQ(Middle(t, 5, 99), "ef");
    EXPECT_EQ(Middle(t, 0, 2), "");
    EXPECT_EQ(Middle(t, 7, 1), "");
    EXPECT_EQ(Middle(t, 2, 0), "");
    EXPECT_EQ(Middle(t, 3), "cdef");
    EXPECT_EQ(Middle(t, 7), "");
}

struct SplitCase {
    const char* name;
    const char* text;
    const char* delimiter;
    TextArray expected;
};

TEST(TextSplit, Table) {
    const SplitCase cases[] = {
        {"plain", "a,b,c", ",", {"a", "b", "c"}},
        {"empty text", "", ",", {}},
        {"adjacent delimiters keep the empty piece", "a,,b", ",", {"a", "", "b"}},
        {"leading delimiter", ",a", ",", {"", "a"}},
        {"final empty piece dropped", "a,b,", ",", {"a", "b"}},
        {"only a delimiter", ",", ",", {""}},
        {"no delimiter", "abc", ",", {"abc"}},
        {"empty delimiter", "abc", "", {"abc"}},
        {"longer delimiter", "a; b; c", "; ", {"a", "b", "c"}},
        {"delimiter inside a pair is not one",
         "\xB0\x41"
         "A"
         "x",
         "A",
         {"\xB0\x41", "x"}},
    };
    for (const SplitCase& c : cases)
        EXPECT_EQ(Split(c.text, c.delimiter), c.expected) << c.name;
    EXPECT_EQ(Join({"a", "", "b"}, ", "), "a, , b");
    EXPECT_EQ(Join({}, ","), "");
}

TEST(TextReplace, Table) {
    struct Case {
        const char* name;
        const char* text;
        const char* from;
        const char* to;
        bool ignoreCase;
        const char* expected;
    };
    const Case cases[] = {
        {"every occurrence", "a-b-c", "-", "+", false, "a+b+c"},
        {"non-overlapping left to right", "aaa", "aa", "b", false, "ba"},
        {"replacement not searched again", "ab", "a", "aa", false, "aab"},
        {"empty from changes nothing", "abc", "", "x", false, "abc"},
        {"to empty removes", "a-b", "-", "", false, "ab"},
        {"case regarded", "aAa", "A", "x", false, "axa"},
        {"case ignored", "aAa", "A", "x", true, "xxx"},
        {"trail byte left alone",
         "\xB0\x41"
         "A",
         "A", "z", false,
         "\xB0\x41"
         "z"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Replace(c.text, c.from, c.to, c.ignoreCase), c.expected) << c.name;
}

TEST(TextTrim, SpacesAndFullWidthSpacesOnly) {
    struct Case {
        const char* name;
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"spaces", "  a b  ", "a b"},
        {"full-width spaces", "\xA1\xA1 a\xA1\xA1", "a"},
        {"tabs and line ends stay", "\t a\r\n", "\t a\r\n"},
        {"other A1 pairs stay",
         "\xA1\xA2"
         "a\xA1\xA2",
         "\xA1\xA2"
         "a\xA1\xA2"},
        {"all blank", " \xA1\xA1 ", ""},
        {"inner spaces stay", "\xD6\xD0 \xA1\xA1\xD6\xD0", "\xD6\xD0 \xA1\xA1\xD6\xD0"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Trim(c.text), c.expected) << c.name;
}

TEST(TextCase, AsciiLettersOnlyAndNeverTrailBytes) {
    // B0 61 and C1 41: pairs whose trail bytes are the letters "a" and "A".
    EXPECT_EQ(ToUpper("ab\xB0\x61z1"), "AB\xB0\x61Z1");
    EXPECT_EQ(ToLower("AB\xC1\x41Z1"), "ab\xC1\x41z1");
    EXPECT_EQ(ToUpper("a\xB0"), "A\xB0"); // a lone lead byte at the end
}

TEST(TextToInteger, Table) {
    struct Case {
        const char* text;
        int expected;
    };
    const Case cases[] = {
        {"42", 42},
        {"  42abc", 42},
        {"\t7", 7},
        {"abc", 0},
        {"", 0},
        {"-5", 0},
        {"+5", 0},
        {"0012", 12},
        {"4 2", 4},
        {"\n3", 0},
        {"99999999999", INT_MAX},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToInteger(c.text), c.expected) << '"' << c.text << '"';
}

TEST(TextCompare, BytewiseUnsigned) {
    struct Case {
        const char* a;
        const char* b;
        int expected;
    };
    const Case cases[] = {
        {"abc", "abc", 0}, {"abc", "abd", -1},  {"abd", "abc", 1},  {"ab", "abc", -1},
        {"abc", "ab", 1},  {"", "", 0},         {"", "a", -1},      {"\x80", "a", 1},
        {"a", "\xFF", -1}, {"1.0", "1.10", -1}, {"1.9", "1.10", 1}, {"B", "a", -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Compare(c.a, c.b), c.expected) << '"' << c.a << "\" vs \"" << c.b << '"';
}

TEST(TextBasics, ZeroEndsTextButNotBytes) {
    const Bytes bytes(std::string("ab\0cd", 5));
    EXPECT_EQ(bytes.size(), 5u);
    EXPECT_EQ(ToText(bytes), "ab");
    EXPECT_EQ(ToBytes("ab").size(), 2u);
    EXPECT_EQ(Text(std::string_view("x\0y", 3)), "x");
    EXPECT_EQ(Text(static_cast<const char*>(nullptr)), "");
    EXPECT_EQ(Concat({"a", Text(), "b"}), "ab");
    EXPECT_TRUE(StartsWith("abc", "ab"));
    EXPECT_FALSE(StartsWith("ab", "abc"));
    EXPECT_TRUE(EndsWith("abc", "bc"));
    EXPECT_TRUE(EndsWith("abc", ""));
}

} // namespace
} // namespace kesmora
