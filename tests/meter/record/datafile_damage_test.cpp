// Data file with damage in the middle: the loader reads on at the next section
// header, the recorder cuts nothing but a torn tail at the very end and appends
// behind the last section, and the other copy of the program touches nothing.
#include <sys/file.h>

#include <QFile>

#include "tests/meter/record/datafile_fixture.h"

namespace {

class DataFileDamage : public DataFileTest {
 protected:
  static ZavBytes& section(ZavBytes& z, int day, int records, bool closed = true) {
    z.header(kDay + day, closed ? records : 0, day);
    for (int i = 0; i < records; ++i) z.record(kDay + day + i / 1440.0, 100 * day + i, 1000 * i, 7);
    return z;
  }
  // Opens for recording, records one reading, closes.
  void recordOne() {
    openOutZavDat();
    ASSERT_GT(m_recorder.fileNumber(), 0) << m_log.text().toStdString();
    ASSERT_TRUE(append(999, kDay + 9).ok());
    closeOutZavDat();
  }
  std::vector<int32_t> recordsPerSection() const { return readingsPerSection(m_slots[0]); }
};

TEST_F(DataFileDamage, LoaderReadsOnBehindDamageAndRecordingGoesOnAtTheEnd) {
  const QByteArray stray("\x01\x02\x03\x04\x05\x06\x07", 7);
  struct Row {
    const char* what;
    QByteArray before, damage, after;
    std::vector<int32_t> sections;  // records per section the loader finds
  };
  ZavBytes first, open2, closed2, last;
  section(first, 1, 2);
  section(closed2, 2, 3);
  section(open2, 2, 3, false);
  section(last, 3, 4);
  std::vector<Row> rows = {
      Row{"closed section, stray bytes", first.b + closed2.b, stray, last.b, {2, 3, 4}},
      Row{"open section, stray bytes", first.b + open2.b, stray, last.b, {2, 3, 4}},
      Row{"unsupported version", first.b, ZavBytes().header(kDay + 2, 1, 2, 1001000).record(kDay, 1, 1).b,
          last.b, {2, 4}},
      // Read where a header should be, these give a header of 0 records.
      Row{"18 zero bytes", first.b, QByteArray(18, '\0'), closed2.b + last.b, {2, 3, 4}},
      Row{"a 4 KiB block of zeros", first.b, QByteArray(4096, '\0'), closed2.b + last.b, {2, 3, 4}},
  };
  for (int n : {4, 5, 6, 7, 8, 19}) {
    rows.push_back(Row{"stray bytes before two sections", first.b, QByteArray(n, '\xE7'), closed2.b + last.b,
                       {2, 3, 4}});
  }
  for (const Row& r : rows) {
    const QByteArray file = r.before + r.damage + r.after;
    writeTextFile(m_path, file);
    m_log.clear();
    // Read on its own, the index is the same, and nothing is logged.
    const Result<DataFileIndexRead> alone = readDataFileIndex(m_path);
    ASSERT_TRUE(alone.ok()) << r.what;
    EXPECT_FALSE(alone->whole) << r.what;
    EXPECT_EQ(alone->skipped.size(), 1) << r.what;
    EXPECT_TRUE(m_log.text().isEmpty()) << r.what;
    EXPECT_FALSE(loadZavDatNEW(0)) << r.what << r.damage.size();  // not whole, but every section is reachable
    EXPECT_EQ(sectionPositions(alone->index), sectionPositions(m_slots[0])) << r.what;
    EXPECT_EQ(readingsPerSection(alone->index), readingsPerSection(m_slots[0])) << r.what;
    EXPECT_EQ(recordsPerSection(), r.sections) << r.what << r.damage.size() << m_log.text().toStdString();
    EXPECT_EQ(sectionPositions(m_slots[0]).last(), file.size() - last.b.size() + 1)
        << r.what;
    EXPECT_TRUE(sectionPositions(m_slots[0]).contains(r.before.size() + r.damage.size() + 1)) << r.what;
    EXPECT_EQ(m_log.text().count("ERROR loadZavDatNEW: ERROR skipped "), 1) << r.what << m_log.text().toStdString();

    recordOne();
    const QByteArray now = readTextFile(m_path);
    EXPECT_EQ(now.left(file.size()).toHex(), file.toHex()) << r.what;  // nothing before the end changed
    EXPECT_EQ(now.size(), file.size() + 38 + 18) << r.what;
    EXPECT_FALSE(m_log.contains("torn tail cut")) << r.what;
    loadZavDatNEW(0);
    std::vector<int32_t> want = r.sections;
    want.push_back(1);
    EXPECT_EQ(recordsPerSection(), want) << r.what;
  }
}

// Each damaged stretch is named on a line of its own, a count that reaches
// into the next header is cut there, stray bytes before the first header are
// passed over like any damage (recording behind them: the sweep).
TEST_F(DataFileDamage, EveryGoodSectionIsReachedWhateverLiesAroundIt) {
  const QByteArray stray7(7, '\x5A'), stray40(40, '\xE7');
  ZavBytes s1, s3, count5, count4, count1000;
  section(s1, 1, 3);  // 92 bytes
  section(s3, 3, 4);
  count5.header(kDay + 2, 5, 2).record(kDay + 2, 1, 1).record(kDay + 2.1, 2, 2).record(kDay + 2.2, 3, 3);
  count4.b = count5.b;
  count4.b[34] = 4;
  count1000.header(kDay + 2, 1000, 2).record(kDay + 2, 1, 1).record(kDay + 2, 2, 2);
  struct Row {
    const char* what;
    QByteArray file;
    std::vector<int64_t> at;  // where the sections lie
    std::vector<int32_t> records;
    QStringList lines;  // the lines logged for the damage, in order
  };
  const QString skip =
      QStringLiteral("skipped %1 bytes at position=%2 (%3); reading on at the section header at position=%4");
  const QString version = QStringLiteral("Error unsupported section version:");
  ZavBytes s2z;
  const QByteArray s2 = section(s2z, 2, 2).b;
  const std::vector<Row> rows = {
      {"a section between two damaged stretches",
       s1.b + stray7 + s2 + stray40 + s3.b,
       {1, 100, 214},
       {3, 2, 4},
       {skip.arg(7).arg(93).arg(version + "1342177280").arg(100),
        skip.arg(40).arg(174).arg(version + "-404232217").arg(214)}},
      {"a count of 5 where 3 records follow",
       s1.b + count5.b + s3.b,
       {1, 93, 185},
       {3, 3, 4},
       {"records=5 at position=93 not believed: the section header at position=185 follows record 3"}},
      {"a count of 4 where 3 records follow",
       s1.b + count4.b + s3.b,
       {1, 93, 185},
       {3, 3, 4},
       {"records=4 at position=93 not believed: the section header at position=185 follows record 3"}},
      {"a count of 1000 where 2 records follow",
       s1.b + count1000.b + s3.b,
       {1, 93, 167},
       {3, 2, 4},
       {"records=1000 at position=93 not believed: the section header at position=167 follows record 2"}},
      {"5 stray bytes before the first section",
       QByteArray(5, '\xE7') + s1.b + s3.b,
       {6, 98},
       {3, 4},
       {skip.arg(5).arg(1).arg(version + "-433770496").arg(6)}},
      {"19 stray bytes before the first section",
       QByteArray(19, '\xE7') + s1.b + s3.b,
       {20, 112},
       {3, 4},
       {skip.arg(19).arg(1).arg(version + "-404232217").arg(20)}},
  };
  for (const Row& r : rows) {
    writeTextFile(m_path, r.file);
    m_log.clear();
    const Result<DataFileIndexRead> alone = readDataFileIndex(m_path);
    ASSERT_TRUE(alone.ok()) << r.what;
    EXPECT_EQ(alone->skipped.join('\n').toStdString(),
              ("loadZavDatNEW: ERROR " + r.lines.join("\nloadZavDatNEW: ERROR ")).toStdString())
        << r.what;
    EXPECT_EQ(sectionPositions(alone->index), QVector<int64_t>(r.at.begin(), r.at.end())) << r.what;
    loadZavDatNEW(0);  // as the recorder reads it
    EXPECT_EQ(recordsPerSection(), r.records) << r.what;
    EXPECT_EQ(sectionPositions(m_slots[0]), sectionPositions(alone->index)) << r.what;
  }
}

TEST_F(DataFileDamage, TornTailBehindDamageIsStillCut) {
  ZavBytes z;
  section(z, 1, 2);
  z.b += QByteArray(5, '\x55');
  section(z, 2, 2, false);
  const QByteArray whole = z.b;
  writeTextFile(m_path, whole + ZavBytes().record(kDay + 2, 300, 3).b.left(9));
  recordOne();
  EXPECT_TRUE(m_log.contains("torn tail cut: a partial record of 9 bytes")) << m_log.text().toStdString();
  EXPECT_EQ(readTextFile(m_path).left(whole.size() - 2 * 18 - 38).toHex(),
            whole.left(whole.size() - 2 * 18 - 38).toHex());
  loadZavDatNEW(0);
  EXPECT_EQ(recordsPerSection(), (std::vector<int32_t>{2, 2, 1}));
}

TEST_F(DataFileDamage, FileHeldByAnotherProgramIsNeitherRepairedNorRecorded) {
  ZavBytes z;
  section(z, 1, 2, false);
  z.b += QByteArray(4, '\x11');  // a torn record the holder may still complete
  writeTextFile(m_path, z.b);
  // Another program: its own open file description with the lock.
  QFile other(m_path);
  ASSERT_TRUE(other.open(QIODevice::ReadWrite));
  ASSERT_EQ(::flock(other.handle(), LOCK_EX | LOCK_NB), 0);
  openOutZavDat();
  EXPECT_EQ(m_recorder.fileNumber(), 0);
  EXPECT_EQ(m_recorder.problem(), m_path + ": in use by another program");
  EXPECT_TRUE(m_log.contains("ERROR cannot open file: in use by another program - nothing is recorded"));
  EXPECT_EQ(readTextFile(m_path), z.b);
  other.close();
  openOutZavDat();
  EXPECT_GT(m_recorder.fileNumber(), 0);
  EXPECT_TRUE(m_recorder.problem().isEmpty());
}

TEST_F(DataFileDamage, TextLogHeldByAnotherProgramStopsRecordingToo) {
  m_settings.zavLogFileName = m_dir.filePath("zavLog.TXT");
  m_settings.writeToZAVtextFile = true;
  const QString logName = m_settings.zavLogFileName;
  writeTextFile(logName, "2024-03-01 12:00:00 0000012346 00000250\r\n");
  QFile other(logName);
  ASSERT_TRUE(other.open(QIODevice::ReadWrite));
  ASSERT_EQ(::flock(other.handle(), LOCK_EX | LOCK_NB), 0);
  openOutZavDat();
  EXPECT_EQ(m_recorder.fileNumber(), 0);
  EXPECT_TRUE(m_recorder.problem().endsWith("zavLog.TXT is in use by another program"));
  const Result<> refused = m_textLog.write(kDay, 5000, -2, false);
  EXPECT_EQ(readTextFile(logName), "2024-03-01 12:00:00 0000012346 00000250\r\n");
  EXPECT_TRUE(refused.error().endsWith("is in use by another program: nothing written"));
  EXPECT_EQ(QFile(m_path).size(), 0);  // created empty by the open, nothing written
  other.close();
  // recording: the text log stays locked between lines
  ASSERT_TRUE(m_textLog.write(kDay, 5000, -2, true).ok());
  EXPECT_EQ(readTextFile(logName).count('\n'), 2);
  QFile third(logName);
  ASSERT_TRUE(third.open(QIODevice::ReadWrite));
  EXPECT_NE(::flock(third.handle(), LOCK_EX | LOCK_NB), 0);
  // the off-line marker frees it for another copy
  ASSERT_TRUE(m_textLog.write(kDay, 5000, -4, false).ok());
  EXPECT_EQ(::flock(third.handle(), LOCK_EX | LOCK_NB), 0);
}

TEST_F(DataFileDamage, OpenErrorNamesTheFileAndTheReason) {
  m_settings.zavDatFileName[0] = m_dir.filePath("missing/pwrData.ZAV");
  openOutZavDat();
  EXPECT_EQ(m_recorder.fileNumber(), 0);
  EXPECT_EQ(m_recorder.problem(), m_settings.zavDatFileName[0] + ": No such file or directory");
}

}  // namespace

