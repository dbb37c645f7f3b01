#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "chart/marks_array.h"
#include "support/log_capture.h"

namespace {

QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(MarksArray, resetLeavesOneEmptyMark) {
  int16_t chartMode = 2, resetCount = 7;
  initRCchart(chartMode, resetCount);
  EXPECT_EQ(chartMode, 0);
  EXPECT_EQ(resetCount, 0);
  QVector<markRecord> marks;
  resetRCchart(resetCount, marks);
  ASSERT_EQ(marks.size(), 1);
  EXPECT_EQ(resetCount, 1);
  EXPECT_TRUE(marks[0].values.isEmpty());
  resetCount = INT16_MAX;
  resetRCchart(resetCount, marks);
  EXPECT_EQ(resetCount, INT16_MAX);
}

TEST(MarksArray, saveAppendsCountAndRecordsEachTime) {
  QTemporaryDir dir;
  const QString path = dir.filePath("marks.bin");
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("old");
  }
  QVector<markRecord> marks(2);
  marks[1].data[0] = 'A';
  marks[1].data[59] = 'Z';
  marks[1].values = {1, -2};
  ASSERT_TRUE(appendMarksToFile(path, marks));
  ASSERT_TRUE(appendMarksToFile(path, marks));
  // Upper bound 1, record 0 (60 zero bytes, no values), record 1 (A..Z, two values).
  const QByteArray record0 = QByteArray(60, '\0') + QByteArray::fromHex("00000000");
  const QByteArray record1 = 'A' + QByteArray(58, '\0') + 'Z' + QByteArray::fromHex("02000000" "01000000" "feffffff");
  const QByteArray block = QByteArray::fromHex("01000000") + record0 + record1;
  EXPECT_EQ(readAll(path), "old" + block + block);
}

TEST(MarksArray, nothingToSaveOrNowhereToSaveWritesNothing) {
  QTemporaryDir dir;
  const QString path = dir.filePath("marks.bin");
  LogCapture log;
  EXPECT_FALSE(appendMarksToFile(path, QVector<markRecord>(1)));
  EXPECT_FALSE(appendMarksToFile(path, {}));
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_FALSE(appendMarksToFile("", QVector<markRecord>(3)));
  EXPECT_TRUE(log.contains("appendMarksToFile: ERROR no marks file"));
  EXPECT_FALSE(appendMarksToFile(dir.filePath("no/such/dir/marks.bin"), QVector<markRecord>(3)));
  EXPECT_TRUE(log.contains("appendMarksToFile: ERROR cannot write"));
}

}  // namespace
