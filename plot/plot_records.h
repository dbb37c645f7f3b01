#pragma once
// The plot data reader's view of the data file's records: raw records read
// without any date or string object, their positions, and the values derived
// from them. Internal to the reader.

#include <QString>
#include <QtEndian>
#include <cstdint>
#include <vector>

#include "plot/plot_data_reader.h"
#include "plot/plot_file_view.h"

// searchRecTime always counts 38 header bytes.
constexpr int kSearchHeaderBytes = 38;

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

// 0-based offset of record `rec` (1-based over the file) in section `sec` (1-based).
inline int64_t recordOffset(int32_t rec, int32_t sec, int headerBytes) {
  return (static_cast<int64_t>(rec) - 1) * kRecordBytes + static_cast<int64_t>(headerBytes) * sec;
}

// Section header length of the files of each program version.
inline int headerBytesOf(int32_t version) {
  if (version >= 1002001) return 38;
  if (version >= 1000019) return 18;
  return 28;
}

// Temperature of a raw record value. From detector type 24840 on the raw
// value is a byte coded as (signed byte + 40) / 2, with 0x80 for no sensor.
constexpr int32_t kByteTemperatureDetector = 24840;
inline float temperatureOf(int16_t raw, bool byteCoded) {
  if (!byteCoded) return raw / 2.0f;
  if (raw == 128) return kNoTemperature;
  const int v = raw > 127 ? raw - 256 : raw;
  return (v + 40) / 2.0f;
}
inline bool validTemperature(float t) { return t != kNoTemperature && t != kNoTemperatureOld; }

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

// Thinning of a series (elements 1..n, element 0 being the fixed head) to at
// most maxPoints elements; the survivors stay in order.
struct ReduceNode {
  int32_t index;
  float value;
};
// Works in place on nodes[0..count); returns the number of survivors.
size_t reduceNodes(ReduceNode* nodes, size_t count, int32_t maxPoints);
