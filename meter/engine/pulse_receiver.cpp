#include "meter/engine/pulse_receiver.h"

#include <QTime>
#include <chrono>
#include <cmath>

#include "core/util/tick_helpers.h"
#include "platform/tick_clock.h"

int64_t perfCounterNow() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void PulseReceiver::noteReceiveEvent() {
  if (m_count != 0) return;
  m_startPerfCount = perfCounterNow();
  m_startFileTime = systemTimeAsFileTime();
  m_count = 1;
}

// Milliseconds by the clock the timer type selects.
double PulseReceiver::clockMs(int16_t timerType) const {
  switch (timerType) {
    case 0: return QTime::currentTime().msecsSinceStartOfDay();
    case 1:
    case 2: return uLongToDouble(timeGetTime());
    case 3: return double(systemTimeAsFileTime() - m_startFileTime) / 10000.0;
    case 4: return double(perfCounterNow() - m_startPerfCount) / 1e6;
    default: return 0;
  }
}

std::optional<Reading> PulseReceiver::arrive(QByteArrayView data, const Rules& rules) {
  const double t = clockMs(rules.timerType);
  const double ticksExact = std::round(t * rules.ticksPerSec / 1000.0);
  const auto ticks = std::isfinite(ticksExact) && std::fabs(ticksExact) < 9.2e18 ? int64_t(ticksExact) : 0;
  const auto timer = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(ticks)));
  m_elapsedTimerTicks = msElapsed(m_lastTicks, timer);
  m_bytes.append(data);
  const qsizetype n = m_bytes.size();
  m_buffered = n;
  const int perCount = rules.prescale > 0 ? rules.prescale : 1;
  if (n < perCount) return std::nullopt;
  const auto status = int16_t(static_cast<unsigned char>(m_bytes.at(0)));
  m_bytes = m_bytes.right(n % perCount);
  const int32_t count = int32_t(uint32_t(n / perCount) + uint32_t(m_count));
  m_elapsedCounts = int32_t(uint32_t(count) - uint32_t(m_count));
  m_lastTicks = timer;
  m_count = count;
  return Reading{.count = count,
                 .ticks = timer,
                 .temperature = kNotReported,
                 .voltage = kNotReported,
                 .status = status,
                 .resetCount = 1};
}
