// The drawing engine's set-up, layer loop, texts and axes.
#include <algorithm>
#include <cstring>

#include "core/log/logmsg.h"
#include "core/util/format_pattern.h"
#include "core/util/text_helpers.h"
#include "platform/named_colours.h"
#include "plot/graph/draw_context.h"
#include "plot/graph/font_text.h"
#include "plot/graph/plot_graph.h"

namespace {

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
    out = {.first = start, .last = end, .step = step};
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
  if (!fontText.isEmpty()) c.currentFont = fontText;
  if (c.currentFont != c.graphFont) parseFontSpec(c.currentFont, c.canvas);
}

void restoreBaseFont(DrawContext& c) {
  if (c.currentFont == c.graphFont) return;
  c.currentFont = c.graphFont;
  parseFontSpec(c.currentFont, c.canvas);
}

void drawText(DrawContext& c, const graphTextRecord& t) {
  useFont(c, t.fontSpec);
  c.canvas.setForeColor(t.colour);
  double x = c.area.left + c.area.width * t.posX - c.canvas.textWidth(t.text) / 2;
  const double y = c.area.top + c.area.height * t.posY - c.canvas.textHeight(t.text) / 2;
  if (x < 0) x = 0;
  printTextAt(t.text, y, x, c.canvas);
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
  const double from = a.horizontal() ? c.plot.left : c.plot.bottom;
  a.scale = a.horizontal() ? (c.plot.right - c.plot.left) / span : (c.plot.top - c.plot.bottom) / span;
  a.offset = from - (a.minValue - a.origin + a.padUnits) * a.scale + a.padUnits * a.scale / 2;
}

void drawAxisLine(DrawContext& c, const graphAxisRecord& a) {
  const double w = a.lineWidth;
  if (w <= 0) return;
  c.canvas.setFillColor(a.axisLineColour);
  c.canvas.setForeColor(a.axisLineColour);
  switch (a.position) {
    case kAxisTop: check(c.canvas.filledBox({c.plot.left, c.plot.top - c.pixel.y}, {c.plot.right, c.plot.top - w * c.pixel.y}), kErrOverflow); break;
    case kAxisBottom: check(c.canvas.filledBox({c.plot.left, c.plot.bottom + c.pixel.y}, {c.plot.right, c.plot.bottom + w * c.pixel.y}), kErrOverflow); break;
    case kAxisLeft: check(c.canvas.filledBox({c.plot.left - c.pixel.x, c.plot.bottom}, {c.plot.left - w * c.pixel.x, c.plot.top}), kErrOverflow); break;
    default: check(c.canvas.filledBox({c.plot.right + c.pixel.x, c.plot.bottom}, {c.plot.right + w * c.pixel.x, c.plot.top}), kErrOverflow); break;
  }
}

void drawGridSet(DrawContext& c, const graphAxisRecord& a, const axisGridRecord& g) {
  SetValues s;
  if (g.lineWidthPx < 1 || !valuesOf(a, g.divisions, g.start, g.end, g.step, s)) return;
  setPenWidth(c.canvas, 1);
  if (a.horizontal()) {
    const double W = g.lineWidthPx * c.pixel.x;
    const double lo = std::min(a.minValue, a.maxValue), hi = std::max(a.minValue, a.maxValue);
    forSteps<double>(s.first, s.last + g.padUnits + s.step / 8, s.step, [&](double v) {
      const double x1 = setPos(a, v, g.padUnits) - (W - c.pixel.x) / 2, x2 = x1 + W - c.pixel.x;
      if (v >= lo && v < hi) check(c.canvas.filledBox({x1, c.plot.bottom}, {x2, c.plot.top}, g.colour), kErrOverflow);
    });
  } else {
    forSteps<float>(s.first, s.last + s.step / 2, s.step, [&](float v) {
      const double y = setPos(a, v, g.padUnits);
      check(c.canvas.line({c.plot.left, y}, {c.plot.right + 1, y}, g.colour), kErrOverflow);
    });
  }
}

