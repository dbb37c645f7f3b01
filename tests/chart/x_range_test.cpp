#include <gtest/gtest.h>

#include "chart/axis_number_format.h"
#include "chart/series_selection.h"
#include "chart/x_range.h"

namespace {

graphAxisRecord xAxis(double limitMin, double limitMax, double min, double max) {
  graphAxisRecord a;
  a.position = kAxisBottom;
  a.limitMin = limitMin, a.limitMax = limitMax;
  a.minValue = min, a.maxValue = max;
  return a;
}

TEST(MakeNumberFormat, digitsFollowTheMagnitude) {
  struct Row {
    int digits;
    bool isSigned;
    double magnitude;
    std::string format;
  } rows[] = {{4, false, 5, "0.000"},
              {4, true, 250, "+##0.0;-##0.0;##0.0"},
              {1, false, 5, "#0"},
              {2, false, 0.05, "0.0"},
              {4, false, 1234.5, "####0"}, {3, false, 1234.5, "###0"},
              {4, false, 99999, "####0"}, {5, false, 99999, "#####0"}, {6, false, 99999, "####0.0"},
              {4, false, 0, "0.000"},  // both bounds 0: one digit place
              {4, true, -3, "+0.000;-0.000;0.000"},
              {4, false, std::nan(""), "0.000"},
              {32767, false, 1, "0." + std::string(30, '0')},
              {4, false, 1e308, std::string(308, '#') + "0"},
              {4, false, HUGE_VAL, std::string(308, '#') + "0"}};
  for (const Row& r : rows)
    EXPECT_EQ(makeNumberFormat(r.digits, r.isSigned, r.magnitude).toStdString(), r.format)
        << r.digits << " " << r.magnitude;
}

TEST(XScrollBar, wholeDataShownHidesTheBar) {
  const XScrollBar bar = setSelXrange(xAxis(0, 99, 0, 99));
  EXPECT_FALSE(bar.shown);
  EXPECT_FALSE(bar.zoomOutEnabled);
  EXPECT_TRUE(bar.enableZoomIn);
  EXPECT_EQ(bar.value, 1);  // never below 1
  EXPECT_FALSE(setSelXrange(xAxis(0, 99, 10, 12)).enableZoomIn);
}

TEST(XScrollBar, partShownPlacesTheThumb) {
  const XScrollBar bar = setSelXrange(xAxis(0, 1000, 250, 350));
  EXPECT_TRUE(bar.shown);
  EXPECT_TRUE(bar.zoomOutEnabled);
  EXPECT_EQ(bar.largeChange, 1000);
  EXPECT_EQ(bar.value, 2500);
  EXPECT_EQ(bar.max, 9000);
  EXPECT_EQ(bar.tag, "2500");
}

TEST(XScrollBar, farSetRangeIsHeldAtTheBarsEnd) {
  // A range "set" far beyond the data: the positions exceed 16 bits.
  XScrollBar bar = setSelXrange(xAxis(0, 10, 1e6, 1e6 + 5));
  EXPECT_EQ(bar.value, 32767);
  EXPECT_EQ(bar.max, 32767);
  EXPECT_EQ(bar.tag, "32767");
  bar = setSelXrange(xAxis(0, 1e-3, 0, 1e9));
  EXPECT_EQ(bar.largeChange, 32767);
  EXPECT_EQ(toInt16Clamped(-1e300), -32768);
  EXPECT_EQ(toInt16Clamped(2.5), 2);
}

// A whole-number axis moves by whole units, at least one per change; any other
// axis (a time axis counts in days) by the scaled amount, so a sub-day view of
// a day's data can stop in its middle.
TEST(XScrollBar, scrollingMovesByTheScaledAmountAndStaysInsideTheLimits) {
  struct Row {
    const char* name;
    bool wholeNumbers;
    double limitMax, min, max;
    int16_t from, to;
    double newMin, newMax;
  } rows[] = {{"wholeOneStepRoundsToOneUnit", true, 100, 10, 20, 1000, 1001, 11, 21},
              {"wholeOneStepBack", true, 100, 10, 20, 1000, 999, 9, 19},
              {"wholeBigStep", true, 100, 10, 20, 1000, 3000, 30, 40},
              {"wholePastTheEnd", true, 100, 10, 20, 1000, 9900, 90, 100},
              {"wholePastTheStart", true, 100, 10, 20, 1000, 1, 0, 10},
              {"wholeUpperLimitWins", true, 100, 0, 150, 1, 3, -50, 100},
              {"wholeFarTagDoesNotOverflow", true, 100, 10, 20, 32767, -32768, 0, 10},
              {"timeOneStepIsATenThousandthOfTheData", false, 1, 0.25, 0.75, 2500, 2501, 0.2501, 0.7501},
              {"timeOneStepBack", false, 1, 0.25, 0.75, 2500, 2499, 0.2499, 0.7499},
              {"timePageStepIsHalfADay", false, 1, 0.25, 0.75, 2500, 7500, 0.5, 1},
              {"timePastTheStart", false, 1, 0.2, 0.7, 2500, 0, 0, 0.5},
              {"fractionalLimits", false, 100, 10, 20, 1000, 1001, 10.01, 20.01}};
  for (const Row& r : rows) {
    graphAxisRecord a = xAxis(0, r.limitMax, r.min, r.max);
    a.axisFlags = r.wholeNumbers ? -1 : 0;
    XScrollBar bar;
    bar.tag = QString::number(r.from);
    bar.value = r.to;
    EXPECT_TRUE(setHScrollBar(a, bar, 2)) << r.name;
    EXPECT_NEAR(a.minValue, r.newMin, 1e-12) << r.name;
    EXPECT_NEAR(a.maxValue, r.newMax, 1e-12) << r.name;
    EXPECT_NEAR(a.maxValue - a.minValue, r.max - r.min, 1e-12) << r.name;
    EXPECT_EQ(bar.tag, QString::number(r.to)) << r.name;
    EXPECT_FALSE(setHScrollBar(a, bar, 2)) << r.name;  // the same position again does nothing
  }
  graphAxisRecord a = xAxis(0, 100, 10, 20);
  XScrollBar bar{.value = 5, .tag = "4"};
  EXPECT_FALSE(setHScrollBar(a, bar, 0));  // no graph
}

TEST(XScrollBar, rangeLabel) {
  const graphAxisRecord a = xAxis(0, 99, 10, 19);
  EXPECT_EQ(showRangeLabel(a, 2, 0), "1 [ 0 { 10 - ( 10 ) - 19 } 99 ] 0");
  EXPECT_EQ(showRangeLabel(a, 1, 0), "0 { 10 - ( 10 ) - 19 } 99");
}

graphRecord valueAxes() {
  graphRecord g;
  g.axes.append(xAxis(0, 100, 20, 60));
  for (int16_t position : {kAxisLeft, kAxisRight}) {
    graphAxisRecord a = xAxis(-10, 110, 0, 100);
    a.position = position;
    a.homeMin = 5, a.homeMax = 50, a.drawnMin = 1, a.drawnMax = 90;
    axisLabelRecord l;
    l.labelFactor = 1;
    a.labels.append(l);
    g.axes.append(a);
  }
  g.axes[3].labels[1].labelFactor = 2, g.axes[3].labels[1].labelOffset = -300;
  seriesDefRecord s1, s2;
  s1.yAxis = 2, s2.yAxis = 3;
  g.series << s1 << s2;
  return g;
}

TEST(ZoomAxis, commands) {
  struct Row {
    const char* name;
    int16_t outFlg;
    double min, max;
  } rows[] = {{"in", kZoomIn, 45, 55},      {"out", kZoomOut, 30, 70},  {"ext", kZoomDrawn, 1, 90},
              {"def", kZoomHome, 5, 50},    {"limit", kZoomLimits, -10, 110}, {"unknown", 9, 40, 60}};
  for (const Row& r : rows) {
    graphRecord g = valueAxes();
    g.axes[2].minValue = 40, g.axes[2].maxValue = 60;
    const auto texts = zoomAxisInOut(g, 2, 2, r.outFlg, "0", {});
    ASSERT_TRUE(texts) << r.name;
    EXPECT_DOUBLE_EQ(g.axes[2].minValue, r.min) << r.name;
    EXPECT_DOUBLE_EQ(g.axes[2].maxValue, r.max) << r.name;
    EXPECT_EQ(texts->max, QString::number(r.max)) << r.name;
  }
}

TEST(ZoomAxis, zoomOutTwiceMeetsTheLimits) {
  graphRecord g = valueAxes();
  g.axes[2].minValue = 80, g.axes[2].maxValue = 100;
  zoomAxisInOut(g, 2, 2, kZoomOut, "", {});
  EXPECT_DOUBLE_EQ(g.axes[2].maxValue, 110);
  EXPECT_DOUBLE_EQ(g.axes[2].minValue, 70);
  zoomAxisInOut(g, 2, 2, kZoomOut, "", {});
  EXPECT_DOUBLE_EQ(g.axes[2].minValue, 30);  // twice as wide, ending at the upper limit
  EXPECT_DOUBLE_EQ(g.axes[2].maxValue, 110);
  zoomAxisInOut(g, 2, 2, kZoomOut, "", {});
  EXPECT_DOUBLE_EQ(g.axes[2].minValue, -10);  // wider than the limits: pinned to both
  EXPECT_DOUBLE_EQ(g.axes[2].maxValue, 110);
}

TEST(ZoomAxis, setWholeNumbersAndEmptyRanges) {
  graphRecord g = valueAxes();
  auto texts = zoomAxisInOut(g, 1, 2, kZoomSet, "", {.max = "20", .min = "1,5"});
  EXPECT_DOUBLE_EQ(g.axes[2].minValue, 1.5);
  EXPECT_DOUBLE_EQ(g.axes[2].maxValue, 20);
  g.axes[2].axisFlags = -1;
  zoomAxisInOut(g, 1, 2, kZoomSet, "", {.max = "10.5", .min = "3.25"});
  EXPECT_DOUBLE_EQ(g.axes[2].minValue, 3);
  EXPECT_DOUBLE_EQ(g.axes[2].maxValue, 10);
  texts = zoomAxisInOut(g, 1, 2, kZoomSet, "", {.max = "7", .min = "7"});
  EXPECT_DOUBLE_EQ(g.axes[2].maxValue, 10);  // equal bounds: kept
  EXPECT_EQ(texts->max, "7");                // but shown as typed
  g.axes[2].minValue = g.axes[2].maxValue = 4;
  zoomAxisInOut(g, 1, 2, kZoomIn, "", {});
  EXPECT_DOUBLE_EQ(g.axes[2].maxValue, 4);
  // In label scale 1 of axis 3 (value x 2 - 300).
  texts = zoomAxisInOut(g, 1, 3, kZoomSet, "1", {.max = "-100", .min = "-200"});
  EXPECT_DOUBLE_EQ(g.axes[3].maxValue, 100);
  EXPECT_DOUBLE_EQ(g.axes[3].minValue, 50);
  EXPECT_EQ(texts->min, "-200");
  g.axes[3].labels[1].labelFactor = 0;  // a scale that cannot be converted back
  zoomAxisInOut(g, 1, 3, kZoomSet, "1", {.max = "1", .min = "2"});
  EXPECT_DOUBLE_EQ(g.axes[3].maxValue, 100);
  EXPECT_FALSE(zoomAxisInOut(g, 1, 4, kZoomIn, "", {}));
  EXPECT_FALSE(zoomAxisInOut(g, 0, 2, kZoomIn, "", {}));
}

TEST(ZoomAxis, valueAxesOfTheChosenSeriesAndTheirFormats) {
  graphRecord g = valueAxes();
  applyYScale(g, 2, true, kZoomIn, "2", "", {});
  EXPECT_DOUBLE_EQ(g.axes[2].maxValue, 100);  // series 2 is on axis 3
  EXPECT_DOUBLE_EQ(g.axes[3].maxValue, 75);
  EXPECT_DOUBLE_EQ(g.axes[1].maxValue, 60);  // never the X axis
  EXPECT_EQ(g.axes[2].labels[1].numberFormat, "##0.0");
  EXPECT_EQ(g.axes[3].labels[1].numberFormat, "+##0.0;-##0.0;##0.0");  // 2 x 75 - 300 < 0
  applyYScale(g, 2, true, kZoomIn, "7", "", {});  // no such series: every value axis
  EXPECT_DOUBLE_EQ(g.axes[2].maxValue, 75);
  applyYScale(g, 2, false, 1, "0", "", {});  // the spin bar's lower arrow: down by an eighth
  EXPECT_DOUBLE_EQ(g.axes[2].maxValue, 75 - 6.25);
  EXPECT_DOUBLE_EQ(g.axes[2].minValue, 25 - 6.25);
  applyYScale(g, 2, false, -1, "0", "", {});
  EXPECT_DOUBLE_EQ(g.axes[2].maxValue, 75);
}

TEST(SeriesSelection, comboChoiceAndAxes) {
  EXPECT_FALSE(selectSeries(-1, 0));
  const auto all = selectSeries(3, 0);
  EXPECT_EQ(all->selSeriesMask, -1);
  EXPECT_EQ(all->seriesText, "3");
  const auto one = selectSeries(2, 2);
  EXPECT_EQ(one->selSeriesMask, 1);
  EXPECT_EQ(one->selSeriesIndex, 2);
  graphRecord g = valueAxes();
  g.series[2].xAxis = 1;
  EXPECT_EQ(seriesAxisTexts(g, "2").yAxis, "3");
  EXPECT_EQ(seriesAxisTexts(g, "2").xAxis, "1");
  EXPECT_EQ(seriesAxisTexts(g, "3").yAxis, "0");
  EXPECT_EQ(seriesAxisTexts(g, "x").xAxis, "0");
}

}  // namespace
