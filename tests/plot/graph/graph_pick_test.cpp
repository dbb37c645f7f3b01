#include "plot/graph/graph_pick.h"

#include <gtest/gtest.h>

#include <functional>

#include "graph_pictures.h"
#include "plot/graph/pick_picture.h"
#include "plot/graph/point_search.h"
#include "plot/graph/value_functions.h"
#include "support/log_capture.h"

namespace {

// Plot rectangle x 20..179, y 10..89 over X 1..5 and Y 0..100; series s has
// one point per value at X = 1, 2, ...
class GraphPick : public ::testing::Test {
 protected:
  void SetUp() override { g = plainGraph(1, 5, 0, 100); }

  int16_t curve(const QVector<float>& ys, int16_t pointKind = kPointsOverTime, int16_t style = 1) {
    const int16_t s = addCurve(g, ys.size(), kRed);
    g.series[s].pointKind = pointKind;
    g.series[s].seriesStyle = style;
    seriesData.resize(s + 1);
    for (int i = 0; i < ys.size(); ++i)
      seriesData[s].points.append({.recordNr = i + 1, .value = ys[i], .recTime = double(i + 1)});
    return s;
  }
  void draw() {
    image = drawGraph(g, seriesData);
    picture.setPersistent(&image);
  }
  QPointF at(int16_t s, int32_t p) const { return {getPointX(s, p, g, seriesData), getPointY(s, p, g, seriesData)}; }
  void pick(int16_t aflg, QPointF pos, int16_t shift = 0, int16_t button = kButtonLeft, int16_t series = 0) {
    showGraphPoint(
        {.aflg = aflg, .shift = shift, .button = button, .xMouse = float(pos.x()), .yMouse = float(pos.y())},
        kAllSeries, kAllSeries, series, 0, picture,
        {.graph = g, .data = seriesData, .pointLabel = pointLabel, .labelBackColour = labelBack});
  }
  void key(int16_t code, int16_t shift = 0) {
    showGraphPoint({.aflg = kPickKey, .keyCode = code, .shift = shift}, kAllSeries, kAllSeries, 0, 0, picture,
                   {.graph = g, .data = seriesData, .pointLabel = pointLabel, .labelBackColour = labelBack});
  }
  void select(int16_t s, int32_t p) { pick(kPickRefind, at(s, p)), g.selSerie = s, g.selPoint = p; }
  std::pair<int16_t, int32_t> selection() const { return {g.selSerie, g.selPoint}; }

  graphRecord g;
  QImage image;
  PickPicture picture;

