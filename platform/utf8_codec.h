// UTF-8 to and from UTF-16 without iconv, for the code-page calls and the text stream.
// Their results are those of the iconv paths in code_page_iconv.h, byte for byte.
//
// Both write to `out` when it is not null and only count when it is; the caller gives
// room for the most they can write (source.size() units when decoding, three bytes per
// unit when encoding).
#pragma once

#include <cstddef>
#include <string_view>

namespace kesmora::platform {

// How a decoder answers bytes that are not well-formed UTF-8.
enum class Utf8Repair {
    // One U+FFFD for the longest start of a well-formed sequence, or for one stray
    // byte (the code-page calls).
    kMaximalSubpart,
    // One U+FFFD per byte, as iconv stops on each; bytes at the very end that iconv
    // takes for the start of a longer sequence give one U+FFFD (the text stream).
    kEachByte,
};

// UTF-16 units the bytes decode to.
std::size_t DecodeUtf8(std::string_view source, Utf8Repair repair, char16_t* out);
// UTF-8 bytes the units encode to; an unpaired surrogate becomes U+FFFD.
std::size_t EncodeUtf8(std::u16string_view source, char* out);

} // namespace kesmora::platform
