#pragma once
// The meter count processor: one reading (thisCount, thisTimer, ...) becomes
// counts, seconds per count, power, a data-file record and the live values.

#include <cstdint>

#include "core/util/date_value.h"

// resetCountChanged: clears the running state and drops this reading.
void newMeterCount(bool& resetCountChanged);
// Timer3 while no count arrives: keeps the shown rate falling.
void showIdleRate();
// Off-line simulation step of Timer1.
void pulseDetected();
void Timer1_Timer();

// Running state of the processor, exposed for the window's diagnostics and tests.
struct CountProcessorState {
  int32_t lastCount = 0;
  int32_t lastTimer = 0;
  int32_t lastResetCount = 0;
  int32_t lastTicks = 0;
  double lastElapsedTcks = 0;
  int64_t totalCounts = 0;  // wider than the controller's count: never wraps in practice
  double clockRatioSamples = 0;
  double clockRatioSum = 0;
};
const CountProcessorState& countProcessorState();

// "Now" for the work of one reading: its readingTime while newMeterCount runs
// (one clock reading per reading), else the present time.
Date readingNow();
