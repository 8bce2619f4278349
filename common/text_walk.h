// Internal helpers shared by the double-byte walks of the text primitives.
#pragma once

#include <cstddef>
#include <string_view>

namespace kesmora::detail {

inline bool IsLeadByte(unsigned char c) { return c >= 0x80; }

// Width of the character that begins at `i`: 2 for a lead byte, else 1.
inline std::size_t CharWidth(std::string_view s, std::size_t i) {
    return IsLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
}

inline unsigned char FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

// True when `needle` stands at byte `i` of `s` (0-based), optionally ignoring ASCII case.
bool MatchesAt(std::string_view s, std::size_t i, std::string_view needle, bool ignoreCase);

// 0-based index of the first match at or after `from` walking whole characters from
// `from`, or npos.
std::size_t WalkFind(std::string_view s, std::size_t from, std::string_view needle,
                     bool ignoreCase);

} // namespace kesmora::detail
