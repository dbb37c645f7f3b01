#pragma once
// Helpers of the GIF tests: 8-bit pictures built by hand, an independent reader of
// the LZW code stream, and the independent decoders (Qt's reader, giflib's giftext).

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QVector>
#include <cstdint>
#include <functional>

#include "imaging/dib_bits.h"

struct GifDib {
  BitmapInfo info;
  QByteArray pixels;  // rows padded to 4 bytes; padding bytes hold 0xEE to catch reads of them
};
// A 64 x 40 white picture with a red line across, as a chart looks.
QImage chartLike();
// width x height picture whose pixel (x, y) is index(x, y); colour i of the table is (i, 255 - i, i / 2).
GifDib makeGifDib(int width, int height, const std::function<uint8_t(int, int)>& index);
// The pixel indices without row padding.
QByteArray unpaddedIndices(const GifDib& dib);

// The LZW data of a one-image GIF with a 256-entry table: the sub-blocks joined; false when the
// block structure (lengths 1..255, terminator, trailer) is broken.
bool gifImageData(const QByteArray& gif, QByteArray& data, QVector<int>* blockLengths = nullptr);
// Reads `width` bits at `bitPos`, least significant first.
uint32_t readBits(const QByteArray& data, int64_t& bitPos, int width);

// giflib's decoder: the raw pixel indices of the GIF's image, or an empty array with `skipReason` set.
QByteArray giflibIndices(const QByteArray& gif, QString& skipReason);
