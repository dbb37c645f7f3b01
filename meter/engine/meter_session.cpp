#include "meter/engine/meter_session.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/log/logmsg.h"
#include "core/util/format_pattern.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"
#include "core/util/tick_helpers.h"
#include "meter/engine/pulse_width.h"
#include "meter/record/register_continuation.h"
#include "platform/named_colours.h"
#include "platform/tick_clock.h"

namespace {

constexpr int32_t kMaxTimerMs = 65535;  // the longest interval the timers take
constexpr double kMinTypedRate = 1e-6;
constexpr double kMaxTypedRate = 1e6;

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

bool typedRateOk(double v) { return v > kMinTypedRate && v <= kMaxTypedRate; }

QString recordField(int32_t v) { return formatNumber(v, QStringLiteral("000000;-00000")); }

}  // namespace

QString registerRecordText(const RegisterRecord& r) {
  return textLogLine(r.time, r.energyWh, r.power) + u' ' + recordField(r.temperature) + u' ' +
         recordField(r.voltage) + u' ' + recordField(r.status) + u' ' + recordField(r.resetCount % 65536);
}

MeterSession::MeterSession(QObject* parent)
    : QObject(parent),
      m_serial(false, [this](const Reading& r) { takeReading(r); }),
      m_network(true, [this](const Reading& r) { takeReading(r); }) {
  m_idleTimer.onTimeout([this] { Timer3_Timer(); });
  m_simulationTimer.onTimeout([this] { Timer1_Timer(); });
}

MeterSession::~MeterSession() = default;

void MeterSession::setSettings(const Settings& settings) {
  m_settings = settings;
  m_serial.setController(settings.ZAVdetectorVer, settings.ZAVmeterID);
  m_network.setController(settings.ZAVdetectorVer, settings.ZAVmeterID);
  m_textLog.setSettings(settings);
  m_recorder.setMeterConstants(settings);
}

void MeterSession::setOnline(bool online) {
  m_online = online;
  if (online) m_readingCount = 0;
}

void MeterSession::restartCounting() {
  m_pulseDivider = 1;
  m_pulseDivCounter = 0;
  if (m_online) clearCountProcessor();
}

void MeterSession::resetForLoad() {
  m_pulseDivider = 1;
  m_pulseDivCounter = 0;
  m_panel.countsPerSecond = false;
  m_energyWh = 0;
}

void MeterSession::setSimulating(bool on) { m_simulationTimer.setEnabled(on); }

// --- receivers ---

void MeterSession::serialBytes(QByteArrayView data) {
  if (m_online || m_searching) m_serial.arrive(data);
}

void MeterSession::networkBytes(QByteArrayView data) {
  if (m_online) m_network.arrive(data);
}

void MeterSession::takeReading(const Reading& r) {
  if (!m_online) {
    // Off-line only the port search reads frames (serial ones): the port under test answered.
    if (!m_searching) return;
    m_latest = r;
    m_serial.clearBuffer();
    emit detectorAnswered();
    return;
  }
  const bool resetCountChanged = r.resetCount != m_latest.resetCount;
  m_latest = r;
  newMeterCount(r, resetCountChanged);
}

QString MeterSession::plainPulseBytes(QByteArrayView data) {
  const std::optional<Reading> reading = m_pulses.arrive(data, {.timerType = m_settings.timerType,
                                                                .ticksPerSec = m_settings.ticksPerSec,
                                                                .prescale = m_settings.prescale});
  const qsizetype n = m_pulses.bufferedBytes();
  const QString head = QStringLiteral("  (ifType = 1) Data received.  buffLen=") + QString::number(n) +
                       QStringLiteral("  frameStatus=");
  if (!reading) return head;
  const Reading& r = *reading;
  m_latest = r;
  // Beyond the 32-bit range the interval is simply the largest one.
  const double minExact = std::floor(m_settings.minUpdateInterval * 1000.0);
  const int64_t minMs = minExact > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max()
                        : minExact > 0                                 ? int64_t(minExact)
                                                                       : 0;
  const auto since = int64_t(msElapsed(m_lastProcessTick, timeGetTime()));
  armIdleTimer(0);
  if (since >= minMs) {
    if (logShows(4)) {
      logMsg(4, QStringLiteral("MSComm1_OnComm: timerTicks=") + QString::number(r.ticks) +
                    QStringLiteral("   elapsedTimerTicks=") + formatNumber(m_pulses.elapsedTimerTicks(), "#,0") +
                    QStringLiteral("   buffLen=") + QString::number(n) + QStringLiteral("   count=") +
                    QString::number(r.count) + QStringLiteral("   elapsedCounts=") +
                    QString::number(m_pulses.elapsedCounts()) + QStringLiteral("   frameStatus=") +
                    QString::number(r.status));
    }
    newMeterCount(r);
  } else if (minMs > 0) {
    const int64_t countdown = minMs - since;
    if (countdown > 0) {
      // The pulse waits for the idle timer, which takes at most 65535 ms.
      m_pulsePending = true;
      m_idleCountdownMs = int32_t(countdown);
      armIdleTimer(m_idleCountdownMs);
    }
  }
  return head + QString::number(r.status);
}

