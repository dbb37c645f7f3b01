#pragma once
// Drawing a graph into a small picture and reading its pixels back.

#include <QImage>
#include <QRect>

#include "platform/colour.h"
#include "platform/named_colours.h"
#include "plot/graph/graph_record.h"
#include "plot/graph/picture_canvas.h"
#include "plot/graph/plot_graph.h"

inline int32_t pixel(const QImage& img, int x, int y) { return qColorToColour(img.pixelColor(x, y)); }
inline int32_t pixel(const QImage& img, double x, double y) {
  return pixel(img, static_cast<int>(std::floor(x + 0.5)), static_cast<int>(std::floor(y + 0.5)));
}

// The bounding rectangle and number of the pixels of one colour.
inline QRect inkOf(const QImage& img, int32_t colour, int* count = nullptr, QRect within = {}) {
  if (within.isNull()) within = img.rect();
  QRect r;
  int n = 0;
  for (int y = within.top(); y <= within.bottom(); ++y)
    for (int x = within.left(); x <= within.right(); ++x)
      if (pixel(img, x, y) == colour) {
        r |= QRect(x, y, 1, 1);
        ++n;
      }
  if (count) *count = n;
  return r;
}

// A picture 200 x 100 with margins 0.1: plot rectangle x 20..179, y 10..89.
// Axis 1 horizontal (bottom), axis 2 vertical (left), no lines, ticks or labels.
inline graphRecord plainGraph(double xMin, double xMax, double yMin, double yMax, float margin = 0.1f) {
  graphRecord g;
  initGraphRec(1, margin, 3, 0, "", g);
  int16_t i = 0;
  addGraphAxis(i, {.layer = 3, .minValue = xMin, .maxValue = xMax}, g);
  addGraphAxis(i = 0, {.layer = 3, .position = kAxisLeft, .minValue = yMin, .maxValue = yMax}, g);
  return g;
}

// A one-pixel curve over plot series s in layer 2, without marks.
inline int16_t addCurve(graphRecord& g, int32_t lastPoint, int32_t colour, int16_t xAxis = 1, int16_t yAxis = 2) {
  int16_t i = 0;
  addStdSeries(i, {.layer = 2, .lastPoint = lastPoint, .xAxis = xAxis, .yAxis = yAxis}, g);
  g.series[i].penWidth = 1;
  g.series[i].curveColour = colour;
  return i;
}

inline QImage drawGraph(graphRecord& g, const QVector<plotSeries>& data, int w = 200, int h = 100,
                        int32_t back = kWhite) {
  QImage img(w, h, QImage::Format_RGB32);
  PictureCanvas pic(&img);
  pic.setBackColor(back);
  pic.clear();
  plotJtGraphToPicture(g, pic, data);
  return img;
}
