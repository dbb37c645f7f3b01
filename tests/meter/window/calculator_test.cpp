// The electrical calculator: numbers from the window's edge cases, worked out by hand.
#include "meter/window/calculator.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <cmath>

#include "support/log_capture.h"
#include "support/qt_printers.h"

namespace {

// A calculator as the main window's load leaves it: 230 V typed into the
// phase-to-neutral box, period scroll at its start.
struct LoadedCalculator : ::testing::Test {
  Calculator c;
  QStringList writes;
  void SetUp() override {
    QObject::connect(&c, &Calculator::boxWritten,
                     [this](int box, const QString& t) { writes << QString::number(box) + u'=' + t; });
    c.setText(Calculator::kText3, QStringLiteral("230"));
    c.setScrollValue(0);
    writes.clear();
  }
  QString box(int b) const { return c.text(b); }
  QString current(int k) const { return c.text(Calculator::kText5 + k); }
  // The nine current boxes: 1-3 phases in Y, D and both, as the window lays them out.
  QStringList currents() const {
    QStringList all;
    for (int k = 0; k < 9; ++k) all << current(k);
    return all;
  }
};

}  // namespace

TEST(FmtValM, PicksDecimalsByMagnitude) {
  EXPECT_EQ(fmtValM(12345678), "12.346 M");
  EXPECT_EQ(fmtValM(9999999), "9,999,999");
  EXPECT_EQ(fmtValM(1234), "1,234");
  EXPECT_EQ(fmtValM(999.98), "999.98");
  EXPECT_EQ(fmtValM(999.99), "1,000");
  EXPECT_EQ(fmtValM(-5000), "-5,000.00");
  EXPECT_EQ(fmtValM(0), "0.00");
  EXPECT_EQ(fmtValM(230.0 * 1000, true), "ERROR");
}

TEST(CalcBoxValue, ReadsDecimalCommaAndLeadingNumber) {
  EXPECT_DOUBLE_EQ(calcBoxValue("1,25"), 1.25);
  EXPECT_DOUBLE_EQ(calcBoxValue("  42 W"), 42);
  EXPECT_DOUBLE_EQ(calcBoxValue("abc"), 0);
  EXPECT_DOUBLE_EQ(calcBoxValue(""), 0);
}

TEST_F(LoadedCalculator, LoadValueOf230VoltsFillsPhaseToPhase) {
  EXPECT_DOUBLE_EQ(c.phaseVoltage, 230);
  EXPECT_EQ(box(Calculator::kText3), "230");  // the typed box keeps its text
  EXPECT_EQ(box(Calculator::kText3 + 1), "398.37");
  EXPECT_EQ(current(0), "0.00");
}

TEST_F(LoadedCalculator, PhaseToPhaseVoltageGivesPhaseToNeutral) {
  c.setText(Calculator::kText9, QStringLiteral("2300"));
  c.setText(Calculator::kText3 + 1, QStringLiteral("400"));
  EXPECT_NEAR(c.phaseVoltage, 400 / std::sqrt(3.0), 1e-9);
  EXPECT_EQ(box(Calculator::kText3), "230.94");
  EXPECT_EQ(box(Calculator::kText3 + 1), "400");
  // 2300 W / 230.94 V
  EXPECT_EQ(current(0), "9.96");
}

TEST_F(LoadedCalculator, CurrentsForAllPhasesAndConnections) {
  c.setText(Calculator::kText9, QStringLiteral("2300"));
  EXPECT_DOUBLE_EQ(c.totPower, 2300);
  EXPECT_EQ(currents(),
            QStringList({"10.00", "5.00", "3.33", "5.77", "5.00", "3.33", "5.77", "2.89", "1.92"}));
  // The total-power box keeps what was typed; the others follow.
  EXPECT_EQ(box(Calculator::kText9), "2300");
  EXPECT_EQ(box(Calculator::kText9 + 2), "2,300");
}

TEST_F(LoadedCalculator, TypedCurrentSetsBaseAndOtherBoxesFollowPower) {
  c.setText(Calculator::kText9, QStringLiteral("2300"));
  c.setText(Calculator::kText5 + 2, QStringLiteral("7"));
  // The typed box stays; the recomputation from P replaces the others.
  EXPECT_EQ(current(2), "7");
  EXPECT_EQ(current(0), "10.00");
}

