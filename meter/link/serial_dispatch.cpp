#include "meter/link/serial_dispatch.h"

#include <QTime>
#include <chrono>
#include <cmath>
#include <limits>

#include "core/util/format_pattern.h"
#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/util/text_helpers.h"
#include "core/util/tick_helpers.h"
#include "meter/engine/count_processor.h"
#include "meter/engine/frame_parser.h"
#include "meter/engine/meter_state.h"
#include "meter/link/link_state.h"
#include "meter/link/serial_port.h"
#include "meter/meter_events.h"
#include "platform/comm_link.h"
#include "platform/tick_clock.h"

int32_t pulseCount = 0;
int32_t lastPulseTicks = 0;

namespace {
constexpr int32_t kCounterModulus = 1000000;
constexpr int kKindOther = 11;
constexpr int kKindIgnored = 12;
constexpr qsizetype kSensorFrameBits = 40;
constexpr qsizetype kSensorKeepBytes = 200;
constexpr int32_t kSensorGapMs = 70000;
const QString kSensorPreamble = QStringLiteral("10100000");

int64_t g_startFileTime = 0;   // 100-ns units
int64_t g_startPerfCount = 0;  // ns of the performance counter at the first receive event
int32_t g_lastSensorTick = 0;
// Each receiver keeps its own bytes: plain pulses not yet counted, sensor bits not yet decoded.
QByteArray g_pulseBytes;
QByteArray g_sensorBytes;

// Bytes that never make a valid frame (a wrong interface type): when the first such byte
// came, and whether the user was told.
constexpr int32_t kNoFrameWarnMs = 10000;
int32_t g_noFrameSince = 0;
bool g_noFrameSinceSet = false;
bool g_noFrameWarned = false;

int kindOf(int event) {
  switch (event) {
    case comEv::kSend: return 1;
    case comEv::kReceive: return 2;
    case comEv::kFrame: return 3;
    case comEv::kBreak: return 4;
    case comEv::kOverrun: return 5;
    case comEv::kRxOver: return 6;
    case comEv::kCTS: return 7;
    case comEv::kDSR: return 8;
    case comEv::kCD: return 9;
    case comEv::kRing: return 10;
    default: return kKindOther;
  }
}

// The high-resolution counter in nanoseconds (frequency 1e9).
int64_t perfCounterNow() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// Milliseconds by the clock the timer type selects.
double pulseClockMs() {
  switch (timerType) {
    case 0: return QTime::currentTime().msecsSinceStartOfDay();
    case 1:
    case 2: return uLongToDouble(timeGetTime());
    case 3: return double(systemTimeAsFileTime() - g_startFileTime) / 10000.0;
    case 4: return double(perfCounterNow() - g_startPerfCount) / 1e6;
    default: return 0;
  }
}

// Counts the event by kind; the COM-status boxes show the total and the kind.
void countEvent(int kind) {
  comEventCounters[kind] = (comEventCounters[kind] + 1) % kCounterModulus;
  if (!advancedFunctions) return;
  emit meterEvents().comEventCounted(0);
  emit meterEvents().comEventCounted(kind);
}

void capturePerformanceCounter() {
  if (dcdCount < 0 || dcdCount >= dcdTimes.size()) return;
  dcdTimes[dcdCount] = perfCounterNow();
  ++dcdCount;
}

void plainPulses(const QByteArray& data, QString& text) {
  const double t = pulseClockMs();
  const double ticksExact = std::round(t * ticksPerSec / 1000.0);
  const auto ticks = std::isfinite(ticksExact) && std::fabs(ticksExact) < 9.2e18 ? int64_t(ticksExact) : 0;
  const auto timer = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(ticks)));
  const double elapsedTimerTicks = msElapsed(lastPulseTicks, timer);
  QByteArray& buffer = g_pulseBytes;
  buffer.append(data);
  const qsizetype n = buffer.size();
  const int perCount = prescale > 0 ? prescale : 1;
  if (n >= perCount) {
    const auto status = int16_t(static_cast<unsigned char>(buffer.at(0)));
    buffer = buffer.right(n % perCount);
    const int32_t count = int32_t(uint32_t(n / perCount) + uint32_t(pulseCount));
    const Reading reading{count, timer, kNotReported, kNotReported, status, 1};
    storeLatestReading(reading);
    // Beyond the 32-bit range the interval is simply the largest one.
    const double minExact = std::floor(minUpdateInterval * 1000.0);
    const int64_t minMs = minExact > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                          : minExact > 0                                 ? int64_t(minExact)
                                                                         : 0;
    const auto since = int64_t(msElapsed(lastProcessTick, timeGetTime()));
    emit meterEvents().idleTimerRequested(0);
    if (since >= minMs) {
      if (logShows(4)) {
        logMsg(4, QStringLiteral("MSComm1_OnComm: timerTicks=") + QString::number(timer) +
                      QStringLiteral("   elapsedTimerTicks=") + formatNumber(elapsedTimerTicks, "#,0") +
                      QStringLiteral("   buffLen=") + QString::number(n) + QStringLiteral("   count=") +
                      QString::number(count) + QStringLiteral("   elapsedCounts=") +
                      QString::number(int32_t(uint32_t(count) - uint32_t(pulseCount))) +
                      QStringLiteral("   frameStatus=") + QString::number(status));
      }
      newMeterCount(reading);
    } else if (minMs > 0) {
      const int64_t countdown = minMs - since;
      if (countdown > 0) {
        // The pulse waits for the idle timer, which takes at most 65535 ms.
        pulsePending = true;
        idleCountdownMs = int32_t(countdown);
        emit meterEvents().idleTimerRequested(int(std::min<int64_t>(countdown, 65535)));
      }
    }
    lastPulseTicks = timer;
    pulseCount = count;
    text += QStringLiteral("  (ifType = 1) Data received.  buffLen=") + QString::number(n) +
            QStringLiteral("  frameStatus=") + QString::number(status);
  } else {
    text += QStringLiteral("  (ifType = 1) Data received.  buffLen=") + QString::number(n) +
            QStringLiteral("  frameStatus=");
  }
  logMsg(3, text);
}

