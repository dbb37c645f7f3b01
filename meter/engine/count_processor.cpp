#include "meter/engine/count_processor.h"

#include <cmath>

#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/util/format_pattern.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"
#include "core/util/tick_helpers.h"
#include "meter/engine/meter_display.h"
#include "meter/engine/meter_state.h"
#include "meter/engine/pulse_width.h"
#include "meter/meter_events.h"
#include "meter/record/data_file.h"
#include "platform/tick_clock.h"

namespace {

constexpr uint32_t kHalfRange = 0x80000000u;
constexpr int32_t kMaxTimerMs = 65535;
constexpr double kRegisterWrap = 2000000000.0;
constexpr double kMaxClockSamples = 1000;

CountProcessorState s;
bool g_inReading = false;

// Marks the span of one reading's processing.
struct ReadingScope {
  ReadingScope() { g_inReading = true; }
  ~ReadingScope() { g_inReading = false; }
};

void armIdleTimer(int32_t countdownMs) {
  emit meterEvents().idleTimerRequested(countdownMs > 0 ? std::min(countdownMs, kMaxTimerMs) : 0);
}

QString hexOf(int32_t v) { return QString::number(uint32_t(v), 16).toUpper(); }

// The controller's clock against the PC's, and the supply voltage, for the
// setup window's pulse details.
QString controllerText(const CountValues& v, const Reading& r) {
  QString text;
  if (v.clockStarted) text = QStringLiteral("start calculating zavCLK/cpuCLK\n");
  text += QStringLiteral("zavCLK/cpuCLK Avg[") + strPlain(v.next.clockRatioSamples) + QStringLiteral("] = ") +
          QString::number(float(v.clockRatioMean), 'g', 7) + QStringLiteral("\nresetCnt=") +
          hex2(r.resetCount) + QStringLiteral("  volt=") + formatNumber(voltsOf(r.voltage), QStringLiteral("+00.00"));
  return text;
}

// The level-3 text of one reading, up to its data-file lines.
QString diagnosticText(int32_t thisTicks, const Reading& r, const CountValues& v) {
  const QString kPic = QStringLiteral("  (from 16us resolution PIC-Timer)\n");
  const QString kMicro = QStringLiteral("#,0.000 000");
  const QString kInt = QStringLiteral("#,0");
  QString t;
  t.reserve(768);
  t += QStringLiteral("newMeterCount:\n    thisTicks=") + formatNumber(thisTicks, kInt);
  t += QStringLiteral("\n  elapsedTcks=") + formatNumber(v.elapsedTcks, kInt);
  t += QStringLiteral("\n  deltaElapsedTicks=") + formatNumber(v.deltaElapsedTicks, QStringLiteral("+#,0;-#,0"));
  t += QStringLiteral("\n\n  thisCount=") + formatNumber(r.count, kInt) + QStringLiteral("  hex=") + hexOf(r.count);
  t += QStringLiteral("\n  elapsedCounts=") + formatNumber(v.elapsedCounts, kInt);
  t += QStringLiteral("\n  thisTimer=") + formatNumber(r.ticks, kInt) + QStringLiteral("  hex=") + hexOf(r.ticks);
  t += QStringLiteral("\n  elapsedTimer=") + formatNumber(v.elapsedTimer, kInt);
  t += QStringLiteral("\n  elapsedSeconds=") + formatNumber(v.elapsedSeconds, kMicro) + kPic;
  t += QStringLiteral("  secondsPerCount=") + formatNumber(v.secondsPerCount, kMicro) + kPic;
  t += QStringLiteral("  thisTemp=") + hex4(r.temperature);
  t += QStringLiteral("\n  tempDegC=") + formatNumber(v.tempDegC, QStringLiteral("#,0.0°C"));
  t += QStringLiteral("\n  thisResetCount=") + formatNumber(r.resetCount, kInt);
  t += QStringLiteral("\n  thisVoltCount=") + formatNumber(r.voltage, kInt);
  t += QStringLiteral("\n  frameStatus=") + QString::number(r.status) + u'\n';
  return t;
}

// The reading as the open section's next record. Every change of the reset
// count starts a section, also a change to 0; a new section takes the
// reading's reset count and voltage.
bool appendReading(const Reading& r) {
  fileSection& h = zavOutDat.header;
  if (h.records > 0 && r.resetCount != h.resetCount && !endOutSection(readingTime)) return false;
  if (h.records == 0) {
    h.resetCount = r.resetCount;
    h.voltCount = r.voltage;
  }
  zavOutDat.record.count = r.count;
  zavOutDat.record.ticks = r.ticks;
  zavOutDat.record.temp = r.temperature;
  return appendOutRecord(readingTime);
}

// The reading into the open data file; false when none is open or the write failed.
bool record(const Reading& r, QString* text) {
  if (zavOutFile <= 0) return false;
  if (!appendReading(r)) {
    setFrame1Caption(QStringLiteral("Energy meter - ERROR writing data file"));
    return false;
  }
  if (text) {
    *text += QStringLiteral("  zavOutHeadPtr=") + QString::number(zavOutHeadPtr) +
             QStringLiteral("\n  zavOutRecPtr=") + QString::number(zavOutRecPtr) +
             QStringLiteral("\n  zavOutDat.header.records=") + QString::number(zavOutDat.header.records) + '\n';
  }
  return true;
}

// The panel and the live values of the web pages, from the values of this reading.
void show(const CountValues& v) {
  setLabel14(temperatureText(v.tempDegC));
  meterPanel.text8 = formatNumber(double(v.next.totalCounts), QStringLiteral("#,0"));
  setRegister(v.energyWh);
  showSecondsPerCount(v.secondsPerCount);
  setLiveValues(v.tempDegC);
}

void processReading(const Reading& r) {
  const int32_t thisTicks = timeGetTime();
  const CountInputs in{thisTicks, ticksPerSec, WsPerCount, ZAVdetectorVer, ifType >= 2, readingCount == 0, energyWh};
  const CountValues v = computeReading(s, r, in);
  s = v.next;
  elapsedTcks = v.elapsedTcks;
  // No serial port opened in this run (TCP only): no pulse width.
  const double pulseWidth = ifType == 1 ? analysePulseWidth(r.status)
                                        : (portBaudRate > 0 ? 400.0 / portBaudRate : 0.0);
  if (v.elapsedCounts > 0 && in.sampleClock && meterEvents().pulseDetailsWanted()) {
    emit meterEvents().pulseDetailsShown(controllerText(v, r));
  }

  const bool details = logShows(3);
  QString t = details ? diagnosticText(thisTicks, r, v) : QString();
  readingTime = dateNow();
  const ReadingScope scope;
  if (in.firstOfPeriod) {
    onlineStartTime = readingTime;
    setFrame1Caption(QStringLiteral("Energy meter - ONLINE ") + generalDate(onlineStartTime));
    if (details) t += QStringLiteral(" START");
  }
  // Past 2^31 readings the count stays put rather than wrapping to "first reading".
  if (readingCount < INT32_MAX) readingCount += 1;

  const bool written = record(r, details ? &t : nullptr);
  show(v);
  emit meterEvents().pulseIndicated(0.1, v.secondsPerCount, pulseWidth);
  if (details) logMsg(3, t);
  notifyMeterPanel();
  emit meterEvents().readingRecorded(r, written);

  if (maxUpdateInterval > 0) {
    lastCountTick = thisTicks;
    idleCountdownMs = roundClamped((maxUpdateInterval + v.elapsedSeconds) * 1000.0);
    armIdleTimer(idleCountdownMs);
  } else {
    armIdleTimer(0);
  }
}

}  // namespace

