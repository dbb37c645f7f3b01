#pragma once
// The plot of a whole data file as a chart draws it from the index the program
// reads, held against the file's records read independently: every record but
// the first (the plot starts at the second), in file order, and nothing else.

#include <QList>
#include <QString>
#include <algorithm>

#include "meter/record/data_file.h"
#include "plot/plot_data_reader.h"

struct RecordKey {
  double recTime = 0;
  int32_t count = 0;
};

struct WholeFilePlot {
  qsizetype points = 0;  // of the power series
  int32_t indexed = 0;   // records in the index
  QString problem;       // empty when the plot holds every record
};

// The time range spans the earliest and the latest record, so records a clock
// set back dated out of order are in it too. Fewer than three records: nothing
// is read or checked.
inline WholeFilePlot plotWholeFile(const QString& dat, const QList<RecordKey>& records) {
  WholeFilePlot out;
  if (records.size() < 3) return out;  // two points at least: a line
  const Result<DataFileIndexRead> read = readDataFileIndex(dat);
  if (!read) {
    out.problem = QStringLiteral("index not read: ") + read.error();
    return out;
  }
  out.indexed = read->index.recordCount;
  const auto [earliest, latest] =
      std::minmax_element(records.begin(), records.end(),
                          [](const RecordKey& a, const RecordKey& b) { return a.recTime < b.recTime; });
  plotParamRecord param;
  param.fromTime = earliest->recTime - 1;
  param.toTime = latest->recTime + 1;
  param.y2ScaleMax = kNoTemperatureScale;
  QVector<plotSeries> series;
  const Result<int32_t> plotted = getPlotData(param, series, PlotFile{.fileName = dat, .index = read->index});
  if (!plotted || series.size() < 2) {
    out.problem = QStringLiteral("no plot of the file");
    return out;
  }
  const QVector<plotPoint>& points = series[1].points;
  out.points = points.size();
  for (qsizetype i = 0; i < std::max(points.size(), records.size() - 1); ++i) {
    if (i >= points.size()) {
      out.problem = QStringLiteral("record %1 is missing from the plot").arg(i + 2);
    } else if (i + 1 >= records.size()) {
      out.problem =
          QStringLiteral("the plot has %1 points for %2 records").arg(points.size()).arg(records.size());
    } else if (points[i].recTime != records[i + 1].recTime || points[i].count != records[i + 1].count) {
      out.problem = QStringLiteral("plot point %1 is not record %2").arg(i).arg(i + 2);
    }
    if (!out.problem.isEmpty()) break;
  }
  return out;
}
