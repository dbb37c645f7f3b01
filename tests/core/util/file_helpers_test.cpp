#include "core/util/file_helpers.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>

#include "core/util/format_pattern.h"
#include "support/headless_env.h"

TEST(FileExists, OrdinaryFilesOnly) {
  QTemporaryDir dir;
  const QString f = dir.filePath("pwrData.ZAV");
  QFile(f).open(QIODevice::WriteOnly);
  QFile(dir.filePath(".hidden")).open(QIODevice::WriteOnly);
  EXPECT_TRUE(fileExists(f));
  EXPECT_TRUE(fileExists(dir.filePath(".hidden")));
  EXPECT_FALSE(fileExists(""));
  EXPECT_FALSE(fileExists(dir.path()));
  EXPECT_FALSE(fileExists(dir.filePath("pwrdata.zav")));  // case matters here
  EXPECT_TRUE(fileExists(dir.filePath("*.ZAV")));
  EXPECT_TRUE(fileExists(dir.filePath("pwr?ata.*")));
  EXPECT_FALSE(fileExists(dir.filePath("*.TXT")));
}

TEST(FileExists, MissingPathWarnsAndNeverEndsTheProgram) {
  HeadlessLog log;
  QTemporaryDir dir;
  EXPECT_FALSE(fileExists(dir.filePath("nothing.INI")));
  EXPECT_TRUE(log.lines().isEmpty());
  const QString missing = dir.filePath("no/such/dir/zav.INI");
  EXPECT_FALSE(fileExists(missing));
  EXPECT_FALSE(fileExists(dir.filePath("no/*.INI")));
  QFile(dir.filePath("plain")).open(QIODevice::WriteOnly);
  EXPECT_FALSE(fileExists(dir.filePath("plain/zav.INI")));  // a file used as a directory
  const QStringList lines = log.lines();
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0], "MSGBOX: This drive or path does not exist: " + missing);
  EXPECT_EQ(lines[2], "MSGBOX: This drive or path does not exist: " + dir.filePath("plain/zav.INI"));
}

TEST(FileExists, OtherFailuresReportTheErrorNumber) {
  HeadlessLog log;
  QTemporaryDir dir;
  ASSERT_TRUE(QFile::link(dir.filePath("loop"), dir.filePath("loop")));
  EXPECT_FALSE(fileExists(dir.filePath("loop")));
  ASSERT_EQ(log.lines().size(), 1);
  EXPECT_EQ(log.lines()[0],
            "MSGBOX: Unexpected error # 40 occurred: " + QString::fromLocal8Bit(strerror(ELOOP)));
}

TEST(FileTimes, FileTimeToDateCountsFrom1601) {
  EXPECT_EQ(formatDate(fileTimeToDate(0, 0), "yyyy-mm-dd hh:nn:ss"), "1601-01-01 00:00:00");
  // 1970-01-01 00:00:01.9 is 116444736019000000 units: whole seconds only.
  const int64_t units = 116444736019000000LL;
  const Date d = fileTimeToDate(static_cast<int32_t>(units & 0xFFFFFFFF), static_cast<int32_t>(units >> 32));
  EXPECT_EQ(formatDate(d, "yyyy-mm-dd hh:nn:ss"), "1970-01-01 00:00:01");
}

TEST(FileTimes, ReadsWrittenTimeOrFails) {
  QTemporaryDir dir;
  const QString f = dir.filePath("zavLog.TXT");
  {
    QFile out(f);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("x");
    out.close();
    ASSERT_TRUE(out.open(QIODevice::ReadWrite));
    ASSERT_TRUE(out.setFileTime(QDateTime(QDate(2020, 5, 6), QTime(7, 8, 9), Qt::UTC),
                                QFileDevice::FileModificationTime));
  }
  const Result<FileTimes> t = fileTimes(f, false);
  ASSERT_TRUE(t);
  EXPECT_EQ(formatDate(t->written, "yyyy-mm-dd hh:nn:ss"), "2020-05-06 07:08:09");
  EXPECT_GT(t->created, 40000);
  EXPECT_GT(t->accessed, 40000);
  const QDateTime local = QDateTime(QDate(2020, 5, 6), QTime(7, 8, 9), Qt::UTC).toLocalTime();
  EXPECT_EQ(formatDate(fileTimes(f, true).valueOr({}).written, "yyyy-mm-dd hh:nn:ss"),
            local.toString("yyyy-MM-dd hh:mm:ss"));
  EXPECT_EQ(fileTimes(dir.filePath("missing"), false).error(),
            "'" + dir.filePath("missing") + "' is no file");
  EXPECT_EQ(fileTimes(dir.path(), false).error(), "'" + dir.path() + "' is no file");
}
