#include "app/image_format.h"
#include "app/pcx_decoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Any input: no read outside it, and a decoded picture is exactly as large as it says.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const kesmora::RgbaPicture picture = kesmora::DecodePcx(data, size);
    if (picture.empty()) {
        return 0;
    }
    const auto pixels = static_cast<unsigned long long>(picture.width) * picture.height;
    if (picture.width <= 0 || picture.height <= 0 || pixels > kesmora::kMaxPicturePixels ||
        picture.pixels.size() != pixels * 4 ||
        kesmora::SniffImageFormat(data, size) != kesmora::ImageFormat::Pcx) {
        std::abort();
    }
    return 0;
}
