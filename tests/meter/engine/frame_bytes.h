#pragma once
// Controller frames for the engine's tests, from the simulator's independent builder
// (tools/zav_frames.h), as transmitter 0x1234 with reset count 0 sends them.

#include "tools/zav_frames.h"

namespace frames {

inline zavsim::Reading reading(uint32_t count, uint32_t ticks = 0) {
  zavsim::Reading r{.txID = 0x1234, .count = count, .ticks = ticks, .status = 0};
  return r;
}

inline QByteArray frame(uint32_t count, uint32_t ticks = 0) {
  return zavsim::newFrame(reading(count, ticks));
}

// The same frames with a wrong check byte.
inline QByteArray newFrameBadFcs(const zavsim::Reading& r) {
  const QByteArray d = zavsim::newFrameData(r);
  return QByteArray("\x36\x9A", 2) + zavsim::lineCode(d + char(zavsim::crc8(d) ^ 1), zavsim::kNewCode) +
         char(0xCC);
}

inline QByteArray oldFrameBadSum(const zavsim::Reading& r) {
  QByteArray d = zavsim::oldFrameData(r);
  d[d.size() - 1] = char(d.back() + 1);
  return "\\N" + zavsim::lineCode(d, zavsim::kOldCode) + 'Z';
}

}  // namespace frames
