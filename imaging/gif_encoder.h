#pragma once
// The GIF encoder: a GIF89a image with a 256-colour global table and LZW data,
// written to a file through cFile or, with no file name, into the caller's byte
// array. Any thread may encode. The encoder registry also uses it for its ".GIF" encoder.

#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>

#include "imaging/dib_bits.h"
#include "platform/result.h"

class GifOutput;
class cFile;

// Encodes the drawn image; returns the GIF's length, 0 when nothing was written.
// With no file name the GIF goes into *bytes (none: nowhere).
int32_t saveBitmapAsGif(const QImage& bitmap, const QString& fileName, QByteArray* bytes = nullptr);
// Header, colour table (info's colours-used entries), image data and trailer;
// returns the GIF's length, or 0 when the file cannot be opened or written or
// the pixels do not cover the picture. With no file name the GIF replaces
// *bytes (none: nothing is written).
int32_t writeGif(const QString& fileName, bool interlaced, const BitmapInfo& info, const QByteArray& pixels,
                 QByteArray* bytes = nullptr);
// The same to any output (no file handling, no dumps).
int32_t writeGifTo(GifOutput& out, bool interlaced, const BitmapInfo& info, const QByteArray& pixels);
// The same into a file opened for writing (and cut at the GIF's end); the
// failure is the system's first error: "ERROR 112 There is not enough space on the disk."
Result<int32_t> writeGifToFile(cFile& file, bool interlaced, const BitmapInfo& info, const QByteArray& pixels);
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
