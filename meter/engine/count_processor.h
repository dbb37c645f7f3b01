#pragma once
// The arithmetic of the meter count processor: one reading and the state left
// by the one before become counts, seconds per count, power and the register.
// It is the one place a reading's values come from: the meter session
// (meter_session.h) records, shows and announces what it gives.

#include <QString>
#include <cstdint>

#include "meter/record/reading.h"
#include "meter/record/zav_format.h"

// Running state of the processor between readings.
struct CountProcessorState {
  bool hasPrevious = false;  // a reading since the last reset (its count may be 0)
  int32_t lastCount = 0;
  int32_t lastTimer = 0;
  int32_t lastResetCount = 0;
  int32_t lastTicks = 0;
  double lastElapsedTcks = 0;
  int64_t totalCounts = 0;  // wider than the controller's count: never wraps in practice
  double clockRatioSamples = 0;
  double clockRatioSum = 0;
};

// What the settings and the PC clock add to a reading.
struct CountInputs {
  int32_t pcTick = 0;  // millisecond tick of this reading
  double ticksPerSec = 0;
  double WsPerCount = 0;
  int32_t detectorVer = 0;
  bool sampleClock = false;    // a controller (interface type 2 on): compare its clock with the PC's
  bool firstOfPeriod = false;  // the first reading since going on-line
  double energyWh = 0;         // the register before the reading
};

// What one reading gives.
struct CountValues {
  CountProcessorState next;
  double elapsedTcks = 0;  // PC milliseconds since the previous reading
  double deltaElapsedTicks = 0;
  int32_t elapsedCounts = 0;
  double elapsedTimer = 0;
  double elapsedSeconds = 0;
  double secondsPerCount = 0;  // 0: no new count
  float tempDegC = kNoTemperature;
  bool clockStarted = false;  // the first clock-ratio sample was taken
  double clockRatioMean = 0;
  double energyWh = 0;  // the register after the reading
  bool rateValid = false;
  double power = 0;  // W of a valid rate
};

// The arithmetic of one reading, without side effects.
CountValues computeReading(const CountProcessorState& previous, const Reading& reading, const CountInputs& in);
// The register after counts; wraps from above 1999999999 Wh.
double registerAfter(double energyWh, double WsPerCount, int32_t counts);
// A rate the panel shows and takes as the new power: 0.00009 .. 3600 s per count.
bool validRate(double secondsPerCount);
// Rounds half to even into 32 bits, clamping what does not fit (NaN: 0).
int32_t roundClamped(double v);
// Volts of a raw voltage reading (0 when there is none).
double voltsOf(int16_t raw);
