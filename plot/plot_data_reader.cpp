#include "plot/plot_data_reader.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/util/format_pattern.h"
#include "core/log/logmsg.h"
#include "platform/tick_clock.h"
#include "plot/plot_records.h"
#include "plot/series_energy.h"

namespace {
// The point dump of a long read is cut here: the message window could not hold more.
constexpr int kMaxDumpLines = 1000;
// Points closer than this many records are read by a scan (see
// PlotFileView::prepareScan); sparser points by small reads.
constexpr double kDenseRecordsPerPoint = 64;

// Reads `pointCount` evenly spaced records of [fromRec, toRec] and derives
// each point's power and temperature; hands each point to `sink`. Returns the
// number of points read (fewer when the file ends early). kExactSeconds: work
// out the whole seconds between records even where the ticks time them (for
// the dump).
template <bool kExactSeconds, class Sink>
int64_t readPoints(PlotFileView& file, const dataFileIndex& ix, int headerBytes, bool byteTemperature,
                   int32_t fromRec, int32_t toRec, int64_t pointCount, double recordsPerPoint, plotSeries& ps,
                   Sink&& sink) {
  ReadingPlace at;
  qsizetype prevSec = -1;
  int32_t resetCount = 0, wsPerCount = 0, ticksPerSec = 0;
  RawRecord prev{};
  PointDump v{};
  for (int64_t p = 0; p < pointCount; ++p) {
    int32_t rec =
        p == pointCount - 1 ? toRec
        : recordsPerPoint == 1
            ? fromRec + static_cast<int32_t>(p)
            : static_cast<int32_t>(std::nearbyint(fromRec + static_cast<double>(p) * recordsPerPoint));
    rec = std::min(rec, toRec);
    if (!readRaw(file, recordOffset(ix, rec, at, headerBytes), v.r)) return p;
    const qsizetype sec = at.section;
    v.p = static_cast<int32_t>(p);
    v.rec = rec;
    v.sec = static_cast<int32_t>(sec + 1);
    v.temp = temperatureOf(v.r.temp, byteTemperature);
    v.power = kPowerNoPrevious;
    v.dtSec = 0;
    v.dCount = v.dTicks = v.ws = v.tSec = 0;

    bool continues = true;
    if (sec != prevSec) {
      const fileSection& h = ix.sections[sec].header;
      continues = sec > 0 && p > 1 && h.resetCount == resetCount && h.WsPerCount == wsPerCount &&
                  h.ticksPerSec == ticksPerSec;
      if (!continues) {
        resetCount = h.resetCount;
        wsPerCount = h.WsPerCount;
        ticksPerSec = h.ticksPerSec;
        ps.WsPerCount = wsPerCount;
        ps.ticksPerSec = ticksPerSec;
      }
    }
    if (continues) {
      const PowerParts w = powerAfter(prev, v.r, wsPerCount, ticksPerSec, kExactSeconds);
      v.dtSec = w.dtSec;
      v.dCount = w.dCount;
      v.dTicks = w.dTicks;
      v.ws = w.ws;
      v.tSec = w.tSec;
      v.power = w.power;
    }
    if (v.power < 0) v.temp = kNoTemperature;
    sink(v);
    prevSec = sec;
    prev = v.r;
  }
  return pointCount;
}

// What every point adds to a read: the tally and the dump.
struct PointTally : ValueTally {
  PointTally(Date from, Date to, bool temperature, bool dumping)
      : ValueTally(from, to, temperature), dump(dumping) {}
  bool dump;
  int dumpLines = 0;
  QString dumpText, errorText;
  PointDump prev{};

