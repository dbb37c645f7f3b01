// cFile: each failure's system number and text, writing, cutting and sharing.
#include "imaging/file_wrapper.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

namespace {
constexpr uint32_t kReadWrite = cFile::kGenericRead | cFile::kGenericWrite;
}

TEST(FileWrapper, failedOpensGiveTheMappedSystemError) {
  QTemporaryDir dir;
  QFile::copy(QStringLiteral("/dev/null"), dir.filePath("x"));
  struct Row {
    const char* name;
    QString path;
    uint32_t disposition;
    const char* error;
  };
  for (const Row& row :
       {Row{"missing folder", dir.filePath("nope/x.gif"), cFile::kCreateAlways,
            "ERROR 3 The system cannot find the path specified."},
        Row{"missing file", dir.filePath("y"), cFile::kOpenExisting,
            "ERROR 2 The system cannot find the file specified."},
        Row{"a folder", dir.path(), cFile::kOpenExisting, "ERROR 5 Access is denied."},
        Row{"new over existing", dir.filePath("x"), cFile::kCreateNew, "ERROR 80 The file exists."},
        Row{"no such disposition", dir.filePath("z"), 9, "ERROR 87 The parameter is incorrect."}}) {
    cFile f;
    const Result<> opened = f.OpenFile(row.path, kReadWrite, 0, row.disposition);
    EXPECT_EQ(opened.error(), QString::fromLatin1(row.error)) << row.name;
    EXPECT_EQ(f.WriteToFile("x").error(), "ERROR 6 The handle is invalid.") << row.name;  // nothing open
  }
  cFile f;
  EXPECT_FALSE(f.OpenFile(QString(), kReadWrite, 0, cFile::kCreateAlways));
}

TEST(FileWrapper, writesAllBytesAndCutsAtThePosition) {
  QTemporaryDir dir;
  const QString path = dir.filePath("w.bin");
  QFile old(path);
  ASSERT_TRUE(old.open(QIODevice::WriteOnly));
  old.write("an older and longer file");
  old.close();
  cFile f;
  ASSERT_TRUE(f.OpenFile(path, cFile::kGenericWrite, 0, cFile::kOpenExisting));
  EXPECT_TRUE(f.WriteToFile(QByteArray("new")));
  EXPECT_TRUE(f.SetFileEnd());
  f.CloseFile();
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("new"));
  // Without a file nothing is written.
  EXPECT_EQ(f.WriteToFile(QByteArray("x")).error(), "ERROR 6 The handle is invalid.");
  EXPECT_FALSE(f.SetFileEnd());
  if (QFile::exists("/dev/full")) {
    ASSERT_TRUE(f.OpenFile("/dev/full", cFile::kGenericWrite, cFile::kShareWrite, cFile::kOpenExisting));
    EXPECT_EQ(f.WriteToFile(QByteArray(10, 'x')).error(), "ERROR 112 There is not enough space on the disk.");
    EXPECT_TRUE(f.SetFileEnd());  // a device has no end to cut
  }
}

TEST(FileWrapper, anExclusiveOpenerKeepsOthersOut) {
  QTemporaryDir dir;
  const QString path = dir.filePath("r.bin");
  QFile out(path);
  ASSERT_TRUE(out.open(QIODevice::WriteOnly));
  out.write("abc");
  out.close();
  cFile exclusive, second;
  ASSERT_TRUE(exclusive.OpenFile(path, cFile::kGenericRead, 0, cFile::kOpenExisting));
  const Result<> refused = second.OpenFile(path, kReadWrite, cFile::kShareRead, cFile::kCreateAlways);
  EXPECT_TRUE(refused.error().startsWith("ERROR 32 ")) << refused.error().toStdString();
  EXPECT_EQ(QFile(path).size(), 3);  // not truncated by the refused opener
  exclusive.CloseFile();
  EXPECT_TRUE(second.OpenFile(path, cFile::kGenericRead, cFile::kShareRead, cFile::kOpenExisting));
}
