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
  int32_t sec = 0, prevSec = -1;
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
    while (ix.sectionEndRecord[sec] < rec && sec < ix.sectionCount) ++sec;
    if (!readRaw(file, recordOffset(ix, rec, sec, headerBytes), v.r)) return p;
    v.p = static_cast<int32_t>(p);
    v.rec = rec;
    v.sec = sec;
    v.temp = temperatureOf(v.r.temp, byteTemperature);
    v.power = kPowerNoPrevious;
    v.dtSec = 0;
    v.dCount = v.dTicks = v.ws = v.tSec = 0;

    bool continues = true;
    if (sec > prevSec) {
      const fileSection& h = ix.sectionHeaders[sec];
      continues = sec > 1 && p > 1 && h.resetCount == resetCount && h.WsPerCount == wsPerCount &&
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
    int32_t sec = 0;
    for (size_t k = 0; k <= count; ++k) {
      const int32_t at = k == 0 ? 0 : nodes[k - 1].index;
      const int32_t rec = fromRec + at;
      while (ix.sectionEndRecord[sec] < rec && sec < ix.sectionCount) ++sec;
      RawRecord r{};
      readRaw(file, recordOffset(ix, rec, sec, headerBytes), r);
      const float value = k == 0 ? headValue : nodes[k - 1].value;
      s.points[k] = power ? plotPoint{rec, value, r.recTime, static_cast<int32_t>(r.count),
                                      static_cast<int32_t>(r.ticks)}
                          : plotPoint{rec, value, r.recTime, 0, 0};
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
}  // namespace

std::shared_ptr<PlotReadScratch> makePlotReadScratch() { return std::make_shared<PlotReadScratch>(); }

int32_t getZavFileData(plotFileIndex& index, const PlotRange& range, QVector<plotSeries>& series,
                       PlotReadScratch& scratch) {
  const Date fromTime = range.fromTime, toTime = range.toTime;
  int16_t reduceMethod = range.reduceMethod;
  int32_t maxPlotPoints = range.maxPlotPoints;
  const int16_t powerSeries = range.powerSeries, tempSeries = range.tempSeries;
  const int32_t start = timeGetTime();
  int32_t lap[7] = {start, start, start, start, start, start, start};
  PointTally tally(fromTime, toTime, tempSeries > 0, logShows(4));
  const int headerBytes =
      index.index.sectionCount >= 1 ? headerBytesOf(index.index.sectionHeaders[1].version) : kSectionBytes;
  int64_t readRecords = 0;

  PlotFileView file;
  const bool exists = QFile::exists(index.fileName);
  const bool opened = exists && file.open(index.fileName).ok();
  if (exists && !opened) logMsg(-1, QStringLiteral("getZavFileData: ERROR cannot open ") + index.fileName);
  if (opened) {
    index.file = &file;
    // The reader's steps are actions of every plot, the web's too; not errors.
    logMsg(3, QStringLiteral("getZavFileData: zavPlotFileNr= %1").arg(file.handle()));
    fitIndexToFile(index, headerBytes);
    const dataFileIndex& ix = index.index;
    const int32_t recordCount = ix.recordCount;
    lap[1] = timeGetTime();

    searchRecTime(index, 1, recordCount, fromTime, true);
    searchRecTime(index, index.searchFirstRec, recordCount, toTime, false);
    lap[2] = timeGetTime();
    int32_t fromRec = index.searchFirstRec - 2;
    int32_t toRec = index.searchLastRec + (toTime > index.searchLastTime ? 1 : 0);
    fromRec = std::min(recordCount, std::max(2, fromRec));
    toRec = std::min(recordCount, toRec);
    logMsg(3, QStringLiteral("  setting fromRec=%1  toRec=%2  records=%3")
                  .arg(fromRec)
                  .arg(toRec)
                  .arg(recordCount));

    const int64_t n = static_cast<int64_t>(toRec) - fromRec + 1;
    int64_t pointCount = n;
    double recordsPerPoint = 1;
    if (reduceMethod == kReduceSkip && maxPlotPoints > 0 && n > static_cast<int64_t>(maxPlotPoints) + 1) {
      pointCount = static_cast<int64_t>(maxPlotPoints) + 1;
      recordsPerPoint = static_cast<double>(toRec - fromRec) / maxPlotPoints;
    }
    if (pointCount > kMaxPlotRecords) {
      // One request must not hold the records of years: skip records instead.
      const int32_t target =
          maxPlotPoints > 1 && maxPlotPoints < kMaxPlotRecords ? maxPlotPoints : kMaxPlotRecords - 1;
      logMsg(-1, QStringLiteral(
                     "getZavFileData: ERROR %1 records in range with reduceMethod=%2, reading %3 points "
                     "by skipping records")
                     .arg(n)
                     .arg(reduceMethod)
                     .arg(target + 1));
      reduceMethod = kReduceSkip;
      maxPlotPoints = target;
      pointCount = static_cast<int64_t>(target) + 1;
      recordsPerPoint = static_cast<double>(toRec - fromRec) / target;
    }
    if (logShows(3)) {
      logMsg(3, QStringLiteral("getZavFileData:\nfileRecords= %1\nrecordPoints= %2\nreduceMethod= %3\n"
                               "maxPlotPoints= %4\npoints= %5\nrecordsPerPoint= %6\nfromRec= %7\ntoRec= %8")
                    .arg(recordCount)
                    .arg(n)
                    .arg(reduceMethod)
                    .arg(maxPlotPoints)
                    .arg(pointCount)
                    .arg(strPlain(recordsPerPoint))
                    .arg(fromRec)
                    .arg(toRec));
    }

    for (int16_t s : {powerSeries, tempSeries}) {
      if (s <= 0) continue;
      if (series.size() <= s) series.resize(s + 1);
      series[s].points = QVector<plotPoint>(1);
      series[s].minValue = 0;
      series[s].maxValue = 0;
    }
    lap[3] = timeGetTime();

    if (pointCount >= 2) {
      if (recordsPerPoint < kDenseRecordsPerPoint) {
        const int64_t first = recordOffset(ix, fromRec, 1, headerBytes);
        file.prepareScan(first, recordOffset(ix, toRec, ix.sectionCount, headerBytes) + kRecordBytes - first,
                         recordsPerPoint == 1);
      }
      plotSeries& ps = series[powerSeries];
      plotSeries* ts = tempSeries > 0 ? &series[tempSeries] : nullptr;
      const bool reduceWhileScanning = reduceMethod == kReduceKeepMaxMin && maxPlotPoints > 1 &&
                                       static_cast<int64_t>(maxPlotPoints) + 1 < pointCount;
      if (reduceWhileScanning) {
        readRecords = scanAndReduce({file, ix, headerBytes, index.byteTemperature}, fromRec, toRec, pointCount,
                                    maxPlotPoints, ps, ts, tally, scratch);
      } else {
        ps.points.resize(pointCount);
        if (ts) ts->points.resize(pointCount);
        plotPoint* pp = ps.points.data();
        plotPoint* tp = ts ? ts->points.data() : nullptr;
        readRecords =
            readPointsFor(tally.dump, {file, ix, headerBytes, index.byteTemperature}, fromRec, toRec, pointCount,
                          recordsPerPoint, ps,
                          [&](const PointDump& v) {
                            pp[v.p] = plotPoint{v.rec, v.power, v.r.recTime, static_cast<int32_t>(v.r.count),
                                                static_cast<int32_t>(v.r.ticks)};
                            if (tp) tp[v.p] = plotPoint{v.rec, v.temp, v.r.recTime, 0, 0};
                            tally.add(v);
                          });
        if (readRecords < pointCount) {
          const qsizetype kept = readRecords >= 2 ? readRecords : 1;
          ps.points.resize(kept);
          if (ts) ts->points.resize(kept);
        }
      }
      if (readRecords < pointCount)
        logMsg(-1, QStringLiteral("getZavFileData: ERROR the file ended at point %1 of %2: %3")
                       .arg(readRecords)
                       .arg(pointCount)
                       .arg(index.fileName));
      lap[4] = timeGetTime();
      if (tally.dump) {
        logMsgCourier(QStringLiteral("countErrors:\n") + pointDumpHeader() + u'\n' + tally.errorText);
        logMsgCourier(QStringLiteral("all points:\n") + pointDumpHeader() + u'\n' + tally.dumpText);
      }
      lap[5] = timeGetTime();
      lap[6] = timeGetTime();
    }

    if (readRecords == 0 || tally.lastTime < fromTime) {
      emptySeries(series, powerSeries);
      emptySeries(series, tempSeries);
    }
    if (powerSeries > 0 && series[powerSeries].points.size() > 1) {
      series[powerSeries].maxValue = tally.powerMax;
      series[powerSeries].minValue = tally.powerMin;
      markSeriesSections(series[powerSeries], ix);
    }
    if (tempSeries > 0 && series[tempSeries].points.size() > 1) {
      series[tempSeries].maxValue = tally.tempMax;
      series[tempSeries].minValue = tally.tempMin;
    }
    file.close();
    index.file = nullptr;
  }

  if (opened && index.lapTimes) {
    QString laps = QStringLiteral("countErrors= %1").arg(tally.countErrors);
    for (int i = 1; i <= 6; ++i) {
      const auto ms = static_cast<uint32_t>(lap[i] - lap[i - 1]);
      laps += QStringLiteral("\nlapTime%1=").arg(i) + formatNumber(ms, QStringLiteral("###,##0 mS"));
    }
    laps += QStringLiteral("\ntotalTime=") +
            formatNumber(static_cast<uint32_t>(timeGetTime() - start), QStringLiteral("###,##0 mS"));
    logMsg(4, laps);
  }
  logMsg(5, QStringLiteral("readRecords= %1").arg(readRecords));
  logMsg(2, QStringLiteral("getZavFileData()\nfileName=") + index.fileName +
                QStringLiteral("\ngetZavFileData: elapsedTime=") + elapsedSince(start));
  return tally.validTemp;
}

int32_t getPlotData(plotParamRecord& param, QVector<plotSeries>& series, const PlotFile& file,
                    PlotReadScratch& scratch) {
  const int32_t start = timeGetTime();
  param.y1DataMin = 1e9f;
  param.y2DataMin = 1e9f;
  param.y1DataMax = -1e9f;
  param.y2DataMax = -1e9f;
  series = QVector<plotSeries>(1);
  param.seriesInfo = QVector<seriesInfoEntry>(1);
  const bool wantTemp = param.y2ScaleMax != kNoTemperatureScale;
  int32_t validTempPoints = 0;

  plotFileIndex index;
  index.index = file.index;
  index.fileName = file.fileName;
  index.byteTemperature = file.byteTemperature;
  index.lapTimes = file.lapTimes;
  if (QFile::exists(index.fileName) && index.index.sectionCount >= 1 && index.index.recordCount >= 1) {
    PlotRange range{param.fromTime, param.toTime, param.reduceMethod, param.maxPlotPoints, 1,
                    int16_t(wantTemp ? 2 : 0)};
    validTempPoints = getZavFileData(index, range, series, scratch);
    int16_t k = 0;
    auto keep = [&](int16_t i, int16_t seriesType) {
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
    };
    if (series.size() > 1 && series[1].points.size() > 1) keep(k = 1, 1);
    if (wantTemp && series.size() > 2 && series[2].points.size() > 1 && validTempPoints > 0) keep(++k, 3);
    if (param.compareTo > param.compareFrom) {
      range = {param.compareFrom, param.compareTo, param.reduceMethod, param.maxPlotPoints, int16_t(k + 1), 0};
      getZavFileData(index, range, series, scratch);
      if (series[k + 1].points.size() > 1) keep(++k, 2);
    }
    // Series that were read but not kept are not handed on.
    series.resize(k + 1);
  }
  logMsg(2, QStringLiteral("getPlotData: elapsedTime=") + elapsedSince(start));
  return validTempPoints;
}

int32_t getPlotData(plotParamRecord& param, QVector<plotSeries>& series, const PlotFile& file) {
  PlotReadScratch scratch;
  return getPlotData(param, series, file, scratch);
}