TEST_F(LoadedCalculator, PowerFactorScalesCurrents) {
  c.setText(Calculator::kText9, QStringLiteral("2300"));
  c.setText(Calculator::kText6, QStringLiteral("0,5"));
  EXPECT_DOUBLE_EQ(c.powerFactor, 0.5);
  EXPECT_EQ(box(Calculator::kText6), "0,5");
  EXPECT_EQ(current(0), "20.00");
}

TEST_F(LoadedCalculator, ZeroVoltageOrPowerFactorShowsErrorAndKeepsCurrent) {
  c.setText(Calculator::kText9, QStringLiteral("2300"));
  c.setText(Calculator::kText6, QStringLiteral("0"));
  EXPECT_DOUBLE_EQ(c.phaseCurrent, 10);
  EXPECT_EQ(currents(), QStringList(9, "ERROR"));
  c.setText(Calculator::kText6, QStringLiteral("1"));
  EXPECT_EQ(current(0), "10.00");
  c.setText(Calculator::kText3, QStringLiteral(""));
  EXPECT_EQ(box(Calculator::kText3 + 1), "0.00");
  EXPECT_EQ(current(8), "ERROR");
}

TEST_F(LoadedCalculator, ReferencePowerThenRelativeMakesPowerZero) {
  c.setText(Calculator::kText9, QStringLiteral("2300"));
  c.setRefClicked();
  EXPECT_EQ(box(Calculator::kText9 + 1), "2,300");
  EXPECT_EQ(box(Calculator::kText9 + 2), "0.00");
  c.optionRelativeClicked(true);
  EXPECT_EQ(currents(), QStringList(9, "0.00"));
  for (int i = 0; i < 3; ++i) EXPECT_EQ(box(Calculator::kText11 + i), "0.00");
  c.optionRelativeClicked(false);
  EXPECT_EQ(current(0), "10.00");
}

TEST_F(LoadedCalculator, RelativeModeKeepsLargeCurrentsAcrossTheSwitch) {
  c.setText(Calculator::kText9, QStringLiteral("460000"));  // 2000 A: shown with a grouping comma
  c.optionRelativeClicked(true);
  c.optionRelativeClicked(false);
  EXPECT_DOUBLE_EQ(c.phaseCurrent, 2000);
  EXPECT_EQ(current(0), "2,000");
}

TEST_F(LoadedCalculator, EnergyOverThreePeriods) {
  c.setText(Calculator::kText9, QStringLiteral("1000"));
  EXPECT_EQ(box(Calculator::kText11), "1.00");
  EXPECT_EQ(box(Calculator::kText11 + 1), "24.00");
  EXPECT_EQ(box(Calculator::kText11 + 2), "168.00");
  EXPECT_EQ(c.periodLabel(0), "hour ");
  c.setScrollValue(3);
  EXPECT_EQ(c.periodLabel(0), "month ");
  EXPECT_EQ(c.periodLabel(1), "quarter ");
  EXPECT_EQ(c.periodLabel(2), "year ");
  EXPECT_EQ(box(Calculator::kText11), "730.50");
  EXPECT_EQ(box(Calculator::kText11 + 2), "8,766");
  c.setScrollValue(9);  // outside the period table
  EXPECT_EQ(c.scrollValue(), 3);
}

TEST_F(LoadedCalculator, CostModeUsesTypedPriceWithDecimalComma) {
  QString typed;
  QObject::connect(&c, &Calculator::priceTyped, [&](const QString& p) { typed = p; });
  c.setText(Calculator::kText9, QStringLiteral("1000"));
  c.setText(Calculator::kText10, QStringLiteral(" 1,25 "));
  EXPECT_DOUBLE_EQ(c.pricePerkWhValue, 1.25);
  EXPECT_EQ(typed, "1,25");
  c.optionCostClicked(true);
  EXPECT_EQ(c.frame3Caption(), "cost over period");
  EXPECT_EQ(box(Calculator::kText11 + 1), "30.00");
}

TEST_F(LoadedCalculator, SettingsPriceRunsNoChangeHandler) {
  bool typed = false;
  QObject::connect(&c, &Calculator::priceTyped, [&] { typed = true; });
  c.applyPrice(QStringLiteral("0,30"));
  EXPECT_FALSE(typed);
  EXPECT_DOUBLE_EQ(c.pricePerkWhValue, 0.30);
  EXPECT_EQ(c.editGuard, -1);
}

