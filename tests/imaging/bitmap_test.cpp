// cBitmap: every failure kept as CurErr and reported once through the attached
// cGDIP, the caller's array replaced only by a whole image, and the operations
// on loaded, cloned and raw images.
#include "imaging/bitmap.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

#include "imaging/gif_test_support.h"

namespace {
QByteArray gifWithTwoFrames() {
  // Two 1x1 frames, 30/100 s each, looping forever: written byte by byte.
  QByteArray gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xFF\x00\x00\x00\x00\xFF", 19);
  gif += QByteArray("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
  for (int i = 0; i < 2; ++i)
    gif += QByteArray(
        "\x21\xF9\x04\x00\x1E\x00\x00\x00\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00", 23);
  return gif + '\x3B';
}

QUuid encoderOf(const cGDIP& gdip, const char* pattern) {
  return gdip.getEncoderClsid(gdip.ExtensionExists(QString::fromLatin1(pattern)));
}
}  // namespace

TEST(Bitmap, aFailedEncodingKeepsTheArrayAndIsReportedOnceWithItsText) {
  cGDIP gdip;
  QSignalSpy errors(&gdip, &cGDIP::Error);
  cBitmap b;
  b.setGdipLink(&gdip);
  EXPECT_EQ(b.gdipLink(), &gdip);
  ASSERT_EQ(b.CreateFromHBitmap(chartLike()), 0);
  QByteArray bytes("kept");
  EXPECT_EQ(b.GetBitmapStream(bytes, QUuid::createUuid()), 0);
  EXPECT_EQ(bytes, "kept");
  ASSERT_EQ(errors.size(), 1);
  EXPECT_EQ(errors[0], (QVariantList{13, "Unknown Image Format", "cBitmap"}));
  EXPECT_EQ(b.CurErr(), 13);

  // A failed creation also fails to read format and size: three reports.
  cBitmap empty;
  empty.setGdipLink(&gdip);
  EXPECT_EQ(empty.CreateFromHBitmap(QImage()), 2);
  EXPECT_EQ(errors.size(), 4);
  EXPECT_EQ(empty.GetBitmapStream(bytes, encoderOf(gdip, "*.png")), 0);
  EXPECT_EQ(bytes, "kept");
  EXPECT_EQ(errors.size(), 5);
}

TEST(Bitmap, disposeReleasesTheImageOnceAndANewImageReplacesTheOld) {
  const int32_t before = gdipImageCount();
  {
    cBitmap b, owner;
    b.CreateFromHBitmap(chartLike());
    b.CreateFromHBitmap(chartLike());
    EXPECT_EQ(gdipImageCount(), before + 1);
    b.Dispose();
    EXPECT_EQ(b.Handle(), 0);
    EXPECT_EQ(gdipImageCount(), before);
    owner.CreateFromHBitmap(chartLike());
    b.setHandle(owner.Handle());
    EXPECT_EQ(b.GetPixelLong(0, 20), qRgb(255, 0, 0));
  }
  EXPECT_EQ(gdipImageCount(), before);
}

TEST(Bitmap, framesAndPropertiesOfLoadedImages) {
  cGDIP gdip;
  QSignalSpy errors(&gdip, &cGDIP::Error);
  cBitmap anim, still;
  anim.setGdipLink(&gdip);
  still.setGdipLink(&gdip);
  ASSERT_EQ(anim.CreateFromStream(gifWithTwoFrames()), 0);
  EXPECT_EQ(anim.SelectActiveFrame(1, true), 0);
  EXPECT_EQ(anim.FrameCount(), 2);
  EXPECT_EQ(anim.GetDelay(1), 30);  // the property's second value
  EXPECT_EQ(anim.GetLoopCount(), 0);
  EXPECT_EQ(anim.SelectActiveFrame(5, false), 2);
  EXPECT_EQ(anim.FrameCount(), 2);  // counted the first time only
  EXPECT_EQ(errors.size(), 1);

  QTemporaryDir dir;
  ASSERT_TRUE(chartLike().save(dir.filePath("still.png")));
  ASSERT_EQ(still.LoadFromFile(dir.filePath("still.png")), 0);
  EXPECT_EQ(still.GetLoopCount(), 0);
  EXPECT_EQ(errors.size(), 2);
  EXPECT_EQ(errors[1][1].toString(), "Property Not Found");
  EXPECT_EQ(still.GetPixelLong(3, 23), qRgb(255, 0, 0));
  EXPECT_EQ(still.RotateFlip(1), 0);  // a quarter turn; the size fields stay
  EXPECT_EQ(still.Width(), 64);
  EXPECT_EQ(still.GetPixelLong(39 - 23, 3), qRgb(255, 0, 0));
  EXPECT_EQ(still.CreateFromStream("not a picture"), 13);
}

TEST(Bitmap, otherCreationsClonesThumbnailsPalettesAndLockedPixels) {
  cBitmap src, part, thumb, raw, drawn, indexed;
  ASSERT_EQ(src.CreateFromHBitmap(chartLike()), 0);
  EXPECT_EQ(part.CreateFromClone(10, 30, src.Handle(), QImage::Format_RGB32), 0);
  EXPECT_EQ(part.Width(), 0);  // a clone does not refresh the size fields
  EXPECT_EQ(part.Picture().size(), QSize(10, 30));
  EXPECT_EQ(part.CreateFromClone(100, 30, src.Handle(), QImage::Format_RGB32), 2);
  EXPECT_EQ(thumb.CreateThumbFromImage(16, 10, src.Handle()), 0);
  EXPECT_EQ(thumb.Width(), 16);
  QImage page(8, 8, QImage::Format_RGB32);
  EXPECT_EQ(drawn.CreateFromGraphics(30, 20, &page), 0);
  EXPECT_EQ(QSize(drawn.Width(), drawn.Height()), QSize(30, 20));
  EXPECT_EQ(drawn.CreateFromGraphics(30, 20, nullptr), 2);

  const uint32_t px[4] = {0xFF112233u, 0xFF445566u, 0xFF778899u, 0xFFAABBCCu};
  ASSERT_EQ(raw.CreateFromScan0(2, 2, 8, QImage::Format_RGB32, reinterpret_cast<const uint8_t*>(px)), 0);
  EXPECT_EQ(raw.PixelFormat(), int32_t(QImage::Format_RGB32));
  EXPECT_EQ(raw.GetPixelLong(1, 1), 0xFFAABBCCu);
  BitmapData data;
  ASSERT_EQ(
      raw.lockBits(QRect(1, 0, 1, 2), cBitmap::kLockRead | cBitmap::kLockWrite, QImage::Format_ARGB32, data),
      0);
  reinterpret_cast<uint32_t*>(data.scan0.data())[0] = 0xFF010203u;
  EXPECT_EQ(raw.unlockBits(data), 0);
  EXPECT_EQ(raw.getPixelRaw(1, 0), 0xFF010203u);
  EXPECT_EQ(raw.GetPixelLong(0, 0), 0xFF112233u);
  EXPECT_EQ(raw.GetPixelLong(5, 0), 0u);
  EXPECT_EQ(raw.CurErr(), 2);

  // A palette picture: entry 1 made transparent.
  const uint8_t indices[8] = {0, 1, 1, 0, 1, 0, 0, 1};
  ASSERT_EQ(indexed.CreateFromScan0(4, 2, 4, QImage::Format_Indexed8, indices), 0);
  EXPECT_EQ(indexed.SetPalette(ColorPalette{.flags = 0, .entries = {qRgb(0, 0, 0), qRgb(9, 8, 7)}}), 0);
  indexed.SetTransColor(257);  // the index is taken modulo 256
  ColorPalette palette;
  EXPECT_EQ(indexed.getImagePalette(palette, 256), 0);
  EXPECT_EQ(palette.entries, (QVector<QRgb>{qRgb(0, 0, 0), 0x00090807u}));

  EXPECT_EQ(raw.CreateFromResource(4711), 10);
  EXPECT_EQ(raw.saveAdd(nullptr), 8);
  EXPECT_EQ(raw.saveAddImage(QString(), src.Handle(), nullptr), 8);
  EXPECT_TRUE(raw.copyEncoderParams().isNull());
}
