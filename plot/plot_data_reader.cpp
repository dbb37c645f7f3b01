#include "plot/plot_data_reader.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cmath>

#include "core/format_pattern.h"
#include "core/globals.h"
#include "core/logmsg.h"
#include "core/text_helpers.h"
#include "platform/tick_clock.h"
#include "plot/plot_file_view.h"

QVector<plotSeries> plotData(1);
int32_t validTempPoints = 0;

namespace {
constexpr int kSearchHeaderBytes = 38;
// The point dump of a long read is cut here: the message window could not hold more.
constexpr int kMaxDumpLines = 1000;

// One record as read from the file, without any date or string object.
struct RawRecord {
  Date recTime;
  uint32_t count;
  uint32_t ticks;
  int16_t temp;
};

inline bool readRaw(PlotFileView& file, int64_t offset, RawRecord& r) {
  const uchar* p = file.bytes(offset, kRecordBytes);
  if (!p) return false;
  r.recTime = qFromLittleEndian<double>(p);
  r.count = qFromLittleEndian<uint32_t>(p + 8);
  r.ticks = qFromLittleEndian<uint32_t>(p + 12);
  r.temp = qFromLittleEndian<int16_t>(p + 16);
  return true;
}

// 0-based offset of record `rec` (1-based over the file) of section `sec`.
inline int64_t recordOffset(int32_t rec, int32_t sec, int headerBytes) {
  return (static_cast<int64_t>(rec) - 1) * kRecordBytes + static_cast<int64_t>(headerBytes) * sec;
}

// Header length of the files of older program versions.
int headerBytesOf(int32_t version) {
  if (version >= 1002001) return 38;
  if (version >= 1000019) return 18;
  return 28;
}

QString timeText(Date d) { return formatDate(d, QStringLiteral("yyyy-mm-dd hh:nn:ss")); }
QString seconds(int32_t startTick) {
  return formatNumber(static_cast<uint32_t>(timeGetTime() - startTick) / 1000.0, QStringLiteral("#,0.000")) +
         QStringLiteral(" seconds");
}

inline int64_t wholeSeconds(Date d) { return std::llround(d * 86400.0); }

float temperatureOf(int16_t raw) {
  if (ZAVdetectorVer < 24840) return raw / 2.0f;
  if (raw == 128) return kNoTemperature;
  const int v = raw > 127 ? raw - 256 : raw;
  return (v + 40) / 2.0f;
}

bool validTemperature(float t) { return t != kNoTemperature && t != kNoTemperatureOld; }

// Makes the index copy agree with the file: an index that promises more
// records than the file holds is cut at the file's end. Keeps the running
// totals of the copy consistent with its record counts.
void fitIndexToFile(plotFileIndex& index, int headerBytes) {
  dataFileIndex& ix = index.index;
  const int64_t fileSize = index.file->size();
  const int32_t promised = ix.recordCount;
  ix.sectionCount = std::clamp<int32_t>(
      ix.sectionCount, 0,
      static_cast<int32_t>(std::min(ix.sectionHeaders.size(), ix.sectionLastTime.size())) - 1);
  ix.sectionEndRecord.resize(ix.sectionCount + 1);
  ix.sectionEndRecord[0] = 0;
  int64_t total = 0;
  for (int32_t s = 1; s <= ix.sectionCount; ++s) {
    fileSection& h = ix.sectionHeaders[s];
    const int64_t start = total * kRecordBytes + static_cast<int64_t>(headerBytes) * s;
    const int64_t fits = fileSize > start ? (fileSize - start) / kRecordBytes : 0;
    const int64_t records = std::max<int64_t>(h.records, 0);
    if (fits < records || total + records > INT32_MAX) {
      h.records = static_cast<int32_t>(std::min<int64_t>(fits, INT32_MAX - total));
      total += h.records;
      ix.sectionEndRecord[s] = static_cast<int32_t>(total);
      ix.sectionCount = h.records > 0 ? s : s - 1;
      RawRecord last;
      if (h.records > 0 &&
          readRaw(*index.file, recordOffset(static_cast<int32_t>(total), s, headerBytes), last)) {
        ix.sectionLastTime[s] = last.recTime;
        ix.lastRecordTime = last.recTime;
      }
      ix.recordCount = static_cast<int32_t>(total);
      logMsg(-1, QStringLiteral("getZavFileData: ERROR the file ends after record %1 of %2: %3")
                     .arg(total)
                     .arg(promised)
                     .arg(index.fileName));
      break;
    }
    h.records = static_cast<int32_t>(records);
    total += records;
    ix.sectionEndRecord[s] = static_cast<int32_t>(total);
  }
  ix.sectionHeaders.resize(ix.sectionCount + 1);
  ix.sectionLastTime.resize(ix.sectionCount + 1);
  ix.sectionEndRecord.resize(ix.sectionCount + 1);
  ix.recordCount = static_cast<int32_t>(ix.sectionEndRecord[ix.sectionCount]);
}

QString dumpHeader() {
  return QStringLiteral(
      " point  recordNr  secNr        Date     Time       thisCount  hexCount       thisTicks  hexTicks  "
      "thisTemp"
      "       usedDTsec       usedCount       usedTicks        used_kWh        usedTsec    power  temp°C");
}

struct DumpFields {
  int32_t p, rec, sec;
  RawRecord r;
  int64_t dtSec;
  double dCount, dTicks, ws, tSec;
  float power, temp;
};

QString dumpLine(const DumpFields& f) {
  const QString sep = QStringLiteral("  ");
  auto hex = [](uint32_t v) { return QString::number(v, 16).toUpper().rightJustified(8, u' '); };
  return formatRight(f.p, QStringLiteral("##,##0")) + sep + formatRight(f.rec, QStringLiteral("#######0")) +
         sep + formatRight(f.sec, QStringLiteral("####0")) + sep + generalDate(f.r.recTime) + sep +
         formatRight(f.r.count, QStringLiteral("##,###,###,##0")) + sep + hex(f.r.count) + sep +
         formatRight(f.r.ticks, QStringLiteral("##,###,###,##0")) + sep + hex(f.r.ticks) + sep +
         formatRight(f.r.temp, QStringLiteral("####,##0")) + sep +
         formatRight(static_cast<double>(f.dtSec), QStringLiteral("##,###,###,##0")) + sep +
         formatRight(f.dCount, QStringLiteral("##,###,###,##0")) + sep +
         formatRight(f.dTicks, QStringLiteral("##,###,###,##0")) + sep +
         formatRight(f.ws / 3600000.0, QStringLiteral("##,###,##0.000")) + sep +
         formatRight(f.tSec, QStringLiteral("##,###,##0.000")) + sep +
         formatRight(f.power, QStringLiteral("###,##0")) + sep +
         formatRight(f.temp, QStringLiteral("###0.0"));
}

void emptySeries(QVector<plotSeries>& series, int16_t index) {
  if (index > 0 && index < series.size()) series[index].points = QVector<plotPoint>(1);
}
}  // namespace