  void add(const PointDump& v) {
    ValueTally::add(v.r.recTime, v.power, v.temp, v.dCount);
    if (dump) addToDump(v);
  }
  void addToDump(const PointDump& v) {
    if (v.dCount > kCountErrorDelta && countErrors <= kMaxDumpLines)
      errorText += pointDumpLine(prev) + u'\n' + pointDumpLine(v) + QStringLiteral("\n\n");
    if (dumpLines < kMaxDumpLines) {
      dumpText += pointDumpLine(v) + u'\n';
      if (++dumpLines == kMaxDumpLines) dumpText += QStringLiteral("...\n");
    }
    prev = v;
  }
};

// Where one read takes its records: the open file, its index and how its records are read.
struct RecordSource {
  PlotFileView& file;
  const dataFileIndex& ix;
  int headerBytes;
  bool byteTemperature;
};

template <class Sink>
int64_t readPointsFor(bool exactSeconds, const RecordSource& src, int32_t fromRec, int32_t toRec,
                      int64_t pointCount, double recordsPerPoint, plotSeries& ps, Sink&& sink) {
  return exactSeconds ? readPoints<true>(src.file, src.ix, src.headerBytes, src.byteTemperature, fromRec, toRec,
                                         pointCount, recordsPerPoint, ps, sink)
                      : readPoints<false>(src.file, src.ix, src.headerBytes, src.byteTemperature, fromRec,
                                          toRec, pointCount, recordsPerPoint, ps, sink);
}

// Method 1 over many records: keeps only the values while scanning, thins
// them, then reads back the few records that survive.
int64_t scanAndReduce(const RecordSource& src, int32_t fromRec, int32_t toRec, int64_t pointCount,
                      int32_t maxPlotPoints, plotSeries& ps, plotSeries* ts, PointTally& tally,
                      PlotReadScratch& scratch) {
  PlotFileView& file = src.file;
  const dataFileIndex& ix = src.ix;
  const int headerBytes = src.headerBytes;
  // Every kept point is record fromRec + its index.
  auto keep = [&](ReduceNode* nodes, size_t count, int64_t read, float headValue, plotSeries& s, bool power) {
    file.endScan();
    if (static_cast<int64_t>(maxPlotPoints) + 1 < read) {
      logMsg(3,
             QStringLiteral("reducePoints: reducing from %1 to %2 points").arg(read - 1).arg(maxPlotPoints));
      count = reduceNodes(nodes, count, maxPlotPoints, scratch.thinning);
    }
    s.points.resize(static_cast<qsizetype>(count) + 1);
    ReadingPlace place;
    for (size_t k = 0; k <= count; ++k) {
      const int32_t at = k == 0 ? 0 : nodes[k - 1].index;
      const int32_t rec = fromRec + at;
      RawRecord r{};
      readRaw(file, recordOffset(ix, rec, place, headerBytes), r);
      const float value = k == 0 ? headValue : nodes[k - 1].value;
      s.points[k] = power ? plotPoint{.recordNr = rec,
                                      .value = value,
                                      .recTime = r.recTime,
                                      .count = static_cast<int32_t>(r.count),
                                      .ticks = static_cast<int32_t>(r.ticks)}
                          : plotPoint{.recordNr = rec, .value = value, .recTime = r.recTime};
    }
  };

  if (!tally.dump) {
    // One pass over the bytes; the first walks of the thinning go along.
    ScanNodes& scanned = scratch.scanned;
    const int walks =
        completeThinningWalks(static_cast<size_t>(pointCount - 1), maxPlotPoints, kMaxScanWalks);
    const PointTally before = tally;
    if (scanAllPoints(file, ix, headerBytes, fromRec, toRec, walks, src.byteTemperature, ps, tally, scanned)) {
      keep(scanned.power.data(), scanned.power.size(), pointCount, scanned.headPower, ps, true);
      if (ts) keep(scanned.temp.data(), scanned.temp.size(), pointCount, scanned.headTemp, *ts, false);
      return pointCount;
    }
    // The file ended early: read again point by point, which stops where it ends.
    tally = before;
  }

  // Elements 1.. of each series; element 0 (the head) is never thinned. The
  // buffers keep their size between reads, so a scan writes into memory that
  // is already there.
  std::vector<ReduceNode>& powerNodes = scratch.powerNodes;
  std::vector<ReduceNode>& tempNodes = scratch.tempNodes;
  const auto need = static_cast<size_t>(pointCount - 1);
  if (powerNodes.size() < need) powerNodes.resize(need);
  if (ts && tempNodes.size() < need) tempNodes.resize(need);
  ReduceNode* pn = powerNodes.data();
  ReduceNode* tn = ts ? tempNodes.data() : nullptr;
  PointDump head{};
  const int64_t read = readPointsFor(tally.dump, src, fromRec, toRec, pointCount, 1, ps,
                                     [&](const PointDump& v) {
                                       if (v.p == 0) {
                                         head = v;
                                       } else {
                                         pn[v.p - 1] = {v.p, v.power};
                                         if (tn) tn[v.p - 1] = {v.p, v.temp};
                                       }
                                       tally.add(v);
                                     });
  if (read < 2) return read;
  keep(pn, static_cast<size_t>(read - 1), read, head.power, ps, true);
  if (ts) keep(tn, static_cast<size_t>(read - 1), read, head.temp, *ts, false);
  return read;
}

void emptySeries(QVector<plotSeries>& series, int16_t index) {
  if (index > 0 && index < series.size()) series[index].points = QVector<plotPoint>(1);
}

// The tick counts at the steps of one read, for the lap times.
struct LapTimes {
  int32_t at[7];
  explicit LapTimes(int32_t start) { std::fill(std::begin(at), std::end(at), start); }
  void mark(int step) { at[step] = timeGetTime(); }
};

// Which records a range reads and how many points they make.
struct ReadPlan {
  int32_t fromRec = 0, toRec = 0;
  int64_t records = 0;  // in [fromRec, toRec]
  int64_t pointCount = 0;
  double recordsPerPoint = 1;
  int16_t reduceMethod = kReduceOff;
  int32_t maxPlotPoints = 0;
};

// The records of the range: from two before the first in range (never record 1)
// to one after it when the range ends between records.
void findRecordRange(plotFileIndex& index, const PlotRange& range, ReadPlan& plan) {
  const int32_t recordCount = index.index.recordCount;
  searchRecTime(index, 1, recordCount, range.fromTime, true);
  searchRecTime(index, index.searchFirstRec, recordCount, range.toTime, false);
  plan.fromRec = std::min(recordCount, std::max(2, index.searchFirstRec - 2));
  plan.toRec = std::min(recordCount, index.searchLastRec + (range.toTime > index.searchLastTime ? 1 : 0));
  plan.records = static_cast<int64_t>(plan.toRec) - plan.fromRec + 1;
  logMsg(3, QStringLiteral("  setting fromRec=%1  toRec=%2  records=%3")
                .arg(plan.fromRec)
                .arg(plan.toRec)
                .arg(recordCount));
}

// Every record a point, or with method 2 about maxPlotPoints + 1 evenly spaced
// records; no range holds more than kMaxPlotRecords points.
void choosePointCount(const PlotRange& range, int32_t recordCount, ReadPlan& plan) {
  plan.reduceMethod = range.reduceMethod;
  plan.maxPlotPoints = range.maxPlotPoints;
  const int64_t n = plan.records;
  const int32_t spanned = plan.toRec - plan.fromRec;
  plan.pointCount = n;
  plan.recordsPerPoint = 1;
  if (plan.reduceMethod == kReduceSkip && plan.maxPlotPoints > 0 &&
      n > static_cast<int64_t>(plan.maxPlotPoints) + 1) {
    plan.pointCount = static_cast<int64_t>(plan.maxPlotPoints) + 1;
    plan.recordsPerPoint = static_cast<double>(spanned) / plan.maxPlotPoints;
  }
  if (plan.pointCount > kMaxPlotRecords) {
    // One request must not hold the records of years: skip records instead.
    const int32_t target = plan.maxPlotPoints > 1 && plan.maxPlotPoints < kMaxPlotRecords
                               ? plan.maxPlotPoints
                               : kMaxPlotRecords - 1;
    logMsg(-1,
           QStringLiteral("getZavFileData: ERROR %1 records in range with reduceMethod=%2, reading %3 points "
                          "by skipping records")
               .arg(n)
               .arg(plan.reduceMethod)
               .arg(target + 1));
    plan.reduceMethod = kReduceSkip;
    plan.maxPlotPoints = target;
    plan.pointCount = static_cast<int64_t>(target) + 1;
    plan.recordsPerPoint = static_cast<double>(spanned) / target;
  }
  if (logShows(3)) {
    logMsg(3, QStringLiteral("getZavFileData:\nfileRecords= %1\nrecordPoints= %2\nreduceMethod= %3\n"
                             "maxPlotPoints= %4\npoints= %5\nrecordsPerPoint= %6\nfromRec= %7\ntoRec= %8")
                  .arg(recordCount)
                  .arg(n)
                  .arg(plan.reduceMethod)
                  .arg(plan.maxPlotPoints)
                  .arg(plan.pointCount)
                  .arg(strPlain(plan.recordsPerPoint))
                  .arg(plan.fromRec)
                  .arg(plan.toRec));
  }
}

// Each wanted series exists and is empty.
void prepareSeries(QVector<plotSeries>& series, const PlotRange& range) {
  for (int16_t s : {range.powerSeries, range.tempSeries}) {
    if (s <= 0) continue;
    if (series.size() <= s) series.resize(s + 1);
    series[s].points = QVector<plotPoint>(1);
    series[s].minValue = 0;
    series[s].maxValue = 0;
  }
}

// The points of the plan into the power series and the temperature series (ts,
// when wanted), thinned by method 1 while scanning; returns the points read.
int64_t readPlannedPoints(const RecordSource& src, const ReadPlan& plan, plotSeries& ps, plotSeries* ts,
                          PointTally& tally, PlotReadScratch& scratch) {
  const dataFileIndex& ix = src.ix;
  if (plan.recordsPerPoint < kDenseRecordsPerPoint) {
    ReadingPlace at;
    const int64_t first = recordOffset(ix, plan.fromRec, at, src.headerBytes);
    const int64_t last = recordOffset(ix, plan.toRec, at, src.headerBytes);
    if (first >= 0 && last >= first) src.file.prepareScan(first, last + kRecordBytes - first, plan.recordsPerPoint == 1);
  }
  const bool reduceWhileScanning = plan.reduceMethod == kReduceKeepMaxMin && plan.maxPlotPoints > 1 &&
                                   static_cast<int64_t>(plan.maxPlotPoints) + 1 < plan.pointCount;
  if (reduceWhileScanning)
    return scanAndReduce(src, plan.fromRec, plan.toRec, plan.pointCount, plan.maxPlotPoints, ps, ts, tally,
                         scratch);
  ps.points.resize(plan.pointCount);
  if (ts) ts->points.resize(plan.pointCount);
  plotPoint* pp = ps.points.data();
  plotPoint* tp = ts ? ts->points.data() : nullptr;
  const int64_t read =
      readPointsFor(tally.dump, src, plan.fromRec, plan.toRec, plan.pointCount, plan.recordsPerPoint, ps,
                    [&](const PointDump& v) {
                      pp[v.p] = plotPoint{.recordNr = v.rec,
                                          .value = v.power,
                                          .recTime = v.r.recTime,
                                          .count = static_cast<int32_t>(v.r.count),
                                          .ticks = static_cast<int32_t>(v.r.ticks)};
                      if (tp) tp[v.p] = plotPoint{.recordNr = v.rec, .value = v.temp, .recTime = v.r.recTime};
                      tally.add(v);
                    });
  if (read < plan.pointCount) {
    const qsizetype kept = read >= 2 ? read : 1;
    ps.points.resize(kept);
    if (ts) ts->points.resize(kept);
  }
  return read;
}

// Reads the plan's points and, at message level 4, dumps them.
int64_t readRangePoints(const RecordSource& src, const ReadPlan& plan, const QString& fileName,
                        QVector<plotSeries>& series, const PlotRange& range, PointTally& tally,
                        PlotReadScratch& scratch, LapTimes& laps) {
  if (plan.pointCount < 2) return 0;
  plotSeries* ts = range.tempSeries > 0 ? &series[range.tempSeries] : nullptr;
  const int64_t read = readPlannedPoints(src, plan, series[range.powerSeries], ts, tally, scratch);
  if (read < plan.pointCount)
    logMsg(-1, QStringLiteral("getZavFileData: ERROR the file ended at point %1 of %2: %3")
                   .arg(read)
                   .arg(plan.pointCount)
                   .arg(fileName));
  laps.mark(4);
  if (tally.dump) {
    logMsgCourier(QStringLiteral("countErrors:\n") + pointDumpHeader() + u'\n' + tally.errorText);
    logMsgCourier(QStringLiteral("all points:\n") + pointDumpHeader() + u'\n' + tally.dumpText);
  }
  laps.mark(5);
  laps.mark(6);
  return read;
}

// A range with no record at or after its start keeps no points; the series
// that keep some take the range's extremes.
void finishSeries(QVector<plotSeries>& series, const PlotRange& range, const PointTally& tally, int64_t read,
                  const dataFileIndex& ix) {
  if (read == 0 || tally.lastTime < range.fromTime) {
    emptySeries(series, range.powerSeries);
    emptySeries(series, range.tempSeries);
  }
  if (range.powerSeries > 0 && series[range.powerSeries].points.size() > 1) {
    plotSeries& power = series[range.powerSeries];
    power.maxValue = tally.powerMax;
    power.minValue = tally.powerMin;
    markSeriesSections(power, ix);
  }
  if (range.tempSeries > 0 && series[range.tempSeries].points.size() > 1) {
    series[range.tempSeries].maxValue = tally.tempMax;
    series[range.tempSeries].minValue = tally.tempMin;
  }
}

void logLapTimes(const LapTimes& laps, int32_t countErrors) {
  QString text = QStringLiteral("countErrors= %1").arg(countErrors);
  for (int i = 1; i <= 6; ++i) {
    const auto ms = static_cast<uint32_t>(laps.at[i] - laps.at[i - 1]);
    text += QStringLiteral("\nlapTime%1=").arg(i) + formatNumber(ms, QStringLiteral("###,##0 mS"));
  }
  text += QStringLiteral("\ntotalTime=") +
          formatNumber(static_cast<uint32_t>(timeGetTime() - laps.at[0]), QStringLiteral("###,##0 mS"));
  logMsg(4, text);
}

// The read of an open file, from the search for the range to the series' extremes.
int64_t readOpenFile(plotFileIndex& index, PlotFileView& file, const PlotRange& range, int headerBytes,
                     QVector<plotSeries>& series, PointTally& tally, PlotReadScratch& scratch,
                     LapTimes& laps) {
  index.file = &file;
  // The reader's steps are actions of every plot, the web's too; not errors.
  logMsg(3, QStringLiteral("getZavFileData: zavPlotFileNr= %1").arg(file.handle()));
  fitIndexToFile(index, headerBytes);
  laps.mark(1);
  ReadPlan plan;
  findRecordRange(index, range, plan);
  laps.mark(2);
  choosePointCount(range, index.index.recordCount, plan);
  prepareSeries(series, range);
  laps.mark(3);
  const RecordSource src{
      .file = file, .ix = index.index, .headerBytes = headerBytes, .byteTemperature = index.byteTemperature};
  const int64_t read = readRangePoints(src, plan, index.fileName, series, range, tally, scratch, laps);
  finishSeries(series, range, tally, read, index.index);
  file.close();
  index.file = nullptr;
  return read;
}
}  // namespace

