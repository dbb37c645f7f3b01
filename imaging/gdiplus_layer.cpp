#include "imaging/gdiplus_layer.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QImageWriter>
#include <atomic>

#include "imaging/dib_bits.h"
#include "imaging/gif_encoder.h"

namespace {
// Pictures are encoded on worker threads too: the start-up counts are shared.
std::atomic<uint32_t> g_nextToken{1};
std::atomic<int32_t> g_started{0};
std::atomic<bool> g_failStartup{false};

struct KnownEncoder {
  const char* qtFormat;
  const char* name;
  const char* patterns;
  const char* mime;
};
// In this order, whatever order Qt's plugins report: the list reads the same on every run.
constexpr KnownEncoder kKnownEncoders[] = {
    {"bmp", "BMP", "*.BMP;*.DIB;*.RLE", "image/bmp"},
    {"jpeg", "JPEG", "*.JPG;*.JPEG;*.JPE;*.JFIF", "image/jpeg"},
    {"gif", "GIF", "*.GIF", "image/gif"},
    {"tiff", "TIFF", "*.TIF;*.TIFF", "image/tiff"},
    {"png", "PNG", "*.PNG", "image/png"},
};

const QUuid kCodecNamespace = QUuid::fromString(u"{5a6f7620-696d-6167-6520-636f64656373}");

// A chart has few colours: as a palette PNG it compresses three times faster and
// smaller, with the same pixels. Pictures with more colours go as they are.
QImage pngReady(const QByteArray& format, const QImage& image) {
  if (format != "png") return image;
  QImage indexed = exactlyIndexed8(image);
  return indexed.isNull() ? image : indexed;
}

Failure writerFailure(const ImageCodecInfo& codec, const QImageWriter& writer) {
  return Failure(codec.formatDescription + QStringLiteral(" encoder: ") + writer.errorString());
}
}  // namespace

Result<uint32_t> gdiplusStartup() {
  if (g_failStartup) return Failure(QStringLiteral("the picture layer did not start"));
  // Qt's image plugins need the application object.
  if (!QCoreApplication::instance())
    return Failure(QStringLiteral("the picture layer needs the application object"));
  ++g_started;
  return g_nextToken++;
}

void GdiplusShutdown(uint32_t token) {
  int32_t started = g_started;
  while (token != 0 && started > 0 && !g_started.compare_exchange_weak(started, started - 1)) {
  }
}

int32_t gdiplusStartedCount() { return g_started; }
void gdiplusFailStartupForTest(bool fail) { g_failStartup = fail; }

const QVector<ImageCodecInfo>& gdipImageEncoders() {
  static const QVector<ImageCodecInfo> list = [] {
    QVector<ImageCodecInfo> out;
    const QList<QByteArray> writable = QImageWriter::supportedImageFormats();
    for (const KnownEncoder& e : kKnownEncoders) {
      const QByteArray fmt(e.qtFormat);
      if (fmt != "gif" && !writable.contains(fmt)) continue;  // GIF is always the program's own
      ImageCodecInfo info{.clsid = QUuid::createUuidV5(kCodecNamespace, QByteArray("encoder/") + fmt),
                          .formatId = QUuid::createUuidV5(kCodecNamespace, QByteArray("format/") + fmt),
                          .codecName = QStringLiteral("%1 Encoder").arg(QLatin1String(e.name)),
                          .formatDescription = QLatin1String(e.name),
                          .filenameExtension = QLatin1String(e.patterns),
                          .mimeType = QLatin1String(e.mime),
                          .qtFormat = fmt};
      out.append(info);
    }
    return out;
  }();
  return list;
}

const ImageCodecInfo* gdipFindEncoder(const QUuid& clsid) {
  for (const ImageCodecInfo& e : gdipImageEncoders())
    if (e.clsid == clsid) return &e;
  return nullptr;
}

int32_t gdipEncoderPosition(const QString& pattern) {
  const QString wanted = pattern.toUpper();
  const QVector<ImageCodecInfo>& list = gdipImageEncoders();
  for (auto i = int32_t(list.size()) - 1; i >= 0; --i)
    if (list[i].filenameExtension.toUpper().split(u';').contains(wanted)) return i;
  return -1;
}

const ImageCodecInfo* gdipEncoderForType(const QString& type) {
  const int32_t position = gdipEncoderPosition(QStringLiteral("*.") + type);
  return position < 0 ? nullptr : &gdipImageEncoders()[position];
}

Result<QByteArray> gdipEncodeImage(const QImage& image, const ImageCodecInfo& codec) {
  if (image.isNull()) return Failure(QStringLiteral("no picture to encode"));
  if (codec.qtFormat == "gif") return encodeImageAsGif(image);
  QByteArray bytes;
  QBuffer stream(&bytes);
  stream.open(QIODevice::WriteOnly);
  QImageWriter writer(&stream, codec.qtFormat);
  if (!writer.write(pngReady(codec.qtFormat, image))) return writerFailure(codec, writer);
  stream.close();
  return bytes;
}

Result<> gdipSaveImage(const QImage& image, const QString& fileName, const ImageCodecInfo& codec) {
  if (image.isNull()) return Failure(QStringLiteral("no picture to save"));
  if (fileName.isEmpty()) return Failure(QStringLiteral("no file named to save the picture in"));
  if (codec.qtFormat == "gif") {
    const Result<GifPicture> dib = imageToGifDib(image);
    if (!dib) return dib.failure();
    const Result<int32_t> written = writeGif(fileName, false, dib->info, dib->pixels);
    if (!written) return written.failure();
    return {};
  }
  QImageWriter writer(fileName, codec.qtFormat);
  if (!writer.write(pngReady(codec.qtFormat, image))) return writerFailure(codec, writer);
  return {};
}

Result<QImage> gdipLoadImage(const QString& fileName) {
  QImageReader reader(fileName);
  QImage image;
  if (!reader.read(&image)) return Failure(reader.errorString());
  return image;
}
