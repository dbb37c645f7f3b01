#pragma once
// The data file's format (".ZAV"), shared by the recorder and the plot reader:
// no file header, a sequence of sections, each a 38-byte header followed by
// 18-byte records; little-endian, no padding, a Date as an 8-byte IEEE double.
// Positions are 1-based byte positions.

#include <QByteArray>
#include <QtEndian>
#include <cstdint>
#include <cstring>

#include "core/settings/detector_types.h"
#include "core/util/date_value.h"

constexpr int kSectionBytes = 38;
constexpr int kRecordBytes = 18;
// Versions the program reads: 1.2.1 .. 1.3.999.
constexpr int32_t kMinFileVersion = 1002001;
constexpr int32_t kMaxFileVersion = 1003999;
// A section header starts with its start time and the version of the program
// that wrote it: a file's first kSectionLeadBytes bytes say whether it is ours.
constexpr int kSectionVersionOffset = 8;
constexpr int kSectionLeadBytes = 12;
// Temperatures that stand for "no value".
constexpr float kNoTemperature = -16384;
constexpr float kNoTemperatureOld = -16364;  // also never a valid temperature
// Raw temperatures that stand for "no sensor": a reading without a
// temperature is recorded as kRawNoSensor in either coding; a byte-coded
// temperature byte of kByteNoSensor is the controller's "no sensor".
constexpr int16_t kRawNoSensor = -32768;
constexpr uint8_t kByteNoSensor = 0x80;

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
  return meterRecord{.recTime = unpackDate(p),
                     .count = qFromLittleEndian<int32_t>(p + 8),
                     .ticks = qFromLittleEndian<int32_t>(p + 12),
                     .temp = qFromLittleEndian<int16_t>(p + 16)};
}

// The version this program writes into a new section's header.
constexpr int32_t kWrittenFileVersion = ZAV_VERSION_MAJOR * 1000000 + ZAV_VERSION_MINOR * 1000 + ZAV_VERSION_REVISION;
static_assert(kWrittenFileVersion >= kMinFileVersion && kWrittenFileVersion <= kMaxFileVersion);

inline bool fileVersionOk(int32_t v) { return v >= kMinFileVersion && v <= kMaxFileVersion; }
// The version field of the header bytes at p (at least kSectionLeadBytes).
inline int32_t sectionVersionOf(const void* p) {
  return qFromLittleEndian<int32_t>(static_cast<const uchar*>(p) + kSectionVersionOffset);
}
// Section header length of the files of each program version.
inline int headerBytesOf(int32_t version) {
  if (version >= 1002001) return kSectionBytes;
  if (version >= 1000019) return 18;
  return 28;
}

// Dates a recording can carry: 1990-01-01 00:00:00 up to the end of 2200.
constexpr Date kFirstPlausibleDate = 32874;   // 1990-01-01
constexpr Date kPlausibleDatesEnd = 109940;   // 2201-01-01, the first date past them
// A date a recording can carry; false for NaN.
inline bool plausibleTime(Date d) { return d >= kFirstPlausibleDate && d < kPlausibleDatesEnd; }
// Dates a PC clock can say, also one that is wrong (no clock battery): 1900 .. 9999.
constexpr Date kFirstClockDate = 2;
constexpr Date kLastClockDate = 2958465;
// A header that can start a section: an accepted version and values a
// recording can have, dated by the PC clock when the file was opened for
// recording, which may have been wrong. Used to find the next section behind damage.
bool plausibleSection(const fileSection& h);

// Whether the record bytes at p are a reading: the program writes every
// record with the PC's date, and never a date outside 1990-2200 (it records no
// reading while the clock says one). Count, timer and temperature decide
// nothing: a controller's count may go back or jump, a clock may be set back.
inline bool recordIsReading(const void* p) { return plausibleTime(unpackDate(p)); }

// Degrees Celsius of a raw temperature; kNoTemperature for kRawNoSensor in
// either coding. byteCoded (detector types from kNewFrameDetectorVer on): the
// low byte counts; kByteNoSensor there is no sensor, any other byte is taken
// as a signed byte, plus 40, halved. Otherwise the raw value is half degrees.
inline float temperatureOf(int16_t raw, bool byteCoded) {
  if (raw == kRawNoSensor) return kNoTemperature;
  if (!byteCoded) return raw / 2.0f;
  const auto byte = uint8_t(raw & 0xFF);
  if (byte == kByteNoSensor) return kNoTemperature;
  return (int8_t(byte) + 40) / 2.0f;
}
inline bool validTemperature(float t) { return t != kNoTemperature && t != kNoTemperatureOld; }
