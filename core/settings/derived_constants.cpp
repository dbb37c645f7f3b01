#include "core/settings/derived_constants.h"

#include <QLocale>
#include <cmath>

#include "core/util/format_pattern.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"

namespace {
const QString kUnknown = QStringLiteral("?");
}  // namespace

QString singleText(double v) {
  QLocale loc = QLocale::system();
  loc.setNumberOptions(QLocale::OmitGroupSeparator);
  return loc.toString(static_cast<double>(static_cast<float>(v)), 'g', 7).replace(u'e', u'E');
}

MeterScaleResult computeMeterScale(const MeterScaleInputs& in) {
  MeterScaleResult r;
  r.WsPerCount = in.WsPerCount;
  r.minMeterScale = in.minMeterScale;
  if (in.revsPerkWh <= 0 || in.ticksPerSec <= 0) return r;
  r.changed = true;

  double countsPerkWh = 0;
  if (in.pulsesPerRev > 0 && in.prescale > 0) {
    countsPerkWh = in.pulsesPerRev * in.revsPerkWh / in.prescale;
    r.WsPerCount = kWsPerkWh / countsPerkWh;
  }
  auto show = [&](int k, bool ok, double v, const char* pattern) {
    r.text5[k] = ok ? formatNumber(v, QString::fromLatin1(pattern)) : kUnknown;
  };
  show(0, true, kWsPerkWh / in.revsPerkWh, "#,0");
  show(6, in.pulsesPerRev > 0, kWsPerkWh / (in.pulsesPerRev * in.revsPerkWh), "#,0");
  show(9, r.WsPerCount > 0, r.WsPerCount, "#,0");
  show(13, in.counterBits > 0 && countsPerkWh > 0, std::pow(2.0, in.counterBits) / countsPerkWh, "#,0");
  r.text5[5] = singleText(1000000.0 / in.ticksPerSec);
  const double wrap = in.timerBits > 0 ? std::pow(2.0, in.timerBits) / in.ticksPerSec : 0;
  show(8, in.timerBits > 0, wrap, "#,0");
  show(1, in.maxMeterPower > 0, kWsPerkWh / (in.maxMeterPower * in.revsPerkWh), "#,0.00");
  show(2, in.minUpdateInterval > 0, kWsPerkWh / (in.minUpdateInterval * in.revsPerkWh), "#,0");
  show(3, in.maxUpdateInterval > 0, kWsPerkWh / (in.maxUpdateInterval * in.revsPerkWh), "#,0");
  show(4, wrap > 0, wrap, "#,0.000");
  if (wrap > 0) r.minMeterScale = kWsPerkWh / (in.revsPerkWh * wrap);
  show(10, wrap > 0, r.minMeterScale, "#,0.000");
  r.text5[12] = wrap > 0
                    ? singleText(kWsPerkWh / ((wrap - 1 / in.ticksPerSec) * in.revsPerkWh) - r.minMeterScale)
                    : kUnknown;
  if (in.maxMeterPower > 0) {
    const double t = kWsPerkWh / (in.maxMeterPower * in.revsPerkWh);
    r.text5[11] = singleText(in.maxMeterPower - kWsPerkWh / ((1 / in.ticksPerSec + t) * in.revsPerkWh));
  }
  return r;
}

bool buildValueType(valueType& vt, int use, const ValueTypeFields& standard, const ValueTypeFields& user,
                    bool energy) {
  if (use == 2) {
    vt.description =
        energy ? QStringLiteral("Energy consumption") : QStringLiteral("Energy consumption / hour");
    vt.title = energy ? QStringLiteral("Energy") : QStringLiteral("Power");
    vt.factor = 1;
    vt.offset = 0;
    vt.decimals = 0;
    vt.unit = energy ? QStringLiteral("Wh") : QStringLiteral("W");
    return true;
  }
  const ValueTypeFields& f = use == 1 ? user : standard;
  vt.title = f.title;
  // A factor too large for a double is refused like a decimals count that does not fit.
  const double factor = valUnbounded(commaToPoint(removeBlanks(f.factor)));
  if (!std::isfinite(factor)) return false;
  vt.factor = factor;
  vt.offset = 0;
  int16_t decimals = 0;
  if (!roundToInt16(valUnbounded(commaToPoint(removeBlanks(f.decimals))), decimals)) return false;
  vt.decimals = decimals;
  vt.unit = f.unit;
  return true;
}
