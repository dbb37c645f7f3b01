#pragma once
// The plot data reader's view of the data file's records: raw records read
// without any date or string object, their positions, and the values derived
// from them. Internal to the reader.

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "core/util/date_value.h"
#include "meter/record/reading.h"
#include "meter/record/zav_format.h"
#include "plot/plot_data_reader.h"
#include "plot/plot_file_view.h"

// searchRecTime always counts 38 header bytes.
constexpr int kSearchHeaderBytes = kSectionBytes;

struct RawRecord {
  Date recTime;
  uint32_t count;
  uint32_t ticks;
  int16_t temp;
};

inline RawRecord decodeRaw(const uchar* p) {
  const meterRecord m = unpackRecord(p);
  return {m.recTime, uint32_t(m.count), uint32_t(m.ticks), m.temp};
}

inline bool readRaw(PlotFileView& file, int64_t offset, RawRecord& r) {
  const uchar* p = file.bytes(offset, kRecordBytes);
  if (!p) return false;
  r = decodeRaw(p);
  return true;
}

// 0-based offset of record `rec` (1-based over the file's readings), found
// from `at` on and left at its place (findReading): in its section's run, or,
// for headers of another size, by the sizes of the sections before it. -1
// when the index does not hold it.
inline int64_t recordOffset(const dataFileIndex& ix, int32_t rec, ReadingPlace& at, int headerBytes) {
  if (!findReading(ix, rec, at)) return -1;
  if (headerBytes != kSectionBytes)
    return (static_cast<int64_t>(rec) - 1) * kRecordBytes + static_cast<int64_t>(headerBytes) * (at.section + 1);
  const DataSection& s = ix.sections[at.section];
  return s.recordPos(s.recordOf(rec - s.before - 1, at.run)) - 1;
}

// Whole seconds of a date, in floating point so a damaged record cannot overflow.
inline double wholeSeconds(Date d) { return std::round(d * kSecondsPerDay); }

// How the power of a record follows from the record before it in the same recording.
struct PowerParts {
  double dtSec = 0;  // whole seconds by the PC clock; 0 where the ticks time the interval
  double dCount = 0, dTicks = 0, ws = 0, tSec = 0;
  float power = kPowerNoPrevious;
};
// exactSeconds: work out dtSec even where the ticks time the interval (for the dump).
inline PowerParts powerAfter(const RawRecord& prev, const RawRecord& r, int32_t wsPerCount,
                             int32_t ticksPerSec, bool exactSeconds) {
  PowerParts v;
  // Where the ticks time the interval only whether it exceeds the limit matters.
  const double approx = (r.recTime - prev.recTime) * kSecondsPerDay;
  if (exactSeconds || ticksPerSec <= 0 || approx > kMaxTickIntervalSeconds - 1)
    v.dtSec = wholeSeconds(r.recTime) - wholeSeconds(prev.recTime);
  v.dCount = static_cast<double>(r.count - prev.count);  // modulo 2^32
  v.dTicks = static_cast<double>(r.ticks - prev.ticks);
  v.ws = static_cast<double>(wsPerCount) * v.dCount;
  // Without a tick rate the PC clock times the interval.
  const bool byClock = v.dtSec > kMaxTickIntervalSeconds || ticksPerSec <= 0;
  v.tSec = byClock ? v.dtSec : v.dTicks / ticksPerSec;
  // The live reading's power: Ws * ticksPerSec / ticks rather than Ws / tSec,
  // so the two divisions run side by side instead of one waiting for the other.
  const double power = byClock ? countPower(wsPerCount, v.dCount, v.tSec, 1)
                               : countPower(wsPerCount, v.dCount, v.dTicks, ticksPerSec);
  v.power = v.tSec >= kMinPowerSeconds
                ? static_cast<float>(std::min(power, double(std::numeric_limits<float>::max())))
                : kPowerTooClose;
  return v;
}

// A count that went back rather than on shows as a difference this large.
constexpr double kCountErrorDelta = 2147483648.0;

