// A reference for the walking text primitives (Find, FindBackward, Split, Replace),
// written from the rules alone: first mark every character start reachable from the
// start position (a byte of 0x80 or above takes the next byte with it), then look for
// matches only there. Shared by the text tests and the text fuzzer.
#pragma once

#include "common/text.h"

#include <cstddef>
#include <string>
#include <vector>

namespace kesmora::test::reference {

inline std::vector<std::size_t> CharStarts(const std::string& s, std::size_t from) {
    std::vector<std::size_t> starts;
    for (std::size_t i = from; i < s.size();) {
        starts.push_back(i);
        i += static_cast<unsigned char>(s[i]) >= 0x80 ? 2 : 1;
    }
    return starts;
}

inline char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

inline bool EqualAt(const std::string& s, std::size_t i, const std::string& needle,
                    bool ignoreCase) {
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
inline std::vector<std::size_t> Matches(const std::string& s, std::size_t from,
                                        const std::string& needle, bool ignoreCase) {
    std::vector<std::size_t> found;
    for (std::size_t i : CharStarts(s, from))
        if (EqualAt(s, i, needle, ignoreCase))
            found.push_back(i);
    return found;
}

// Find (last == false) or FindBackward (last == true): 1-based, -1 for not found.
inline int Find(const std::string& s, const std::string& needle, int start, bool ignoreCase,
                bool last) {
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
inline std::vector<std::string> Pieces(const std::string& s, const std::string& d,
                                       bool ignoreCase) {
    std::vector<std::string> pieces;
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

inline TextArray Split(const std::string& s, const std::string& d) {
    if (s.empty())
        return {};
    if (d.empty())
        return {Text(s)};
    std::vector<std::string> pieces = Pieces(s, d, false);
    if (pieces.back().empty())
        pieces.pop_back();
    return TextArray(pieces.begin(), pieces.end());
}

inline Text Replace(const std::string& s, const std::string& from, const std::string& to,
                    bool ignoreCase) {
    if (from.empty())
        return Text(s);
    const std::vector<std::string> pieces = Pieces(s, from, ignoreCase);
    std::string out = pieces.front();
    for (std::size_t k = 1; k < pieces.size(); ++k)
        out += to + pieces[k];
    return Text(out);
}

} // namespace kesmora::test::reference
