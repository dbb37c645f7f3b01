#include "meter/window/indicators.h"

#include <algorithm>
#include <cmath>

#include "core/log/logmsg.h"
#include "core/settings/derived_constants.h"
#include "core/util/format_pattern.h"
#include "core/util/number_text.h"

namespace {
constexpr int kFlashMs = 200;
}

QColor pulseLedColor(int16_t w) {
  if (w < 2) return {0, 255, 255};
  if (w == 2) return {0, 0, 255};
  if (w <= 4) return {255, 255, 0};
  if (w <= 6) return {0, 255, 0};
  if (w <= 8) return {255, 255, 0};
  return {255, 0, 0};
}

PowerBarPlan planPowerBar(double interval, double pulseWidth, const PowerBarInputs& in) {
  PowerBarPlan p;
  if (in.wsPerCount <= 0) return p;
  p.drawn = true;
  p.revsPerWs = in.revsPerkWh / kWsPerkWh;
  p.maxPulseFreq = in.maxMeterPower / in.wsPerCount;
  if (interval > 0) {
    p.pulseFreq = 1 / interval;
    if (pulseWidth > 0) p.relPulseWidth = std::min(1.0, in.prescale * pulseWidth / interval) * p.pulseFreq;
  }
  p.refFreq = in.relative ? in.referencePower / in.wsPerCount : 0;
  p.cleared = true;
  if (p.maxPulseFreq < 0.001) return p;

  const double w = in.boxTwips.width();
  p.horizontal = w >= in.boxTwips.height();
  const double top = p.pulseFreq, bottom = p.pulseFreq - p.relPulseWidth;
  if (p.horizontal) {
    p.scale = QRectF(0, 0, p.maxPulseFreq, 5);
    if (interval > 0) p.green = QRectF(QPointF(0, 1), QPointF(top, 4));
    if (pulseWidth > 0) p.red = QRectF(QPointF(bottom, 1), QPointF(top, 4));
    // A mark across the bar at the reference rate.
    if (p.refFreq > 0) p.ref = QLineF(p.refFreq, 0, p.refFreq, 5);
  } else {
    const double m = p.maxPulseFreq;
    p.scale = QRectF(0, 0, w, m);
    if (interval > 0) p.green = QRectF(QPointF(1, m - top), QPointF(w - 1, m));
    if (pulseWidth > 0) p.red = QRectF(QPointF(1, m - top), QPointF(w - 1, m - bottom));
    if (p.refFreq > 0) p.ref = QLineF(1, m - p.refFreq, w - 1, m - p.refFreq);
  }
  p.hasGreen = interval > 0;
  p.hasRed = pulseWidth > 0;
  p.hasRef = p.refFreq > 0;
  return p;
}

QString powerBarLogText(const PowerBarPlan& p) {
  return QStringLiteral("updatePowerBarIndicator: revsPerWs=") + strPlain(p.revsPerWs) +
         QStringLiteral("  maxPulseFreq=") + strPlain(p.maxPulseFreq) + QStringLiteral("  pulseFreq=") +
         strPlain(p.pulseFreq) + QStringLiteral("  relPulseWidth=") + strPlain(p.relPulseWidth);
}

int pulseTestInterval(const QString& text) {
  const double v = std::floor(val(text));
  if (!(v > 0)) return 0;
  return static_cast<int>(std::min(v, double(FormTimer::kMaxIntervalMs)));
}

Indicators::Indicators(QObject* parent) : QObject(parent) {
  Timer2.onTimeout([this] { timer2Timer(); });
  Timer5.onTimeout([this] { timer5Timer(); });
  Timer6.onTimeout([this] { timer6Timer(); });
}

void Indicators::setLed(bool solid, QColor colour) {
  m_ledSolid = solid;
  m_ledColor = colour;
  emit ledChanged();
}

void Indicators::setShape2(QColor colour) {
  m_shape2Color = colour;
  emit shape2Changed();
}

void Indicators::onPulseIndicator(double /*duration*/, double interval, double pulseWidth,
                                  const PowerBarInputs& in, int16_t widthBits) {
  Timer2.setEnabled(false);
  if (!m_breakIndicated) {
    setLed(true, pulseLedColor(widthBits));
  } else {
    setLed(false, m_ledColor);
  }
  Timer2.setInterval(kFlashMs);
  Timer2.setEnabled(true);
  if (interval > -2) updatePowerBarIndicator(interval, pulseWidth, in);
  if (m_ringBell) emit bellRung();
}

void Indicators::timer2Timer() {
  if (!m_breakIndicated) {
    setLed(false, m_ledColor);
  } else {
    setLed(true, QColor(255, 0, 0));
  }
  Timer2.setEnabled(false);
  m_breakIndicated = false;
}

void Indicators::showBreakIndicator() {
  setLed(true, QColor(255, 0, 255));
  m_breakIndicated = true;
}

void Indicators::updatePowerBarIndicator(double interval, double pulseWidth, const PowerBarInputs& in) {
  const PowerBarPlan plan = planPowerBar(interval, pulseWidth, in);
  if (!plan.drawn) return;
  if (logShows(3)) logMsg(3, powerBarLogText(plan));
  emit powerBarPlanned(plan);
}

void Indicators::pulseTestChecked(bool checked, const QString& onTimeText, const QString& periodText) {
  if (checked) {
    Timer6.setInterval(pulseTestInterval(onTimeText));
    Timer5.setInterval(pulseTestInterval(periodText));
    Timer6.setEnabled(false);
    Timer5.setEnabled(true);
  } else {
    Timer5.setEnabled(false);
    Timer6.setEnabled(false);
    setShape2(QColor(255, 255, 0));
  }
}

void Indicators::timer5Timer() {
  setShape2(Qt::white);
  Timer6.setEnabled(true);
}

void Indicators::timer6Timer() {
  setShape2(Qt::black);
  Timer6.setEnabled(false);
}