void searchRecTime(plotFileIndex& index, int32_t fromRecordNr, int32_t toRecordNr, Date searchDateTime,
                   bool searchFirst) {
  const int32_t start = timeGetTime();
  const dataFileIndex& ix = index.index;
  if (searchFirst) {
    index.searchFirstTime = 0;
    index.searchFirstRec = 0;
  } else {
    index.searchLastTime = 0;
    index.searchLastRec = 0;
  }
  if (logShows(3)) {
    logMsg(3, QStringLiteral("searchRecTime: \n   fromRecordNr=%1\n     toRecordNr=%2\n  searchRecords=%3\n"
                             " searchDateTime=%4\n    searchFirst=%5")
                  .arg(fromRecordNr)
                  .arg(toRecordNr)
                  .arg(static_cast<int64_t>(toRecordNr) - fromRecordNr + 1)
                  .arg(timeText(searchDateTime), searchFirst ? "True" : "False"));
  }
  if (ix.sectionCount < 1 || ix.recordCount < 1 || !index.file) return;

  int32_t s = 1;
  int32_t before = 0;
  for (; s < ix.sectionCount; ++s) {
    const int32_t records = ix.sectionHeaders[s].records;
    if (records > 0 && searchDateTime <= ix.sectionLastTime[s]) break;
    if (records > 0) before += records;
  }
  int32_t lo = before + 1;
  int32_t hi = before + ix.sectionHeaders[s].records;
  if (logShows(3)) {
    logMsg(1, QStringLiteral("   fileSection=%1\n  secFirstRec=%2\n   secLastRec=%3\n  secStartTime=%4\n"
                             "   secLastTime=%5\nsec-1.LastTime=%6\nsectionRecords=%7\n     thisDTime=%8")
                  .arg(s)
                  .arg(lo)
                  .arg(hi)
                  .arg(timeText(ix.sectionHeaders[s].startTime), timeText(ix.sectionLastTime[s]),
                       timeText(ix.sectionLastTime[s - 1]))
                  .arg(ix.sectionHeaders[s].records)
                  .arg(timeText(searchDateTime)));
  }

  int32_t probe = searchFirst ? lo : hi;
  int32_t loops = 0;
  RawRecord r{};
  for (;;) {
    // A probe outside the file (an empty section) reads the nearest record.
    const int32_t at = std::clamp(probe, 1, ix.recordCount);
    if (!readRaw(*index.file, recordOffset(at, s, kSearchHeaderBytes), r)) break;
    ++loops;
    if (hi - lo < 1) break;
    if (searchFirst) {
      if (r.recTime < searchDateTime)
        lo = probe + 1;
      else
        hi = probe;
      probe = hi - (hi - lo + 1) / 2;
    } else {
      if (searchDateTime < r.recTime)
        hi = probe - 1;
      else
        lo = probe;
      probe = lo + (hi - lo + 1) / 2;
    }
  }
  probe = std::clamp(probe, 1, ix.recordCount);
  if (searchFirst) {
    index.searchFirstTime = r.recTime;
    index.searchFirstRec = probe;
  } else {
    index.searchLastTime = r.recTime;
    index.searchLastRec = probe;
  }
  logMsg(1, QStringLiteral("     thisDTime=%1\n    thisRecord=%2\n    sLoopCount=%3\nelapsedTime=%4\n%5")
                .arg(timeText(r.recTime))
                .arg(probe)
                .arg(loops)
                .arg(seconds(start), QString(41, u'-')));
}

