// Shows texts as their bytes in test failure messages (GBK bytes escaped).
#pragma once

#include "common/text.h"

#include <ostream>

namespace kesmora {

inline void PrintTo(const Text& text, std::ostream* os) {
    *os << '"';
    for (unsigned char c : text.str()) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            *os << static_cast<char>(c);
        } else {
            static const char kHex[] = "0123456789ABCDEF";
            *os << "\\x" << kHex[c >> 4] << kHex[c & 0xF];
        }
    }
    *os << '"';
}

} // namespace kesmora
