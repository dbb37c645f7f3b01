#include "plot/series_energy.h"

#include <algorithm>
#include <cmath>

#include "plot/plot_records.h"

namespace {
// The part of a stretch within one section: points first..last.
void addPart(const plotSeries& s, int32_t first, int32_t last, const seriesSection& at, StretchUse& use) {
  if (last <= first) return;
  const QVector<plotPoint>& p = s.points;
  double counts = 0;
  for (int32_t i = first + 1; i <= last; ++i)
    counts += countsBetween(uint32_t(p[i - 1].count), uint32_t(p[i].count));
  use.ws += double(at.WsPerCount) * counts;
  const double secs = wholeSeconds(p[last].recTime) - wholeSeconds(p[first].recTime);
  const double ticks = double(uint32_t(p[last].ticks) - uint32_t(p[first].ticks));
  const bool byTicks = at.ticksPerSec > 0 && std::fabs(secs) <= kMaxTickIntervalSeconds;
  use.seconds += byTicks ? ticks / at.ticksPerSec : std::fabs(secs);
  use.timed = use.timed || at.ticksPerSec > 0;
}
}  // namespace

void markSeriesSections(plotSeries& s, const dataFileIndex& ix) {
  s.sections.clear();
  ReadingPlace at;
  qsizetype sec = -1;
  for (qsizetype k = 0; k < s.points.size(); ++k) {
    if (!findReading(ix, s.points[k].recordNr, at)) continue;
    if (at.section != sec) {
      const fileSection& h = ix.sections[at.section].header;
      s.sections.append({.firstPoint = int32_t(k), .WsPerCount = h.WsPerCount, .ticksPerSec = h.ticksPerSec});
    }
    sec = at.section;
  }
}

StretchUse stretchUse(const plotSeries& s, int32_t from, int32_t to) {
  StretchUse use;
  const int32_t last = int32_t(s.points.size()) - 1;
  int32_t lo = std::max(0, std::min(from, to));
  const int32_t hi = std::min(last, std::max(from, to));
  if (s.sections.isEmpty()) {
    addPart(s, lo, hi, {.WsPerCount = s.WsPerCount, .ticksPerSec = s.ticksPerSec}, use);
    return use;
  }
  for (qsizetype k = 0; k < s.sections.size() && lo <= hi; ++k) {
    const int32_t end = k + 1 < s.sections.size() ? s.sections[k + 1].firstPoint - 1 : last;
    if (end < lo) continue;
    lo = std::max(lo, s.sections[k].firstPoint);
    addPart(s, lo, std::min(end, hi), s.sections[k], use);
    lo = end + 1;
  }
  return use;
}
