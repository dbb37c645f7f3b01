// The drawing engine's series, point marks, margin clipping and 3D frame.
#include <algorithm>

#include "platform/colour.h"
#include "plot/graph/draw_context.h"
#include "plot/graph/value_functions.h"

namespace {

// One point of a series as drawn: raw values and whether it is a gap code.
struct RawPoint {
  double x = 0;
  float y = 0;
  bool gap = false;
};

// Reads the points of one series of the graph's data: by time (kind 1) or
// by point number (kind 2).
class PointReader {
 public:
  PointReader(const DrawContext& c, int16_t s, int16_t kind) : m_data(c.series), m_series(s), m_kind(kind) {
    if (kind == kPointsOverTime) {
      m_points = &checkedItem(c.series, s).points;
      m_type = c.series[s].seriesType;
    } else if (s < c.series.size()) {
      m_type = c.series[s].seriesType;
    }
  }
  // GraphError 9 for a point outside the series' points.
  RawPoint at(int32_t p) const {
    RawPoint r;
    if (m_kind == kPointsOverTime) {
      const plotPoint& pt = checkedItem(*m_points, p);
      r.x = pt.recTime;
      r.y = pt.value;
    } else {
      r.x = longToSingle(m_series, p);
      r.y = dataValue(m_series, p, m_data);
    }
    r.gap = isGapValue(r.y, m_type);
    return r;
  }

 private:
  const QVector<plotSeries>& m_data;
  int16_t m_series;
  int16_t m_kind;
  int16_t m_type = 0;
  const QVector<plotPoint>* m_points = nullptr;
};

void widen(graphAxisRecord& a, double v) {
  if (v > a.drawnMax) a.drawnMax = v;
  if (v < a.drawnMin) a.drawnMin = v;
}

void drawCurve(DrawContext& c, const seriesDefRecord& sd, const PointReader& points, graphAxisRecord& xa,
               graphAxisRecord& ya) {
  PictureCanvas& pic = c.canvas;
  setPenWidth(pic, sd.penWidth);
  check(pic.setDrawStyle(sd.penStyle));
  check(pic.setDrawMode(sd.penMode));
  pic.setForeColor(sd.curveColour);
  const ScaleMap mx = xa.map(), my = ya.map();
  bool penDown = false;
  double prevX = 0;
  for (int32_t p = sd.firstPoint; p <= sd.lastPoint; ++p) {
    const RawPoint r = points.at(p);  // past the last point the rest of the curve goes
    widen(xa, r.x);
    if (r.gap) {
      penDown = false;
      continue;
    }
    widen(ya, r.y);
    const double X = mx.toPixel(r.x), Y = my.toPixel(r.y);
    if (penDown) {
      if (Y > c.plot.bottom) {
        pic.setCurrentX(X);
        pic.setCurrentY(Y);
      } else if (sd.lineStyle == 3) {
        check(pic.filledBox({prevX, c.plot.bottom}, {X, Y}), kErrOverflow);
      } else if (sd.lineStyle == 2) {
        check(pic.box({prevX, c.plot.bottom}, {X, Y}), kErrOverflow);
      } else if (sd.lineStyle >= 1) {
        check(pic.lineTo({prevX, Y}), kErrOverflow);
        check(pic.lineTo({X, Y}), kErrOverflow);
      } else {
        check(pic.lineTo({X, Y}), kErrOverflow);
      }
    } else {
      pic.setCurrentX(X);
      pic.setCurrentY(Y);
      penDown = true;
    }
    prevX = X;
  }
}

void drawMarks(DrawContext& c, const seriesDefRecord& sd, const PointReader& points, const graphAxisRecord& xa,
               const graphAxisRecord& ya) {
  PictureCanvas& pic = c.canvas;
  setPenWidth(pic, sd.markPenWidth);
  pic.setForeColor(sd.markLineColour);
  check(pic.setFillStyle(sd.markFillStyle));
  pic.setFillColor(sd.markFillColour);
  const ScaleMap mx = xa.map(), my = ya.map();
  const double size = sd.markSize;
  for (int32_t p = sd.firstPoint; p <= sd.lastPoint; ++p) {
    const RawPoint r = points.at(p);
    // A code is no value: it gets no mark, as it gets no line.
    if (r.gap) continue;
    const double X = mx.toPixel(r.x), Y = my.toPixel(r.y);
    if (X < c.plot.left - c.pixel.x || X > c.plot.right + c.pixel.x || Y < c.plot.top - c.pixel.y || Y > c.plot.bottom) continue;
    if (sd.markShape == 1)
      check(pic.circle({X, Y}, size * c.pixel.y), kErrOverflow);
    else if (sd.markShape == 2)
      check(pic.box({X - size * c.pixel.x, Y - size * c.pixel.y}, {X + size * c.pixel.x, Y + size * c.pixel.y}), kErrOverflow);
  }
}

void drawSeries(DrawContext& c, int16_t s) {
  const seriesDefRecord& sd = c.graph.series[s];
  graphAxisRecord& xa = checkedItem(c.graph.axes, sd.xAxis);
  graphAxisRecord& ya = checkedItem(c.graph.axes, sd.yAxis);
  // Index-list series have nothing settled to draw.
  if (sd.pointKind != kPointsOverTime && sd.pointKind != kPointsOverNumber) return;
  const PointReader points(c, s, sd.pointKind);
  if (sd.penWidth > 0) guarded([&] { drawCurve(c, sd, points, xa, ya); });
  resetPen(c.canvas);
  if (sd.markPenWidth > 0 && sd.markShape > 0 && sd.markSize > sd.markPenWidth)
    guarded([&] { drawMarks(c, sd, points, xa, ya); });
}

}  // namespace

