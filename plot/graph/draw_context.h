#pragma once
// What one call of the drawing engine works with, shared by its two halves
// (layout, texts and axes; series, marks and frames).

#include <QString>
#include <cmath>
#include <exception>

#include "plot/graph/graph_error.h"
#include "plot/graph/graph_record.h"
#include "plot/graph/picture_canvas.h"
#include "plot/plot_data_reader.h"

// The picture's coordinates are its scale units, whatever the scale mode.
struct DrawContext {
  DrawContext(graphRecord& g, PictureCanvas& p, const QVector<plotSeries>& d) : graph(g), canvas(p), series(d) {}
  graphRecord& graph;
  PictureCanvas& canvas;
  const QVector<plotSeries>& series;  // the graph's series points, numbered like its series
  struct {
    double left = 0, top = 0, width = 0, height = 0;
  } area;  // the whole picture (ScaleLeft, ScaleTop, ScaleWidth, ScaleHeight)
  struct {
    double left = 0, right = 0, top = 0, bottom = 0;
  } plot;  // the plot rectangle inside the margins
  struct {
    double x = 1, y = 1;
  } pixel;  // the width and height of one pixel
  QString graphFont;    // the graph's font text, the one restored after each item
  QString currentFont;  // the font text in use
};

// Logs one failed element of the engine.
void engineError(int number);

// Runs one element; an error costs only that element.
template <class F>
void guarded(F&& draw) {
  try {
    draw();
  } catch (const GraphError& e) {
    engineError(e.number);
  } catch (const std::exception&) {
    engineError(kErrOverflow);
  }
}

// A picture member that refused its value.
inline void check(bool ok, int number = kErrInvalidProperty) {
  if (!ok) engineError(number);
}

// Sets DrawWidth from a pixel width, rounded half to even as the conversion
// to a whole number is; a width the picture refuses is logged and the old one stays.
void setPenWidth(PictureCanvas& pic, double width);

// Pen width 1, solid, copy pen, transparent fill.
void resetPen(PictureCanvas& pic);

// Grid, tick and label loops never run away: a step of 0, NaN or infinity,
// or one too small to move the value, ends the loop, and no set draws more
// than this many items.
constexpr int kMaxSetSteps = 10000;

// For v = first To limit Step step, in the arithmetic of T.
template <class T, class F>
void forSteps(T first, T limit, T step, F&& body) {
  if (step == 0 || !std::isfinite(step) || !std::isfinite(first) || !std::isfinite(limit)) return;
  T v = first;
  for (int n = 0; n < kMaxSetSteps && (step > 0 ? v <= limit : v >= limit); ++n) {
    body(v);
    const T next = static_cast<T>(v + step);
    if (next == v) return;
    v = next;
  }
}

// The stage of the second half: series of the pass, margin clipping, 3D frame.
void drawSeriesOfLayer(DrawContext& c, int16_t layer);
void clipMargins(DrawContext& c);
void drawFrame3D(DrawContext& c);
