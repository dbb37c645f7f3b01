// The encoder registry (cGDIP) and cBitmap: the road the chart and the web image take,
// status texts and the Error signal, and the caller's array replaced only by a whole image.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "imaging/bitmap.h"
#include "imaging/gdip.h"
#include "imaging/gif_encoder.h"
#include "support/log_capture.h"

namespace {
QImage chartLike() {
  QImage img(64, 40, QImage::Format_RGB32);
  img.fill(Qt::white);
  for (int x = 0; x < 64; ++x) img.setPixel(x, 20 + (x % 7), qRgb(255, 0, 0));
  return img;
}

QByteArray gifWithTwoFrames() {
  // Two 1x1 frames, 30/100 s each, looping forever: written byte by byte.
  QByteArray gif("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13);
  gif += QByteArray("\xFF\x00\x00\x00\x00\xFF", 6);
  gif += QByteArray("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
  for (int i = 0; i < 2; ++i) {
    gif += QByteArray("\x21\xF9\x04\x00\x1E\x00\x00\x00", 8);
    gif += QByteArray("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00", 15);
  }
  return gif + '\x3B';
}
}  // namespace

TEST(Gdip, patternsFindTheirEncoderInAnyCase) {
  cGDIP gdip;
  ASSERT_NE(gdip.token(), 0u);
  for (const char* pattern : {"*.gif", "*.GIF", "*.png", "*.Png", "*.bmp", "*.dib", "*.jpg", "*.JPEG"}) {
    const int32_t pos = gdip.ExtensionExists(QString::fromLatin1(pattern));
    ASSERT_GE(pos, 0) << pattern;
    EXPECT_FALSE(gdip.getEncoderClsid(pos).isNull()) << pattern;
  }
  EXPECT_EQ(gdip.ExtensionExists("*.GIF"), 2);  // BMP, JPEG, GIF: the list's order
  EXPECT_EQ(gdip.ExtensionExists("*.xyz"), -1);
  EXPECT_TRUE(gdip.getEncoderClsid(99).isNull());
  EXPECT_NE(gdip.getEncoderClsid(gdip.ExtensionExists("*.gif")), gdip.getEncoderClsid(gdip.ExtensionExists("*.png")));

  gdip.parseExtensionList(" *.AA;*.BB ;  *.CC  ;", ";", 7);
  EXPECT_EQ(gdip.ExtensionExists(" *.aa"), 7);   // inner items are taken as they are
  EXPECT_EQ(gdip.ExtensionExists("*.BB "), 7);
  EXPECT_EQ(gdip.ExtensionExists("*.CC"), -1);   // not the last item: kept with its blanks
  EXPECT_EQ(gdip.ExtensionExists("  *.CC  "), 7);
  gdip.parseExtensionList("*.DD;*.EE  ", ";", 8);
  EXPECT_EQ(gdip.ExtensionExists("*.EE"), 8);  // the last item is trimmed
  EXPECT_EQ(gdip.ExtensionExists(""), -1);
}

TEST(Gdip, statusTextsAndTheErrorLogLine) {
  struct Row {
    int32_t status;
    const char* text;
  };
  for (const Row& row : {Row{0, "Unknown GDI+ Error"}, Row{1, "Generic Error"}, Row{7, "Win32 Error"},
                         Row{13, "Unknown Image Format"}, Row{19, "Property Not Found"},
                         Row{20, "Property Not Supported"}, Row{21, "Unknown GDI+ Error"}, Row{-1, "Unknown GDI+ Error"}})
    EXPECT_EQ(cGDIP::gdipStatusText(row.status), QString::fromLatin1(row.text)) << row.status;
  EXPECT_EQ(cGDIP::clsidFromString("{6AEDBD6D-3FB5-418A-83A6-7F45229DC872}").toString(QUuid::WithBraces).toUpper(),
            "{6AEDBD6D-3FB5-418A-83A6-7F45229DC872}");
  EXPECT_TRUE(cGDIP::clsidFromString("6AEDBD6D-3FB5-418A-83A6-7F45229DC872").isNull());
  EXPECT_EQ(cGDIP::ptrToString(nullptr), "");
  EXPECT_EQ(cGDIP::ptrToString(u"*.PNG"), "*.PNG");
  LogCapture log;
  logGdipError(19, "Property Not Found", "cBitmap");
  EXPECT_TRUE(log.contains("gdip_Error: GDIP Error in: cBitmap\tError Number: 19\tError Description: Property Not Found"));
}

TEST(Gdip, failedStartUpAnswersNoPatternAndShutsNothingDown) {
  const int32_t before = gdiplusStartedCount();
  gdiplusFailStartupForTest(GpGenericError);
  {
    cGDIP gdip;
    gdiplusFailStartupForTest(GpOk);
    EXPECT_EQ(gdip.token(), 0u);
    EXPECT_EQ(gdip.ExtensionExists("*.png"), -1);
  }
  EXPECT_EQ(gdiplusStartedCount(), before);
  {
    cGDIP gdip;
    EXPECT_EQ(gdiplusStartedCount(), before + 1);
  }
  EXPECT_EQ(gdiplusStartedCount(), before);
}

TEST(Bitmap, writeImageRoadEncodesIntoTheArrayAndToFiles) {
  cGDIP gdip;
  QSignalSpy errors(&gdip, &cGDIP::Error);
  const QImage image = chartLike();
  QTemporaryDir dir;
  for (const char* type : {"gif", "png", "bmp", "jpg"}) {
    const QUuid encoder = gdip.getEncoderClsid(gdip.ExtensionExists(QStringLiteral("*.") + type));
    cBitmap bitmap1;
    bitmap1.setGdipLink(&gdip);
    ASSERT_EQ(bitmap1.CreateFromHBitmap(image), 0) << type;
    EXPECT_EQ(bitmap1.Width(), 64);
    EXPECT_EQ(bitmap1.Height(), 40);
    QByteArray stream(1, '\0');
    const int32_t n = bitmap1.GetBitmapStream(stream, encoder);
    EXPECT_EQ(n, stream.size()) << type;
    const QImage back = QImage::fromData(stream);
    ASSERT_FALSE(back.isNull()) << type;
    if (QByteArray(type) != "jpg") {
      EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), image) << type;
    }
    const QString path = dir.filePath(QStringLiteral("zavPlot.") + type);
    EXPECT_EQ(bitmap1.SaveToFile(path, encoder), 0) << type;
    EXPECT_EQ(QImage(path).size(), image.size()) << type;
  }
  EXPECT_EQ(errors.size(), 0);
  // The GIF of the registry is the program's own encoder's bytes.
  const QUuid gif = gdip.getEncoderClsid(gdip.ExtensionExists("*.gif"));
  cBitmap b;
  b.CreateFromHBitmap(image);
  QByteArray bytes;
  b.GetBitmapStream(bytes, gif);
  QByteArray saved;
  saveBitmapAsGif(image, QString(), &saved);
  EXPECT_EQ(bytes, saved);
  // The encoder of a type as the web image finds it: the same bytes.
  ASSERT_NE(gdipEncoderForType("GIF"), nullptr);
  EXPECT_EQ(gdipEncodeImage(image, *gdipEncoderForType("gif")).valueOr({}), bytes);
  EXPECT_EQ(gdipEncoderForType("xyz"), nullptr);
}

