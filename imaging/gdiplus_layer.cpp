#include "imaging/gdiplus_layer.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QMutex>
#include <QtEndian>
#include <atomic>
#include <limits>
#include <memory>
#include <unordered_map>

#include "imaging/dib_bits.h"
#include "imaging/gif_encoder.h"

namespace {
// Pictures are encoded on worker threads too: the start-up counts are shared.
std::atomic<uint32_t> g_nextToken{1};
std::atomic<int32_t> g_started{0};
std::atomic<bool> g_failStartup{false};

// Pictures are encoded on the graph pool's threads too: the handle table is shared.
QMutex g_imagesLock;
std::unordered_map<int32_t, std::unique_ptr<GpImage>> g_images;  // one entry per undisposed image
int32_t g_nextImage = 1;

struct KnownEncoder {
  const char* qtFormat;
  const char* name;
  const char* patterns;
  const char* mime;
};
// In the layer's order: an encoder's position in it is what cGDIP hands out.
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
  GpProperty delays{.type = 4, .value = {}};
  const int loops = reader.loopCount();
  while (reader.canRead()) {
    reader.read();
    delays.value += le32(uint32_t(std::max(0, reader.nextImageDelay()) / 10));
  }
  out.properties.insert(0x5100, delays);
  if (loops >= -1) {
    QByteArray v(2, '\0');
    qToLittleEndian(uint16_t(loops < 0 ? 0 : loops), v.data());
    out.properties.insert(0x5101, GpProperty{.type = 3, .value = v});
  }
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

const ImageCodecInfo* gdipEncoderForType(const QString& type) {
  const QString wanted = QStringLiteral("*.") + type.toUpper();
  const QVector<ImageCodecInfo>& list = gdipImageEncoders();
  for (auto i = list.size() - 1; i >= 0; --i)
    if (list[i].filenameExtension.toUpper().split(u';').contains(wanted)) return &list[i];
  return nullptr;
}

Result<QByteArray> gdipEncodeImage(const QImage& image, const ImageCodecInfo& codec,
                                   const EncoderParameters* params) {
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
  const QMutexLocker lock(&g_imagesLock);
  int32_t handle;
  do {  // handles start again at 1 after 2^31 images; a live one is skipped
    handle = g_nextImage;
    g_nextImage = g_nextImage == std::numeric_limits<int32_t>::max() ? 1 : g_nextImage + 1;
  } while (g_images.count(handle) != 0);
  g_images.emplace(handle, std::make_unique<GpImage>(std::move(image)));
  return handle;
}

GpImage* gdipImage(int32_t handle) {
  const QMutexLocker lock(&g_imagesLock);
  const auto it = g_images.find(handle);
  return it == g_images.end() ? nullptr : it->second.get();
}

int32_t GdipDisposeImage(int32_t handle) {
  const QMutexLocker lock(&g_imagesLock);
  return g_images.erase(handle) != 0 ? GpOk : GpInvalidParameter;
}

int32_t gdipImageCount() {
  const QMutexLocker lock(&g_imagesLock);
  return int32_t(g_images.size());
}

Result<GpImage> gdipReadImage(const QByteArray& bytes) {
  QBuffer buffer;
  buffer.setData(bytes);
  QImageReader reader(&buffer);
  GpImage out;
  if (!reader.read(&out.image)) return Failure(reader.errorString());
  out.source = bytes;
  readAnimationProperties(bytes, out);
  return out;
}

Result<QImage> gdipLoadImage(const QString& fileName) {
  QImageReader reader(fileName);
  QImage image;
  if (!reader.read(&image)) return Failure(reader.errorString());
  return image;
}
