#pragma once
// Controller frames built from their published layout alone, for the simulator and the
// tests: the new frame (36 9A, 17 coded pairs with a CRC-8, CC) and the old frame (5C 4E,
// 16 coded pairs with an additive checksum, 5A), plus the wireless sensor's bit stream.
// Deliberately independent of the program's own codec.

#include <QByteArray>
#include <QString>
#include <cmath>
#include <cstdint>

namespace zavsim {

// Code byte of each nibble value 0..15.
inline constexpr uint8_t kNewCode[16] = {0x17, 0x1B, 0x1D, 0x1E, 0x27, 0x2B, 0x2D, 0x2E,
                                         0x47, 0x4B, 0x4D, 0x4E, 0x87, 0x8B, 0x8D, 0x8E};
inline constexpr uint8_t kOldCode[16] = {0xAA, 0xA9, 0xA6, 0xA5, 0x9A, 0x99, 0x96, 0x95,
                                         0x6A, 0x69, 0x66, 0x65, 0x3A, 0x39, 0x36, 0x35};

// Reflected CRC-8, polynomial x^8 + x^2 + x + 1, initial 0, no final XOR, bit by bit.
inline uint8_t crc8(const QByteArray& bytes) {
  uint8_t crc = 0;
  for (const char ch : bytes) {
    crc ^= static_cast<uint8_t>(ch);
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? uint8_t((crc >> 1) ^ 0xE0) : uint8_t(crc >> 1);
  }
  return crc;
}

inline void putLE(QByteArray& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.append(char((value >> (8 * i)) & 0xFF));
}

// Each byte as the codes of its low nibble, then its high nibble.
inline QByteArray lineCode(const QByteArray& data, const uint8_t (&table)[16]) {
  QByteArray out;
  for (const char ch : data) {
    const auto b = static_cast<uint8_t>(ch);
    out.append(char(table[b & 0x0F]));
    out.append(char(table[b >> 4]));
  }
  return out;
}

struct Reading {
  uint16_t pgmID = 24840;  // the frame's field as published, not the program's constant
  uint16_t txID = 1;
  uint32_t count = 0;
  uint32_t ticks = 0;
  uint8_t temp1 = 0x80;  // new frame: (degrees * 2 - 40) as a signed byte; 0x80 = no sensor
  uint8_t temp2 = 0x80;
  uint8_t voltRaw = 0;  // 0 = none
  uint8_t status = 1;   // low nibble: reset count
  int16_t oldTemp = 0;  // old frame: degrees * 2
};

inline QByteArray newFrameData(const Reading& r) {
  QByteArray d;
  putLE(d, r.pgmID, 2);
  putLE(d, r.txID, 2);
  putLE(d, r.count, 4);
  putLE(d, r.ticks, 4);
  d.append(char(r.temp1));
  d.append(char(r.temp2));
  d.append(char(r.voltRaw));
  d.append(char(r.status));
  return d;
}

inline QByteArray newFrame(const Reading& r, bool secondMarker = false) {
  const QByteArray data = newFrameData(r);
  QByteArray f = secondMarker ? QByteArray::fromHex("a963") : QByteArray::fromHex("369a");
  f += lineCode(data + char(crc8(data)), kNewCode);
  f.append(char(0xCC));
  return f;
}

inline QByteArray oldFrameData(const Reading& r) {
  QByteArray d;
  putLE(d, r.txID, 2);
  putLE(d, r.count, 4);
  putLE(d, r.ticks, 4);
  putLE(d, static_cast<uint16_t>(r.oldTemp), 2);
  d.append(char(r.status));
  putLE(d, r.pgmID, 2);
  uint32_t sum = 0;
  for (const char ch : d) sum += static_cast<uint8_t>(ch);
  d.append(char(sum & 0xFF));
  return d;
}

inline QByteArray oldFrame(const Reading& r) {
  return QByteArray("\\N") + lineCode(oldFrameData(r), kOldCode) + QByteArray("Z");
}

// New-frame temperature byte for degrees Celsius (half-degree steps).
inline uint8_t newTempByte(double degrees) {
  const long v = std::lround(degrees * 2 - 40);
  return static_cast<uint8_t>(static_cast<int8_t>(v < -127 ? -127 : v > 127 ? 127 : v));
}

// Raw voltage reading that the program turns back into about this many volts.
inline uint8_t voltRawFor(double volts) {
  const double v = (volts - 0.477612) / 0.995025;  // before the calibration line
  const double atPin = v / (1.0 + 130.0 / 12.0);   // before the divider
  const long raw = std::lround(atPin * 1023.0 / 5.0);
  return static_cast<uint8_t>(raw < 1 ? 1 : raw > 255 ? 255 : raw);
}

// The wireless sensor's 40-bit frame, one receiver byte per bit (0x00 low, 0xF0 high):
// preamble 10100000, ID (7 bits), flag, T1 T2 T3 (tens, units, tenths of degrees + 50),
// A1 A2, checksum = sum of the nine nibbles before it, modulo 16.
inline QByteArray sensorFrame(double degrees, int id = 0x2A) {
  const long tenths = std::lround((degrees + 50) * 10);
  const int t1 = int(tenths / 100 % 16), t2 = int(tenths / 10 % 10), t3 = int(tenths % 10);
  QString bits = QStringLiteral("10100000");
  auto put = [&](int v, int n) {
    for (int i = n - 1; i >= 0; --i) bits += ((v >> i) & 1) ? u'1' : u'0';
  };
  put(id, 7);
  put(0, 1);
  for (const int v : {t1, t2, t3, 5, 0}) put(v, 4);
  int sum = 0;
  for (int g = 0; g < 9; ++g) sum += bits.mid(4 * g, 4).toInt(nullptr, 2);
  put(sum % 16, 4);
  QByteArray out;
  for (const QChar c : bits) out.append(c == u'1' ? char(0xF0) : char(0x00));
  return out;
}

// Controller ticks between two counts at this power.
inline double ticksPerCount(double watts, double countsPerkWh, double ticksPerSec) {
  if (watts <= 0 || countsPerkWh <= 0) return 0;
  return 3600.0 * 1000.0 / (watts * countsPerkWh) * ticksPerSec;
}

}  // namespace zavsim