// PNG colour type (IHDR byte 25): 3 palette, 2 truecolour.
TEST(Bitmap, pngOfFewColoursIsAPaletteImageWithTheSamePixels) {
  cGDIP gdip;
  const QUuid png = gdip.getEncoderClsid(gdip.ExtensionExists("*.png"));
  QImage many(32, 16, QImage::Format_RGB32);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) many.setPixel(x, y, qRgb(x * 8, y * 16, 7));  // 512 colours
  const struct {
    const char* name;
    QImage image;
    char colourType;
  } rows[] = {{"chart", chartLike(), 3}, {"512 colours", many, 2}};
  for (const auto& row : rows) {
    cBitmap b;
    ASSERT_EQ(b.CreateFromHBitmap(row.image), 0);
    QByteArray bytes;
    b.GetBitmapStream(bytes, png);
    ASSERT_GT(bytes.size(), 26) << row.name;
    EXPECT_EQ(bytes[25], row.colourType) << row.name;
    EXPECT_EQ(QImage::fromData(bytes, "PNG").convertToFormat(QImage::Format_RGB32), row.image) << row.name;
  }
}

TEST(Bitmap, onePixelImageFillsTheArrayExactly) {
  cGDIP gdip;
  cBitmap b;
  QImage one(1, 1, QImage::Format_RGB32);
  one.fill(qRgb(1, 2, 3));
  ASSERT_EQ(b.CreateFromHBitmap(one), 0);
  QByteArray bytes(1, '\0');
  EXPECT_EQ(b.GetBitmapStream(bytes, gdip.getEncoderClsid(gdip.ExtensionExists("*.gif"))), 799);
  EXPECT_EQ(bytes.size(), 799);
  const int32_t n = b.GetBitmapStream(bytes, gdip.getEncoderClsid(gdip.ExtensionExists("*.png")));
  EXPECT_EQ(n, bytes.size());
  EXPECT_TRUE(bytes.startsWith("\x89PNG"));
}

