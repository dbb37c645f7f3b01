#include <gtest/gtest.h>

#include "graph_pictures.h"
#include "plot/plot_data_reader.h"
#include "support/log_capture.h"

namespace {

// Series `s` of plot data with points (x, y) at x = 1, 2, ... (taken as dates).
QVector<plotSeries> withSeries(int s, const QVector<float>& ys, int16_t seriesType = 1) {
  QVector<plotSeries> data(s + 1);
  for (int i = 0; i < ys.size(); ++i)
    data[s].points.append({.recordNr = i + 1, .value = ys[i], .recTime = double(i + 1)});
  data[s].seriesType = seriesType;
  return data;
}

QPointF at(const graphRecord& g, int16_t s, double x, double y) {
  return {g.axes[g.series[s].xAxis].map().toPixel(x), g.axes[g.series[s].yAxis].map().toPixel(y)};
}

TEST(DrawSeries, knownPointsLieAtTheAxisTransform) {
  graphRecord g = plainGraph(1, 5, 0, 100);
  const QVector<float> ys{10, 80, 35, 35, 95};
  const int16_t s = addCurve(g, ys.size(), kRed);
  const QImage img = drawGraph(g, withSeries(s, ys));
  for (int i = 0; i < ys.size(); ++i) {
    const QPointF p = at(g, s, i + 1, ys[i]);
    EXPECT_EQ(pixel(img, p.x(), p.y()), kRed) << "point " << i + 1;
  }
  EXPECT_EQ(g.axes[1].drawnMin, 1);
  EXPECT_EQ(g.axes[1].drawnMax, 5);
  EXPECT_EQ(g.axes[2].drawnMin, 10);
  EXPECT_EQ(g.axes[2].drawnMax, 95);
}

TEST(DrawSeries, gapsAtTheCodesForEverySeries) {
  struct Row {
    const char* name;
    int16_t seriesNumber, seriesType;
    float code;
    bool gap;
  } rows[] = {{"powerNoPrevious", 1, 1, -2, true},      {"powerTooClose", 1, 1, -5, true},
              {"compareAsSeries2", 2, 2, -2, true},     {"compareAsSeries3", 3, 2, -5, true},
              {"temperatureMinus2IsAValue", 2, 3, -2, false}, {"noTemperature", 2, 3, -16384, true}};
  for (const Row& r : rows) {
    graphRecord g = plainGraph(1, 5, -10, 100);
    int16_t s = 0;
    for (int n = 1; n <= r.seriesNumber; ++n) s = addCurve(g, 5, n == r.seriesNumber ? kRed : -1);
    const QImage img = drawGraph(g, withSeries(s, {50, 50, r.code, 50, 50}, r.seriesType));
    const QPointF mid = at(g, s, 3, 50);  // where the bridge over a gap would run
    if (r.gap) {
      EXPECT_NE(pixel(img, mid.x(), mid.y()), kRed) << r.name;
      EXPECT_EQ(pixel(img, at(g, s, 2, 50).x(), mid.y()), kRed) << r.name;
      EXPECT_EQ(pixel(img, at(g, s, 4, 50).x(), mid.y()), kRed) << r.name;
      EXPECT_EQ(g.axes[2].drawnMin, 50) << r.name;  // the code is no value
    } else {
      const QPointF dip = at(g, s, 3, r.code);
      EXPECT_EQ(pixel(img, dip.x(), dip.y()), kRed) << r.name;
      EXPECT_EQ(g.axes[2].drawnMin, r.code) << r.name;
    }
    EXPECT_EQ(g.axes[1].drawnMax, 5) << r.name;  // the X extent counts every point
  }
}

TEST(DrawSeries, curveStartsAfterALeadingGap) {
  graphRecord g = plainGraph(1, 5, -30, 50);
  const int16_t s = addCurve(g, 3, kBlue);
  const QImage img = drawGraph(g, withSeries(s, {-16384, 20, 20}, 3));
  const QRect ink = inkOf(img, kBlue);
  EXPECT_EQ(ink.left(), std::lround(at(g, s, 2, 20).x()));
  EXPECT_EQ(ink.height(), 1);
}

TEST(DrawSeries, lineStyles) {
  graphRecord g = plainGraph(1, 3, 0, 300);
  const int16_t s = addCurve(g, 2, kRed);
  const QVector<plotSeries> data = withSeries(s, {100, 200});
  g.series[s].lineStyle = 1;  // steps: up at the first x, then across
  QImage img = drawGraph(g, data);
  const QPointF p1 = at(g, s, 1, 100), p2 = at(g, s, 2, 200);
  const QPointF halfway = (p1 + p2) / 2;
  EXPECT_EQ(pixel(img, p1.x(), halfway.y()), kRed);
  EXPECT_EQ(pixel(img, halfway.x(), p2.y()), kRed);
  EXPECT_NE(pixel(img, halfway.x(), halfway.y()), kRed);

  g.series[s].lineStyle = 3;  // filled column from the bottom
  img = drawGraph(g, data);
  EXPECT_EQ(pixel(img, halfway.x(), (p2.y() + g.plotBottom) / 2), kRed);
  EXPECT_EQ(pixel(img, halfway.x(), double(g.plotBottom)), kRed);

  g.series[s].lineStyle = 2;  // outlined column
  img = drawGraph(g, data);
  EXPECT_NE(pixel(img, halfway.x(), (p2.y() + g.plotBottom) / 2), kRed);
  EXPECT_EQ(pixel(img, halfway.x(), p2.y()), kRed);
}

// Any pixel of the colour within one pixel of a point.
bool near(const QImage& img, QPointF p, int32_t colour) {
  const QPoint c(std::lround(p.x()), std::lround(p.y()));
  return !inkOf(img, colour, nullptr, QRect(c - QPoint(1, 1), QSize(3, 3))).isNull();
}

TEST(DrawSeries, pointBelowThePlotOnlyMovesThePen) {
  graphRecord g = plainGraph(1, 3, 0, 100);
  const int16_t s = addCurve(g, 3, kRed);
  const QImage img = drawGraph(g, withSeries(s, {50, -40, 50}));
  EXPECT_FALSE(near(img, at(g, s, 1.5, 5), kRed));  // no way down
  // The way up from the point below is drawn, so the curve goes on from it.
  EXPECT_TRUE(near(img, at(g, s, 2.5, 5), kRed));
  EXPECT_TRUE(near(img, at(g, s, 3, 50), kRed));
}

TEST(DrawSeries, marks) {
  graphRecord g = plainGraph(1, 3, 0, 100);
  const int16_t s = addCurve(g, 3, kRed);
  seriesDefRecord& sd = g.series[s];
  sd.penWidth = 0;  // marks alone
  sd.markShape = 1;
  sd.markLineColour = kBlue;
  sd.markFillColour = kYellow;
  // On the bottom edge, and one pixel below it.
  QVector<plotSeries> below = withSeries(s, {50, 0, 0});
  below[s].points[3].value = static_cast<float>(g.axes[2].minValue - 1 / 0.79);
  QImage img = drawGraph(g, below);
  const QPointF p1 = at(g, s, 1, 50), p2 = at(g, s, 2, 0), p3 = at(g, s, 3, below[s].points[3].value);
  EXPECT_EQ(pixel(img, p1.x(), p1.y()), kYellow);
  EXPECT_EQ(pixel(img, p1.x() + 3, p1.y()), kBlue);
  EXPECT_EQ(pixel(img, p2.x(), p2.y()), kYellow);  // Y = bottom edge: drawn
  EXPECT_EQ(pixel(img, p3.x(), p3.y() - 3), kWhite);  // one pixel below: not drawn

  sd.markShape = 2;
  img = drawGraph(g, below);
  EXPECT_EQ(pixel(img, p1.x(), p1.y()), kWhite);
  EXPECT_EQ(pixel(img, p1.x() + 3, p1.y()), kBlue);

  for (auto off : {std::pair<int16_t, float>{-1, 3}, {1, 1}}) {
    sd.markShape = off.first;
    sd.markSize = off.second;  // markSize equal to markPenWidth: none
    img = drawGraph(g, below);
    EXPECT_TRUE(inkOf(img, kBlue).isNull());
  }
}

TEST(DrawSeries, marksSkipTheCodes) {
  graphRecord g = plainGraph(1, 3, -10, 100);
  const int16_t s = addCurve(g, 3, kRed);
  g.series[s].markShape = 1;
  g.series[s].markLineColour = kBlue;
  const QImage img = drawGraph(g, withSeries(s, {50, -2, 50}));
  int n = 0;
  const QRect ink = inkOf(img, kBlue, &n, QRect(QPoint(int(at(g, s, 2, 0).x()) - 4, 10), QSize(9, 80)));
  EXPECT_TRUE(ink.isNull());
}

TEST(DrawSeries, frame3DSinksThePlot) {
  graphRecord g = plainGraph(0, 1, 0, 1);
  g.frame3D = 1;
  const QImage img = drawGraph(g, {});
  auto grey = [](int v) { return rgbColour(v, v, v); };
  // Rings round x1 = 19, y1 = 9, x2 = 180, y2 = 90, from the inside out.
  for (int i = 1; i <= 3; ++i) {
    const int dark = 111 + 32 * (i - 1), light = 223 + 16 * (i - 1);
    EXPECT_EQ(pixel(img, 19 - i, 50), grey(dark)) << "left " << i;
    EXPECT_EQ(pixel(img, 100, 9 - i), grey(dark)) << "top " << i;
    EXPECT_EQ(pixel(img, 180 + i, 50), grey(light)) << "right " << i;
    EXPECT_EQ(pixel(img, 100, 90 + i), grey(light)) << "bottom " << i;
  }
  EXPECT_EQ(pixel(img, 19, 50), kWhite);
  EXPECT_EQ(pixel(img, 15, 50), kWhite);
}

TEST(DrawSeries, clipLayerPaintsTheMarginsOver) {
  graphRecord g = plainGraph(1, 3, 0, 100);
  g.clipLayer = 2;
  const int16_t s = addCurve(g, 3, kRed);
  g.series[s].penWidth = 3;
  const QVector<plotSeries> data = withSeries(s, {50, 300, 50});  // runs up into the top margin
  const QImage img = drawGraph(g, data, 200, 100, kYellow);
  EXPECT_TRUE(inkOf(img, kRed, nullptr, QRect(0, 0, 200, 9)).isNull());
  EXPECT_FALSE(inkOf(img, kRed, nullptr, QRect(20, 10, 160, 80)).isNull());

  graphRecord edge = plainGraph(1, 3, 0, 100, 0);  // no margins: every band is empty
  edge.clipLayer = 2;
  addCurve(edge, 3, kRed);
  const QImage full = drawGraph(edge, data, 200, 100, kYellow);
  EXPECT_FALSE(inkOf(full, kRed, nullptr, QRect(0, 0, 200, 3)).isNull());
}

TEST(DrawSeries, extentStartsFromTheLimits) {
  graphRecord g = plainGraph(1, 3, 0, 10);
  const int16_t s = addCurve(g, 3, kRed);
  drawGraph(g, withSeries(s, {5, 3, 9}));
  EXPECT_EQ(g.axes[2].drawnMin, 3);
  EXPECT_EQ(g.axes[2].drawnMax, 9);
  g.axes[2].limitMin = 10;
  g.axes[2].limitMax = 0;
  drawGraph(g, withSeries(s, {5, 3, 9}));
  EXPECT_EQ(g.axes[2].drawnMin, -10000000);
  EXPECT_EQ(g.axes[2].drawnMax, 10000000);
}

TEST(DrawSeries, failingElementsAreLoggedAndSkipped) {
  LogCapture log;
  graphRecord g = plainGraph(1, 5, 0, 100);
  const int16_t bad = addCurve(g, 5, kBlue);
  g.series[bad].xAxis = 9;  // no such axis
  addCurve(g, 8, kGreen);  // more points than the data holds
  const int16_t thin = addCurve(g, 5, kRed);
  g.series[thin].penWidth = 0.4f;  // rounds to a width the picture refuses
  QVector<plotSeries> data(4);
  for (int s = 1; s <= 3; ++s)
    for (int i = 1; i <= 5; ++i)
      data[s].points.append({.recordNr = i, .value = 20.0f * s, .recTime = double(i)});
  const QImage img = drawGraph(g, data);
  EXPECT_TRUE(log.contains("plotJtGraphToPicture: ERROR 9"));
  EXPECT_TRUE(log.contains("plotJtGraphToPicture: ERROR 380"));
  EXPECT_TRUE(inkOf(img, kBlue).isNull());
  EXPECT_EQ(inkOf(img, kGreen).width(), 160);  // its five points are drawn
  EXPECT_EQ(inkOf(img, kRed).height(), 1);     // with the width left from before
  EXPECT_EQ(log.text().count("ERROR 9"), 2);   // once per failing element, not per point
}

TEST(DrawSeries, pointKind2ReadsTheGraphsDataByPointNumber) {
  graphRecord g = plainGraph(1, 4, 0, 100);
  const int16_t s = addCurve(g, 4, kRed);
  g.series[s].pointKind = kPointsOverNumber;
  const QImage img = drawGraph(g, withSeries(s, {50, 50, 50}));  // point 4 lies beyond: value 0
  EXPECT_EQ(pixel(img, at(g, s, 2, 50).x(), at(g, s, 2, 50).y()), kRed);
  EXPECT_EQ(pixel(img, at(g, s, 4, 0).x(), at(g, s, 4, 0).y()), kRed);
}

}  // namespace
