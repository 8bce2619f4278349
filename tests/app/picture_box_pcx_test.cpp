#include "app/image_format.h"
#include "app/pcx_decoder.h"
#include "tests/app/picture_box_support.h"

#include <gtest/gtest.h>

#include <QImage>

#include <string>
#include <vector>

namespace kesmora {
namespace {

using test::EncodePlanarPcx;
using test::ReadPng;
using test::RunConvert;

RgbaPicture Decode(const QByteArray& pcx) {
    return DecodePcx(reinterpret_cast<const unsigned char*>(pcx.constData()),
                     static_cast<std::size_t>(pcx.size()));
}

// Compares every pixel of a decoded picture with a reference image (RGBA8888); on the
// first difference the failure names the place and both colours.
void ExpectSamePixels(const RgbaPicture& decoded, const QImage& reference, const char* name) {
    ASSERT_FALSE(decoded.empty()) << name;
    ASSERT_EQ(decoded.width, reference.width()) << name;
    ASSERT_EQ(decoded.height, reference.height()) << name;
    for (int y = 0; y < decoded.height; ++y) {
        const uchar* want = reference.constScanLine(y);
        const unsigned char* got = decoded.pixels.data() + std::size_t(y) * decoded.width * 4;
        for (int i = 0; i < decoded.width * 4; ++i) {
            ASSERT_EQ(int(got[i]), int(want[i]))
                << name << ": pixel " << i / 4 << "," << y << " channel " << i % 4;
        }
    }
}

int HeaderByte(const QByteArray& pcx, int offset) {
    return static_cast<unsigned char>(pcx[offset]);
}

// ImageMagick writes the 8-bit layouts: one plane with the 256-colour palette, three
// planes of red, green and blue, four with alpha. Its own reading of each file is the
// reference.
TEST(PcxDecoderTest, MatchesImageMagickOnItsOwnFiles) {
    struct Case {
        const char* name;
        QStringList make; // arguments before the output
        int planes;
    };
    const QStringList source = {QStringLiteral("-seed"), QStringLiteral("7"),
                                QStringLiteral("-size"), QStringLiteral("37x9"),
                                QStringLiteral("plasma:")};
    const Case cases[] = {
        {"24-bit", source + QStringList{QStringLiteral("-type"), QStringLiteral("truecolor")}, 3},
        {"8-bit with palette",
         source + QStringList{QStringLiteral("-colors"), QStringLiteral("200"),
                              QStringLiteral("-type"), QStringLiteral("palette")},
         1},
        {"32-bit with alpha",
         {QStringLiteral("-size"), QStringLiteral("37x9"),
          QStringLiteral("gradient:rgba(255,0,0,1)-rgba(0,90,255,0.2)")},
         4},
    };
    for (const Case& c : cases) {
        const QByteArray pcx = RunConvert(c.make + QStringList{QStringLiteral("pcx:-")});
        ASSERT_GT(pcx.size(), 128) << c.name;
        ASSERT_EQ(HeaderByte(pcx, 3), 8) << c.name;
        ASSERT_EQ(HeaderByte(pcx, 65), c.planes) << c.name << ": ImageMagick chose another layout";
        const QImage reference =
            ReadPng(RunConvert({QStringLiteral("pcx:-"), QStringLiteral("png:-")}, pcx));
        ExpectSamePixels(Decode(pcx), reference, c.name);
    }
}

// The 24-bit file against the lossless source picture itself, so that a fault shared with
// ImageMagick's reader would still show.
TEST(PcxDecoderTest, TrueColourMatchesItsPngSource) {
    const QStringList source = {QStringLiteral("-seed"), QStringLiteral("3"),
                                QStringLiteral("-size"), QStringLiteral("64x31"),
                                QStringLiteral("plasma:")};
    const QByteArray png = RunConvert(source + QStringList{QStringLiteral("png24:-")});
    const QByteArray pcx = RunConvert({QStringLiteral("png:-"), QStringLiteral("-type"),
                                       QStringLiteral("truecolor"), QStringLiteral("pcx:-")},
                                      png);
    ExpectSamePixels(Decode(pcx), ReadPng(png), "24-bit from png");
}

QByteArray SixteenColours() {
    QByteArray palette;
    for (int i = 0; i < 16; ++i) {
        palette.append(char(i * 16 + 5)).append(char(255 - i * 13)).append(char((i * 71) & 0xFF));
    }
    return palette;
}

// Packed and planar layouts of up to four bits, which ImageMagick does not write: encoded
// here, read by ImageMagick as the reference and also checked against the palette. (One
// bit in one plane is left out: ImageMagick reads it with 0 as white, the other way round
// from the format's black-and-white convention; see the test after this one.)
TEST(PcxDecoderTest, ReadsPlanarLayoutsLikeImageMagick) {
    struct Case {
        const char* name;
        int bitsPerPixel;
        int planes;
    };
    const Case cases[] = {
        {"2 bits", 2, 1},          {"4 bits packed", 4, 1},         {"1 bit, 2 planes", 1, 2},
        {"1 bit, 3 planes", 1, 3}, {"1 bit, 4 planes (EGA)", 1, 4},
    };
    const int width = 37, height = 9;
    const QByteArray palette = SixteenColours();
    for (const Case& c : cases) {
        const int colours = 1 << (c.bitsPerPixel * c.planes);
        std::vector<int> indexes;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                indexes.push_back((x / 3 + y) % colours);
            }
        }
        const QByteArray pcx =
            EncodePlanarPcx(width, height, c.bitsPerPixel, c.planes, indexes, palette);
        const RgbaPicture decoded = Decode(pcx);
        const QImage reference =
            ReadPng(RunConvert({QStringLiteral("pcx:-"), QStringLiteral("png:-")}, pcx));
        ExpectSamePixels(decoded, reference, c.name);
        const int i = 4 * width + 20; // pixel 20,4
        const unsigned char* got = decoded.pixels.data() + 4 * i;
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(got), 3), palette.mid(3 * indexes[i], 3))
            << c.name;
    }
}