void drawTickSet(DrawContext& c, const graphAxisRecord& a, const axisTickRecord& t) {
  SetValues s;
  if (t.lineWidthPx < 1 || !valuesOf(a, t.divisions, t.start, t.end, t.step, s)) return;
  const double K = t.tickLength;
  if (a.horizontal()) {
    const double W = t.lineWidthPx * c.pixel.x;
    forSteps<double>(s.first, s.last + s.step / 8, s.step, [&](double v) {
      if (!nearRange(a, v, s.step)) return;
      const double x1 = setPos(a, v, t.shiftUnits) - (W - c.pixel.x) / 2, x2 = x1 + W - c.pixel.x;
      const bool top = a.position == kAxisTop;
      const QPointF from(x1, top ? c.plot.top - K * c.pixel.y : c.plot.bottom + c.pixel.y), to(x2, top ? c.plot.top - c.pixel.y : c.plot.bottom + K * c.pixel.y);
      check(c.canvas.filledBox(from, to, t.colour), kErrOverflow);
    });
  } else {
    const double W = t.lineWidthPx * c.pixel.y;
    forSteps<float>(s.first, s.last + s.step / 2, s.step, [&](float v) {
      const double p = setPos(a, v, t.shiftUnits);
      const double y1 = p - W / 2 + c.pixel.y / 2 - 0.5, y2 = p + W / 2 - c.pixel.y / 2 - 0.5;
      const bool left = a.position == kAxisLeft;
      const QPointF from(left ? c.plot.left - K * c.pixel.x : c.plot.right + c.pixel.x, y1), to(left ? c.plot.left - c.pixel.x : c.plot.right + K * c.pixel.x, y2);
      check(c.canvas.filledBox(from, to, t.colour), kErrOverflow);
    });
  }
}

void drawLabel(DrawContext& c, const graphAxisRecord& a, const axisLabelRecord& l, double v) {
  c.canvas.setForeColor(v >= a.mark1 ? l.colours[0] : v <= a.mark2 ? l.colours[2] : l.colours[1]);
  QString s = formatLabel(v * l.labelFactor + l.labelOffset, l.numberFormat);
  if (s.endsWith(u',') || s.endsWith(u'.')) s.chop(1);
  const double p = setPos(a, v, l.shiftUnits);
  const double g = l.labelGap, shift = l.labelShiftPx;
  double x, y;
  if (a.horizontal()) {
    y = a.position == kAxisTop ? c.plot.top - c.canvas.textHeight(s) - g * c.pixel.y : c.plot.bottom + g * c.pixel.y;
    x = p - c.canvas.textWidth(s) / 2 + shift * c.pixel.x;
  } else {
    x = a.position == kAxisLeft ? c.plot.left - c.canvas.textWidth(s) - g * c.pixel.x : c.plot.right + g * c.pixel.x;
    y = p - c.canvas.textHeight(s) / 2 + shift * c.pixel.y;
  }
  printTextAt(s, y, x, c.canvas);
}

