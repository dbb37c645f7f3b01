// Data file: the loader, opening and closing for recording.
#include <cerrno>

#include "tests/meter/record/datafile_fixture.h"

namespace {

class DataFile : public DataFileTest {
 protected:
  // One open section (0 records on disk) with n records.
  static QByteArray openSection(int n, double start = kDay) {
    ZavBytes z;
    z.header(start, 0);
    for (int i = 0; i < n; ++i) z.record(start + i / 1440.0, 100 + i, 1000 * i, 7);
    return z.b;
  }
};

TEST_F(DataFile, OneSectionOfThreeRecordsIs92Bytes) {
  ZavBytes z;
  z.header(kDay, 3).record(kDay, 1, 10).record(kDay + 0.01, 2, 20).record(kDay + 0.02, 3, 30);
  ASSERT_EQ(z.b.size(), 92);
  writeTextFile(m_path, z.b);
  EXPECT_TRUE(loadZavDatNEW(0));
  EXPECT_TRUE(m_log.contains("file is OK: totalFileSection=1  totalFileRecords=3"));
  const dataFileIndex& ix = m_slots[0];
  EXPECT_EQ(ix.sectionCount, 1);
  EXPECT_EQ(ix.recordCount, 3);
  EXPECT_EQ(ix.sectionFilePos(1), 1);
  EXPECT_EQ(ix.sectionEndRecord(0), 0);
  EXPECT_EQ(ix.sectionEndRecord(1), 3);
  EXPECT_EQ(ix.sectionHeaders(1).records, 3);
  EXPECT_EQ(ix.sections[0].runs.size(), 1);
  EXPECT_DOUBLE_EQ(ix.sectionLastTime(1), kDay + 0.02);
  EXPECT_DOUBLE_EQ(ix.firstRecordTime, kDay);
  EXPECT_EQ(recordFilePos(ix, 3), 1 + 38 + 2 * 18);
}

TEST_F(DataFile, OpenSectionCountsItsRecordsFromTheLength) {
  writeTextFile(m_path, openSection(3));
  EXPECT_TRUE(loadZavDatNEW(0));
  EXPECT_TRUE(m_log.contains("adjusting records=3"));
  EXPECT_EQ(m_slots[0].recordCount, 3);
}

TEST_F(DataFile, EmptyHeaderAtTheEndFailsTheLoadKeepingTheSectionsBefore) {
  ZavBytes z;
  z.header(kDay, 1).record(kDay, 1, 1).header(kDay + 1, 0);
  writeTextFile(m_path, z.b);
  EXPECT_FALSE(loadZavDatNEW(0));
  EXPECT_TRUE(m_log.contains("Error remainingRecords=0"));
  EXPECT_TRUE(m_log.contains("fileLength / record count error"));
  EXPECT_EQ(m_slots[0].sectionCount, 1);
}

TEST_F(DataFile, AcceptsOnlyVersionsOfThisProgramLine) {
  for (int v : {1001999, 1004000, 1002001, 1003999}) {
    ZavBytes z;
    z.header(kDay, 1, 0, v).record(kDay, 1, 1);
    writeTextFile(m_path, z.b);
    m_log.clear();
    const bool ok = v == 1002001 || v == 1003999;
    EXPECT_EQ(loadZavDatNEW(0), ok) << v;
    EXPECT_EQ(m_log.contains("unsupported file version:" + QString::number(v)), !ok) << v;
    EXPECT_EQ(m_slots[0].sectionCount, ok ? 1 : 0);
  }
}

// A negative count stops the load; a count past the end of the file (a copy
// cut short) gives the records that are there. Either way the file is not whole.
TEST_F(DataFile, ImpossibleRecordCountsFailTheLoadKeepingEveryRecordThere) {
  for (int bad : {-5, 4, 2000000000}) {
    ZavBytes z;
    z.header(kDay, 1).record(kDay, 1, 1).header(kDay + 1, bad).record(kDay + 1, 2, 2).record(kDay + 1, 3, 3);
    writeTextFile(m_path, z.b);
    m_log.clear();
    EXPECT_FALSE(loadZavDatNEW(0)) << bad;
    EXPECT_TRUE(m_log.contains("*** File Error ***"));
    EXPECT_EQ(m_slots[0].sectionCount, bad < 0 ? 1 : 2) << bad;
    EXPECT_EQ(m_slots[0].recordCount, bad < 0 ? 1 : 3) << bad;
    EXPECT_EQ(
        m_log.contains(
            QStringLiteral("records=%1 at position=57 not believed: the file ends behind record 2").arg(bad)),
        bad > 0);
  }
  // Opening for recording gives that last section the count of its records.
  openOutZavDat();
  EXPECT_TRUE(m_log.contains("adjusting last section records count=2 (records=2000000000 ran past the end"));
  closeOutZavDat();
  EXPECT_EQ(readTextFile(m_path).mid(56 + 34, 4).toHex(), "02000000");
}

TEST_F(DataFile, ShortFilesAndStrayBytesFailWithoutCrashing) {
  for (int len : {1, 11, 12, 37, 38, 39, 55}) {
    ZavBytes z;
    z.header(kDay, 1).record(kDay, 1, 1);
    writeTextFile(m_path, z.b.left(len));
    EXPECT_FALSE(loadZavDatNEW(0)) << len;
    EXPECT_EQ(m_slots[0].recordCount, 0) << len;
  }
}

TEST_F(DataFile, MissingSecondSlotFileLeavesNoTraceAndEmptyIndex) {
  m_slots[1].sectionCount = 4;
  EXPECT_FALSE(loadZavDatNEW(1));
  EXPECT_EQ(m_slots[1].sectionCount, 0);
  EXPECT_FALSE(QFile::exists(m_settings.zavDatFileName[1]));
  EXPECT_TRUE(m_log.text().isEmpty());
}

TEST_F(DataFile, OpeningAMissingFileCreatesItEmpty) {
  openOutZavDat();
  EXPECT_GT(m_recorder.fileNumber(), 0);
  EXPECT_TRUE(m_log.contains("adding to empty Zav file"));
  EXPECT_EQ(m_recorder.header().version, 1003000);
  EXPECT_EQ(m_recorder.header().records, 0);
  appendReading(5, kDay, 2, 77);
  appendReading(6, kDay + 0.001, 2, 77);
  EXPECT_EQ(m_recorder.headPos(), 1);
  EXPECT_EQ(m_recorder.recordPos(), 1 + 38 + 18);
  // Header and records on disk; the header says 0 records while the section is open.
  ZavBytes want;
  want.header(dateNow(), 0, 2, 1003000, 77).record(kDay, 5, 50, 1).record(kDay + 0.001, 6, 60, 1);
  EXPECT_EQ(readTextFile(m_path).toHex(), want.b.toHex());
  closeOutZavDat();
  EXPECT_EQ(m_recorder.fileNumber(), 0);
  EXPECT_TRUE(m_log.contains("saving header new records=2 and closing zavOutFile Nr: 1"));
  EXPECT_EQ(readTextFile(m_path).mid(34, 4).toHex(), QByteArray("02000000"));
}

// A PC clock outside 1990-2200 (no clock battery, before the time is set):
// no reading is recorded, the message window says so once, and again when
// the clock is right and recording goes on. A section opened meanwhile keeps
// its header's date (the text log's on-line marker has it too) and the file's
// time begins with its first reading.
TEST_F(DataFile, NoReadingIsRecordedWhileTheClockIsWrong) {
  const Date y1980 = 29221.5;
  setDateClockForTests([] { return QDateTime(QDate(1980, 1, 1), QTime(12, 0, 0)); });
  openOutZavDat();
  ASSERT_GT(m_recorder.fileNumber(), 0);
  for (int count = 1; count <= 3; ++count) EXPECT_EQ(append(count, y1980 + count / 86400.0).valueOr(true), false);
  EXPECT_EQ(m_log.text().count("the PC clock says 1980-01-01 12:00:01: no reading is recorded until it is set "
                               "to a date of 1990-2200"),
            1)
      << m_log.text().toStdString();
  EXPECT_EQ(QFile(m_path).size(), 0);
  ASSERT_TRUE(append(4, kDay).valueOr(false));
  EXPECT_TRUE(m_log.contains("the PC clock says 2024-03-01 12:00:00: recording goes on"));
  EXPECT_FALSE(append(5, 109940).valueOr(true));  // 2201-01-01 00:00:00
  ASSERT_TRUE(append(6, 109940 - 1.0 / 86400).valueOr(false));  // 2200-12-31 23:59:59
  EXPECT_EQ(m_log.text().count(": no reading is recorded until"), 2);
  closeOutZavDat();
  ZavBytes want;
  want.header(29221.5, 2).record(kDay, 4, 40, 1).record(109940 - 1.0 / 86400, 6, 60, 1);
  EXPECT_EQ(readTextFile(m_path).toHex(), want.b.toHex());
  EXPECT_TRUE(loadZavDatNEW(0)) << m_log.text().toStdString();
  EXPECT_EQ(m_slots[0].recordCount, 2);
  EXPECT_EQ(m_slots[0].firstRecordTime, kDay);
}

// Meter constants corrected while recording: the open section keeps those its
// readings were counted with, the next reading starts one with the new ones.
// A section's count that may not have reached the disk (a file system without
// a sync) is said, and recording goes on behind it.
TEST_F(DataFile, ASyncThatFailsStopsNoRecording) {
  openOutZavDat();
  appendReading(1, kDay);
  zavio::failDataSyncsForTest(EINVAL);
  appendReading(2, kDay + 0.001, 3);  // a new reset count ends the section
  appendReading(3, kDay + 0.002, 3);
  zavio::failDataSyncsForTest(0);
  EXPECT_TRUE(m_recorder.isOpen());
  EXPECT_TRUE(m_log.contains("newMeterCount: ERROR the section count at position=1 may not have reached the disk: "))
      << m_log.text().toStdString();
  closeOutZavDat();
  EXPECT_TRUE(loadZavDatNEW(0));
  EXPECT_EQ(m_slots[0].recordCount, 3);
}

TEST_F(DataFile, NewMeterConstantsWhileRecordingStartASection) {
  openOutZavDat();
  appendReading(1, kDay);
  appendReading(2, kDay + 0.001);
  m_settings.WsPerCount = 359.6;  // 10,000 per kWh, as typed
  m_recorder.setMeterConstants(m_settings);
  EXPECT_TRUE(m_log.contains("ticksPerSec=62500  WsPerCount=360: the next reading starts a new section"));
  appendReading(3, kDay + 0.002);
  m_recorder.setMeterConstants(m_settings);  // the same again: nothing new
  appendReading(4, kDay + 0.003);
  closeOutZavDat();
  ZavBytes want;
  want.header(dateNow(), 2).record(kDay, 1, 10, 1).record(kDay + 0.001, 2, 20, 1);
  want.header(kDay + 0.002, 2).record(kDay + 0.002, 3, 30, 1).record(kDay + 0.003, 4, 40, 1);
  want.b.replace(56 + 18 + 24, 4, ZavBytes().i32(360).b);
  EXPECT_EQ(readTextFile(m_path).toHex(), want.b.toHex());
}

// An earlier program recorded what the clock said: a section opened in 1980
// with readings dated 1980 before the clock was set holds its later readings.
TEST_F(DataFile, ReadingsBehindOnesDatedByAWrongClockAreKept) {
  for (const int wrong : {1, 6}) {
    ZavBytes z;
    z.header(29221.5, 0);
    for (int i = 0; i < wrong; ++i) z.record(29221.5 + i / 86400.0, 10 + i, 0);
    for (int i = 0; i < 3; ++i) z.record(kDay + i / 86400.0, 20 + i, 0);
    writeTextFile(m_path, z.b);
    m_log.clear();
    EXPECT_FALSE(loadZavDatNEW(0)) << wrong;
    EXPECT_EQ(m_slots[0].recordCount, 3) << wrong << m_log.text().toStdString();
    EXPECT_EQ(recordFilePos(m_slots[0], 1), 1 + 38 + wrong * 18) << wrong;
    EXPECT_EQ(m_slots[0].firstRecordTime, kDay) << wrong;
    EXPECT_TRUE(m_log.contains(QStringLiteral("passed over %1 records that are no reading").arg(wrong))) << wrong;
  }
}

TEST_F(DataFile, ReopeningRepairsTheOpenSectionAndAppendsANewOne) {
  writeTextFile(m_path, openSection(2));
  openOutZavDat();
  ASSERT_GT(m_recorder.fileNumber(), 0);
  EXPECT_TRUE(m_log.contains("adding to existing file version:1003000"));
  EXPECT_TRUE(m_log.contains("adjusting last section records count=2"));
  EXPECT_EQ(readTextFile(m_path).mid(34, 4).toHex(), QByteArray("02000000"));
  const qint64 oldLength = readTextFile(m_path).size();
  appendReading(9, kDay + 1);
  EXPECT_EQ(m_recorder.headPos(), oldLength + 1);
  EXPECT_EQ(m_slots[0].sectionCount, 2);
  EXPECT_EQ(m_slots[0].sections[1].endRecord(), 3);
  closeOutZavDat();
  EXPECT_TRUE(loadZavDatNEW(0));
  EXPECT_EQ(m_slots[0].recordCount, 3);
}

TEST_F(DataFile, RefusesFilesItCannotAppendTo) {
  writeTextFile(m_path, QByteArray(50, 'x'));
  openOutZavDat();
  EXPECT_EQ(m_recorder.fileNumber(), 0);
  EXPECT_TRUE(m_log.contains("file size error0"));
  EXPECT_EQ(readTextFile(m_path), QByteArray(50, 'x'));
}

// The caption of a refused file says what the loader found wrong.
TEST_F(DataFile, RefusedFileGivesTheLoadersReason) {
  ZavBytes newer, garbage;
  newer.header(kDay, 1, 0, 1004000).record(kDay, 1, 1);
  garbage.header(kDay, 1, 0, 1003000).record(kDay, 1, 1).header(kDay, 3, 0, 1003000);  // 3 records missing
  garbage.b.remove(0, 38 + 18);
  const struct {
    const char* name;
    QByteArray bytes;
    QString reason;
  } rows[] = {
      {"newer program", newer.b, "unsupported file version:1004000"},
      {"no header", QByteArray(50, 'x'), "unsupported file version:2021161080"},
      {"records missing", garbage.b, "Error records=3 do not fit in remainingBytes=0"},
      // Longer than one first write: not what a lost one leaves.
      {"a date and zeros", ZavBytes().date(kDay).b + QByteArray(50, '\0'), "unsupported file version:0"},
      // Our header with a reading off its grid: another program's.
      {"a reading behind our header", ZavBytes().header(kDay, 0).b + "xxxxx" + ZavBytes().record(kDay, 1, 1).b,
       "Error no reading at position=39: dated 1899-12-30"},
  };
  for (const auto& r : rows) {
    writeTextFile(m_path, r.bytes);
    openOutZavDat();
    EXPECT_EQ(m_recorder.fileNumber(), 0) << r.name;
    EXPECT_EQ(m_recorder.problem(), m_path + ": " + r.reason) << r.name;
    EXPECT_EQ(readTextFile(m_path), r.bytes) << r.name;
  }
  writeTextFile(m_path, ZavBytes().header(kDay, 1).record(kDay, 1, 1).b);
  openOutZavDat();
  EXPECT_GT(m_recorder.fileNumber(), 0);
  EXPECT_TRUE(m_recorder.problem().isEmpty());
  closeOutZavDat();
}

TEST_F(DataFile, ClosingWhenNothingIsOpenIsReported) {
  closeOutZavDat();
  EXPECT_TRUE(m_log.contains("zavOutFile Nr: 0 is not open"));
}

TEST_F(DataFile, NoNewRecordsLeavesTheFileAsItWas) {
  ZavBytes z;
  z.header(kDay, 1).record(kDay, 1, 1);
  writeTextFile(m_path, z.b);
  openOutZavDat();
  closeOutZavDat();
  EXPECT_TRUE(m_log.contains("no new records, closing zavOutFile Nr: 1"));
  EXPECT_EQ(readTextFile(m_path), z.b);
}

TEST_F(DataFile, FailedWriteIsReportedAndClosesTheFile) {
  m_settings.zavDatFileName[0] = "/dev/full";
  openOutZavDat();
  ASSERT_GT(m_recorder.fileNumber(), 0);
  const Result<bool> written = append(1, kDay);
  EXPECT_FALSE(written.ok());
  EXPECT_EQ(m_recorder.fileNumber(), 0);
  EXPECT_TRUE(written.error().startsWith("writing data file /dev/full"));
  EXPECT_EQ(m_slots[0].recordCount, 0);
}

// Each step of the recorder that fails gives back why, in the words the log takes.
TEST_F(DataFile, StepsThatFailSayWhy) {
  EXPECT_EQ(m_recorder.close().error(), "zavOutFile Nr: 0 is not open");
  EXPECT_EQ(append(1, kDay).error(), "no data file open");
  writeTextFile(m_path, QByteArray(50, 'x'));
  const Result<> refused = m_recorder.open(m_settings);
  EXPECT_EQ(refused.error(), "file size error0\n");
  EXPECT_EQ(m_recorder.problem(), m_path + ": unsupported file version:2021161080");
  EXPECT_FALSE(m_log.contains("file size error0"));  // the caller logs it
  ASSERT_TRUE(QFile::remove(m_path));
  ASSERT_TRUE(m_recorder.open(m_settings).ok());
  EXPECT_TRUE(m_recorder.problem().isEmpty());
}

TEST(DataFileText, FormatMsGroupsInThousands) {
  EXPECT_EQ(formatMs(1234567), "1.234.567");
  EXPECT_EQ(formatMs(5), "0.0.5");
}

}  // namespace
