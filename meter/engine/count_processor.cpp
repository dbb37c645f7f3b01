#include "meter/engine/count_processor.h"

#include <cmath>

#include "core/util/format_pattern.h"
#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"
#include "core/util/tick_helpers.h"
#include "meter/record/data_file.h"
#include "meter/engine/frame_codec.h"
#include "meter/link/link_state.h"
#include "meter/window/meter_display.h"
#include "meter/engine/meter_hooks.h"
#include "meter/engine/meter_state.h"
#include "meter/link/serial_dispatch.h"
#include "platform/tick_clock.h"
#include "plot/plot_requests.h"

namespace {

constexpr double kNoTemperature = -16384;
constexpr uint32_t kHalfRange = 0x80000000u;
constexpr int32_t kMaxTimerMs = 65535;

CountProcessorState s;
bool g_inReading = false;

// Marks the span of one reading's processing.
struct ReadingScope {
  ReadingScope() { g_inReading = true; }
  ~ReadingScope() { g_inReading = false; }
};

// Rounds half to even into 32 bits, clamping what does not fit.
int32_t clampRound(double v) {
  int32_t out = 0;
  if (roundToInt32(v, out)) return out;
  if (std::isnan(v)) return 0;
  return v > 0 ? INT32_MAX : INT32_MIN;
}

void armTimer3(int32_t countdownMs) {
  if (!meterHooks.setTimer3) return;
  meterHooks.setTimer3(false, 0);
  if (countdownMs > 0) meterHooks.setTimer3(true, std::min(countdownMs, kMaxTimerMs));
}

QString hexOf(int32_t v) { return QString::number(uint32_t(v), 16).toUpper(); }

// The controller's clock against the PC's, and the supply voltage, for the
// setup window's pulse details.
void controllerDiagnostics(double elapsedSeconds) {
  QString text;
  const bool show = bool(meterHooks.showPulseDetails);
  double mean = 0;
  if (elapsedTcks != 0) {
    const double ratio = elapsedSeconds * 1000.0 / elapsedTcks;
    if (s.clockRatioSamples < 1 && show) text = QStringLiteral("start calculating zavCLK/cpuCLK\n");
    if (s.clockRatioSamples < 1000) {
      s.clockRatioSum += ratio;
      s.clockRatioSamples += 1;
    } else {
      s.clockRatioSum += (ratio - s.clockRatioSum / s.clockRatioSamples) / s.clockRatioSamples;
    }
    mean = s.clockRatioSum / s.clockRatioSamples;
  }
  if (!show) return;
  double volt = 0;
  if (thisVoltCount != 0) {
    volt = thisVoltCount * 5.0 / 1023.0;
    volt = volt + volt * 130.0 / 12.0;
    volt = volt * 0.995025 + 0.477612;
  }
  text += QStringLiteral("zavCLK/cpuCLK Avg[") + strPlain(s.clockRatioSamples) + QStringLiteral("] = ") +
          QString::number(float(mean), 'g', 7) + QStringLiteral("\nresetCnt=") + hex2(thisResetCount) +
          QStringLiteral("  volt=") + formatNumber(volt, QStringLiteral("+00.00"));
  meterHooks.showPulseDetails(text);
}

double temperatureOf(int16_t raw) {
  if (ZAVdetectorVer < kNewFrameDetectorVer) return double(float(raw) / 2.0f);
  if (raw == 0x80) return kNoTemperature;
  const int signedByte = int8_t(uint8_t(raw & 0xFF));
  return (signedByte + 40) / 2.0;
}

}  // namespace

const CountProcessorState& countProcessorState() { return s; }

Date readingNow() { return g_inReading ? readingTime : dateNow(); }

