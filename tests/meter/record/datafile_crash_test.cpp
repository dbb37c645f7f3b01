// Data file after a kill: a file cut at any byte is repaired on the next
// opening for recording, keeps every complete record and takes new ones.
#include "tests/meter/record/datafile_fixture.h"

namespace {

class DataFileCrash : public DataFileTest {
 protected:
  // Opens, records one reading, closes and reloads; returns the records read.
  int32_t recordOneAndReload() {
    openOutZavDat();
    EXPECT_GT(m_recorder.fileNumber(), 0);
    if (m_recorder.fileNumber() <= 0) return -1;
    EXPECT_TRUE(append(999, kDay + 2).ok());
    closeOutZavDat();
    EXPECT_TRUE(loadZavDatNEW(0)) << m_log.text().toStdString();
    return m_slots[0].recordCount;
  }
};

TEST_F(DataFileCrash, PartialRecordAtEveryOffsetIsCutAndLogged) {
  ZavBytes z;
  z.header(kDay, 0).record(kDay, 1, 1).record(kDay, 2, 2).record(kDay, 3, 3);
  const QByteArray whole = ZavBytes(z).record(kDay, 4, 4).b;
  for (int part = 1; part < kRecordBytes; ++part) {
    writeTextFile(m_path, whole.left(z.b.size() + part));
    m_log.clear();
    EXPECT_EQ(recordOneAndReload(), 4) << part;
    EXPECT_TRUE(m_log.contains("torn tail cut: a partial record of " + QString::number(part) + " bytes"))
        << m_log.text().toStdString();
    EXPECT_EQ(m_slots[0].sectionCount, 2);
    EXPECT_EQ(m_slots[0].sectionHeaders[1].records, 3);
  }
}

TEST_F(DataFileCrash, EmptyHeaderAtTheEndIsCut) {
  ZavBytes z;
  z.header(kDay, 2).record(kDay, 1, 1).record(kDay, 2, 2).header(kDay + 1, 0);
  writeTextFile(m_path, z.b);
  EXPECT_EQ(recordOneAndReload(), 3);
  EXPECT_TRUE(m_log.contains("a section header with 0 records and nothing behind it at position=75"));
  EXPECT_EQ(m_slots[0].sectionFilePos[2], 75);
}

TEST_F(DataFileCrash, KillAtAnyByteKeepsEveryCompleteRecord) {
  // What a run killed while recording leaves: closed sections with their
  // counts, then the open section (0 records on its header) cut at any byte.
  const int counts[] = {2, 1, 3};
  for (int open = 0; open < 3; ++open) {
    ZavBytes closed;
    int closedRecords = 0;
    for (int s = 0; s < open; ++s) {
      closed.header(kDay + s, counts[s], s + 1);
      for (int i = 0; i < counts[s]; ++i) closed.record(kDay + s, 10 * s + i, i);
      closedRecords += counts[s];
    }
    ZavBytes last = closed;
    last.header(kDay + open, 0, open + 1);
    for (int i = 0; i < counts[open]; ++i) last.record(kDay + open, 10 * open + i, i);
    for (int len = closed.b.size() + (open ? 0 : 1); len <= last.b.size(); ++len) {
      writeTextFile(m_path, last.b.left(len));
      m_log.clear();
      const int body = len - closed.b.size() - 38;
      const int kept = body < 0 ? 0 : body / 18;
      EXPECT_EQ(recordOneAndReload(), closedRecords + kept + 1) << "section " << open << " cut at " << len;
    }
  }
}

// Only what a torn write can leave is cut: bytes at the end that are no
// header's start, and records a count leaves out, stay; recording goes on behind them.
TEST_F(DataFileCrash, EndThatNoTornWriteLeftStays) {
  ZavBytes closed;
  closed.header(kDay, 1).record(kDay, 1, 1);
  const struct {
    const char* what;
    QByteArray file;
  } rows[] = {
      {"18 zero bytes", closed.b + QByteArray(18, '\0')},
      {"20 stray bytes", closed.b + QByteArray(20, '\x5A')},
      {"a record the count leaves out", ZavBytes(closed).record(kDay, 2, 2).b},
  };
  for (const auto& r : rows) {
    writeTextFile(m_path, r.file);
    m_log.clear();
    openOutZavDat();
    ASSERT_GT(m_recorder.fileNumber(), 0) << r.what;
    ASSERT_TRUE(append(999, kDay + 2).ok());
    closeOutZavDat();
    EXPECT_FALSE(m_log.contains("torn tail cut")) << r.what;
    EXPECT_EQ(readTextFile(m_path).left(r.file.size()), r.file) << r.what;
    loadZavDatNEW(0);
    EXPECT_EQ(m_slots[0].sectionCount, 2) << r.what;
    EXPECT_EQ(m_slots[0].sectionFilePos[2], r.file.size() + 1) << r.what;
  }
}

TEST_F(DataFileCrash, EmptyHeaderWithSectionsBehindItIsNoTornTail) {
  // An older program appended behind a header left empty by a kill.
  ZavBytes z;
  z.header(kDay, 1).record(kDay, 1, 1).header(kDay + 1, 0).header(kDay + 2, 2).record(kDay + 2, 5, 5);
  z.record(kDay + 2, 6, 6);
  writeTextFile(m_path, z.b);
  openOutZavDat();
  ASSERT_GT(m_recorder.fileNumber(), 0);
  closeOutZavDat();
  EXPECT_EQ(readTextFile(m_path), z.b);
  EXPECT_FALSE(m_log.contains("torn tail cut")) << m_log.text().toStdString();
}

}  // namespace
