#include "core/util/tick_helpers.h"

#include <QDateTime>
#include <cmath>

#include "core/util/format_pattern.h"
#include "core/globals.h"
#include "core/util/number_text.h"
#include "platform/tick_clock.h"

namespace {
constexpr double kTwo32 = 4294967296.0;
constexpr int64_t kFileTimeUnixEpoch = 116444736000000000LL;  // 1970-01-01 in 100 ns since 1601
int64_t (*g_fileTimeClock)() = nullptr;
}  // namespace

double uLongToDouble(int32_t value) { return static_cast<double>(static_cast<uint32_t>(value)); }

int32_t doubleToULong(double value) {
  if (std::isnan(value)) return 0;
  double r = std::fmod(roundHalfEven(value), kTwo32);
  if (r < 0) r += kTwo32;
  return static_cast<int32_t>(static_cast<uint32_t>(r));
}

double msElapsed(int32_t start, int32_t end) {
  return static_cast<double>(static_cast<uint32_t>(end) - static_cast<uint32_t>(start));
}

double tickDiff(int32_t a, int32_t b) { return msElapsed(a, b); }

double recordLapTime(int16_t& lapId, int16_t op) {
  if (op == 1) {
    if (lapId == -1) {
      int i = 0;
      while (i < lapIds.size() && lapIds[i] != 0 && lapIds[i] != 4) ++i;
      lapId = static_cast<int16_t>(i);
    }
    if (lapId >= lapIds.size()) {
      if (lapId > lapMax) {
        lapId = -1;
      } else {
        lapIds.resize(lapId + 1);
        lapTimes.resize(lapId + 1);
      }
    }
    if (lapId < 0) lapId = -1;
    if (lapId >= 0) {
      lapTimes[lapId] = timeGetTime();
      lapIds[lapId] = 1;
    }
    return lapId;
  }
  if (lapId < 0 || lapId >= lapIds.size()) return -1;
  double t = lapTimes[lapId];
  if (lapIds[lapId] != 3) t = roundHalfEven(msElapsed(lapTimes[lapId], timeGetTime()));
  // Elapsed times above 2^31 ms would not fit the table; they are not real laps.
  if (op == 3) lapTimes[lapId] = static_cast<int32_t>(std::min(t, 2147483647.0));
  lapIds[lapId] = op;
  return t / 1000;
}

int64_t systemTimeAsFileTime() {
  if (g_fileTimeClock) return g_fileTimeClock();
  return QDateTime::currentMSecsSinceEpoch() * 10000 + kFileTimeUnixEpoch;
}

void setFileTimeClockForTests(int64_t (*clock)()) { g_fileTimeClock = clock; }

int64_t fileTimeClock(int32_t cmd, clockRecord& clock) {
  const int64_t now = (cmd & 16) ? systemTimeAsFileTime() : 0;
  if (cmd & 32) clock.markLast = now;
  int64_t result = 0;
  switch (cmd & 15) {
    case 0: result = int64_t(clock.lastCmd) * 10000; break;
    case 1: result = now; break;
    case 2: result = clock.markLast; break;
    case 3: result = clock.markLap; break;
    case 4: result = clock.markStart; break;
    case 5: result = now - clock.markLast; break;
    case 6: result = now - clock.markLap; break;
    case 7: result = now - clock.markStart; break;
    case 8: result = clock.markLast - clock.markLap; break;
    case 9: result = clock.markLast - clock.markStart; break;
    default: break;
  }
  if (cmd & 64) clock.markLap = clock.markLast;
  if (cmd & 128) clock.markStart = clock.markLast;
  if (cmd != 0) clock.lastCmd = cmd;
  return result;
}

QString timeStampMs() {
  const uint32_t ticks = static_cast<uint32_t>(timeGetTime());
  return generalDate(dateNow()) + QStringLiteral("  ") +
         formatNumber((ticks % 100000) / 1000, QStringLiteral("00")) + u'.' +
         formatNumber(ticks % 1000, QStringLiteral("000"));
}
