#include "chart/x_range.h"

#include <algorithm>
#include <cmath>

#include "chart/axis_number_format.h"
#include "core/log/logmsg.h"
#include "core/util/format_pattern.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"

namespace {
constexpr double kScrollUnits = 10000;

double limitRange(const graphAxisRecord& a) {
  const double total = a.limitMax - a.limitMin;
  return total == 0 ? 1 : total;
}
int sgn(double v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }
}  // namespace

int16_t toInt16Clamped(double v) {
  if (std::isnan(v)) return 0;
  return static_cast<int16_t>(std::clamp(roundHalfEven(std::clamp(v, -40000.0, 40000.0)), -32768.0, 32767.0));
}

XScrollBar setSelXrange(const graphAxisRecord& x) {
  logMsg(1, QStringLiteral("setSelXrange: enter"));
  const double total = limitRange(x);
  const double width = x.maxValue - x.minValue;
  const double large = std::max(std::floor(width * kScrollUnits / total), 1.0);
  const double pos = std::max(std::floor((x.minValue - x.limitMin) * kScrollUnits / total), 1.0);
  XScrollBar bar;
  bar.max = toInt16Clamped(std::max(kScrollUnits - large, pos));
  bar.largeChange = toInt16Clamped(large);
  bar.value = toInt16Clamped(pos);
  // The tag is what the bar holds, so the next change measures from there.
  bar.tag = strPlain(bar.value);
  bar.shown = !(width >= total);
  bar.zoomOutEnabled = bar.shown;
  bar.enableZoomIn = width > 2;
  logMsg(1, QStringLiteral("setSelXrange: done ") + strPlain(bar.largeChange));
  return bar;
}

QString showRangeLabel(const graphAxisRecord& x, int16_t chartMode, int32_t logRecordCount) {
  QString s = chartMode == 2 ? QStringLiteral("1 [ ") : QString();
  s += strPlain(x.limitMin) + QStringLiteral(" { ") + strPlain(x.minValue) + QStringLiteral(" - ( ") +
       strPlain(x.maxValue - x.minValue + 1) + QStringLiteral(" ) - ") + strPlain(x.maxValue) +
       QStringLiteral(" } ") + strPlain(x.limitMax);
  if (chartMode == 2) s += QStringLiteral(" ] ") + strPlain(logRecordCount);
  return s;
}

bool setHScrollBar(graphAxisRecord& x, XScrollBar& bar, int16_t chartMode) {
  logMsg(2, QStringLiteral("setHScrollBar:  Value=%1   min=%2 max=%3   SmallChange=%4 LargeChange=%5")
                .arg(bar.value).arg(bar.min).arg(bar.max).arg(bar.smallChange).arg(bar.largeChange));
  const double applied = val(bar.tag);
  if (chartMode == 0 || applied == bar.value) return false;
  logMsg(2, QStringLiteral("HScroll1_Change:  Value changed Tag=") + bar.tag + QStringLiteral("  Value=") +
                strPlain(bar.value) + QStringLiteral("  "));
  const double total = limitRange(x);
  const double width = x.maxValue - x.minValue;
  const int16_t d = toInt16Clamped(bar.value - applied);
  double delta = d * total / kScrollUnits;
  logMsg(2, std::abs(d) < 2 ? QStringLiteral("HScroll1_Change:  small change")
                            : QStringLiteral("HScroll1_Change:  big change"));
  logMsg(2, QStringLiteral("HScroll1_Change:  changes =") + strPlain(delta));
  // An axis of whole numbers moves by whole units, at least one per change;
  // any other (a time axis counts in days) by the scaled amount itself.
  if (x.axisFlags == -1) {
    delta = std::floor(delta + 0.49995);
    if (delta == 0) delta = sgn(d);
  }
  x.minValue += delta;
  x.maxValue = x.minValue + width;
  if (x.minValue < x.limitMin) {
    x.minValue = x.limitMin;
    x.maxValue = x.minValue + width;
  }
  if (x.maxValue > x.limitMax) {
    x.maxValue = x.limitMax;
    x.minValue = x.maxValue - width;
  }
  logMsg(2, QStringLiteral("HScroll1_Change:  selStart =") +
                strPlain(std::floor((x.minValue - x.limitMin) * kScrollUnits / total)));
  bar.tag = strPlain(bar.value);
  return true;
}

