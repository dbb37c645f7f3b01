// The meter session as the owner of a reading's way: frame bytes in, the data file
// and the text log written, one result announced, and nothing shared with another session.
#include <sys/file.h>

#include <QFile>
#include <QTemporaryDir>

#include "tests/meter/engine/engine_fixture.h"
#include "tests/meter/engine/frame_bytes.h"
#include "tests/meter/record/zav_bytes.h"

namespace {

constexpr double kNoon = 45352.5;  // 2024-03-01 12:00

QByteArray frameWithTemperature(uint32_t count, uint32_t ticks, uint8_t temp) {
  zavsim::Reading r = frames::reading(count, ticks);
  r.temp2 = temp;
  return zavsim::newFrame(r);
}

class Session : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_TRUE(m_dir.isValid());
    m_settings.WsPerCount = 1200;
    m_settings.zavDatFileName[0] = m_dir.filePath("pwrData.ZAV");
    m_settings.zavLogFileName = m_dir.filePath("zavLog.TXT");
    m_settings.writeToZAVtextFile = true;
    m_settings.minTextFileSaveInterval = 0;  // every line is appended
    apply();
    setDateClockForTests([] { return QDateTime(QDate(2024, 3, 1), QTime(12, 0, 0)); });
    QObject::connect(&m_session, &MeterSession::readingRecorded, &m_session,
                     [this](const ReadingResult& r) { m_results.push_back(r); });
    QObject::connect(&m_session, &MeterSession::registerLogged, &m_session,
                     [this](const RegisterRecord& r) { m_lines << registerRecordText(r); });
  }
  QTemporaryDir m_dir;
  std::vector<ReadingResult> m_results;
  QStringList m_lines;
};

TEST_F(Session, AFrameReachesTheDataFileAndTheTextLogAndIsAnnouncedAsOneResult) {
  ASSERT_TRUE(m_session.openDataFile());
  m_session.serialBytes(frameWithTemperature(10, 0, 0x50));
  m_session.serialBytes(frameWithTemperature(13, 3 * 62500, 0x50));  // 3 counts of 1200 Ws in 3 s

  ZavBytes want;
  want.header(kNoon, 0).record(kNoon, 10, 0, 0x50).record(kNoon, 13, 3 * 62500, 0x50);
  EXPECT_EQ(readTextFile(m_settings.zavDatFileName[0]).toHex(), want.b.toHex());
  EXPECT_EQ(readTextFile(m_settings.zavLogFileName), "2024-03-01 12:00:00 0000000001 00001200\r\n");

  ASSERT_EQ(m_results.size(), 2u);
  const ReadingResult& r = m_results.back();
  EXPECT_EQ(r.reading.count, 13);
  EXPECT_EQ(r.reading.temperature, 0x50);
  EXPECT_DOUBLE_EQ(r.time, kNoon);
  EXPECT_TRUE(r.inDataFile);
  EXPECT_DOUBLE_EQ(r.energyWh, 1);
  EXPECT_DOUBLE_EQ(r.secondsPerCount, 1);
  EXPECT_DOUBLE_EQ(r.powerW, 1200);
  EXPECT_FLOAT_EQ(r.temperature, 60);
  EXPECT_EQ(r.totalCounts, 3);
  // The first reading of the period gives no rate: no power, no line.
  EXPECT_DOUBLE_EQ(m_results.front().secondsPerCount, 0);
  EXPECT_EQ(m_lines, QStringList{"2024-03-01 12:00:00 0000000001 00001200 000080 000000 000000 000000"});
  // What the window shows comes from the same reading.
  EXPECT_EQ(m_session.panel().text4, "0.001");
  EXPECT_EQ(m_session.panel().label14, "60.0 °C");
}

TEST_F(Session, ThePowerIsLoggedBeforeItsTextLogLineIsWritten) {
  m_settings.zavLogFileName = m_dir.path();  // a folder cannot be written: the error follows the power
  apply();
  m_session.serialBytes(frames::frame(10) + frames::frame(13, 3 * 62500));
  const QString log = m_log.text();
  const qsizetype power = log.indexOf("WsPerCount=1200  mRevTime=1  totPower=1200\n");
  EXPECT_GT(log.indexOf("ERROR writeLogLine: ERROR writing " + m_dir.path()), power) << log.toStdString();
  EXPECT_GE(power, 0);
}

TEST_F(Session, WithoutADataFileTheResultSaysSo) {
  m_session.serialBytes(frames::frame(1));
  ASSERT_EQ(m_results.size(), 1u);
  EXPECT_FALSE(m_results[0].inDataFile);
  EXPECT_FALSE(QFile::exists(m_settings.zavDatFileName[0]));
}

// Nothing travels between sessions: each keeps its receivers, counts and register.
TEST(Sessions, EachKeepsItsOwnReadingsAndRegister) {
  LogCapture quiet;
  Settings settings;
  settings.ZAVdetectorVer = kNewFrameDetectorVer;
  settings.ticksPerSec = 62500;
  settings.WsPerCount = 3600;
  settings.ifType = 2;
  MeterSession a, b;
  int announcedByB = 0;
  QObject::connect(&b, &MeterSession::readingRecorded, &b, [&] { ++announcedByB; });
  for (MeterSession* s : {&a, &b}) {
    s->setSettings(settings);
    s->setOnline(true);
  }
  a.serialBytes(frames::frame(1) + frames::frame(3, 62500).left(10));
  b.serialBytes(frames::frame(3, 62500).mid(10));  // the rest of a's frame is no frame for b
  a.serialBytes(frames::frame(3, 62500).mid(10));
  EXPECT_EQ(a.latestReading().count, 3);
  EXPECT_DOUBLE_EQ(a.energyWh(), 2);
  EXPECT_EQ(a.panel().text8, "2");
  EXPECT_EQ(b.latestReading().count, 0);
  EXPECT_DOUBLE_EQ(b.energyWh(), 0);
  EXPECT_TRUE(b.panel().text8.text().isEmpty());
  EXPECT_EQ(announcedByB, 0);
}

// Another copy of the program holds the text log: the session says so once, and
// again only after it could write in between.
TEST_F(Session, ATextLogHeldByAnotherProgramIsReportedOncePerRefusal) {
  m_session.setOnline(false);  // not recording: each line frees the file again
  writeTextFile(m_settings.zavLogFileName, "");
  const auto refusals = [this] { return m_log.text().count("is in use by another program: nothing written"); };
  {
    QFile other(m_settings.zavLogFileName);
    ASSERT_TRUE(other.open(QIODevice::ReadWrite));
    ASSERT_EQ(::flock(other.handle(), LOCK_EX | LOCK_NB), 0);
    m_session.writeLogLine(kNoon, 1, 100);
    m_session.writeLogLine(kNoon, 2, 100);
    EXPECT_EQ(refusals(), 1);
  }
  m_session.writeLogLine(kNoon, 3, 100);
  EXPECT_EQ(readTextFile(m_settings.zavLogFileName), "2024-03-01 12:00:00 0000000003 00000100\r\n");
  QFile other(m_settings.zavLogFileName);
  ASSERT_TRUE(other.open(QIODevice::ReadWrite));
  ASSERT_EQ(::flock(other.handle(), LOCK_EX | LOCK_NB), 0);
  m_session.writeLogLine(kNoon, 4, 100);
  EXPECT_EQ(refusals(), 2);
}

}  // namespace