void drawSeriesOfLayer(DrawContext& c, int16_t layer) {
  for (qsizetype s = 1; s < c.graph.series.size(); ++s)
    if (c.graph.series[s].layer == layer) guarded([&] { drawSeries(c, static_cast<int16_t>(s)); });
}

void clipMargins(DrawContext& c) {
  PictureCanvas& pic = c.canvas;
  pic.setForeColor(pic.backColor());
  pic.setFillColor(pic.foreColor());
  const double right = c.area.left + c.area.width - 1, bottom = c.area.top + c.area.height - 1;
  const QPointF bands[4][2] = {{{c.area.left, c.area.top}, {c.plot.left - c.pixel.x, bottom}},
                               {{c.plot.right + c.pixel.x, c.area.top}, {right, bottom}},
                               {{c.area.left, c.area.top}, {right, c.plot.top - c.pixel.y}},
                               {{c.area.left, c.plot.bottom + c.pixel.y}, {right, bottom}}};
  for (const auto& band : bands)
    if (band[1].x() >= band[0].x() && band[1].y() >= band[0].y())
      check(pic.filledBox(band[0], band[1]), kErrOverflow);
}

void drawFrame3D(DrawContext& c) {
  if (c.graph.frame3D != 1) return;
  const double x1 = c.plot.left - c.pixel.x, y1 = c.plot.top - c.pixel.y, x2 = c.plot.right + c.pixel.x, y2 = c.plot.bottom + c.pixel.y;
  static constexpr int kDark[3] = {111, 143, 175};
  static constexpr int kLight[3] = {223, 239, 255};
  for (int i = 1; i <= 3; ++i) {
    const int32_t dark = rgbColour(kDark[i - 1], kDark[i - 1], kDark[i - 1]);
    const int32_t light = rgbColour(kLight[i - 1], kLight[i - 1], kLight[i - 1]);
    const double left = x1 - i * c.pixel.x, top = y1 - i * c.pixel.y, right = x2 + i * c.pixel.x, bottom = y2 + i * c.pixel.y;
    check(c.canvas.line({left, top}, {left, bottom}, dark), kErrOverflow);
    check(c.canvas.line({left, top}, {right, top}, dark), kErrOverflow);
    check(c.canvas.line({right, top}, {right, y2 + (i + 1) * c.pixel.y}, light), kErrOverflow);
    check(c.canvas.line({left, bottom}, {x2 + (i + 1) * c.pixel.x, bottom}, light), kErrOverflow);
  }
}
