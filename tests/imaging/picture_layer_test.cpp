// The picture layer: encoders found by pattern (cGDIP) and by type, status
// texts, the bytes of each encoder in memory and as files (through cBitmap), and
// why a picture was not written or read.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "imaging/bitmap.h"
#include "imaging/file_support.h"
#include "imaging/gdip.h"
#include "imaging/gdiplus_layer.h"
#include "imaging/gif_encoder.h"
#include "imaging/gif_test_support.h"
#include "support/log_capture.h"

namespace {
const ImageCodecInfo& encoderOf(const char* type) {
  const ImageCodecInfo* codec = gdipEncoderForType(QString::fromLatin1(type));
  EXPECT_NE(codec, nullptr) << type;
  static const ImageCodecInfo none;
  return codec ? *codec : none;
}
}  // namespace

TEST(Gdip, patternsFindTheirEncoderInAnyCase) {
  cGDIP gdip;
  for (const char* pattern : {"*.gif", "*.GIF", "*.png", "*.Png", "*.bmp", "*.dib", "*.jpg", "*.JPEG"}) {
    const int32_t pos = gdip.ExtensionExists(QString::fromLatin1(pattern));
    ASSERT_GE(pos, 0) << pattern;
    EXPECT_EQ(gdipFindEncoder(gdip.getEncoderClsid(pos)),
              gdipEncoderForType(QString::fromLatin1(pattern + 2)))
        << pattern;
  }
  EXPECT_EQ(gdip.ExtensionExists("*.GIF"), 2);  // BMP, JPEG, GIF: the list's order
  EXPECT_EQ(gdip.ExtensionExists("*.xyz"), -1);
  EXPECT_EQ(gdip.ExtensionExists(""), -1);
  EXPECT_TRUE(gdip.getEncoderClsid(99).isNull());
  EXPECT_EQ(gdip.encoderCount(), gdipImageEncoders().size());
  EXPECT_EQ(gdipEncoderForType("xyz"), nullptr);

  // Inner items are taken as they are, an empty last one adds nothing.
  gdip.parseExtensionList(" *.AA;  *.CC  ;", ";", 7);
  EXPECT_EQ(gdip.ExtensionExists(" *.aa"), 7);
  EXPECT_EQ(gdip.ExtensionExists("  *.CC  "), 7);
  EXPECT_EQ(gdip.ExtensionExists("*.CC"), -1);
  EXPECT_EQ(gdip.ExtensionExists(""), -1);
  // The last item is trimmed; a pattern already listed keeps its first encoder.
  gdip.parseExtensionList("*.gif;*.GG  ", ";", 9);
  EXPECT_EQ(gdip.ExtensionExists("*.GG"), 9);
  EXPECT_EQ(gdip.ExtensionExists("*.GIF"), 2);
}

// The texts within the table (7, 13 and 19 are checked where they are reported), and those beyond it.
TEST(Gdip, statusTextsAndIdentifiers) {
  EXPECT_EQ(cGDIP::gdipStatusText(1), "Generic Error");
  EXPECT_EQ(cGDIP::gdipStatusText(20), "Property Not Supported");
  for (const int32_t outside : {0, 21, -1})
    EXPECT_EQ(cGDIP::gdipStatusText(outside), "Unknown GDI+ Error") << outside;
  const QString time = QStringLiteral("{6AEDBD6D-3FB5-418A-83A6-7F45229DC872}");
  EXPECT_EQ(cGDIP::clsidFromString(time).toString(QUuid::WithBraces).toUpper(), time);
  EXPECT_TRUE(cGDIP::clsidFromString(time.mid(1, 36)).isNull());
  EXPECT_EQ(cGDIP::ptrToString(nullptr), "");
}

TEST(Gdip, failedStartUpFindsNoEncoderAndShutsNothingDown) {
  const int32_t before = gdiplusStartedCount();
  gdiplusFailStartupForTest(true);
  {
    LogCapture log;
    cGDIP gdip;
    gdiplusFailStartupForTest(false);
    EXPECT_TRUE(log.contains("cGDIP: ERROR the picture layer did not start"));
    EXPECT_EQ(gdip.token(), 0u);
    EXPECT_EQ(gdip.ExtensionExists("*.png"), -1);
    EXPECT_TRUE(gdip.getEncoderClsid(0).isNull());
  }
  EXPECT_EQ(gdiplusStartedCount(), before);
  {
    cGDIP gdip;
    EXPECT_EQ(gdiplusStartedCount(), before + 1);
  }
  EXPECT_EQ(gdiplusStartedCount(), before);
}

