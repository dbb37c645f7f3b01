#pragma once
// The plain pulse device sends one byte per pulse: the receiver counts the
// bytes (prescale bytes make a count) and times each count by the clock the
// timer type selects, in controller ticks, so a count reads like a controller's.

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>
#include <optional>

#include "meter/record/reading.h"

// The high-resolution counter in nanoseconds (frequency 1e9).
int64_t perfCounterNow();

class PulseReceiver {
 public:
  // What the clocks need: the timer type's clock, ticks per second, bytes per count.
  struct Rules {
    int16_t timerType = 0;
    double ticksPerSec = 0;
    int16_t prescale = 1;
  };

  // The port's first receive event starts the clocks (whatever the interface type).
  void noteReceiveEvent();
  // The bytes of one receive event; a reading when they complete a count.
  // bufferedBytes: the bytes held before a count was taken from them.
  std::optional<Reading> arrive(QByteArrayView data, const Rules& rules);
  qsizetype bufferedBytes() const { return m_buffered; }
  // Controller ticks since the count before (for the diagnostics).
  double elapsedTimerTicks() const { return m_elapsedTimerTicks; }
  // Counts the last reading added.
  int32_t elapsedCounts() const { return m_elapsedCounts; }
  // Counts so far (1 once the port has received anything).
  int32_t count() const { return m_count; }
  // Forgets the bytes not yet counted.
  void clearBytes() { m_bytes.clear(); }

 private:
  double clockMs(int16_t timerType) const;

  QByteArray m_bytes;
  int32_t m_count = 0;
  int32_t m_lastTicks = 0;
  int64_t m_startFileTime = 0;   // 100-ns units
  int64_t m_startPerfCount = 0;  // ns of the performance counter at the first receive event
  qsizetype m_buffered = 0;
  int32_t m_elapsedCounts = 0;
  double m_elapsedTimerTicks = 0;
};
