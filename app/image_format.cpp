#include "app/image_format.h"

#include <cstring>

namespace kesmora {

namespace {

constexpr std::size_t kShortestPicture = 8;

bool StartsWith(const unsigned char* data, const char* signature, std::size_t n) {
    return std::memcmp(data, signature, n) == 0;
}

bool IsPcxHeader(const unsigned char* data) {
    const unsigned char manufacturer = data[0];
    const unsigned char version = data[1];
    const unsigned char encoding = data[2];
    const bool knownVersion = version == 0 || (version >= 2 && version <= 5);
    return manufacturer == 0x0A && knownVersion && encoding == 1;
}

} // namespace

ImageFormat SniffImageFormat(const unsigned char* data, std::size_t size) {
    if (data == nullptr || size < kShortestPicture) {
        return ImageFormat::Unknown;
    }
    if (StartsWith(data, "\x89PNG\r\n\x1a\n", 8)) {
        return ImageFormat::Png;
    }
    if (StartsWith(data, "\xFF\xD8\xFF", 3)) {
        return ImageFormat::Jpeg;
    }
    if (StartsWith(data, "GIF87a", 6) || StartsWith(data, "GIF89a", 6)) {
        return ImageFormat::Gif;
    }
    if (StartsWith(data, "BM", 2)) {
        return ImageFormat::Bmp;
    }
    if (StartsWith(data, "\0\0\1\0", 4)) {
        return ImageFormat::Icon;
    }
    if (StartsWith(data, "\0\0\2\0", 4)) {
        return ImageFormat::Cursor;
    }
    if (IsPcxHeader(data)) {
        return ImageFormat::Pcx;
    }
    return ImageFormat::Unknown;
}

const char* QtFormatName(ImageFormat format) {
    switch (format) {
    case ImageFormat::Jpeg:
        return "jpeg";
    case ImageFormat::Bmp:
        return "bmp";
    case ImageFormat::Icon:
        return "ico";
    case ImageFormat::Cursor:
        return "cur";
    case ImageFormat::Gif:
        return "gif";
    case ImageFormat::Png:
        return "png";
    case ImageFormat::Pcx:
    case ImageFormat::Unknown:
        break;
    }
    return nullptr;
}

} // namespace kesmora
