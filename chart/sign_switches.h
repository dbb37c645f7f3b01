#pragma once
// Showing and hiding parts of the chart's graph by the sign of a field: an
// item whose layer is not positive is not drawn, a series whose markShape is
// not positive has no point marks. The magnitudes stay, so a second switch
// brings the item back. Each acts only while the window shows a graph
// (chartMode as the chart window keeps it).

#include <QString>
#include <cstdint>

#include "plot/graph/graph_record.h"

// flag true keeps every grid set's layer, false negates it.
void flipGridLayers(graphRecord& graph, int16_t chartMode, bool flag);
// Ticks and labels of the time axes (position 1): true shows, false hides.
// Also the "x labels" option.
void flipTimeLabelLayers(graphRecord& graph, int16_t chartMode, bool flag);
// flag true keeps the markShape of series `index` (0 every series), false
// negates it; an index outside the series list changes nothing.
void flipMarkShapes(graphRecord& graph, int16_t chartMode, bool flag, int16_t index);
// The "Marks" option: marks of the series named in the selected-series box
// (Text36; 0 or no number = every series) shown or hidden. A series number
// beyond the plotted series changes nothing.
void showSeriesMarks(graphRecord& graph, int16_t chartMode, bool shown, const QString& seriesText);

// v kept (true) or negated (false); -32768 negated stays the largest layer.
int16_t signSwitched(int16_t v, bool flag);
// |v| (true) or -|v| (false).
int16_t signSet(int16_t v, bool positive);
