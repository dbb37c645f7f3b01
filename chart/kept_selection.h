#pragma once
// The picked reading across a rebuild of the chart's graph. Each fetch numbers
// the points anew (under Auto Plot the span moves on with every reading), so
// the selection and the anchor of a stretch are kept by series and time and
// found again in the new data while the chart still shows them.

#include <cstdint>

#include "core/util/date_value.h"
#include "plot/graph/graph_record.h"
#include "plot/graph/value_functions.h"

struct KeptPoint {
  int16_t series = 0;  // 0: nothing kept
  int16_t seriesType = 0;
  Date time = 0;
  int32_t point = 0;  // its number in the data it was kept from
};

struct KeptSelection {
  KeptPoint selected, anchor;
  bool held = false;  // the anchor of a drag, else the start of a measured stretch
};

// What the graph's selection and anchor name in the data they were picked from.
KeptSelection keepSelection(const graphRecord& graph, const PlotData& data);

// After the graph is set up from new data and drawn: the kept readings become
// the selection and the anchor again, with their new point numbers and picture
// positions. A reading the new data has thinned out gives way to the nearest
// one in time with a value. One whose series is gone or changed its kind, or
// whose time lies outside its series' shown range, is cleared. A measured
// stretch stays one while both of its ends are found.
void findKeptSelection(const KeptSelection& kept, graphRecord& graph, const PlotData& data);

// After the same data is drawn on new axes (a zoom, a scroll, an option): the selection
// and the anchor keep their points and take their new picture positions, also where
// the plot no longer shows them, so that showing them again brings them back.
void placeSelection(graphRecord& graph, const PlotData& data);
