// The iconv converter: what each stop reports, so that loops built on it progress.
#include "platform/iconv_codec.h"

#include <gtest/gtest.h>

#include <string>

namespace kesmora::platform {
namespace {

using Status = IconvCodec::Status;

TEST(IconvCodec, RefusesUnknownEmptyAndSuffixedNames) {
    const char* const names[] = {"NO-SUCH-ENCODING", "", "GBK//TRANSLIT", "GBK//IGNORE", nullptr};
    for (const char* name : names) {
        IconvCodec codec(name, "UTF-8");
        EXPECT_FALSE(codec.ok()) << (name ? name : "null");
        char out[8];
        const IconvCodec::Step step = codec.Convert("a", 1, out, sizeof out);
        EXPECT_EQ(step.status, Status::Invalid);
        EXPECT_EQ(step.read, 0u);
    }
    EXPECT_TRUE(IconvCodec("GBK", "UTF-8").ok());
    EXPECT_TRUE(IconvCodec("UTF-16LE", "CP936").ok());
}

TEST(IconvCodec, StopsAndWhatTheyReport) {
    struct Case {
        const char* name;
        const char* to;
        std::string input;
        std::size_t room;
        Status status;
        std::size_t read;
        std::size_t written;
    };
    const Case cases[] = {
        {"done", "UTF-16LE", "ab", 8, Status::Done, 2, 4},
        {"invalid byte", "UTF-16LE",
         "a\xFF"
         "b",
         8, Status::Invalid, 1, 2},
        {"cut at the end", "UTF-16LE", "a\xE4\xB8", 8, Status::Incomplete, 1, 2},
        {"output full", "UTF-16LE", "abcd", 5, Status::OutputFull, 2, 4},
        {"no room at all", "UTF-16LE", "a", 0, Status::OutputFull, 0, 0},
        {"target lacks the character", "GBK", "a\xF0\x9F\x98\x80", 8, Status::Invalid, 1, 1},
        {"empty input", "GBK", "", 8, Status::Done, 0, 0},
    };
    for (const Case& c : cases) {
        IconvCodec codec(c.to, "UTF-8");
        std::string out(c.room, '\0');
        const IconvCodec::Step step =
            codec.Convert(c.input.data(), c.input.size(), out.data(), out.size());
        EXPECT_EQ(step.status, c.status) << c.name;
        EXPECT_EQ(step.read, c.read) << c.name;
        EXPECT_EQ(step.written, c.written) << c.name;
    }
}

TEST(IconvCodec, ResetForgetsPartialInput) {
    IconvCodec codec("UTF-16LE", "UTF-8");
    char out[8];
    EXPECT_EQ(codec.Convert("\xE4\xB8", 2, out, sizeof out).status, Status::Incomplete);
    codec.Reset();
    const IconvCodec::Step step = codec.Convert("\xE4\xB8\xAD", 3, out, sizeof out);
    EXPECT_EQ(step.status, Status::Done);
    EXPECT_EQ(std::string(out, step.written), std::string("\x2D\x4E", 2)); // 中
}

TEST(IconvCodec, FinishReturnsAStatefulTargetToItsInitialState) {
    IconvCodec codec("ISO-2022-JP", "UTF-8");
    char out[32];
    const IconvCodec::Step step = codec.Convert("\xE6\x97\xA5", 3, out, sizeof out); // 日
    ASSERT_EQ(step.status, Status::Done);
    EXPECT_EQ(codec.Finish(out, 0).status, Status::OutputFull);
    const IconvCodec::Step end = codec.Finish(out, sizeof out);
    EXPECT_EQ(end.status, Status::Done);
    EXPECT_EQ(std::string(out, end.written), "\x1B(B");
}

} // namespace
} // namespace kesmora::platform