QChar sensorBit(unsigned char b) {
  switch (b) {
    case 0x00:
    case 0x80: return u'0';
    case 0xC0:
    case 0xE0:
    case 0xF0:
    case 0xF8:
    case 0xFC: return u'1';
    default: return u'.';
  }
}
}  // namespace

QStringList decodeSensorBytes(QByteArray& buffer, QByteArrayView input, int32_t baud) {
  QStringList shown;
  buffer.append(input);
  for (;;) {
    qsizetype n = buffer.size();
    if (n < kSensorFrameBits) break;
    if (n > kSensorKeepBytes) {
      buffer = buffer.right(kSensorKeepBytes);
      n = buffer.size();
    }
    QString bits;
    bits.reserve(n);
    for (const char c : std::as_const(buffer)) {
      bits.append(baud == 9600 ? sensorBit(static_cast<unsigned char>(c)) : QChar(u'.'));
    }
    const qsizetype p = bits.indexOf(kSensorPreamble);  // 0-based
    if (p < 0) {
      buffer = buffer.right(7);
      continue;
    }
    if (p + kSensorFrameBits > n) {
      buffer = buffer.mid(p);
      continue;
    }
    const qsizetype dot = bits.indexOf(u'.', p + 8);
    if (dot >= 0 && dot < p + kSensorFrameBits) {
      buffer = buffer.mid(dot + 1);
      continue;
    }
    const QString frame = bits.mid(p, kSensorFrameBits);
    auto field = [&](int from, int len) { return binTextToValue(frame.mid(from - 1, len)); };
    int sum = 0;
    for (int g = 0; g < 9; ++g) sum += field(1 + 4 * g, 4);
    if (sum % 16 != field(37, 4)) {
      buffer = buffer.mid(p + 8);
      continue;
    }
    const double temperature = field(17, 4) * 10 + field(21, 4) + field(25, 4) * 0.1 - 50;
    if (temperature > -200 && temperature < 200) {
      shown.append(formatNumber(temperature, QStringLiteral("+#,0.0;-#,0.0")) + QStringLiteral(" °C"));
    } else {
      shown.append(QStringLiteral("Error"));
    }
    buffer = buffer.mid(p + kSensorFrameBits);
  }
  return shown;
}