TEST(PictureLayer, eachEncoderWritesTheSamePictureToMemoryAndToAFile) {
  const QImage image = chartLike();
  QTemporaryDir dir;
  cGDIP gdip;
  for (const char* type : {"gif", "png", "bmp", "jpg"}) {
    const QUuid encoder = gdip.getEncoderClsid(gdip.ExtensionExists(QStringLiteral("*.") + type));
    cBitmap bitmap1;
    bitmap1.setGdipLink(&gdip);
    ASSERT_EQ(bitmap1.CreateFromHBitmap(image), 0) << type;
    QByteArray stream(1, '\0');
    const int32_t n = bitmap1.GetBitmapStream(stream, encoder);
    ASSERT_EQ(n, stream.size()) << type;
    EXPECT_EQ(stream, gdipEncodeImage(image, encoderOf(type)).valueOr({})) << type;
    const QImage back = QImage::fromData(stream);
    ASSERT_EQ(back.size(), image.size()) << type;
    if (QByteArray(type) != "jpg") {
      EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), image) << type;
    }
    const QString path = dir.filePath(QStringLiteral("zavPlot.") + type);
    ASSERT_EQ(bitmap1.SaveToFile(path, encoder), 0) << type;
    if (QByteArray(type) != "jpg") {
      EXPECT_EQ(fileBytes(path), stream) << type;  // one encoding for memory and file
    }
    EXPECT_EQ(gdipLoadImage(path).valueOr({}).size(), image.size()) << type;
  }
  // The GIF of the registry is the program's own encoder's bytes.
  EXPECT_EQ(gdipEncodeImage(image, encoderOf("GIF")).valueOr({}), encodeImageAsGif(image).valueOr({"none"}));
}

TEST(PictureLayer, aPictureNotWrittenOrReadSaysWhy) {
  QTemporaryDir dir;
  cGDIP gdip;
  const QUuid png = gdip.getEncoderClsid(gdip.ExtensionExists("*.png"));
  cBitmap b;
  ASSERT_EQ(b.CreateFromHBitmap(chartLike()), 0);
  EXPECT_EQ(b.SaveToFile(dir.filePath("no/folder/x.png"), png), GpWin32Error);
  EXPECT_EQ(b.lastReason(), "No such file or directory");
  EXPECT_EQ(b.SaveToFile(QString(), png), GpInvalidParameter);
  EXPECT_FALSE(gdipEncodeImage(QImage(), encoderOf("png")));
  EXPECT_FALSE(gdipLoadImage(dir.filePath("missing.gif")).error().isEmpty());
  const QString junk = dir.filePath("junk.gif");
  ASSERT_TRUE(putFile(junk, "not a picture"));
  EXPECT_FALSE(gdipLoadImage(junk).error().isEmpty());
  EXPECT_EQ(b.LoadFromFile(junk), GpUnknownImageFormat);
  EXPECT_EQ(b.LoadFromFile(dir.filePath("missing.gif")), GpFileNotFound);
  EXPECT_FALSE(b.lastReason().isEmpty());
}

// PNG colour type (IHDR byte 25): 3 palette, 2 truecolour.
TEST(PictureLayer, pngOfFewColoursIsAPaletteImageWithTheSamePixels) {
  QImage many(32, 16, QImage::Format_RGB32);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) many.setPixel(x, y, qRgb(x * 8, y * 16, 7));  // 512 colours
  const struct {
    const char* name;
    QImage image;
    char colourType;
  } rows[] = {{"chart", chartLike(), 3}, {"512 colours", many, 2}};
  for (const auto& row : rows) {
    const QByteArray bytes = gdipEncodeImage(row.image, encoderOf("png")).valueOr({});
    ASSERT_GT(bytes.size(), 26) << row.name;
    EXPECT_EQ(bytes[25], row.colourType) << row.name;
    EXPECT_EQ(QImage::fromData(bytes, "PNG").convertToFormat(QImage::Format_RGB32), row.image) << row.name;
  }
}

TEST(PictureLayer, onePixelGifIsTheWholeTable) {
  QImage one(1, 1, QImage::Format_RGB32);
  one.fill(qRgb(1, 2, 3));
  EXPECT_EQ(gdipEncodeImage(one, encoderOf("gif")).valueOr({}).size(), 799);
}
