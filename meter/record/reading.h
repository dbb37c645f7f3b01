#pragma once
// One reading of the meter as a receiver hands it to the session, which counts
// it and hands it to the recorder; and the arithmetic of counts, which the live
// reading, the register continued from stored records and the chart's points
// share.

#include <cstdint>

struct Reading {
  int32_t count = 0;         // the controller's running count (unsigned bit pattern)
  int32_t ticks = 0;         // the controller's timer (unsigned bit pattern)
  int16_t temperature = 0;   // raw, coded by detector type (see temperatureOf)
  int16_t voltage = 0;       // raw voltage reading, 0 = none, -32768 = not reported
  int16_t status = 0;        // status byte
  int32_t resetCount = 0;    // the controller's reset count
};

// A plain pulse device reports neither temperature nor voltage.
constexpr int16_t kNotReported = -32768;

// The counts from `last` to `now` of the controller's running count, across its
// wrap; a difference of 2^31 or more is a count that went back: no counts.
constexpr uint32_t countsBetween(uint32_t last, uint32_t now) {
  const uint32_t diff = now - last;
  return diff < 0x80000000u ? diff : 0;
}

// Energy in Wh of `counts` counts of wsPerCount watt-seconds each.
constexpr double countEnergyWh(double wsPerCount, double counts) { return wsPerCount * counts / 3600.0; }

// Power in W of `counts` counts of wsPerCount watt-seconds each over `ticks` of a
// clock that runs ticksPerSec. A rate of one count per s seconds is
// countPower(wsPerCount, 1, s, 1); the PC clock's whole seconds take ticksPerSec 1.
constexpr double countPower(double wsPerCount, double counts, double ticks, double ticksPerSec) {
  return wsPerCount * counts * ticksPerSec / ticks;
}
