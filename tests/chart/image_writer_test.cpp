// The chart's picture writing: through the bitmap class with the status it logs,
// never a failure reported as success, and a full disk that keeps the old picture.
#include "chart/image_writer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "chart/chart_core.h"
#include "chart/chart_output.h"
#include "imaging/gdip.h"
#include "imaging/picture_file.h"
#include "support/log_capture.h"

namespace {
// Busy enough that each format takes some kilobytes.
QImage picture(QRgb colour) {
  QRandomGenerator random(colour);
  QImage img(200, 120, QImage::Format_RGB32);
  img.fill(colour);
  for (int y = 0; y < 120; ++y)
    for (int x = y % 2; x < 200; x += 2) img.setPixel(x, y, qRgb(random.bounded(16) * 16, 0, 0));
  return img;
}

QByteArray contents(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

struct DiskFullAfter {
  explicit DiskFullAfter(int64_t bytes) { failImagingWritesAfterForTest(bytes); }
  ~DiskFullAfter() { failImagingWritesAfterForTest(-1); }
};
}  // namespace

TEST(ImageWriter, aFullDiskNeverReportsSuccessAndKeepsTheOldPicture) {
  QTemporaryDir dir;
  ChartCore core{Settings{}};
  core.formLoad();
  QByteArray unused;
  for (const char* type : {"png", "bmp", "GIF"}) {
    const QString path = dir.filePath(QStringLiteral("zavPlot.") + type);
    core.writeImage(picture(qRgb(255, 255, 255)), type, path, unused);
    const QByteArray good = contents(path);
    ASSERT_FALSE(QImage::fromData(good).isNull()) << type;
    ASSERT_GT(good.size(), 2000) << type;
    for (const int64_t room : {int64_t(0), int64_t(good.size() / 2)}) {
      LogCapture log;
      {
        DiskFullAfter full(room);
        core.writeImage(picture(qRgb(0, 0, 255)), type, path, unused);
      }
      EXPECT_TRUE(log.contains("writeImage: Error! bitmap1.SaveToFile = 7: No space left on device\n" + path))
          << type << " " << room << ": " << log.text().toStdString();
      EXPECT_TRUE(log.contains("gdip_Error: GDIP Error in: cBitmap\tError Number: 7\tError Description: Win32 Error"))
          << type;
      EXPECT_FALSE(log.contains("File Saved")) << type;
      EXPECT_EQ(contents(path), good) << type << " " << room;
    }
  }
  // The chart's own GIF routine writes through the file wrapper, in its words.
  const QString gif = dir.filePath("zavPlot.GIF");
  const QByteArray good = contents(gif);
  LogCapture log;
  {
    DiskFullAfter full(300);
    savePicAsGif1(picture(qRgb(0, 255, 0)), gif);
  }
  EXPECT_TRUE(log.contains("savePicAsGif1: ERROR 112 There is not enough space on the disk.\n" + gif));
  EXPECT_EQ(contents(gif), good);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3);  // no temporary left behind
}

TEST(ImageWriter, typesStreamsAndPicturesThatCannotBeWritten) {
  cGDIP gdip;
  LogCapture log;
  QByteArray bytes("kept");
  writeImage(&gdip, picture(qRgb(1, 2, 3)), "xyz", QString(), bytes);  // no encoder: nothing at all
  writeImage(nullptr, picture(qRgb(1, 2, 3)), "png", QString(), bytes);
  EXPECT_EQ(bytes, "kept");
  EXPECT_EQ(log.text(), QString());
  writeImage(&gdip, QImage(), "png", QString(), bytes);
  EXPECT_TRUE(log.contains("writeImage: Error! bitmap1.CreateFromHBitmap = 2"));
  EXPECT_EQ(bytes, "kept");
  for (const char* type : {"gif", "GIF"}) {
    log.clear();
    writeImage(&gdip, picture(qRgb(1, 2, 3)), type, QString(), bytes);
    EXPECT_TRUE(bytes.startsWith("GIF89a")) << type;
    EXPECT_TRUE(log.contains("writeImage: OK, stream created\nbytes = " + QString::number(bytes.size()))) << type;
  }
  QTemporaryDir dir;
  log.clear();
  writeImage(&gdip, picture(qRgb(1, 2, 3)), "png", dir.filePath("zavPlot.png"), bytes);
  EXPECT_TRUE(log.contains("writeImage: OK, File Saved!\n" + dir.filePath("zavPlot.png")));
}
