// Records from a hostile or broken server: each Parse ends (a runaway script is
// interrupted at the lowered time limit), reports the defined result, and the object
// goes on to load the next record.
#include "script/script.h"

#include "platform/script_control.h"

#include "tests/support/text_printer.h"

#include <gtest/gtest.h>

#include <string>

namespace kesmora {
namespace {

class HostileRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = platform::GetScriptLimits();
        platform::ScriptLimits limits = saved_;
        limits.timeLimit = std::chrono::milliseconds(300);
        platform::SetScriptLimits(limits);
    }
    void TearDown() override { platform::SetScriptLimits(saved_); }

    platform::ScriptLimits saved_;
};

TEST_F(HostileRecordTest, EachEndsWithTheDefinedResult) {
    const std::string nested = std::string(5 << 20, '[') + std::string(5 << 20, ']');
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    const std::string unary = std::string(200000, '!') + "1";
    struct Case {
        const char* name;
        Text text;
        std::int32_t error;     // the engine's error number
        std::int32_t slow = -1; // or this one, when compiling outlasts the time limit
    } const cases[] = {
        {"HTML error page",
         "<!DOCTYPE html><html><head><title>500</title></head><body>error</body></html>",
         platform::kScriptErrorSyntax},
        {"empty text", "", 0},
        {"a statement where a value belongs", "while(1){}", platform::kScriptErrorSyntax},
        {"endless loop", "(function () { while (1) {} })()", platform::kScriptErrorInterrupted},
        {"endless loop in a JSON string literal", "\"while(1){}\"",
         platform::kScriptErrorInterrupted},
        {"unbounded recursion", "(function f() { return f() })()", platform::kScriptErrorRuntime},
        {"never-ending allocation",
         "(function () { var a = []; while (1) a.push(new Array(1e6)) })()",
         platform::kScriptErrorInterrupted},
        {"a huge array in one step", "{\"picture\": new Array(2**32-1).fill(0)}",
         platform::kScriptErrorRuntime},
        {"10 MiB of nested arrays", Text(nested.c_str()), platform::kScriptErrorRefused},
        // Small enough to compile: the compiler's own depth limit ends them (in a slow
        // build the time limit may be reached first; the run still ends).
        {"deep nesting", Text(deep.c_str()), platform::kScriptErrorSyntax,
         platform::kScriptErrorInterrupted},
        {"deep expression", Text(unary.c_str()), platform::kScriptErrorSyntax,
         platform::kScriptErrorInterrupted},
    };
    JsonObject json;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptErrorInfo info;
        EXPECT_FALSE(json.Parse(c.text, false, &info));
        EXPECT_TRUE(info.Number == c.error || info.Number == c.slow) << info.Number;
        EXPECT_EQ(json.GetText("picture"), Text());
        ASSERT_TRUE(json.Parse(R"({"picture": "p.png"})")) << "the next record loads";
        EXPECT_EQ(json.GetText("picture"), Text("p.png"));
    }
}

TEST_F(HostileRecordTest, AHostileMemberDoesNotHoldTheReader) {
    JsonObject json;
    // Loads: the getter runs only when read, and is interrupted then.
    ASSERT_TRUE(json.Parse("{get picture() { while (1) {} }, site: 's'}"));
    EXPECT_EQ(json.GetText("picture"), Text());
    EXPECT_EQ(json.GetText("site"), Text("s"));
    ASSERT_TRUE(json.Parse("{picture: {toString: function () { for (;;) {} }}}"));
    EXPECT_EQ(json.GetText("picture"), Text());
    EXPECT_EQ(json.GetNumber("picture"), 0);
}

} // namespace
} // namespace kesmora
