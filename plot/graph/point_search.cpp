#include "plot/graph/point_search.h"

#include <algorithm>
#include <cmath>

#include "core/log/logmsg.h"
#include "plot/graph/graph_error.h"
#include "plot/graph/value_functions.h"

namespace {

bool qualifies(const seriesDefRecord& s, int32_t seriesTypeMask, int32_t graphTypeMask) {
  const auto bitSet = [](int32_t mask, int bit) { return bit >= 0 && bit < 32 && ((mask >> bit) & 1) != 0; };
  if (seriesTypeMask != kAllSeries && !bitSet(seriesTypeMask, s.seriesStyle - 1)) return false;
  return graphTypeMask == kAllSeries || bitSet(graphTypeMask, s.pointKind);
}

int sign(double v) { return v > 0 ? 1 : (v < 0 ? -1 : 0); }

struct Best {
  float distance;
  bool first = true;
  PointSearchResult hit;
};

// Scans one series outward from its start point; stops a side when the
// horizontal distance alone exceeds the best distance so far.
void scanSeries(const graphRecord& g, int16_t s, int32_t start, int32_t x, int32_t y, int16_t aboveBelow,
                Best& best) {
  const seriesDefRecord& def = g.series[s];
  const int32_t lo = std::max<int32_t>(1, def.firstPoint);
  const int32_t hi = std::min(def.pointCount, def.lastPoint);
  if (start < lo || start > hi) return;
  const float left = std::min(g.plotLeft, g.plotRight), right = std::max(g.plotLeft, g.plotRight);
  const float top = std::min(g.plotTop, g.plotBottom), bottom = std::max(g.plotTop, g.plotBottom);
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
    const double px = getPointX(s, p, g);
    if (px < left || px > right) continue;
    const float dx = static_cast<float>(std::fabs(px - x));
    if (dx > best.distance || previousDx > best.distance) return;
    const float py = getPointY(s, p, g);
    const float dy = std::fabs(py - static_cast<float>(y));
    if (py < top || py > bottom || dy > best.distance) {
      previousDx = dx;
      continue;
    }
    if (aboveBelow == 0 || (sign(y - py) == sign(aboveBelow) && s != std::abs(aboveBelow))) {
      const float d = std::sqrt(dx * dx + dy * dy);
      if (d < best.distance || best.first) {
        best.distance = d;
        best.first = false;
        best.hit = {s, p, true, static_cast<float>(px), py};
      }
    }
    previousDx = dx;
  }
}

}  // namespace

PointSearchResult searchSeriePoint(const graphRecord& graph, int32_t seriesTypeMask, int32_t graphTypeMask,
                                   int32_t x, int32_t y, int16_t aboveBelow, int16_t series, int32_t startPoint) {
  const int16_t lastSeries = static_cast<int16_t>(graph.series.size() - 1);
  const int16_t s1 = series < 1 ? int16_t(1) : series;
  const int16_t s2 = series < 1 ? lastSeries : series;
  logMsg(4, QStringLiteral("searchSeriePoint: S1=%1  S2=%2  selPointOut=%3").arg(s1).arg(s2).arg(startPoint));
  PointSearchResult result{std::max<int16_t>(series, 0), startPoint};
  if (s2 <= lastSeries) {
    Best best{2 * std::max(std::fabs(graph.plotBottom - graph.plotTop), std::fabs(graph.plotRight - graph.plotLeft)),
              true, {}};
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
          start = searchNearestValue(graph, s, a.map().toValue(x), a.valueKind, order);
        }
        scanSeries(graph, s, start, x, y, aboveBelow, best);
      } catch (const GraphError& e) {
        logMsg(-1, QStringLiteral("searchSeriePoint: ERROR %1 in series %2").arg(e.number).arg(s));
      }
    }
    if (!best.first) result = best.hit;
  }
  if (!result.found && (result.series == 0 || result.point == 0)) result.series = 0, result.point = 0;
  return result;
}
