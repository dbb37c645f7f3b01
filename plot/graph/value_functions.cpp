#include "plot/graph/value_functions.h"

#include <bit>
#include <cmath>

#include "plot/graph/graph_error.h"
#include "plot/plot_data_reader.h"
#include "plot/plot_records.h"

namespace {

constexpr int16_t kTemperatureSeries = 3;

PointLabelSource& labelSource() {
  static PointLabelSource source;
  return source;
}

const graphAxisRecord& xAxisOf(int16_t series, const graphRecord& graph) {
  return checkedItem(graph.axes, checkedItem(graph.series, series).xAxis);
}
const graphAxisRecord& yAxisOf(int16_t series, const graphRecord& graph) {
  return checkedItem(graph.axes, checkedItem(graph.series, series).yAxis);
}
const plotPoint& pointOf(int16_t series, int32_t point) {
  return checkedItem(checkedItem(plotData, series).points, point);
}
int16_t toInt16(int32_t point) {
  if (point < INT16_MIN || point > INT16_MAX) throw GraphError{kErrOverflow};
  return static_cast<int16_t>(point);
}

}  // namespace

double getPointX(int16_t series, int32_t point, const graphRecord& graph) {
  switch (checkedItem(graph.series, series).pointKind) {
    case kPointsIndexList: return xFromIndex(series, point, graph);
    case kPointsOverTime: return xFromData(series, point, graph);
    case kPointsOverNumber: return xFromLong(series, point, graph);
    default: return 0;
  }
}

float getPointY(int16_t series, int32_t point, const graphRecord& graph) {
  switch (checkedItem(graph.series, series).pointKind) {
    case kPointsIndexList: return yFromIndex(series, point, graph);
    case kPointsOverTime: return yFromValue(series, point, graph);
    case kPointsOverNumber: return yFromData(series, point, graph);
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

float yFromData(int16_t series, int32_t point, const graphRecord& graph) {
  return static_cast<float>(yAxisOf(series, graph).map().toPixel(dataValue(series, point)));
}

float dataValue(int16_t series, int32_t point) {
  if (series < 0 || series >= plotData.size()) return 0;
  const QVector<plotPoint>& points = plotData[series].points;
  return point < 0 || point >= points.size() ? 0 : points[point].value;
}

double xFromData(int16_t series, int32_t point, const graphRecord& graph) {
  const graphAxisRecord& a = xAxisOf(series, graph);
  return a.map().toPixel(seriesValue(series, point, a.valueKind));
}

double seriesValue(int16_t series, int32_t point, int16_t kind) {
  switch (kind) {
    case 1: return pointOf(series, point).recordNr;
    case 2: return pointOf(series, point).recTime;
    default: return point;
  }
}

float yFromValue(int16_t series, int32_t point, const graphRecord& graph) {
  return static_cast<float>(yAxisOf(series, graph).map().toPixel(seriesValueY(series, point)));
}

float seriesValueY(int16_t series, int32_t point) { return pointOf(series, point).value; }

int32_t searchNearestValue(const graphRecord&, int16_t series, double target, int16_t kind, int16_t direction) {
  const int32_t lo = 1;
  const int32_t hi = static_cast<int32_t>(checkedItem(plotData, series).points.size() - 1);
  if (hi <= lo) return 0;
  int32_t step = static_cast<int32_t>(std::bit_floor(static_cast<uint32_t>(hi - lo)));
  int32_t best = lo;
  double bestDist = std::fabs(seriesValue(series, lo, kind) - target);
  int64_t i = lo + step;
  while (step >= 1) {
    int turn;
    if (i < lo) {
      turn = direction;
    } else if (i > hi) {
      turn = -direction;
    } else {
      const double v = seriesValue(series, static_cast<int32_t>(i), kind);
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

void setPointLabelSource(PointLabelSource source) { labelSource() = std::move(source); }

QString getPointLabel(int16_t series, int32_t point, const graphRecord& graph) {
  checkedItem(graph.series, series);
  if (graph.graphKind != 4 || !labelSource()) return QString();
  return labelSource()(series, point);
}

bool isGapValue(float value, int16_t seriesType) {
  if (!validTemperature(value)) return true;
  return seriesType != kTemperatureSeries && (value == kPowerNoPrevious || value == kPowerTooClose);
}