// What the points of a read add up to: the data ranges, the valid
// temperatures (validTempPoints) and the count errors.
struct ValueTally {
  ValueTally(Date from, Date to, bool temperature) : fromTime(from), toTime(to), wantTemp(temperature) {}
  Date fromTime, toTime;
  bool wantTemp;
  float powerMax = -1e9f, powerMin = 1e9f, tempMax = -1e9f, tempMin = 1e9f;
  int32_t countErrors = 0;
  int32_t validTemp = 0;
  Date lastTime = 0;

  void add(Date t, float power, float temp, double dCount) {
    const bool inRange = fromTime <= t && t <= toTime;
    if (power >= 0 && inRange) {
      powerMax = std::max(powerMax, power);
      powerMin = std::min(powerMin, power);
    }
    if (wantTemp && inRange && validTemperature(temp)) {
      ++validTemp;
      tempMax = std::max(tempMax, temp);
      tempMin = std::min(tempMin, temp);
    }
    if (dCount > kCountErrorDelta) ++countErrors;
    lastTime = t;
  }
};

// Cuts the index copy at the file's end when it promises more records than
// the file holds (logged at -1); keeps its running totals consistent.
void fitIndexToFile(plotFileIndex& index, int headerBytes);

// The dump of the points of a read: what one line shows.
struct PointDump {
  int32_t p, rec, sec;
  RawRecord r;
  double dtSec;
  double dCount, dTicks, ws, tSec;
  float power, temp;
};
QString pointDumpHeader();
QString pointDumpLine(const PointDump& f);

// Diagnostic texts.
QString logTime(Date d);             // "yyyy-mm-dd hh:nn:ss"
QString elapsedSince(int32_t tick);  // "0.012 seconds"

// Library code that used the wide vector registers can leave their upper
// halves marked in use; on some processors the plain SSE code of the long
// loops here then runs at half speed until they are cleared.
inline void clearUpperVectorState() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  static const bool avx = __builtin_cpu_supports("avx");
  if (avx) asm volatile("vzeroupper" ::: "memory");
#endif
}

// Thinning of a series (elements 1..n, element 0 being the fixed head) to at
// most maxPoints elements; the survivors stay in order.
struct ReduceNode {
  int32_t index;
  float value;
};
// Works in place on nodes[0..count), with `spare` as room for count nodes;
// returns the number of survivors.
size_t reduceNodes(ReduceNode* nodes, size_t count, int32_t maxPoints, std::vector<ReduceNode>& spare);
// One walk of the thinning over in[0..m) into out, dropping at most `drops`
// nodes; returns the number written.
size_t thinWalk(const ReduceNode* in, size_t m, ReduceNode* out, size_t drops);
// How many of the first walks over `count` nodes run to the series' end
// without reaching maxPoints, at most `limit`. Such walks only ever look at
// groups of four, so they can be done piece by piece while the nodes arrive.
int completeThinningWalks(size_t count, int32_t maxPoints, int limit);

// Method 1 without the dump: one pass over the bytes of records
// fromRec..toRec that leaves only the values, thinned as far as `walks`
// complete walks go (see completeThinningWalks).
constexpr int kMaxScanWalks = 6;
struct ScanNodes {
  std::vector<ReduceNode> power, temp;  // points 1..; temp only for a temperature series
  float headPower = 0, headTemp = 0;    // point 0
};
// Feeds every point to `tally` and sets ps's rates like a point-by-point
// read. False (and the results unusable) when the file ends early.
bool scanAllPoints(PlotFileView& file, const dataFileIndex& ix, int headerBytes, int32_t fromRec,
                   int32_t toRec, int walks, bool byteTemperature, plotSeries& ps, ValueTally& tally,
                   ScanNodes& out);

struct PlotReadScratch {
  ScanNodes scanned;
  std::vector<ReduceNode> powerNodes, tempNodes;  // point by point, elements 1..
  std::vector<ReduceNode> thinning;               // the thinning's second array
};
