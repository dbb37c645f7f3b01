#pragma once
// An independent generator of controller frames for tests: its own copies of
// the line-code tables and a byte-wise reflected CRC-8 (poly 0x07, init 0).

#include <QByteArray>
#include <cstdint>
#include <vector>

namespace frames {

inline const uint8_t kOld[16] = {0xAA, 0xA9, 0xA6, 0xA5, 0x9A, 0x99, 0x96, 0x95,
                                 0x6A, 0x69, 0x66, 0x65, 0x3A, 0x39, 0x36, 0x35};
inline const uint8_t kNew[16] = {0x17, 0x1B, 0x1D, 0x1E, 0x27, 0x2B, 0x2D, 0x2E,
                                 0x47, 0x4B, 0x4D, 0x4E, 0x87, 0x8B, 0x8D, 0x8E};

inline uint8_t crc8(const std::vector<uint8_t>& data) {
  uint8_t crc = 0;
  for (uint8_t b : data) {
    crc ^= b;
    for (int i = 0; i < 8; ++i) crc = (crc & 1) ? uint8_t((crc >> 1) ^ 0xE0) : uint8_t(crc >> 1);
  }
  return crc;
}

inline void le(std::vector<uint8_t>& d, uint64_t v, int n) {
  for (int i = 0; i < n; ++i) d.push_back(uint8_t(v >> (8 * i)));
}

inline void code(QByteArray& out, const uint8_t* table, uint8_t b) {
  out.append(char(table[b & 15]));
  out.append(char(table[b >> 4]));
}

struct NewFrame {
  uint16_t pgmID = 24840;
  uint16_t txID = 0x1234;
  uint32_t count = 1;
  uint32_t ticks = 0;
  uint8_t temp1 = 0x80;
  uint8_t temp2 = 0x80;
  uint8_t volt = 0;
  uint8_t status = 0;
  bool secondMarker = false;
  bool badFcs = false;

  std::vector<uint8_t> data() const {
    std::vector<uint8_t> d;
    le(d, pgmID, 2);
    le(d, txID, 2);
    le(d, count, 4);
    le(d, ticks, 4);
    d.push_back(temp1);
    d.push_back(temp2);
    d.push_back(volt);
    d.push_back(status);
    return d;
  }
  QByteArray bytes() const {
    QByteArray out = secondMarker ? QByteArray("\xA9\x63", 2) : QByteArray("\x36\x9A", 2);
    const auto d = data();
    for (uint8_t b : d) code(out, kNew, b);
    code(out, kNew, uint8_t(crc8(d) ^ (badFcs ? 1 : 0)));
    out.append(char(0xCC));
    return out;
  }
};

struct OldFrame {
  uint16_t txID = 7;
  uint32_t count = 1;
  uint32_t ticks = 0;
  uint16_t temp = 40;
  uint8_t status = 0;
  uint16_t pgmID = 24000;
  bool badSum = false;

  QByteArray bytes() const {
    std::vector<uint8_t> d;
    le(d, txID, 2);
    le(d, count, 4);
    le(d, ticks, 4);
    le(d, temp, 2);
    d.push_back(status);
    le(d, pgmID, 2);
    uint8_t sum = 0;
    for (uint8_t b : d) sum = uint8_t(sum + b);
    d.push_back(uint8_t(sum + (badSum ? 1 : 0)));
    QByteArray out("\\N");
    for (uint8_t b : d) code(out, kOld, b);
    out.append('Z');
    return out;
  }
};

}  // namespace frames
