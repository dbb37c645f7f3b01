#include <gtest/gtest.h>

#include <cmath>

#include "chart/geometry_functions.h"
#include "chart/sign_switches.h"

namespace {

constexpr double kPi = 3.14159265358979;

TEST(GeometryFunctions, anglesInEveryQuadrant) {
  struct Row {
    double y, x, angle;
  } rows[] = {{0, 0, 0},        {1, 0, kPi / 2},  {-1, 0, -kPi / 2},
              {0, -1, kPi},     {-0.5, -1, std::atan(0.5) - kPi},
              {1, 1, std::atan(1.0)},  {1, -1, 3 * kPi / 4}};
  for (const Row& r : rows) EXPECT_DOUBLE_EQ(geometry::Atn2(r.y, r.x), r.angle) << r.y << "," << r.x;
  EXPECT_DOUBLE_EQ(geometry::hypot(3, 4), 5);
  EXPECT_DOUBLE_EQ(geometry::polarAngle(0, 2), kPi / 2);
  EXPECT_NEAR(geometry::polarX(2, kPi / 3), 1, 1e-12);
  EXPECT_NEAR(geometry::polarY(2, kPi / 6), 1, 1e-12);
}

// Axis 1 at the bottom (time), axis 2 at the left; each with two grid, tick and label sets.
graphRecord twoAxes() {
  graphRecord g;
  for (int16_t position : {kAxisBottom, kAxisLeft}) {
    graphAxisRecord a{
        .position = position, .gridLines = {{}, {}, {}}, .ticks = {{}, {}, {}}, .labels = {{}, {}, {}}};
    a.gridLines[1].layer = 2, a.gridLines[2].layer = -3;
    a.ticks[1].layer = 4, a.ticks[2].layer = -5;
    a.labels[1].layer = 6, a.labels[2].layer = -7;
    g.axes.append(a);
  }
  for (int16_t shape : {1, -2, 3}) {
    seriesDefRecord s;
    s.markShape = shape;
    g.series.append(s);
  }
  return g;
}

TEST(SignSwitches, gridLayersFlipAndComeBack) {
  graphRecord g = twoAxes();
  flipGridLayers(g, 2, true);
  EXPECT_EQ(g.axes[2].gridLines[1].layer, 2);
  flipGridLayers(g, 2, false);
  EXPECT_EQ(g.axes[1].gridLines[1].layer, -2);
  EXPECT_EQ(g.axes[2].gridLines[2].layer, 3);
  flipGridLayers(g, 2, false);
  EXPECT_EQ(g.axes[1].gridLines[1].layer, 2);
  EXPECT_EQ(g.axes[1].gridLines[0].layer, 0);  // element 0 is never touched
  flipGridLayers(g, 0, false);                 // no graph
  EXPECT_EQ(g.axes[1].gridLines[1].layer, 2);
}

TEST(SignSwitches, timeLabelsOnlyOnTheTimeAxis) {
  graphRecord g = twoAxes();
  flipTimeLabelLayers(g, 1, true);
  EXPECT_EQ(g.axes[1].ticks[2].layer, 5);
  EXPECT_EQ(g.axes[1].labels[2].layer, 7);
  flipTimeLabelLayers(g, 2, false);
  EXPECT_EQ(g.axes[1].ticks[1].layer, -4);
  EXPECT_EQ(g.axes[1].labels[1].layer, -6);
  EXPECT_EQ(g.axes[2].ticks[1].layer, 4);  // the value axis keeps its labels
  EXPECT_EQ(g.axes[2].labels[2].layer, -7);
  EXPECT_EQ(g.axes[1].gridLines[1].layer, 2);
}

TEST(SignSwitches, markShapesBySeries) {
  struct Row {
    const char* name;
    int16_t chartMode, index;
    bool flag;
    std::array<int16_t, 3> shapes;
  } rows[] = {{"allNegated", 2, 0, false, {-1, 2, -3}}, {"keptWithTrue", 3, 0, true, {1, -2, 3}},
              {"onlySecond", 2, 2, false, {1, 2, 3}},   {"beyondTheList", 2, 4, false, {1, -2, 3}},
              {"negativeIndex", 2, -1, false, {1, -2, 3}}, {"noTimePlot", 1, 0, false, {1, -2, 3}}};
  for (const Row& r : rows) {
    graphRecord g = twoAxes();
    flipMarkShapes(g, r.chartMode, r.flag, r.index);
    for (int s = 1; s <= 3; ++s) EXPECT_EQ(g.series[s].markShape, r.shapes[s - 1]) << r.name << " series " << s;
  }
}

TEST(SignSwitches, marksOptionSetsTheSignOfTheChosenSeries) {
  struct Row {
    const char* text;
    bool shown;
    std::array<int16_t, 3> shapes;
  } rows[] = {{"0", false, {-1, -2, -3}}, {"", true, {1, 2, 3}},   {"abc", false, {-1, -2, -3}},
              {"2", true, {1, 2, 3}},     {"3", false, {1, -2, -3}}, {"4", false, {1, -2, 3}},
              {"99999999999", false, {1, -2, 3}}};
  for (const Row& r : rows) {
    graphRecord g = twoAxes();
    showSeriesMarks(g, 2, r.shown, r.text);
    showSeriesMarks(g, 2, r.shown, r.text);  // twice: the same
    for (int s = 1; s <= 3; ++s) EXPECT_EQ(g.series[s].markShape, r.shapes[s - 1]) << r.text << " series " << s;
  }
}

TEST(SignSwitches, extremeLayersStayInRange) {
  EXPECT_EQ(signSwitched(INT16_MIN, false), INT16_MAX);
  EXPECT_EQ(signSet(INT16_MIN, true), INT16_MAX);
  EXPECT_EQ(signSet(INT16_MIN, false), -INT16_MAX);
  EXPECT_EQ(signSwitched(0, false), 0);
}

}  // namespace
