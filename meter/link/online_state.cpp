// The meter link's on-line state: going on-line and off-line, opening the serial port
// with the settings the interface type needs, a lost device tried again until it is
// back, the serial lines and the one waiting loop of the program.
#include <QEventLoop>
#include <QTimer>
#include <algorithm>

#include "core/log/logmsg.h"
#include "core/settings/detector_types.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"
#include "meter/engine/meter_session.h"
#include "meter/link/meter_link.h"
#include "platform/comm_link.h"
#include "platform/comm_port.h"
#include "platform/named_colours.h"
#include "platform/user_notice.h"

struct MeterLink::RunningWait {
  QEventLoop loop;
  bool interrupted = false;
};

MeterLink::MeterLink(MeterSession& session, CommLink& port, QObject* parent)
    : QObject(parent), m_session(session), m_port(port) {
  connect(&m_port, &CommLink::onComm, this, &MeterLink::handleSerialEvent);
  connect(&m_port, &CommLink::closedByError, this, &MeterLink::deviceLost);
  connect(&m_tcp, &TcpClient::dataArrival, this, [this](const QByteArray& bytes) { m_session.networkBytes(bytes); });
  connect(&m_session, &MeterSession::detectorAnswered, this, &MeterLink::stopWaiting);
  connect(&m_retryTimer, &QTimer::timeout, this, &MeterLink::retryLostDevice);
}

MeterLink::~MeterLink() { interruptWaits(); }

void MeterLink::setSettings(const Settings& settings) {
  m_settings = settings;
  m_comPort = settings.comPort;
}

bool MeterLink::online() const { return m_session.online(); }

void MeterLink::publishLines() { emit serialLinesChanged(serialLines()); }

void setCannotOpenCaption(LinkStatus& status, int comPort, const QString& portError) {
  const QString com = QStringLiteral("COM") + QString::number(comPort);
  const QString head = QStringLiteral("Error: Cannot open ") + com;
  QString whole = head;
  if (portError.startsWith(com))
    whole += portError.mid(com.size());
  else if (!portError.isEmpty())
    whole += QStringLiteral(": ") + portError;
  // "reason; advice": the reason ends the caption, the advice waits in the detail, on a
  // line of its own there.
  const qsizetype advice = whole.indexOf(QStringLiteral("; "), head.size());
  if (advice < 0)
    status.setCaption(whole);
  else
    status.setCaption(whole.left(advice), whole.left(advice + 1) + u'\n' + whole.mid(advice + 2));
}

void MeterLink::stopRetrying() {
  m_lost = false;
  m_retryTimer.stop();
}

// Data file, then port; on-line with the -2 marker. Resuming after a lost device skips
// the message box: nobody asked for it.
bool MeterLink::startRecording(bool resuming) {
  LinkStatus status = m_status;
  const Recorder& recorder = m_session.recorder();
  if (m_settings.writeToZAVdataFile) {
    if (!recorder.isOpen()) m_session.openDataFile();
  } else {
    status.autoPlotEnabled = false;
  }
  m_session.setOnline(false);
  bool ok = false;
  if (m_settings.writeToZAVdataFile && !recorder.isOpen()) {
    // Where the user looks: which file and why.
    const QString& problem = recorder.problem();
    if (!resuming) {
      userNotice(QStringLiteral("Error: Cannot open Zav-file") +
                 (problem.isEmpty() ? QString() : kCrLf + problem));
    }
    status.setCaption(QStringLiteral("Error: Cannot open data file") +
                      (problem.isEmpty() ? QString() : " " + problem));
  } else if (const Result<> opened = openCom(true); !opened) {
    setCannotOpenCaption(status, m_comPort, opened.error());
  } else {
    m_session.setOnline(true);
    // The marker takes the time the data file dates the period's first section with,
    // so that after a kill the register finds where the period began.
    const bool prepared = recorder.isOpen() && recorder.header().records == 0;
    m_session.writeLogLine(prepared ? recorder.header().startTime : dateNow(), m_session.energyWh(), kOnlineMarker);
    status.setCaption(QStringLiteral("Energy meter - waiting for meter at COM") + comNumber());
    ok = true;
  }
  status.captionColour = ok ? kSysColorWindowText : kRed;
  m_status = status;
  return ok;
}

