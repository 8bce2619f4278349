// RegexObject: options and their defaults, the quote marker, byte positions in GBK
// subjects (with the reproduced case rule of the position search), groups, counts,
// replacement and copies.
#include "script/script.h"

#include "platform/gbk.h"

#include "tests/support/text_printer.h"

#include <gtest/gtest.h>

namespace kesmora {
namespace {

TEST(RegexObjectTest, DefaultOptions) {
    RegexObject re;
    ASSERT_TRUE(re.Search("^b.$", "A\nBc\nbd"));
    EXPECT_EQ(re.MatchCount(), 2) << "case ignored, ^ and $ at line breaks, every match";
    EXPECT_EQ(re.MatchText(1), Text("Bc"));
    EXPECT_EQ(re.MatchText(2), Text("bd"));
    ASSERT_TRUE(re.Search("^b.$", "A\nBc\nbd", true, false, false));
    EXPECT_EQ(re.MatchCount(), 0);
    ASSERT_TRUE(re.Search("b.", "Bc bd", true, true, false));
    EXPECT_EQ(re.MatchCount(), 1);
    EXPECT_EQ(re.MatchText(1), Text("bd"));
}

TEST(RegexObjectTest, ValidPatternWithoutAMatch) {
    RegexObject re;
    EXPECT_TRUE(re.Search("z+", "abc"));
    EXPECT_EQ(re.MatchCount(), 0);
    EXPECT_EQ(re.MatchText(1), Text());
    EXPECT_EQ(re.SubMatchText(1, 1), Text());
    EXPECT_EQ(re.SubMatchCount(), 0);
}

TEST(RegexObjectTest, InvalidPattern) {
    RegexObject re;
    ASSERT_TRUE(re.Search("a", "a"));
    EXPECT_FALSE(re.Search("(unclosed", "unclosed"));
    EXPECT_EQ(re.MatchCount(), 0) << "the earlier matches are gone";
    EXPECT_EQ(re.MatchText(1), Text());
}

TEST(RegexObjectTest, QuoteMarkerAndPattern) {
    RegexObject re;
    EXPECT_EQ(re.GetPattern(), Text()) << "no expression yet";
    const Text subject = R"(<meta http-equiv="Content-Type" content="text/html; charset=utf-8">)";
    ASSERT_TRUE(re.Search(Gbk("content=#引号(.+?)#引号"), subject, false, true, true, true));
    EXPECT_EQ(re.SubMatchText(1, 1), Text("text/html; charset=utf-8"));
    EXPECT_EQ(re.GetPattern(), Text(R"x(content="(.+?)")x"));
    ASSERT_TRUE(re.Search(Gbk("content=#引号(.+?)#引号"), subject));
    EXPECT_EQ(re.MatchCount(), 0) << "without the switch the marker is literal";
    EXPECT_EQ(re.GetPattern(), Gbk("content=#引号(.+?)#引号"));
}

TEST(RegexObjectTest, BytePositions) {
    struct Case {
        const char* name;
        Text pattern;
        Text subject;
        bool caseSensitive;
        Text expected;
        std::int32_t position;
    } const cases[] = {
        {"ascii", "abc", "x-abc", false, "abc", 2},
        {"after one double-byte character", "ab", Gbk("中ab"), false, "ab", 2},
        {"after three double-byte characters", "ab", Gbk("中文字ab"), false, "ab", 6},
        {"double-byte match", Gbk("文."), Gbk("中文字ab"), false, Gbk("文字"), 2},
        // The position search ignores case exactly when the expression does not: the
        // start (char index 5 taken as byte 5) lies before "ABC", which it then finds.
        {"case-sensitive expression, case-blind position", "abc", Gbk("中中ABCabc"), true, "abc",
         4},
        {"case-blind expression, case-sensitive position", "abc(?=!)", Gbk("中中中ABC abc!"), false,
         "abc", 10},
        // The start is not moved to a character boundary: byte 2 is the second byte of
        // the first character, the walk pairs it with the next and steps over the "a".
        {"start on a second byte", "abc", Gbk("中中abc"), false, "abc", -2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RegexObject re;
        ASSERT_TRUE(re.Search(c.pattern, c.subject, c.caseSensitive));
        std::int32_t position = -99;
        EXPECT_EQ(re.MatchText(1, &position), c.expected);
        EXPECT_EQ(position, c.position);
    }
}

TEST(RegexObjectTest, GroupsAndOutOfRangeIndexes) {
    RegexObject re;
    ASSERT_TRUE(re.Search("(a)(a)", "aa"));
    std::int32_t position = -99;
    EXPECT_EQ(re.SubMatchText(1, 2, &position), Text("a"));
    EXPECT_EQ(position, 0) << "searched from the start of the whole match";
    EXPECT_EQ(re.SubMatchCount(), 2);
    ASSERT_TRUE(re.Search("(x)?(b)", "ab"));
    EXPECT_EQ(re.SubMatchText(1, 1), Text()) << "a group that took no part";
    EXPECT_EQ(re.SubMatchText(1, 2), Text("b"));

    for (const std::int32_t index : {0, -1, 2}) {
        SCOPED_TRACE(index);
        position = -99;
        EXPECT_EQ(re.MatchText(index, &position), Text());
        EXPECT_EQ(position, 0);
        EXPECT_EQ(re.SubMatchText(index, 1), Text());
        EXPECT_EQ(re.SubMatchText(1, index == 2 ? 3 : index), Text());
    }
    ASSERT_TRUE(re.Search("z", ""));
    EXPECT_EQ(re.MatchText(1, &position), Text());
    EXPECT_EQ(position, -2) << "nothing to find in an empty subject";
}

TEST(RegexObjectTest, ReplaceAndCopies) {
    RegexObject re;
    EXPECT_EQ(re.Replace("x"), Text()) << "no expression yet";
    ASSERT_TRUE(re.Search("(\\w)(\\d)", "a1 b2"));
    EXPECT_EQ(re.Replace("$2$1"), Text("1a 2b"));
    EXPECT_EQ(re.Replace(), Text(" "));
    ASSERT_TRUE(re.Search("(\\w)(\\d)", "a1 b2", false, true, false));
    EXPECT_EQ(re.Replace("[$&]"), Text("[a1] b2"));
    ASSERT_TRUE(re.Search(Gbk("中(.)"), Gbk("中文")));
    EXPECT_EQ(re.Replace(Gbk("<$1>")), Gbk("<文>"));

    RegexObject same(re);
    EXPECT_EQ(same.MatchText(1), Gbk("中文"));
    ASSERT_TRUE(re.Search("x", "x"));
    EXPECT_EQ(same.MatchText(1), Gbk("中文")) << "the copy keeps the matches it shared";
    same.Nop();
}

} // namespace
} // namespace kesmora
