#include "imaging/gdiplus_layer.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QHash>
#include <QImageReader>
#include <QImageWriter>
#include <QtEndian>
#include <atomic>

#include "imaging/dib_bits.h"
#include "imaging/gif_encoder.h"

namespace {
// Pictures are encoded on worker threads too: the start-up counts are shared.
std::atomic<uint32_t> g_nextToken{1};
std::atomic<int32_t> g_started{0};
std::atomic<int32_t> g_failStartup{GpOk};

QHash<int32_t, GpImage>& images() {
  static QHash<int32_t, GpImage> table;
  return table;
}
int32_t g_nextImage = 1;

struct KnownEncoder {
  const char* qtFormat;
  const char* name;
  const char* patterns;
  const char* mime;
};
// In the order the platform listed its encoders.
constexpr KnownEncoder kKnownEncoders[] = {
    {"bmp", "BMP", "*.BMP;*.DIB;*.RLE", "image/bmp"},
    {"jpeg", "JPEG", "*.JPG;*.JPEG;*.JPE;*.JFIF", "image/jpeg"},
    {"gif", "GIF", "*.GIF", "image/gif"},
    {"tiff", "TIFF", "*.TIF;*.TIFF", "image/tiff"},
    {"png", "PNG", "*.PNG", "image/png"},
};

const QUuid kCodecNamespace = QUuid::fromString(u"{5a6f7620-696d-6167-6520-636f64656373}");

const QVector<ImageCodecInfo>& encoderList() {
  static const QVector<ImageCodecInfo> list = [] {
    QVector<ImageCodecInfo> out;
    const QList<QByteArray> writable = QImageWriter::supportedImageFormats();
    for (const KnownEncoder& e : kKnownEncoders) {
      const QByteArray fmt(e.qtFormat);
      if (fmt != "gif" && !writable.contains(fmt)) continue;  // GIF is always the program's own
      ImageCodecInfo info;
      info.clsid = QUuid::createUuidV5(kCodecNamespace, QByteArray("encoder/") + fmt);
      info.formatId = QUuid::createUuidV5(kCodecNamespace, QByteArray("format/") + fmt);
      info.codecName = QStringLiteral("%1 Encoder").arg(QLatin1String(e.name));
      info.formatDescription = QLatin1String(e.name);
      info.filenameExtension = QLatin1String(e.patterns);
      info.mimeType = QLatin1String(e.mime);
      info.qtFormat = fmt;
      out.append(info);
    }
    return out;
  }();
  return list;
}

// A chart has few colours: as a palette PNG it compresses three times faster and
// smaller, with the same pixels. Pictures with more colours go as they are.
QImage pngReady(const QByteArray& format, const QImage& image) {
  if (format != "png") return image;
  QImage indexed = exactlyIndexed8(image);
  return indexed.isNull() ? image : indexed;
}

int32_t statusOfWriter(const QImageWriter& writer) {
  return writer.error() == QImageWriter::DeviceError ? GpWin32Error : GpGenericError;
}

QByteArray le32(uint32_t v) {
  QByteArray b(4, '\0');
  qToLittleEndian(v, b.data());
  return b;
}

// An animation's frame delays (1/100 s, one 32-bit value a frame) and its loop count.
void readAnimationProperties(const QByteArray& bytes, GpImage& out) {
  QBuffer buffer;
  buffer.setData(bytes);
  QImageReader reader(&buffer);
  if (reader.imageCount() < 2) return;
  GpProperty delays{4, {}};
  const int loops = reader.loopCount();
  while (reader.canRead()) {
    reader.read();
    delays.value += le32(uint32_t(std::max(0, reader.nextImageDelay()) / 10));
  }
  out.properties.insert(0x5100, delays);
  if (loops >= -1) {
    QByteArray v(2, '\0');
    qToLittleEndian(uint16_t(loops < 0 ? 0 : loops), v.data());
    out.properties.insert(0x5101, GpProperty{3, v});
  }
}
}  // namespace

int32_t GdiplusStartup(uint32_t& token) {
  token = 0;
  if (g_failStartup != GpOk) return g_failStartup;
  // Qt's image plugins need the application object.
  if (!QCoreApplication::instance()) return GpNotInitialized;
  token = g_nextToken++;
  ++g_started;
  return GpOk;
}

