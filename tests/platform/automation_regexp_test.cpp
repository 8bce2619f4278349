// The regular-expression object: options, matches and groups with their indexes in
// UTF-16 units, anchors without Multiline, and the replacement syntax.
#include "platform/automation.h"
#include "platform/script_control.h"

#include "tests/support/text_printer.h"

#include <gtest/gtest.h>

namespace kesmora::platform {
namespace {

class RegExpTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize();
        re_ = CreateObject(kRegExpClass);
        ASSERT_NE(re_, nullptr);
    }
    void TearDown() override {
        re_.reset();
        CoUninitialize();
    }

    void Options(bool ignoreCase, bool multiline, bool global) {
        PutProperty(re_, "IgnoreCase", Variant(ignoreCase));
        PutProperty(re_, "Multiline", Variant(multiline));
        PutProperty(re_, "Global", Variant(global));
    }
    // Value@FirstIndex of every match, or "failed".
    std::u16string Execute(const std::u16string& pattern, const std::u16string& subject) {
        PutProperty(re_, "Pattern", Variant(pattern));
        Variant found, count;
        if (!CallMethod(re_, "Execute", {Variant(subject)}, &found))
            return u"failed";
        GetProperty(found.objectValue(), "Count", &count);
        std::u16string out;
        for (std::int32_t i = 0; i < VariantToInt32(count); ++i) {
            Variant match, value, first;
            CallMethod(found.objectValue(), "Item", {Variant(static_cast<double>(i))}, &match);
            GetProperty(match.objectValue(), "Value", &value);
            GetProperty(match.objectValue(), "FirstIndex", &first);
            out += (i ? u" " : u"") + value.toString().value_or(u"?") + u"@" +
                   first.toString().value_or(u"?");
        }
        return out;
    }
    std::u16string Replace(const std::u16string& pattern, const std::u16string& subject,
                           const std::u16string& replacement) {
        PutProperty(re_, "Pattern", Variant(pattern));
        Variant out;
        if (!CallMethod(re_, "Replace", {Variant(subject), Variant(replacement)}, &out))
            return u"failed";
        return out.toString().value_or(u"?");
    }

    ObjectRef re_;
};

TEST_F(RegExpTest, PropertiesAndDefaults) {
    for (const char* option : {"IgnoreCase", "Multiline", "Global"}) {
        SCOPED_TRACE(option);
        Variant v;
        EXPECT_TRUE(GetProperty(re_, option, &v));
        EXPECT_EQ(VariantToText(v), Text("0"));
        EXPECT_TRUE(PutProperty(re_, option, Variant(true)));
        EXPECT_TRUE(GetProperty(re_, option, &v));
        EXPECT_EQ(VariantToText(v), Text("-1"));
    }
    EXPECT_FALSE(PutProperty(re_, "Singleline", Variant(true)));
    EXPECT_FALSE(PutProperty(re_, "IgnoreCase", Variant(std::u16string(u"maybe"))));
    Variant pattern;
    EXPECT_TRUE(PutProperty(re_, "Pattern", Variant(std::u16string(u"a+"))));
    EXPECT_TRUE(GetProperty(re_, "pattern", &pattern));
    EXPECT_EQ(VariantToText(pattern), Text("a+"));
}

