#include "imaging/bitmap.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPaintDevice>
#include <QTransform>
#include <QtEndian>
#include <cstring>

#include "imaging/picture_file.h"

namespace {
const QString kFrameDimensionTime = QStringLiteral("{6AEDBD6D-3FB5-418A-83A6-7F45229DC872}");
const QString kFrameDimensionPage = QStringLiteral("{7462DC86-6180-4C7E-8E3F-EE7333A7A483}");

bool validFormat(int32_t pixelFormat) {
  return pixelFormat > QImage::Format_Invalid && pixelFormat < QImage::NImageFormats;
}
}  // namespace

int32_t cBitmap::setLastStatus(int32_t status) {
  m_curErr = status;
  m_lastReason.clear();
  if (status != GpOk && m_gdipLink) m_gdipLink->raiseGdipError(status, QStringLiteral("cBitmap"));
  return status;
}

int32_t cBitmap::fail(int32_t status, const QString& reason) {
  setLastStatus(status);
  m_lastReason = reason;
  return status;
}

void cBitmap::getPixelFormat() {
  const GpImage* img = image();
  if (setLastStatus(img ? GpOk : GpInvalidParameter) == GpOk) m_pixelFormat = int32_t(img->image.format());
}

void cBitmap::getDimension() {
  const GpImage* img = image();
  if (setLastStatus(img ? GpOk : GpInvalidParameter) != GpOk) return;
  m_width = img->image.width();
  m_height = img->image.height();
}

void cBitmap::hold(GpImage img) {
  // The image held before would have no owner left: it goes.
  Dispose();
  m_handle = gdipNewImage(std::move(img));
}

int32_t cBitmap::created(int32_t status, GpImage img) {
  if (status == GpOk) hold(std::move(img));
  setLastStatus(status);
  getPixelFormat();
  getDimension();
  return status;
}

int32_t cBitmap::CreateFromScan0(int32_t width, int32_t height, int32_t stride, int32_t pixelFormat,
                                 const uint8_t* scan0) {
  GpImage img;
  int32_t status = GpInvalidParameter;
  if (width > 0 && height > 0 && validFormat(pixelFormat)) {
    const auto format = QImage::Format(pixelFormat);
    if (!scan0) {
      img.image = QImage(width, height, format);
      img.image.fill(0);
    } else if (stride >= QImage(1, 1, format).depth() * width / 8) {
      img.image = QImage(scan0, width, height, stride, format).copy();
    }
    if (!img.image.isNull()) status = GpOk;
  }
  return created(status, std::move(img));
}

int32_t cBitmap::CreateFromStream(const QByteArray& bytes) { return loadFromStreamObj(&bytes); }

int32_t cBitmap::loadFromStreamObj(const QByteArray* stream) {
  if (!stream) return GpOk;
  Result<GpImage> img = gdipReadImage(*stream);
  if (!img) return fail(GpUnknownImageFormat, img.error());
  return created(GpOk, std::move(img).value());
}

int32_t cBitmap::CreateFromHBitmap(const QImage& bitmap) {
  GpImage img;
  if (!bitmap.isNull()) img.image = bitmap.convertToFormat(QImage::Format_RGB32);
  const int32_t status = bitmap.isNull() ? GpInvalidParameter : GpOk;
  return created(status, std::move(img));
}

int32_t cBitmap::CreateFromGraphics(int32_t width, int32_t height, const QPaintDevice* graphics) {
  GpImage img;
  if (graphics && width > 0 && height > 0) {
    img.image = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    img.image.fill(0);
    img.image.setDotsPerMeterX(qRound(graphics->logicalDpiX() / 0.0254));
    img.image.setDotsPerMeterY(qRound(graphics->logicalDpiY() / 0.0254));
  }
  const int32_t status = img.image.isNull() ? GpInvalidParameter : GpOk;
  return created(status, std::move(img));
}

int32_t cBitmap::CreateFromClone(int32_t width, int32_t height, int32_t sourceHandle, int32_t pixelFormat) {
  const GpImage* source = gdipImage(sourceHandle);
  const QRect area(0, 0, width, height);
  if (!source || width < 1 || height < 1 || !validFormat(pixelFormat) || !source->image.rect().contains(area))
    return setLastStatus(GpInvalidParameter);
  GpImage img;
  img.image = source->image.copy(area).convertToFormat(QImage::Format(pixelFormat));
  hold(std::move(img));
  return setLastStatus(GpOk);
}

int32_t cBitmap::CreateFromResource(int32_t resourceId) {
  QFile resource(QStringLiteral(":/CUSTOM/%1").arg(resourceId));
  if (!resource.open(QIODevice::ReadOnly)) return fail(GpFileNotFound, resource.errorString());
  m_resourceBytes = resource.readAll();
  return loadFromStreamObj(&m_resourceBytes);
}

