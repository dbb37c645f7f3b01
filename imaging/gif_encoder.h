#pragma once
// The GIF encoder: a GIF89a image with a 256-colour global table and LZW data,
// written to a file through cFile or, with no file name, into a picture buffer.
// Any thread may encode. The encoder registry also uses it for its ".GIF" encoder.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>

#include "imaging/dib_bits.h"
#include "platform/result.h"

class GifOutput;
struct PicBuffer;

// Encodes the drawn image (dumping its bitmap information at message level 1)
// into the file, or with no file name into *picBuffer; the GIF's length.
Result<int32_t> saveBitmapAsGif(const QImage& bitmap, const QString& fileName, PicBuffer* picBuffer = nullptr);
// Header, colour table (info's colours-used entries), image data and trailer;
// the GIF's length. A file is written beside its target and renamed over it
// when complete, so a failure leaves the old file; its failure is the system's
// first error: "ERROR 112 There is not enough space on the disk." With no file
// name the GIF replaces the buffer's bytes. Refused when the pixels do not
// cover the picture (nothing is touched then).
Result<int32_t> writeGif(const QString& fileName, bool interlaced, const BitmapInfo& info, const QByteArray& pixels,
                         PicBuffer* picBuffer = nullptr);
// The same to any output (no file handling, no dumps).
Result<int32_t> writeGifTo(GifOutput& out, bool interlaced, const BitmapInfo& info, const QByteArray& pixels);
// The 8-bit picture of an image with the encoder's 256-entry table.
struct GifPicture {
  BitmapInfo info;
  QByteArray pixels;
};
Result<GifPicture> imageToGifDib(const QImage& image);
// The whole road from a drawn image to GIF bytes, as the encoder registry uses it.
Result<QByteArray> encodeImageAsGif(const QImage& image);

// Debug dumps of a bitmap information header and a colour table (logMsg level 1).
QString showBmiHeadText(const BitmapInfoHeader& bmiHead);
QString showRgbqText(const BitmapInfo& info);
void showBmiHead(const BitmapInfoHeader& bmiHead);
void showRgbq(const BitmapInfo& info);
