// Picture files replace their target only when complete: a full disk, a
// missing folder, a failed rename or a read-only picture leave the old picture
// and say why.
#include "imaging/picture_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>

#include "imaging/bitmap.h"
#include "imaging/file_support.h"
#include "imaging/gdip.h"
#include "imaging/gif_encoder.h"
#include "imaging/gif_test_support.h"

TEST(PictureFile, aFailedSaveKeepsTheOldPictureAndSaysWhy) {
  QTemporaryDir dir;
  const QString path = dir.filePath("zavPlot.png");
  ASSERT_TRUE(putFile(path, "the good picture"));
  const QByteArray fresh(100000, 'n');
  for (const int64_t room : {0, 4096, 99999}) {
    DiskFullAfter full(room);
    EXPECT_EQ(writePictureFile(path, fresh).error(), "No space left on device") << room;
    EXPECT_EQ(fileBytes(path), "the good picture") << room;
  }
  // A folder where the picture should be: the rename fails, nothing is left over.
  ASSERT_TRUE(QDir(dir.path()).mkdir("taken.png"));
  EXPECT_EQ(writePictureFile(dir.filePath("taken.png"), fresh).error(), "Is a directory");
  EXPECT_EQ(writePictureFile(dir.filePath("no/folder/x.png"), fresh).error(), "No such file or directory");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"zavPlot.png"});

  ASSERT_TRUE(writePictureFile(path, fresh));
  EXPECT_EQ(fileBytes(path), fresh);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"zavPlot.png"});
}

TEST(PictureFile, aReplacedPictureKeepsItsModeAndLinksAndDevicesAreWrittenThrough) {
  QTemporaryDir dir;
  const QString real = dir.filePath("real.gif"), link = dir.filePath("link.gif");
  ASSERT_TRUE(putFile(real, "old"));
  ASSERT_EQ(::chmod(QFile::encodeName(real).constData(), 0640), 0);
  ASSERT_TRUE(QFile::link(real, link));
  ASSERT_TRUE(writePictureFile(link, "new"));
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(fileBytes(real), "new");
  struct stat st {};
  ASSERT_EQ(::stat(QFile::encodeName(real).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  EXPECT_TRUE(writePictureFile("/dev/null", "bytes"));  // in place: no temporary may go into /dev
  if (QFile::exists("/dev/full")) {
    EXPECT_EQ(writePictureFile("/dev/full", "bytes").error(), "No space left on device");
  }
  EXPECT_FALSE(writePictureFile(QString(), "bytes"));
}

// The folder would allow the rename, but the picture's owner made it read-only:
// each writer refuses in its own words, as a write into the picture would.
TEST(PictureFile, aReadOnlyPictureIsRefusedByEveryWriter) {
  QTemporaryDir dir;
  cGDIP gdip;
  cBitmap bitmap;
  bitmap.setGdipLink(&gdip);
  ASSERT_EQ(bitmap.CreateFromHBitmap(chartLike()), 0);
  const QUuid png = gdip.getEncoderClsid(gdip.ExtensionExists(QStringLiteral("*.png")));
  const GifDib dib = makeGifDib(3, 2, [](int x, int) { return uint8_t(x); });
  const struct {
    const char* name;
    std::function<QString(const QString&)> write;  // empty: written
    const char* refusal;
  } writers[] = {
      {"file", [](const QString& path) { return writePictureFile(path, "new").error(); },
       "Permission denied"},
      {"bitmap",
       [&](const QString& path) {
         return bitmap.SaveToFile(path, png) == 0 ? QString() : bitmap.lastReason();
       },
       "Permission denied"},
      {"gif", [&](const QString& path) { return writeGif(path, false, dib.info, dib.pixels).error(); },
       "ERROR 5 Access is denied."},
  };
  for (const auto& w : writers) {
    const QString path = dir.filePath(QLatin1String(w.name) + ".pic");
    ASSERT_TRUE(putFile(path, "old"));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    {
      AsPlainUser user({dir.path(), path});
      if (!user.ok()) GTEST_SKIP() << "running as root without the right to act as another user";
      EXPECT_EQ(w.write(path), w.refusal) << w.name;
    }
    EXPECT_EQ(fileBytes(path), "old") << w.name;
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0644), 0);
    AsPlainUser user({dir.path(), path});
    EXPECT_EQ(w.write(path), QString()) << w.name;
    EXPECT_NE(fileBytes(path), "old") << w.name;
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3);  // no temporary left behind
}

// A name as long as the system takes is saved by every writer: the temporary
// beside it is cut short to fit, and nothing is left behind.
TEST(PictureFile, aNameAsLongAsTheSystemTakesIsSaved) {
  QTemporaryDir dir;
  const GifDib dib = makeGifDib(3, 2, [](int x, int) { return uint8_t(x); });
  // 254 and 252 bytes: two and four bytes a character.
  for (const QString& name :
       {QString(246, u'a'), QString(255, u'b'), QString(127, u'\u00e4'), QString::fromUcs4(U"\U0001F600").repeated(63)}) {
    EXPECT_TRUE(writePictureFile(dir.filePath(name), "first")) << name.size();
    EXPECT_TRUE(writeGif(dir.filePath(name), false, dib.info, dib.pixels)) << name.size();
  }
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 4);
}

// A folder so deep that the whole path nears the system's limit (4,095 bytes):
// the temporary fits the path too, down to a folder that leaves fewer bytes
// than its random ending.
TEST(PictureFile, aPathAsLongAsTheSystemTakesIsSaved) {
  QTemporaryDir dir;
  const GifDib dib = makeGifDib(3, 2, [](int x, int) { return uint8_t(x); });
  const auto folderOf = [&](int bytes) {
    QString path = dir.path();
    while (path.size() < bytes) path += u'/' + QString(std::min<qsizetype>(200, bytes - path.size() - 1), u'f');
    EXPECT_TRUE(QDir().mkpath(path));
    return path;
  };
  const QString deep = folderOf(3849);
  ASSERT_EQ(deep.size(), 3849);
  for (int n = 236; n <= 245; ++n) {
    const QString path = deep + u'/' + QString(n, u'p');
    EXPECT_TRUE(writePictureFile(path, "first")) << n;
    EXPECT_TRUE(writeGif(path, false, dib.info, dib.pixels)) << n;
  }
  EXPECT_EQ(QDir(deep).entryList(QDir::Files).size(), 10);
  const QString deepest = folderOf(4089);
  ASSERT_EQ(deepest.size(), 4089);
  for (const QString& name : {QStringLiteral("a"), QStringLiteral("abcde")}) {
    ASSERT_TRUE(writePictureFile(deepest + u'/' + name, "first")) << name.toStdString();
    EXPECT_TRUE(writeGif(deepest + u'/' + name, false, dib.info, dib.pixels)) << name.toStdString();
    EXPECT_TRUE(writePictureFile(deepest + u'/' + name, "last")) << name.toStdString();
    EXPECT_EQ(fileBytes(deepest + u'/' + name), "last") << name.toStdString();
  }
  EXPECT_EQ(QDir(deepest).entryList(QDir::Files), (QStringList{"a", "abcde"}));
}