void newMeterCount(bool& resetCountChanged) {
  if (resetCountChanged) {
    s = CountProcessorState{};
    return;
  }
  if (ticksPerSec > 0) {
    const int32_t thisTicks = timeGetTime();
    elapsedTcks = msElapsed(s.lastTicks, thisTicks);
    const double deltaElapsedTicks = elapsedTcks - s.lastElapsedTcks;
    s.lastTicks = thisTicks;
    s.lastElapsedTcks = elapsedTcks;

    double pulseWidth = 0;
    if (ifType == 1) {
      pulseWidth = analysePulseWidth(frameStatus);
    } else {
      // No serial port opened in this run (TCP only): no pulse width.
      pulseWidth = portBaudRate > 0 ? 400.0 / portBaudRate : 0.0;
    }

    int32_t elapsedCounts = 0;
    double elapsedTimer = 0;
    double elapsedSeconds = 0;
    double secondsPerCount = 0;
    double tempDegC = kNoTemperature;
    if (s.lastCount != 0) {
      const uint32_t diff = uint32_t(thisCount) - uint32_t(s.lastCount);
      if (diff < kHalfRange) elapsedCounts = int32_t(diff);
      elapsedTimer = msElapsed(s.lastTimer, thisTimer);
      elapsedSeconds = elapsedTimer / ticksPerSec;
      tempDegC = temperatureOf(thisTemp);
    }
    if (elapsedCounts > 0) {
      secondsPerCount = elapsedSeconds / elapsedCounts;
      if (ifType >= 2) controllerDiagnostics(elapsedSeconds);
    }
    s.lastCount = thisCount;
    s.lastTimer = thisTimer;

    const bool details = logShows(3);
    QString t;
    if (details) {
      const QString kPic = QStringLiteral("  (from 16us resolution PIC-Timer)\n");
      const QString kMicro = QStringLiteral("#,0.000 000");
      const QString kInt = QStringLiteral("#,0");
      t.reserve(768);
      t += QStringLiteral("newMeterCount:\n    thisTicks=");
      t += formatNumber(thisTicks, kInt);
      t += QStringLiteral("\n  elapsedTcks=");
      t += formatNumber(elapsedTcks, kInt);
      t += QStringLiteral("\n  deltaElapsedTicks=");
      t += formatNumber(deltaElapsedTicks, QStringLiteral("+#,0;-#,0"));
      t += QStringLiteral("\n\n  thisCount=");
      t += formatNumber(thisCount, kInt);
      t += QStringLiteral("  hex=");
      t += hexOf(thisCount);
      t += QStringLiteral("\n  elapsedCounts=");
      t += formatNumber(elapsedCounts, kInt);
      t += QStringLiteral("\n  thisTimer=");
      t += formatNumber(thisTimer, kInt);
      t += QStringLiteral("  hex=");
      t += hexOf(thisTimer);
      t += QStringLiteral("\n  elapsedTimer=");
      t += formatNumber(elapsedTimer, kInt);
      t += QStringLiteral("\n  elapsedSeconds=");
      t += formatNumber(elapsedSeconds, kMicro);
      t += kPic;
      t += QStringLiteral("  secondsPerCount=");
      t += formatNumber(secondsPerCount, kMicro);
      t += kPic;
      t += QStringLiteral("  thisTemp=");
      t += hex4(thisTemp);
      t += QStringLiteral("\n  tempDegC=");
      t += formatNumber(tempDegC, QStringLiteral("#,0.0°C"));
      t += QStringLiteral("\n  thisResetCount=");
      t += formatNumber(thisResetCount, kInt);
      t += QStringLiteral("\n  thisVoltCount=");
      t += formatNumber(thisVoltCount, kInt);
      t += QStringLiteral("\n  frameStatus=");
      t += QString::number(frameStatus);
      t += u'\n';
    }

    readingTime = dateNow();
    const ReadingScope scope;
    if (readingCount == 0) {
      s.totalCounts = 0;
      onlineStartTime = readingTime;
      setFrame1Caption(QStringLiteral("Energy meter - ONLINE ") + generalDate(onlineStartTime));
      if (details) t += QStringLiteral(" START");
    } else {
      s.totalCounts += elapsedCounts;
    }
    // Past 2^31 readings the count stays put rather than wrapping to "first reading".
    if (readingCount < INT32_MAX) readingCount += 1;

    if (zavOutFile > 0) {
      // Every change of the reset count starts a section, also a change to 0.
      bool ok = true;
      if (zavOutDat.header.records > 0 && thisResetCount != zavOutDat.header.resetCount) {
        ok = endOutSection(readingTime);
      }
      if (ok) {
        if (zavOutDat.header.records == 0) {
          zavOutDat.header.resetCount = thisResetCount;
          zavOutDat.header.voltCount = thisVoltCount;
        }
        zavOutDat.record.count = thisCount;
        zavOutDat.record.ticks = thisTimer;
        zavOutDat.record.temp = thisTemp;
        ok = appendOutRecord(readingTime);
      }
      if (!ok) {
        setFrame1Caption(QStringLiteral("Energy meter - ERROR writing data file"));
      } else if (details) {
        t += QStringLiteral("  zavOutHeadPtr=") + QString::number(zavOutHeadPtr) +
             QStringLiteral("\n  zavOutRecPtr=") + QString::number(zavOutRecPtr) +
             QStringLiteral("\n  zavOutDat.header.records=") + QString::number(zavOutDat.header.records) +
             '\n';
      }
    }
    s.lastResetCount = thisResetCount;

    setLabel14((tempDegC <= -200 || tempDegC >= 200) ? QString()
                                                     : formatNumber(tempDegC, QStringLiteral("#,0.0 °C")));
    meterPanel.text8 = formatNumber(double(s.totalCounts), QStringLiteral("#,0"));
    showEnergy(elapsedCounts);
    showSecondsPerCount(secondsPerCount);

    strZavEnergy = meterPanel.text4;
    if (meterHooks.powerBoxText) strZavPower = meterHooks.powerBoxText();
    strZavTemp = meterPanel.label14;
    lngZavEnergy = clampRound(energyWh / 1000.0);
    lngZavPower = clampRound(totPower);
    lngZavTemp = clampRound(tempDegC);

    if (meterHooks.onPulseIndicator) meterHooks.onPulseIndicator(0.1, secondsPerCount, pulseWidth);
    if (details) logMsg(3, t);
    notifyMeterPanel();

    if (zavOutFile > 0 && plotFileSlot == 0) {
      replotIfAuto();
    }

    if (meterHooks.setTimer3) meterHooks.setTimer3(false, 0);
    if (maxUpdateInterval > 0) {
      lastCountTick = thisTicks;
      idleCountdownMs = clampRound((maxUpdateInterval + elapsedSeconds) * 1000.0);
      armTimer3(idleCountdownMs);
    }
  }
  pulsePending = false;
  lastProcessTick = timeGetTime();
}

void showIdleRate() {
  const int32_t interval = meterHooks.timer3Interval ? meterHooks.timer3Interval() : 0;
  idleCountdownMs = int32_t(std::max<int64_t>(INT32_MIN, int64_t(idleCountdownMs) - interval));
  if (idleCountdownMs < 1) {
    const double seconds = std::round(msElapsed(lastCountTick, timeGetTime())) / 1000.0;
    showSecondsPerCount(seconds);
    if (meterHooks.updatePowerBarIndicator) meterHooks.updatePowerBarIndicator(seconds, 0);
    idleCountdownMs = clampRound(maxUpdateInterval * 1000.0);
    notifyMeterPanel();
  }
  armTimer3(idleCountdownMs);
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
    if (meterHooks.onPulseIndicator) meterHooks.onPulseIndicator(0.1, 3.0, 1.0);
  }
  if (shown) logMsg(1, t);
}

void Timer1_Timer() {
  if (!meterOnline) pulseDetected();
}
