#pragma once
// An independent writer of data-file bytes for tests: fields pushed one by one,
// lowest byte first, without the program's own packing code.

#include <QByteArray>
#include <cstdint>
#include <cstring>

#include "support/link_processes.h"  // readTextFile, writeTextFile

struct ZavBytes {
  QByteArray b;
  ZavBytes& i16(int v) {
    for (int i = 0; i < 2; ++i) b.append(char((uint32_t(v) >> (8 * i)) & 0xFF));
    return *this;
  }
  ZavBytes& i32(int64_t v) {
    for (int i = 0; i < 4; ++i) b.append(char((uint64_t(v) >> (8 * i)) & 0xFF));
    return *this;
  }
  ZavBytes& date(double d) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    for (int i = 0; i < 8; ++i) b.append(char((bits >> (8 * i)) & 0xFF));
    return *this;
  }
  // A 38-byte section header.
  ZavBytes& header(double start, int records, int resetCount = 0, int version = 1003000, int volt = 0) {
    return date(start)
        .i32(version)
        .i32(24840)
        .i32(0)
        .i32(62500)
        .i32(1200)
        .i32(resetCount)
        .i16(volt)
        .i32(records);
  }
  // An 18-byte record.
  ZavBytes& record(double t, int64_t count, int64_t ticks, int temp = 0) {
    return date(t).i32(count).i32(ticks).i16(temp);
  }
};
