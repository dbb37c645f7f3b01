// The chart's picture writing: through the bitmap class with the status it logs,
// never a failure reported as success, and a full disk that keeps the old picture.
#include "chart/image_writer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include "chart/chart_core.h"
#include "imaging/file_support.h"
#include "imaging/gdip.h"
#include "support/log_capture.h"

namespace {
QImage picture(QRgb colour) {
  QImage img(200, 120, QImage::Format_RGB32);
  img.fill(colour);
  return img;
}
}  // namespace

TEST(ImageWriter, aFullDiskNeverReportsSuccessAndKeepsTheOldPicture) {
  QTemporaryDir dir;
  ChartCore core{Settings{}};
  core.formLoad();
  QByteArray unused;
  for (const char* type : {"png", "bmp", "GIF"}) {
    const QString path = dir.filePath(QStringLiteral("zavPlot.") + type);
    LogCapture log;
    core.writeImage(picture(qRgb(255, 255, 255)), type, path, unused);
    EXPECT_TRUE(log.contains("writeImage: OK, File Saved!\n" + path)) << type;
    const QByteArray good = fileBytes(path);
    ASSERT_FALSE(QImage::fromData(good).isNull()) << type;
    log.clear();
    {
      DiskFullAfter full(good.size() / 2);
      core.writeImage(picture(qRgb(0, 0, 255)), type, path, unused);
    }
    EXPECT_TRUE(log.contains("writeImage: Error! bitmap1.SaveToFile = 7: No space left on device\n" + path))
        << type << ": " << log.text().toStdString();
    EXPECT_TRUE(
        log.contains("gdip_Error: GDIP Error in: cBitmap\tError Number: 7\tError Description: Win32 Error"))
        << type;
    EXPECT_FALSE(log.contains("File Saved")) << type;
    EXPECT_EQ(fileBytes(path), good) << type;
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3);  // no temporary left behind
}

TEST(ImageWriter, aTypeWithoutEncoderOrAPictureNotMadeLeavesTheBytes) {
  cGDIP gdip;
  LogCapture log;
  QByteArray bytes("kept");
  writeImage(&gdip, picture(qRgb(1, 2, 3)), "xyz", QString(), bytes);  // no encoder: nothing at all
  EXPECT_EQ(log.text(), QString());
  writeImage(&gdip, QImage(), "png", QString(), bytes);
  EXPECT_TRUE(log.contains("writeImage: Error! bitmap1.CreateFromHBitmap = 2"));
  EXPECT_EQ(bytes, "kept");
  writeImage(&gdip, picture(qRgb(1, 2, 3)), "GIF", QString(), bytes);
  EXPECT_TRUE(bytes.startsWith("GIF89a"));
}

// A picture made read-only is refused as a write into it would be, though its
// folder would allow the rename; the log says so and never "File Saved".
TEST(ImageWriter, aReadOnlyPictureIsRefusedAndKept) {
  QTemporaryDir dir;
  ChartCore core{Settings{}};
  core.formLoad();
  QByteArray unused;
  const QString path = dir.filePath(QStringLiteral("zavPlot.png"));
  ASSERT_TRUE(putFile(path, "the owner's picture"));
  ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
  LogCapture log;
  {
    AsPlainUser user({dir.path(), path, qEnvironmentVariable("ZAV_LOG_FILE")});
    if (!user.ok()) GTEST_SKIP() << "running as root without the right to act as another user";
    core.writeImage(picture(qRgb(0, 0, 255)), "png", path, unused);
  }
  EXPECT_TRUE(log.contains("writeImage: Error! bitmap1.SaveToFile = 7: Permission denied\n" + path))
      << log.text().toStdString();
  EXPECT_FALSE(log.contains("File Saved"));
  EXPECT_EQ(fileBytes(path), "the owner's picture");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"zavPlot.png"});
}
