#include "meter/record/zav_format.h"

#include <algorithm>
#include <cmath>

namespace {

template <typename T>
void put(char*& p, T v) {
  qToLittleEndian<T>(v, p);
  p += sizeof(T);
}
template <typename T>
T get(const char*& p) {
  T v = qFromLittleEndian<T>(p);
  p += sizeof(T);
  return v;
}
void putDate(char*& p, Date d) {
  quint64 bits;
  std::memcpy(&bits, &d, sizeof bits);
  put<quint64>(p, bits);
}
Date getDate(const char*& p) {
  const quint64 bits = get<quint64>(p);
  Date d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

}  // namespace

QByteArray packSection(const fileSection& h) {
  QByteArray out(kSectionBytes, '\0');
  char* p = out.data();
  putDate(p, h.startTime);
  put<int32_t>(p, h.version);
  put<int32_t>(p, h.sensorVer);
  put<int32_t>(p, h.meterID);
  put<int32_t>(p, h.ticksPerSec);
  put<int32_t>(p, h.WsPerCount);
  put<int32_t>(p, h.resetCount);
  put<int16_t>(p, h.voltCount);
  put<int32_t>(p, h.records);
  return out;
}

QByteArray packRecord(const meterRecord& r) {
  QByteArray out(kRecordBytes, '\0');
  char* p = out.data();
  putDate(p, r.recTime);
  put<int32_t>(p, r.count);
  put<int32_t>(p, r.ticks);
  put<int16_t>(p, r.temp);
  return out;
}

fileSection unpackSection(const char* p) {
  // A braced list is evaluated left to right: the fields are read in file order.
  return fileSection{.startTime = getDate(p),
                     .version = get<int32_t>(p),
                     .sensorVer = get<int32_t>(p),
                     .meterID = get<int32_t>(p),
                     .ticksPerSec = get<int32_t>(p),
                     .WsPerCount = get<int32_t>(p),
                     .resetCount = get<int32_t>(p),
                     .voltCount = get<int16_t>(p),
                     .records = get<int32_t>(p)};
}

bool plausibleSection(const fileSection& h) {
  return fileVersionOk(h.version) && h.records >= 0 && h.startTime >= kFirstClockDate &&
         h.startTime <= kLastClockDate && h.ticksPerSec >= 0 &&
         h.WsPerCount >= 0 && h.sensorVer >= 0 && h.resetCount >= 0 && h.resetCount <= 0xFF;
}