TEST_F(RegExpTest, MatchesAndOptions) {
    struct Case {
        const char* name;
        bool ignoreCase, multiline, global;
        std::u16string pattern, subject, expected;
    } const cases[] = {
        {"first only", false, false, false, u"a.", u"ab ac", u"ab@0"},
        {"global", false, false, true, u"a.", u"ab ac", u"ab@0 ac@3"},
        {"case", false, false, true, u"AB", u"ab AB", u"AB@3"},
        {"ignore case", true, false, true, u"AB", u"ab AB", u"ab@0 AB@3"},
        {"no multiline: ^ at the start only", false, false, true, u"^b", u"a\nb", u""},
        {"no multiline: $ not before a final break", false, false, true, u"a$", u"a\n", u""},
        {"no multiline: $ at the end", false, false, true, u"a$", u"ba", u"a@1"},
        {"multiline ^", false, true, true, u"^b", u"a\nb", u"b@2"},
        {"multiline $", false, true, true, u"a$", u"a\nba", u"a@0 a@3"},
        {"dollar in a class stays literal", false, false, true, u"[$]\\$", u"$$", u"$$@0"},
        {"dot stops at a line break", false, false, true, u"a.b", u"a\nb", u""},
        {"indexes count UTF-16 units", false, false, true, u"ab", u"中文ab", u"ab@2"},
        {"\\u escape", false, false, true, u"\\u4e2d.", u"x中文", u"中文@1"},
        {"no match", false, false, true, u"z", u"abc", u""},
        {"invalid", false, false, true, u"(", u"abc", u"failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Options(c.ignoreCase, c.multiline, c.global);
        EXPECT_EQ(Execute(c.pattern, c.subject), c.expected);
    }
}

TEST_F(RegExpTest, SubMatchesAndItems) {
    Options(false, false, true);
    PutProperty(re_, "Pattern", Variant(std::u16string(u"(a)|(b)")));
    Variant found, match, groups, count, item;
    ASSERT_TRUE(CallMethod(re_, "Execute", {Variant(std::u16string(u"b"))}, &found));
    EXPECT_FALSE(CallMethod(found.objectValue(), "Item", {Variant(1.0)}, &match));
    EXPECT_FALSE(CallMethod(found.objectValue(), "Item", {Variant(-1.0)}, &match));
    ASSERT_TRUE(CallMethod(found.objectValue(), "Item", {Variant(0.9)}, &match));
    ASSERT_TRUE(GetProperty(match.objectValue(), "SubMatches", &groups));
    EXPECT_TRUE(GetProperty(groups.objectValue(), "Count", &count));
    EXPECT_EQ(VariantToInt32(count), 2);
    EXPECT_TRUE(CallMethod(groups.objectValue(), "Item", {Variant(0.0)}, &item));
    EXPECT_TRUE(item.isEmpty()) << "a group that took no part";
    EXPECT_TRUE(CallMethod(groups.objectValue(), "Item", {Variant(1.0)}, &item));
    EXPECT_EQ(VariantToText(item), Text("b"));
    EXPECT_FALSE(CallMethod(groups.objectValue(), "Item", {Variant(2.0)}, &item));
    EXPECT_EQ(VariantToText(match), Text("b")) << "a match reads as its value";
}

TEST_F(RegExpTest, ReplacementSyntax) {
    struct Case {
        const char* name;
        bool global;
        std::u16string pattern, subject, replacement, expected;
    } const cases[] = {
        {"groups", true, u"(\\w)(\\d)", u"a1 b2", u"$2$1", u"1a 2b"},
        {"first only", false, u"(\\w)(\\d)", u"a1 b2", u"$2$1", u"1a b2"},
        {"whole, before, after", false, u"b", u"abc", u"[$&|$`|$']", u"a[b|a|c]c"},
        {"dollar", true, u"b", u"abc", u"$$", u"a$c"},
        {"lone and unknown dollars", true, u"b", u"abc", u"$x$", u"a$x$c"},
        {"$10 with one group is $1 then 0", true, u"(b)", u"abc", u"$10", u"ab0c"},
        {"$0 is no group", true, u"(b)", u"abc", u"$0", u"a$0c"},
        {"group beyond the count", true, u"(b)", u"abc", u"$2", u"a$2c"},
        {"two-digit group", true, u"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", u"abcdefghij", u"$10$1",
         u"ja"},
        {"group that took no part", true, u"(x)?b", u"abc", u"[$1]", u"a[]c"},
        {"empty matches", true, u"x*", u"ab", u"-", u"-a-b-"},
        {"no match", true, u"z", u"abc", u"-", u"abc"},
        {"invalid pattern", true, u"(", u"abc", u"-", u"failed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Options(false, false, c.global);
        EXPECT_EQ(Replace(c.pattern, c.subject, c.replacement), c.expected);
    }
}

} // namespace
} // namespace kesmora::platform