// The end every switch shares: the caption it left, temperature, simulated pulses, the
// engine's reset.
void MeterLink::finishSwitch() {
  LinkStatus status = m_status;
  status.onlineTicked = online();
  status.stale = false;
  showStatus(status);
  emit temperatureTextChanged(QStringLiteral(" "));
  m_session.restartCounting();
  emit onlineChanged(online());
}

void MeterLink::retryLostDevice() {
  if (!m_lost || !online()) {
    stopRetrying();
    return;
  }
  m_port.setCommPort(m_comPort);
  // A quiet probe first: the full open logs and colours its failure.
  if (!m_port.setPortOpen(true)) {
    logMsg(3, QStringLiteral("deviceLost: still lost: ") + m_port.lastError());
    return;
  }
  m_port.setPortOpen(false);
  stopRetrying();
  logMsg(1, QStringLiteral("deviceLost: COM") + comNumber() + QStringLiteral(" is back, recording again"));
  startRecording(true);
  finishSwitch();
}

void MeterLink::showStatus(const LinkStatus& status) {
  m_status = status;
  emit statusChanged(m_status);
}

SerialLines MeterLink::serialLines() const {
  if (!m_port.portOpen()) return {};
  return {.txBreak = m_port.breakOn(), .dtr = m_port.dtrEnable(), .rts = m_port.rtsEnable()};
}

void MeterLink::setSerialLines(const SerialLines& lines) {
  m_port.setRTSEnable(lines.rts);
  m_port.setDTREnable(lines.dtr);
  m_port.setBreak(lines.txBreak);
  publishLines();
}

int16_t MeterLink::effectiveIfType() const {
  return (m_protocolAnalyzer || m_tempReceiver) ? int16_t(4) : m_settings.ifType;
}

bool MeterLink::setOnLine(bool goOnline) {
  const bool asked = goOnline;
  if (goOnline) {
    if (m_settings.ZAVdetectorVer == -1 && m_settings.ifType >= 2) {
      userNotice(QStringLiteral("Selected detector type is not supported"), MsgIcon::Warning);
      goOnline = false;
    } else if (!online() && m_comPort == 0) {
      LinkStatus status = m_status;
      status.onlineTicked = false;
      status.captionColour = kSysColorWindowText;
      status.setCaption(QStringLiteral("Energy meter - Searching for detector"));
      showStatus(status);
      searchComPorts();
      return online() == asked;
    }
  }
  const bool wasLost = m_lost;
  stopRetrying();
  if (goOnline) {
    startRecording(false);
  } else {
    m_status.autoPlotEnabled = true;
    m_session.setOnline(false);
    closeCom();
    if (m_session.recorder().isOpen()) m_session.closeDataFile();
    // A lost device already wrote the off-line marker at the time of the loss.
    if (!wasLost) m_session.writeLogLine(dateNow(), m_session.energyWh(), kOfflineMarker);
    m_status.setCaption(QStringLiteral("Energy meter - OffLine"));
    m_status.captionColour = kSysColorWindowText;
  }
  finishSwitch();
  return online() == asked;
}

void MeterLink::showSimulationState(bool simulate) {
  m_simulating = simulate;
  LinkStatus status = m_status;
  status.setCaption(simulate ? QStringLiteral("Energy meter - Simulating")
                             : QStringLiteral("Energy meter - OffLine"));
  showStatus(status);
  m_session.setSimulating(simulate);
  emit simulationSwitched(simulate);
}

