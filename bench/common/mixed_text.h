// A deterministic 1 MiB text of the kind the program searches: ASCII words, digits and
// punctuation mixed with GBK characters (lead bytes B0..F7, trail bytes A1..FE).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kesmora::bench {

inline std::string MixedGbkText(std::size_t size) {
    std::string s;
    s.reserve(size + 8);
    std::uint32_t state = 12345;
    auto next = [&state](std::uint32_t n) {
        state = state * 1103515245u + 12345u;
        return (state >> 16) % n;
    };
    while (s.size() < size) {
        if (next(3) == 0) { // a run of GBK characters
            for (std::uint32_t k = 1 + next(12); k > 0; --k) {
                s += static_cast<char>(0xB0 + next(0xF7 - 0xB0 + 1));
                s += static_cast<char>(0xA1 + next(0xFE - 0xA1 + 1));
            }
        } else { // an ASCII word with a separator
            for (std::uint32_t k = 1 + next(8); k > 0; --k)
                s += static_cast<char>('a' + next(26));
            s += " ,.=:/"[next(6)];
        }
    }
    s.resize(size);
    if (static_cast<unsigned char>(s.back()) >= 0x80)
        s.back() = ' '; // never end on a cut pair
    return s;
}

} // namespace kesmora::bench
