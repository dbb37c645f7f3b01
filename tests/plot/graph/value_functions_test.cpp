#include "plot/graph/value_functions.h"

#include <gtest/gtest.h>

#include <random>

#include "plot/graph/graph_error.h"
#include "plot/plot_data_reader.h"

namespace {

// The graph's plot data for one test.
class ValueFunctions : public ::testing::Test {
 protected:
  // Series 1: values 10, 20, ... at times 100.5, 101, ..., record numbers 7, 8, ...
  static QVector<plotSeries> sample(int n) {
    QVector<plotSeries> data(2);
    for (int i = 1; i <= n; ++i)
      data[1].points.append({.recordNr = 6 + i, .value = 10.0f * i, .recTime = 100 + 0.5 * i});
    return data;
  }
  static graphRecord graphWith(int16_t pointKind, int16_t valueKind, ScaleMap x, ScaleMap y) {
    graphRecord g;
    g.graphKind = 4;
    g.axes.resize(3);
    g.axes[1].setMap(x);
    g.axes[1].valueKind = valueKind;
    g.axes[2].setMap(y);
    g.series.resize(2);
    g.series[1].pointKind = pointKind;
    g.series[1].xAxis = 1;
    g.series[1].yAxis = 2;
    return g;
  }
  QVector<plotSeries> m_data;
};

TEST_F(ValueFunctions, identityAxesGiveRawValues) {
  m_data = sample(5);
  const ScaleMap id{};
  const graphRecord byTime = graphWith(kPointsOverTime, 2, id, id);
  EXPECT_DOUBLE_EQ(getPointX(1, 3, byTime, m_data), 101.5);
  EXPECT_FLOAT_EQ(getPointY(1, 3, byTime, m_data), 30);
  const graphRecord byRecord = graphWith(kPointsOverTime, 1, id, id);
  EXPECT_DOUBLE_EQ(getPointX(1, 3, byRecord, m_data), 9);
  const graphRecord byNumber = graphWith(kPointsOverNumber, 0, id, id);
  EXPECT_DOUBLE_EQ(getPointX(1, 4, byNumber, m_data), 4);
  EXPECT_FLOAT_EQ(getPointY(1, 4, byNumber, m_data), 40);
  graphRecord other = byNumber;
  other.series[1].pointKind = 7;
  EXPECT_EQ(getPointX(1, 4, other, m_data), 0);
  EXPECT_EQ(getPointY(1, 4, other, m_data), 0);
}

TEST_F(ValueFunctions, axisTransformIsApplied) {
  m_data = sample(5);
  const graphRecord g =
      graphWith(kPointsOverTime, 2, {.origin = 100, .scale = 20, .offset = 5}, {.scale = -2, .offset = 300});
  EXPECT_DOUBLE_EQ(getPointX(1, 2, g, m_data), (101 - 100) * 20 + 5.0);
  EXPECT_FLOAT_EQ(getPointY(1, 2, g, m_data), 20 * -2 + 300.0f);
}

TEST_F(ValueFunctions, rangeGuardsAndErrors) {
  m_data = sample(3);
  EXPECT_EQ(dataValue(1, 4, m_data), 0);
  EXPECT_EQ(dataValue(2, 1, m_data), 0);
  EXPECT_EQ(dataValue(-1, 1, m_data), 0);
  EXPECT_THROW(seriesValueY(1, 4, m_data), GraphError);
  EXPECT_THROW(seriesValueY(2, 1, m_data), GraphError);
  EXPECT_THROW(seriesValue(1, 9, 2, m_data), GraphError);
  EXPECT_EQ(seriesValue(1, 9, 0, m_data), 9);  // the point number needs no point
  const graphRecord g = graphWith(kPointsOverTime, 2, {}, {});
  EXPECT_THROW(getPointX(2, 1, g, m_data), GraphError);
  graphRecord noAxis = g;
  noAxis.series[1].xAxis = 5;
  EXPECT_THROW(getPointX(1, 1, noAxis, m_data), GraphError);
  try {
    indexToSingle(1, 40000);
    FAIL();
  } catch (const GraphError& e) {
    EXPECT_EQ(e.number, kErrOverflow);
  }
  EXPECT_EQ(indexToSingle(1, 32767), 32767.0f);
}

TEST_F(ValueFunctions, indexListSeriesHasNoHeight) {
  graphRecord g = graphWith(kPointsIndexList, 0, {.scale = 2, .offset = 1}, {});
  g.series[1].indexList = {0, 5, 6};
  EXPECT_EQ(getPointY(1, 2, g, m_data), 0);
  EXPECT_FLOAT_EQ(getPointX(1, 2, g, m_data), 5);
  EXPECT_THROW(getPointY(1, 3, g, m_data), GraphError);
}

TEST_F(ValueFunctions, nearestValueSearchEdges) {
  const graphRecord g;
  m_data = sample(1);
  EXPECT_EQ(searchNearestValue(g, 1, 100.5, 2, 1, m_data), 0);
  m_data = sample(2);
  EXPECT_EQ(searchNearestValue(g, 1, 100.75, 2, 1, m_data), 1);  // a tie keeps point 1
  EXPECT_EQ(searchNearestValue(g, 1, 100.9, 2, 1, m_data), 2);
  EXPECT_EQ(searchNearestValue(g, 1, 50, 2, 1, m_data), 1);
  EXPECT_EQ(searchNearestValue(g, 1, 500, 2, 1, m_data), 2);
}

TEST_F(ValueFunctions, nearestValueSearchMatchesAFullScan) {
  std::mt19937 rng(7);
  for (int n : {3, 4, 5, 17, 64, 65, 300, 1001}) {
    for (int16_t direction : {1, -1}) {
      QVector<plotSeries> data(2);
      double t = 45000;
      for (int i = 1; i <= n; ++i) {
        t += direction * (0.001 + (rng() % 100) / 1000.0);
        data[1].points.append({.recordNr = i, .recTime = t});
      }
      m_data = data;
      for (int k = 0; k < 40; ++k) {
        const double target = data[1].points[1 + rng() % n].recTime + ((rng() % 21) - 10) / 7000.0;
        int best = 1;
        for (int i = 2; i <= n; ++i)
          if (std::fabs(data[1].points[i].recTime - target) < std::fabs(data[1].points[best].recTime - target))
            best = i;
        const int32_t found = searchNearestValue(graphRecord{}, 1, target, 2, direction, m_data);
        EXPECT_DOUBLE_EQ(std::fabs(data[1].points[found].recTime - target),
                         std::fabs(data[1].points[best].recTime - target))
            << "n=" << n << " direction=" << direction;
      }
    }
  }
}

TEST_F(ValueFunctions, pointLabelOnlyForTheTimeChart) {
  int calls = 0;
  const PointLabelSource source = [&](int16_t s, int32_t p) {
    ++calls;
    return QStringLiteral("%1/%2").arg(s).arg(p);
  };
  graphRecord g = graphWith(kPointsOverTime, 2, {}, {});
  EXPECT_EQ(getPointLabel(1, 7, g, source), "1/7");
  g.graphKind = 2;
  EXPECT_EQ(getPointLabel(1, 7, g, source), "");
  EXPECT_EQ(calls, 1);
  EXPECT_THROW(getPointLabel(3, 1, g, source), GraphError);
  g.graphKind = 4;
  EXPECT_EQ(getPointLabel(1, 7, g, {}), "");  // a graph without a source has no labels
}

TEST(GapValues, codesAreGapsByTheKindOfSeries) {
  struct Row {
    float value;
    int16_t seriesType;
    bool gap;
  } rows[] = {
      {-2, 1, true},     {-5, 1, true},     {-2, 2, true},        {-5, 2, true},       {0, 1, false},
      {1500, 2, false},  {-2, 3, false},    {-5, 3, false},       {-16384, 3, true},   {-16364, 3, true},
      {-16384, 1, true}, {-3, 1, false},    {-2, 0, true},        {21.5, 3, false},
  };
  for (const Row& r : rows) EXPECT_EQ(isGapValue(r.value, r.seriesType), r.gap) << r.value << " " << r.seriesType;
}

}  // namespace
