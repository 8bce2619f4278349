// The text stream object as the charset step drives it: bytes written in binary, read
// back as text in a named charset.
#include "platform/automation.h"
#include "platform/text_stream.h"

#include <gtest/gtest.h>

#include <optional>
#include <thread>

namespace kesmora::platform {
namespace {

class TextStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize();
        ASSERT_TRUE(RegisterTextStreamClass());
    }
    void TearDown() override { CoUninitialize(); }

    // The charset step's sequence; nullopt when ReadText fails.
    static std::optional<std::u16string> ReadAs(const std::string& bytes, const char16_t* charset) {
        ObjectRef s = CreateObject(kTextStreamClass);
        if (!s)
            return std::nullopt;
        EXPECT_TRUE(PutProperty(s, "Type", Variant(std::int32_t{1})));
        EXPECT_TRUE(PutProperty(s, "Mode", Variant(std::int32_t{3})));
        EXPECT_TRUE(CallMethod(s, "Open", {}, nullptr));
        EXPECT_TRUE(CallMethod(s, "Write", {Variant(Bytes(bytes))}, nullptr));
        EXPECT_TRUE(PutProperty(s, "Position", Variant(std::int32_t{0})));
        EXPECT_TRUE(PutProperty(s, "Type", Variant(std::int32_t{2})));
        EXPECT_TRUE(PutProperty(s, "Charset", Variant(std::u16string(charset))));
        Variant text;
        const bool ok = CallMethod(s, "ReadText", {}, &text);
        EXPECT_TRUE(CallMethod(s, "Close", {}, nullptr));
        if (!ok)
            return std::nullopt;
        EXPECT_EQ(text.kind(), VariantKind::String);
        return text.stringValue();
    }
};

TEST_F(TextStreamTest, ReadsBytesInTheDeclaredCharset) {
    struct Case {
        const char* name;
        std::string bytes;
        const char16_t* charset;
        std::optional<std::u16string> expected;
    };
    const Case cases[] = {
        // E4 B8 AD is U+4E2D in UTF-8, D6 D0 the same character in GBK.
        {"utf-8",
         "\xE4\xB8\xAD"
         "a",
         u"utf-8", u"\u4E2Da"},
        {"upper-case name", "\xE4\xB8\xAD", u"UTF-8", u"\u4E2D"},
        {"gbk", "\xD6\xD0", u"GBK", u"\u4E2D"},
        {"unicode is UTF-16LE", std::string("\x2D\x4E\x61\x00", 4), u"unicode", u"\u4E2Da"},
        {"latin-1", "\xE9", u"iso-8859-1", u"\u00E9"},
        {"byte order mark dropped",
         "\xEF\xBB\xBF"
         "a",
         u"utf-8", u"a"},
        {"invalid byte replaced",
         "\xFF"
         "a",
         u"utf-8", u"\uFFFDa"},
        {"cut sequence replaced", "a\xE4\xB8", u"utf-8", u"a\uFFFD"},
        {"zero bytes kept", std::string("a\0b", 3), u"utf-8", std::u16string(u"a\0b", 3)},
        {"empty body", "", u"utf-8", u""},
        {"unknown charset", "abc", u"no-such-charset", std::nullopt},
        {"iconv suffix refused", "abc", u"utf-8//IGNORE", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ReadAs(c.bytes, c.charset), c.expected);
    }
}

TEST_F(TextStreamTest, CallsOutOfOrderFail) {
    ObjectRef s = CreateObject(kTextStreamClass);
    ASSERT_TRUE(s);
    EXPECT_FALSE(CallMethod(s, "Write", {Variant(Bytes("x", 1))}, nullptr)) << "not open";
    EXPECT_FALSE(PutProperty(s, "Position", Variant(std::int32_t{0}))) << "not open";
    ASSERT_TRUE(CallMethod(s, "Open", {}, nullptr));
    EXPECT_FALSE(CallMethod(s, "Open", {}, nullptr)) << "open twice";
    EXPECT_FALSE(CallMethod(s, "ReadText", {}, nullptr)) << "binary type";
    EXPECT_FALSE(CallMethod(s, "Write", {Variant(std::u16string(u"x"))}, nullptr))
        << "not a byte array";
    ASSERT_TRUE(CallMethod(s, "Write", {Variant(Bytes("abc", 3))}, nullptr));
    EXPECT_FALSE(PutProperty(s, "Type", Variant(std::int32_t{2}))) << "position not 0";
    EXPECT_FALSE(PutProperty(s, "Position", Variant(std::int32_t{4}))) << "past the end";
    ASSERT_TRUE(PutProperty(s, "Position", Variant(std::int32_t{1})));
    ASSERT_TRUE(PutProperty(s, "Position", Variant(std::int32_t{0})));
    ASSERT_TRUE(PutProperty(s, "Type", Variant(std::int32_t{2})));
    EXPECT_FALSE(CallMethod(s, "Write", {Variant(Bytes("x", 1))}, nullptr)) << "text type";
    EXPECT_FALSE(PutProperty(s, "Type", Variant(std::int32_t{3}))) << "no such type";
    ASSERT_TRUE(PutProperty(s, "Charset", Variant(std::u16string(u"utf-8"))));
    Variant text;
    ASSERT_TRUE(CallMethod(s, "ReadText", {}, &text));
    EXPECT_EQ(text.stringValue(), u"abc");
    EXPECT_TRUE(CallMethod(s, "Close", {}, nullptr));
    EXPECT_FALSE(CallMethod(s, "Close", {}, nullptr)) << "closed twice";
}

TEST_F(TextStreamTest, NotCreatedWithoutCom) {
    bool created = true;
    std::thread([&] { created = CreateObject(kTextStreamClass) != nullptr; }).join();
    EXPECT_FALSE(created);
}

} // namespace
} // namespace kesmora::platform
