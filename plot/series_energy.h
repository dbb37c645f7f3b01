#pragma once
// The energy a stretch of a power series used, and the time it took, counted
// within each data-file section: a section's counts start anew (a controller
// reset, or a recording of their own), so counts are never taken across one.

#include <cstdint>

#include "meter/record/data_file.h"
#include "plot/plot_data_reader.h"

// Notes in s.sections where its points enter another section of the file
// whose index is ix (by the points' record numbers).
void markSeriesSections(plotSeries& s, const dataFileIndex& ix);

struct StretchUse {
  double ws = 0;       // Ws used
  double seconds = 0;  // time recorded, gaps between sections left out
  bool timed = false;  // a section of the stretch has a tick rate
};
// Points from and to (either order, each 1..last) of a power series: the
// counts between neighbouring points of one section (a count that went back
// is none), at the section's Ws per count; each section's part timed by the
// controller's ticks, or by the PC clock beyond kMaxTickIntervalSeconds or
// without a tick rate.
StretchUse stretchUse(const plotSeries& s, int32_t from, int32_t to);