// --- counting ---

void MeterSession::armIdleTimer(int32_t countdownMs) {
  m_idleTimer.setEnabled(false);
  if (countdownMs <= 0) return;
  m_idleTimer.setInterval(std::min(countdownMs, kMaxTimerMs));
  m_idleTimer.setEnabled(true);
}

void MeterSession::newMeterCount(const Reading& reading, bool resetCountChanged) {
  if (resetCountChanged) {
    clearCountProcessor();
    return;
  }
  if (m_settings.ticksPerSec > 0) processReading(reading);
  m_pulsePending = false;
  m_lastProcessTick = timeGetTime();
}

double MeterSession::analysePulseWidth(int16_t rxByte) {
  const PulseWidth w = ::analysePulseWidth(rxByte, m_portBaud);
  m_pulseWidthBits = w.bits;
  if (m_settings.advancedFunctions) {
    emit pulseAnalysed(formatDate(dateNow(), kDateTimeFormat) + kCrLf + w.advice);
  }
  return w.seconds;
}

void MeterSession::processReading(const Reading& r) {
  const Settings& s = m_settings;
  const int32_t thisTicks = timeGetTime();
  const CountInputs in{.pcTick = thisTicks,
                       .ticksPerSec = s.ticksPerSec,
                       .WsPerCount = s.WsPerCount,
                       .detectorVer = s.ZAVdetectorVer,
                       .sampleClock = s.ifType >= 2,
                       .firstOfPeriod = m_readingCount == 0,
                       .energyWh = m_energyWh};
  const CountValues v = computeReading(m_count, r, in);
  m_count = v.next;
  // No serial port opened in this run (TCP only): no pulse width.
  const double pulseWidth =
      s.ifType == 1 ? analysePulseWidth(r.status) : (m_portBaud > 0 ? 400.0 / m_portBaud : 0.0);
  if (v.elapsedCounts > 0 && in.sampleClock && m_pulseDetailsShown) emit pulseDetailsShown(controllerText(v, r));

  const bool details = logShows(3);
  QString t = details ? diagnosticText(thisTicks, r, v) : QString();
  if (in.firstOfPeriod && details) t += QStringLiteral(" START");
  // Past 2^31 readings the count stays put rather than wrapping to "first reading".
  if (m_readingCount < INT32_MAX) m_readingCount += 1;
  // The register and, with a valid rate, the power are the reading's values.
  m_energyWh = v.energyWh;
  if (v.rateValid) {
    m_mRevTime = v.secondsPerCount;
    m_totPower = v.power;
    setSimulationRate();
  }
  ReadingResult result{.reading = r,
                       .time = dateNow(),
                       .energyWh = v.energyWh,
                       .secondsPerCount = v.secondsPerCount,
                       .powerW = m_totPower,
                       .temperature = v.tempDegC,
                       .totalCounts = v.next.totalCounts,
                       .pulseWidth = pulseWidth,
                       .startsPeriod = in.firstOfPeriod};
  record(result, details ? &t : nullptr);
  m_panel.showReading(result);
  logText2Change();
  // The power is logged before its text-log line is written, so an error of the write follows it.
  if (v.rateValid) {
    logPower();
    writeLogLine(result.time, result.energyWh, result.powerW);
  }
  emit pulseIndicated(0.1, v.secondsPerCount, pulseWidth, m_pulseWidthBits);
  if (details) logMsg(3, t);
  emit readingRecorded(result);

  if (s.maxUpdateInterval > 0) {
    m_lastCountTick = thisTicks;
    m_idleCountdownMs = roundClamped((s.maxUpdateInterval + v.elapsedSeconds) * 1000.0);
    armIdleTimer(m_idleCountdownMs);
  } else {
    armIdleTimer(0);
  }
}

