// The script control: values out of Eval, the Error object, the sandbox (no host
// objects, length guards), the limits (time, memory, text size) and the document-load
// path, which must give what the compiler gives.
#include "platform/automation.h"
#include "platform/script_control.h"

#include "tests/support/text_printer.h"

#include <gtest/gtest.h>

#include <string>

namespace kesmora::platform {
namespace {

std::u16string U(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

class ScriptControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize();
        saved_ = GetScriptLimits();
        control_ = CreateObject(kScriptControlClass);
        ASSERT_NE(control_, nullptr);
        ASSERT_TRUE(PutProperty(control_, "Language", Variant(U("JavaScript"))));
    }
    void TearDown() override {
        control_.reset();
        SetScriptLimits(saved_);
        CoUninitialize();
    }

    std::optional<Variant> Eval(const std::string& text) {
        Variant v;
        if (!CallMethod(control_, "Eval", {Variant(U(text))}, &v))
            return std::nullopt;
        return v;
    }
    bool AddCode(const std::string& text) {
        return CallMethod(control_, "AddCode", {Variant(U(text))}, nullptr);
    }
    Text EvalText(const std::string& text) { return VariantToText(Eval(text).value_or(Variant())); }
    Variant ErrorProperty(const char* member) {
        Variant error, value;
        GetProperty(control_, "Error", &error);
        GetProperty(error.objectValue(), member, &value);
        return value;
    }
    std::int32_t ErrorNumber() { return VariantToInt32(ErrorProperty("Number")); }
    Text ErrorDescription() { return VariantToText(ErrorProperty("Description")); }
    void Limit(std::chrono::milliseconds time, std::size_t memory = std::size_t{384} << 20) {
        ScriptLimits limits = saved_;
        limits.timeLimit = time;
        limits.memoryGrowthBytes = memory;
        SetScriptLimits(limits);
    }

