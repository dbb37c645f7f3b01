// Count processor: counts, timing, temperature, sections of the data file,
// live values and the idle countdown.
#include <QTemporaryDir>

#include "tests/meter/engine/engine_fixture.h"
#include "tests/meter/engine/frame_bytes.h"
#include "platform/tick_clock.h"
#include "tests/meter/record/zav_bytes.h"

namespace {

class Counting : public EngineTest {
 protected:
  // One reading as the parser hands it over.
  void reading(uint32_t count, uint32_t ticks, int16_t temp = 0x80, int32_t reset = 0, int16_t volt = 0) {
    m_session.takeReading(Reading{.count = int32_t(count),
                                  .ticks = int32_t(ticks),
                                  .temperature = temp,
                                  .voltage = volt,
                                  .status = int16_t(reset),
                                  .resetCount = reset});
  }
  void openDataFile() {
    ASSERT_TRUE(m_dir.isValid());
    m_settings.zavDatFileName[0] = m_dir.filePath("pwrData.ZAV");
    apply();
    m_session.openDataFile();
    ASSERT_TRUE(m_session.recorder().isOpen());
  }
  const MeterPanelState& meterPanel() const { return m_session.panel(); }
  QTemporaryDir m_dir;
};

TEST_F(Counting, CounterWrapGivesTheCountsBetween) {
  reading(4294967290u, 0);
  reading(5, 62500);
  EXPECT_EQ(meterPanel().text8, "11");
  EXPECT_DOUBLE_EQ(m_intervals.back(), 1.0 / 11);
  EXPECT_DOUBLE_EQ(m_session.energyWh(), 11);  // 3600 Ws per count
}

TEST_F(Counting, HalfRangeDifferenceIsNoCount) {
  reading(10, 0);
  reading(10 + 0x80000000u, 100);
  EXPECT_EQ(meterPanel().text8, "0");
  EXPECT_EQ(meterPanel().text2, "ERROR");
}

TEST_F(Counting, WithoutTickRateOnlyThePendingFlagAndTickChange) {
  m_settings.ticksPerSec = 0;
  apply();
  m_session.setPulsePendingForTests(true, 0);
  holdTickCountForTests(1234);
  reading(1, 1);
  setTickCountForTests(0);
  EXPECT_FALSE(m_session.pulsePending());
  EXPECT_EQ(m_session.lastProcessTick(), 1234);
  EXPECT_EQ(m_session.readingCount(), 0);
  EXPECT_TRUE(m_counts.empty());
  EXPECT_EQ(timer3(), -1);
}

TEST_F(Counting, FirstReadingStartsTheOnLinePeriod) {
  setDateClockForTests([] { return QDateTime(QDate(2024, 3, 1), QTime(14, 5, 9)); });
  reading(100, 0);
  EXPECT_EQ(meterPanel().frame1Caption, "Energy meter - ONLINE 2024-03-01 14:05:09");
  EXPECT_EQ(meterPanel().text8, "0");
  EXPECT_EQ(m_session.readingCount(), 1);
  EXPECT_TRUE(m_log.contains("  frameStatus=0\n START"));
  EXPECT_EQ(m_web.lngZavTemp, -16384);
  EXPECT_EQ(meterPanel().label14, "");
}

TEST_F(Counting, TemperatureOfTheNewController) {
  reading(1, 0);
  reading(2, 100, 0xF0);
  EXPECT_EQ(meterPanel().label14, "12.0 °C");
  EXPECT_EQ(m_web.lngZavTemp, 12);
  reading(3, 200, 0x50);
  EXPECT_EQ(meterPanel().label14, "60.0 °C");
  EXPECT_EQ(m_web.strZavTemp, "60.0 °C");
  reading(4, 300, 0x80);
  EXPECT_EQ(meterPanel().label14, "");
  m_settings.ZAVdetectorVer = 24000;
  apply();
  reading(5, 400, -41);
  EXPECT_EQ(meterPanel().label14, "-20.5 °C");
}

// "No sensor" is no temperature in the panel, the reading's values (which the
// minimised title shows) and the web values, whichever raw value the frame or
// the pulse device brought.
TEST_F(Counting, NoSensorShowsNoTemperatureAnywhere) {
  QStringList shown;  // the reading's own temperature, as the window's panel takes it
  QObject::connect(&m_session, &MeterSession::readingRecorded, &m_session, [&](const ReadingResult& r) {
    MeterPanelState panel;
    panel.showReading(r);
    shown << panel.label14;
  });
  struct Row {
    const char* what;
    int32_t detector;
    int16_t raw;
    const char* shown;
  };
  for (const Row& r : {Row{"new frame, no sensor", kNewFrameDetectorVer, 0x80, ""},
                       Row{"pulse device, new detector type", kNewFrameDetectorVer, kNotReported, ""},
                       Row{"pulse device, old detector type", 24000, kNotReported, ""},
                       Row{"new frame, a temperature", kNewFrameDetectorVer, 0x50, "60.0 °C"},
                       Row{"old frame, a temperature", 24000, -41, "-20.5 °C"}}) {
    m_settings.ZAVdetectorVer = r.detector;
    apply();
    shown.clear();
    m_session.clearCountProcessor();
    reading(1, 0, r.raw);
    reading(2, 62500, r.raw);
    EXPECT_EQ(meterPanel().label14, r.shown) << r.what;
    EXPECT_EQ(m_web.strZavTemp, r.shown) << r.what;
    EXPECT_EQ(shown, (QStringList{"", r.shown})) << r.what;
    EXPECT_EQ(m_web.lngZavTemp == -16384, QString(r.shown).isEmpty()) << r.what;
  }
}

// The web values come from each reading's values; a reading's power comes with
// the reading, not as a power of its own.
TEST_F(Counting, LiveValuesFollowEachReading) {
  int powers = 0;
  QObject::connect(&m_session, &MeterSession::meterPowerChanged, &m_session, [&] { ++powers; });
  m_session.setRegister(1234567);
  reading(1, 0);
  reading(2, 62500, 0x50);
  EXPECT_EQ(m_web.strZavPower, "3,600");
  EXPECT_EQ(m_web.strZavEnergy, "1,234.568");
  EXPECT_EQ(m_web.strZavTemp, "60.0 °C");
  EXPECT_EQ(m_web.lngZavEnergy, 1235);
  reading(4, 2 * 62500, 0xF0);
  EXPECT_EQ(m_web.strZavPower, "7,200");
  EXPECT_EQ(m_web.lngZavPower, 7200);
  EXPECT_EQ(m_web.strZavTemp, "12.0 °C");
  EXPECT_EQ(powers, 0);
}

// The web values are formatted when read: readings nobody read leave no stale text.
TEST_F(Counting, LiveValuesReadLateShowTheLastReading) {
  reading(1, 0);
  reading(2, 62500, 0x50);
  EXPECT_EQ(m_web.strZavPower, "3,600");
  reading(4, 2 * 62500, 0xF0);
  reading(5, 3 * 62500, 0x30);
  EXPECT_EQ(m_web.strZavPower, "3,600");
  EXPECT_EQ(m_web.strZavEnergy, "0.004");
  EXPECT_EQ(m_web.strZavTemp, "44.0 °C");
  reading(6, 3 * 62500 + 6250, 0x80);
  EXPECT_EQ(m_web.strZavPower, "36,000");
  EXPECT_EQ(m_web.strZavTemp, "");
}

// The setup window's pulse details, when someone shows them.
TEST_F(Counting, PulseDetailsGoToTheirListener) {
  QStringList details;
  reading(1, 0);
  holdTickCountForTests(1000);
  reading(2, 62500);
  EXPECT_TRUE(details.isEmpty());
  QObject::connect(&m_session, &MeterSession::pulseDetailsShown, &m_session,
                   [&](const QString& text) { details << text; });
  m_session.setPulseDetailsShown(true);
  m_session.clearCountProcessor();
  holdTickCountForTests(2000);
  reading(3, 62500);
  holdTickCountForTests(4000);
  reading(5, 3 * 62500, 0x80, 0, 0);
  setTickCountForTests(0);
  EXPECT_EQ(details,
            QStringList{"start calculating zavCLK/cpuCLK\nzavCLK/cpuCLK Avg[1] = 1\nresetCnt=00  volt=+00.00"});
}

TEST_F(Counting, IdleCountdownRunsInTimerSizedSteps) {
  m_settings.maxUpdateInterval = 12;
  apply();
  reading(1, 0);
  reading(2, 60 * 62500);
  EXPECT_EQ(m_session.idleCountdownMs(), 72000);
  EXPECT_EQ(timer3(), 65535);
  m_session.showIdleRate(65535);
  EXPECT_EQ(m_session.idleCountdownMs(), 72000 - 65535);
  EXPECT_EQ(timer3(), 72000 - 65535);
  m_session.showIdleRate(72000 - 65535);
  EXPECT_EQ(m_session.idleCountdownMs(), 12000);
  EXPECT_EQ(timer3(), 12000);
}

TEST_F(Counting, HugeUpdateIntervalIsClampedNotWrapped) {
  m_settings.maxUpdateInterval = 1e12;
  apply();
  reading(1, 0);
  EXPECT_EQ(m_session.idleCountdownMs(), INT32_MAX);
  EXPECT_EQ(timer3(), 65535);
}

TEST_F(Counting, ClockRatioMeanSettlesAfterAThousandSamples) {
  uint32_t pcTick = 4294960000u;  // across the wrap of the PC's tick counter
  uint32_t ctl = 0;
  uint32_t count = 1;
  auto step = [&](double ratio) {
    pcTick += 1000;
    ctl += uint32_t(std::lround(ratio * 62500));
    holdTickCountForTests(pcTick);
    count += 1;
    reading(count, ctl);
  };
  holdTickCountForTests(pcTick);
  reading(1, 0);
  for (int i = 0; i < 1000; ++i) step(1.0);
  EXPECT_EQ(m_session.countProcessorState().clockRatioSamples, 1000);
  EXPECT_DOUBLE_EQ(m_session.countProcessorState().clockRatioSum / 1000, 1.0);
  step(2.0);
  EXPECT_NEAR(m_session.countProcessorState().clockRatioSum / 1000, 1.000001, 1e-12);
  setTickCountForTests(0);
}

TEST_F(Counting, ResetCountChangeClearsTheStateAndDropsTheReading) {
  reading(1, 0);
  reading(2, 100);
  reading(50, 200, 0x80, 3);
  EXPECT_FALSE(m_session.countProcessorState().hasPrevious);
  EXPECT_EQ(m_counts.size(), 2u);
  reading(51, 300, 0x80, 3);
  EXPECT_EQ(meterPanel().text8, "0");  // the first reading after the reset gives no counts
  reading(52, 400, 0x80, 3);
  EXPECT_EQ(meterPanel().text8, "1");
}

TEST_F(Counting, EveryResetCountChangeStartsASection) {
  openDataFile();
  reading(1, 0, 0x80, 3, 11);  // changed from 0: dropped
  reading(2, 100, 0x80, 3, 12);
  reading(3, 200, 0x80, 3, 13);
  reading(1, 300, 0x80, 0, 21);  // changed to 0: dropped
  reading(2, 400, 0x80, 0, 22);
  reading(1, 500, 0x80, 5, 31);  // changed to 5: dropped
  reading(2, 600, 0x80, 5, 32);
  m_session.closeDataFile();
  const QByteArray bytes = readTextFile(m_settings.zavDatFileName[0]);
  ASSERT_EQ(bytes.size(), 3 * 38 + 4 * 18);
  ASSERT_TRUE(m_session.loadDataFile(0));
  const dataFileIndex& ix = m_session.dataFileSlots()[0];
  ASSERT_EQ(ix.sectionCount, 3);
  EXPECT_EQ(ix.sections[0].header.resetCount, 3);
  EXPECT_EQ(ix.sections[0].header.voltCount, 12);
  EXPECT_EQ(ix.sections[0].header.records, 2);
  EXPECT_EQ(ix.sections[1].header.resetCount, 0);
  EXPECT_EQ(ix.sections[1].header.voltCount, 22);
  EXPECT_EQ(ix.sections[2].header.resetCount, 5);
  // Closed section headers carry their counts on disk.
  EXPECT_EQ(bytes.mid(34, 4).toHex(), QByteArray("02000000"));
  EXPECT_EQ(bytes.mid(38 + 36 + 34, 4).toHex(), QByteArray("01000000"));
}

TEST_F(Counting, RecordsReachTheFileAsTheyAreProcessed) {
  setDateClockForTests([] { return QDateTime(QDate(2024, 3, 1), QTime(12, 0, 0)); });
  m_settings.WsPerCount = 1200;
  openDataFile();
  reading(7, 70, 0x33);
  ZavBytes want;
  want.header(45352.5, 0).record(45352.5, 7, 70, 0x33);
  EXPECT_EQ(readTextFile(m_settings.zavDatFileName[0]).toHex(), want.b.toHex());
  EXPECT_TRUE(m_log.contains("  zavOutHeadPtr=1\n  zavOutRecPtr=39\n  zavOutDat.header.records=1\n"));
  EXPECT_EQ(m_session.dataFileSlots()[0].recordCount, 1);
  ASSERT_EQ(m_recorded.size(), 1u);  // announced once it is in the file
  EXPECT_TRUE(m_recorded[0].inDataFile);
  EXPECT_EQ(m_recorded[0].reading.temperature, 0x33);
}

TEST_F(Counting, FailedDataFileWriteClosesItAndSaysSo) {
  m_settings.zavDatFileName[0] = "/dev/full";
  apply();
  m_session.openDataFile();
  ASSERT_TRUE(m_session.recorder().isOpen());
  reading(1, 0);
  EXPECT_FALSE(m_session.recorder().isOpen());
  EXPECT_EQ(meterPanel().frame1Caption, "Energy meter - ERROR writing data file");
  EXPECT_TRUE(m_log.contains("ERROR newMeterCount: ERROR writing data file /dev/full"));
}

TEST_F(Counting, ParsedFramesEndInTheDataFile) {
  openDataFile();
  for (uint32_t c = 1; c <= 3; ++c) m_session.serialBytes(frames::frame(c, c * 100));
  m_session.closeDataFile();
  ASSERT_TRUE(m_session.loadDataFile(0));
  EXPECT_EQ(m_session.dataFileSlots()[0].recordCount, 3);
  EXPECT_EQ(readTextFile(m_settings.zavDatFileName[0]).size(), 92);
}

TEST_F(Counting, SimulatedPulseLogsItsInterval) {
  m_session.setOnline(false);
  m_session.Timer1_Timer();
  EXPECT_TRUE(m_log.contains("pulseDetected:  totTurns="));
  EXPECT_EQ(m_intervals.back(), 3.0);
  m_session.setOnline(true);
  m_log.clear();
  m_session.Timer1_Timer();
  EXPECT_TRUE(m_log.text().isEmpty());
}

}  // namespace
