// The ASCII runs of the code-page converters, sixteen at a time where the processor
// has SSE2: bytes below 0x80 are the units of the same value in every code page the
// program converts (the 936 tables check this against iconv before they are used).
//
// Each takes the run at the start of `s` (n items), writes it to `out` unless null,
// and returns its length; nothing past the run is read beyond the current block of
// sixteen, nothing past it is written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kesmora::platform {

inline std::size_t WidenAscii(const unsigned char* s, std::size_t n, char16_t* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        if (_mm_movemask_epi8(bytes) != 0)
            break; // the bytes of this block are taken one by one below
        if (out != nullptr) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(bytes, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8),
                             _mm_unpackhi_epi8(bytes, zero));
        }
    }
#else
    for (std::uint64_t word; i + 8 <= n; i += 8) {
        std::memcpy(&word, s + i, 8);
        if ((word & 0x8080808080808080u) != 0)
            break;
        if (out != nullptr)
            for (std::size_t k = 0; k < 8; ++k)
                out[i + k] = s[i + k];
    }
#endif
    for (; i < n && s[i] < 0x80; ++i)
        if (out != nullptr)
            out[i] = s[i];
    return i;
}

inline std::size_t NarrowAscii(const char16_t* s, std::size_t n, unsigned char* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFF80));
    for (; i + 16 <= n; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 8));
        const __m128i above = _mm_and_si128(_mm_or_si128(a, b), high);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(above, _mm_setzero_si128())) != 0xFFFF)
            break; // the units of this block are taken one by one below
        if (out != nullptr)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(a, b));
    }
#else
    for (std::uint64_t word; i + 4 <= n; i += 4) {
        std::memcpy(&word, s + i, 8);
        if ((word & 0xFF80FF80FF80FF80u) != 0)
            break;
        if (out != nullptr)
            for (std::size_t k = 0; k < 4; ++k)
                out[i + k] = static_cast<unsigned char>(s[i + k]);
    }
#endif
    for (; i < n && s[i] < 0x80; ++i)
        if (out != nullptr)
            out[i] = static_cast<unsigned char>(s[i]);
    return i;
}

} // namespace kesmora::platform
