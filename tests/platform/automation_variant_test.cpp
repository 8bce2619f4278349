// The standard conversions, as a table: each value read as bool, integer, number and
// string (nullopt where the conversion fails), and GBK text across the boundary.
#include "platform/automation.h"
#include "platform/gbk.h"

#include "tests/support/text_printer.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <memory>
#include <string>

namespace kesmora::platform {
namespace {

// An object whose default value is fixed, or that has none.
class Defaulted : public AutomationObject {
public:
    explicit Defaulted(std::optional<Variant> value) : value_(std::move(value)) {}
    bool Put(std::string_view, const Variant&) override { return false; }
    bool Get(std::string_view, Variant*) override { return false; }
    bool Call(std::string_view, const std::vector<Variant>&, Variant*) override { return false; }
    bool DefaultValue(Variant* result) override {
        if (value_)
            *result = *value_;
        return value_.has_value();
    }

private:
    std::optional<Variant> value_;
};

Variant Str(const char16_t* s) {
    return Variant(std::u16string(s));
}
Variant Obj(std::optional<Variant> value) {
    return Variant(ObjectRef(std::make_shared<Defaulted>(std::move(value))));
}

struct ConversionCase {
    const char* name;
    Variant value;
    std::optional<bool> asBool;
    std::optional<std::int32_t> asInt;
    std::optional<double> asDouble;
    std::optional<std::u16string> asString;
};

TEST(VariantTest, StandardConversions) {
    const std::optional<bool> noBool;
    const std::optional<std::int32_t> noInt;
    const std::optional<double> noDouble;
    const std::optional<std::u16string> noString;
    const ConversionCase cases[] = {
        {"empty", Variant(), false, 0, 0.0, u""},
        {"null", Variant::Null(), noBool, noInt, noDouble, noString},
        {"true", Variant(true), true, -1, -1.0, u"-1"},
        {"false", Variant(false), false, 0, 0.0, u"0"},
        {"int", Variant(std::int32_t{-42}), true, -42, -42.0, u"-42"},
        {"double truncates up", Variant(2.7), true, 2, 2.7, u"2.7"},
        {"double truncates down", Variant(-2.7), true, -2, -2.7, u"-2.7"},
        {"tenth", Variant(0.1), true, 0, 0.1, u"0.1"},
        {"third, 15 digits", Variant(1.0 / 3), true, 0, 1.0 / 3, u"0.333333333333333"},
        {"large", Variant(1e21), true, noInt, 1e21, u"1E+21"},
        {"small", Variant(1e-5), true, 0, 1e-5, u"1E-05"},
        {"negative zero", Variant(-0.0), false, 0, -0.0, u"0"},
        {"beyond int", Variant(3e9), true, noInt, 3e9, u"3000000000"},
        {"NaN", Variant(std::nan("")), true, noInt, std::nan(""), u"NaN"},
        {"string number", Str(u" 12 "), true, 12, 12.0, u" 12 "},
        {"string decimal", Str(u"-3.75"), true, -3, -3.75, u"-3.75"},
        {"string exponent", Str(u"1e3"), true, 1000, 1000.0, u"1e3"},
        {"string zero", Str(u"0"), false, 0, 0.0, u"0"},
        {"string True", Str(u"True"), true, noInt, noDouble, u"True"},
        {"string FALSE", Str(u"FALSE"), false, noInt, noDouble, u"FALSE"},
        {"string word", Str(u"abc"), noBool, noInt, noDouble, u"abc"},
        {"string empty", Str(u""), noBool, noInt, noDouble, u""},
        {"string hex", Str(u"0x10"), noBool, noInt, noDouble, u"0x10"},
        {"string infinity", Str(u"Infinity"), noBool, noInt, noDouble, u"Infinity"},
        {"string trailing", Str(u"12px"), noBool, noInt, noDouble, u"12px"},
        {"object with default", Obj(Str(u"7")), true, 7, 7.0, u"7"},
        {"object without default", Obj(std::nullopt), noBool, noInt, noDouble, noString},
        {"object defaulting to object", Obj(Obj(Str(u"1"))), noBool, noInt, noDouble, noString},
        {"null object", Variant(ObjectRef()), noBool, noInt, noDouble, noString},
        {"bytes", Variant(Bytes("ab", 2)), noBool, noInt, noDouble, noString},
    };
    for (const ConversionCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.value.toBool(), c.asBool);
        EXPECT_EQ(c.value.toInt32(), c.asInt);
        if (c.asDouble && std::isnan(*c.asDouble))
            EXPECT_TRUE(std::isnan(c.value.toDouble().value_or(0)));
        else
            EXPECT_EQ(c.value.toDouble(), c.asDouble);
        EXPECT_EQ(c.value.toString(), c.asString);
        // The kind-asked-for helpers give the empty value where a conversion fails.
        EXPECT_EQ(VariantToBool(c.value), c.asBool.value_or(false));
        EXPECT_EQ(VariantToInt32(c.value), c.asInt.value_or(0));
    }
}

TEST(VariantTest, NumbersIgnoreTheProcessLocale) {
    // A desktop locale with a decimal comma must not change how values read.
    const char* applied = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    if (applied == nullptr)
        applied = std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    EXPECT_EQ(Variant(2.5).toString(), std::u16string(u"2.5"));
    EXPECT_EQ(Str(u"2.5").toDouble(), 2.5);
    EXPECT_FALSE(Str(u"2,5").toDouble().has_value());
    std::setlocale(LC_NUMERIC, "C");
}

TEST(VariantTest, AnsiTextCrossesAsUtf16) {
    struct Case {
        const char* name;
        Text ansi;
        std::u16string wide;
    } const cases[] = {
        {"empty", Text(), u""},
        {"ascii", "site=a.png", u"site=a.png"},
        {"chinese", Gbk("引号"), u"引号"},
        {"mixed", Gbk("图片框1 ok"), u"图片框1 ok"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Variant v = Variant::FromAnsi(c.ansi);
        EXPECT_EQ(v.kind(), VariantKind::String);
        EXPECT_EQ(v.stringValue(), c.wide);
        EXPECT_EQ(VariantToText(v), c.ansi);
    }
    // What GBK lacks reads back as "?"; text ends at the first zero unit.
    EXPECT_EQ(VariantToText(Str(u"a\u2400b")), Text("a?b"));
    EXPECT_EQ(VariantToText(Variant(std::u16string(u"ab\0cd", 5))), Text("ab"));
    EXPECT_EQ(VariantToText(Variant(true)), Text("-1"));
    EXPECT_EQ(VariantToText(Variant::Null()), Text());
}

} // namespace
} // namespace kesmora::platform
