#include "app/picture_box.h"

#include "app/image_format.h"
#include "app/pcx_decoder.h"

#include <QBuffer>
#include <QImageReader>
#include <QMouseEvent>
#include <QMovie>
#include <QPainter>

namespace kesmora {

namespace {

QByteArray ToByteArray(const Bytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

// A size the reader announces from the header is checked before decoding; a reader
// that cannot tell is held by Qt's own allocation limit while it decodes.
bool WithinLimit(const QSize& size) {
    if (!size.isValid()) {
        return true;
    }
    const auto pixels = static_cast<unsigned long long>(size.width()) *
                        static_cast<unsigned long long>(size.height());
    return pixels <= kMaxPicturePixels;
}

void ApplyAllocationLimit() {
    // Process-wide in Qt; every reader of the program, QMovie's included, obeys it.
    if (QImageReader::allocationLimit() != kPictureAllocationLimitMiB) {
        QImageReader::setAllocationLimit(kPictureAllocationLimitMiB);
    }
}

QImage DecodeWithQt(const Bytes& bytes, ImageFormat format) {
    QByteArray array = ToByteArray(bytes);
    QBuffer buffer(&array);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, QtFormatName(format));
    reader.setDecideFormatFromContent(false);
    if (!WithinLimit(reader.size())) {
        return {};
    }
    QImage image;
    if (!reader.read(&image)) {
        return {};
    }
    return image;
}

QImage DecodePcxImage(const Bytes& bytes) {
    const RgbaPicture picture = DecodePcx(bytes.data(), bytes.size());
    if (picture.empty()) {
        return {};
    }
    const QImage view(picture.pixels.data(), picture.width, picture.height,
                      static_cast<qsizetype>(picture.width) * 4, QImage::Format_RGBA8888);
    return view.copy();
}

} // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    setCursor(Qt::PointingHandCursor);
}

PictureBox::~PictureBox() = default;

void PictureBox::setPicture(const Bytes& bytes) {
    clearPicture();
    ApplyAllocationLimit();
    const ImageFormat format = SniffImageFormat(bytes.data(), bytes.size());
    switch (format) {
    case ImageFormat::Unknown:
        break;
    case ImageFormat::Gif:
        startMovie(bytes);
        break;
    case ImageFormat::Pcx:
        still_ = DecodePcxImage(bytes);
        break;
    default:
        still_ = DecodeWithQt(bytes, format);
        break;
    }
    update();
}

bool PictureBox::startMovie(const Bytes& bytes) {
    auto data = std::make_unique<QBuffer>();
    data->setData(ToByteArray(bytes));
    data->open(QIODevice::ReadOnly);
    {
        QImageReader probe(data.get(), QtFormatName(ImageFormat::Gif));
        probe.setDecideFormatFromContent(false);
        if (!WithinLimit(probe.size())) {
            return false;
        }
    }
    data->seek(0);
    auto movie = std::make_unique<QMovie>(data.get(), QtFormatName(ImageFormat::Gif));
    if (!movie->isValid() || !movie->jumpToFrame(0) || movie->currentImage().isNull()) {
        return false;
    }
    connect(movie.get(), &QMovie::frameChanged, this, [this] { update(); });
    movieData_ = std::move(data);
    movie_ = std::move(movie);
    movie_->start();
    return true;
}

void PictureBox::clearPicture() {
    movie_.reset();
    movieData_.reset();
    still_ = QImage();
}

bool PictureBox::hasPicture() const {
    return movie_ != nullptr || !still_.isNull();
}

QSize PictureBox::pictureSize() const {
    if (movie_ != nullptr) {
        return movie_->currentImage().size();
    }
    return still_.size();
}

bool PictureBox::isAnimated() const {
    return movie_ != nullptr && movie_->frameCount() != 1;
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (movie_ != nullptr) {
        painter.drawImage(0, 0, movie_->currentImage());
    } else if (!still_.isNull()) {
        painter.drawImage(0, 0, still_);
    }
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    emit leftButtonPressed();
}

} // namespace kesmora