TEST(Bitmap, failuresKeepTheArrayAndAreReportedOnceWithTheirText) {
  cGDIP gdip;
  QSignalSpy errors(&gdip, &cGDIP::Error);
  cBitmap b;
  b.setGdipLink(&gdip);
  ASSERT_EQ(b.CreateFromHBitmap(chartLike()), 0);
  QByteArray kept(1, '\0');
  EXPECT_EQ(b.GetBitmapStream(kept, QUuid::createUuid()), 0);
  EXPECT_EQ(kept, QByteArray(1, '\0'));
  ASSERT_EQ(errors.size(), 1);
  EXPECT_EQ(errors[0][0].toInt(), 13);
  EXPECT_EQ(errors[0][1].toString(), "Unknown Image Format");
  EXPECT_EQ(errors[0][2].toString(), "cBitmap");
  EXPECT_EQ(b.CurErr(), 13);

  QTemporaryDir dir;
  const QUuid gif = gdip.getEncoderClsid(gdip.ExtensionExists("*.gif"));
  const QUuid png = gdip.getEncoderClsid(gdip.ExtensionExists("*.png"));
  EXPECT_EQ(b.SaveToFile(dir.filePath("no/folder/x.gif"), gif), 7);
  EXPECT_EQ(b.SaveToFile(dir.filePath("no/folder/x.png"), png), 7);
  EXPECT_EQ(errors.size(), 3);
  // A failed creation also fails to read format and size: three reports.
  cBitmap empty;
  empty.setGdipLink(&gdip);
  EXPECT_EQ(empty.CreateFromHBitmap(QImage()), 2);
  EXPECT_EQ(errors.size(), 6);
  QByteArray untouched("keep");
  EXPECT_EQ(empty.GetBitmapStream(untouched, png), 0);
  EXPECT_EQ(untouched, "keep");
  // Without a cGDIP the status is only kept.
  cBitmap alone;
  EXPECT_EQ(alone.SaveToFile(dir.filePath("x.png"), png), 2);
  EXPECT_EQ(alone.CurErr(), 2);
  EXPECT_EQ(errors.size(), 7);
}

TEST(Bitmap, disposeReleasesTheImageOnce) {
  const int32_t before = gdipImageCount();
  {
    cBitmap b;
    b.CreateFromHBitmap(chartLike());
    EXPECT_EQ(gdipImageCount(), before + 1);
    b.Dispose();
    EXPECT_EQ(b.Handle(), 0);
    EXPECT_EQ(gdipImageCount(), before);
  }
  EXPECT_EQ(gdipImageCount(), before);
}

