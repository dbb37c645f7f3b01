#pragma once
// Finding the series point nearest to a position on a drawn graph.

#include <algorithm>
#include <cstdint>

#include "plot/graph/graph_record.h"
#include "plot/graph/value_functions.h"

// Series filters: -1 takes every series; otherwise series s qualifies when
// bit (seriesStyle - 1) of the style mask and bit pointKind of the kind mask
// are set.
constexpr int32_t kAllSeries = -1;

// The plot rectangle, either way round: only points inside it are shown and picked.
struct PlotRect {
  float left, right, top, bottom;
  explicit PlotRect(const graphRecord& g)
      : left(std::min(g.plotLeft, g.plotRight)), right(std::max(g.plotLeft, g.plotRight)),
        top(std::min(g.plotTop, g.plotBottom)), bottom(std::max(g.plotTop, g.plotBottom)) {}
  bool holdsX(double x) const { return x >= left && x <= right; }
  bool holdsY(double y) const { return y >= top && y <= bottom; }
};

struct PointSearchResult {
  // Found, or the series and point asked for when nothing qualified (both 0
  // when either of them was 0).
  int16_t series = 0;
  int32_t point = 0;
  bool found = false;
  float x = 0, y = 0;  // picture position of the point found
};

// The point nearest to (x, y) in picture units, by straight-line distance,
// among the points that lie inside the plot rectangle (the position itself
// may lie anywhere).
//   series: the one series to search, 0 or less for all.
//   startPoint: where the scan starts, 0 or less to find one (for point kind 1
//     by the nearest X value, otherwise the start of the series searched before).
//   aboveBelow: 0 no constraint; +n only points of series other than n lying
//     above (smaller picture Y than) the position, -n only those below it.
// A value function that fails for a series (a list shorter than the series
// says) is logged; the search goes on with the next series.
// `data` holds the graph's series points.
PointSearchResult searchSeriePoint(const graphRecord& graph, const PlotData& data, int32_t seriesTypeMask,
                                   int32_t graphTypeMask, double x, double y, int16_t aboveBelow, int16_t series,
                                   int32_t startPoint);

// The first point of series s, from `from` on in direction `step` (+1 or -1)
// within its drawn points, that has a value and lies inside the plot rectangle
// (the chart shows it); 0 when none does. A value function that fails ends the walk.
int32_t firstPointInsidePlot(const graphRecord& graph, const PlotData& data, int16_t s, int32_t from, int step);

// The nearest point of series s past `from` in direction `step` (+1 or -1), within
// 1 .. its point count, that has a value: the curve leaves out the gap codes (the
// first point after a counter reset, a stretch without a sensor). 0 when none does.
int32_t nextPointWithValue(const graphRecord& graph, const PlotData& data, int16_t s, int32_t from, int step);

// The way X runs along the points of a series: xOrder with its lowest bit
// set, so 0 (rising) gives 1 and -1 (falling) stays -1.
inline int16_t xOrderSign(int16_t xOrder) { return static_cast<int16_t>(xOrder | 1); }
