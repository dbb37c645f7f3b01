// Periodic text log: line layout, the eight write rules, overwrite and read-back.
#include <QDir>
#include <QTemporaryDir>

#include "platform/tick_clock.h"
#include "tests/meter/record/textlog_fixture.h"
#include "tests/meter/record/zav_bytes.h"

namespace {

Date at(int h, int m, int s, int day = 1) {
  return dateFromDateTime(QDateTime(QDate(2024, 3, day), QTime(h, m, s)));
}

class TextLog : public TextLogFiles {
 protected:
  void SetUp() override {
    TextLogFiles::SetUp();
    m_settings.textFileWriteInterval = 3;      // 15 min
    m_settings.minTextFileSaveInterval = 1.0;  // one day
    m_settings.overWriteLast = false;
    apply();
  }
  const QString& zavLogFileName() const { return m_settings.zavLogFileName; }
  void writeLogLine(Date time, double energy, double power) { m_session.writeLogLine(time, energy, power); }
  void loadLastLogLine() { m_session.loadLastLogLine(); }
  // One of the text log's settings, taken at once.
  template <class T, class V>
  void set(T Settings::*member, V value) {
    m_settings.*member = value;
    apply();
  }
  QStringList lines() const {
    QString text = QString::fromUtf8(readTextFile(zavLogFileName()));
    EXPECT_TRUE(text.isEmpty() || text.endsWith("\r\n"));
    text.chop(2);
    return text.isEmpty() ? QStringList() : text.split("\r\n");
  }
};

TEST_F(TextLog, LineLayout) {
  EXPECT_EQ(textLogLine(at(14, 5, 9), 12345.6, 250.4), "2024-03-01 14:05:09 0000012346 00000250");
  EXPECT_EQ(textLogLine(at(14, 5, 9), 0, -5), "2024-03-01 14:05:09 0000000000 -0000005");
  EXPECT_EQ(textLogLine(at(0, 0, 0), 12345678901.0, 0), "2024-03-01 00:00:00 12345678901 00000000");
}

TEST_F(TextLog, RecordTextCarriesTheRawFields) {
  // The latest reading (a new reset count: stored, not counted).
  m_session.takeReading(Reading{.temperature = 0x50, .voltage = -3, .status = 0x12, .resetCount = 65538});
  writeLogLine(at(14, 5, 9), 12345.6, 250.4);
  EXPECT_EQ(m_web.zavRecordText(), "2024-03-01 14:05:09 0000012346 00000250 000080 -00003 000018 000002");
}

TEST_F(TextLog, IntervalBoundariesAppendAndOverwriteReplacesTheLastLine) {
  set(&Settings::overWriteLast, true);
  writeLogLine(at(14, 14, 0), 1000, 100);
  writeLogLine(at(14, 15, 0), 1001, 101);  // crosses the quarter hour
  writeLogLine(at(14, 16, 0), 1002, 102);  // within the span: replaces 14:15
  EXPECT_EQ(lines(), (QStringList{"2024-03-01 14:14:00 0000001000 00000100",
                                  "2024-03-01 14:16:00 0000001002 00000102"}));
  set(&Settings::overWriteLast, false);
  writeLogLine(at(14, 17, 0), 1003, 103);
  EXPECT_EQ(lines().size(), 2);
}

TEST_F(TextLog, EventsAlwaysAppendAndReopenTheSpan) {
  writeLogLine(at(14, 14, 0), 1000, 100);
  writeLogLine(at(14, 14, 5), 1000, -5);
  writeLogLine(at(14, 14, 9), 1000, 100);  // no line in this span yet: appended
  writeLogLine(at(14, 14, 20), 1000, 100);
  EXPECT_EQ(lines(),
            (QStringList{"2024-03-01 14:14:00 0000001000 00000100", "2024-03-01 14:14:05 0000001000 -0000005",
                         "2024-03-01 14:14:09 0000001000 00000100"}));
}

TEST_F(TextLog, WithoutMinimumSpanEveryReadingAppends) {
  set(&Settings::minTextFileSaveInterval, 0.0);
  set(&Settings::textFileWriteInterval, int16_t(9));
  for (int s = 0; s < 4; ++s) writeLogLine(at(10, 0, s), 5, 5);
  EXPECT_EQ(lines().size(), 4);
}

TEST_F(TextLog, MinimumSpanAndDailyInterval) {
  set(&Settings::textFileWriteInterval, int16_t(0));
  set(&Settings::minTextFileSaveInterval, 10.0 / 1440);  // 10 min
  writeLogLine(at(10, 0, 0), 1, 1);
  writeLogLine(at(10, 9, 59), 1, 1);
  writeLogLine(at(10, 10, 0), 1, 1);
  EXPECT_EQ(lines().size(), 2);
  set(&Settings::textFileWriteInterval, int16_t(9));
  set(&Settings::minTextFileSaveInterval, 1.0);
  writeLogLine(at(0, 0, 1, 2), 1, 1);  // next day
  EXPECT_EQ(lines().size(), 3);
}

TEST_F(TextLog, OffOrNamelessWritesNothing) {
  set(&Settings::writeToZAVtextFile, false);
  writeLogLine(at(10, 0, 0), 1, 1);
  set(&Settings::writeToZAVtextFile, true);
  set(&Settings::zavLogFileName, QString());
  writeLogLine(at(10, 0, 0), 1, 1);
  EXPECT_FALSE(QFile::exists(m_dir.filePath("zavLog.TXT")));
  EXPECT_FALSE(m_web.zavRecordText().isEmpty());
}

TEST_F(TextLog, OverwriteReplacesExactlyItsOwnLongerLine) {
  set(&Settings::overWriteLast, true);
  writeTextFile(zavLogFileName(), "earlier line written by someone else\r\n");
  writeLogLine(at(14, 15, 0), 12345678901.0, 1);  // 42-byte line
  writeLogLine(at(14, 16, 0), 2, 2);
  EXPECT_EQ(lines(),
            (QStringList{"earlier line written by someone else", "2024-03-01 14:16:00 0000000002 00000002"}));
}

TEST_F(TextLog, FailedWriteIsReportedAndRetried) {
  set(&Settings::zavLogFileName, m_dir.path());  // a directory cannot be written as a file
  writeLogLine(at(14, 15, 0), 1, 1);
  EXPECT_TRUE(m_log.contains("ERROR writeLogLine: ERROR writing " + m_dir.path()));
}

TEST_F(TextLog, LastLineSetsTheRegister) {
  writeTextFile(zavLogFileName(),
            "2024-03-01 14:00:00 0000012000 00000250\r\n"
            "2024-03-01 14:05:09 0000012346 00000250\r\n");
  loadLastLogLine();
  EXPECT_DOUBLE_EQ(m_session.energyWh(), 12346);
  EXPECT_EQ(m_session.panel().text4, "12.346");
  EXPECT_EQ(m_session.panel().frame1Caption, "Energy meter - Last log = 2024-03-01 14:05:09");
}

// After a crash the last line can be hours old while the data file holds
// every reading since: the register goes on from them.
TEST_F(TextLog, RegisterContinuesFromNewerReadingsOfTheDataFile) {
  writeTextFile(zavLogFileName(), "2024-03-01 14:05:09 0000012346 00000250\r\n");
  ZavBytes z;  // 1200 Ws per count: 3 counts are 1 Wh
  z.header(at(14, 0, 0), 3).record(at(14, 0, 0), 10, 0).record(at(14, 5, 9), 11, 0).record(at(14, 10, 0), 17, 0);
  z.header(at(14, 20, 0), 0).record(at(14, 20, 0), 1, 0).record(at(14, 21, 0), 4, 0);  // open: killed
  z.b += QByteArray(5, '\x01');  // and a torn record
  writeTextFile(m_settings.zavDatFileName[0], z.b);
  loadLastLogLine();
  EXPECT_DOUBLE_EQ(m_session.energyWh(), 12346 + 2 + 1);
  EXPECT_TRUE(m_log.contains("register continued from the data file: 3 newer readings up to 2024-03-01 14:21:00"))
      << m_log.text().toStdString();
  // Nothing newer: the line's register stands.
  writeTextFile(zavLogFileName(), "2024-03-01 14:21:00 0000012349 -0000004\r\n");
  loadLastLogLine();
  EXPECT_DOUBLE_EQ(m_session.energyWh(), 12349);
  // The going-on-line marker precedes the readings of its own second.
  writeTextFile(zavLogFileName(), "2024-03-01 14:20:00 0000012349 -0000002\r\n");
  loadLastLogLine();
  EXPECT_DOUBLE_EQ(m_session.energyWh(), 12350);
  EXPECT_EQ(readTextFile(m_settings.zavDatFileName[0]), z.b);  // only read
}

TEST_F(TextLog, LastLineIsReadFromTheTailOfALargeFile) {
  QByteArray big;
  for (int i = 0; i < 30000; ++i) big += "2024-03-01 14:00:00 0000012000 00000250\r\n";
  big += "2024-03-02 00:00:00 0000099999 -0000004\r\n";
  writeTextFile(zavLogFileName(), big);
  loadLastLogLine();
  EXPECT_DOUBLE_EQ(m_session.energyWh(), 99999);
}

TEST_F(TextLog, OtherLastLinesAreIgnored) {
  for (const char* last : {"2024-03-01 14:05:09 0000012346", "2024-02-30 14:05:09 0000012346 00000250",
                           "2024-03-01 14:05:09 2000000000 00000250",
                           "2024-03-01 14:05:09 -000000001 00000250", "2024-03-01  14:05:09 0000012346 0"}) {
    m_session.setRegister(7);
    writeTextFile(zavLogFileName(), QByteArray(last) + "\r\n");
    loadLastLogLine();
    EXPECT_DOUBLE_EQ(m_session.energyWh(), 7) << last;
  }
}

// A register line comes with a new power: a reading with a rate, a shown idle
// rate, a typed rate; a reading without a new count and an idle rate beyond 3600 s
// write none.
TEST_F(TextLog, RegisterLinesComeWithEveryNewPowerAndNothingElse) {
  m_settings.minTextFileSaveInterval = 0;  // every line appends
  m_settings.maxUpdateInterval = 12;
  apply();
  const auto reading = [this](int32_t count, int32_t ticks) {
    m_session.takeReading(Reading{.count = count, .ticks = ticks});
  };
  const auto powers = [this] {
    QStringList out;
    for (const QString& line : lines()) out << line.mid(31).trimmed();
    return out;
  };
  holdTickCountForTests(1000);
  reading(1, 0);  // no rate yet
  reading(2, 62500);
  reading(2, 2 * 62500);  // no new count
  EXPECT_EQ(powers(), QStringList{"00003600"});
  holdTickCountForTests(1000 + 5000);
  m_session.showIdleRate(65535);  // 5 s without a count
  holdTickCountForTests(1000 + 3601000);
  m_session.showIdleRate(65535);  // beyond 3600 s: "ERROR", no power
  m_session.parseIntervalField("2");
  setTickCountForTests(0);
  EXPECT_EQ(powers(), (QStringList{"00003600", "00000720", "00001800"}));
}

}  // namespace