int32_t cBitmap::CreateThumbFromImage(int32_t width, int32_t height, int32_t sourceHandle) {
  const GpImage* source = gdipImage(sourceHandle);
  GpImage img;
  if (source && width > 0 && height > 0)
    img.image = source->image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  const int32_t status = img.image.isNull() ? GpInvalidParameter : GpOk;
  return created(status, std::move(img));
}

int32_t cBitmap::LoadFromFile(const QString& fileName) {
  QFile file(fileName);
  const bool opened = file.open(QIODevice::ReadOnly);
  Result<GpImage> img = opened ? gdipReadImage(file.readAll()) : Result<GpImage>(Failure(file.errorString()));
  if (img) return created(GpOk, std::move(img).value());
  // Format and size are read after a failure too; the words for it come last.
  const int32_t status = created(opened ? GpUnknownImageFormat : GpFileNotFound, GpImage{});
  m_lastReason = img.error();
  return status;
}

void cBitmap::Dispose() {
  if (m_handle != 0) GdipDisposeImage(m_handle);
  m_handle = 0;
}

int32_t cBitmap::GetPropertyItem(int32_t id, QVariant& value, int32_t index) {
  const GpImage* img = image();
  if (!img) return setLastStatus(GpInvalidParameter);
  const auto it = img->properties.constFind(id);
  if (it == img->properties.constEnd()) return setLastStatus(GpPropertyNotFound);
  setLastStatus(GpOk);
  if (!it->value.isEmpty()) m_propertyBuffer = it->value;
  m_propertyType = it->type;
  if (it->type == 1 || it->type == 3 || it->type == 4) value = copyPropertyValue(it->type, index);
  return GpOk;
}

uint32_t cBitmap::copyPropertyValue(uint16_t type, int32_t index) const {
  const int width = type == 1 ? 1 : type == 3 ? 2 : type == 4 ? 4 : 0;
  const qsizetype offset = qsizetype(width) * index;
  if (width == 0 || offset < 0 || offset + width > m_propertyBuffer.size()) return 0;
  uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = v << 8 | uint8_t(m_propertyBuffer[offset + i]);
  return v;
}

int32_t cBitmap::GetDelay(int32_t frameIndex) {
  QVariant value(0u);
  GetPropertyItem(kPropertyFrameDelay, value, frameIndex);
  return int32_t(value.toUInt());
}

int32_t cBitmap::GetLoopCount() {
  QVariant value(0u);
  return GetPropertyItem(kPropertyLoopCount, value, 0) == GpOk ? int32_t(value.toUInt()) : 0;
}

uint32_t cBitmap::GetPixelLong(int32_t x, int32_t y) { return getPixelRaw(x, y); }

uint32_t cBitmap::getPixelRaw(int32_t x, int32_t y) {
  const GpImage* img = image();
  if (!img || !img->image.valid(x, y)) {
    setLastStatus(GpInvalidParameter);
    return 0;
  }
  setLastStatus(GpOk);
  return img->image.pixel(x, y);
}

QImage cBitmap::Picture() { return makeStdPicture(m_handle); }

QImage cBitmap::makeStdPicture(int32_t handle) const {
  const GpImage* img = gdipImage(handle);
  return img ? img->image.convertToFormat(QImage::Format_RGB32) : QImage();
}

int32_t cBitmap::RotateFlip(int32_t rotateFlipType) {
  GpImage* img = image();
  if (!img || rotateFlipType < 0 || rotateFlipType > 7) return setLastStatus(GpInvalidParameter);
  // Quarter turns clockwise, then a mirror left to right for the upper four.
  img->image = img->image.transformed(QTransform().rotate(90 * (rotateFlipType & 3)));
  if (rotateFlipType & 4) img->image = img->image.mirrored(true, false);
  return setLastStatus(GpOk);
}

int32_t cBitmap::SelectActiveFrame(int32_t frameIndex, bool byTime) {
  const QUuid dimension = clsidFromStringBmp(byTime ? kFrameDimensionTime : kFrameDimensionPage);
  Q_UNUSED(dimension);  // one frame list serves both dimensions here
  GpImage* img = image();
  int32_t status = GpInvalidParameter;
  if (img) {
    QBuffer buffer;
    buffer.setData(img->source);
    QImageReader reader(&buffer);
    const int32_t frames = img->source.isEmpty() ? 1 : std::max(1, reader.imageCount());
    if (m_frameCount == 0) m_frameCount = frames;
    if (frameIndex >= 0 && frameIndex < frames) {
      status = GpOk;
      if (!img->source.isEmpty()) {
        QImage frame;
        for (int32_t i = 0; i <= frameIndex && reader.canRead(); ++i) reader.read(&frame);
        if (frame.isNull()) status = GpGenericError;
        else img->image = frame;
      }
    }
  }
  setLastStatus(status);
  getDimension();
  return status;
}