std::optional<ZoomTexts> zoomAxisInOut(graphRecord& graph, int16_t chartMode, int16_t axis, int16_t outFlg,
                                       const QString& labelScaleText, const ZoomTexts& typed) {
  if (chartMode < 1 || axis < 1 || axis >= graph.axes.size()) return std::nullopt;
  graphAxisRecord& a = graph.axes[axis];
  int16_t scale = toInt16Clamped(val(labelScaleText));
  if (scale >= a.labels.size() || scale < 1) scale = 0;
  double max = a.maxValue, min = a.minValue;
  const double width = max - min;
  switch (outFlg) {
    case kZoomIn:
      if (max > min) max -= width / 4, min += width / 4;
      break;
    case kZoomOut:
      if (max > min) max += width / 2, min -= width / 2;
      if (max > a.limitMax) max = a.limitMax, min = max - 2 * width;
      if (min < a.limitMin) min = a.limitMin, max = min + 2 * width;
      if (max > a.limitMax) max = a.limitMax;
      if (min < a.limitMin) min = a.limitMin;
      break;
    case kZoomDrawn: min = a.drawnMin, max = a.drawnMax; break;
    case kZoomHome: min = a.homeMin, max = a.homeMax; break;
    case kZoomLimits: min = a.limitMin, max = a.limitMax; break;
    case kZoomSet:
      max = val(commaToPoint(typed.max));
      min = val(commaToPoint(typed.min));
      if (scale >= 1) {
        const axisLabelRecord& l = a.labels[scale];
        max = (max - l.labelOffset) / l.labelFactor;
        min = (min - l.labelOffset) / l.labelFactor;
      }
      break;
    default: break;
  }
  if (a.axisFlags == -1) max = std::floor(max), min = std::floor(min);
  // A range that is empty or no number (a label scale of factor 0) is not taken.
  if (max != min && std::isfinite(max) && std::isfinite(min)) a.maxValue = max, a.minValue = min;
  double shownMax = max, shownMin = min;
  if (scale >= 1) {
    const axisLabelRecord& l = a.labels[scale];
    shownMax = max * l.labelFactor + l.labelOffset;
    shownMin = min * l.labelFactor + l.labelOffset;
  }
  logMsg(1, QStringLiteral("zoomAxisInOut: axis=%1  outFlg=%2  min=").arg(axis).arg(outFlg) + strPlain(min) +
                QStringLiteral("  max=") + strPlain(max));
  return ZoomTexts{.max = strPlain(shownMax), .min = strPlain(shownMin)};
}

void shiftAxis(graphRecord& graph, int16_t chartMode, int16_t axis, int16_t direction) {
  if (chartMode < 1 || axis < 1 || axis >= graph.axes.size()) return;
  graphAxisRecord& a = graph.axes[axis];
  const float max = static_cast<float>(a.maxValue), min = static_cast<float>(a.minValue);
  const float step = (max - min) / 8;
  if (direction > 0) a.maxValue = max - step, a.minValue = min - step;
  if (direction < 0) a.maxValue = max + step, a.minValue = min + step;
}

std::optional<ZoomTexts> applyYScale(graphRecord& graph, int16_t chartMode, bool isCommand, int16_t n,
                                     const QString& seriesText, const QString& labelScaleText,
                                     const ZoomTexts& typed) {
  if (chartMode < 1) return std::nullopt;
  int16_t sel = toInt16Clamped(val(seriesText));
  if (sel >= graph.series.size() || sel < 1) sel = 0;
  std::optional<ZoomTexts> shown;
  for (int16_t i = 1; i < graph.axes.size(); ++i) {
    const int16_t position = graph.axes[i].position;
    if (position != kAxisLeft && position != kAxisRight) continue;
    if (sel != 0 && graph.series[sel].yAxis != i) continue;
    if (isCommand) {
      if (auto texts = zoomAxisInOut(graph, chartMode, i, n, labelScaleText, typed)) shown = texts;
    } else {
      shiftAxis(graph, chartMode, i, n);
    }
  }
  refreshValueAxisFormats(graph);
  return shown;
}
