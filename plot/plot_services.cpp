#include "plot/plot_services.h"

#include "core/globals.h"
#include "meter/record/data_file.h"

void replotIfAuto() {
  if (!autoPlot) return;
  if (plotFileSlot < 0 || plotFileSlot > 1) return;
  if (dataFileSlots[plotFileSlot].sectionCount < 1) return;
  plotFile(false);
}

void plotFile(bool reload) { Q_UNUSED(reload); }
