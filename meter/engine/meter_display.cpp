#include "meter/engine/meter_display.h"

#include <cmath>

#include "core/util/format_pattern.h"

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
