#include "app/pcx_decoder.h"

#include "app/image_format.h"

namespace kesmora {

namespace {

constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kVgaPaletteSize = 1 + 256 * 3; // 0x0C marker and 256 colours
constexpr unsigned char kVgaPaletteMarker = 0x0C;

struct PcxHeader {
    int bitsPerPixel = 0;
    int planes = 0;
    int width = 0;
    int height = 0;
    int bytesPerLine = 0;
    const unsigned char* headerPalette = nullptr; // 16 colours, 3 bytes each
};

int Word(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}

bool IsTrueColour(const PcxHeader& h) {
    return h.bitsPerPixel == 8 && (h.planes == 3 || h.planes == 4);
}

bool IsVgaIndexed(const PcxHeader& h) {
    return h.bitsPerPixel == 8 && h.planes == 1;
}

bool IsHeaderIndexed(const PcxHeader& h) {
    const bool packed = h.bitsPerPixel == 1 || h.bitsPerPixel == 2 || h.bitsPerPixel == 4;
    return packed && h.planes >= 1 && h.bitsPerPixel * h.planes <= 4;
}

bool ReadHeader(const unsigned char* data, std::size_t size, PcxHeader* h) {
    if (size < kHeaderSize || SniffImageFormat(data, size) != ImageFormat::Pcx) {
        return false;
    }
    const int xMin = Word(data + 4), yMin = Word(data + 6);
    const int xMax = Word(data + 8), yMax = Word(data + 10);
    if (xMax < xMin || yMax < yMin) {
        return false;
    }
    h->bitsPerPixel = data[3];
    h->planes = data[65];
    h->width = xMax - xMin + 1;
    h->height = yMax - yMin + 1;
    h->bytesPerLine = Word(data + 66);
    h->headerPalette = data + 16;
    if (!IsTrueColour(*h) && !IsVgaIndexed(*h) && !IsHeaderIndexed(*h)) {
        return false;
    }
    const long long bitsPerLine = static_cast<long long>(h->width) * h->bitsPerPixel;
    return h->bytesPerLine > 0 && h->bytesPerLine >= (bitsPerLine + 7) / 8;
}

// The run-length stream: a byte of 0xC0 or more repeats the next byte (its low six bits
// times); any other byte stands for itself. Runs may cross scan lines.
class RunReader {
public:
    RunReader(const unsigned char* p, const unsigned char* end) : p_(p), end_(end) {}

    bool Fill(unsigned char* out, std::size_t n) {
        std::size_t done = 0;
        while (done < n) {
            if (runLeft_ > 0) {
                out[done++] = runValue_;
                --runLeft_;
                continue;
            }
            if (p_ == end_) {
                return false;
            }
            const unsigned char b = *p_++;
            if (b < 0xC0) {
                out[done++] = b;
                continue;
            }
            if (p_ == end_) {
                return false;
            }
            runLeft_ = b & 0x3F;
            runValue_ = *p_++;
        }
        return true;
    }

private:
    const unsigned char* p_;
    const unsigned char* end_;
    int runLeft_ = 0;
    unsigned char runValue_ = 0;
};

// Most output a stream of `available` bytes can give: 63 bytes for every two.
bool CanHold(std::size_t available, unsigned long long scanBytes) {
    const unsigned long long most = (available / 2) * 63ULL + available % 2;
    return scanBytes <= most;
}

unsigned PixelBits(const unsigned char* plane, int x, int bitsPerPixel) {
    const long long bit = static_cast<long long>(x) * bitsPerPixel;
    const int shift = 8 - bitsPerPixel - static_cast<int>(bit % 8);
    return (plane[bit / 8] >> shift) & ((1u << bitsPerPixel) - 1);
}

// The colour table of an indexed picture, 3 bytes per entry. A one-bit, one-plane
// picture is black and white whatever the header holds, as other readers have it.
std::vector<unsigned char> IndexedPalette(const PcxHeader& h, const unsigned char* vga) {
    if (vga != nullptr) {
        return std::vector<unsigned char>(vga, vga + 256 * 3);
    }
    if (h.bitsPerPixel * h.planes == 1) {
        return {0, 0, 0, 255, 255, 255};
    }
    return std::vector<unsigned char>(h.headerPalette, h.headerPalette + 16 * 3);
}

void ConvertLine(const PcxHeader& h, const unsigned char* line,
                 const std::vector<unsigned char>& palette, unsigned char* out) {
    const std::size_t bpl = static_cast<std::size_t>(h.bytesPerLine);
    for (int x = 0; x < h.width; ++x, out += 4) {
        if (IsTrueColour(h)) {
            out[0] = line[x];
            out[1] = line[bpl + x];
            out[2] = line[2 * bpl + x];
            out[3] = h.planes == 4 ? line[3 * bpl + x] : 255;
            continue;
        }
        unsigned index = 0;
        for (int k = 0; k < h.planes; ++k) {
            index |= PixelBits(line + k * bpl, x, h.bitsPerPixel) << (k * h.bitsPerPixel);
        }
        const unsigned char* colour = palette.data() + 3 * index;
        out[0] = colour[0];
        out[1] = colour[1];
        out[2] = colour[2];
        out[3] = 255;
    }
}

} // namespace

RgbaPicture DecodePcx(const unsigned char* data, std::size_t size) {
    PcxHeader h;
    if (!ReadHeader(data, size, &h)) {
        return {};
    }
    const unsigned long long pixels = static_cast<unsigned long long>(h.width) * h.height;
    if (pixels > kMaxPicturePixels) {
        return {};
    }

    // The 256-colour palette closes the file; the run-length data stops in front of it.
    const unsigned char* vga = nullptr;
    std::size_t streamEnd = size;
    if (IsVgaIndexed(h)) {
        if (size < kHeaderSize + kVgaPaletteSize ||
            data[size - kVgaPaletteSize] != kVgaPaletteMarker) {
            return {};
        }
        vga = data + size - kVgaPaletteSize + 1;
        streamEnd = size - kVgaPaletteSize;
    }

    // Refuse a stream too short for the picture before allocating for it.
    const std::size_t lineBytes = static_cast<std::size_t>(h.planes) * h.bytesPerLine;
    if (!CanHold(streamEnd - kHeaderSize, static_cast<unsigned long long>(lineBytes) * h.height)) {
        return {};
    }

    const std::vector<unsigned char> palette =
        IsTrueColour(h) ? std::vector<unsigned char>() : IndexedPalette(h, vga);
    RgbaPicture picture;
    picture.width = h.width;
    picture.height = h.height;
    picture.pixels.resize(static_cast<std::size_t>(pixels) * 4);
    std::vector<unsigned char> line(lineBytes);
    RunReader runs(data + kHeaderSize, data + streamEnd);
    for (int y = 0; y < h.height; ++y) {
        if (!runs.Fill(line.data(), lineBytes)) {
            return {};
        }
        ConvertLine(h, line.data(), palette,
                    picture.pixels.data() + static_cast<std::size_t>(y) * h.width * 4);
    }
    return picture;
}

} // namespace kesmora
