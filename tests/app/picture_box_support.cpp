#include "tests/app/picture_box_support.h"

#include "tests/app/test_application.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace kesmora::test {

namespace {

[[maybe_unused]] ::testing::Environment* const kApplication =
    AddTestApplication("picture_box_test");

void PutWord(QByteArray* out, int offset, int value) {
    (*out)[offset] = static_cast<char>(value & 0xFF);
    (*out)[offset + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void AppendBigEndian(QByteArray* out, quint32 value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out->append(static_cast<char>((value >> shift) & 0xFF));
    }
}

quint32 Crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void AppendChunk(QByteArray* png, const char* type, const QByteArray& data) {
    AppendBigEndian(png, static_cast<quint32>(data.size()));
    const QByteArray typed = QByteArray(type) + data;
    png->append(typed);
    AppendBigEndian(png, Crc32(typed));
}

// A zlib stream of stored (uncompressed) blocks.
QByteArray StoredZlib(const QByteArray& raw) {
    QByteArray out("\x78\x01", 2);
    quint32 a = 1, b = 0;
    for (const char c : raw) {
        a = (a + static_cast<unsigned char>(c)) % 65521;
        b = (b + a) % 65521;
    }
    for (qsizetype at = 0; at == 0 || at < raw.size(); at += 65535) {
        const qsizetype n = std::min<qsizetype>(65535, raw.size() - at);
        out.append(static_cast<char>(at + n >= raw.size() ? 1 : 0));
        out.append(static_cast<char>(n & 0xFF)).append(static_cast<char>(n >> 8));
        out.append(static_cast<char>(~n & 0xFF)).append(static_cast<char>((~n >> 8) & 0xFF));
        out.append(raw.mid(at, n));
    }
    AppendBigEndian(&out, (b << 16) | a);
    return out;
}

void AppendRuns(QByteArray* out, const QByteArray& plain) {
    for (qsizetype i = 0; i < plain.size();) {
        const char value = plain[i];
        qsizetype n = 1;
        while (i + n < plain.size() && plain[i + n] == value && n < 63) {
            ++n;
        }
        if (n > 1 || (static_cast<unsigned char>(value) & 0xC0) == 0xC0) {
            out->append(static_cast<char>(0xC0 | n));
        }
        out->append(value);
        i += n;
    }
}

} // namespace

QByteArray RunConvert(const QStringList& arguments, const QByteArray& input) {
    QProcess convert;
    convert.start(QStringLiteral("convert"), arguments);
    if (!convert.waitForStarted(10000)) {
        ADD_FAILURE() << "ImageMagick's convert does not start";
        return {};
    }
    convert.write(input);
    convert.closeWriteChannel();
    if (!convert.waitForFinished(60000) || convert.exitCode() != 0) {
        ADD_FAILURE() << "convert failed: " << convert.readAllStandardError().toStdString();
        return {};
    }
    return convert.readAllStandardOutput();
}

QImage ReadPng(const QByteArray& png) {
    return QImage::fromData(png, "png").convertToFormat(QImage::Format_RGBA8888);
}

QByteArray EncodePlanarPcx(int width, int height, int bitsPerPixel, int planes,
                           const std::vector<int>& indexes, const QByteArray& palette) {
    const int bytesPerLine = ((width * bitsPerPixel + 7) / 8 + 1) / 2 * 2;
    QByteArray pcx(128, '\0');
    pcx[0] = 0x0A;
    pcx[1] = 5;
    pcx[2] = 1;
    pcx[3] = static_cast<char>(bitsPerPixel);
    PutWord(&pcx, 8, width - 1);
    PutWord(&pcx, 10, height - 1);
    pcx.replace(16, 48, palette.left(48));
    pcx[65] = static_cast<char>(planes);
    PutWord(&pcx, 66, bytesPerLine);
    PutWord(&pcx, 68, 1);

    const int mask = (1 << bitsPerPixel) - 1;
    QByteArray plain;
    for (int y = 0; y < height; ++y) {
        for (int k = 0; k < planes; ++k) {
            QByteArray line(bytesPerLine, '\0');
            for (int x = 0; x < width; ++x) {
                const int bits = (indexes[y * width + x] >> (k * bitsPerPixel)) & mask;
                const int bit = x * bitsPerPixel;
                line[bit / 8] =
                    static_cast<char>(line[bit / 8] | bits << (8 - bitsPerPixel - bit % 8));
            }
            plain.append(line);
        }
    }
    AppendRuns(&pcx, plain);
    return pcx;
}

QByteArray MakeGreyPng(int width, int height, int rows) {
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header;
    AppendBigEndian(&header, static_cast<quint32>(width));
    AppendBigEndian(&header, static_cast<quint32>(height));
    header.append("\x08\x00\x00\x00\x00", 5); // 8-bit grey, deflate, no filter, no interlace
    AppendChunk(&png, "IHDR", header);
    AppendChunk(&png, "IDAT", StoredZlib(QByteArray(qsizetype(rows) * (width + 1), '\0')));
    AppendChunk(&png, "IEND", {});
    return png;
}

QByteArray MakeOnePixelGif(int width, int height) {
    QByteArray gif("GIF89a");
    gif.append(static_cast<char>(width & 0xFF)).append(static_cast<char>(width >> 8));
    gif.append(static_cast<char>(height & 0xFF)).append(static_cast<char>(height >> 8));
    gif.append("\x80\x00\x00", 3);             // two-colour global table
    gif.append("\xFF\x00\x00\x00\x00\xFF", 6); // red, blue
    gif.append("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10);
    gif.append("\x02\x02\x44\x01\x00\x3B", 6); // one pixel of colour 0, trailer
    return gif;
}

} // namespace kesmora::test
