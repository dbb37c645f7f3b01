#include "meter/engine/meter_display.h"

#include <cmath>

#include "core/util/format_pattern.h"
#include "meter/engine/count_processor.h"
#include "platform/named_colours.h"

namespace {
QString rateNumberText(double v) { return formatNumber(v, QStringLiteral("#,0.000")); }
QString countsText(double v) { return formatNumber(v, QStringLiteral("#,0")); }
QString temperatureValueText(double t) { return temperatureText(float(t)); }
}  // namespace

QString fmtValMBelow(double value, double twoDecimalsBelow) {
  if (value > 9999999) return formatNumber(value / 1000000, QStringLiteral("###,##0.000 \\M"));
  if (value < twoDecimalsBelow) return formatNumber(value, QStringLiteral("###,##0.00"));
  return formatNumber(value, QStringLiteral("###,##0"));
}

QString fmtValM(double value, bool errorPending) {
  if (errorPending) return QStringLiteral("ERROR");
  return fmtValMBelow(value, 999.99);
}

QString registerText(double energyWh) {
  const double kWh = energyWh / 1000.0;
  return formatNumber(kWh,
                      std::fabs(kWh) < 10000000.0 ? QStringLiteral("#,###,##0.000") : QStringLiteral("##,###,##0"));
}

QString temperatureText(float tempDegC) {
  if (tempDegC <= -200 || tempDegC >= 200) return QString();
  return formatNumber(tempDegC, QStringLiteral("#,0.0 °C"));
}

void MeterPanelState::setFrame1Caption(const QString& text) {
  frame1Caption = text;
  ++frame1CaptionWrites;
}

void MeterPanelState::showRateValue(double shown, double seconds) {
  text2.setValue(shown, rateNumberText);
  text2Color = kSysColorWindowText;
  text2Seconds = seconds;
  text2Typed = false;
}

bool MeterPanelState::showRate(double seconds) {
  if (!validRate(seconds)) {
    text2 = QStringLiteral("ERROR");
    text2Color = kRed;
    text2Seconds = 0;
    text2Typed = false;
    return false;
  }
  // Shown in single precision, as the box always showed it.
  const float shown = countsPerSecond ? float(1.0 / seconds) : float(seconds);
  showRateValue(shown, seconds);
  return true;
}

void MeterPanelState::showReading(const ReadingResult& r) {
  label14.setValue(r.temperature, temperatureValueText);
  ++label14Writes;
  text8.setValue(double(r.totalCounts), countsText);
  showRegister(r.energyWh);
  showRate(r.secondsPerCount);
  if (r.startsPeriod) setFrame1Caption(QStringLiteral("Energy meter - ONLINE ") + generalDate(r.time));
  if (r.writeFailed) setFrame1Caption(QStringLiteral("Energy meter - ERROR writing data file"));
}
