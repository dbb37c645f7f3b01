// Meter panel routines: register, rate, unit toggle and synchronisation.
#include "tests/meter/engine/engine_fixture.h"

namespace {

class Display : public EngineTest {};

TEST_F(Display, OneCountAddsItsEnergy) {
  showEnergy(1);
  EXPECT_DOUBLE_EQ(energyWh, 1);
  EXPECT_EQ(meterPanel.text4, "0.001");
}

TEST_F(Display, RegisterWrapsAtTwoThousandMillion) {
  energyWh = 1999999999.5;
  showEnergy(1);
  EXPECT_DOUBLE_EQ(energyWh, 0.5);
  energyWh = 1234567890;
  showEnergy(0);
  EXPECT_EQ(meterPanel.text4, "1,234,567.890");
}

TEST_F(Display, RateOutsideItsRangeShowsError) {
  for (double bad : {0.00008, 3601.0, 0.0}) {
    mRevTime = 5;
    showSecondsPerCount(bad);
    EXPECT_EQ(meterPanel.text2, "ERROR");
    EXPECT_EQ(meterPanel.text2Color, 255);
    EXPECT_DOUBLE_EQ(mRevTime, 5);
  }
  showSecondsPerCount(3600);
  EXPECT_EQ(meterPanel.text2, "3,600.000");
  EXPECT_DOUBLE_EQ(totPower, 1);
}

TEST_F(Display, CountsPerSecondMode) {
  label2Click(meterPanel.text2);
  EXPECT_EQ(meterPanel.label2Caption, "counts/s ");
  EXPECT_EQ(meterPanel.text2ToolTip, "number of counts per second");
  showSecondsPerCount(0.5);
  EXPECT_EQ(meterPanel.text2, "2.000");
  EXPECT_DOUBLE_EQ(mRevTime, 0.5);
  label2Click(meterPanel.text2);  // back: the shown value is turned round
  EXPECT_EQ(meterPanel.label2Caption, "s/count ");
  EXPECT_EQ(meterPanel.text2, "0.500");
}

TEST_F(Display, TypedRateGivesPower) {
  parseIntervalField("2,5");
  EXPECT_DOUBLE_EQ(mRevTime, 2.5);
  EXPECT_DOUBLE_EQ(totPower, 1440);
  label2Click(meterPanel.text2);  // the typed text, in seconds per count
  EXPECT_EQ(meterPanel.text2, "0.400");
  parseIntervalField("0");
  EXPECT_EQ(meterPanel.text2Color, 255);
}

// The box shows grouped numbers: Enter and the unit toggle take the rate the
// box stands for, not its text read back as a number.
TEST_F(Display, ShownRateIsNotReadBackFromItsText) {
  WsPerCount = 48000;  // 75 counts per kWh
  struct Row {
    double seconds;
    const char* shown;
    double watts;
    const char* toggled;
  };
  for (const Row& row : {Row{1200, "1,200.000", 40, "0.001"}, Row{2.5, "2.500", 19200, "0.400"},
                         Row{3600, "3,600.000", 13.333333333333334, "0.000"}}) {
    countsPerSecondMode = false;
    showSecondsPerCount(row.seconds);
    ASSERT_EQ(meterPanel.text2, row.shown);
    parseIntervalField(meterPanel.text2);  // Enter without typing
    EXPECT_DOUBLE_EQ(mRevTime, row.seconds) << row.shown;
    EXPECT_DOUBLE_EQ(totPower, row.watts) << row.shown;
    // The power of the text-log line.
    EXPECT_EQ(zavRecordText().mid(31, 8), QString::number(qRound(row.watts)).rightJustified(8, u'0'));
    label2Click(meterPanel.text2);
    EXPECT_EQ(meterPanel.text2, row.toggled) << row.shown;
    label2Click(meterPanel.text2);
    EXPECT_EQ(meterPanel.text2, row.shown);
    parseIntervalField(meterPanel.text2);
    EXPECT_DOUBLE_EQ(mRevTime, row.seconds) << row.shown;
  }
}

TEST_F(Display, MeterSynchronisation) {
  const Date when = 45352.5;
  EXPECT_TRUE(synchroniseMeter("1 999 999,999", when));
  EXPECT_DOUBLE_EQ(energyWh, 1999999999);
  EXPECT_TRUE(zavRecordText().startsWith("2024-03-01 12:00:00 1999999999 -0000001"));
  EXPECT_FALSE(synchroniseMeter("2000000", when));
  EXPECT_FALSE(synchroniseMeter("0", when));
  EXPECT_DOUBLE_EQ(energyWh, 1999999999);
  EXPECT_TRUE(synchroniseMeter("", when));
}

TEST_F(Display, SimulationFollowsTheRate) {
  int32_t interval = 0;
  QObject::connect(&meterEvents(), &MeterEvents::simulationRateSet, m_listener.get(),
                   [&](int32_t ms) { interval = ms; });
  showSecondsPerCount(0.01);
  EXPECT_EQ(interval, 100);
  showSecondsPerCount(2.5);
  EXPECT_EQ(interval, 2500);
  showSecondsPerCount(3000);
  EXPECT_EQ(interval, 65535);
}

}  // namespace