void getZavFileData(plotFileIndex& index, Date fromTime, Date toTime, int16_t reduceMethod,
                    int32_t maxPlotPoints, int16_t powerSeries, int16_t tempSeries,
                    QVector<plotSeries>& series) {
  const int32_t start = timeGetTime();
  int32_t lap[7] = {start, start, start, start, start, start, start};
  validTempPoints = 0;
  float powerMax = -1e9f, powerMin = 1e9f, tempMax = -1e9f, tempMin = 1e9f;
  const int headerBytes =
      index.index.sectionCount >= 1 ? headerBytesOf(index.index.sectionHeaders[1].version) : kSectionBytes;
  int32_t readRecords = 0;
  int32_t countErrors = 0;
  Date lastReadTime = 0;
  bool anyRead = false;

  PlotFileView file;
  const bool opened = QFile::exists(index.fileName) && file.open(index.fileName);
  if (QFile::exists(index.fileName) && !opened)
    logMsg(-1, QStringLiteral("getZavFileData: ERROR cannot open ") + index.fileName);
  if (opened) {
    index.file = &file;
    logMsg(1, QStringLiteral("getZavFileData: zavPlotFileNr= %1").arg(file.handle()));
    fitIndexToFile(index, headerBytes);
    const int32_t recordCount = index.index.recordCount;
    lap[1] = timeGetTime();

    searchRecTime(index, 1, recordCount, fromTime, true);
    searchRecTime(index, index.searchFirstRec, recordCount, toTime, false);
    lap[2] = timeGetTime();
    int32_t fromRec = index.searchFirstRec - 2;
    int32_t toRec = index.searchLastRec + (toTime > index.searchLastTime ? 1 : 0);
    fromRec = std::min(recordCount, std::max(2, fromRec));
    toRec = std::min(recordCount, toRec);
    logMsg(1, QStringLiteral("  setting fromRec=%1  toRec=%2  records=%3")
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
      const dataFileIndex& ix = index.index;
      const bool wantTemp = tempSeries > 0;
      const bool dump = logShows(4);
      QString dumpText, errorText;
      int dumpLines = 0;
      plotSeries& ps = series[powerSeries];
      ps.points.resize(pointCount);
      plotPoint* pp = ps.points.data();
      plotPoint* tp = nullptr;
      if (wantTemp) {
        series[tempSeries].points.resize(pointCount);
        tp = series[tempSeries].points.data();
      }
      int32_t sec = 0, prevSec = -1;
      int32_t resetCount = 0, wsPerCount = 0, ticksPerSec = 0;
      RawRecord prev{}, r{};
      DumpFields prevDump{};
      int64_t p = 0;
      for (; p < pointCount; ++p) {
        int32_t rec = p == pointCount - 1 ? toRec
                      : recordsPerPoint == 1
                          ? fromRec + static_cast<int32_t>(p)
                          : static_cast<int32_t>(std::nearbyint(fromRec + p * recordsPerPoint));
        rec = std::min(rec, toRec);
        while (ix.sectionEndRecord[sec] < rec && sec < ix.sectionCount) ++sec;
        if (!readRaw(file, recordOffset(rec, sec, headerBytes), r)) {
          logMsg(-1, QStringLiteral("getZavFileData: ERROR cannot read record %1 of %2")
                         .arg(rec)
                         .arg(index.fileName));
          break;
        }
        ++readRecords;
        anyRead = true;
        float temp = temperatureOf(r.temp);

        float power = kPowerNoPrevious;
        int64_t dtSec = 0;
        double dCount = 0, dTicks = 0, ws = 0, tSec = 0;
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
          dtSec = wholeSeconds(r.recTime) - wholeSeconds(prev.recTime);
          dCount = static_cast<double>(r.count - prev.count);  // modulo 2^32
          dTicks = static_cast<double>(r.ticks - prev.ticks);
          ws = static_cast<double>(wsPerCount) * dCount;
          // Without a tick rate the PC clock times the interval.
          tSec = dtSec > kMaxTickIntervalSeconds || ticksPerSec <= 0 ? static_cast<double>(dtSec)
                                                                     : dTicks / ticksPerSec;
          power = tSec >= kMinPowerSeconds ? static_cast<float>(ws / tSec) : kPowerTooClose;
        }
        if (power < 0) temp = kNoTemperature;
        const bool inRange = fromTime <= r.recTime && r.recTime <= toTime;

        pp[p] =
            plotPoint{rec, power, r.recTime, static_cast<int32_t>(r.count), static_cast<int32_t>(r.ticks)};
        if (power >= 0 && inRange) {
          powerMax = std::max(powerMax, power);
          powerMin = std::min(powerMin, power);
        }
        if (tp) {
          tp[p] = plotPoint{rec, temp, r.recTime, 0, 0};
          if (validTemperature(temp) && inRange) {
            ++validTempPoints;
            tempMax = std::max(tempMax, temp);
            tempMin = std::min(tempMin, temp);
          }
        }
        const DumpFields fields{
            static_cast<int32_t>(p), rec, sec, r, dtSec, dCount, dTicks, ws, tSec, power, temp};
        if (dump && dumpLines < kMaxDumpLines) {
          dumpText += dumpLine(fields) + u'\n';
          if (++dumpLines == kMaxDumpLines) dumpText += QStringLiteral("...\n");
        }
        if (dCount > 2147483648.0) {  // the count went backwards
          ++countErrors;
          if (dump && countErrors <= kMaxDumpLines)
            errorText += dumpLine(prevDump) + u'\n' + dumpLine(fields) + QStringLiteral("\n\n");
        }
        prevSec = sec;
        prev = r;
        prevDump = fields;
        lastReadTime = r.recTime;
      }
      if (p < pointCount) {  // the file ended early
        const int64_t kept = p >= 2 ? p : 1;
        ps.points.resize(kept);
        if (tp) series[tempSeries].points.resize(kept);
      }
      lap[4] = timeGetTime();
      if (dump) {
        logMsgCourier(QStringLiteral("countErrors:\n") + dumpHeader() + u'\n' + errorText);
        logMsgCourier(QStringLiteral("all points:\n") + dumpHeader() + u'\n' + dumpText);
      }
      lap[5] = timeGetTime();
      if (reduceMethod == kReduceKeepMaxMin && static_cast<int64_t>(maxPlotPoints) + 1 < ps.points.size() &&
          maxPlotPoints > 1) {
        reducePoints(ps.points, maxPlotPoints);
        ps.points.resize(maxPlotPoints + 1);
        if (tp) {
          reducePoints(series[tempSeries].points, maxPlotPoints);
          series[tempSeries].points.resize(maxPlotPoints + 1);
        }
      }
      lap[6] = timeGetTime();
    }

    if (!anyRead || lastReadTime < fromTime) {
      emptySeries(series, powerSeries);
      emptySeries(series, tempSeries);
    }
    if (powerSeries > 0 && series[powerSeries].points.size() > 1) {
      series[powerSeries].maxValue = powerMax;
      series[powerSeries].minValue = powerMin;
    }
    if (tempSeries > 0 && series[tempSeries].points.size() > 1) {
      series[tempSeries].maxValue = tempMax;
      series[tempSeries].minValue = tempMin;
    }
    file.close();
    index.file = nullptr;
  }

  if (opened && debugLevel >= 4) {
    QString laps = QStringLiteral("countErrors= %1").arg(countErrors);
    for (int i = 1; i <= 6; ++i) {
      const int32_t ms = static_cast<int32_t>(static_cast<uint32_t>(lap[i] - lap[i - 1]));
      laps +=
          QStringLiteral("\nlapTime%1=").arg(i) + formatNumber(std::max(ms, 0), QStringLiteral("###,##0 mS"));
    }
    laps += QStringLiteral("\ntotalTime=") +
            formatNumber(static_cast<uint32_t>(timeGetTime() - start), QStringLiteral("###,##0 mS"));
    logMsg(4, laps);
  }
  logMsg(5, QStringLiteral("readRecords= %1").arg(readRecords));
  logMsg(2, QStringLiteral("getZavFileData()\nfileName=") + index.fileName +
                QStringLiteral("\ngetZavFileData: elapsedTime=") + seconds(start));
}

