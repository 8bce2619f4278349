// A small decoder for PCX pictures, which no Qt image plugin reads. It depends on
// nothing but the C++ library so that it can be fuzzed on its own.
#pragma once

#include <cstddef>
#include <vector>

namespace kesmora {

// 8-bit red, green, blue, alpha per pixel, rows top to bottom without padding.
struct RgbaPicture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels; // width * height * 4 bytes
    bool empty() const { return pixels.empty(); }
};

// Decodes a run-length encoded PCX file. Layouts read:
//   - 1 bit in one plane: black and white (the header palette is not used);
//   - 1, 2 or 4 bits per pixel in up to four bit planes (at most 4 bits an index),
//     coloured by the 16-entry palette of the header;
//   - 8 bits in one plane, coloured by the 256-entry palette that follows a 0x0C byte
//     in the last 769 bytes of the file;
//   - 8 bits in three planes (red, green, blue) or four (the fourth is alpha).
// Returns an empty picture for anything else: a header that is not PCX, another layout,
// more than kMaxPicturePixels pixels, scan lines too short for the width, a missing
// 256-colour palette, or data that ends before the last scan line (no partial picture).
// Every read is bounded by `size`; no input makes it read outside [data, data + size).
RgbaPicture DecodePcx(const unsigned char* data, std::size_t size);

} // namespace kesmora