std::shared_ptr<PlotReadScratch> makePlotReadScratch() { return std::make_shared<PlotReadScratch>(); }

Result<int32_t> getZavFileData(plotFileIndex& index, const PlotRange& range, QVector<plotSeries>& series,
                               PlotReadScratch& scratch) {
  LapTimes laps(timeGetTime());
  PointTally tally(range.fromTime, range.toTime, range.tempSeries > 0, logShows(4));
  const int headerBytes =
      index.index.sections.isEmpty() ? kSectionBytes : headerBytesOf(index.index.sections[0].header.version);
  int64_t readRecords = 0;
  // A file that is not there holds no records; one that is there must open.
  Result<> opened;
  if (QFile::exists(index.fileName)) {
    PlotFileView file;
    opened = file.open(index.fileName);
    if (opened) readRecords = readOpenFile(index, file, range, headerBytes, series, tally, scratch, laps);
    if (opened && index.lapTimes) logLapTimes(laps, tally.countErrors);
  }
  logMsg(5, QStringLiteral("readRecords= %1").arg(readRecords));
  logMsg(2, QStringLiteral("getZavFileData()\nfileName=") + index.fileName +
                QStringLiteral("\ngetZavFileData: elapsedTime=") + elapsedSince(laps.at[0]));
  if (!opened)
    return Failure(QStringLiteral("cannot open ") + index.fileName + QStringLiteral(": ") + opened.error());
  return tally.validTemp;
}

