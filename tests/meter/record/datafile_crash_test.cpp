// Data file after a kill: a file cut at any byte is repaired on the next
// opening for recording, keeps every complete record and takes new ones.
#include "tests/meter/record/datafile_fixture.h"

namespace {

class DataFileCrash : public DataFileTest {
 protected:
  // Opens, records one reading, closes and reloads (whole unless damage was
  // kept); returns the records read.
  int32_t recordOneAndReload(bool damageKept = false) {
    openOutZavDat();
    EXPECT_GT(m_recorder.fileNumber(), 0);
    if (m_recorder.fileNumber() <= 0) return -1;
    EXPECT_TRUE(append(999, kDay + 2).ok());
    closeOutZavDat();
    EXPECT_EQ(loadZavDatNEW(0), !damageKept) << m_log.text().toStdString();
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
    EXPECT_EQ(m_slots[0].sections[0].readings(), 3);
  }
}

TEST_F(DataFileCrash, EmptyHeaderAtTheEndIsCut) {
  ZavBytes z;
  z.header(kDay, 2).record(kDay, 1, 1).record(kDay, 2, 2).header(kDay + 1, 0);
  writeTextFile(m_path, z.b);
  EXPECT_EQ(recordOneAndReload(), 3);
  EXPECT_TRUE(m_log.contains("a section header with 0 records and nothing behind it at position=75"));
  EXPECT_EQ(m_slots[0].sections[1].from, 75);
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

// What follows the last reading at the very end is cut before recording, with
// what it was; records that could still be readings of the last section and
// another version's section stay, and recording goes on behind them. The start
// of a header as this program writes it (the settings' sensor version and
// meter id) is a torn header, also where its first 18 bytes read as a reading.
TEST_F(DataFileCrash, WhatFollowsTheLastReadingIsCutUnlessItCouldBeReadings) {
  ZavBytes closed, open, count3, count5, zeroed, later;
  closed.header(kDay, 1).record(kDay, 1, 1);  // 56 bytes
  open.header(kDay, 0).record(kDay, 1, 1);
  const QByteArray own = ZavBytes().header(kDay + 1, 0).record(kDay + 1, 2, 2).b;
  const QString partial = QStringLiteral("a section header with 0 records and a partial record of %1 bytes");
  count3.header(kDay, 3).record(kDay, 1, 1);
  count5.header(kDay, 5).record(kDay, 1, 1).record(kDay, 2, 2);
  zeroed.record(0, 0, 0);
  later.header(kDay + 1, 1, 0, 1004000).record(kDay + 1, 9, 9);
  struct Row {
    QString what;
    QByteArray file;
    int64_t cutAt;  // 0: nothing cut
    QString logged;
    int readings;  // the index's before the new section
  };
  std::vector<Row> rows = {
      {"18 zero bytes", closed.b + QByteArray(18, '\0'), 57, "zero bytes behind the last reading", 1},
      {"4096 zero bytes behind an open section",
       ZavBytes().header(kDay, 0).record(kDay, 1, 1).b + QByteArray(4096, '\0'), 57,
       "zero bytes behind the last reading", 1},
      {"20 stray bytes", closed.b + QByteArray(20, '\x5A'), 57,
       "bytes behind the last reading that are no reading", 1},
      {"stray bytes where a count's last records were", count3.b + QByteArray(36, '\x5A'), 57,
       "bytes behind the last reading that are no reading (Error no reading at position=57: dated ", 1},
      {"a record the count leaves out", ZavBytes(closed).record(kDay, 2, 2).b, 0, {}, 1},
      {"readings behind a damaged one", count5.b + zeroed.b + ZavBytes().record(kDay, 4, 4).b, 0, {}, 3},
      {"another version's section", closed.b + later.b, 0, {}, 1},
      {"a record counting like the version, its timer no sensor version",
       open.b + ZavBytes().record(kDay, 1003000, 5).b, 0, {}, 2},
  };
  for (const int n : {18, 30, 45, 55}) {
    const QString logged = n < 38 ? QStringLiteral("a partial section header of %1 bytes").arg(n) : partial.arg(n - 38);
    for (const bool isOpen : {true, false}) {
      rows.push_back({QStringLiteral("%1 bytes of a header behind %2 section").arg(n).arg(isOpen ? "an open" : "a closed"),
                      (isOpen ? open : closed).b + own.left(n), 57, logged, 1});
    }
  }
  // What a lost first write of a section leaves, as the file's first section
  // and behind a closed one: its header goes whole with what follows it.
  const QByteArray header = own.left(38);
  const struct {
    const char* what;
    QByteArray behind;
  } lost[] = {
      {"1 zero record", QByteArray(18, '\0')},
      {"2 zero records", QByteArray(36, '\0')},
      {"zeros and a partial record", QByteArray(18, '\0') + own.mid(38, 7)},
      {"a record dated 1980", ZavBytes().record(29221.5, 1, 1).b},
      {"a reading like a header's start", ZavBytes().record(kDay + 1, 1003000, 24840, 0).b},
  };
  for (const auto& l : lost) {
    const QString logged = QStringLiteral("a section header with 0 records and %1 bytes behind it that hold no reading");
    for (const bool first : {true, false}) {
      rows.push_back({QStringLiteral("a header and %1%2").arg(l.what, first ? "" : ", behind a closed section"),
                      (first ? QByteArray() : closed.b) + header + l.behind, first ? 1 : 57,
                      logged.arg(l.behind.size()), first ? 0 : 1});
    }
  }
  // A count that runs past the end protects nothing at the end: a header torn
  // on its grid goes as behind an open section.
  for (const int n : {18, 30, 37})
    rows.push_back({QStringLiteral("%1 bytes of a header behind a count past the end").arg(n), count5.b + own.left(n), 75,
                    QStringLiteral("a partial section header of %1 bytes").arg(n), 2});
  // Six readings, the last `set` counting like the version, timed like the sensor
  // version, at the meter id's temperature: each reads as a header's first 18 bytes.
  // Within a count the file holds none goes; behind an open section or a count
  // that runs past the end only the last, as a torn header; a header torn behind
  // them goes alone, also off their grid.
  const QString piece18 = QStringLiteral("a partial section header of 18 bytes");
  for (const int set : {1, 2, 3}) {
    for (const int count : {0, 6, 8}) {
      ZavBytes six;
      six.header(kDay, count);
      for (int i = 0; i < 6; ++i) i < 6 - set ? six.record(kDay, i, i) : six.record(kDay, 1003000, 24840, 0);
      const QString what = QStringLiteral("%1 readings like a header's start, count %2").arg(set).arg(count);
      const bool toTheEnd = count != 6;
      rows.push_back({what, six.b, toTheEnd ? 129 : 0, toTheEnd ? piece18 : QString(), toTheEnd ? 5 : 6});
      if (count == 8) continue;
      rows.push_back({what + ", a torn header behind", six.b + own.left(18), 147, piece18, 6});
      if (count == 6)
        rows.push_back({what + ", 5 zeros and a torn header behind", six.b + QByteArray(5, '\0') + own.left(30), 147,
                        QStringLiteral("zero bytes behind the last reading and a partial section header of 30 bytes"), 6});
    }
  }
  for (const Row& r : rows) {
    writeTextFile(m_path, r.file);
    m_log.clear();
    // The register's walk takes as readings what the cut leaves.
    const DataFileWalk walk(m_path, ownHeaderOf(m_settings));
    int32_t walked = 0;
    for (const DataSection& s : walk.sections()) walked += s.readings();
    EXPECT_EQ(walked, r.readings) << r.what.toStdString();
    openOutZavDat();
    ASSERT_GT(m_recorder.fileNumber(), 0) << r.what.toStdString();
    EXPECT_EQ(m_slots[0].recordCount, r.readings) << r.what.toStdString();
    ASSERT_TRUE(append(999, kDay + 2).ok());
    closeOutZavDat();
    const int64_t kept = r.cutAt > 0 ? r.cutAt - 1 : r.file.size();
    EXPECT_EQ(m_log.contains("torn tail cut"), r.cutAt > 0) << r.what.toStdString();
    if (!r.logged.isEmpty()) {
      EXPECT_TRUE(m_log.contains(QStringLiteral("torn tail cut: ") + r.logged)) << m_log.text().toStdString();
      EXPECT_TRUE(m_log.contains(QStringLiteral("at position=%1  bytes cut=%2  fileLength=%3")
                                     .arg(r.cutAt)
                                     .arg(r.file.size() - kept)
                                     .arg(kept)))
          << r.what.toStdString();
    }
    // Only an open section's count changes before the cut.
    EXPECT_EQ(readTextFile(m_path).left(kept).mid(38), r.file.left(kept).mid(38)) << r.what.toStdString();
    loadZavDatNEW(0);
    const dataFileIndex& ix = m_slots[0];
    EXPECT_EQ(sectionPositions(ix).mid(0, ix.sectionCount - 1), QVector<int64_t>(ix.sectionCount - 1, 1)) << r.what.toStdString();
    EXPECT_EQ(sectionPositions(ix).value(ix.sectionCount - 1), kept + 1) << r.what.toStdString();
    EXPECT_EQ(ix.recordCount, r.readings + 1) << r.what.toStdString() << m_log.text().toStdString();
  }
}

// A new section's first write (its header and first record) lost, cut at any
// byte or zeroed from any byte on, in a new file and behind a closed section:
// what it left is cut and logged, recording goes on, and every later load
// finds the file whole.
TEST_F(DataFileCrash, FirstWriteLostAtAnyByteLeavesNothingOfIt) {
  const QByteArray write = ZavBytes().header(kDay + 1, 0).record(kDay + 1, 7, 7).b;
  const QByteArray closed = ZavBytes().header(kDay, 2).record(kDay, 1, 1).record(kDay, 2, 2).b;
  for (const QByteArray& before : {QByteArray(), closed}) {
    for (int k = 0; k <= write.size(); ++k) {
      for (const bool zeroed : {false, true}) {
        if (zeroed && k == write.size()) continue;
        writeTextFile(m_path, before + write.left(k) + (zeroed ? QByteArray(write.size() - k, '\0') : QByteArray()));
        m_log.clear();
        const bool reading = k == write.size() || (zeroed && k >= 46);  // its date is whole
        const std::string what = (before.isEmpty() ? "new file, " : "behind a closed section, ") +
                                 std::string(zeroed ? "zeroed from " : "cut at ") + std::to_string(k);
        EXPECT_EQ(recordOneAndReload(), (before.isEmpty() ? 0 : 2) + (reading ? 1 : 0) + 1) << what;
        EXPECT_EQ(m_log.contains("torn tail cut"), !reading && (zeroed || k > 0)) << what;
      }
    }
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