TEST(Bitmap, framesAndPropertiesOfLoadedImages) {
  cGDIP gdip;
  QSignalSpy errors(&gdip, &cGDIP::Error);
  cBitmap anim;
  anim.setGdipLink(&gdip);
  ASSERT_EQ(anim.CreateFromStream(gifWithTwoFrames()), 0);
  EXPECT_EQ(anim.FrameCount(), 0);
  EXPECT_EQ(anim.SelectActiveFrame(1, true), 0);
  EXPECT_EQ(anim.FrameCount(), 2);
  EXPECT_EQ(anim.GetDelay(1), 30);
  EXPECT_EQ(anim.GetLoopCount(), 0);
  EXPECT_EQ(anim.SelectActiveFrame(5, true), 2);
  EXPECT_EQ(anim.FrameCount(), 2);
  EXPECT_EQ(errors.size(), 1);

  cBitmap still;
  still.setGdipLink(&gdip);
  QByteArray png;
  QBuffer buf(&png);
  buf.open(QIODevice::WriteOnly);
  chartLike().save(&buf, "PNG");
  ASSERT_EQ(still.CreateFromStream(png), 0);
  EXPECT_EQ(still.GetLoopCount(), 0);
  EXPECT_EQ(errors.size(), 2);
  EXPECT_EQ(errors[1][1].toString(), "Property Not Found");
  EXPECT_EQ(still.GetPixelLong(3, 23), qRgb(255, 0, 0));
  EXPECT_EQ(still.RotateFlip(1), 0);  // a quarter turn; the size fields stay
  EXPECT_EQ(still.Width(), 64);
  EXPECT_EQ(still.GetPixelLong(39 - 23, 3), qRgb(255, 0, 0));
  EXPECT_EQ(still.CreateFromStream("not a picture"), 13);
}

TEST(Bitmap, otherCreationsClonesThumbnailsAndLockedPixels) {
  cBitmap src;
  ASSERT_EQ(src.CreateFromHBitmap(chartLike()), 0);
  cBitmap part, thumb, raw;
  EXPECT_EQ(part.CreateFromClone(10, 30, src.Handle(), QImage::Format_RGB32), 0);
  EXPECT_EQ(part.Width(), 0);  // a clone does not refresh the size fields
  EXPECT_EQ(part.Picture().size(), QSize(10, 30));
  EXPECT_EQ(part.CreateFromClone(100, 30, src.Handle(), QImage::Format_RGB32), 2);
  EXPECT_EQ(thumb.CreateThumbFromImage(16, 10, src.Handle()), 0);
  EXPECT_EQ(thumb.Width(), 16);
  const uint32_t px[4] = {0xFF112233u, 0xFF445566u, 0xFF778899u, 0xFFAABBCCu};
  ASSERT_EQ(raw.CreateFromScan0(2, 2, 8, QImage::Format_RGB32, reinterpret_cast<const uint8_t*>(px)), 0);
  EXPECT_EQ(raw.PixelFormat(), int32_t(QImage::Format_RGB32));
  EXPECT_EQ(raw.GetPixelLong(1, 1), 0xFFAABBCCu);
  BitmapData data;
  ASSERT_EQ(raw.lockBits(QRect(1, 0, 1, 2), cBitmap::kLockRead | cBitmap::kLockWrite, QImage::Format_ARGB32, data), 0);
  reinterpret_cast<uint32_t*>(data.scan0.data())[0] = 0xFF010203u;
  EXPECT_EQ(raw.unlockBits(data), 0);
  EXPECT_EQ(raw.GetPixelLong(1, 0), 0xFF010203u);
  EXPECT_EQ(raw.GetPixelLong(0, 0), 0xFF112233u);
  EXPECT_EQ(raw.CreateFromResource(4711), 10);
  EXPECT_EQ(raw.saveAdd(nullptr), 8);
}
