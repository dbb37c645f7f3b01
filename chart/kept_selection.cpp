#include "chart/kept_selection.h"

#include <algorithm>
#include <cmath>

#include "plot/graph/graph_error.h"
#include "plot/graph/point_search.h"
#include "plot/plot_data_reader.h"

namespace {
constexpr int16_t kTimeValues = 2;  // an X axis that takes the points' recTime

KeptPoint keep(int16_t s, int32_t p, const graphRecord& g, const PlotData& data) {
  if (s < 1 || s >= g.series.size() || s >= data.size() || p < 1 || p >= data[s].points.size()) return {};
  return {.series = s, .seriesType = data[s].seriesType, .time = data[s].points[p].recTime, .point = p};
}

// The point that stands for the kept reading in the drawn graph: the one
// recorded at its time, or on a time axis whose range holds that time the
// nearest one in time; only points with a value that lie within the plot's
// width count. 0 when there is none.
int32_t pointOf(const KeptPoint& k, const graphRecord& g, const PlotData& data) {
  const int16_t s = k.series;
  if (s < 1 || s >= g.series.size() || s >= data.size() || data[s].seriesType != k.seriesType) return 0;
  const seriesDefRecord& def = g.series[s];
  if (def.xAxis < 1 || def.xAxis >= g.axes.size()) return 0;
  const graphAxisRecord& axis = g.axes[def.xAxis];
  const bool nearestToo = def.pointKind == kPointsOverTime && axis.valueKind == kTimeValues &&
                          k.time >= std::min(axis.minValue, axis.maxValue) &&
                          k.time <= std::max(axis.minValue, axis.maxValue);
  const PlotRect plot(g);
  const QVector<plotPoint>& points = data[s].points;
  const int32_t last = std::min({def.pointCount, def.lastPoint, static_cast<int32_t>(points.size() - 1)});
  int32_t best = 0;
  double bestGap = 0;
  for (int32_t p = std::max<int32_t>(1, def.firstPoint); p <= last; ++p) {
    const double gap = std::fabs(points[p].recTime - k.time);
    if ((gap != 0 && !nearestToo) || (best != 0 && gap >= bestGap) || isGapValue(points[p].value, k.seriesType))
      continue;
    if (!plot.holdsX(getPointX(s, p, g, data))) continue;
    best = p;
    bestGap = gap;
  }
  return best;
}

// Point p of series s (0: none) as the selection or the anchor.
void place(int16_t s, int32_t p, const graphRecord& g, const PlotData& data, int16_t& series, int32_t& point,
           float& x, float& y) {
  series = p > 0 ? s : int16_t(0);
  point = p;
  x = p > 0 ? static_cast<float>(getPointX(s, p, g, data)) : 0;
  y = p > 0 ? getPointY(s, p, g, data) : 0;
}

// The kept readings become the selection and the anchor at the points pointOf gives them (0: gone).
template <class PointOf>
void reselect(const KeptSelection& kept, graphRecord& graph, const PlotData& data, PointOf&& pointOf) {
  try {
    const int32_t selected = pointOf(kept.selected), anchor = pointOf(kept.anchor);
    place(kept.selected.series, selected, graph, data, graph.selSerie, graph.selPoint, graph.selX, graph.selY);
    int16_t anchorSeries = 0;
    place(kept.anchor.series, anchor, graph, data, anchorSeries, graph.selPnt1, graph.selX1, graph.selY1);
    graph.selSer1 = kept.held ? anchorSeries : int16_t(0);
    graph.stretchSer = !kept.held && selected > 0 && anchor != selected ? anchorSeries : int16_t(0);
  } catch (const GraphError&) {
    // A series whose axes do not reach its points cannot show a selection.
    graph.selSerie = graph.selSer1 = graph.stretchSer = 0;
    graph.selPoint = graph.selPnt1 = 0;
  }
}
}  // namespace

KeptSelection keepSelection(const graphRecord& graph, const PlotData& data) {
  const bool held = graph.selSer1 > 0;
  return {.selected = keep(graph.selSerie, graph.selPoint, graph, data),
          .anchor = keep(held ? graph.selSer1 : graph.stretchSer, graph.selPnt1, graph, data),
          .held = held};
}

void findKeptSelection(const KeptSelection& kept, graphRecord& graph, const PlotData& data) {
  reselect(kept, graph, data, [&](const KeptPoint& k) { return pointOf(k, graph, data); });
}

void placeSelection(graphRecord& graph, const PlotData& data) {
  reselect(keepSelection(graph, data), graph, data, [](const KeptPoint& k) { return k.point; });
}