// The reading's record goes into the open data file.
void MeterSession::record(ReadingResult& result, QString* text) {
  if (m_recorder.isOpen()) {
    if (const Result<bool> appended = m_recorder.append(result.reading, result.time); !appended) {
      logMsg(-1, QStringLiteral("newMeterCount: ERROR ") + appended.error());
      result.writeFailed = true;
    } else if (*appended) {
      result.inDataFile = true;
      if (text) {
        *text += QStringLiteral("  zavOutHeadPtr=") + QString::number(m_recorder.headPos()) +
                 QStringLiteral("\n  zavOutRecPtr=") + QString::number(m_recorder.recordPos()) +
                 QStringLiteral("\n  zavOutDat.header.records=") +
                 QString::number(m_recorder.header().records) + '\n';
      }
    }
  }
}

void MeterSession::showIdleRate(int32_t timerIntervalMs) {
  m_idleCountdownMs = int32_t(std::max<int64_t>(INT32_MIN, int64_t(m_idleCountdownMs) - timerIntervalMs));
  if (m_idleCountdownMs < 1) {
    const double seconds = std::round(msElapsed(m_lastCountTick, timeGetTime())) / 1000.0;
    showSecondsPerCount(seconds);
    emit idleRateShown(seconds);
    m_idleCountdownMs = roundClamped(m_settings.maxUpdateInterval * 1000.0);
    notifyPanel();
  }
  armIdleTimer(m_idleCountdownMs);
}

void MeterSession::Timer3_Timer() {
  logMsg(4, QStringLiteral("Timer3_Timer(): interval=") + QString::number(m_idleTimer.interval()) +
                QStringLiteral("  lastCountInterval=") + QString::number(m_idleCountdownMs));
  if (m_online && m_settings.ifType == 1) {
    if (m_pulsePending) {
      newMeterCount(m_latest);
    } else {
      showIdleRate(m_idleTimer.interval());
    }
  } else {
    m_idleTimer.setEnabled(false);
  }
}

void MeterSession::pulseDetected() {
  const bool shown = logShows(1);
  QString t = QStringLiteral("pulseDetected: ");
  m_pulseDivCounter = int16_t(m_pulseDivCounter + 1);
  const int16_t divider = std::max<int16_t>(1, m_pulseDivider);
  if (m_pulseDivCounter % divider != 0) {
    t += QStringLiteral(" no count");
  } else {
    m_pulseDivCounter = 0;
    m_simulatedTurns += 1;
    const int32_t now = timeGetTime();
    const double interval = msElapsed(m_lastSimulatedTick, now) / 1000.0;
    m_lastSimulatedTick = now;
    if (shown) {
      t += QStringLiteral(" totTurns=") + strPlain(m_simulatedTurns) + QStringLiteral(" time=") +
           formatNumber(interval, QStringLiteral("#,0.000"));
    }
    emit pulseIndicated(0.1, 3.0, 1.0, m_pulseWidthBits);
  }
  if (shown) logMsg(1, t);
}

void MeterSession::Timer1_Timer() {
  if (!m_online) pulseDetected();
}

// --- the panel ---

void MeterSession::logText2Change() const {
  if (logShows(5)) logMsg(5, QStringLiteral("Text2_Change"));
}

// The number Text2 stands for, in the unit it shows: what the user typed,
// or the rate the program showed there.
double MeterSession::text2Value(const QString& boxText) {
  if (boxText != m_panel.text2) {
    m_panel.text2 = boxText;
    m_panel.text2Typed = true;
  }
  if (m_panel.text2Typed) return val(commaToPoint(m_panel.text2));
  const double s = m_panel.text2Seconds;
  if (s <= 0) return 0;
  return m_panel.countsPerSecond ? 1.0 / s : s;
}

void MeterSession::setRegister(double wh) {
  m_energyWh = wh;
  m_panel.showRegister(wh);
}

void MeterSession::showEnergy(int32_t counts) {
  setRegister(registerAfter(m_energyWh, m_settings.WsPerCount, counts));
}

void MeterSession::showSecondsPerCount(double seconds) {
  const bool valid = m_panel.showRate(seconds);
  logText2Change();
  if (!valid) return;
  m_mRevTime = seconds;
  calcPowerFromRevTime();
  setSimulationRate();
}

void MeterSession::logPower() const {
  if (!logShows(3)) return;
  logMsg(3, QStringLiteral("WsPerCount=") + strPlain(m_settings.WsPerCount) + QStringLiteral("  mRevTime=") +
                strPlain(m_mRevTime) + QStringLiteral("  totPower=") + strPlain(m_totPower));
}

void MeterSession::calcPowerFromRevTime() {
  if (m_mRevTime == 0) return;
  m_totPower = countPower(m_settings.WsPerCount, 1, m_mRevTime, 1);
  logPower();
  emit meterPowerChanged(m_totPower);
  writeLogLine(dateNow(), m_energyWh, m_totPower);
}

