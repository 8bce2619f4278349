// Invariant checks of the inet fuzz targets: a broken invariant aborts, which libFuzzer
// reports with the input that caused it.
#pragma once

#include "common/text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kesmora::fuzz {

inline void Require(bool condition, const char* what) {
    if (condition)
        return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

// A Text never holds a zero byte; checked on the raw bytes, not through size().
inline void RequireNoZero(const Text& text, const char* what) {
    Require(std::memchr(text.str().data(), 0, text.size()) == nullptr, what);
}

} // namespace kesmora::fuzz
