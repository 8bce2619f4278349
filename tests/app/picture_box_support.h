// Shared by the picture-box tests: a QApplication for the whole run, ImageMagick as an
// independent maker and reader of pictures, and hand-made picture files.
#pragma once

#include <QByteArray>
#include <QImage>
#include <QStringList>

#include <vector>

namespace kesmora::test {

// Runs ImageMagick's `convert` with `arguments` (input from `input` when an argument is
// "-" or "<format>:-") and returns what it wrote to standard output; empty when it failed
// or took longer than 60 seconds.
QByteArray RunConvert(const QStringList& arguments, const QByteArray& input = {});

// Reads a PNG (ImageMagick's output) as 8-bit RGBA.
QImage ReadPng(const QByteArray& png);

// An indexed picture in PCX form, written here rather than by ImageMagick, which only
// writes the 8-bit layouts. `indexes` holds one palette index per pixel, row by row;
// `palette` 16 RGB entries (48 bytes) for the header. Scan lines are padded to an even
// length and the run-length stream runs across scan lines.
QByteArray EncodePlanarPcx(int width, int height, int bitsPerPixel, int planes,
                           const std::vector<int>& indexes, const QByteArray& palette);

// A grey 8-bit PNG whose header claims width x height, holding `rows` rows of zeros
// (a complete picture when rows == height).
QByteArray MakeGreyPng(int width, int height, int rows);

// A one-pixel GIF whose logical screen claims width x height.
QByteArray MakeOnePixelGif(int width, int height);

} // namespace kesmora::test
