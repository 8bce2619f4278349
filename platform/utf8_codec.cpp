#include "platform/utf8_codec.h"

#include "platform/ascii_run.h"

#include <cstdint>

namespace kesmora::platform {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// A sequence at the start of `s`: its length when well-formed, else the length of the
// longest start of a well-formed one (at least 1).
struct Sequence {
    std::size_t length;
    bool wellFormed;
};

Sequence ReadSequence(const unsigned char* s, std::size_t n) {
    const unsigned char c = s[0];
    std::size_t need = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF)
        need = 1;
    else if (c >= 0xE0 && c <= 0xEF)
        need = 2, low = (c == 0xE0 ? 0xA0 : 0x80), high = (c == 0xED ? 0x9F : 0xBF);
    else if (c >= 0xF0 && c <= 0xF4)
        need = 3, low = (c == 0xF0 ? 0x90 : 0x80), high = (c == 0xF4 ? 0x8F : 0xBF);
    std::size_t k = 1;
    while (k <= need && k < n && s[k] >= low && s[k] <= high) {
        ++k;
        low = 0x80, high = 0xBF;
    }
    return {k, need > 0 && k == need + 1};
}

// iconv reads up to six-byte forms: it reports a cut sequence (not an invalid one) when
// the bytes left after such a lead byte are all continuation bytes and too few.
bool IconvSeesCutSequence(const unsigned char* s, std::size_t n) {
    const unsigned char c = s[0];
    const std::size_t length = c >= 0xC2 && c <= 0xDF   ? 2
                               : c >= 0xE0 && c <= 0xEF ? 3
                               : c >= 0xF0 && c <= 0xF7 ? 4
                               : c >= 0xF8 && c <= 0xFB ? 5
                               : c >= 0xFC && c <= 0xFD ? 6
                                                        : 0;
    if (n >= length)
        return false;
    for (std::size_t k = 1; k < n; ++k)
        if (!IsContinuation(s[k]))
            return false;
    return true;
}

char32_t CodePoint(const unsigned char* s, std::size_t length) {
    if (length == 2)
        return char32_t(s[0] & 0x1F) << 6 | (s[1] & 0x3F);
    if (length == 3)
        return char32_t(s[0] & 0x0F) << 12 | char32_t(s[1] & 0x3F) << 6 | (s[2] & 0x3F);
    return char32_t(s[0] & 0x07) << 18 | char32_t(s[1] & 0x3F) << 12 | char32_t(s[2] & 0x3F) << 6 |
           (s[3] & 0x3F);
}

// The well-formed two- and three-byte sequences at `s`, which is most of what is not
// ASCII: their unit, or 0 when `s` holds anything else (ReadSequence decides then).
inline __attribute__((always_inline)) char16_t ShortSequence(const unsigned char* s, std::size_t n,
                                                             std::size_t& length) {
    const unsigned char c = s[0];
    if (c >= 0xC2 && c <= 0xDF && n >= 2 && IsContinuation(s[1])) {
        length = 2;
        return static_cast<char16_t>((c & 0x1F) << 6 | (s[1] & 0x3F));
    }
    if ((c & 0xF0) == 0xE0 && n >= 3 && IsContinuation(s[1]) && IsContinuation(s[2])) {
        const char16_t unit =
            static_cast<char16_t>((c & 0x0F) << 12 | (s[1] & 0x3F) << 6 | (s[2] & 0x3F));
        length = 3;
        return unit >= 0x800 && (unit < 0xD800 || unit > 0xDFFF) ? unit : 0;
    }
    return 0;
}

template <bool kWrite>
std::size_t Decode(const unsigned char* s, std::size_t n, Utf8Repair repair, char16_t* out) {
    std::size_t i = 0, o = 0;
    while (i < n) {
        if (s[i] < 0x80) {
            const std::size_t run = WidenAscii(s + i, n - i, kWrite ? out + o : nullptr);
            i += run, o += run;
            if (i >= n)
                break;
        }
        std::size_t length = 0;
        if (const char16_t unit = ShortSequence(s + i, n - i, length)) {
            if constexpr (kWrite)
                out[o] = unit;
            ++o, i += length;
            continue;
        }
        const Sequence seq = ReadSequence(s + i, n - i);
        if (seq.wellFormed) {
            const char32_t cp = CodePoint(s + i, seq.length);
            if (cp >= 0x10000) {
                if constexpr (kWrite) {
                    out[o] = static_cast<char16_t>(0xD7C0 + (cp >> 10));
                    out[o + 1] = static_cast<char16_t>(0xDC00 | (cp & 0x3FF));
                }
                ++o;
            } else if constexpr (kWrite) {
                out[o] = static_cast<char16_t>(cp);
            }
            ++o, i += seq.length;
            continue;
        }
        if constexpr (kWrite)
            out[o] = kReplacement;
        ++o;
        if (repair == Utf8Repair::kMaximalSubpart)
            i += seq.length;
        else if (IconvSeesCutSequence(s + i, n - i))
            break;
        else
            ++i;
    }
    return o;
}

template <bool kWrite> std::size_t Encode(const char16_t* s, std::size_t n, unsigned char* out) {
    std::size_t i = 0, o = 0;
    auto put = [&](unsigned value) {
        if constexpr (kWrite)
            out[o] = static_cast<unsigned char>(value);
        ++o;
    };
    while (i < n) {
        if (s[i] < 0x80) {
            const std::size_t run = NarrowAscii(s + i, n - i, kWrite ? out + o : nullptr);
            i += run, o += run;
            if (i >= n)
                break;
        }
        char32_t cp = s[i++];
        if (cp >= 0xD800 && cp <= 0xDFFF) {
            const bool paired = cp <= 0xDBFF && i < n && s[i] >= 0xDC00 && s[i] <= 0xDFFF;
            cp = paired ? 0x10000 + ((cp - 0xD800) << 10) + (s[i++] - 0xDC00) : kReplacement;
        }
        if (cp < 0x800) {
            put(0xC0 | cp >> 6), put(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            put(0xE0 | cp >> 12), put(0x80 | (cp >> 6 & 0x3F)), put(0x80 | (cp & 0x3F));
        } else {
            put(0xF0 | cp >> 18), put(0x80 | (cp >> 12 & 0x3F)), put(0x80 | (cp >> 6 & 0x3F));
            put(0x80 | (cp & 0x3F));
        }
    }
    return o;
}

} // namespace

std::size_t DecodeUtf8(std::string_view source, Utf8Repair repair, char16_t* out) {
    const auto* s = reinterpret_cast<const unsigned char*>(source.data());
    return out != nullptr ? Decode<true>(s, source.size(), repair, out)
                          : Decode<false>(s, source.size(), repair, nullptr);
}

std::size_t EncodeUtf8(std::u16string_view source, char* out) {
    auto* o = reinterpret_cast<unsigned char*>(out);
    return out != nullptr ? Encode<true>(source.data(), source.size(), o)
                          : Encode<false>(source.data(), source.size(), nullptr);
}

} // namespace kesmora::platform
