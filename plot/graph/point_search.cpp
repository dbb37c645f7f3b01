#include "plot/graph/point_search.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/log/logmsg.h"
#include "plot/graph/graph_error.h"
#include "plot/graph/value_functions.h"
#include "plot/plot_data_reader.h"

namespace {

bool qualifies(const seriesDefRecord& s, int32_t seriesTypeMask, int32_t graphTypeMask) {
  const auto bitSet = [](int32_t mask, int bit) { return bit >= 0 && bit < 32 && ((mask >> bit) & 1) != 0; };
  if (seriesTypeMask != kAllSeries && !bitSet(seriesTypeMask, s.seriesStyle - 1)) return false;
  return graphTypeMask == kAllSeries || bitSet(graphTypeMask, s.pointKind);
}

int sign(double v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

// A gap code is no value: the curve leaves the point out.
bool hasValue(const PlotData& data, int16_t s, int32_t p) {
  return s < 0 || s >= data.size() || !isGapValue(dataValue(s, p, data), data[s].seriesType);
}

// The points of a series that are drawn.
std::pair<int32_t, int32_t> drawnPoints(const seriesDefRecord& def) {
  return {std::max<int32_t>(1, def.firstPoint), std::min(def.pointCount, def.lastPoint)};
}

struct Best {
  float distance;
  bool first = true;
  PointSearchResult hit;
};

// Scans one series outward from its start point; stops a side when the
// horizontal distance alone exceeds the best distance so far.
void scanSeries(const graphRecord& g, const PlotData& data, int16_t s, int32_t start, double x, double y,
                int16_t aboveBelow, Best& best) {
  const auto [lo, hi] = drawnPoints(g.series[s]);
  if (start < lo || start > hi) return;
  const PlotRect plot(g);
  float previousDx = 0;
  int32_t up = start, down = start;  // next point on each side
  bool upOpen = true, downOpen = true, takeUp = true;
  while (upOpen || downOpen) {
    int32_t p;
    if (up == start && down == start) {
      p = start;
      ++up;
      --down;
    } else if ((takeUp && upOpen) || !downOpen) {
      p = up++;
      takeUp = false;
    } else {
      p = down--;
      takeUp = true;
    }
    if (up > hi) upOpen = false;
    if (down < lo) downOpen = false;
    const double px = getPointX(s, p, g, data);
    if (!plot.holdsX(px)) continue;
    const float dx = static_cast<float>(std::fabs(px - x));
    if (dx > best.distance || previousDx > best.distance) return;
    const float py = getPointY(s, p, g, data);
    const float dy = std::fabs(py - static_cast<float>(y));
    if (!plot.holdsY(py) || dy > best.distance) {
      previousDx = dx;
      continue;
    }
    if (aboveBelow == 0 || (sign(y - py) == sign(aboveBelow) && s != std::abs(aboveBelow))) {
      const float d = std::sqrt(dx * dx + dy * dy);
      if (d < best.distance || best.first) {
        best.distance = d;
        best.first = false;
        best.hit = {.series = s, .point = p, .found = true, .x = static_cast<float>(px), .y = py};
      }
    }
    previousDx = dx;
  }
}

}  // namespace

PointSearchResult searchSeriePoint(const graphRecord& graph, const PlotData& data, int32_t seriesTypeMask,
                                   int32_t graphTypeMask, double x, double y, int16_t aboveBelow, int16_t series,
                                   int32_t startPoint) {
  const int16_t lastSeries = static_cast<int16_t>(graph.series.size() - 1);
  const int16_t s1 = series < 1 ? int16_t(1) : series;
  const int16_t s2 = series < 1 ? lastSeries : series;
  logMsg(4, QStringLiteral("searchSeriePoint: S1=%1  S2=%2  selPointOut=%3").arg(s1).arg(s2).arg(startPoint));
  PointSearchResult result{std::max<int16_t>(series, 0), startPoint};
  if (s2 <= lastSeries) {
    Best best{.distance = 2 * std::max(std::fabs(graph.plotBottom - graph.plotTop),
                                       std::fabs(graph.plotRight - graph.plotLeft)),
              .hit = {}};
    int32_t start = 0;
    for (int16_t s = s1; s <= s2; ++s) {
      const seriesDefRecord& def = graph.series[s];
      if (!qualifies(def, seriesTypeMask, graphTypeMask)) continue;
      try {
        if (startPoint >= 1) {
          start = startPoint;
        } else if (def.pointKind == kPointsOverTime) {
          const graphAxisRecord& a = checkedItem(graph.axes, def.xAxis);
          const int16_t order = static_cast<int16_t>((a.scale < 0 ? -1 : 1) * xOrderSign(def.xOrder));
          start = searchNearestValue(graph, s, a.map().toValue(x), a.valueKind, order, data);
        }
        scanSeries(graph, data, s, start, x, y, aboveBelow, best);
      } catch (const GraphError& e) {
        logMsg(-1, QStringLiteral("searchSeriePoint: ERROR %1 in series %2").arg(e.number).arg(s));
      }
    }
    if (!best.first) result = best.hit;
  }
  if (!result.found && (result.series == 0 || result.point == 0)) result.series = 0, result.point = 0;
  return result;
}

int32_t firstPointInsidePlot(const graphRecord& graph, const PlotData& data, int16_t s, int32_t from, int step) {
  if (s < 1 || s >= graph.series.size() || (step != 1 && step != -1)) return 0;
  const auto [lo, hi] = drawnPoints(graph.series[s]);
  const PlotRect plot(graph);
  try {
    for (int32_t p = std::clamp(from, lo, std::max(lo, hi)); p >= lo && p <= hi; p += step)
      if (hasValue(data, s, p) && plot.holdsX(getPointX(s, p, graph, data)) &&
          plot.holdsY(getPointY(s, p, graph, data)))
        return p;
  } catch (const GraphError& e) {
    logMsg(-1, QStringLiteral("firstPointInsidePlot: ERROR %1 in series %2").arg(e.number).arg(s));
  }
  return 0;
}

int32_t nextPointWithValue(const graphRecord& graph, const PlotData& data, int16_t s, int32_t from,
                           int step) {
  if (s < 1 || s >= graph.series.size() || (step != 1 && step != -1)) return 0;
  const int32_t last = graph.series[s].pointCount;
  for (int32_t p = from + step; p >= 1 && p <= last; p += step)
    if (hasValue(data, s, p)) return p;
  return 0;
}
