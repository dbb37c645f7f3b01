#include "plot/graph/graph_record.h"

#include <gtest/gtest.h>

#include "platform/named_colours.h"
#include "plot/graph/scale_map.h"
#include "plot/plot_data_reader.h"

namespace {

TEST(GraphRecord, titleIsTextOneOrNoText) {
  graphRecord g;
  initGraphRec(4, 0.1f, 4, 2, "", g);
  EXPECT_EQ(g.texts.size(), 1);
  initGraphRec(4, 0.1f, 4, 2, "Power", g);
  ASSERT_EQ(g.texts.size(), 2);
  EXPECT_EQ(g.texts[1].text, "Power");
  EXPECT_EQ(g.texts[1].layer, 4);
  EXPECT_FLOAT_EQ(g.texts[1].posX, 0.5f);
  EXPECT_FLOAT_EQ(g.texts[1].posY, 0);
  EXPECT_FLOAT_EQ(g.marginBottom, 0.1f);
  EXPECT_EQ(g.plotBackColour, -1);
}

TEST(GraphRecord, addersAppendEnlargeAndOverwrite) {
  graphRecord g;
  initGraphRec(1, 0, 2, 0, "", g);
  int16_t i = 0;
  addGraphAxis(i, {.layer = 1, .maxValue = 10}, g);
  EXPECT_EQ(i, 1);
  i = 4;  // past the end: the list grows to it, keeping axis 1
  addGraphAxis(i, {.layer = 1, .position = kAxisLeft, .minValue = -4, .maxValue = 4}, g);
  ASSERT_EQ(g.axes.size(), 5);
  EXPECT_EQ(g.axes[1].maxValue, 10);
  EXPECT_EQ(g.axes[4].minValue, -4);
  i = 0;
  addGraphAxis(i, {.layer = 1, .position = kAxisTop, .maxValue = 1}, g);
  EXPECT_EQ(i, 5);
  i = 1;  // existing: overwritten with fresh lists
  addGridLines(i = 0, {.layer = 1, .divisions = 4, .colour = kRed}, 0, g.axes[1]);
  addGraphAxis(i = 1, {.layer = 2, .position = kAxisTop, .minValue = 5, .maxValue = 6}, g);
  EXPECT_EQ(g.axes[1].minValue, 5);
  EXPECT_EQ(g.axes[1].gridLines.size(), 1);
  i = -1;  // a caller's error changes nothing
  addGraphAxis(i, {.layer = 1, .position = kAxisTop, .maxValue = 1}, g);
  EXPECT_EQ(g.axes.size(), 6);
}

TEST(GraphRecord, axisDefaultsMarksAndColours) {
  graphRecord g;
  int16_t i = 0;
  addGraphAxis(i, {.layer = 3, .position = kAxisLeft, .maxValue = 100}, g);
  const graphAxisRecord& a = g.axes[1];
  EXPECT_EQ(a.mark1, 75);
  EXPECT_EQ(a.mark2, 25);
  EXPECT_EQ(a.scale, 1.0);
  EXPECT_EQ(a.homeMax, 100);
  EXPECT_EQ(a.limitMin, 0);
  EXPECT_EQ(a.bandColours[0], kRed);
  EXPECT_EQ(a.bandColours[5], rgbColour(128, 128, 255));
  addGraphAxis(i = 0, {.layer = 3, .position = kAxisLeft, .maxValue = 100, .colour = kBlue}, g);
  for (int32_t c : g.axes[2].bandColours) EXPECT_EQ(c, kBlue);
}

TEST(GraphRecord, labelFormatFollowsTheRange) {
  struct Row {
    const char* name;
    double min, max;
    QString format, expected;
  } rows[] = {
      {"positive", 0, 100, "", "#,0.###"},
      {"aroundZero", -5, 5, "", "+#,0.###;-#,0.###;0"},
      {"negative", -10, -1, "", "+#,0.###;-#,0.###;0"},
      {"explicit", -10, -1, "0.0", "0.0"},
  };
  for (const Row& r : rows) {
    graphRecord g;
    int16_t a = 0, l = 0;
    addGraphAxis(a, {.layer = 3, .position = kAxisLeft, .minValue = r.min, .maxValue = r.max}, g);
    setAxisFormat(l, {.layer = 3, .divisions = 8, .colour = -1}, r.format, g.axes[a]);
    const axisLabelRecord& lab = g.axes[a].labels[l];
    EXPECT_EQ(lab.numberFormat, r.expected) << r.name;
    EXPECT_EQ(lab.labelFactor, 1.0) << r.name;
    EXPECT_FLOAT_EQ(lab.labelGap, 15) << r.name;
    EXPECT_EQ(lab.colours[0], kRed) << r.name;
    EXPECT_EQ(lab.colours[2], kBlue) << r.name;
  }
}

TEST(GraphRecord, signItemColoursFollowTheSign) {
  graphAxisRecord a;
  int16_t i = 0;
  for (int16_t sign : {1, -1, 0, 2}) addSignItem(i = 0, 2, sign, -1, a);
  EXPECT_EQ(a.signItems[1].colour, kRed);
  EXPECT_EQ(a.signItems[2].colour, kBlue);
  EXPECT_EQ(a.signItems[3].colour, kBlack);
  EXPECT_EQ(a.signItems[4].colour, kBlack);
  addSignItem(i = 1, 2, 1, rgbColour(1, 2, 3), a);
  EXPECT_EQ(a.signItems[1].colour, rgbColour(1, 2, 3));
  EXPECT_EQ(a.signItems[1].lineWidthPx, 1);
}

TEST(GraphRecord, seriesDefaultsByNumber) {
  graphRecord g;
  initGraphRec(4, 0.1f, 4, 2, "", g);
  int16_t i = 0;
  for (int n = 1; n <= 9; ++n)
    addStdSeries(i = 0, {.layer = 2, .pointKind = 1, .lastPoint = 20, .showMarks = true}, g);
  EXPECT_FLOAT_EQ(g.series[8].penWidth, 2.0f);
  EXPECT_FLOAT_EQ(g.series[9].penWidth, 1.0f);
  EXPECT_EQ(g.series[9].curveColour, kRed);
  EXPECT_EQ(g.series[8].curveColour, rgbColour(255, 128, 0));
  EXPECT_EQ(seriesColour(0), rgbColour(255, 128, 0));
  EXPECT_EQ(g.series[2].markShape, 1);
  EXPECT_EQ(g.series[2].lastPoint, 20);
  EXPECT_EQ(g.series[2].pointCount, 20);
  addStdSeries(i = 0, {.layer = 2, .pointKind = 1, .lastPoint = 20}, g);
  EXPECT_EQ(g.series[10].markShape, -1);
}

TEST(GraphRecord, existingSeriesIsResetToSeriesZeroFirst) {
  graphRecord g;
  int16_t i = 0;
  addStdSeries(i, {.layer = 2, .pointKind = 1, .lastPoint = 5, .showMarks = true}, g);
  g.series[1].lineStyle = 3;  // not set by the adder
  g.series[0].xOrder = -1;
  addStdSeries(i = 1, {.layer = 2, .pointKind = 2, .lastPoint = 7, .showMarks = true}, g);
  EXPECT_EQ(g.series[1].lineStyle, 0);
  EXPECT_EQ(g.series[1].xOrder, -1);
  EXPECT_EQ(g.series[1].pointKind, 2);
  QVector<int16_t> list{0, 1, 2, 3};
  addGraphSeries(i = 1, {.layer = 2, .seriesStyle = 3, .seriesOption = -1, .indexList = list}, g);
  EXPECT_EQ(g.series[1].pointKind, 0);
  EXPECT_EQ(g.series[1].lastPoint, 3);
  EXPECT_EQ(g.series[1].barColour, -1);
  EXPECT_EQ(g.series[1].markShape, 0);
}

TEST(GraphRecord, emptyLeftRangeLeavesGridAndTicksToTheRight) {
  graphRecord g;
  buildGraphAxes({.xMax = 10,
                  .xStep = 2,
                  .gridColour = rgbColour(208, 208, 208),
                  .yMin = 5,
                  .yMax = 5,
                  .yGridDivisions = 8,
                  .yTickDivisions = 8,
                  .signColour = 0,
                  .y2Min = -30,
                  .y2Max = 50,
                  .title = ""},
                 g);
  ASSERT_EQ(g.axes.size(), 5);
  EXPECT_EQ(g.axes[2].gridLines.size(), 1);
  EXPECT_EQ(g.axes[2].ticks.size(), 1);
  ASSERT_EQ(g.axes[3].gridLines.size(), 2);
  EXPECT_EQ(g.axes[3].gridLines[1].divisions, 8);
  EXPECT_EQ(g.axes[3].labels[1].divisions, 8);
  EXPECT_EQ(g.axes[3].position, kAxisRight);
  EXPECT_EQ(g.axes[4].position, kAxisTop);
  EXPECT_EQ(g.axes[4].labels.size(), 1);
  EXPECT_FLOAT_EQ(g.marginBottom, 0.2f);
  for (int a = 1; a <= 4; ++a) EXPECT_EQ(g.axes[a].lineWidth, 1);
}

TEST(GraphRecord, timeGraphHasOneSeriesPerPlotSeries) {
  QVector<plotSeries> data(3);
  data[1].points.resize(11);
  data[2].points.resize(5);
  graphRecord g;
  initTimeGraph(
      {.title = "T", .seriesCount = 2, .pointKind = 1, .xMin = 100, .xMax = 101, .xStep = 0.25, .yMax = 800},
      data, g);
  EXPECT_EQ(g.graphKind, 4);
  EXPECT_EQ(g.clipLayer, 2);
  ASSERT_EQ(g.series.size(), 3);
  EXPECT_EQ(g.series[1].lastPoint, 10);
  EXPECT_EQ(g.series[2].lastPoint, 4);
  EXPECT_EQ(g.series[2].layer, 2);
  const graphAxisRecord& x = g.axes[1];
  ASSERT_EQ(x.gridLines.size(), 2);
  EXPECT_EQ(x.gridLines[1].start, 100);
  EXPECT_EQ(x.gridLines[1].step, 0.25);
  EXPECT_EQ(x.gridLines[1].colour, rgbColour(208, 208, 208));
  EXPECT_EQ(x.labels[1].numberFormat, "#,0.###");
}

TEST(GraphRecord, recordPlotGraph) {
  graphRecord g;
  initGraphDefWithFormat({.title = "R", .xMax = 20, .xStep = 1, .factor = 2.5, .offset = 3, .axisMax = 4},
                         {0, 1, 2}, g);
  const graphAxisRecord& y = g.axes[2];
  ASSERT_EQ(y.labels.size(), 3);
  EXPECT_FLOAT_EQ(y.labels[2].labelGap, 60);
  EXPECT_EQ(y.labels[2].labelFactor, 2.5);
  EXPECT_EQ(y.labels[1].numberFormat, "+0.00;-0.00;0.00");
  EXPECT_EQ(y.maxValue, 4);
  EXPECT_EQ(y.gridLines[1].start, 0);
  EXPECT_EQ(g.axes[1].gridLines[1].start, 1);  // padded axis: sets start at their step
  EXPECT_EQ(g.axes[3].layer, 0);
  EXPECT_EQ(g.series[1].lastPoint, 2);
  EXPECT_FLOAT_EQ(g.marginLeft, 0.15f);
}

TEST(ScaleMapTest, valueAndPixelRoundTrip) {
  const ScaleMap maps[] = {{0, 1, 0}, {0, 2.5, 40}, {45000, -0.37, 300}, {0, 640.0 / 0.0417, -2.9e7}};
  for (const ScaleMap& m : maps)
    for (double v : {0.0, 1.0, -3.5, 45123.25, 1e6}) {
      EXPECT_NEAR(m.toValue(m.toPixel(v)), v, 1e-9 * std::max(1.0, std::fabs(v)));
    }
  EXPECT_EQ((ScaleMap{.origin = 3, .scale = 0, .offset = 5}).toValue(99), 3);
  graphAxisRecord a;
  a.setMap({.origin = 1, .scale = 2, .offset = 3});
  EXPECT_EQ(a.map().toPixel(2), 5);
}

}  // namespace
