#pragma once
// What the user's chart is drawn from, as the main window chose it: the
// plotted slot (0 the data file recorded into, 1 the archive viewed), the
// section index of a slot's file (the meter session keeps them), and whether
// each reading re-plots the chart ("Auto Plot"). app/ hands one to the chart
// windows and to the auto-plot; an unset part answers slot 0, an empty index
// and no auto-plot.

#include <cstdint>
#include <functional>

#include "meter/record/data_file.h"

struct PlotSource {
  std::function<int16_t()> plotFileSlot;
  std::function<bool()> autoPlot;
  std::function<const dataFileIndex&(int16_t slot)> slotIndex;

  // The plotted slot, 0 or 1.
  int16_t slot() const;
  bool autoPlotOn() const { return autoPlot && autoPlot(); }
  // The plotted slot's index.
  const dataFileIndex& index() const;
};
