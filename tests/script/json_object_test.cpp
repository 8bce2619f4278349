// JsonObject against the real engine: path resolution, loading, the truth values of
// the setters, conversions of what comes back, key and value lists, merging, copies and
// separate documents.
#include "script/script.h"

#include "platform/gbk.h"

#include "tests/support/text_printer.h"

#include <gtest/gtest.h>

namespace kesmora {
namespace {

const Text kRecord = R"({"picture":"https://ads.example/t/a.png","site":"https://www.example/"})";

TEST(JsonObjectTest, ResolvePathRewrites) {
    JsonObject json;
    ASSERT_TRUE(json.Parse(R"({"x": 1, "site": "s", "a": {"b": 2}, "list": [7]})"));
    struct Case {
        const char* name;
        const char* path;
        bool found;
    } const cases[] = {
        {"", "da", true},
        {"site", "da.site", true},
        {"[0]", "da[0]", false},
        {"a.b", "da.a.b", true},
        {"list[0]", "da.list[0]", true},
        {"da.x", "da.x", true},     // not null: taken as it stands
        {"da.y", "da.da.y", false}, // null: a member of the document named da
        {"da", "da", true},         // the whole document
        {"data", "da.data", false}, // 'data != null' fails in the engine
        {"missing", "da.missing", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Text name = c.name;
        EXPECT_EQ(json.ResolvePath(&name), c.found);
        EXPECT_EQ(name, Text(c.path));
        EXPECT_EQ(json.Exists(c.name), c.found);
    }
    EXPECT_TRUE(json.ResolvePath()) << "no name: the whole document";
}

TEST(JsonObjectTest, ParseOutcomes) {
    struct Case {
        const char* name;
        Text text;
        bool noEval;
        bool loaded;
        const char* json;
    } const cases[] = {
        {"record", kRecord, false, true, nullptr},
        {"record, no eval", kRecord, true, true, nullptr},
        {"array", "[1, \"a\"]", false, true, "[1,\"a\"]"},
        {"spaces kept out", "{ \"a\" : [ 1 , 2 ] }", false, true, "{\"a\":[1,2]}"},
        {"empty text: eval()", "", false, false, ""},
        {"HTML page", "<html><body><h1>502 Bad Gateway</h1></body></html>", false, false, "null"},
        {"string literal run as script", "\"1+2\"", false, true, "3"},
        {"string literal without eval", "\"1+2\"", true, true, "\"1+2\""},
        {"string literal naming nothing", "\"abc\"", false, false, "null"},
        {"null document", "null", false, false, "null"},
        {"truncated", "{\"a\": [1, 2", false, false, "null"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JsonObject json;
        EXPECT_EQ(json.Parse(c.text, c.noEval), c.loaded);
        EXPECT_EQ(json.ToJson(), Text(c.json != nullptr ? c.json : kRecord.c_str()));
    }
    JsonObject json;
    ASSERT_TRUE(json.Parse(kRecord));
    EXPECT_EQ(json.GetText("picture"), Text("https://ads.example/t/a.png"));
    EXPECT_EQ(json.GetText("site"), Text("https://www.example/"));
    EXPECT_EQ(json.GetText("", true), kRecord) << "compact JSON of the whole document";
}

TEST(JsonObjectTest, ParseStartsAFreshEngine) {
    JsonObject json;
    ASSERT_TRUE(json.Parse(R"({"a": 1})"));
    const platform::ObjectRef first = json.GetEngine();
    json.SetValue("extra", "kept?");
    ASSERT_EQ(json.GetText("extra"), Text("kept?"));
    ASSERT_TRUE(json.Parse(R"({"b": 2})"));
    EXPECT_NE(json.GetEngine(), first);
    EXPECT_EQ(json.GetKeys(), 1);
    EXPECT_FALSE(json.Exists("extra"));
}

TEST(JsonObjectTest, ParseReportsTheScriptError) {
    JsonObject json;
    ScriptErrorInfo info;
    EXPECT_FALSE(json.Parse("<html>\n<body>Service Unavailable</body></html>", false, &info));
    EXPECT_EQ(info.Number, 2);
    EXPECT_FALSE(info.Description.empty());
    EXPECT_EQ(info.Line, 1);
    EXPECT_EQ(info.LineText, Text("var da = eval(<html>"));
    EXPECT_TRUE(json.Parse(kRecord, false, &info));
    EXPECT_EQ(info.Number, 0);
    EXPECT_EQ(info.Description, Text());
}

TEST(JsonObjectTest, SetterTruthValues) {
    JsonObject json;
    // The value of the text sent, converted: not a success flag.
    EXPECT_FALSE(json.SetValue("word", "abc"));
    EXPECT_TRUE(json.SetValue("one", "1"));
    EXPECT_FALSE(json.SetNumber("zero", 0));
    EXPECT_TRUE(json.SetNumber("pi", 3.14159265358979));
    EXPECT_TRUE(json.SetExpression("flag", "true"));
    EXPECT_FALSE(json.SetExpression("broken", "1 +"));
    EXPECT_FALSE(json.Clear()) << "an object converts to no truth value";
    EXPECT_EQ(json.ToJson(), Text("{}"));
    json.SetValue("word", "abc");
    EXPECT_EQ(json.GetText("word"), Text("abc"));
    EXPECT_TRUE(json.SetNumber("pi", 3.14159265358979));
    EXPECT_EQ(json.GetText("pi"), Text("3.14159265359")) << "13 significant digits";
    EXPECT_TRUE(json.SetNumber("big", 1e21));
    EXPECT_EQ(json.GetNumber("big"), 1e21);
}

TEST(JsonObjectTest, PlainTextRoundTrip) {
    struct Case {
        const char* name;
        Text value;
        const char* json; // GetJson: backslashes shown single, the rest escaped
    } const cases[] = {
        {"backslash", R"(C:\dir\file)", R"("C:\dir\file")"},
        {"quotes", R"(it's "quoted")", R"("it's \"quoted\"")"},
        {"line breaks", "a\r\nb", R"("a\r\nb")"},
        {"chinese", Gbk("图片框1"), nullptr},
        {"double-byte with a 0x5C trail byte", Gbk("淺水"), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        JsonObject json;
        json.SetValue("v", c.value);
        EXPECT_EQ(json.GetText("v"), c.value);
        const Text expected = c.json != nullptr ? Text(c.json) : Concat({"\"", c.value, "\""});
        EXPECT_EQ(json.GetJson("v"), expected);
    }
    // A backslash that entered as script is a real one, escaped as usual.
    JsonObject json;
    ASSERT_TRUE(json.Parse(R"({"p": "a\\b"})"));
    EXPECT_EQ(json.GetText("p"), Text(R"(a\b)"));
    EXPECT_EQ(json.GetJson("p"), Text(R"("a\\b")"));
}

TEST(JsonObjectTest, ReadingConversions) {
    JsonObject json;
    ASSERT_TRUE(json.Parse(
        R"({"t": true, "f": false, "s": "abc", "n": "12.5", "i": 7, "o": {"k": 1}, "a": [1, "x", [2]], "z": null})"));
    struct Case {
        const char* name;
        double number;
        std::int32_t type;
        const char* text;
    } const cases[] = {
        {"t", -1, 1, "true"},   {"f", 0, 1, "false"}, {"s", 0, 6, "abc"},
        {"n", 12.5, 6, "12.5"}, {"i", 7, 2, "7"},     {"o", 0, 4, "[object Object]"},
        {"a", 0, 5, "1,x,2"},   {"z", 0, 0, ""},      {"missing", 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(json.GetNumber(c.name), c.number);
        EXPECT_EQ(json.TypeOf(c.name), c.type);
        EXPECT_EQ(json.GetText(c.name), Text(c.text));
    }
    EXPECT_EQ(json.GetCount("a"), 3);
    EXPECT_EQ(json.GetCount("o"), 0);
    EXPECT_EQ(json.GetItemText(1, "a"), Text("x"));
    EXPECT_EQ(json.GetItemText(0, "a"), Text()) << "only a string element gives text";
    EXPECT_EQ(json.GetItemText(2, "a", true), Text("[2]"));
    EXPECT_EQ(json.GetItemText(9, "a", true), Text());
}

TEST(JsonObjectTest, ArrayOperations) {
    JsonObject json;
    EXPECT_TRUE(json.ArrayAdd("b", "list"));
    EXPECT_EQ(json.GetJson("list"), Text(R"(["b"])")) << "a missing member becomes an array";
    EXPECT_TRUE(json.ArrayAdd("a", "list", false, true));
    EXPECT_TRUE(json.ArrayAdd("{\"k\": 1}", "list", true));
    EXPECT_FALSE(json.ArrayAdd("it's", "list")) << "no escaping: a script error";
    EXPECT_FALSE(json.SetItem(0, "list", "it's"));
    EXPECT_EQ(json.GetJson("list"), Text(R"(["a","b",{"k":1}])"));
    EXPECT_FALSE(json.SetItem(1, "list", "B")) << "set, but 'B' is no truth value";
    EXPECT_FALSE(json.RemoveItem(0, "list")) << "removed; the result is an array";
    EXPECT_EQ(json.GetJson("list"), Text(R"(["B",{"k":1}])"));
    json.SetValue("scalar", "x");
    EXPECT_TRUE(json.ArrayAdd("y", "scalar"));
    EXPECT_EQ(json.GetJson("scalar"), Text(R"(["y"])")) << "a non-array is replaced";
    EXPECT_TRUE(json.Delete("scalar"));
    EXPECT_FALSE(json.Exists("scalar"));
}

TEST(JsonObjectTest, KeysAndAllValues) {
    JsonObject json;
    ASSERT_TRUE(json.Parse(R"({"b": 1, "a": "x", "f": {"g": true, "h": [2, ""]}, "e": ""})"));
    TextArray keys = {"stale"};
    EXPECT_EQ(json.GetKeys(&keys), 4);
    EXPECT_EQ(keys, (TextArray{"b", "a", "f", "e"}));
    EXPECT_EQ(json.GetKeys(&keys, "f.h"), 0) << "an array has no keys";
    EXPECT_TRUE(keys.empty());
    EXPECT_EQ(json.GetKeys(&keys, "a"), 0);

    struct Case {
        const char* name;
        bool recursive;
        TextArray values;
    } const cases[] = {
        {"", false, {"1", "x"}}, // the final empty string is dropped
        {"", true, {"1", "x", "true", "2", ""}},
        {"f.h", false, {"2"}},
        {"e", false, {}},
        {"missing", true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.recursive ? " recursive" : ""));
        TextArray values = {"stale"};
        EXPECT_EQ(json.GetAllValues(&values, c.name, c.recursive),
                  static_cast<std::int32_t>(c.values.size()));
        EXPECT_EQ(values, c.values);
    }
    // A value holding the separator counts as two.
    JsonObject split;
    split.SetValue("v", Gbk("a[2020年7月20日20时0分0秒]b"));
    TextArray values;
    EXPECT_EQ(split.GetAllValues(&values), 2);
    EXPECT_EQ(values, (TextArray{"a", "b"}));
}

TEST(JsonObjectTest, MergingWithIsJson) {
    JsonObject json;
    ASSERT_TRUE(json.Parse(R"({"o": {"s": "a", "b": true, "in": {"x": 1}}, "n": 5})"));
    json.SetValue("o", R"({"s": "b", "b": false, "m": "new", "in": {"y": 2}})", true);
    EXPECT_EQ(json.GetJson("o"), Text(R"({"s":"b","b":false,"in":{"x":1,"y":2},"m":"new"})"));

    // A source member whose target is a number fails the call; earlier members stay.
    ASSERT_TRUE(json.Parse(R"({"o": {"s": "a", "n": 1, "t": "a"}})"));
    EXPECT_FALSE(json.SetValue("o", R"({"s": "b", "n": 2, "t": "b"})", true));
    EXPECT_EQ(json.GetJson("o"), Text(R"({"s":"b","n":1,"t":"a"})"));

    // An empty value merges {} into an object and leaves it alone ...
    json.SetValue("o", "", true);
    EXPECT_EQ(json.GetJson("o"), Text(R"({"s":"b","n":1,"t":"a"})"));
    // ... and makes anything else undefined.
    EXPECT_FALSE(json.SetValue("o.s", "", true));
    EXPECT_FALSE(json.Exists("o.s"));
    // Not an object: the value is evaluated and replaces the member.
    json.SetValue("list", "[1, 2]", true);
    EXPECT_EQ(json.GetJson("list"), Text("[1,2]"));
}

TEST(JsonObjectTest, CopiesShareTheEngineUntilTheLastGoes) {
    for (const bool originalFirst : {true, false}) {
        SCOPED_TRACE(originalFirst ? "original destroyed first" : "copy destroyed first");
        auto original = std::make_unique<JsonObject>();
        ASSERT_TRUE(original->Parse(kRecord));
        auto copy = std::make_unique<JsonObject>(*original);
        EXPECT_EQ(copy->GetEngine(), original->GetEngine());
        copy->SetValue("site", "changed");
        EXPECT_EQ(original->GetText("site"), Text("changed"));
        std::unique_ptr<JsonObject>& first = originalFirst ? original : copy;
        std::unique_ptr<JsonObject>& last = originalFirst ? copy : original;
        first.reset();
        EXPECT_EQ(last->GetText("picture"), Text("https://ads.example/t/a.png"));
        EXPECT_EQ(last->GetText("site"), Text("changed"));
    }
}

TEST(JsonObjectTest, ComIsInitialisedPerEngineAndUninitialisedOnce) {
    const int before = platform::CoInitializeCount();
    {
        JsonObject json;
        EXPECT_EQ(platform::CoInitializeCount(), before + 1);
        json.Parse(kRecord);
        json.Parse(kRecord);
        EXPECT_EQ(platform::CoInitializeCount(), before + 3);
    }
    EXPECT_EQ(platform::CoInitializeCount(), before + 2);
    while (platform::CoInitializeCount() > before)
        platform::CoUninitialize();
}

TEST(JsonObjectTest, ObjectsAreSeparateDocuments) {
    JsonObject json;
    ASSERT_TRUE(json.Parse(R"({"tile": {"site": "a", "tags": ["x"]}, "list": [{"n": 1}, 2]})"));
    JsonObject tile = json.GetObject("tile");
    JsonObject item = json.GetItemObject(0, "list");
    EXPECT_NE(tile.GetEngine(), json.GetEngine());
    json.SetValue("tile.site", "changed");
    json.ArrayAdd("y", "tile.tags");
    json.SetNumber("list[0].n", 5);
    EXPECT_EQ(tile.ToJson(), Text(R"({"site":"a","tags":["x"]})"));
    EXPECT_EQ(item.ToJson(), Text(R"({"n":1})"));
    tile.SetValue("site", "own");
    EXPECT_EQ(json.GetText("tile.site"), Text("changed"));
    JsonObject missing = json.GetObject("missing");
    EXPECT_FALSE(missing.Exists()) << "a missing member loads as an empty text";
}

} // namespace
} // namespace kesmora
