#include <gtest/gtest.h>

#include "core/settings/derived_constants.h"
#include "support/qt_printers.h"

namespace {
MeterScaleInputs meter(double revs, double ppr, double prescale, double ticks) {
  return {.revsPerkWh = revs,
          .pulsesPerRev = ppr,
          .prescale = prescale,
          .ticksPerSec = ticks,
          .maxMeterPower = 8000,
          .minUpdateInterval = 6,
          .maxUpdateInterval = 12,
          .timerBits = 32,
          .counterBits = 32,
          .WsPerCount = 7,
          .minMeterScale = 9};
}

// The Text5 displays at these indices; "-" where the computation leaves one alone.
QStringList shown(const MeterScaleResult& r, std::initializer_list<int> indices) {
  QStringList out;
  for (int k : indices) out << r.text5[k].value_or(QStringLiteral("-"));
  return out;
}
}  // namespace

TEST(MeterScale, OneCountPerRevolutionIs3600WsPerCount) {
  const MeterScaleResult r = computeMeterScale(meter(1000, 1, 1, 62500));
  ASSERT_TRUE(r.changed);
  EXPECT_DOUBLE_EQ(r.WsPerCount, 3600);
  EXPECT_EQ(shown(r, {0, 6, 9}), QStringList({"3,600", "3,600", "3,600"}));
}

TEST(MeterScale, PrescaleWidensCountAndWrapInterval) {
  const MeterScaleResult r = computeMeterScale(meter(1000, 1, 10, 62500));
  EXPECT_DOUBLE_EQ(r.WsPerCount, 36000);
  EXPECT_EQ(*r.text5[13], "42,949,673");
}

TEST(MeterScale, TimerFiguresAt62500Ticks) {
  const MeterScaleResult r = computeMeterScale(meter(1000, 1, 1, 62500));
  // Wrap time, resolution, one revolution at 8 kW, power at 6 s and at 12 s per revolution.
  EXPECT_EQ(shown(r, {5, 8, 4, 10, 1, 2, 3}),
            QStringList({"16", "68,719", "68,719.477", "0.052", "0.45", "600", "300"}));
  EXPECT_NEAR(r.minMeterScale, 3600000.0 / (1000 * 68719.476736), 1e-12);
  EXPECT_FALSE(shown(r, {11, 12}).contains("-"));
}

TEST(MeterScale, ZeroFullScaleShowsUnknownAndKeepsResolution) {
  MeterScaleInputs in = meter(1000, 1, 1, 62500);
  in.maxMeterPower = 0;
  const MeterScaleResult r = computeMeterScale(in);
  EXPECT_EQ(*r.text5[1], "?");
  EXPECT_FALSE(r.text5[11].has_value());
}

TEST(MeterScale, NoTicksOrNoMeterConstantChangesNothing) {
  EXPECT_FALSE(computeMeterScale(meter(1000, 1, 1, 0)).changed);
  const MeterScaleResult r = computeMeterScale(meter(0, 1, 1, 62500));
  EXPECT_FALSE(r.changed);
  EXPECT_DOUBLE_EQ(r.WsPerCount, 7);
}

TEST(MeterScale, NoTimerWordLengthShowsUnknownAndKeepsMinScale) {
  MeterScaleInputs in = meter(1000, 1, 1, 62500);
  in.timerBits = 0;
  const MeterScaleResult r = computeMeterScale(in);
  EXPECT_EQ(shown(r, {8, 4, 10, 12}), QStringList(4, "?"));
  EXPECT_DOUBLE_EQ(r.minMeterScale, 9);
}

TEST(MeterScale, NoPulsesPerRevKeepsWsPerCount) {
  const MeterScaleResult r = computeMeterScale(meter(1000, 0, 1, 62500));
  EXPECT_DOUBLE_EQ(r.WsPerCount, 7);
  EXPECT_EQ(shown(r, {6, 13}), QStringList(2, "?"));
}

TEST(ValueTypes, UserFieldsStandardFieldsAndGreyDefaults) {
  const ValueTypeFields standard{.title = "", .factor = "1", .decimals = "0", .unit = "Wh"};
  const ValueTypeFields user{.title = "Energikostnad", .factor = "0,001", .decimals = "2", .unit = "kr"};
  valueType vt;
  ASSERT_TRUE(buildValueType(vt, 1, standard, user, true));
  EXPECT_EQ(vt.title, "Energikostnad");
  EXPECT_DOUBLE_EQ(vt.factor, 0.001);
  EXPECT_EQ(vt.decimals, 2);
  EXPECT_EQ(vt.unit, "kr");
  EXPECT_NEAR(1500 * vt.factor + vt.offset, 1.5, 1e-12);

  ASSERT_TRUE(buildValueType(vt, 0, standard, user, true));
  EXPECT_EQ(vt.title, "");
  EXPECT_EQ(vt.unit, "Wh");
  EXPECT_EQ(vt.description, "");  // untouched by the field build

  ASSERT_TRUE(buildValueType(vt, 2, standard, user, false));
  EXPECT_EQ(vt.description, "Energy consumption / hour");
  EXPECT_EQ(vt.title, "Power");
  EXPECT_EQ(vt.unit, "W");
}

TEST(ValueTypes, DecimalsBeyond16BitsFailAfterTitleAndFactor) {
  valueType vt;
  const ValueTypeFields bad{.title = " T ", .factor = "2", .decimals = "99999", .unit = "u"};
  EXPECT_FALSE(buildValueType(vt, 0, bad, bad, true));
  EXPECT_EQ(vt.title, " T ");
  EXPECT_DOUBLE_EQ(vt.factor, 2);
  EXPECT_EQ(vt.unit, "");
}
