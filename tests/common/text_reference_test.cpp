// The walking primitives against a reference written from the rules alone: first mark
// every character start reachable from the start position, then look for matches only
// there. Random texts over an alphabet rich in lead bytes, trail bytes that are ASCII
// letters and the full-width space.
#include "common/text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace kesmora {
namespace {

using Bytes8 = std::string;

std::vector<std::size_t> CharStarts(const Bytes8& s, std::size_t from) {
    std::vector<std::size_t> starts;
    for (std::size_t i = from; i < s.size();) {
        starts.push_back(i);
        i += static_cast<unsigned char>(s[i]) >= 0x80 ? 2 : 1;
    }
    return starts;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool EqualAt(const Bytes8& s, std::size_t i, const Bytes8& needle, bool ignoreCase) {
    if (i + needle.size() > s.size())
        return false;
    for (std::size_t k = 0; k < needle.size(); ++k) {
        const char a = s[i + k], b = needle[k];
        if (ignoreCase ? Lower(a) != Lower(b) : a != b)
            return false;
    }
    return true;
}

// 0-based matches reachable walking from `from`, in order.
std::vector<std::size_t> Matches(const Bytes8& s, std::size_t from, const Bytes8& needle,
                                 bool ignoreCase) {
    std::vector<std::size_t> found;
    for (std::size_t i : CharStarts(s, from))
        if (EqualAt(s, i, needle, ignoreCase))
            found.push_back(i);
    return found;
}

int ReferenceFind(const Bytes8& s, const Bytes8& needle, int start, bool ignoreCase, bool last) {
    const std::size_t from = start < 1 ? 0 : static_cast<std::size_t>(start - 1);
    if (from >= s.size())
        return -1;
    if (needle.empty())
        return 1;
    const std::vector<std::size_t> m = Matches(s, from, needle, ignoreCase);
    if (m.empty())
        return -1;
    return static_cast<int>((last ? m.back() : m.front()) + 1);
}

// Cuts at non-overlapping matches, walking on after each match.
std::vector<Bytes8> ReferencePieces(const Bytes8& s, const Bytes8& d, bool ignoreCase) {
    std::vector<Bytes8> pieces;
    std::size_t from = 0;
    for (;;) {
        const std::vector<std::size_t> m = Matches(s, from, d, ignoreCase);
        if (m.empty())
            break;
        pieces.push_back(s.substr(from, m.front() - from));
        from = m.front() + d.size();
    }
    pieces.push_back(s.substr(from));
    return pieces;
}

TextArray ReferenceSplit(const Bytes8& s, const Bytes8& d) {
    if (s.empty())
        return {};
    if (d.empty())
        return {Text(s)};
    std::vector<Bytes8> pieces = ReferencePieces(s, d, false);
    if (pieces.back().empty())
        pieces.pop_back();
    return TextArray(pieces.begin(), pieces.end());
}

Text ReferenceReplace(const Bytes8& s, const Bytes8& from, const Bytes8& to, bool ignoreCase) {
    if (from.empty())
        return Text(s);
    const std::vector<Bytes8> pieces = ReferencePieces(s, from, ignoreCase);
    Bytes8 out = pieces.front();
    for (std::size_t k = 1; k < pieces.size(); ++k)
        out += to + pieces[k];
    return Text(out);
}

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
                  ReferenceFind(s, needle, start, ignoreCase, false));
        ASSERT_EQ(FindBackward(Text(s), Text(needle), start, ignoreCase),
                  ReferenceFind(s, needle, start, ignoreCase, true));
        ASSERT_EQ(Split(Text(s), Text(needle)), ReferenceSplit(s, needle));
        ASSERT_EQ(Replace(Text(s), Text(needle), Text(to), ignoreCase),
                  ReferenceReplace(s, needle, to, ignoreCase));
    }
}

} // namespace
} // namespace kesmora
