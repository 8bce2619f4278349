// The support script. Its JSON part only runs in an engine without JSON, so the tests
// take JSON away before installing it and compare with the engine's own.
#include "script/json_support.h"

#include "platform/automation.h"
#include "platform/script_control.h"

#include "tests/support/text_printer.h"

#include <gtest/gtest.h>

#include <string>

namespace kesmora {
namespace {

namespace pf = platform;

std::u16string U(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// A script control with the support script, optionally installed where the engine has
// no JSON (and dates no toJSON).
class Engine {
public:
    explicit Engine(bool withoutJson) {
        pf::CoInitialize();
        control_ = pf::CreateObject(pf::kScriptControlClass);
        pf::PutProperty(control_, "Language", pf::Variant(U("JavaScript")));
        if (withoutJson)
            AddCode("delete this.JSON; delete Date.prototype.toJSON");
        installed_ = AddCode(JsonSupportScript());
    }
    ~Engine() {
        control_.reset();
        pf::CoUninitialize();
    }
    bool installed() const { return installed_; }
    bool AddCode(const std::u16string& text) {
        return pf::CallMethod(control_, "AddCode", {pf::Variant(text)}, nullptr);
    }
    bool AddCode(const std::string& text) { return AddCode(U(text)); }
    // The value as text, or "error" when the text fails.
    Text Eval(const std::string& text) {
        pf::Variant v;
        if (!pf::CallMethod(control_, "Eval", {pf::Variant(U(text))}, &v))
            return "error";
        return pf::VariantToText(v);
    }

private:
    pf::ObjectRef control_;
    bool installed_ = false;
};

TEST(JsonSupportTest, PolyfillSerialisesAsTheEngineDoes) {
    Engine native(false), polyfill(true);
    ASSERT_TRUE(native.installed() && polyfill.installed());
    EXPECT_EQ(native.Eval("typeof JSON"), Text("object"));
    EXPECT_EQ(polyfill.Eval("typeof JSON.stringify + typeof JSON.parse"), Text("functionfunction"));
    for (const char* value :
         {"({a: [1, 'x\\n\"\\\\', true, null], b: undefined, c: function () {}})",
          "[undefined, function () {}, NaN, -Infinity, 1.5e-7]", "'\\u0001\\u001f\\t'", "({})",
          "[]", "({n: {m: {k: [[[]]]}}})", "'\\u4e2d'", "7", "null",
          "({toJSON: function () { return 'own' }})"}) {
        SCOPED_TRACE(value);
        const std::string text = std::string("JSON.stringify(") + value + ")";
        EXPECT_EQ(polyfill.Eval(text), native.Eval(text));
    }
    const std::string filtered =
        "JSON.stringify([1, 2], function (k, v) { return v === 2 ? undefined : v }) + "
        "JSON.stringify({a: [1]}, null, 2)";
    EXPECT_EQ(polyfill.Eval(filtered), native.Eval(filtered));
    // A list of names keeps only those members, at every level.
    EXPECT_EQ(polyfill.Eval("JSON.stringify({a: 1, b: 2, c: {a: 3, d: 4}}, ['a', 'c'])"),
              Text(R"({"a":1,"c":{"a":3}})"));
}

TEST(JsonSupportTest, PolyfillParsesOnlyJson) {
    Engine polyfill(true);
    ASSERT_TRUE(polyfill.installed());
    EXPECT_EQ(polyfill.Eval("JSON.parse('{\"a\": [1, \"\\\\u0041\", {\"b\": null}]}').a[1]"),
              Text("A"));
    EXPECT_EQ(polyfill.Eval("JSON.parse('[1, 2]', function (k, v) { return k === '0' ? "
                            "undefined : v }).length"),
              Text("2"));
    for (const char* text : {"{a: 1}", "[1, 2", "alert(1)", "'single'", "[1] + [2]", ""}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(polyfill.Eval(std::string("JSON.parse(\"") + text + "\")"), Text("error"));
    }
    EXPECT_EQ(polyfill.Eval("new Date(Date.UTC(2020, 6, 20, 20, 0, 0)).toJSON()"),
              Text("2020-07-20T20:00:00Z"));
}

TEST(JsonSupportTest, ObjectPrototypeGetsEnumerableHelpers) {
    for (const bool withoutJson : {false, true}) {
        SCOPED_TRACE(withoutJson ? "polyfill" : "native JSON");
        Engine engine(withoutJson);
        EXPECT_EQ(engine.Eval("var names = []; for (var k in {}) names.push(k); names.join()"),
                  Text("toJSONString,parseJSON"));
        EXPECT_EQ(engine.Eval("({a: [1]}).toJSONString()"), Text("{\"a\":[1]}"));
        EXPECT_EQ(engine.Eval("'[1,2]'.parseJSON()[1]"), Text("2"));
        // What the object's member walkers make of the inherited functions: nothing.
        EXPECT_EQ(engine.Eval("get__name_All({b: 1, f: function () {}, a: 2})"), Text("b\r\na"));
        EXPECT_EQ(engine.Eval("var str_all = []; get__nodeValue({a: 1}, true).length"), Text("1"));
    }
}

} // namespace
} // namespace kesmora
