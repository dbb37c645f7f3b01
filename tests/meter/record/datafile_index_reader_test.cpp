// The index reader works on hand-built files; nothing selects a log file yet.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "meter/record/index_reader.h"
#include "support/log_capture.h"
#include "tests/meter/record/zav_bytes.h"

namespace {

TEST(IndexReader, UnknownSlotIsReported) {
  LogCapture log;
  const LogFiles logs;
  logRecordHeader h;
  logs.loadLogHeader(5, 1, h);
  EXPECT_TRUE(log.contains("loadLogHeader: ERROR bsFnr= 5"));
}

TEST(IndexReader, IndexGivesTheHeaderPosition) {
  QTemporaryDir dir;
  const QString data = dir.filePath("log.DAT");
  EXPECT_EQ(indexFileName(data), dir.filePath("log.LIX"));
  ZavBytes d;
  d.date(1.0).date(45352.5).date(2.0);
  writeTextFile(data, d.b);
  ZavBytes ix;
  ix.i32(1).i32(-9).i32(17);  // record 2 at position 9, stored negative
  writeTextFile(indexFileName(data), ix.b);
  LogFiles logs;
  logs.logFileNames[0] = data;
  logRecordHeader h;
  logs.loadLogHeader(0, 2, h);
  EXPECT_DOUBLE_EQ(h.recTime, 45352.5);
  logs.loadLogHeader(0, 4, h);  // beyond the index: unchanged
  EXPECT_DOUBLE_EQ(h.recTime, 45352.5);
}

TEST(IndexReader, ReadsThatFallShortSayWhere) {
  QTemporaryDir dir;
  const QString data = dir.filePath("log.DAT");
  writeTextFile(data, ZavBytes().date(45352.5).b);
  writeTextFile(indexFileName(data), ZavBytes().i32(1).i32(99).b);  // record 2 beyond the data
  QFile d(data), ix(indexFileName(data));
  ASSERT_TRUE(d.open(QIODevice::ReadOnly) && ix.open(QIODevice::ReadOnly));
  EXPECT_DOUBLE_EQ(readHeaderViaIndex(d, ix, 1).valueOr({}).recTime, 45352.5);
  EXPECT_EQ(readHeaderViaIndex(d, ix, 0).error(), "no record 0");
  EXPECT_EQ(readHeaderViaIndex(d, ix, 2).error(), "no record header at position=99");
  EXPECT_EQ(readHeaderViaIndex(d, ix, 3).error(), "no index entry for record 3");
  LogCapture log;
  const LogFiles logs;
  logRecordHeader h;
  h.recTime = 7;
  logs.loadLogHeader(0, 1, h);  // no log file in the slot: reported, the header stays
  EXPECT_DOUBLE_EQ(h.recTime, 7);
  EXPECT_TRUE(log.contains("loadLogHeader: ERROR "));
}

}  // namespace
