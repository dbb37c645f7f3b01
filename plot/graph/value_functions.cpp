#include "plot/graph/value_functions.h"

#include <bit>
#include <cmath>

#include "plot/graph/graph_error.h"
#include "plot/plot_data_reader.h"

namespace {

constexpr int16_t kTemperatureSeries = 3;

const graphAxisRecord& xAxisOf(int16_t series, const graphRecord& graph) {
  return checkedItem(graph.axes, checkedItem(graph.series, series).xAxis);
}
const graphAxisRecord& yAxisOf(int16_t series, const graphRecord& graph) {
  return checkedItem(graph.axes, checkedItem(graph.series, series).yAxis);
}
const plotPoint& pointOf(int16_t series, int32_t point, const PlotData& data) {
  return checkedItem(checkedItem(data, series).points, point);
}
int16_t toInt16(int32_t point) {
  if (point < INT16_MIN || point > INT16_MAX) throw GraphError{kErrOverflow};
  return static_cast<int16_t>(point);
}

}  // namespace

double getPointX(int16_t series, int32_t point, const graphRecord& graph, const PlotData& data) {
  switch (checkedItem(graph.series, series).pointKind) {
    case kPointsIndexList: return xFromIndex(series, point, graph);
    case kPointsOverTime: return xFromData(series, point, graph, data);
    case kPointsOverNumber: return xFromLong(series, point, graph);
    default: return 0;
  }
}

float getPointY(int16_t series, int32_t point, const graphRecord& graph, const PlotData& data) {
  switch (checkedItem(graph.series, series).pointKind) {
    case kPointsIndexList: return yFromIndex(series, point, graph);
    case kPointsOverTime: return yFromValue(series, point, graph, data);
    case kPointsOverNumber: return yFromData(series, point, graph, data);
    default: return 0;
  }
}

float xFromIndex(int16_t series, int32_t point, const graphRecord& graph) {
  return static_cast<float>(xAxisOf(series, graph).map().toPixel(toInt16(point)));
}

float indexToSingle(int16_t, int32_t point) { return static_cast<float>(toInt16(point)); }

float yFromIndex(int16_t series, int32_t point, const graphRecord& graph) {
  checkedItem(checkedItem(graph.series, series).indexList, point);
  return 0;
}

float xFromLong(int16_t series, int32_t point, const graphRecord& graph) {
  return static_cast<float>(xAxisOf(series, graph).map().toPixel(static_cast<float>(point)));
}

float longToSingle(int16_t, int32_t point) { return static_cast<float>(point); }

float yFromData(int16_t series, int32_t point, const graphRecord& graph, const PlotData& data) {
  return static_cast<float>(yAxisOf(series, graph).map().toPixel(dataValue(series, point, data)));
}

float dataValue(int16_t series, int32_t point, const PlotData& data) {
  if (series < 0 || series >= data.size()) return 0;
  const QVector<plotPoint>& points = data[series].points;
  return point < 0 || point >= points.size() ? 0 : points[point].value;
}

double xFromData(int16_t series, int32_t point, const graphRecord& graph, const PlotData& data) {
  const graphAxisRecord& a = xAxisOf(series, graph);
  return a.map().toPixel(seriesValue(series, point, a.valueKind, data));
}

double seriesValue(int16_t series, int32_t point, int16_t kind, const PlotData& data) {
  switch (kind) {
    case 1: return pointOf(series, point, data).recordNr;
    case 2: return pointOf(series, point, data).recTime;
    default: return point;
  }
}

float yFromValue(int16_t series, int32_t point, const graphRecord& graph, const PlotData& data) {
  return static_cast<float>(yAxisOf(series, graph).map().toPixel(seriesValueY(series, point, data)));
}

float seriesValueY(int16_t series, int32_t point, const PlotData& data) { return pointOf(series, point, data).value; }

int32_t searchNearestValue(const graphRecord&, int16_t series, double target, int16_t kind, int16_t direction,
                           const PlotData& data) {
  const int32_t lo = 1;
  const int32_t hi = static_cast<int32_t>(checkedItem(data, series).points.size() - 1);
  if (hi <= lo) return 0;
  int32_t step = static_cast<int32_t>(std::bit_floor(static_cast<uint32_t>(hi - lo)));
  int32_t best = lo;
  double bestDist = std::fabs(seriesValue(series, lo, kind, data) - target);
  int64_t i = lo + step;
  while (step >= 1) {
    int turn;
    if (i < lo) {
      turn = direction;
    } else if (i > hi) {
      turn = -direction;
    } else {
      const double v = seriesValue(series, static_cast<int32_t>(i), kind, data);
      const double d = std::fabs(v - target);
      turn = target - v < 0 ? -1 : 1;
      if (d < bestDist) {
        best = static_cast<int32_t>(i);
        bestDist = d;
      }
    }
    step /= 2;
    i += static_cast<int64_t>(direction) * turn * step;
  }
  return best;
}

QString getPointLabel(int16_t series, int32_t point, const graphRecord& graph, const PointLabelSource& source) {
  checkedItem(graph.series, series);
  if (graph.graphKind != 4 || !source) return QString();
  return source(series, point);
}

bool isGapValue(float value, int16_t seriesType) {
  if (!validTemperature(value)) return true;
  return seriesType != kTemperatureSeries && (value == kPowerNoPrevious || value == kPowerTooClose);
}
