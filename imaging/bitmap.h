#pragma once
// cBitmap: one image of the picture layer. Created from a drawn image (or a
// file, bytes, raw pixels, another image), it answers size, format, frames and
// properties, and encodes itself with an encoder that cGDIP found, to a file or
// into the caller's byte array. Every status other than 0 is kept as CurErr and
// reported through the attached cGDIP's Error signal; lastReason() says why in
// words where the layer knows ("No space left on device"). Any thread may use
// its own bitmaps.

#include <QByteArray>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QRgb>
#include <QUuid>
#include <QVariant>
#include <QVector>
#include <cstdint>

#include "imaging/gdip.h"
#include "imaging/gdiplus_layer.h"

class QPaintDevice;

// A colour table as the layer passes it: flags and ARGB entries.
struct ColorPalette {
  uint32_t flags = 0;
  QVector<QRgb> entries;
};

// Pixels of a locked rectangle; pixel formats are QImage::Format values.
struct BitmapData {
  int32_t width = 0, height = 0, stride = 0, pixelFormat = 0;
  QRect rect;
  int32_t flags = 0;
  QByteArray scan0;
};

class cBitmap {
 public:
  static constexpr int32_t kLockRead = 1, kLockWrite = 2;
  static constexpr int32_t kPropertyFrameDelay = 0x5100, kPropertyLoopCount = 0x5101;

  cBitmap() = default;
  ~cBitmap() { Dispose(); }
  cBitmap(const cBitmap&) = delete;
  cBitmap& operator=(const cBitmap&) = delete;

  cGDIP* gdipLink() const { return m_gdipLink; }
  void setGdipLink(cGDIP* gdip) { m_gdipLink = gdip; }

  int32_t CreateFromScan0(int32_t width, int32_t height, int32_t stride, int32_t pixelFormat, const uint8_t* scan0);
  int32_t CreateFromStream(const QByteArray& bytes);
  int32_t CreateFromHBitmap(const QImage& bitmap);
  int32_t CreateFromGraphics(int32_t width, int32_t height, const QPaintDevice* graphics);
  int32_t CreateFromClone(int32_t width, int32_t height, int32_t sourceHandle, int32_t pixelFormat);
  int32_t CreateFromResource(int32_t resourceId);  // the resource ":/CUSTOM/<id>"
  int32_t CreateThumbFromImage(int32_t width, int32_t height, int32_t sourceHandle);
  int32_t CurErr() const { return m_curErr; }
  const QString& lastReason() const { return m_lastReason; }  // empty after a success
  void Dispose();
  int32_t FrameCount() const { return m_frameCount; }
  int32_t LoadFromFile(const QString& fileName);
  int32_t Handle() const { return m_handle; }
  void setHandle(int32_t handle) { m_handle = handle; }  // the previous image is not disposed
  int32_t Height() const { return m_height; }
  int32_t GetDelay(int32_t frameIndex);
  int32_t GetLoopCount();
  int32_t GetPropertyItem(int32_t id, QVariant& value, int32_t index);
  uint32_t GetPixelLong(int32_t x, int32_t y);
  QImage Picture();
  int32_t PixelFormat() const { return m_pixelFormat; }
  int32_t RotateFlip(int32_t rotateFlipType);
  int32_t SelectActiveFrame(int32_t frameIndex, bool byTime);
  void SetTransColor(int32_t index);
  int32_t SetPalette(const ColorPalette& palette);
  int32_t Width() const { return m_width; }

  // For use inside the program.
  // The encoded image replaces bytes whole; its length, or 0 (bytes untouched).
  int32_t GetBitmapStream(QByteArray& bytes, const QUuid& encoder, const EncoderParameters* params = nullptr);
  // The file is written beside its target and renamed over it when complete: a
  // failure (7 for the file system's) leaves the file that was there.
  int32_t SaveToFile(const QString& fileName, const QUuid& encoder, const EncoderParameters* params = nullptr);
  int32_t getImagePalette(ColorPalette& palette, int32_t n);
  uint32_t getPixelRaw(int32_t x, int32_t y);
  int32_t lockBits(const QRect& rect, int32_t flags, int32_t pixelFormat, BitmapData& data);
  int32_t unlockBits(BitmapData& data);
  int32_t saveAdd(const EncoderParameters* params);
  int32_t saveAddImage(const QString& unused, int32_t imageHandle, const EncoderParameters* params);
  static QUuid clsidFromStringBmp(const QString& text) { return cGDIP::clsidFromString(text); }
  QUuid copyEncoderParams() const { return m_formatId; }

 private:
  int32_t loadFromStreamObj(const QByteArray* stream);  // nullptr: nothing to load (status 0)
  int32_t setLastStatus(int32_t status);
  int32_t fail(int32_t status, const QString& reason);  // setLastStatus with the words for it
  void hold(GpImage image);
  int32_t created(int32_t status, GpImage image);  // holds a new image, then reads format and size
  void getDimension();
  void getPixelFormat();
  uint32_t copyPropertyValue(uint16_t type, int32_t index) const;
  QImage makeStdPicture(int32_t handle) const;  // a null picture when no image is held
  GpImage* image() const { return gdipImage(m_handle); }
  Result<QByteArray> encoded(const QUuid& encoder, const EncoderParameters* params);

  QPointer<cGDIP> m_gdipLink;
  int32_t m_handle = 0;
  int32_t m_curErr = 0;
  QString m_lastReason;
  int32_t m_pixelFormat = 0;
  int32_t m_frameCount = 0;
  int32_t m_width = 0, m_height = 0;
  QUuid m_formatId;
  QByteArray m_propertyBuffer;
  QByteArray m_resourceBytes;  // the last resource loaded
  uint16_t m_propertyType = 0;
};
