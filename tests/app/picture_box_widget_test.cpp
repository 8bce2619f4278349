#include "app/picture_box.h"
#include "tests/app/picture_box_support.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QList>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <string>

namespace kesmora {
namespace {

using test::EncodePlanarPcx;
using test::MakeGreyPng;
using test::MakeOnePixelGif;
using test::RunConvert;

Bytes ToBytes(const QByteArray& a) {
    return Bytes(a.constData(), std::size_t(a.size()));
}

// A picture whose every pixel differs from its neighbours, so that any scaling, centring
// or offset shows in a pixel comparison.
QImage Pattern(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(x, y, qRgb((x * 5) & 0xFF, (y * 9) & 0xFF, (x * y) & 0xFF));
        }
    }
    return image;
}

QByteArray Saved(const QImage& image, const char* format) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format)) << format;
    return bytes;
}

QByteArray AsCursor(QByteArray icon) {
    icon[2] = 2; // resource type: cursor
    return icon;
}

QByteArray AnimatedGif() {
    return RunConvert({QStringLiteral("-delay"), QStringLiteral("5"), QStringLiteral("-size"),
                       QStringLiteral("30x12"), QStringLiteral("xc:red"), QStringLiteral("xc:lime"),
                       QStringLiteral("xc:blue"), QStringLiteral("-loop"), QStringLiteral("0"),
                       QStringLiteral("gif:-")});
}

