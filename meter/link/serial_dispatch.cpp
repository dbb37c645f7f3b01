#include "meter/link/serial_dispatch.h"

#include "core/log/logmsg.h"
#include "core/util/format_pattern.h"
#include "core/util/text_helpers.h"
#include "core/util/tick_helpers.h"
#include "meter/engine/meter_session.h"
#include "meter/link/meter_link.h"
#include "platform/comm_link.h"
#include "platform/named_colours.h"
#include "platform/tick_clock.h"

namespace {
constexpr int32_t kCounterModulus = 1000000;
constexpr int kKindOther = 11;
constexpr int kKindIgnored = 12;
constexpr qsizetype kSensorFrameBits = 40;
constexpr qsizetype kSensorKeepBytes = 200;
constexpr int32_t kSensorGapMs = 70000;
constexpr int32_t kNoFrameWarnMs = 10000;
const QString kSensorPreamble = QStringLiteral("10100000");

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

// Counts the event by kind; the COM-status boxes show the total and the kind.
void MeterLink::countEvent(int kind) {
  m_counters[kind] = (m_counters[kind] + 1) % kCounterModulus;
  if (!m_settings.advancedFunctions) return;
  emit m_portEvents.eventCounted(0, m_counters[0]);
  emit m_portEvents.eventCounted(kind, m_counters[kind]);
}

// Controller frames: the session's parser takes the bytes; bytes that for some seconds
// never make a valid frame point the user at the interface type.
void MeterLink::controllerBytes(const QByteArray& data) {
  const FrameReceiver& receiver = m_session.serialReceiver();
  const int64_t framesBefore = receiver.counters().framesOk;
  m_session.serialBytes(data);
  if (!online()) return;
  if (receiver.counters().framesOk != framesBefore) {
    m_noFrameSinceSet = m_noFrameWarned = false;
    return;
  }
  const int32_t now = timeGetTime();
  if (!m_noFrameSinceSet) {
    m_noFrameSince = now;
    m_noFrameSinceSet = true;
    return;
  }
  if (m_noFrameWarned || msElapsed(m_noFrameSince, now) < kNoFrameWarnMs) return;
  m_noFrameWarned = true;
  const QString com = QStringLiteral("COM") + comNumber();
  const QString text = QStringLiteral("Bytes but no valid frame at ") + com + QStringLiteral(" for ") +
                       QString::number(kNoFrameWarnMs / 1000) +
                       QStringLiteral(" s: check the interface type in Setup");
  logMsg(2, QStringLiteral("MSComm1_OnComm: WARNING ") + text);
  LinkStatus status = m_status;
  // Short enough for the meter frame, so no cut hides what is wrong; the whole text is the detail.
  status.setCaption(QStringLiteral("No valid frame at ") + com + QStringLiteral(": check the interface type"),
                    QStringLiteral("Energy meter - ") + text);
  status.captionColour = kRed;
  showStatus(status);
}

void MeterLink::resetSerialReceivers() {
  m_session.dropPulseBytes();
  m_sensorBytes.clear();
  m_noFrameSinceSet = m_noFrameWarned = false;
}

void MeterLink::clearDcdCapture(int32_t maxEvents) {
  m_dcdCount = 0;
  m_maxDcdEvents = maxEvents;
  // A capacity of 0 or less stores nothing.
  m_dcdTimes = QVector<int64_t>(std::max(0, maxEvents) + 1, 0);
}

void MeterLink::handleSerialEvent(int ev, const QByteArray& input) {
  if (m_protocolAnalyzer) {
    if (ev == comEv::kCD && m_dcdCapture && online() && m_dcdCount < m_maxDcdEvents && m_dcdCount >= 0 &&
        m_dcdCount < m_dcdTimes.size()) {
      m_dcdTimes[m_dcdCount] = perfCounterNow();
      ++m_dcdCount;
    }
    return;
  }
  m_counters[0] = (m_counters[0] + 1) % kCounterModulus;
  QString text;
  if (logShows(3)) {
    text = QStringLiteral("MSComm1_OnComm:  ") + formatDate(dateNow(), kDateTimeFormat) +
           QStringLiteral("  eventCnt=") + QString::number(m_counters[0]) + QStringLiteral("  comEvent=") +
           QString::number(ev);
  }
  int kind = kKindIgnored;
  if (online() || m_session.searching()) {
    kind = kindOf(ev);
    if (ev == comEv::kBreak && m_openIfType == 1) emit breakDetected();
    if (ev == comEv::kRxOver || ev == comEv::kOverrun) {
      // The driver lost bytes: the frame being gathered is broken; what waits is whole.
      logMsg(-1, QStringLiteral("MSComm1_OnComm: ERROR the driver lost received bytes (") +
                     (ev == comEv::kRxOver ? QStringLiteral("input buffer overflow")
                                           : QStringLiteral("receive overrun")) +
                     QStringLiteral(")"));
      m_session.dropSerialBytes();
      m_sensorBytes.clear();
    }
    if (ev == comEv::kReceive) {
      m_session.noteReceiveEvent();
      switch (m_openIfType) {
        case 2:
        case 3: controllerBytes(input); break;
        case 1:
          text += m_session.plainPulseBytes(input);
          logMsg(3, text);
          break;
        case 4:
          if (m_tempReceiver) {
            const int32_t now = timeGetTime();
            if (msElapsed(m_lastSensorTick, now) > kSensorGapMs) m_sensorBytes.clear();
            m_lastSensorTick = now;
            for (const QString& t : decodeSensorBytes(m_sensorBytes, input, m_sensorBaud)) {
              emit temperatureTextChanged(t);
            }
          }
          break;
        default: break;
      }
    }
  }
  countEvent(kind);
}

void MeterLink::clearComEventCounters(int16_t index) {
  if (index >= 1 && index <= 20) {
    m_counters[index] = 0;
    return;
  }
  for (int32_t& c : m_counters) c = 0;
}