void MeterSession::parseIntervalField(const QString& boxText) {
  const double v = text2Value(boxText);
  if (typedRateOk(v)) {
    m_panel.text2Color = kSysColorWindowText;
    m_mRevTime = m_panel.countsPerSecond ? 1.0 / v : v;
    calcPowerFromRevTime();
  } else {
    m_panel.text2Color = kRed;
  }
  notifyPanel();
}

void MeterSession::setMeterFieldsColor() {
  m_panel.text8Back = m_panel.text2Back = kFieldColourNormal;
  notifyPanel();
}

void MeterSession::setMeterFieldsColor2() {
  m_panel.text8Back = m_panel.text2Back = kFieldColourGrey;
  notifyPanel();
}

// Timer1 (off-line simulation) follows the last rate.
void MeterSession::setSimulationRate() {
  const double ms = std::round(m_mRevTime * 1000.0) / std::max<int>(1, m_pulseDivider);
  m_simulationTimer.setInterval(int32_t(std::clamp(ms, 100.0, double(kMaxTimerMs))));
}

void MeterSession::label2Click(const QString& boxText) {
  const double v = text2Value(boxText);
  m_panel.countsPerSecond = !m_panel.countsPerSecond;
  if (m_panel.countsPerSecond) {
    m_panel.label2Caption = QStringLiteral("counts/s ");
    m_panel.text2ToolTip = QStringLiteral("number of counts per second");
  } else {
    m_panel.label2Caption = QStringLiteral("s/count ");
    m_panel.text2ToolTip = QStringLiteral("interval (in seconds) between two counts");
  }
  if (!typedRateOk(v)) {
    m_panel.text2Color = kRed;
  } else {
    // The rate stays; only its unit changes.
    const double seconds = m_panel.countsPerSecond ? v : 1.0 / v;
    m_panel.showRateValue(1.0 / v, seconds);
    logText2Change();
  }
  notifyPanel();
}

bool MeterSession::synchroniseMeter(const QString& answer, Date askedAt) {
  if (answer.isEmpty()) return true;
  const double kWh = val(removeBlanks(commaToPoint(answer)));
  if (!(kWh > 0 && kWh <= 1999999.999)) return false;
  m_energyWh = kWh * 1000.0;
  showEnergy(0);
  writeLogLine(askedAt, m_energyWh, kSyncMarker);
  notifyPanel();
  return true;
}

// --- the data file and the text log ---

bool MeterSession::openDataFile() { return openOutZavDat(m_recorder, m_settings); }

void MeterSession::closeDataFile() { closeOutZavDat(m_recorder); }

bool MeterSession::loadDataFile(int16_t slot) {
  return m_slots.load(slot, m_settings.zavDatFileName[slot == 1 ? 1 : 0]);
}

void MeterSession::writeLogLine(Date time, double energy, double power) {
  m_record = {.time = time,
              .energyWh = energy,
              .power = power,
              .temperature = m_latest.temperature,
              .voltage = m_latest.voltage,
              .status = m_latest.status,
              .resetCount = m_latest.resetCount};
  emit registerLogged(m_record);
  // While recording the text log stays locked between lines.
  const Result<> written = m_textLog.write(time, energy, power, m_online || m_recorder.isOpen());
  if (written) {
    m_textLogRefusalTold = false;
    return;
  }
  // Another copy records: this one says so once.
  if (m_textLog.refusedByAnother()) {
    if (m_textLogRefusalTold) return;
    m_textLogRefusalTold = true;
  }
  logMsg(-1, QStringLiteral("writeLogLine: ERROR ") + written.error());
}

void MeterSession::loadLastLogLine() {
  const std::optional<RegisterLog> log = m_textLog.readRegister();
  if (!log) return;
  m_energyWh = log->from.energyWh;
  // After a kill the data file may hold readings newer than the line's.
  const RecordedEnergy later =
      energyRecordedAfter(m_settings.zavDatFileName[0], *log, m_settings.WsPerCount, ownHeaderOf(m_settings));
  if (later.readings > 0) {
    m_energyWh = registerAfter(m_energyWh + later.wh, 0, 0);
    logMsg(1, QStringLiteral("loadLastLogLine: register continued from the data file: ") +
                  QString::number(later.readings) + QStringLiteral(" newer readings up to ") +
                  formatDate(later.newest, kDateTimeFormat) + QStringLiteral(", ") +
                  formatNumber(later.wh, QStringLiteral("0.0")) + QStringLiteral(" Wh"));
  }
  showEnergy(0);
  m_panel.setFrame1Caption(QStringLiteral("Energy meter - Last log = ") + log->last.when);
  notifyPanel();
}
