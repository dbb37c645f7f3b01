#pragma once
// The data file's format (".ZAV"), shared by the recorder and the plot reader:
// no file header, a sequence of sections, each a 38-byte header followed by
// 18-byte records; little-endian, no padding, a Date as an 8-byte IEEE double.
// Positions are 1-based byte positions.

#include <QByteArray>
#include <QtEndian>
#include <cstdint>
#include <cstring>

#include "core/util/date_value.h"

constexpr int kSectionBytes = 38;
constexpr int kRecordBytes = 18;
// Versions the program reads: 1.2.1 .. 1.3.999.
constexpr int32_t kMinFileVersion = 1002001;
constexpr int32_t kMaxFileVersion = 1003999;
// Detector types from this one on send the new frame and line code, and their
// raw temperature is one byte coded as (signed byte + 40) / 2.
constexpr int32_t kNewFrameDetectorVer = 24840;
// Temperatures that stand for "no value".
constexpr float kNoTemperature = -16384;
constexpr float kNoTemperatureOld = -16364;  // also never a valid temperature

// Section header.
struct fileSection {
  Date startTime = 0;
  int32_t version = 0;
  int32_t sensorVer = 0;
  int32_t meterID = 0;
  int32_t ticksPerSec = 0;
  int32_t WsPerCount = 0;
  int32_t resetCount = 0;
  int16_t voltCount = 0;
  int32_t records = 0;
};

// One reading.
struct meterRecord {
  Date recTime = 0;
  int32_t count = 0;
  int32_t ticks = 0;
  int16_t temp = 0;
};

// The on-disk bytes of a header or a record, and back (p holds at least the
// 38 or 18 bytes).
QByteArray packSection(const fileSection& h);
QByteArray packRecord(const meterRecord& r);
fileSection unpackSection(const char* p);
inline Date unpackDate(const void* p) {
  const quint64 bits = qFromLittleEndian<quint64>(p);
  Date d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}
inline meterRecord unpackRecord(const void* bytes) {
  const auto* p = static_cast<const uchar*>(bytes);
  meterRecord r;
  r.recTime = unpackDate(p);
  r.count = qFromLittleEndian<int32_t>(p + 8);
  r.ticks = qFromLittleEndian<int32_t>(p + 12);
  r.temp = qFromLittleEndian<int16_t>(p + 16);
  return r;
}

inline bool fileVersionOk(int32_t v) { return v >= kMinFileVersion && v <= kMaxFileVersion; }
// Section header length of the files of each program version.
inline int headerBytesOf(int32_t version) {
  if (version >= 1002001) return kSectionBytes;
  if (version >= 1000019) return 18;
  return 28;
}

// A header that can start a section: an accepted version and values a
// recording can have. Used to find the next section behind damage.
bool plausibleSection(const fileSection& h);

// Degrees Celsius of a raw temperature. byteCoded (detector type 24840 on):
// 0x80 is no sensor, any other value is taken as a signed byte (its low
// byte), plus 40, halved. Otherwise the raw value is half degrees.
inline float temperatureOf(int16_t raw, bool byteCoded) {
  if (!byteCoded) return raw / 2.0f;
  if (raw == 0x80) return kNoTemperature;
  return (int8_t(uint8_t(raw & 0xFF)) + 40) / 2.0f;
}
inline bool validTemperature(float t) { return t != kNoTemperature && t != kNoTemperatureOld; }
