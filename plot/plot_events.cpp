#include "plot/plot_events.h"

PlotEvents& plotEvents() {
  static PlotEvents events;
  return events;
}