namespace {
// Series i is handed on as a series of that type (1 power, 2 compare, 3
// temperature), its extremes folded into the request's data ranges.
void keepSeries(plotParamRecord& param, QVector<plotSeries>& series, int16_t i, int16_t seriesType) {
  plotSeries& s = series[i];
  param.seriesInfo.resize(i + 1);
  s.seriesType = seriesType;
  if (seriesType == 3) {
    param.seriesInfo[i].valueKind = 3;
    param.y2DataMax = std::max(param.y2DataMax, s.maxValue);
    param.y2DataMin = std::min(param.y2DataMin, s.minValue);
  } else {
    if (seriesType == 2) param.seriesInfo[i].styleCode = 4;
    param.y1DataMax = std::max(param.y1DataMax, s.maxValue);
    param.y1DataMin = std::min(param.y1DataMin, s.minValue);
  }
}

// The request's power and temperature series, then its compare series.
Result<int32_t> readRequestedSeries(plotParamRecord& param, QVector<plotSeries>& series, plotFileIndex& index,
                                    PlotReadScratch& scratch) {
  const bool wantTemp = param.y2ScaleMax != kNoTemperatureScale;
  PlotRange range{.fromTime = param.fromTime,
                  .toTime = param.toTime,
                  .reduceMethod = param.reduceMethod,
                  .maxPlotPoints = param.maxPlotPoints,
                  .tempSeries = int16_t(wantTemp ? 2 : 0)};
  const Result<int32_t> validTempPoints = getZavFileData(index, range, series, scratch);
  if (!validTempPoints) return validTempPoints;
  int16_t k = 0;
  if (series.size() > 1 && series[1].points.size() > 1) keepSeries(param, series, k = 1, 1);
  if (wantTemp && series.size() > 2 && series[2].points.size() > 1 && *validTempPoints > 0)
    keepSeries(param, series, ++k, 3);
  if (param.compareTo > param.compareFrom) {
    range = {.fromTime = param.compareFrom,
             .toTime = param.compareTo,
             .reduceMethod = param.reduceMethod,
             .maxPlotPoints = param.maxPlotPoints,
             .powerSeries = int16_t(k + 1)};
    if (const Result<int32_t> compared = getZavFileData(index, range, series, scratch); !compared)
      return compared;
    if (series[k + 1].points.size() > 1) keepSeries(param, series, ++k, 2);
  }
  // Series that were read but not kept are not handed on.
  series.resize(k + 1);
  return validTempPoints;
}
}  // namespace

Result<int32_t> getPlotData(plotParamRecord& param, QVector<plotSeries>& series, const PlotFile& file,
                            PlotReadScratch& scratch) {
  const int32_t start = timeGetTime();
  param.y1DataMin = 1e9f;
  param.y2DataMin = 1e9f;
  param.y1DataMax = -1e9f;
  param.y2DataMax = -1e9f;
  series = QVector<plotSeries>(1);
  param.seriesInfo = QVector<seriesInfoEntry>(1);

  plotFileIndex index;
  index.index = file.index;
  index.fileName = file.fileName;
  index.byteTemperature = file.byteTemperature;
  index.lapTimes = file.lapTimes;
  Result<int32_t> validTempPoints = 0;
  if (QFile::exists(index.fileName) && index.index.sectionCount >= 1 && index.index.recordCount >= 1)
    validTempPoints = readRequestedSeries(param, series, index, scratch);
  logMsg(2, QStringLiteral("getPlotData: elapsedTime=") + elapsedSince(start));
  return validTempPoints;
}

Result<int32_t> getPlotData(plotParamRecord& param, QVector<plotSeries>& series, const PlotFile& file) {
  PlotReadScratch scratch;
  return getPlotData(param, series, file, scratch);
}