void GdiplusShutdown(uint32_t token) {
  int32_t started = g_started;
  while (token != 0 && started > 0 && !g_started.compare_exchange_weak(started, started - 1)) {
  }
}

int32_t gdiplusStartedCount() { return g_started; }
void gdiplusFailStartupForTest(int32_t status) { g_failStartup = status; }

int32_t GdipGetImageEncoders(QVector<ImageCodecInfo>& encoders) {
  encoders = encoderList();
  return GpOk;
}

const ImageCodecInfo* gdipFindEncoder(const QUuid& clsid) {
  for (const ImageCodecInfo& e : encoderList())
    if (e.clsid == clsid) return &e;
  return nullptr;
}

const ImageCodecInfo* gdipEncoderForType(const QString& type) {
  const QString pattern = QStringLiteral("*.") + type.toUpper();
  const QVector<ImageCodecInfo>& list = encoderList();
  for (qsizetype i = list.size() - 1; i >= 0; --i)
    if (list[i].filenameExtension.toUpper().split(u';').contains(pattern)) return &list[i];
  return nullptr;
}

Result<QByteArray> gdipEncodeImage(const QImage& image, const ImageCodecInfo& codec, const EncoderParameters* params) {
  if (image.isNull()) return Failure(QStringLiteral("no picture to encode"));
  if (codec.qtFormat == "gif") return encodeImageAsGif(image);
  QByteArray bytes;
  QBuffer stream(&bytes);
  stream.open(QIODevice::WriteOnly);
  QImageWriter writer(&stream, codec.qtFormat);
  if (params && params->quality >= 0) writer.setQuality(params->quality);
  if (!writer.write(pngReady(codec.qtFormat, image)))
    return Failure(codec.formatDescription + QStringLiteral(" encoder: ") + writer.errorString());
  stream.close();
  return bytes;
}

int32_t gdipNewImage(GpImage image) {
  const int32_t handle = g_nextImage++;
  images().insert(handle, std::move(image));
  return handle;
}

GpImage* gdipImage(int32_t handle) {
  auto it = images().find(handle);
  return it == images().end() ? nullptr : &it.value();
}

int32_t GdipDisposeImage(int32_t handle) { return images().remove(handle) ? GpOk : GpInvalidParameter; }

int32_t gdipImageCount() { return int32_t(images().size()); }

int32_t gdipLoadImage(const QByteArray& bytes, GpImage& out) {
  QBuffer buffer;
  buffer.setData(bytes);
  QImageReader reader(&buffer);
  QImage image;
  if (!reader.read(&image)) return GpUnknownImageFormat;
  out.image = image;
  out.source = bytes;
  readAnimationProperties(bytes, out);
  return GpOk;
}

int32_t gdipSaveImageToStream(const QImage& image, QIODevice& stream, const QUuid& encoder,
                              const EncoderParameters* params) {
  const ImageCodecInfo* codec = gdipFindEncoder(encoder);
  if (image.isNull()) return GpInvalidParameter;
  if (!codec) return GpUnknownImageFormat;
  const Result<QByteArray> bytes = gdipEncodeImage(image, *codec, params);
  if (!bytes) return GpGenericError;
  return stream.write(*bytes) == bytes->size() ? GpOk : GpWin32Error;
}

int32_t gdipSaveImageToFile(const QImage& image, const QString& fileName, const QUuid& encoder,
                            const EncoderParameters* params) {
  const ImageCodecInfo* codec = gdipFindEncoder(encoder);
  if (image.isNull() || fileName.isEmpty()) return GpInvalidParameter;
  if (!codec) return GpUnknownImageFormat;
  if (codec->qtFormat == "gif") {
    const Result<GifPicture> dib = imageToGifDib(image);
    if (!dib) return GpGenericError;
    return writeGif(fileName, false, dib->info, dib->pixels) > 0 ? GpOk : GpWin32Error;
  }
  QImageWriter writer(fileName, codec->qtFormat);
  if (params && params->quality >= 0) writer.setQuality(params->quality);
  return writer.write(pngReady(codec->qtFormat, image)) ? GpOk : statusOfWriter(writer);
}
