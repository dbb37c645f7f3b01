#include "imaging/gif_encoder.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "core/log/logmsg.h"
#include "core/util/format_pattern.h"
#include "core/util/text_helpers.h"
#include "imaging/file_wrapper.h"
#include "imaging/gif_output.h"
#include "imaging/lzw_encoder.h"
#include "imaging/picture_file.h"
#include "imaging/system_errors.h"

namespace {
const QString kDashes = QString(55, u'-') + kCrLf;

int32_t bitsForColours(int32_t colours) {
  int32_t bits = 0;
  while ((1 << bits) < colours && bits < 8) ++bits;
  return bits;
}

// The dumps show when the message level takes level 1. (The debug level is no
// longer set to 1 around them: nothing they do reads it, and the encoder runs
// on the graph pool's threads too, where writing it would race its readers.)
void dumpBitmapInfo(const BitmapInfo& info) {
  showBmiHead(info.bmiHeader);
  showRgbq(info);
}

// The picture fits a GIF and its pixel rows are all there.
Result<> gifInputFits(const BitmapInfo& info, const QByteArray& pixels) {
  const int64_t width = info.bmiHeader.biWidth, height = std::abs(int64_t(info.bmiHeader.biHeight));
  if (width >= 0 && width <= 0xFFFF && height <= 0xFFFF &&
      pixels.size() >= qsizetype(dibRowBytes(8, int32_t(width))) * height)
    return {};
  return Failure(QStringLiteral("a %1 x %2 picture does not fit a GIF").arg(width).arg(height));
}

// A failure outside cFile's own reports, in the same words.
Failure fileFailure(int err, const QString& path = QString()) {
  const int32_t code = systemErrorFromErrno(err, path);
  return gifFileFailure(code, cFile::getApiErrorText(code));
}
}  // namespace

Result<int32_t> writeGifTo(GifOutput& out, bool interlaced, const BitmapInfo& info,
                           const QByteArray& pixels) {
  if (const Result<> fits = gifInputFits(info, pixels); !fits) return fits.failure();
  const int32_t width = info.bmiHeader.biWidth;
  const int32_t height = std::abs(info.bmiHeader.biHeight);
  const int32_t colours = std::clamp(info.bmiHeader.biClrUsed, 0, 256);
  const int32_t bits = bitsForColours(colours);
  const auto tableBits = uint8_t((bits - 1) & 7);

  static const uint8_t kSignature[] = {'G', 'I', 'F', '8', '9', 'a'};
  out.putBytes(kSignature, 6);
  out.putWord(uint16_t(width));
  out.putWord(uint16_t(height));
  out.putByte(uint8_t(0xF0 | tableBits));
  out.putWord(0);  // background colour index and aspect ratio
  QByteArray table(3 * colours, '\0');
  for (int32_t i = 0; i < colours; ++i) {
    const RgbQuad& q = info.bmiColors[size_t(i)];
    table[3 * i] = char(q.rgbRed);
    table[3 * i + 1] = char(q.rgbGreen);
    table[3 * i + 2] = char(q.rgbBlue);
  }
  out.putBytes(reinterpret_cast<const uint8_t*>(table.constData()), int32_t(table.size()));
  out.putByte(0x2C);
  out.putWord(0);
  out.putWord(0);
  out.putWord(uint16_t(width));
  out.putWord(uint16_t(height));
  out.putByte(uint8_t(tableBits | (interlaced ? 0x40 : 0)));
  GifLzw lzw(out);
  const int32_t imageBytes = lzw.lzwEncodeImage(reinterpret_cast<const uint8_t*>(pixels.constData()),
                                                width * height, width, bits, interlaced);
  out.putByte(0x3B);
  return 13 + 3 * colours + 10 + imageBytes + 1;
}

namespace {
// Into a file opened for writing, cut at the GIF's end and on the disk.
Result<int32_t> writeGifToFile(cFile& file, FileGifOutput& out, bool flushToDisk, bool interlaced,
                               const BitmapInfo& info, const QByteArray& pixels) {
  const Result<int32_t> n = writeGifTo(out, interlaced, info, pixels);
  if (const Result<> flushed = out.flush(); !flushed) return flushed.failure();
  file.SetFileEnd();
  if (const Result<> cut = out.flush(); !cut) return cut.failure();
  if (flushToDisk && file.Flush() == 0) return fileFailure(errno);
  return n;
}

// The 8-bit picture of an image; `dump` shows its bitmap information before and after.
Result<GifPicture> gifPicture(const QImage& image, bool dump) {
  if (image.isNull()) return Failure(QStringLiteral("no picture to encode as GIF"));
  GifPicture dib;
  dib.info = makeBitmapInfo8(image.width(), image.height());
  if (dump) dumpBitmapInfo(dib.info);
  const int32_t lines = getDibBits8(image, dib.info, dib.pixels);
  if (dump) dumpBitmapInfo(dib.info);
  if (lines < 1) return Failure(QStringLiteral("no pixel rows to encode as GIF"));
  dib.info.bmiHeader.biClrUsed = 256;
  return dib;
}
}  // namespace

