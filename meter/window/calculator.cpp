#include "meter/window/calculator.h"

#include <algorithm>
#include <cmath>

#include "core/util/format_pattern.h"
#include "core/log/logmsg.h"
#include "core/util/number_text.h"

namespace {
const double kSqrt3 = std::sqrt(3.0);
}

const std::array<double, 2> Calculator::lineVoltageFactor{1.0, kSqrt3};
const std::array<double, 9> Calculator::phaseCurrentFactor{1.0,
                                                           1.0 / 2,
                                                           1.0 / 3,
                                                           1.0 / kSqrt3,
                                                           1.0 / 2,
                                                           1.0 / 3,
                                                           1.0 / kSqrt3,
                                                           1.0 / (2 * kSqrt3),
                                                           1.0 / (3 * kSqrt3)};
const std::array<double, Calculator::kPeriods> Calculator::periodHours{1,           24,         168,
                                                                       8766.0 / 12, 8766.0 / 4, 8766};
const std::array<const char*, Calculator::kPeriods> Calculator::periodNames{"hour",  "day",     "week",
                                                                            "month", "quarter", "year"};

double calcBoxValue(const QString& text) { return val(QString(text).replace(u',', u'.')); }

Calculator::Calculator(QObject* parent) : QObject(parent) {
  m_back.fill(kFieldColourNormal);
  resetForLoad();
}

void Calculator::resetForLoad() {
  editGuard = -1;
  editIndex = -1;
  relativeMode = false;
  totPower = refPower = relPower = 0;
  powerFactor = 1.0;
  phaseVoltage = 1.0;
  phaseCurrent = 0;
  calcDependentGroup = 3;
}

void Calculator::setText(int box, const QString& text) {
  m_text[box] = text;
  emit boxWritten(box, text);
  boxChanged(box);
}

void Calculator::boxChanged(int box) {
  if (editGuard != -1) return;
  if (box >= kText9 && box < kText9 + 3) {
    refreshCalcFields(0, box - kText9);
    calcCost();
  } else if (box == kText6) {
    powerFactor = calcBoxValue(m_text[kText6]);
    refreshCalcFields(1, -1);
  } else if (box >= kText3 && box < kText3 + 2) {
    refreshCalcFields(2, box - kText3);
  } else if (box >= kText5 && box < kText5 + 9) {
    refreshCalcFields(3, box - kText5);
  } else if (box == kText10) {
    editGuard = -3;
    const QString price = m_text[kText10].trimmed();
    pricePerkWhValue = calcBoxValue(price);
    emit priceTyped(price);
    calcCost();
    editGuard = -1;
  }
}

bool Calculator::isEditedBox(int box) const {
  switch (editGuard) {
    case 0: return box == kText9 + editIndex;
    case 1: return box == kText6;
    case 2: return box == kText3 + editIndex;
    case 3: return box == kText5 + editIndex;
    default: return false;
  }
}

void Calculator::writeBox(int box, const QString& text) {
  if (!isEditedBox(box)) setText(box, text);
}

void Calculator::refreshCalcFields(int group, int index) {
  // A failed step (a division by zero) leaves its target unchanged and turns
  // every box written after it into "ERROR".
  bool failed = false;
  double p = power();
  if (group >= 0) {
    editGuard = static_cast<int16_t>(group);
    editIndex = static_cast<int16_t>(index);
    switch (group) {
      case 0:
        if (index == 0) {
          totPower = calcBoxValue(m_text[kText9]);
          relPower = totPower - refPower;
        } else if (index == 1) {
          refPower = calcBoxValue(m_text[kText9 + 1]);
          relPower = totPower - refPower;
        } else if (index == 2) {
          relPower = calcBoxValue(m_text[kText9 + 2]);
          totPower = relPower + refPower;
        }
        p = power();
        writeBox(kText9, fmtValM(totPower, failed));
        writeBox(kText9 + 1, fmtValM(refPower, failed));
        writeBox(kText9 + 2, fmtValM(relPower, failed));
        break;
      case 1:
        powerFactor = calcBoxValue(m_text[kText6]);
        writeBox(kText6, fmtValM(powerFactor, failed));
        break;
      case 2:
        if (index >= 0 && index < 2) {
          phaseVoltage = calcBoxValue(m_text[kText3 + index]) / lineVoltageFactor[index];
        } else {
          failed = true;
        }
        for (int j = 0; j < 2; ++j)
          writeBox(kText3 + j, fmtValM(phaseVoltage * lineVoltageFactor[j], failed));
        break;
      case 3:
        if (index >= 0 && index < 9) {
          phaseCurrent = calcBoxValue(m_text[kText5 + index]) / phaseCurrentFactor[index];
        } else {
          failed = true;
        }
        for (int j = 0; j < 9; ++j)
          writeBox(kText5 + j, fmtValM(phaseCurrent * phaseCurrentFactor[j], failed));
        break;
      default: break;
    }
  }
  if (calcDependentGroup == 3) {
    const double denominator = powerFactor * phaseVoltage;
    if (denominator == 0 || !std::isfinite(p / denominator)) {
      failed = true;
    } else {
      phaseCurrent = p / denominator;
    }
    for (int j = 0; j < 9; ++j) writeBox(kText5 + j, fmtValM(phaseCurrent * phaseCurrentFactor[j], failed));
  }
  editGuard = -1;
  editIndex = -1;
}