TEST(PcxDecoderTest, OneBitIsBlackAndWhiteWhateverTheHeaderPalette) {
    const std::vector<int> indexes = {0, 1, 1, 0};
    const RgbaPicture decoded = Decode(EncodePlanarPcx(2, 2, 1, 1, indexes, SixteenColours()));
    ASSERT_FALSE(decoded.empty());
    const std::vector<unsigned char> expected = {0,   0,   0,   255, 255, 255, 255, 255,
                                                 255, 255, 255, 255, 0,   0,   0,   255};
    EXPECT_EQ(decoded.pixels, expected);
}

QByteArray WithWord(QByteArray pcx, int offset, int value) {
    pcx[offset] = char(value & 0xFF);
    pcx[offset + 1] = char((value >> 8) & 0xFF);
    return pcx;
}

QByteArray WithByte(QByteArray pcx, int offset, int value) {
    pcx[offset] = char(value);
    return pcx;
}

// An 8-bit one-plane picture: the runs, then 0x0C and 256 colours.
QByteArray VgaPicture(int width, int height, bool withPalette) {
    std::vector<int> indexes;
    for (int i = 0; i < width * height; ++i) {
        indexes.push_back((i * 7) % 256);
    }
    QByteArray pcx = EncodePlanarPcx(width, height, 8, 1, indexes, QByteArray(48, '\0'));
    if (withPalette) {
        pcx.append(char(0x0C));
        for (int i = 0; i < 256; ++i) {
            pcx.append(char(i)).append(char(255 - i)).append(char(i / 2));
        }
    }
    return pcx;
}

TEST(PcxDecoderTest, RefusesWhatItCannotReadInFull) {
    const QByteArray good =
        EncodePlanarPcx(37, 9, 1, 4, std::vector<int>(37 * 9, 5), SixteenColours());
    ASSERT_FALSE(Decode(good).empty());
    const QByteArray vga = VgaPicture(20, 6, true);
    ASSERT_FALSE(Decode(vga).empty());
    const std::vector<int> fives(37 * 9, 5);
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    const Case cases[] = {
        {"short header", good.left(100)},
        {"header alone", good.left(128)},
        {"runs cut short", good.left(good.size() - 1)},
        {"8 bits without the closing palette", VgaPicture(20, 6, false)},
        {"8 bits with a damaged palette marker", WithByte(vga, vga.size() - 769, 0x0D)},
        {"not pcx", WithByte(good, 0, 0x0B)},
        {"right edge left of the left edge", WithWord(good, 4, 40)},
        {"bottom above the top", WithWord(good, 6, 10)},
        {"scan line shorter than the width", WithWord(good, 66, 4)},
        {"zero bytes per line", WithWord(good, 66, 0)},
        {"8 bits in two planes", EncodePlanarPcx(37, 9, 8, 2, fives, SixteenColours())},
        {"4 bits in two planes", EncodePlanarPcx(37, 9, 4, 2, fives, SixteenColours())},
        {"1 bit in five planes", EncodePlanarPcx(37, 9, 1, 5, fives, SixteenColours())},
        {"no planes", WithByte(good, 65, 0)},
        {"65536 by 65536 pixels", WithWord(WithWord(good, 8, 65535), 10, 65535)},
    };
    for (const Case& c : cases) {
        // An exact-size copy, so that a read past the end is one past the allocation.
        const std::vector<unsigned char> bytes(c.bytes.begin(), c.bytes.end());
        EXPECT_TRUE(DecodePcx(bytes.data(), bytes.size()).empty()) << c.name;
    }
}

TEST(PcxDecoderTest, EveryCutOfAValidFileIsRefused) {
    const QByteArray pcx =
        RunConvert({QStringLiteral("-seed"), QStringLiteral("5"), QStringLiteral("-size"),
                    QStringLiteral("23x7"), QStringLiteral("plasma:"), QStringLiteral("-colors"),
                    QStringLiteral("50"), QStringLiteral("pcx:-")});
    ASSERT_FALSE(Decode(pcx).empty());
    for (int n = 0; n < pcx.size(); ++n) {
        const std::vector<unsigned char> cut(pcx.begin(), pcx.begin() + n);
        EXPECT_TRUE(DecodePcx(cut.data(), cut.size()).empty()) << "first " << n << " bytes";
    }
}

TEST(PcxDecoderTest, PixelCountIsBounded) {
    // All zero, so the runs stay short: 4096 * 4096 is exactly the limit.
    const auto blank = [](int width, int height) {
        return Decode(EncodePlanarPcx(width, height, 1, 1,
                                      std::vector<int>(std::size_t(width) * height, 0),
                                      QByteArray(48, '\0')));
    };
    ASSERT_EQ(4096ULL * 4096ULL, kMaxPicturePixels);
    EXPECT_FALSE(blank(4096, 4096).empty()) << "at the limit";
    EXPECT_TRUE(blank(4097, 4096).empty()) << "one column over";
}

} // namespace
} // namespace kesmora
