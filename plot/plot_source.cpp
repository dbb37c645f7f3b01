#include "plot/plot_source.h"

int16_t PlotSource::slot() const { return plotFileSlot && plotFileSlot() == 1 ? 1 : 0; }

const dataFileIndex& PlotSource::index() const {
  static const dataFileIndex kNone;
  return slotIndex ? slotIndex(slot()) : kNone;
}