void Calculator::calcCost() {
  logMsg(4, QStringLiteral("-------- calculating cost"));
  double q = power() / 1000;
  if (costMode) q *= pricePerkWhValue;
  for (int i = 0; i < 3; ++i) setText(kText11 + i, fmtValM(q * periodHours[m_scrollValue + i]));
  setPeriodFieldsColor(kFieldColourNormal);
}

void Calculator::optionRelativeClicked(bool relative) {
  relativeMode = relative;
  // The current boxes written here must not read themselves back: a grouped
  // value such as "1,235" would be taken as 1.235.
  editGuard = -2;
  refreshCalcFields(-2, -1);
  calcCost();
}

void Calculator::setRefClicked() {
  refPower = totPower;
  relPower = 0;
  editGuard = -2;
  setText(kText9 + 1, fmtValM(refPower));
  setText(kText9 + 2, fmtValM(relPower));
  if (relativeMode) {
    editGuard = -2;
    refreshCalcFields(-2, -1);
    calcCost();
  }
  editGuard = -1;
}

void Calculator::optionCostClicked(bool cost) {
  costMode = cost;
  emit labelsChanged();
  calcCost();
}

void Calculator::setScrollValue(int value) {
  m_scrollValue = std::clamp(value, 0, kScrollMax);
  emit labelsChanged();
  calcCost();
}

void Calculator::setMeterPower(double watts) {
  totPower = watts;
  relPower = totPower - refPower;
}

void Calculator::showMeterPower() {
  // Under the guard, so the power box is not read back from its display text.
  editGuard = -2;
  setText(kText9, fmtValM(totPower));
  setText(kText9 + 2, fmtValM(relPower));
  editGuard = -1;
  calcCost();
  editGuard = -2;
  refreshCalcFields(-2, -1);
}

void Calculator::applyPrice(const QString& priceText) {
  editGuard = -3;
  setText(kText10, priceText);
  pricePerkWhValue = calcBoxValue(priceText);
  editGuard = -1;
}

void Calculator::setBack(int first, int count, int32_t colour) {
  for (int box = first; box < first + count; ++box) {
    if (m_back[box] == colour) continue;
    m_back[box] = colour;
    emit boxColoured(box, colour);
  }
}

void Calculator::setCurrentFieldsColor(int32_t colour) { setBack(kText5, 6, colour); }

void Calculator::setPeriodFieldsColor(int32_t colour) { setBack(kText11, 3, colour); }

void Calculator::setFieldsColor3(int32_t colour) { setBack(kText3, 2, colour); }

void Calculator::showBox(int box, const QString& text) {
  const int16_t guard = editGuard;
  editGuard = -2;
  setText(box, text);
  editGuard = guard;
}

void Calculator::showPower(int index, double watts) {
  if (index < 0 || index > 2) return;
  // Under the guard: the kilowatts shown must not be read back as watts.
  showBox(kText9 + index, formatNumber(watts / 1000, QStringLiteral("###,###,##0.000")));
}

void Calculator::calcCurrent() {
  logMsg(4, QStringLiteral("-------- calculating current"));
  const double p = power();
  const double lineVoltage = phaseVoltage * lineVoltageFactor[1];
  const double phase = powerFactor * phaseVoltage;
  const double line = powerFactor * lineVoltage;
  const bool failed = phase == 0 || !std::isfinite(p / phase);
  if (!failed) phaseCurrent = p / phase;
  // Star: each phase carries its share. Delta: one load between two phases, two loads
  // sharing one phase (its current is the common phase's; the other two carry the load
  // current), three loads; then the current through each load.
  const double amps[9] = {p / phase, p / (2 * phase),         p / (3 * phase),
                          p / line,  kSqrt3 * p / (2 * line), p / (kSqrt3 * line),
                          p / line,  p / (2 * line),          p / (3 * line)};
  for (int k = 0; k < 9; ++k) showBox(kText5 + k, fmtValM(amps[k], failed));
  const QString hint = QStringLiteral("Common phase current, (other 2 phases = Load current)");
  if (m_hint[kText5 + 4] != hint) {
    m_hint[kText5 + 4] = hint;
    emit boxHinted(kText5 + 4, hint);
  }
  setCurrentFieldsColor(failed ? kFieldColourGrey : kFieldColourNormal);
}

void Calculator::calcVoltage() {
  logMsg(4, QStringLiteral("-------- calculating voltage"));
  const double current = calcBoxValue(m_text[kText5]);
  if (current == 0) {
    logMsg(4, QStringLiteral("disabling voltage display"));
    setFieldsColor3(kFieldColourGrey);
    return;
  }
  phaseVoltage = power() / current;
  for (int j = 0; j < 2; ++j) showBox(kText3 + j, fmtValM(phaseVoltage * lineVoltageFactor[j]));
  setFieldsColor3(kFieldColourNormal);
}

void Calculator::applyPowerEntry() {
  totPower = calcBoxValue(m_text[kText9]);
  refPower = calcBoxValue(m_text[kText9 + 1]);
  relPower = totPower - refPower;
  calcVoltage();
}

void Calculator::fmtValM2(double value, int index) {
  if (index < 0 || index > 2) return;
  setText(kText11 + index, fmtValMBelow(value, 99999));
}

QString Calculator::periodLabel(int i) const {
  return QString::fromLatin1(periodNames[m_scrollValue + i]) + u' ';
}

QString Calculator::frame3Caption() const {
  return costMode ? QStringLiteral("cost over period") : QStringLiteral("energy over period");
}