namespace {
// Controller frames: the parser takes the bytes; bytes that for some seconds never make
// a valid frame point the user at the interface type.
void controllerBytes(const QByteArray& data) {
  const int64_t framesBefore = serialFrameReceiver().counters().framesOk;
  zavDataArrival(data);
  if (!meterOnline) return;
  if (serialFrameReceiver().counters().framesOk != framesBefore) {
    g_noFrameSinceSet = g_noFrameWarned = false;
    return;
  }
  const int32_t now = timeGetTime();
  if (!g_noFrameSinceSet) {
    g_noFrameSince = now;
    g_noFrameSinceSet = true;
    return;
  }
  if (g_noFrameWarned || msElapsed(g_noFrameSince, now) < kNoFrameWarnMs) return;
  g_noFrameWarned = true;
  const QString text = QStringLiteral("Bytes but no valid frame at COM") + QString::number(comPort) +
                       QStringLiteral(" for ") + QString::number(kNoFrameWarnMs / 1000) +
                       QStringLiteral(" s: check the interface type in Setup");
  logMsg(2, QStringLiteral("MSComm1_OnComm: WARNING ") + text);
  LinkStatus status = linkStatus();
  status.caption = QStringLiteral("Energy meter - ") + text;
  status.captionColour = kColorRed;
  showLinkStatus(status);
}
}  // namespace

void resetSerialReceivers() {
  g_pulseBytes.clear();
  g_sensorBytes.clear();
  g_noFrameSinceSet = g_noFrameWarned = false;
}

void handleSerialEvent() {
  CommLink& port = serialPort();
  const int ev = port.commEvent();
  if (protocolAnalyzerMode) {
    if (ev == comEv::kCD && dcdCaptureEnabled && meterOnline && dcdCount < maxDCDevents) {
      capturePerformanceCounter();
    }
    return;
  }
  comEventCounters[0] = (comEventCounters[0] + 1) % kCounterModulus;
  QString text;
  if (logShows(3)) {
    text = QStringLiteral("MSComm1_OnComm:  ") +
           formatDate(dateNow(), QStringLiteral("yyyy-mm-dd hh:nn:ss")) + QStringLiteral("  eventCnt=") +
           QString::number(comEventCounters[0]) + QStringLiteral("  comEvent=") + QString::number(ev);
  }
  int kind = kKindIgnored;
  if (meterOnline || comSearchActive) {
    kind = kindOf(ev);
    if (ev == comEv::kBreak && openIfType == 1) emit meterEvents().breakDetected();
    if (ev == comEv::kRxOver || ev == comEv::kOverrun) {
      // The driver lost bytes: the frame being gathered is broken; what waits is whole.
      logMsg(-1, QStringLiteral("MSComm1_OnComm: ERROR the driver lost received bytes (") +
                     (ev == comEv::kRxOver ? QStringLiteral("input buffer overflow")
                                           : QStringLiteral("receive overrun")) +
                     QStringLiteral(")"));
      serialFrameReceiver().clearBuffer();
      g_sensorBytes.clear();
    }
    if (ev == comEv::kReceive) {
      if (pulseCount == 0) {
        g_startPerfCount = perfCounterNow();
        g_startFileTime = systemTimeAsFileTime();
        pulseCount = 1;
      }
      switch (openIfType) {
        case 2:
        case 3: controllerBytes(port.input()); break;
        case 1: plainPulses(port.input(), text); break;
        case 4:
          if (tempReceiverMode) {
            const int32_t now = timeGetTime();
            if (msElapsed(g_lastSensorTick, now) > kSensorGapMs) g_sensorBytes.clear();
            g_lastSensorTick = now;
            for (const QString& t : decodeSensorBytes(g_sensorBytes, port.input(), sensorBaud)) {
              emit meterEvents().temperatureTextChanged(t);
            }
          }
          break;
        default: break;
      }
    }
  }
  countEvent(kind);
}

void clearComEventCounters(int16_t index) {
  if (index >= 1 && index <= 20) {
    comEventCounters[index] = 0;
    return;
  }
  for (int32_t& c : comEventCounters) c = 0;
}
