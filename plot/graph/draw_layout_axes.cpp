// The drawing engine's set-up, layer loop, texts and axes.
#include <algorithm>
#include <cstring>

#include "core/util/format_pattern.h"
#include "core/log/logmsg.h"
#include "platform/colour.h"
#include "plot/graph/draw_context.h"
#include "plot/graph/font_text.h"
#include "plot/graph/plot_graph.h"

namespace {

constexpr int32_t kWhite = rgbColour(255, 255, 255);
constexpr int32_t kBlack = rgbColour(0, 0, 0);
constexpr double kNoExtent = 10000000;

// Where one set of grid lines, ticks or labels puts its values.
struct SetValues {
  double first = 0, last = 0, step = 0;
};

// False when the set has no step and is skipped.
bool valuesOf(const graphAxisRecord& a, int16_t divisions, double start, double end, double step,
              SetValues& out) {
  if (divisions != 0) {
    const double range = a.maxValue - a.minValue;
    const double parts = a.axisFlags == -1 ? std::max(1.0, std::min<double>(divisions, range)) : divisions;
    out.step = range / parts;
    out.first = a.minValue + out.step;
    out.last = a.maxValue - out.step;
  } else {
    out = {start, end, step};
  }
  return out.step != 0;
}

// Picture coordinate of a set's value; horizontal sets are shifted by half their shift.
double setPos(const graphAxisRecord& a, double v, int16_t shift) {
  const double s = a.horizontal() ? shift / 2.0 : 0;
  return (v - a.origin - s) * a.scale + a.offset;
}

// The range test of horizontal ticks and labels: a value within a sixteenth
// of a step of the shown range, either way round.
bool nearRange(const graphAxisRecord& a, double v, double step) {
  const double lo = std::min(a.minValue, a.maxValue), hi = std::max(a.minValue, a.maxValue);
  const double tol = std::fabs(step) / 16;
  return v + tol >= lo && v - tol <= hi;
}

// A label text: a date pattern formats the value as a date, anything else as a number.
QString formatLabel(double v, const QString& pattern) {
  const auto holds = [&pattern](const char* letters) {
    return std::any_of(pattern.cbegin(), pattern.cend(),
                       [letters](QChar c) { return c.unicode() > 0 && c.unicode() < 128 && std::strchr(letters, c.toLatin1()); });
  };
  if (holds("yYmMdDhHnNsS") && !holds("0#")) return formatDate(v, pattern);
  return formatNumber(v, pattern);
}

void useFont(DrawContext& c, const QString& fontText) {
  if (!fontText.isEmpty()) c.curFont = fontText;
  if (c.curFont != c.baseFont) parseFontSpec(c.curFont, c.pic);
}

void restoreBaseFont(DrawContext& c) {
  if (c.curFont == c.baseFont) return;
  c.curFont = c.baseFont;
  parseFontSpec(c.curFont, c.pic);
}

void drawText(DrawContext& c, const graphTextRecord& t) {
  useFont(c, t.fontSpec);
  c.pic.setForeColor(t.colour);
  double x = c.sl + c.sw * t.posX - c.pic.textWidth(t.text) / 2;
  const double y = c.st + c.sh * t.posY - c.pic.textHeight(t.text) / 2;
  if (x < 0) x = 0;
  printTextAt(t.text, y, x, c.pic);
  restoreBaseFont(c);
}

void computeScale(const DrawContext& c, graphAxisRecord& a) {
  a.origin = 0;
  const double span = a.maxValue - a.minValue - a.padUnits;
  if (span == 0) {
    a.scale = 1;
    a.offset = 0;
    return;
  }
  const double from = a.horizontal() ? c.L : c.B;
  a.scale = a.horizontal() ? (c.R - c.L) / span : (c.T - c.B) / span;
  a.offset = from - (a.minValue - a.origin + a.padUnits) * a.scale + a.padUnits * a.scale / 2;
}

void drawAxisLine(DrawContext& c, const graphAxisRecord& a) {
  const double w = a.lineWidth;
  if (w <= 0) return;
  c.pic.setFillColor(a.axisLineColour);
  c.pic.setForeColor(a.axisLineColour);
  switch (a.position) {
    case kAxisTop: check(c.pic.filledBox({c.L, c.T - c.uY}, {c.R, c.T - w * c.uY}), kErrOverflow); break;
    case kAxisBottom: check(c.pic.filledBox({c.L, c.B + c.uY}, {c.R, c.B + w * c.uY}), kErrOverflow); break;
    case kAxisLeft: check(c.pic.filledBox({c.L - c.uX, c.B}, {c.L - w * c.uX, c.T}), kErrOverflow); break;
    default: check(c.pic.filledBox({c.R + c.uX, c.B}, {c.R + w * c.uX, c.T}), kErrOverflow); break;
  }
}

void drawGridSet(DrawContext& c, const graphAxisRecord& a, const axisGridRecord& g) {
  SetValues s;
  if (g.lineWidthPx < 1 || !valuesOf(a, g.divisions, g.start, g.end, g.step, s)) return;
  setPenWidth(c.pic, 1);
  if (a.horizontal()) {
    const double W = g.lineWidthPx * c.uX;
    const double lo = std::min(a.minValue, a.maxValue), hi = std::max(a.minValue, a.maxValue);
    forSteps<double>(s.first, s.last + g.padUnits + s.step / 8, s.step, [&](double v) {
      const double x1 = setPos(a, v, g.padUnits) - (W - c.uX) / 2, x2 = x1 + W - c.uX;
      if (v >= lo && v < hi) check(c.pic.filledBox({x1, c.B}, {x2, c.T}, g.colour), kErrOverflow);
    });
  } else {
    forSteps<float>(s.first, s.last + s.step / 2, s.step, [&](float v) {
      const double y = setPos(a, v, g.padUnits);
      check(c.pic.line({c.L, y}, {c.R + 1, y}, g.colour), kErrOverflow);
    });
  }
}

void drawTickSet(DrawContext& c, const graphAxisRecord& a, const axisTickRecord& t) {
  SetValues s;
  if (t.lineWidthPx < 1 || !valuesOf(a, t.divisions, t.start, t.end, t.step, s)) return;
  const double K = t.tickLength;
  if (a.horizontal()) {
    const double W = t.lineWidthPx * c.uX;
    forSteps<double>(s.first, s.last + s.step / 8, s.step, [&](double v) {
      if (!nearRange(a, v, s.step)) return;
      const double x1 = setPos(a, v, t.shiftUnits) - (W - c.uX) / 2, x2 = x1 + W - c.uX;
      const bool top = a.position == kAxisTop;
      const QPointF from(x1, top ? c.T - K * c.uY : c.B + c.uY), to(x2, top ? c.T - c.uY : c.B + K * c.uY);
      check(c.pic.filledBox(from, to, t.colour), kErrOverflow);
    });
  } else {
    const double W = t.lineWidthPx * c.uY;
    forSteps<float>(s.first, s.last + s.step / 2, s.step, [&](float v) {
      const double p = setPos(a, v, t.shiftUnits);
      const double y1 = p - W / 2 + c.uY / 2 - 0.5, y2 = p + W / 2 - c.uY / 2 - 0.5;
      const bool left = a.position == kAxisLeft;
      const QPointF from(left ? c.L - K * c.uX : c.R + c.uX, y1), to(left ? c.L - c.uX : c.R + K * c.uX, y2);
      check(c.pic.filledBox(from, to, t.colour), kErrOverflow);
    });
  }
}

void drawLabel(DrawContext& c, const graphAxisRecord& a, const axisLabelRecord& l, double v) {
  c.pic.setForeColor(v >= a.mark1 ? l.colours[0] : v <= a.mark2 ? l.colours[2] : l.colours[1]);
  QString s = formatLabel(v * l.labelFactor + l.labelOffset, l.numberFormat);
  if (s.endsWith(u',') || s.endsWith(u'.')) s.chop(1);
  const double p = setPos(a, v, l.shiftUnits);
  const double g = l.labelGap, shift = l.labelShiftPx;
  double x, y;
  if (a.horizontal()) {
    y = a.position == kAxisTop ? c.T - c.pic.textHeight(s) - g * c.uY : c.B + g * c.uY;
    x = p - c.pic.textWidth(s) / 2 + shift * c.uX;
  } else {
    x = a.position == kAxisLeft ? c.L - c.pic.textWidth(s) - g * c.uX : c.R + g * c.uX;
    y = p - c.pic.textHeight(s) / 2 + shift * c.uY;
  }
  printTextAt(s, y, x, c.pic);
}

void drawLabelSet(DrawContext& c, const graphAxisRecord& a, const axisLabelRecord& l) {
  if (l.numberFormat.isEmpty()) return;
  useFont(c, l.labelFont);
  setPenWidth(c.pic, 1);
  SetValues s;
  if (valuesOf(a, l.divisions, l.start, l.end, l.step, s)) {
    if (a.horizontal()) {
      forSteps<double>(s.first, s.last + l.shiftUnits + s.step / 8, s.step, [&](double v) {
        if (nearRange(a, v, s.step)) guarded([&] { drawLabel(c, a, l, v); });
      });
    } else {
      forSteps<float>(s.first, s.last + s.step / 2, s.step,
                      [&](float v) { guarded([&] { drawLabel(c, a, l, v); }); });
    }
  }
  restoreBaseFont(c);
}

void drawSignItem(DrawContext& c, const graphAxisRecord& a, const axisSignRecord& item) {
  if (item.lineWidthPx < 1 || item.sign < kSignMin || item.sign > kSignMax) return;
  const double values[5] = {a.minValue, a.mark2, a.referenceValue, a.mark1, a.maxValue};
  const double at = a.map().toPixel(values[item.sign - kSignMin]);
  if (a.horizontal()) {
    const double W = item.lineWidthPx * c.uX;
    const double x1 = at - (W - c.uX) / 2, x2 = x1 + W - c.uX;
    if (c.L - c.uX <= at && at <= c.R + c.uX)
      check(c.pic.filledBox({x1, c.T}, {x2, c.B}, item.colour), kErrOverflow);
  } else {
    const double W = item.lineWidthPx * c.uY;
    const double y1 = at - W / 2 + c.uY / 2 - 0.5, y2 = at + W / 2 - c.uY / 2 - 0.5;
    if (c.T - c.uY <= at && at <= c.B + c.uY)
      check(c.pic.filledBox({c.L, y1}, {c.R, y2}, item.colour), kErrOverflow);
  }
}

// Every list of an axis is walked from 1; each item of this pass is drawn alone.
template <class Item, class Draw>
void drawItemsOfLayer(const QVector<Item>& items, int16_t layer, Draw&& draw) {
  for (qsizetype i = 1; i < items.size(); ++i)
    if (items[i].layer == layer) guarded([&] { draw(items[i]); });
}

void drawAxis(DrawContext& c, graphAxisRecord& a, int16_t layer) {
  computeScale(c, a);
  if (a.layer == layer) guarded([&] { drawAxisLine(c, a); });
  drawItemsOfLayer(a.gridLines, layer, [&](const axisGridRecord& g) { drawGridSet(c, a, g); });
  drawItemsOfLayer(a.ticks, layer, [&](const axisTickRecord& t) { drawTickSet(c, a, t); });
  drawItemsOfLayer(a.labels, layer, [&](const axisLabelRecord& l) { drawLabelSet(c, a, l); });
  drawItemsOfLayer(a.signItems, layer, [&](const axisSignRecord& s) { drawSignItem(c, a, s); });
}

// The picture's scale, a detail of every picture drawn (each web graph too).
constexpr int kSetUpLevel = 4;

void logSetUp(const DrawContext& c) {
  if (!logShows(kSetUpLevel)) return;
  const QString crlf = QStringLiteral("\r\n");
  logMsg(kSetUpLevel, QStringLiteral("plotJtGraphToPicture()") + crlf + QStringLiteral("  plotPic.ScaleMode = ") +
                QString::number(c.pic.scaleMode()) + crlf + QStringLiteral("  plotPic.scaleWidth = ") +
                strPlain(c.sw) + crlf + QStringLiteral("  plotPic.scaleHeight = ") + strPlain(c.sh) + crlf +
                QStringLiteral("  pixel dUppX = ") + strPlain(c.uX) + crlf + QStringLiteral("  pixel dUppY = ") +
                strPlain(c.uY) + crlf + QStringLiteral("  bg.font = ") + c.graph.fontSpec + crlf);
}

double sgn(double v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }

}  // namespace

