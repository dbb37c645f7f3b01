// The plot-data reader over the whole range of an arbitrary data file; the
// file's size picks the thinning method, so all three are reached.
#include "fuzz/fuzz_support.h"
#include "meter/record/data_file.h"
#include "plot/plot_data_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzQuietProcess();
  const QString name = fuzzScratchFile(data, size, "pwrData.ZAV");
  DataFileSlots indexes;
  indexes.load(0, name);
  const dataFileIndex& index = indexes[0];
  plotParamRecord param;
  param.fromTime = index.firstRecordTime;
  param.toTime = index.lastRecordTime;
  param.compareFrom = param.fromTime;
  param.compareTo = param.toTime;
  param.reduceMethod = int16_t(size % 3);
  param.maxPlotPoints = 50;
  param.y2ScaleMax = 50;
  QVector<plotSeries> series;
  // A file that cannot be opened is refused; either way nothing may crash.
  static_cast<void>(getPlotData(
      param, series, PlotFile{.fileName = name, .index = index, .byteTemperature = size % 2 == 0}));
  return 0;
}
