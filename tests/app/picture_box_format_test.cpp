#include "app/image_format.h"

#include <gtest/gtest.h>

#include <string>

namespace kesmora {
namespace {

struct SniffCase {
    const char* name;
    std::string bytes;
    ImageFormat expected;
};

std::string Padded(std::string head) {
    head.resize(16, '\x11');
    return head;
}

TEST(ImageFormatTest, TellsFormatFromLeadingBytes) {
    using F = ImageFormat;
    const SniffCase cases[] = {
        {"jpeg", Padded("\xFF\xD8\xFF\xE0"), F::Jpeg},
        {"jpeg needs three marker bytes", Padded(std::string("\xFF\xD8\x00", 3)), F::Unknown},
        {"bmp", Padded("BM"), F::Bmp},
        {"bmp is case sensitive", Padded("bm"), F::Unknown},
        {"icon", Padded(std::string("\0\0\1\0", 4)), F::Icon},
        {"cursor", Padded(std::string("\0\0\2\0", 4)), F::Cursor},
        {"other resource type", Padded(std::string("\0\0\3\0", 4)), F::Unknown},
        {"gif87a", Padded("GIF87a"), F::Gif},
        {"gif89a", Padded("GIF89a"), F::Gif},
        {"gif of unknown version", Padded("GIF90a"), F::Unknown},
        {"png", Padded("\x89PNG\r\n\x1a\n"), F::Png},
        {"png with a damaged signature", Padded("\x89PNG\r\n\x1a\r"), F::Unknown},
        {"pcx version 5", Padded("\x0A\x05\x01\x08"), F::Pcx},
        {"pcx version 0", Padded(std::string("\x0A\x00\x01\x08", 4)), F::Pcx},
        {"pcx unknown version 1", Padded("\x0A\x01\x01\x08"), F::Unknown},
        {"pcx unknown version 6", Padded("\x0A\x06\x01\x08"), F::Unknown},
        {"pcx without run-length encoding", Padded(std::string("\x0A\x05\x00\x08", 4)), F::Unknown},
        {"text", "<html><body>404</body></html>", F::Unknown},
        {"exactly eight bytes", std::string("\x89PNG\r\n\x1a\n"), F::Png},
        {"seven bytes of a png", std::string("\x89PNG\r\n\x1a"), F::Unknown},
        {"seven bytes of a jpeg", std::string("\xFF\xD8\xFF\xE0\0\0\0", 7), F::Unknown},
        {"empty", std::string(), F::Unknown},
    };
    for (const SniffCase& c : cases) {
        const auto* data = reinterpret_cast<const unsigned char*>(c.bytes.data());
        EXPECT_EQ(SniffImageFormat(data, c.bytes.size()), c.expected) << c.name;
    }
    EXPECT_EQ(SniffImageFormat(nullptr, 0), ImageFormat::Unknown) << "null";
}

} // namespace
} // namespace kesmora
