// Code page 936 through tables filled from iconv's own GBK converter, one lead byte or
// one block of 256 units at a time, when text first needs it. The results are those of
// the iconv path in code_page_iconv.h, byte for byte, with the replacements of flags 0.
//
// Both write to `out` when it is not null and only count when it is; the caller gives
// room for the most they can write (source.size() units when decoding, two bytes per
// unit when encoding). nullopt when iconv's converter is missing or behaves in a way
// the tables cannot stand for; then the iconv path must do the conversion.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace kesmora::platform {

// UTF-16 units the GBK bytes decode to.
std::optional<std::size_t> DecodeGbk(std::string_view source, char16_t* out);
// GBK bytes the units encode to: `defaultChar` (one or two bytes) for each unit 936
// lacks and each surrogate, with `*usedDefault` set to true then (when not null).
std::optional<std::size_t> EncodeGbk(std::u16string_view source, std::string_view defaultChar,
                                     bool* usedDefault, char* out);

} // namespace kesmora::platform
