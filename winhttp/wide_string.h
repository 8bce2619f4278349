// UTF-16 buffers (code_pages.h) and the zero-ended strings the stand-in calls take.
// Units are copied, so a buffer's alignment never matters; buffers are little-endian.
#pragma once

#include "common/text.h"

#include <string>

namespace kesmora {

// The units of a buffer up to its first zero unit (an odd last byte is dropped).
inline std::u16string WideString(const Bytes& utf16) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < utf16.size(); i += 2) {
        const auto unit = static_cast<char16_t>(utf16.data()[i] | (utf16.data()[i + 1] << 8));
        if (unit == 0)
            break;
        units.push_back(unit);
    }
    return units;
}

// A buffer of `count` units from `units`, without terminator.
inline Bytes Utf16Buffer(const char16_t* units, std::size_t count) {
    std::string bytes;
    for (std::size_t i = 0; units != nullptr && i < count; ++i) {
        bytes.push_back(static_cast<char>(units[i] & 0xFF));
        bytes.push_back(static_cast<char>(units[i] >> 8));
    }
    return Bytes(std::move(bytes));
}

} // namespace kesmora
