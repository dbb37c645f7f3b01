#pragma once
// What the meter side calls of the plot: redraw the chart from a data-file
// slot when auto-plot is on.

#include <cstdint>

// Redraws the chart from slot plotFileSlot when autoPlot is on and the slot
// holds at least one section.
void replotIfAuto();
// Redraws the chart from the plotted slot; does nothing until the chart window exists.
void plotFile(bool reload);