QImage Rendered(PictureBox& box) {
    return box.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

struct FormatCase {
    const char* name;
    QByteArray bytes;
    QSize size;
};

TEST(PictureBoxTest, ShowsEachFormatAtItsNaturalSize) {
    const QImage pattern = Pattern(50, 20);
    const FormatCase cases[] = {
        {"png", Saved(pattern, "png"), {50, 20}},
        {"png made by hand", MakeGreyPng(20, 10, 10), {20, 10}},
        {"jpeg", Saved(pattern, "jpeg"), {50, 20}},
        {"bmp", Saved(pattern, "bmp"), {50, 20}},
        {"icon", Saved(Pattern(32, 32), "ico"), {32, 32}},
        {"cursor", AsCursor(Saved(Pattern(32, 32), "ico")), {32, 32}},
        {"gif, one pixel", MakeOnePixelGif(1, 1), {1, 1}},
        {"gif, animated", AnimatedGif(), {30, 12}},
        {"pcx",
         EncodePlanarPcx(37, 9, 4, 1, std::vector<int>(37 * 9, 3), QByteArray(48, '\x40')),
         {37, 9}},
    };
    PictureBox box;
    box.resize(345, 100);
    for (const FormatCase& c : cases) {
        box.setPicture(ToBytes(c.bytes));
        EXPECT_TRUE(box.hasPicture()) << c.name;
        EXPECT_EQ(box.pictureSize(), c.size) << c.name;
    }
}

TEST(PictureBoxTest, DrawsFromTheTopLeftCornerUnscaledAndClipped) {
    PictureBox box;
    box.resize(345, 100);
    const QColor background = box.palette().color(QPalette::Button);

    const QImage large = Pattern(400, 120);
    box.setPicture(ToBytes(Saved(large, "png")));
    EXPECT_EQ(Rendered(box), large.copy(0, 0, 345, 100)) << "larger than the box: cut off";

    const QImage small = Pattern(50, 20);
    box.setPicture(ToBytes(Saved(small, "png")));
    const QImage shown = Rendered(box);
    EXPECT_EQ(shown.copy(0, 0, 50, 20), small) << "smaller than the box: at its corner";
    EXPECT_EQ(shown.pixelColor(50, 0), background) << "right of the picture";
    EXPECT_EQ(shown.pixelColor(0, 20), background) << "below the picture";
    EXPECT_EQ(shown.pixelColor(344, 99), background) << "far corner";
}

bool OnlyBackground(PictureBox& box) {
    const QImage shown = Rendered(box);
    const QRgb background = box.palette().color(QPalette::Button).rgb();
    for (int y = 0; y < shown.height(); ++y) {
        for (int x = 0; x < shown.width(); ++x) {
            if (shown.pixel(x, y) != background) {
                return false;
            }
        }
    }
    return true;
}

TEST(PictureBoxTest, BytesThatAreNoPictureLeaveTheBackground) {
    const QByteArray png = Saved(Pattern(50, 20), "png");
    const QByteArray jpeg = Saved(Pattern(50, 20), "jpeg");
    const QByteArray garbage(300, '\x5A');
    const QByteArray bigPcx = EncodePlanarPcx(1, 1, 1, 1, {0}, QByteArray(48, '\0'));
    QByteArray hugePcx = bigPcx;
    hugePcx[8] = hugePcx[9] = hugePcx[10] = hugePcx[11] = '\xFF';
    const FormatCase cases[] = {
        {"empty", {}, {}},
        {"seven bytes of a png", png.left(7), {}},
        {"unknown format", QByteArray("<html><body>Not Found</body></html>"), {}},
        {"png signature, then garbage", png.left(8) + garbage, {}},
        {"bmp signature, then garbage", "BM" + garbage, {}},
        {"gif signature, then garbage", "GIF89a" + garbage, {}},
        {"icon signature, then garbage", QByteArray("\0\0\1\0", 4) + garbage, {}},
        {"jpeg calling itself png", png.left(8) + jpeg, {}},
        {"png calling itself bmp", "BM" + png.mid(2), {}},
        {"png cut in half", png.left(png.size() / 2), {}},
        {"png claiming 100000 x 100000", MakeGreyPng(100000, 100000, 1), {}},
        {"png of 5000 x 5000 in 3 KB",
         RunConvert({QStringLiteral("-size"), QStringLiteral("5000x5000"),
                     QStringLiteral("xc:black"), QStringLiteral("png:-")}),
         {}},
        {"gif claiming 65535 x 65535", MakeOnePixelGif(65535, 65535), {}},
        {"pcx claiming 65536 x 65536", hugePcx, {}},
    };
    PictureBox box;
    box.resize(345, 100);
    for (const FormatCase& c : cases) {
        box.setPicture(ToBytes(png));
        ASSERT_TRUE(box.hasPicture());
        box.setPicture(ToBytes(c.bytes));
        EXPECT_FALSE(box.hasPicture()) << c.name;
        EXPECT_TRUE(box.pictureSize().isEmpty()) << c.name;
        EXPECT_TRUE(OnlyBackground(box)) << c.name;
    }
}

TEST(PictureBoxTest, AnimatedGifPlays) {
    PictureBox box;
    box.resize(345, 100);
    box.setPicture(ToBytes(AnimatedGif()));
    ASSERT_TRUE(box.isAnimated());
    // The colours shown, each change once: three frames, then the loop starts again.
    QList<QRgb> shown;
    for (int i = 0; i < 250 && shown.size() < 4; ++i) {
        const QRgb now = Rendered(box).pixel(0, 0);
        if (shown.isEmpty() || shown.last() != now) {
            shown.append(now);
        }
        QTest::qWait(20);
    }
    ASSERT_EQ(shown.size(), 4) << "three frames and the first again";
    EXPECT_EQ(QSet<QRgb>(shown.begin(), shown.end()).size(), 3) << "red, lime and blue";
    EXPECT_EQ(shown[3], shown[0]) << "the animation loops";

    box.setPicture(ToBytes(MakeOnePixelGif(1, 1)));
    EXPECT_FALSE(box.isAnimated()) << "a single frame";
}

TEST(PictureBoxTest, ReportsEachLeftButtonPress) {
    PictureBox box;
    box.resize(345, 100);
    EXPECT_EQ(box.cursor().shape(), Qt::PointingHandCursor);
    QSignalSpy pressed(&box, &PictureBox::leftButtonPressed);
    QTest::mousePress(&box, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(pressed.count(), 1) << "on the press, before any release";
    QTest::mouseRelease(&box, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseClick(&box, Qt::RightButton, {}, QPoint(10, 10));
    QTest::mouseClick(&box, Qt::MiddleButton, {}, QPoint(10, 10));
    EXPECT_EQ(pressed.count(), 1) << "release and other buttons";
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(300, 90));
    EXPECT_EQ(pressed.count(), 2) << "a second click, also without a picture";
}

} // namespace
} // namespace kesmora
