// The plot-data reader over the whole range of an arbitrary data file; the
// file's size picks the thinning method, so all three are reached.
#include "core/globals.h"
#include "fuzz/fuzz_support.h"
#include "meter/record/data_file.h"
#include "plot/plot_data_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzQuietProcess();
  plotFileSlot = 0;
  zavDatFileName[0] = fuzzScratchFile(data, size, "pwrData.ZAV");
  loadZavDatNEW(0);
  plotParamRecord param;
  param.fromTime = dataFileSlots[0].firstRecordTime;
  param.toTime = dataFileSlots[0].lastRecordTime;
  param.compareFrom = param.fromTime;
  param.compareTo = param.toTime;
  param.reduceMethod = int16_t(size % 3);
  param.maxPlotPoints = 50;
  param.y2ScaleMax = 50;
  QVector<plotSeries> series;
  getPlotData(param, series, PlotFile{zavDatFileName[0], dataFileSlots[0], size % 2 == 0, false});
  return 0;
}