Result<> MeterLink::openCom(bool open) {
  emit portSwitched(open);
  if (!open) {
    if (!m_port.portOpen()) return Failure(QStringLiteral("port is not open"));
    m_port.setBreak(false);
    m_port.setDTREnable(false);
    m_port.setRTSEnable(false);
    m_port.setPortOpen(false);
    publishLines();
    logMsg(1, QStringLiteral("openCom: closing com") + comNumber());
    return {};
  }

  const int16_t type = effectiveIfType();
  if (m_comPort < 1 || m_comPort > 255) {
    emit m_portEvents.comPortRefused();
    logMsg(1, QStringLiteral("openCom: ERROR comPort=") + comNumber());
    return Failure(QString());
  }

  QString settings = m_settings.comSetting;
  if (settings.isEmpty()) settings = type <= 1 ? QStringLiteral("1200,N,8,1") : QStringLiteral("19200,N,8,1");
  if (type >= 2) settings = QStringLiteral("19200,N,8,1");
  if (m_settings.ZAVdetectorVer == kSlowControllerDetectorVer && type >= 2) settings = QStringLiteral("2400,N,8,1");
  if (m_tempReceiver) {
    settings = QStringLiteral("9600,N,8,1");
    m_sensorBaud = 9600;
  }
  m_session.setPortBaudRate(val(settings));

  if (!m_port.setSettings(settings)) {
    emit m_portEvents.comSettingRefused();
    userNotice(QStringLiteral("Error: Cannot open Comport\r\n") + m_port.lastError(), MsgIcon::Information,
               QStringLiteral("COM-setting error"));
    return Failure(m_port.lastError());
  }
  // Binary input, every waiting byte per read, no handshaking; the protocol analyser only
  // wants the line-signal events.
  m_port.setRThreshold(m_protocolAnalyzer ? 0 : 1);
  // Going on-line again while open reopens the port with the new settings instead of
  // failing with "already open" and leaving it open behind an error caption.
  if (m_port.portOpen()) m_port.setPortOpen(false);
  m_port.setCommPort(m_comPort);
  if (!m_port.setPortOpen(true)) {
    emit m_portEvents.comPortRefused();
    logMsg(-1, QStringLiteral("openCom: ERROR ") + m_port.lastError());
    return Failure(m_port.lastError());
  }
  m_openIfType = type;
  resetSerialReceivers();
  const bool dtr = m_port.setDTREnable(true);
  const bool rts = m_port.setRTSEnable(true);
  if (!dtr || !rts) {
    const auto* real = qobject_cast<const CommPort*>(&m_port);
    logMsg(2, QStringLiteral("openCom: WARNING the device has no DTR/RTS lines: ") +
                  (real ? real->devicePath() : QStringLiteral("COM") + comNumber()));
  }
  m_port.setBreak(type == 3);
  publishLines();
  logMsg(1, QStringLiteral("openCom: opening com") + comNumber() + QStringLiteral(" MSComm1.Settings =") +
                m_port.settings());
  return {};
}

void MeterLink::closeCom() {
  if (const Result<> closed = openCom(false); !closed) logMsg(1, QStringLiteral("openCom: ") + closed.error());
}

void MeterLink::deviceLost(const QString& why) {
  logMsg(-1, QStringLiteral("MSComm1_OnComm: ERROR ") + why);
  publishLines();
  if (!online() || m_session.searching()) return;
  const Date lostAt = dateNow();
  // Recording stops at the loss: the section is closed and the off-line marker carries
  // the time the device went, not the time someone noticed.
  if (m_session.recorder().isOpen()) m_session.closeDataFile();
  m_session.writeLogLine(lostAt, m_session.energyWh(), kOfflineMarker);
  m_session.stopIdleCountdown();
  m_lost = true;
  LinkStatus status = m_status;
  status.setCaption(QStringLiteral("Device lost: ") + why + QStringLiteral(" - trying again"));
  status.captionColour = kRed;
  status.onlineTicked = true;  // the user's intent stays
  status.stale = true;
  showStatus(status);
  logMsg(1, QStringLiteral("deviceLost: trying COM") + comNumber() + QStringLiteral(" again every ") +
                QString::number(kLostDeviceRetryMs / 1000) + QStringLiteral(" s"));
  m_retryTimer.start(std::max(1, kLostDeviceRetryMs / m_waitDivisor));
}

void MeterLink::setWaitDivisorForTests(int divisor) {
  m_waitDivisor = divisor > 0 ? divisor : 1;
  m_programEnding = false;
  stopRetrying();
}

void MeterLink::waitMs(int32_t ms, bool yieldEvents) {
  ms /= m_waitDivisor;
  if (ms <= 0) return;
  RunningWait wait;
  bool elapsed = false;
  QTimer::singleShot(std::chrono::milliseconds(ms), Qt::PreciseTimer, &wait.loop, [&] {
    elapsed = true;
    wait.loop.quit();
  });
  m_waits.append(&wait);
  // Without yielding, only repaints and timers run: no input, serial or socket events.
  wait.loop.exec(yieldEvents ? QEventLoop::AllEvents
                             : QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
  m_waits.removeOne(&wait);
  // Besides an interruption, only the program's end stops every event loop early.
  if (!elapsed && !wait.interrupted) m_programEnding = true;
}

void MeterLink::interruptWaits() {
  for (RunningWait* w : std::as_const(m_waits)) {
    w->interrupted = true;
    w->loop.quit();
  }
}