int32_t roundClamped(double v) {
  int32_t out = 0;
  if (roundToInt32(v, out)) return out;
  if (std::isnan(v)) return 0;
  return v > 0 ? INT32_MAX : INT32_MIN;
}

double registerAfter(double energyWh, double WsPerCount, int32_t counts) {
  energyWh += WsPerCount * counts / 3600.0;
  if (energyWh > kRegisterWrap - 1) energyWh -= kRegisterWrap;
  return energyWh;
}

bool validRate(double secondsPerCount) {
  const double single = double(float(secondsPerCount));
  return single >= 0.00009 && single <= 3600;
}

double voltsOf(int16_t raw) {
  if (raw == 0) return 0;
  double volt = raw * 5.0 / 1023.0;
  volt = volt + volt * 130.0 / 12.0;
  return volt * 0.995025 + 0.477612;
}

CountValues computeReading(const CountProcessorState& previous, const Reading& r, const CountInputs& in) {
  CountValues v;
  CountProcessorState& n = v.next;
  n = previous;
  v.elapsedTcks = msElapsed(previous.lastTicks, in.pcTick);
  v.deltaElapsedTicks = v.elapsedTcks - previous.lastElapsedTcks;
  n.lastTicks = in.pcTick;
  n.lastElapsedTcks = v.elapsedTcks;

  if (previous.hasPrevious) {
    const uint32_t diff = uint32_t(r.count) - uint32_t(previous.lastCount);
    if (diff < kHalfRange) v.elapsedCounts = int32_t(diff);
    v.elapsedTimer = msElapsed(previous.lastTimer, r.ticks);
    v.elapsedSeconds = v.elapsedTimer / in.ticksPerSec;
    v.tempDegC = temperatureOf(r.temperature, in.detectorVer >= kNewFrameDetectorVer);
  }
  if (v.elapsedCounts > 0) {
    v.secondsPerCount = v.elapsedSeconds / v.elapsedCounts;
    if (in.sampleClock && v.elapsedTcks != 0) {
      const double ratio = v.elapsedSeconds * 1000.0 / v.elapsedTcks;
      v.clockStarted = n.clockRatioSamples < 1;
      if (n.clockRatioSamples < kMaxClockSamples) {
        n.clockRatioSum += ratio;
        n.clockRatioSamples += 1;
      } else {
        n.clockRatioSum += (ratio - n.clockRatioSum / n.clockRatioSamples) / n.clockRatioSamples;
      }
      v.clockRatioMean = n.clockRatioSum / n.clockRatioSamples;
    }
  }
  n.hasPrevious = true;
  n.lastCount = r.count;
  n.lastTimer = r.ticks;
  n.lastResetCount = r.resetCount;
  n.totalCounts = in.firstOfPeriod ? 0 : previous.totalCounts + v.elapsedCounts;

  v.energyWh = registerAfter(in.energyWh, in.WsPerCount, v.elapsedCounts);
  v.rateValid = validRate(v.secondsPerCount);
  if (v.rateValid) v.power = in.WsPerCount / v.secondsPerCount;
  return v;
}

