#include "chart/selection_text.h"

#include <cmath>

#include "core/util/format_pattern.h"
#include "core/util/text_helpers.h"
#include "plot/series_energy.h"

namespace {
QString unitText(const valueType& unit, double value, const QString& format) {
  return formatNumber(unit.factor * value + unit.offset, padDecimals(format, unit.decimals)) + u' ' + unit.unit +
         kCrLf;
}

QString temperatureText(double degrees) {
  return formatNumber(degrees, QStringLiteral("+#,0.0;-#,0.0;#,0.0")) + QStringLiteral(" °C") + kCrLf;
}
}  // namespace

QString padDecimals(const QString& format, int decimals) {
  QString out = format;
  return out.replace(u'.', decimals < 1 ? QString() : u'.' + QString(decimals, u'0'));
}

QString makeSelectionText(int s, int32_t q, int32_t p, int seriesType, int32_t mask,
                          const QVector<plotSeries>& series, const ValueUnits& units) {
  const auto powerText = [&units](double watts, const QString& format) { return unitText(units.power, watts, format); };
  const auto energyText = [&units](double wattHours, const QString& format) {
    return unitText(units.energy, wattHours, format);
  };
  if (s < 1 || s >= series.size()) return {};
  const QVector<plotPoint>& pts = series[s].points;
  const int32_t last = static_cast<int32_t>(pts.size()) - 1;
  if (p < 1 || p > last || q < 0 || q > last) return {};
  const plotPoint& a = pts[p];
  const plotPoint& b = pts[q];
  const bool power = seriesType == 1 || seriesType == 2;
  const QString timeFormat =
      std::floor(pts[1].recTime) == std::floor(pts[last].recTime) ? kTimeFormat : kDateTimeFormat;
  QString text;
  if (q > 0 && q != p) {
    const double dt = a.recTime - b.recTime;
    if (mask & kTextTime) {
      const double days = std::trunc(dt);
      text += (dt > 0   ? QStringLiteral("+")
               : dt < 0 ? QStringLiteral("-")
                        : QString()) +
              (days != 0 ? QString::number(std::fabs(days), 'f', 0) + u' ' : QString()) +
              formatDate(std::fabs(dt - days), kTimeFormat) + kCrLf;
    }
    if (mask & kTextValue) {
      if (power) text += powerText(a.value - b.value, QStringLiteral("+#,0.;-#,0."));
      if (seriesType == 3) text += temperatureText(a.value - b.value);
    }
  } else {
    if (mask & kTextTime) text += formatDate(a.recTime, timeFormat) + kCrLf;
    if (mask & kTextValue) {
      if (power) text += powerText(a.value, QStringLiteral("#,0."));
      if (seriesType == 3) text += temperatureText(a.value);
    }
  }
  if (power && q != p) {
    // Summed section by section: never a count difference across a reset.
    const StretchUse use = stretchUse(series[s], q, p);
    const double ws = use.ws;
    if (mask & kTextUsedEnergy) text += energyText(ws / 3600, QStringLiteral("#,0."));
    if (use.timed) {
      const double t = use.seconds;
      if (t >= kMinPowerSeconds) {
        const double avg = ws / t;
        if (mask & kTextAveragePower) text += powerText(avg, QStringLiteral("#,0."));
        if (mask & kTextRelAveragePower) text += powerText(avg - b.value, QStringLiteral("+#,0.;-#,0."));
        if (mask & kTextRelUsedEnergy) text += energyText((ws - t * b.value) / 3600, QStringLiteral("+#,0.;-#,0."));
      }
    }
  }
  if (text.endsWith(kCrLf)) text.chop(2);
  return text;
}