int32_t cBitmap::getImagePalette(ColorPalette& palette, int32_t n) {
  const GpImage* img = image();
  if (!img || n < 0) return setLastStatus(GpInvalidParameter);
  palette.entries = img->image.colorTable().mid(0, n);
  return setLastStatus(GpOk);
}

int32_t cBitmap::SetPalette(const ColorPalette& palette) {
  GpImage* img = image();
  if (!img) return setLastStatus(GpInvalidParameter);
  // Only a picture of palette indices has a palette to set.
  if (img->image.depth() <= 8 && !palette.entries.isEmpty()) img->image.setColorTable(palette.entries);
  return setLastStatus(GpOk);
}

void cBitmap::SetTransColor(int32_t index) {
  if (!image()) return;
  ColorPalette palette;
  getImagePalette(palette, 256);
  const int i = index & 255;
  if (i < palette.entries.size()) palette.entries[i] &= 0x00FFFFFFu;
  SetPalette(palette);
}

// The image in the encoder's format, or the status and words of why not.
Result<QByteArray> cBitmap::encoded(const QUuid& encoder, const EncoderParameters* params) {
  const GpImage* img = image();
  const ImageCodecInfo* codec = gdipFindEncoder(encoder);
  if (!img || img->image.isNull()) {
    fail(GpInvalidParameter, QStringLiteral("no picture to encode"));
  } else if (!codec) {
    fail(GpUnknownImageFormat, QStringLiteral("no encoder %1").arg(encoder.toString()));
  } else {
    Result<QByteArray> bytes = gdipEncodeImage(img->image, *codec, params);
    if (bytes) return bytes;
    fail(GpGenericError, bytes.error());
  }
  return Failure(m_lastReason);
}

int32_t cBitmap::GetBitmapStream(QByteArray& bytes, const QUuid& encoder, const EncoderParameters* params) {
  Result<QByteArray> stream = encoded(encoder, params);
  if (!stream) return 0;
  setLastStatus(GpOk);
  bytes = std::move(stream).value();  // replaced whole, and only after a successful encoding
  return int32_t(bytes.size());
}

int32_t cBitmap::SaveToFile(const QString& fileName, const QUuid& encoder, const EncoderParameters* params) {
  if (fileName.isEmpty()) return fail(GpInvalidParameter, QStringLiteral("no file named"));
  const Result<QByteArray> bytes = encoded(encoder, params);
  if (!bytes) return m_curErr;
  if (const Result<> written = writePictureFile(fileName, *bytes); !written)
    return fail(GpWin32Error, written.error());
  return setLastStatus(GpOk);
}

int32_t cBitmap::lockBits(const QRect& rect, int32_t flags, int32_t pixelFormat, BitmapData& data) {
  const GpImage* img = image();
  if (!img || !validFormat(pixelFormat) || rect.isEmpty() || !img->image.rect().contains(rect))
    return setLastStatus(GpInvalidParameter);
  const QImage block = img->image.copy(rect).convertToFormat(QImage::Format(pixelFormat));
  data.width = rect.width();
  data.height = rect.height();
  data.stride = int32_t(block.bytesPerLine());
  data.pixelFormat = pixelFormat;
  data.rect = rect;
  data.flags = flags;
  data.scan0 = QByteArray(reinterpret_cast<const char*>(block.constBits()), block.sizeInBytes());
  return setLastStatus(GpOk);
}

int32_t cBitmap::unlockBits(BitmapData& data) {
  GpImage* img = image();
  if (!img || data.scan0.isEmpty()) return setLastStatus(GpInvalidParameter);
  if (data.flags & kLockWrite) {
    const QImage block = QImage(reinterpret_cast<const uchar*>(data.scan0.constData()), data.width, data.height,
                                data.stride, QImage::Format(data.pixelFormat))
                             .convertToFormat(img->image.format(), img->image.colorTable());
    const int depth = img->image.depth();
    if (depth % 8 != 0) return setLastStatus(GpNotImplemented);
    for (int y = 0; y < data.height; ++y)
      std::memcpy(img->image.scanLine(data.rect.y() + y) + data.rect.x() * depth / 8, block.constScanLine(y),
                  size_t(data.width * depth / 8));
  }
  data.scan0.clear();
  return setLastStatus(GpOk);
}

// Several frames in one file need encoder parameters that no caller passes.
int32_t cBitmap::saveAdd(const EncoderParameters*) { return setLastStatus(image() ? GpWrongState : GpInvalidParameter); }

int32_t cBitmap::saveAddImage(const QString&, int32_t imageHandle, const EncoderParameters*) {
  return setLastStatus(image() && gdipImage(imageHandle) ? GpWrongState : GpInvalidParameter);
}
