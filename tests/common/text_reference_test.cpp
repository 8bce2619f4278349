// The walking primitives against the reference walk (tests/common/text_reference.h) on
// random texts over an alphabet rich in lead bytes, trail bytes that are ASCII letters
// and the full-width space.
#include "common/text.h"
#include "tests/common/text_reference.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace kesmora {
namespace {

using Bytes8 = std::string;

Bytes8 RandomBytes(std::mt19937& rng, std::size_t maxLength) {
    static const char alphabet[] = {'a', 'A', 'b', ' ', ',', '\xB0', '\xC1', '\xA1', '\xD6'};
    std::uniform_int_distribution<std::size_t> length(0, maxLength);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof alphabet - 1);
    Bytes8 s(length(rng), '\0');
    for (char& c : s)
        c = alphabet[pick(rng)];
    return s;
}

TEST(TextReference, WalksAgreeOnRandomTexts) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 20000; ++round) {
        const Bytes8 s = RandomBytes(rng, 16);
        const Bytes8 needle = RandomBytes(rng, 3);
        const Bytes8 to = RandomBytes(rng, 2);
        const int start =
            std::uniform_int_distribution<int>(0, static_cast<int>(s.size()) + 1)(rng);
        const bool ignoreCase = round % 2 == 1;
        SCOPED_TRACE(testing::PrintToString(s) + " / " + testing::PrintToString(needle) + " from " +
                     std::to_string(start) + (ignoreCase ? " ignoring case" : ""));
        ASSERT_EQ(Find(Text(s), Text(needle), start, ignoreCase),
                  test::reference::Find(s, needle, start, ignoreCase, false));
        ASSERT_EQ(FindBackward(Text(s), Text(needle), start, ignoreCase),
                  test::reference::Find(s, needle, start, ignoreCase, true));
        ASSERT_EQ(Split(Text(s), Text(needle)), test::reference::Split(s, needle));
        ASSERT_EQ(Replace(Text(s), Text(needle), Text(to), ignoreCase),
                  test::reference::Replace(s, needle, to, ignoreCase));
    }
}

} // namespace
} // namespace kesmora