  QVector<plotSeries> seriesData{1};  // the graph's series points
  PointLabelSource pointLabel;        // none: no labels
  int32_t labelBack = 0xC0FFFF;
};

TEST_F(GraphPick, pressBelowThePlotSelectsTheNearestPointInsideAndAnchorsIt) {
  const int16_t s = curve({50, 50, 50, 50, 50});
  draw();
  pick(kPickPress, {at(s, 3).x() + 3, 97});  // in the margin under the plot rectangle
  EXPECT_EQ(selection(), std::pair(s, 3));
  EXPECT_FLOAT_EQ(g.selX, at(s, 3).x());
  EXPECT_EQ(g.selSer1, s);
  EXPECT_EQ(g.selPnt1, 3);
  pick(kPickRelease, at(s, 4));
  EXPECT_EQ(selection(), std::pair(s, 4));
  EXPECT_EQ(g.selSer1, 0);
  EXPECT_EQ(g.lastAflg, kPickRelease);
}

TEST_F(GraphPick, dragWithoutAltStaysOnTheAnchorsSeries) {
  const int16_t low = curve({20, 20, 20, 20, 20});
  const int16_t high = curve({80, 80, 80, 80, 80});
  draw();
  pick(kPickPress, at(low, 2));
  pick(kPickMove, at(high, 4));
  EXPECT_EQ(selection(), std::pair(low, 4));
  pick(kPickRelease, at(high, 4));
  pick(kPickMove, at(high, 4), 0, 0);  // no button: all series again
  EXPECT_EQ(selection(), std::pair(high, 4));
}

TEST_F(GraphPick, crossHairWithoutRadiusDiagonalCrossWithIt) {
  const int16_t s = curve({50, 50, 50, 50, 50});
  draw();
  pick(kPickPress, at(s, 2), 0, 0);
  const QImage& shown = picture.shown();
  const QPointF p = at(s, 2);
  EXPECT_EQ(pixel(shown, p.x(), 12.0), kBlack);   // vertical line over the whole plot height
  EXPECT_EQ(pixel(shown, p.x(), 87.0), kBlack);
  EXPECT_EQ(pixel(shown, 22.0, p.y()), kBlack);   // horizontal line, a point of the red curve
  EXPECT_EQ(pixel(shown, 177.0, p.y()), kBlack);
  EXPECT_EQ(pixel(image, p.x(), 12.0), kWhite);  // the graph's own picture keeps no marks

  g.pickRadius = 10;
  pick(kPickPress, at(s, 4), 0, 0);
  const QImage& crossed = picture.shown();
  const QPointF q = at(s, 4);
  EXPECT_EQ(pixel(crossed, p.x(), 12.0), kWhite);  // the earlier marks went with the repaint
  for (const QPointF d : {QPointF(10, 10), QPointF(-10, 10), QPointF(7, -7), QPointF(-10, -10)})
    EXPECT_EQ(pixel(crossed, q.x() + d.x(), q.y() + d.y()), kBlack) << d.x() << "," << d.y();
  EXPECT_EQ(pixel(crossed, q.x() + 12, q.y() + 12), kWhite);
  EXPECT_EQ(pixel(crossed, q.x(), q.y() - 8), kWhite);
}

TEST_F(GraphPick, upAndDownGoToAnotherSeriesAboveOrBelow) {
  const int16_t mid = curve({50, 50, 50, 50, 50});
  const int16_t top = curve({90, 90, 90, 90, 90});    // picture Y smaller: above
  const int16_t bottom = curve({5, 5, 5, 5, 5});
  draw();
  select(mid, 3);
  key(kKeyUp);
  EXPECT_EQ(selection(), std::pair(top, 3));
  key(kKeyUp);  // nothing above the top series
  EXPECT_EQ(selection(), std::pair(top, 3));
  key(kKeyDown);
  EXPECT_EQ(selection(), std::pair(mid, 3));
  key(kKeyDown);
  EXPECT_EQ(selection(), std::pair(bottom, 3));
}

TEST_F(GraphPick, upWithOneSeriesKeepsTheSelection) {
  const int16_t s = curve({50, 60, 70, 80, 90});
  draw();
  select(s, 2);
  key(kKeyUp);
  key(kKeyDown);
  EXPECT_EQ(selection(), std::pair(s, 2));
}

// The keys move the selection along the series (also to a point the old
// position is nearer to).
TEST_F(GraphPick, homeEndLeftRightMoveAlongTheSeries) {
  struct Row {
    int16_t xOrder, keyCode;
    int32_t from, to;
  } rows[] = {{0, kKeyHome, 3, 1},  {0, kKeyEnd, 3, 5},   {0, kKeyLeft, 3, 2},  {0, kKeyRight, 3, 4},
              {0, kKeyLeft, 1, 1},  {0, kKeyRight, 5, 5}, {-1, kKeyEnd, 3, 1},  {-1, kKeyHome, 3, 5},
              {-1, kKeyLeft, 3, 4}, {-1, kKeyRight, 3, 2}};
  const int16_t s = curve({50, 50, 50, 50, 50});
  draw();
  for (const Row& r : rows) {
    g.series[s].xOrder = r.xOrder;
    select(s, r.from);
    key(r.keyCode);
    EXPECT_EQ(selection(), std::pair(s, r.to)) << "key " << r.keyCode << " xOrder " << r.xOrder << " from " << r.from;
    EXPECT_FLOAT_EQ(g.selX, at(s, r.to).x());
  }
}

// Points 0.4 pixels apart on the plot's top edge and just under it, two above the plot: Right
// visits every shown point in order and stops at the last, Left comes back the same way.
TEST_F(GraphPick, leftAndRightVisitEveryShownPointUnderAPixelApart) {
  constexpr int32_t n = 400;
  g = plainGraph(1, n, 0, 100);
  QVector<float> ys;
  QVector<int32_t> shown;
  for (int32_t p = 1; p <= n; ++p) {
    const bool above = p == 150 || p == 151;
    ys.append(above ? 120 : p % 3 == 0 ? 99.5f : 100);
    if (!above) shown.append(p);
  }
  const int16_t s = curve(ys);
  draw();
  ASSERT_EQ(at(s, 1).y(), g.plotTop);
  QVector<int32_t> right{1}, left{n};  // the points visited, the last key staying at the end
  select(s, 1);
  while (right.size() <= shown.size()) key(kKeyRight), right.append(g.selPoint);
  while (left.size() <= shown.size()) key(kKeyLeft), left.prepend(g.selPoint);
  EXPECT_EQ(right, QVector<int32_t>(shown) << n);
  EXPECT_EQ(left, QVector<int32_t>{1} << shown);
}

// Records just outside the shown range lead and end the series; Home and End
// take the first and last point inside the plot, even where a point near the
// outside point's height lies closer to it.
TEST_F(GraphPick, homeAndEndTakeTheFirstAndLastShownPoint) {
  struct Row {
    const char* name;
    int16_t xOrder, keyCode;
    int32_t to;
  } rows[] = {{"homeRising", 0, kKeyHome, 2},  {"endRising", 0, kKeyEnd, 6},
              {"homeFalling", -1, kKeyHome, 6}, {"endFalling", -1, kKeyEnd, 2}};
  g = plainGraph(1.5, 6.5, 0, 100);  // points 1 and 7 lie half a unit outside
  const int16_t s = curve({90, 10, 90, 90, 90, 10, 90});
  draw();
  ASSERT_LT(at(s, 1).x(), g.plotLeft);
  ASSERT_GT(at(s, 7).x(), g.plotRight);
  for (const Row& r : rows) {
    g.series[s].xOrder = r.xOrder;
    select(s, 4);
    key(r.keyCode);
    EXPECT_EQ(selection(), std::pair(s, r.to)) << r.name;
  }
  // The value axis shows 0..50: the outermost points inside the time range lie above the plot.
  g = plainGraph(1.5, 6.5, 0, 50);
  seriesData.resize(1);
  const int16_t t = curve({10, 90, 10, 10, 10, 90, 10});
  draw();
  select(t, 4);
  key(kKeyHome);
  EXPECT_EQ(selection(), std::pair(t, 3));
  key(kKeyEnd);
  EXPECT_EQ(selection(), std::pair(t, 5));
  EXPECT_EQ(firstPointInsidePlot(g, seriesData, t, 1, +1), 3);
  EXPECT_EQ(firstPointInsidePlot(g, seriesData, t, 4, +1), 4);
  EXPECT_EQ(firstPointInsidePlot(g, seriesData, t, 99, -1), 5);
  EXPECT_EQ(firstPointInsidePlot(g, seriesData, t, 1, -1), 0);  // nothing shown before point 1
  EXPECT_EQ(firstPointInsidePlot(g, seriesData, 9, 1, +1), 0);  // no such series
  EXPECT_EQ(firstPointInsidePlot(g, seriesData, t, 1, 0), 0);
}

TEST_F(GraphPick, aKeyLogsItsMoveAsADetailNotAsAnError) {
  const int16_t s = curve({50, 50, 50});
  draw();
  select(s, 1);
  LogCapture log;
  key(kKeyRight);
  EXPECT_TRUE(log.contains(QStringLiteral("keyCode=%1  selSerie=%2  selPoint=2").arg(kKeyRight).arg(s)));
  EXPECT_FALSE(log.contains("ERROR "));
}

TEST_F(GraphPick, pageKeysChangeTheSeries) {
  const int16_t a = curve({20, 20, 20, 20, 20});
  curve({50, 50, 50, 50, 50});
  const int16_t c = curve({80, 80, 80, 80, 80});
  draw();
  select(c, 2);
  key(kKeyPageDown);
  EXPECT_EQ(g.selSerie, c);
  key(kKeyPageUp, kShiftCtrl);
  EXPECT_EQ(g.selSerie, a);
  EXPECT_EQ(g.selPoint, 2);
  key(kKeyPageDown, kShiftCtrl);
  EXPECT_EQ(g.selSerie, c);
  key(kKeyPageUp, kShiftAlt);  // other shift states change nothing
  EXPECT_EQ(g.selSerie, c);
}

TEST_F(GraphPick, otherKeysAndCodesOnlyRedrawTheMarks) {
  const int16_t s = curve({50, 50, 50, 50, 50});
  draw();
  select(s, 2);
  key(13);
  EXPECT_EQ(selection(), std::pair(s, 2));
  picture.repaint();
  pick(4, at(s, 5));
  EXPECT_EQ(selection(), std::pair(s, 2));
  EXPECT_EQ(pixel(picture.shown(), at(s, 2).x(), 12.0), kBlack);
}

TEST_F(GraphPick, kindTwoSeriesNeedsAStartPoint) {
  const int16_t counted = curve({50, 50, 50, 50, 50}, kPointsOverNumber);
  draw();
  const QPointF p = at(counted, 3);
  EXPECT_FALSE(searchSeriePoint(g, seriesData, kAllSeries, kAllSeries, p.x(), p.y(), 0, 0, 0).found);
  PointSearchResult r = searchSeriePoint(g, seriesData, kAllSeries, kAllSeries, p.x(), p.y(), 0, 0, 1);
  EXPECT_EQ(std::pair(r.series, r.point), std::pair(counted, 3));
  // An earlier kind-1 series hands its start point on.
  g = plainGraph(1, 5, 0, 100);
  seriesData.resize(1);
  curve({10, 10, 10, 10, 10});
  const int16_t later = curve({50, 50, 50, 50, 50}, kPointsOverNumber);
  draw();
  r = searchSeriePoint(g, seriesData, kAllSeries, kAllSeries, at(later, 4).x(), at(later, 4).y(), 0, 0, 0);
  EXPECT_EQ(std::pair(r.series, r.point), std::pair(later, 4));
}

TEST_F(GraphPick, masksAndTiesAndMisses) {
  g = plainGraph(1, 5, 0, 79);  // one value per pixel row
  const int16_t power = curve({30, 30, 30, 30, 30}, kPointsOverTime, 1);
  const int16_t temp = curve({50, 50, 50, 50, 50}, kPointsOverTime, 3);
  draw();
  const QPointF between(std::round(at(power, 2).x()), (at(power, 2).y() + at(temp, 2).y()) / 2);
  const PointSearchResult tie = searchSeriePoint(g, seriesData, kAllSeries, kAllSeries, between.x(), between.y(), 0, 0, 0);
  EXPECT_EQ(tie.series, power);  // same distance: the one visited first
  EXPECT_EQ(tie.point, 2);
  const PointSearchResult onlyTemp = searchSeriePoint(g, seriesData, 1 << 2, kAllSeries, between.x(), between.y(), 0, 0, 0);
  EXPECT_EQ(onlyTemp.series, temp);
  const PointSearchResult noKind = searchSeriePoint(g, seriesData, kAllSeries, 1 << 2, between.x(), between.y(), 0, 0, 0);
  EXPECT_FALSE(noKind.found);
  EXPECT_EQ(std::pair(noKind.series, noKind.point), std::pair(int16_t(0), 0));
  const PointSearchResult kept = searchSeriePoint(g, seriesData, kAllSeries, 1 << 2, between.x(), between.y(), 0, temp, 4);
  EXPECT_EQ(std::pair(kept.series, kept.point), std::pair(temp, 4));  // asked for both: both kept
  EXPECT_FALSE(searchSeriePoint(g, seriesData, kAllSeries, kAllSeries, 0, 0, 0, 9, 0).found);  // beyond the list
}

TEST_F(GraphPick, aSeriesLongerThanItsDataIsLoggedAndTheOthersStillSearched) {
  LogCapture log;
  const int16_t bad = curve({50, 50});
  const int16_t good = curve({80, 80, 80, 80, 80});
  draw();
  g.series[bad].lastPoint = g.series[bad].pointCount = 5;  // the graph promises points the data lacks
  const PointSearchResult r = searchSeriePoint(g, seriesData, kAllSeries, kAllSeries, at(good, 5).x(), at(good, 5).y(), 0, 0, 5);
  EXPECT_EQ(std::pair(r.series, r.point), std::pair(good, 5));
  EXPECT_TRUE(log.contains("searchSeriePoint: ERROR 9")) << log.text().toStdString();
}

TEST_F(GraphPick, altReleaseLeavesTheLabelInTheGraphsPicture) {
  labelBack = kYellow;
  g.graphKind = 4;
  pointLabel = [](int16_t s, int32_t p) { return QStringLiteral("s%1 p%2").arg(s).arg(p); };
  const int16_t s = curve({50, 50, 50, 50, 50});
  draw();
  const QPointF pointer(100, 30);
  pick(kPickPress, at(s, 3));
  pick(kPickMove, pointer, kShiftAlt);
  int shownYellow = 0, keptYellow = 0;
  inkOf(picture.shown(), kYellow, &shownYellow);
  inkOf(image, kYellow, &keptYellow);
  EXPECT_GT(shownYellow, 20);
  EXPECT_EQ(keptYellow, 0);  // a drag's label is temporary
  pick(kPickRelease, QPointF(197, 2), kShiftAlt);  // near the corner: the box stays inside
  const QRect box = inkOf(image, kYellow, &keptYellow);
  EXPECT_GT(keptYellow, 20);
  EXPECT_LE(box.right(), 199);
  EXPECT_GE(box.top(), 0);
  EXPECT_EQ(pixel(image, box.right() + 1, box.center().y()), rgbColour(64, 64, 64));
  EXPECT_FALSE(picture.persistentDrawing());
  EXPECT_EQ(g.selSer1, 0);
}

TEST_F(GraphPick, dragFromTheAnchorDrawsADottedLine) {
  const int16_t s = curve({10, 30, 50, 70, 90});
  draw();
  pick(kPickPress, at(s, 1));
  pick(kPickMove, at(s, 5));
  const QPointF a = at(s, 1), b = at(s, 5);
  int black = 0;
  // Between the two points, away from the cross-hair of the selection.
  inkOf(picture.shown(), kBlack, &black, QRectF(a, b).normalized().toRect().adjusted(2, 2, -3, -3));
  EXPECT_GT(black, 10);
  int red = 0;
  inkOf(picture.shown(), kRed, &red, QRectF(a, b).normalized().toRect().adjusted(2, 2, -3, -3));
  EXPECT_GT(red, 10);  // dotted: the curve under it still shows through
}

// After the release the stretch stays the selection: a redraw of the marks, as a new plot
// asks, draws its dotted line again. The next pick of any kind ends it.
TEST_F(GraphPick, releasedStretchLastsUntilTheNextPick) {
  const int16_t s = curve({10, 30, 50, 70, 90});
  draw();
  // The line from point 1 to 5 runs through the box between points 1 and 2.
  const QRect nearItsStart = QRectF(at(s, 1), at(s, 2)).normalized().toRect().adjusted(2, 2, -3, -3);
  const auto lineInk = [&] {
    int black = 0;
    inkOf(picture.shown(), kBlack, &black, nearItsStart);
    return black;
  };
  const auto redrawMarks = [&] { pick(kPickMarks, at(s, 5), 0, 0); };
  const struct {
    const char* name;
    std::function<void()> pickNext;
  } rows[] = {{"move", [&] { pick(kPickMove, at(s, 5) + QPointF(1, 0), 0, 0); }},
              {"key", [&] { key(kKeyLeft); }}};
  for (const auto& r : rows) {
    pick(kPickPress, at(s, 1));
    pick(kPickRelease, at(s, 5));
    EXPECT_EQ(g.selSer1, 0) << r.name;
    ASSERT_EQ(g.stretchSer, s) << r.name;
    redrawMarks();
    EXPECT_GT(lineInk(), 5) << r.name;
    EXPECT_EQ(g.stretchSer, s) << r.name;
    r.pickNext();
    EXPECT_EQ(g.stretchSer, 0) << r.name;
    redrawMarks();
    EXPECT_EQ(lineInk(), 0) << r.name;
  }
  // Released on its anchor: one point, no stretch.
  pick(kPickPress, at(s, 3));
  pick(kPickRelease, at(s, 3));
  EXPECT_EQ(g.stretchSer, 0);
}

}  // namespace