void engineError(int number) { logMsg(-1, QStringLiteral("plotJtGraphToPicture: ERROR ") + QString::number(number)); }

void resetPen(PictureCanvas& pic) {
  pic.setDrawWidth(1);
  pic.setDrawStyle(kDrawStyleSolid);
  pic.setDrawMode(kDrawModeCopyPen);
  pic.setFillStyle(kFillTransparent);
}

void setPenWidth(PictureCanvas& pic, double width) {
  const double w = std::nearbyint(width);
  if (!(std::fabs(w) <= 32767)) {
    engineError(kErrOverflow);
    return;
  }
  check(pic.setDrawWidth(static_cast<int>(w)));
}

void plotJtGraphToPicture(graphRecord& graph, PictureCanvas& plotPic, const QVector<plotSeries>& seriesData) {
  DrawContext c{graph, plotPic, seriesData};
  plotPic.setForeColor(kWhite);
  plotPic.setFillColor(kWhite);
  plotPic.setDrawMode(kDrawModeCopyPen);
  plotPic.setDrawStyle(kDrawStyleSolid);
  plotPic.setFillStyle(kFillTransparent);

  c.uX = plotPic.scaleX(1, kScalePixels, plotPic.scaleMode());
  c.uY = plotPic.scaleY(1, kScalePixels, plotPic.scaleMode());
  c.sl = plotPic.scaleLeft();
  c.st = plotPic.scaleTop();
  c.sw = plotPic.scaleWidth();
  c.sh = plotPic.scaleHeight();
  logSetUp(c);
  c.baseFont = c.curFont = graph.fontSpec;
  parseFontSpec(c.curFont, plotPic);
  graph.unitsPerPixelX = static_cast<float>(c.uX);
  graph.unitsPerPixelY = static_cast<float>(c.uY);

  // In single precision, as the record keeps it: 100 x 0.1 is then exactly 10.
  const float sl = static_cast<float>(c.sl), st = static_cast<float>(c.st);
  const float sw = static_cast<float>(c.sw), sh = static_cast<float>(c.sh);
  const float uX = static_cast<float>(c.uX), uY = static_cast<float>(c.uY);
  graph.plotLeft = sl + sw * graph.marginLeft;
  graph.plotRight = sl + sw - uX - sw * graph.marginRight;
  graph.plotTop = st + sh * graph.marginTop;
  graph.plotBottom = st + sh - uY - sh * graph.marginBottom;
  c.L = graph.plotLeft;
  c.R = graph.plotRight;
  c.T = graph.plotTop;
  c.B = graph.plotBottom;
  for (qsizetype i = 1; i < graph.axes.size(); ++i) {
    graphAxisRecord& a = graph.axes[i];
    a.drawnMax = sgn(a.limitMin - a.limitMax) * kNoExtent;
    a.drawnMin = sgn(a.limitMax - a.limitMin) * kNoExtent;
  }

  for (int n = 1; n <= graph.layerCount; ++n) {
    if (n == 1 && graph.plotBackColour != -1)
      guarded([&] { check(plotPic.filledBox({c.L, c.T}, {c.R, c.B}, graph.plotBackColour), kErrOverflow); });
    for (qsizetype i = 1; i < graph.texts.size(); ++i) {
      const graphTextRecord& t = graph.texts[i];
      if (t.layer == n && !t.text.isEmpty()) guarded([&] { drawText(c, t); });
    }
    for (qsizetype i = 1; i < graph.axes.size(); ++i) drawAxis(c, graph.axes[i], n);
    drawSeriesOfLayer(c, n);
    if (n == graph.clipLayer) guarded([&] { clipMargins(c); });
    if (n == graph.layerCount) guarded([&] { drawFrame3D(c); });
  }

  resetPen(plotPic);
  plotPic.setForeColor(kBlack);
  plotPic.setFillColor(kWhite);
  plotPic.flush();
}
