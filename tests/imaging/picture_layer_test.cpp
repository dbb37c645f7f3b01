// The picture layer: encoders found by pattern (cGDIP) and by type, the bytes
// of each encoder in memory and as files, and why a picture was not written or read.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "imaging/gdip.h"
#include "imaging/gdiplus_layer.h"
#include "imaging/gif_encoder.h"
#include "support/log_capture.h"

namespace {
QImage chartLike() {
  QImage img(64, 40, QImage::Format_RGB32);
  img.fill(Qt::white);
  for (int x = 0; x < 64; ++x) img.setPixel(x, 20 + (x % 7), qRgb(255, 0, 0));
  return img;
}

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
  EXPECT_EQ(gdipEncoderForType("xyz"), nullptr);
}

TEST(Gdip, failedStartUpFindsNoEncoderAndShutsNothingDown) {
  const int32_t before = gdiplusStartedCount();
  gdiplusFailStartupForTest(true);
  {
    LogCapture log;
    cGDIP gdip;
    gdiplusFailStartupForTest(false);
    EXPECT_TRUE(log.contains("cGDIP: ERROR the picture layer did not start"));
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
  for (const char* type : {"gif", "png", "bmp", "jpg"}) {
    const Result<QByteArray> bytes = gdipEncodeImage(image, encoderOf(type));
    ASSERT_TRUE(bytes) << type;
    const QImage back = QImage::fromData(*bytes);
    ASSERT_EQ(back.size(), image.size()) << type;
    if (QByteArray(type) != "jpg") {
      EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), image) << type;
    }
    const QString path = dir.filePath(QStringLiteral("zavPlot.") + type);
    ASSERT_TRUE(gdipSaveImage(image, path, encoderOf(type))) << type;
    const Result<QImage> loaded = gdipLoadImage(path);
    ASSERT_TRUE(loaded) << type;
    EXPECT_EQ(loaded->size(), image.size()) << type;
    if (QByteArray(type) == "gif") {
      QFile file(path);
      ASSERT_TRUE(file.open(QIODevice::ReadOnly));
      EXPECT_EQ(file.readAll(), *bytes);  // the program's own encoder both ways
    }
  }
  // The GIF of the registry is the program's own encoder's bytes.
  EXPECT_EQ(gdipEncodeImage(image, encoderOf("GIF")).valueOr({}), encodeImageAsGif(image).valueOr({"none"}));
}

TEST(PictureLayer, aPictureNotWrittenOrReadSaysWhy) {
  QTemporaryDir dir;
  const QImage image = chartLike();
  EXPECT_EQ(gdipSaveImage(image, dir.filePath("no/folder/x.gif"), encoderOf("gif")).error(),
            "ERROR 3 The system cannot find the path specified.");
  const Result<> png = gdipSaveImage(image, dir.filePath("no/folder/x.png"), encoderOf("png"));
  EXPECT_TRUE(png.error().startsWith("PNG encoder: ")) << png.error().toStdString();
  EXPECT_FALSE(gdipSaveImage(QImage(), dir.filePath("x.png"), encoderOf("png")));
  EXPECT_FALSE(gdipEncodeImage(QImage(), encoderOf("png")));
  EXPECT_FALSE(gdipLoadImage(dir.filePath("missing.gif")).error().isEmpty());
  QFile junk(dir.filePath("junk.gif"));
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write("not a picture");
  junk.close();
  EXPECT_FALSE(gdipLoadImage(junk.fileName()).error().isEmpty());
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