TEST_F(DataFileDamage, IndexReadAloneCreatesNothingAndReadsAFileBeingRecorded) {
  const Result<DataFileIndexRead> missing = readDataFileIndex(m_path);
  EXPECT_FALSE(missing.ok());
  EXPECT_EQ(missing.error(), "No such file or directory");
  EXPECT_FALSE(QFile::exists(m_path));

  ZavBytes z;
  writeTextFile(m_path, section(z, 1, 2).b);
  openOutZavDat();  // holds the exclusive lock
  ASSERT_GT(m_recorder.fileNumber(), 0);
  ASSERT_TRUE(append(999, kDay + 9).ok());
  const Result<DataFileIndexRead> read = readDataFileIndex(m_path);
  ASSERT_TRUE(read.ok()) << read.error().toStdString();
  EXPECT_TRUE(read->whole) << read->report.toStdString();
  EXPECT_EQ(read->index.sectionCount, 2);
  EXPECT_EQ(read->index.recordCount, 3);
  EXPECT_EQ(read->index.lastRecordTime, kDay + 9);
}

// Damage inside a section costs the damaged records alone: the records behind
// them are read on, as runs of the same section, and recording cuts nothing.
// So does damage to a section's first records, however many, behind another
// section's count as in the middle of a file or at its end.
TEST_F(DataFileDamage, DamagedRecordsInASectionHideNoOther) {
  constexpr int kRecords = 40;
  struct Row {
    QString what;
    bool open;
    int from, n;  // the records damaged
    void (*damage)(QByteArray& record);
    bool kept;  // a damaged record is still dated as a reading
    bool behind = false;  // behind another section
    bool last = false;    // no section behind it (an open one never has one)
  };
  const auto zero = [](QByteArray& r) { r.fill('\0'); };
  const auto stray = [](QByteArray& r) { r.fill('\xA7'); };
  std::vector<Row> rows = {
      {"3 records in the middle zeroed", false, 5, 3, zero, false},
      {"3 records in the middle stray bytes", false, 5, 3, stray, false},
      {"36 zero bytes over 2 records", false, 3, 2, zero, false},
      {"a flipped bit in a count", false, 6, 1, [](QByteArray& r) { r[11] = char(r[11] ^ 0x40); }, true},
      {"a flipped bit in a date's exponent", false, 6, 1, [](QByteArray& r) { r[7] = char(r[7] ^ 0x20); },
       false},
      {"the last record zeroed in front of the next section", false, kRecords - 1, 1, zero, false},
      {"3 records zeroed in an open section", true, 4, 3, zero, false},
  };
  for (const int closing : {0, 1, 2}) {  // closed with a section behind it, closed and last, open
    const bool open = closing == 2;
    for (const int n : {1, 3, 4, 5, 8, 30}) {
      for (const bool behind : {false, true}) {
        for (const bool zeros : {true, false}) {
          rows.push_back({QStringLiteral("the first %1 records %2 of %3 section %4")
                              .arg(n)
                              .arg(zeros ? "zeroed" : "stray bytes")
                              .arg(open ? "the open last" : closing == 1 ? "the closed last" : "a closed")
                              .arg(behind ? "behind another" : "at the start"),
                          open, 0, n, zeros ? +zero : +stray, false, behind, closing > 0});
        }
      }
    }
  }
  for (const Row& r : rows) {
    ZavBytes z;
    if (r.behind) section(z, 0, 2);
    const qsizetype base = z.b.size();
    const auto at = [&](int i) { return base + 38 + 18 * i; };  // 0-based offset of record i
    section(z, 1, kRecords, !r.open);
    for (int i = r.from; i < r.from + r.n; ++i) {
      QByteArray record = z.b.mid(at(i), 18);
      r.damage(record);
      z.b.replace(at(i), 18, record);
    }
    ZavBytes next;
    if (!r.open && !r.last) section(next, 2, 2);
    const QByteArray file = z.b + next.b;
    writeTextFile(m_path, file);
    m_log.clear();
    EXPECT_EQ(loadZavDatNEW(0), r.kept) << r.what.toStdString();
    const dataFileIndex& ix = m_slots[0];
    QList<int64_t> read;
    for (int i = 1; i <= ix.recordCount; ++i) read << recordFilePos(ix, i);
    QList<int64_t> want;
    if (r.behind) want << 38 + 1 << 38 + 18 + 1;
    for (int i = 0; i < kRecords; ++i)
      if (r.kept || i < r.from || i >= r.from + r.n) want << at(i) + 1;
    if (!next.b.isEmpty()) want << z.b.size() + 38 + 1 << z.b.size() + 38 + 18 + 1;
    EXPECT_EQ(read, want) << r.what.toStdString() << "\n" << m_log.text().toStdString();
    EXPECT_EQ(m_log.contains(QStringLiteral("no reading at position=%1: dated ").arg(at(r.from) + 1)), !r.kept)
        << r.what.toStdString() << "\n" << m_log.text().toStdString();
    // The damaged section is held, and numbered in the report, once.
    const int sections = (r.behind ? 1 : 0) + 1 + (next.b.isEmpty() ? 0 : 1);
    EXPECT_EQ(ix.sectionCount, sections) << r.what.toStdString();
    const int32_t damaged = r.behind ? 2 : 1;
    EXPECT_EQ(ix.sectionFilePos(damaged), base + 1) << r.what.toStdString();
    EXPECT_EQ(ix.sectionHeaders(damaged).records, ix.sectionEndRecord(damaged) - ix.sectionEndRecord(damaged - 1))
        << r.what.toStdString();
    EXPECT_EQ(ix.sectionEndRecord(damaged), (r.behind ? 2 : 0) + (r.kept ? kRecords : kRecords - r.n))
        << r.what.toStdString();
    EXPECT_TRUE(m_log.contains(QStringLiteral("fileSection:%1\n").arg(sections)) &&
                !m_log.contains(QStringLiteral("fileSection:%1\n").arg(sections + 1)))
        << r.what.toStdString() << "\n" << m_log.text().toStdString();

    recordOne();
    EXPECT_FALSE(m_log.contains("torn tail cut")) << r.what.toStdString();
    const QByteArray now = readTextFile(m_path);
    // An open section gets the count of its records up to the last reading.
    QByteArray closed = file;
    if (r.open) closed.replace(base + 34, 4, ZavBytes().i32(kRecords).b);
    EXPECT_EQ(now.left(file.size()).toHex(), closed.toHex()) << r.what.toStdString();
  }
}