Result<int32_t> writeGif(const QString& fileName, bool interlaced, const BitmapInfo& info,
                         const QByteArray& pixels, PicBuffer* picBuffer) {
  // Checked before anything is written, so a picture that does not fit leaves no trace.
  if (const Result<> fits = gifInputFits(info, pixels); !fits) return fits.failure();
  if (fileName.isEmpty()) {
    if (!picBuffer) return Failure(QStringLiteral("no file named and no picture buffer for the GIF"));
    GifBufferOutput out(*picBuffer);
    out.gifBufferInit();
    const Result<int32_t> n = writeGifTo(out, interlaced, info, pixels);
    out.gifBufferFinish();
    return n;
  }
  const PictureFilePlan plan = planPictureFile(fileName);
  if (plan.refused != 0) return fileFailure(plan.refused, plan.target);
  Result<int32_t> written = Failure(QString());
  {
    cFile gifFile;
    FileGifOutput out(gifFile);
    // The temporary name is new: a file of that name is someone else's.
    const uint32_t disposition = plan.replaces() ? cFile::kCreateNew : cFile::kCreateAlways;
    if (gifFile.OpenFile(plan.writeName, cFile::kGenericWrite, 0, disposition, cFile::kFlagSequentialScan) == 0)
      return out.flush().failure();
    written = writeGifToFile(gifFile, out, plan.replaces(), interlaced, info, pixels);
  }
  if (written) {
    if (const int err = commitPictureFile(plan); err != 0) written = fileFailure(err, plan.target);
  }
  if (!written) abandonPictureFile(plan);
  return written;
}

Result<int32_t> saveBitmapAsGif(const QImage& bitmap, const QString& fileName, PicBuffer* picBuffer) {
  const Result<GifPicture> dib = gifPicture(bitmap, true);
  if (!dib) return dib.failure();
  return writeGif(fileName, false, dib->info, dib->pixels, picBuffer);
}

Result<GifPicture> imageToGifDib(const QImage& image) { return gifPicture(image, false); }

Result<QByteArray> encodeImageAsGif(const QImage& image) {
  const Result<GifPicture> dib = imageToGifDib(image);
  if (!dib) return dib.failure();
  QByteArray gif;
  gif.reserve(1024 + dib->pixels.size() / 4);
  ByteArrayGifOutput out(gif);
  if (const Result<int32_t> n = writeGifTo(out, false, dib->info, dib->pixels); !n) return n.failure();
  return gif;
}

QString showBmiHeadText(const BitmapInfoHeader& h) {
  const auto line = [](const char* label, int32_t value) {
    return QString::fromLatin1(label) + QString::number(value) + kCrLf;
  };
  return kDashes + QStringLiteral("showBmiHead(bmiHead As BITMAPINFOHEADER)") + kCrLf +
         line("bmiHead.biSize           = ", h.biSize) + line("bmiHead.biWidth          = ", h.biWidth) +
         line("bmiHead.biHeight         = ", h.biHeight) + line("bmiHead.biPlanes         = ", h.biPlanes) +
         line("bmiHead.biBitCount       = ", h.biBitCount) +
         line("bmiHead.biCompression    = ", h.biCompression) +
         line("bmiHead.biSizeImage      = ", h.biSizeImage) +
         line("bmiHead.biXPelsPerMeter  = ", h.biXPelsPerMeter) +
         line("bmiHead.biYPelsPerMeter  = ", h.biYPelsPerMeter) +
         line("bmiHead.biClrUsed        = ", h.biClrUsed) +
         line("bmiHead.biClrImportant   = ", h.biClrImportant) + kDashes;
}

QString showRgbqText(const BitmapInfo& info) {
  const int upper = int(info.bmiColors.size()) - 1;
  QString text = kDashes + QStringLiteral("showRgbq(rgbq())") + kCrLf + QStringLiteral("UBound(rgbq)=") +
                 QString::number(upper) + kCrLf + QStringLiteral("..i  Red Green Blue res   VBcol    CSScol") +
                 kCrLf;
  const QString three = QStringLiteral("000"), spaced = QStringLiteral(" 000");
  for (int i = 0; i <= upper; ++i) {
    const RgbQuad& q = info.bmiColors[size_t(i)];
    text += formatNumber(i, three);
    for (const uint8_t v : {q.rgbRed, q.rgbGreen, q.rgbBlue, q.rgbReserved}) text += u' ' + formatNumber(v, spaced);
    text += QStringLiteral("   ") + hex2(q.rgbRed) + hex2(q.rgbGreen) + hex2(q.rgbBlue) + QStringLiteral("   ") +
            hex2(q.rgbBlue) + hex2(q.rgbGreen) + hex2(q.rgbRed) + kCrLf;
  }
  return text + kDashes;
}

void showBmiHead(const BitmapInfoHeader& bmiHead) {
  if (logShows(1)) logMsg(1, showBmiHeadText(bmiHead));
}

void showRgbq(const BitmapInfo& info) {
  if (logShows(1)) logMsg(1, showRgbqText(info));
}