void drawLabelSet(DrawContext& c, const graphAxisRecord& a, const axisLabelRecord& l) {
  if (l.numberFormat.isEmpty()) return;
  useFont(c, l.labelFont);
  setPenWidth(c.canvas, 1);
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
    const double W = item.lineWidthPx * c.pixel.x;
    const double x1 = at - (W - c.pixel.x) / 2, x2 = x1 + W - c.pixel.x;
    if (c.plot.left - c.pixel.x <= at && at <= c.plot.right + c.pixel.x)
      check(c.canvas.filledBox({x1, c.plot.top}, {x2, c.plot.bottom}, item.colour), kErrOverflow);
  } else {
    const double W = item.lineWidthPx * c.pixel.y;
    const double y1 = at - W / 2 + c.pixel.y / 2 - 0.5, y2 = at + W / 2 - c.pixel.y / 2 - 0.5;
    if (c.plot.top - c.pixel.y <= at && at <= c.plot.bottom + c.pixel.y)
      check(c.canvas.filledBox({c.plot.left, y1}, {c.plot.right, y2}, item.colour), kErrOverflow);
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
  logMsg(kSetUpLevel, QStringLiteral("plotJtGraphToPicture()") + kCrLf +
                          QStringLiteral("  plotPic.ScaleMode = ") + QString::number(c.canvas.scaleMode()) +
                          kCrLf + QStringLiteral("  plotPic.scaleWidth = ") + strPlain(c.area.width) + kCrLf +
                          QStringLiteral("  plotPic.scaleHeight = ") + strPlain(c.area.height) + kCrLf +
                          QStringLiteral("  pixel dUppX = ") + strPlain(c.pixel.x) + kCrLf +
                          QStringLiteral("  pixel dUppY = ") + strPlain(c.pixel.y) + kCrLf +
                          QStringLiteral("  bg.font = ") + c.graph.fontSpec + kCrLf);
}

double sgn(double v) { return v > 0 ? 1 : v < 0 ? -1 : 0; }

}  // namespace

void engineError(int number) {
  QString meaning;
  switch (number) {
    case kErrOverflow: meaning = QStringLiteral("a value beyond the picture's coordinates"); break;
    case kErrSubscript: meaning = QStringLiteral("no such axis, series or point"); break;
    case kErrInvalidProperty: meaning = QStringLiteral("a pen, style or size the picture refuses"); break;
  }
  logMsg(-1, QStringLiteral("plotJtGraphToPicture: ERROR ") + QString::number(number) +
                 (meaning.isEmpty() ? QString() : QStringLiteral(" (") + meaning + ')'));
}

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

  c.pixel.x = plotPic.scaleX(1, kScalePixels, plotPic.scaleMode());
  c.pixel.y = plotPic.scaleY(1, kScalePixels, plotPic.scaleMode());
  c.area.left = plotPic.scaleLeft();
  c.area.top = plotPic.scaleTop();
  c.area.width = plotPic.scaleWidth();
  c.area.height = plotPic.scaleHeight();
  logSetUp(c);
  c.graphFont = c.currentFont = graph.fontSpec;
  parseFontSpec(c.currentFont, plotPic);
  graph.unitsPerPixelX = static_cast<float>(c.pixel.x);
  graph.unitsPerPixelY = static_cast<float>(c.pixel.y);

  // In single precision, as the record keeps it: 100 x 0.1 is then exactly 10.
  const float sl = static_cast<float>(c.area.left), st = static_cast<float>(c.area.top);
  const float sw = static_cast<float>(c.area.width), sh = static_cast<float>(c.area.height);
  const float uX = static_cast<float>(c.pixel.x), uY = static_cast<float>(c.pixel.y);
  graph.plotLeft = sl + sw * graph.marginLeft;
  graph.plotRight = sl + sw - uX - sw * graph.marginRight;
  graph.plotTop = st + sh * graph.marginTop;
  graph.plotBottom = st + sh - uY - sh * graph.marginBottom;
  c.plot.left = graph.plotLeft;
  c.plot.right = graph.plotRight;
  c.plot.top = graph.plotTop;
  c.plot.bottom = graph.plotBottom;
  for (qsizetype i = 1; i < graph.axes.size(); ++i) {
    graphAxisRecord& a = graph.axes[i];
    a.drawnMax = sgn(a.limitMin - a.limitMax) * kNoExtent;
    a.drawnMin = sgn(a.limitMax - a.limitMin) * kNoExtent;
  }

  for (int n = 1; n <= graph.layerCount; ++n) {
    if (n == 1 && graph.plotBackColour != -1)
      guarded([&] { check(plotPic.filledBox({c.plot.left, c.plot.top}, {c.plot.right, c.plot.bottom}, graph.plotBackColour), kErrOverflow); });
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