const CountProcessorState& countProcessorState() { return s; }

Date readingNow() { return g_inReading ? readingTime : dateNow(); }

void clearCountProcessor() { s = CountProcessorState{}; }

void newMeterCount(const Reading& reading, bool resetCountChanged) {
  if (resetCountChanged) {
    clearCountProcessor();
    return;
  }
  if (ticksPerSec > 0) processReading(reading);
  pulsePending = false;
  lastProcessTick = timeGetTime();
}

void showIdleRate(int32_t timerIntervalMs) {
  idleCountdownMs = int32_t(std::max<int64_t>(INT32_MIN, int64_t(idleCountdownMs) - timerIntervalMs));
  if (idleCountdownMs < 1) {
    const double seconds = std::round(msElapsed(lastCountTick, timeGetTime())) / 1000.0;
    showSecondsPerCount(seconds);
    emit meterEvents().powerBarRequested(seconds, 0);
    idleCountdownMs = roundClamped(maxUpdateInterval * 1000.0);
    notifyMeterPanel();
  }
  armIdleTimer(idleCountdownMs);
}

void pulseDetected() {
  static float totTurns = 0;
  static int32_t lastPulseTick = 0;
  const bool shown = logShows(1);
  QString t = QStringLiteral("pulseDetected: ");
  pulseDivCounter = int16_t(pulseDivCounter + 1);
  const int16_t divider = std::max<int16_t>(1, pulseDivider);
  if (pulseDivCounter % divider != 0) {
    t += QStringLiteral(" no count");
  } else {
    pulseDivCounter = 0;
    totTurns += 1;
    const int32_t now = timeGetTime();
    const double interval = msElapsed(lastPulseTick, now) / 1000.0;
    lastPulseTick = now;
    if (shown) {
      t += QStringLiteral(" totTurns=") + strPlain(totTurns) + QStringLiteral(" time=") +
           formatNumber(interval, QStringLiteral("#,0.000"));
    }
    emit meterEvents().pulseIndicated(0.1, 3.0, 1.0);
  }
  if (shown) logMsg(1, t);
}

void Timer1_Timer() {
  if (!meterOnline) pulseDetected();
}
