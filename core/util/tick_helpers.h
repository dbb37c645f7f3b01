#pragma once
// Unsigned 32-bit tick arithmetic, the lap timer and the system-time stopwatch.

#include <QString>
#include <cstdint>

// A 32-bit value read as unsigned.
double uLongToDouble(int32_t value);
// The same bit pattern back: 0..4294967295 in, signed out. Values outside that
// range are wrapped modulo 2^32; NaN gives 0.
int32_t doubleToULong(double value);
// end - start in milliseconds across one wrap of the 32-bit counter.
double msElapsed(int32_t start, int32_t end);
// b - a with both read as unsigned 32-bit values, plus 2^32 when b is below a.
double tickDiff(int32_t a, int32_t b);

// Lap timer over the global tables lapTimes/lapIds: op 1 starts a slot
// (lapId -1 picks a free one) and returns the slot; op 3 stops it (freezing the
// elapsed time), op 4 releases it, any other op reads it. Returns seconds, or -1.
double recordLapTime(int16_t& lapId, int16_t op);

// Stopwatch marks: system time as 100 ns units since 1601-01-01 UTC, read as
// a fixed-point number of milliseconds with four decimals (raw / 10000).
struct clockRecord {
  int32_t lastCmd = 0;
  int64_t markStart = 0;
  int64_t markLap = 0;
  int64_t markLast = 0;
};
// cmd bits: 16 read the clock, 32 set the last mark, 64 lap := last,
// 128 start := last; cmd & 15 selects the result (see the .cpp).
// The result is in the same fixed-point units (divide by 10000 for ms).
int64_t fileTimeClock(int32_t cmd, clockRecord& clock);
inline double fixedToMs(int64_t v) { return static_cast<double>(v) / 10000.0; }
// The present system time as a FILETIME count; tests may replace it.
int64_t systemTimeAsFileTime();
void setFileTimeClockForTests(int64_t (*clock)());

// Present date-time, two blanks, and the tick counter's "ss.mmm" within its current 100 s.
QString timeStampMs();
