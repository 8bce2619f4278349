// A picture box of the main window: shows image-file bytes at their natural size from
// the top-left corner, clipped, on the button-face colour, and reports a press of the
// left mouse button.
#pragma once

#include "common/text.h"

#include <QImage>
#include <QWidget>

#include <memory>

class QBuffer;
class QMovie;

namespace kesmora {

class PictureBox : public QWidget {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);
    ~PictureBox() override;

    // Replaces the picture with the one in `bytes`, whose format is told by its first
    // bytes (JPEG, BMP, icon, cursor, GIF, PCX, PNG). Empty bytes, fewer than eight,
    // an unknown format, data that does not decode as its format, or a picture over the
    // allocation limit leave the box without a picture: only its background shows.
    // A GIF plays its animation. Icons and cursors show their first image.
    void setPicture(const Bytes& bytes);

    bool hasPicture() const;
    // Natural size of the picture (of the current frame for an animation); empty when
    // there is none.
    QSize pictureSize() const;
    bool isAnimated() const;

signals:
    // The left mouse button went down over the box.
    void leftButtonPressed();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void clearPicture();
    bool startMovie(const Bytes& bytes);

    QImage still_;
    // The movie reads its frames from the buffer, so the buffer is declared first and
    // outlives it.
    std::unique_ptr<QBuffer> movieData_;
    std::unique_ptr<QMovie> movie_;
};

} // namespace kesmora