TEST_F(LoadedCalculator, MeterPowerIsNotReadBackFromItsDisplay) {
  c.setMeterPower(2300);
  c.showMeterPower();
  EXPECT_DOUBLE_EQ(c.totPower, 2300);
  EXPECT_EQ(box(Calculator::kText9), "2,300");
  EXPECT_EQ(current(0), "10.00");
  EXPECT_EQ(box(Calculator::kText11 + 1), "55.20");
  EXPECT_EQ(c.editGuard, -1);
}

// The earlier calculator's routines, which nothing calls, write their boxes without
// reading them back.
TEST_F(LoadedCalculator, CurrentsByTheirOwnFormulasHintTheCommonPhase) {
  LogCapture log;
  c.setMeterPower(2300);  // no box written yet
  c.calcCurrent();
  EXPECT_TRUE(log.contains("-------- calculating current"));
  EXPECT_EQ(currents(),
            QStringList({"10.00", "5.00", "3.33", "5.77", "5.00", "3.33", "5.77", "2.89", "1.92"}));
  EXPECT_EQ(c.toolTip(Calculator::kText5 + 4), "Common phase current, (other 2 phases = Load current)");
  EXPECT_DOUBLE_EQ(c.phaseCurrent, 10);
  EXPECT_EQ(c.editGuard, -1);
  c.powerFactor = 0;
  c.calcCurrent();
  EXPECT_EQ(currents(), QStringList(9, "ERROR"));
  EXPECT_DOUBLE_EQ(c.phaseCurrent, 10);
  for (int k = 0; k < 9; ++k)
    EXPECT_EQ(c.backColor(Calculator::kText5 + k), k < 6 ? kFieldColourGrey : kFieldColourNormal) << k;
  c.powerFactor = 1;
  c.calcCurrent();
  EXPECT_EQ(c.backColor(Calculator::kText5), kFieldColourNormal);
}

TEST_F(LoadedCalculator, VoltageOfALoadFromItsPowerAndCurrent) {
  LogCapture log;
  c.setText(Calculator::kText5, QStringLiteral("5"));  // 1-phase current typed
  c.editGuard = -2;
  c.setText(Calculator::kText9, QStringLiteral("1150"));
  c.setText(Calculator::kText9 + 1, QStringLiteral("50"));
  c.editGuard = -1;
  c.applyPowerEntry();
  EXPECT_DOUBLE_EQ(c.totPower, 1150);
  EXPECT_DOUBLE_EQ(c.relPower, 1100);
  EXPECT_TRUE(log.contains("-------- calculating voltage"));
  EXPECT_DOUBLE_EQ(c.phaseVoltage, 230);
  EXPECT_EQ(box(Calculator::kText3), "230.00");
  EXPECT_EQ(box(Calculator::kText3 + 1), "398.37");
  EXPECT_EQ(c.backColor(Calculator::kText3), kFieldColourNormal);
  c.editGuard = -2;
  c.setText(Calculator::kText5, QStringLiteral("0"));
  c.editGuard = -1;
  c.calcVoltage();
  EXPECT_TRUE(log.contains("disabling voltage display"));
  EXPECT_DOUBLE_EQ(c.phaseVoltage, 230);
  EXPECT_EQ(c.backColor(Calculator::kText3), kFieldColourGrey);
  EXPECT_EQ(c.backColor(Calculator::kText3 + 1), kFieldColourGrey);
}

TEST_F(LoadedCalculator, PowerInKilowattsAndPeriodsWithTwoDecimalsUpTo99999) {
  c.showPower(1, 1500);
  EXPECT_EQ(box(Calculator::kText9 + 1), "1.500");
  EXPECT_DOUBLE_EQ(c.refPower, 0);  // kilowatts are not read back as watts
  const struct {
    double value;
    const char* text;
  } rows[] = {{99998.5, "99,998.50"}, {99999, "99,999"}, {12345678, "12.346 M"}, {-3, "-3.00"}};
  for (const auto& r : rows) {
    c.fmtValM2(r.value, 2);
    EXPECT_EQ(box(Calculator::kText11 + 2), r.text) << r.value;
  }
  c.setPeriodFieldsColor(kFieldColourGrey);
  EXPECT_EQ(c.backColor(Calculator::kText11 + 1), kFieldColourGrey);
  c.calcCost();  // the results are new again
  for (int i = 0; i < 3; ++i) EXPECT_EQ(c.backColor(Calculator::kText11 + i), kFieldColourNormal);
}
