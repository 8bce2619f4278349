// Telling a picture's file format from its first bytes.
#pragma once

#include <cstddef>

namespace kesmora {

// Decoded pictures are bounded so that a small file claiming huge dimensions (a
// decompression bomb) is refused before anything is allocated: 64 MiB of 32-bit
// pixels, about 16.7 million pixels, far above any tile or icon.
inline constexpr int kPictureAllocationLimitMiB = 64;
inline constexpr unsigned long long kMaxPicturePixels =
    static_cast<unsigned long long>(kPictureAllocationLimitMiB) * 1024 * 1024 / 4;

enum class ImageFormat { Unknown, Jpeg, Bmp, Icon, Cursor, Gif, Pcx, Png };

// The format announced by the leading bytes of an image file:
//   JPEG  FF D8 FF              BMP     "BM"
//   icon  00 00 01 00           cursor  00 00 02 00
//   GIF   "GIF87a" or "GIF89a"  PNG     89 50 4E 47 0D 0A 1A 0A
//   PCX   0A, a known version (0, 2, 3, 4, 5), run-length encoding (1)
// Fewer than eight bytes (null data included) always give Unknown: no picture file is
// that short, and every test can then read its leading bytes without a length check.
// Only the signature is looked at; whether the rest decodes is the decoder's business.
ImageFormat SniffImageFormat(const unsigned char* data, std::size_t size);

// The lower-case format name Qt's image readers know the format by ("jpeg", "bmp",
// "ico", "cur", "gif", "png"); null for PCX, which Qt does not read, and for Unknown.
const char* QtFormatName(ImageFormat format);

} // namespace kesmora