    ScriptLimits saved_;
    ObjectRef control_;
};

TEST_F(ScriptControlTest, NeedsALanguage) {
    const ObjectRef bare = CreateObject(kScriptControlClass);
    Variant v;
    EXPECT_FALSE(CallMethod(bare, "Eval", {Variant(U("1"))}, &v));
    Variant error, number;
    GetProperty(bare, "Error", &error);
    GetProperty(error.objectValue(), "Number", &number);
    EXPECT_EQ(VariantToInt32(number), kScriptErrorNoLanguage);
    EXPECT_FALSE(PutProperty(bare, "Language", Variant(U("VBScript"))));
    EXPECT_TRUE(PutProperty(bare, "Language", Variant(U("jscript"))));
    EXPECT_TRUE(CallMethod(bare, "Eval", {Variant(U("1"))}, &v));
}

TEST_F(ScriptControlTest, EvalValues) {
    struct Case {
        const char* text;
        VariantKind kind;
        const char* asText;
    } const cases[] = {
        {"undefined", VariantKind::Empty, ""},
        {"null", VariantKind::Null, ""},
        {"1 == 1", VariantKind::Bool, "-1"},
        {"6 * 7", VariantKind::Int32, "42"},
        {"2147483648", VariantKind::Double, "2147483648"},
        {"-0", VariantKind::Double, "0"},
        {"1 / 4", VariantKind::Double, "0.25"},
        {"'x' + 1", VariantKind::String, "x1"},
        {"[1, 'a']", VariantKind::Object, "1,a"},
        {"({})", VariantKind::Object, "[object Object]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto v = Eval(c.text);
        ASSERT_TRUE(v.has_value());
        EXPECT_EQ(v->kind(), c.kind);
        EXPECT_EQ(VariantToText(*v), Text(c.asText));
    }
}

TEST_F(ScriptControlTest, AddCodeDefinesGlobals) {
    EXPECT_TRUE(AddCode("var x = 5; function twice(n) { return 2 * n }"));
    EXPECT_EQ(EvalText("twice(x)"), Text("10"));
    EXPECT_TRUE(Eval("var y = x + 1").has_value());
    EXPECT_EQ(EvalText("y"), Text("6"));
    // A new language setting starts a new engine.
    EXPECT_TRUE(PutProperty(control_, "Language", Variant(U("JavaScript"))));
    EXPECT_EQ(EvalText("typeof x"), Text("undefined"));
}

TEST_F(ScriptControlTest, ErrorObjectDescribesTheLastCall) {
    EXPECT_FALSE(Eval("1 +\n  (2 +"));
    EXPECT_EQ(ErrorNumber(), kScriptErrorSyntax);
    EXPECT_EQ(VariantToInt32(ErrorProperty("Line")), 2);
    EXPECT_GT(VariantToInt32(ErrorProperty("Column")), 0);
    EXPECT_EQ(VariantToText(ErrorProperty("Text")), Text("  (2 +"));

    EXPECT_FALSE(Eval("null.x"));
    EXPECT_EQ(ErrorNumber(), kScriptErrorRuntime);
    EXPECT_EQ(VariantToText(ErrorProperty("Source")), Text("JavaScript runtime error"));
    EXPECT_FALSE(ErrorDescription().empty());

    EXPECT_FALSE(AddCode("throw 'plain'"));
    EXPECT_EQ(ErrorNumber(), kScriptErrorRuntime);
    EXPECT_EQ(ErrorDescription(), Text("plain"));

    // Errors of our own making are not errors (and an Error value is just a value).
    EXPECT_TRUE(Eval("new Error('not thrown')").has_value());
    EXPECT_EQ(ErrorNumber(), 0);
    EXPECT_EQ(ErrorDescription(), Text());

    EXPECT_FALSE(Eval("throw 1"));
    Variant error;
    GetProperty(control_, "Error", &error);
    EXPECT_TRUE(CallMethod(error.objectValue(), "Clear", {}, nullptr));
    EXPECT_EQ(ErrorNumber(), 0);
}

TEST_F(ScriptControlTest, OnlyTheLanguageBuiltIns) {
    for (const char* name : {"print", "console", "gc", "Qt", "qsTr", "XMLHttpRequest", "URL",
                             "URLSearchParams", "ArrayBuffer", "SharedArrayBuffer", "DataView",
                             "Uint8Array", "Float64Array", "Atomics", "require", "importScripts"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(EvalText(std::string("typeof ") + name), Text("undefined"));
    }
    for (const char* name : {"JSON", "Math", "Object", "Array", "RegExp", "Map", "Promise"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(EvalText(std::string("typeof ") + name), Text("undefined"));
    }
}

TEST_F(ScriptControlTest, LengthGuards) {
    // Each would hold the thread far beyond any limit (or crash) in one native step.
    for (const char* text : {"new Array(2**32-1).fill(0)", "new Array(2**32-1).includes(1)",
                             "new Array(2**32-1).copyWithin(0, 1)", "[].concat(new Array(2**32-2))",
                             "Array.prototype.fill.call({length: 2**32-1}, 0)", "'x'.repeat(2**30)",
                             "'ab'.padEnd(2**31-1)", "'ab'.padStart(2**31-1)"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(Eval(text));
        EXPECT_EQ(ErrorNumber(), kScriptErrorRuntime);
        EXPECT_EQ(ErrorDescription(), Text("length beyond the sandbox limit"));
    }
    // Ordinary use is untouched, and a replaced apply cannot reach the originals.
    EXPECT_EQ(EvalText("[3, 1, 2].sort().concat([4]).join('-')"), Text("1-2-3-4"));
    EXPECT_EQ(EvalText("'ab'.repeat(2) + 'c'.padStart(3, '.')"), Text("abab..c"));
    EXPECT_TRUE(AddCode("Function.prototype.apply = function () { return 'reached' }"));
    EXPECT_EQ(EvalText("[1, 2].join('-')"), Text("1-2"));
    EXPECT_FALSE(Eval("new Array(2**32-1).fill(0)"));
}

TEST_F(ScriptControlTest, RunawayScriptsAreInterrupted) {
    Limit(std::chrono::milliseconds(200));
    for (const char* text : {"while (1) {}", "for (;;) { try { while (1) {} } catch (e) {} }",
                             "(function () { while (1) Math.max(1, 2) })()"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(AddCode(text));
        EXPECT_EQ(ErrorNumber(), kScriptErrorInterrupted);
        EXPECT_EQ(EvalText("6 * 7"), Text("42")) << "the engine runs again";
    }
    // The document path runs script too when a global has an accessor.
    ASSERT_TRUE(AddCode("Object.defineProperty(this, 'doc', {set: function () { while (1) {} }})"));
    EXPECT_FALSE(AddCode("var doc = eval({\"a\": 1})"));
    EXPECT_EQ(ErrorNumber(), kScriptErrorInterrupted);
    EXPECT_FALSE(Eval("function f() { return f() } f()"));
    EXPECT_EQ(ErrorNumber(), kScriptErrorRuntime) << "the engine's own stack limit";
}

TEST_F(ScriptControlTest, RunawayAllocationIsInterrupted) {
    Limit(std::chrono::milliseconds(60000), std::size_t{64} << 20);
    EXPECT_FALSE(AddCode("var a = []; while (1) a.push(new Array(1e5).fill(1.5))"));
    EXPECT_EQ(ErrorNumber(), kScriptErrorInterrupted);
    EXPECT_EQ(ErrorDescription(), Text("Script interrupted: memory limit reached"));
    EXPECT_TRUE(AddCode("a = null"));
}

TEST_F(ScriptControlTest, LargeTextsAreRefusedUnlessTheyAreDocuments) {
    ScriptLimits limits = saved_;
    limits.maxSourceUnits = 1000;
    limits.maxDocumentUnits = 100000;
    SetScriptLimits(limits);
    std::string items;
    for (int i = 0; i < 300; ++i)
        items += (i ? "," : "") + std::to_string(i);
    EXPECT_FALSE(AddCode("var v = [" + items + "].length"));
    EXPECT_EQ(ErrorNumber(), kScriptErrorRefused);
    EXPECT_TRUE(AddCode("var d = eval([" + items + "])"));
    EXPECT_EQ(EvalText("d.length"), Text("300"));
    EXPECT_TRUE(AddCode("var e = {\"items\": [" + items + "]}"));
    EXPECT_EQ(EvalText("e.items[299]"), Text("299"));
    EXPECT_FALSE(AddCode("var f = eval([" + items + ",])")) << "no JSON: the compiler's turn";
    EXPECT_EQ(ErrorNumber(), kScriptErrorRefused);
    const std::string nested = std::string(60000, '[') + std::string(60000, ']');
    EXPECT_FALSE(AddCode("var g = eval(" + nested + ")"));
    EXPECT_EQ(ErrorNumber(), kScriptErrorRefused);
}

// A document read by the JSON parser must be what the compiler makes of the same text:
// the same serialisation, prototype and global binding. A trailing semicolon keeps the
// program off the document path.
TEST_F(ScriptControlTest, DocumentLoadsMatchTheCompiler) {
    const char* const documents[] = {
        R"({"picture":"https://a.example/a.png","site":"https://b.example/"})",
        R"([1, -0, 1e400, 0.1, "\u4e2d\t", true, null, {"a": [[]]}])",
        R"({"b": 1, "a": 2, "1": 3, "b": 4})",
        R"({"__proto__": {"polluted": 1}, "x": 1})",
        R"({"\u005f_proto__": {"polluted": 1}})",
        R"({"a": {"__proto__": []}})",
        R"(  {"spaced": " [ { \" } ] "}  )",
    };
    const char* const probes[] = {
        "JSON.stringify(%)", "Object.getPrototypeOf(%) === Object.prototype", "typeof %.polluted",
        "Object.keys(%).join()", "Object.getOwnPropertyDescriptor(this, '%').configurable"};
    for (const char* doc : documents) {
        SCOPED_TRACE(doc);
        ASSERT_TRUE(AddCode(std::string("var fast = eval(") + doc + ")"));
        ASSERT_TRUE(AddCode(std::string("var slow = eval(") + doc + ");"));
        ASSERT_TRUE(AddCode(std::string("var plain = ") + doc));
        for (std::string probe : probes) {
            SCOPED_TRACE(probe);
            auto with = [&probe](const char* name) {
                std::string text = probe;
                text.replace(text.find('%'), 1, name);
                return text;
            };
            EXPECT_EQ(EvalText(with("fast")), EvalText(with("slow")));
            EXPECT_EQ(EvalText(with("plain")), EvalText(with("slow")));
        }
    }
    // A replaced eval is called as the program says.
    EXPECT_TRUE(AddCode("eval = function () { return 7 }"));
    EXPECT_TRUE(AddCode("var replaced = eval([1, 2])"));
    EXPECT_EQ(EvalText("replaced"), Text("7"));
}

} // namespace
} // namespace kesmora::platform