void getPlotData(plotParamRecord& param, QVector<plotSeries>& series) {
  const int32_t start = timeGetTime();
  param.y1DataMin = 1e9f;
  param.y2DataMin = 1e9f;
  param.y1DataMax = -1e9f;
  param.y2DataMax = -1e9f;
  series = QVector<plotSeries>(1);
  param.seriesInfo = QVector<seriesInfoEntry>(1);
  const bool wantTemp = param.y2ScaleMax != kNoTemperatureScale;

  // The plotted slot's own file.
  const int slot = plotFileSlot == 1 ? 1 : 0;
  plotFileIndex index;
  index.index = dataFileSlots[slot];
  index.fileName = zavDatFileName[slot];
  if (QFile::exists(index.fileName) && index.index.sectionCount >= 1 && index.index.recordCount >= 1) {
    validTempPoints = 0;
    getZavFileData(index, param.fromTime, param.toTime, param.reduceMethod, param.maxPlotPoints, 1,
                   wantTemp ? 2 : 0, series);
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
      getZavFileData(index, param.compareFrom, param.compareTo, param.reduceMethod, param.maxPlotPoints,
                     k + 1, 0, series);
      if (series[k + 1].points.size() > 1) keep(++k, 2);
    }
    // Series that were read but not kept are not handed on.
    series.resize(k + 1);
  }
  logMsg(2, QStringLiteral("getPlotData: elapsedTime=") + seconds(start));
}

void setPlotRecord(const QVector<plotSeries>& series) { plotData = series; }
