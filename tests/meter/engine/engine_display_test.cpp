// Meter panel routines: register, rate, unit toggle and synchronisation.
#include "tests/meter/engine/engine_fixture.h"

namespace {

class Display : public EngineTest {
 protected:
  const MeterPanelState& meterPanel() const { return m_session.panel(); }
};

TEST_F(Display, OneCountAddsItsEnergy) {
  m_session.showEnergy(1);
  EXPECT_DOUBLE_EQ(m_session.energyWh(), 1);
  EXPECT_EQ(meterPanel().text4, "0.001");
}

TEST_F(Display, RegisterWrapsAtTwoThousandMillion) {
  m_session.setRegister(1999999999.5);
  m_session.showEnergy(1);
  EXPECT_DOUBLE_EQ(m_session.energyWh(), 0.5);
  m_session.setRegister(1234567890);
  m_session.showEnergy(0);
  EXPECT_EQ(meterPanel().text4, "1,234,567.890");
}

TEST_F(Display, RateOutsideItsRangeShowsError) {
  for (double bad : {0.00008, 3601.0, 0.0}) {
    m_session.showSecondsPerCount(5);
    m_session.showSecondsPerCount(bad);
    EXPECT_EQ(meterPanel().text2, "ERROR");
    EXPECT_EQ(meterPanel().text2Color, 255);
    EXPECT_DOUBLE_EQ(m_session.mRevTime(), 5);
  }
  m_session.showSecondsPerCount(3600);
  EXPECT_EQ(meterPanel().text2, "3,600.000");
  EXPECT_DOUBLE_EQ(m_session.totPower(), 1);
}

TEST_F(Display, CountsPerSecondMode) {
  m_session.label2Click(meterPanel().text2);
  EXPECT_EQ(meterPanel().label2Caption, "counts/s ");
  EXPECT_EQ(meterPanel().text2ToolTip, "number of counts per second");
  m_session.showSecondsPerCount(0.5);
  EXPECT_EQ(meterPanel().text2, "2.000");
  EXPECT_DOUBLE_EQ(m_session.mRevTime(), 0.5);
  m_session.label2Click(meterPanel().text2);  // back: the shown value is turned round
  EXPECT_EQ(meterPanel().label2Caption, "s/count ");
  EXPECT_EQ(meterPanel().text2, "0.500");
}

TEST_F(Display, TypedRateGivesPower) {
  m_session.parseIntervalField("2,5");
  EXPECT_DOUBLE_EQ(m_session.mRevTime(), 2.5);
  EXPECT_DOUBLE_EQ(m_session.totPower(), 1440);
  m_session.label2Click(meterPanel().text2);  // the typed text, in seconds per count
  EXPECT_EQ(meterPanel().text2, "0.400");
  m_session.parseIntervalField("0");
  EXPECT_EQ(meterPanel().text2Color, 255);
}

// The box shows grouped numbers: Enter and the unit toggle take the rate the
// box stands for, not its text read back as a number.
TEST_F(Display, ShownRateIsNotReadBackFromItsText) {
  m_settings.WsPerCount = 48000;  // 75 counts per kWh
  apply();
  struct Row {
    double seconds;
    const char* shown;
    double watts;
    const char* toggled;
  };
  for (const Row& row : {Row{1200, "1,200.000", 40, "0.001"}, Row{2.5, "2.500", 19200, "0.400"},
                         Row{3600, "3,600.000", 13.333333333333334, "0.000"}}) {
    if (m_session.countsPerSecondMode()) m_session.label2Click(meterPanel().text2);
    m_session.showSecondsPerCount(row.seconds);
    ASSERT_EQ(meterPanel().text2, row.shown);
    m_session.parseIntervalField(meterPanel().text2);  // Enter without typing
    EXPECT_DOUBLE_EQ(m_session.mRevTime(), row.seconds) << row.shown;
    EXPECT_DOUBLE_EQ(m_session.totPower(), row.watts) << row.shown;
    // The power of the text-log line.
    EXPECT_EQ(m_web.zavRecordText().mid(31, 8), QString::number(qRound(row.watts)).rightJustified(8, u'0'));
    m_session.label2Click(meterPanel().text2);
    EXPECT_EQ(meterPanel().text2, row.toggled) << row.shown;
    m_session.label2Click(meterPanel().text2);
    EXPECT_EQ(meterPanel().text2, row.shown);
    m_session.parseIntervalField(meterPanel().text2);
    EXPECT_DOUBLE_EQ(m_session.mRevTime(), row.seconds) << row.shown;
  }
}

TEST_F(Display, MeterSynchronisation) {
  const Date when = 45352.5;
  EXPECT_TRUE(m_session.synchroniseMeter("1 999 999,999", when));
  EXPECT_DOUBLE_EQ(m_session.energyWh(), 1999999999);
  EXPECT_TRUE(m_web.zavRecordText().startsWith("2024-03-01 12:00:00 1999999999 -0000001"));
  EXPECT_FALSE(m_session.synchroniseMeter("2000000", when));
  EXPECT_FALSE(m_session.synchroniseMeter("0", when));
  EXPECT_DOUBLE_EQ(m_session.energyWh(), 1999999999);
  EXPECT_TRUE(m_session.synchroniseMeter("", when));
}

TEST_F(Display, SimulationFollowsTheRate) {
  const FormTimer& timer1 = m_session.simulationTimer();
  m_session.showSecondsPerCount(0.01);
  EXPECT_EQ(timer1.interval(), 100);
  m_session.showSecondsPerCount(2.5);
  EXPECT_EQ(timer1.interval(), 2500);
  m_session.showSecondsPerCount(3000);
  EXPECT_EQ(timer1.interval(), 65535);
}

}  // namespace
