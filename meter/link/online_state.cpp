#include "meter/link/online_state.h"

#include <QEventLoop>
#include <algorithm>
#include <QList>
#include <QTimer>

#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/settings/detector_types.h"
#include "core/util/number_text.h"
#include "meter/engine/count_processor.h"
#include "meter/engine/frame_parser.h"
#include "meter/engine/meter_state.h"
#include "meter/link/com_search.h"
#include "meter/link/link_state.h"
#include "meter/link/serial_dispatch.h"
#include "meter/link/serial_port.h"
#include "meter/meter_events.h"
#include "meter/record/data_file.h"
#include "meter/record/text_log.h"
#include "meter/engine/register_log.h"
#include "platform/comm_link.h"
#include "platform/comm_port.h"
#include "platform/user_notice.h"

namespace {
int g_waitDivisor = 1;
bool g_programEnding = false;

struct RunningWait {
  QEventLoop loop;
  bool interrupted = false;
};
QList<RunningWait*> g_waits;

LinkStatus g_status;
bool g_lost = false;
QTimer* g_retryTimer = nullptr;

QString comNumber() { return QString::number(comPort); }

void publish(const LinkStatus& status) { showLinkStatus(status); }

void publishLines() { emit meterEvents().serialLinesChanged(serialLines()); }

bool dataFileOpen() { return zavOutFile > 0; }

// What the user sees of a port that did not open: the caption's first words, then the
// device and the reason the port gave ("COM3 (/dev/ttyS2): permission denied; ...").
QString cannotOpenCaption(const QString& portError) {
  const QString head = QStringLiteral("Error: Cannot open COM") + comNumber();
  const QString com = QStringLiteral("COM") + comNumber();
  if (portError.isEmpty()) return head;
  if (portError.startsWith(com)) return head + portError.mid(com.size());
  return head + QStringLiteral(": ") + portError;
}

void stopRetrying() {
  g_lost = false;
  if (g_retryTimer) g_retryTimer->stop();
}

// Data file, then port; on-line with the -2 marker. Resuming after a lost device skips
// the message box: nobody asked for it.
bool startRecording(bool resuming, QString& caption) {
  LinkStatus status = g_status;
  if (writeToZAVdataFile) {
    if (!dataFileOpen()) openOutZavDat();
  } else {
    status.autoPlotEnabled = false;
  }
  meterOnline = false;
  bool ok = false;
  if (writeToZAVdataFile && !dataFileOpen()) {
    // Where the user looks: which file and why.
    const QString problem = dataFileOpenProblem();
    if (!resuming) {
      userNotice(QStringLiteral("Error: Cannot open Zav-file") +
                 (problem.isEmpty() ? QString() : "\r\n" + problem));
    }
    caption = QStringLiteral("Error: Cannot open data file") + (problem.isEmpty() ? QString() : " " + problem);
  } else if (!openCom(true)) {
    caption = cannotOpenCaption(serialPort().lastError());
  } else {
    readingCount = 0;
    meterOnline = true;
    // The marker takes the time the data file dates the period's first section with,
    // so that after a kill the register finds where the period began.
    const bool prepared = dataFileOpen() && zavOutDat.header.records == 0;
    writeLogLine(prepared ? zavOutDat.header.startTime : dateNow(), energyWh, kOnlineMarker);
    caption = QStringLiteral("Energy meter - waiting for meter at COM") + comNumber();
    ok = true;
  }
  status.captionColour = ok ? kSysColorWindowText : kColorRed;
  g_status = status;
  return ok;
}

// The end every switch shares: caption, temperature, simulated pulses, the engine's reset.
void finishSwitch(const QString& caption) {
  LinkStatus status = g_status;
  status.caption = caption;
  status.onlineTicked = meterOnline;
  status.stale = false;
  publish(status);
  emit meterEvents().temperatureTextChanged(QStringLiteral(" "));
  pulseDivider = 1;
  pulseDivCounter = 0;
  if (meterOnline) clearCountProcessor();
  emit meterEvents().linkOnlineChanged(meterOnline);
}

void retryLostDevice() {
  if (!g_lost || !meterOnline) {
    stopRetrying();
    return;
  }
  CommLink& port = serialPort();
  port.setCommPort(comPort);
  // A quiet probe first: the full open logs and colours its failure.
  if (!port.setPortOpen(true)) {
    logMsg(3, QStringLiteral("deviceLost: still lost: ") + port.lastError());
    return;
  }
  port.setPortOpen(false);
  stopRetrying();
  logMsg(1, QStringLiteral("deviceLost: COM") + comNumber() + QStringLiteral(" is back, recording again"));
  QString caption;
  startRecording(true, caption);
  finishSwitch(caption);
}
}  // namespace

const LinkStatus& linkStatus() { return g_status; }

void showLinkStatus(const LinkStatus& status) {
  g_status = status;
  emit meterEvents().linkStatusChanged(g_status);
}

SerialLines serialLines() {
  const CommLink& port = serialPort();
  if (!port.portOpen()) return {};
  return {port.breakOn(), port.dtrEnable(), port.rtsEnable()};
}

void setSerialLines(const SerialLines& lines) {
  CommLink& port = serialPort();
  port.setRTSEnable(lines.rts);
  port.setDTREnable(lines.dtr);
  port.setBreak(lines.txBreak);
  publishLines();
}

int16_t effectiveIfType() { return (protocolAnalyzerMode || tempReceiverMode) ? int16_t(4) : ifType; }

bool setOnLine(bool goOnline) {
  const bool asked = goOnline;
  if (goOnline) {
    if (ZAVdetectorVer == -1 && ifType >= 2) {
      userNotice(QStringLiteral("Selected detector type is not supported"), MsgIcon::Warning);
      goOnline = false;
    } else if (!meterOnline && comPort == 0) {
      LinkStatus status = g_status;
      status.onlineTicked = false;
      status.captionColour = kSysColorWindowText;
      status.caption = QStringLiteral("Energy meter - Searching for detector");
      publish(status);
      searchComPorts();
      return meterOnline == asked;
    }
  }
  const bool wasLost = g_lost;
  stopRetrying();
  QString caption;
  if (goOnline) {
    startRecording(false, caption);
  } else {
    g_status.autoPlotEnabled = true;
    meterOnline = false;
    openCom(false);
    if (dataFileOpen()) closeOutZavDat();
    // A lost device already wrote the off-line marker at the time of the loss.
    if (!wasLost) writeLogLine(dateNow(), energyWh, kOfflineMarker);
    caption = QStringLiteral("Energy meter - OffLine");
    g_status.captionColour = kSysColorWindowText;
  }
  finishSwitch(caption);
  return meterOnline == asked;
}

void showSimulationState(bool simulate) {
  simulating = simulate;
  LinkStatus status = g_status;
  status.caption = simulate ? QStringLiteral("Energy meter - Simulating") : QStringLiteral("Energy meter - OffLine");
  publish(status);
  emit meterEvents().simulationSwitched(simulate);
}

bool openCom(bool open) {
  CommLink& port = serialPort();
  breakIndicated = false;
  if (!open) {
    if (!port.portOpen()) {
      logMsg(1, QStringLiteral("openCom: port is not open"));
      return false;
    }
    port.setBreak(false);
    port.setDTREnable(false);
    port.setRTSEnable(false);
    port.setPortOpen(false);
    publishLines();
    logMsg(1, QStringLiteral("openCom: closing com") + comNumber());
    return true;
  }

  const int16_t type = effectiveIfType();
  if (comPort < 1 || comPort > 255) {
    emit meterEvents().comPortRefused();
    logMsg(1, QStringLiteral("openCom: ERROR comPort=") + comNumber());
    return false;
  }

  QString settings = comSetting;
  if (settings.isEmpty()) settings = type <= 1 ? QStringLiteral("1200,N,8,1") : QStringLiteral("19200,N,8,1");
  if (type >= 2) settings = QStringLiteral("19200,N,8,1");
  if (ZAVdetectorVer == kSlowControllerDetectorVer && type >= 2) settings = QStringLiteral("2400,N,8,1");
  if (tempReceiverMode) {
    settings = QStringLiteral("9600,N,8,1");
    sensorBaud = 9600;
  }
  portBaudRate = val(settings);

  if (!port.setSettings(settings)) {
    emit meterEvents().comSettingRefused();
    userNotice(QStringLiteral("Error: Cannot open Comport\r\n") + port.lastError(), MsgIcon::Information,
               QStringLiteral("COM-setting error"));
    return false;
  }
  // Binary input, every waiting byte per read, no handshaking; the protocol analyser only
  // wants the line-signal events.
  port.setRThreshold(protocolAnalyzerMode ? 0 : 1);
  // Going on-line again while open reopens the port with the new settings instead of
  // failing with "already open" and leaving it open behind an error caption.
  if (port.portOpen()) port.setPortOpen(false);
  port.setCommPort(comPort);
  if (!port.setPortOpen(true)) {
    emit meterEvents().comPortRefused();
    logMsg(-1, QStringLiteral("openCom: ERROR ") + port.lastError());
    return false;
  }
  openIfType = type;
  resetSerialReceivers();
  const bool dtr = port.setDTREnable(true);
  const bool rts = port.setRTSEnable(true);
  if (!dtr || !rts) {
    const auto* real = qobject_cast<const CommPort*>(&port);
    logMsg(2, QStringLiteral("openCom: WARNING the device has no DTR/RTS lines: ") +
                  (real ? real->devicePath() : QStringLiteral("COM") + comNumber()));
  }
  port.setBreak(type == 3);
  publishLines();
  logMsg(1, QStringLiteral("openCom: opening com") + comNumber() + QStringLiteral(" MSComm1.Settings =") +
                port.settings());
  return true;
}

void deviceLost(const QString& why) {
  logMsg(-1, QStringLiteral("MSComm1_OnComm: ERROR ") + why);
  publishLines();
  if (!meterOnline || comSearchActive) return;
  const Date lostAt = dateNow();
  // Recording stops at the loss: the section is closed and the off-line marker carries
  // the time the device went, not the time someone noticed.
  if (dataFileOpen()) closeOutZavDat();
  writeLogLine(lostAt, energyWh, kOfflineMarker);
  emit meterEvents().idleTimerRequested(0);
  g_lost = true;
  LinkStatus status = g_status;
  status.caption = QStringLiteral("Device lost: ") + why + QStringLiteral(" - trying again");
  status.captionColour = kColorRed;
  status.onlineTicked = true;  // the user's intent stays
  status.stale = true;
  publish(status);
  logMsg(1, QStringLiteral("deviceLost: trying COM") + comNumber() + QStringLiteral(" again every ") +
                QString::number(kLostDeviceRetryMs / 1000) + QStringLiteral(" s"));
  if (!g_retryTimer) {
    g_retryTimer = new QTimer;
    QObject::connect(g_retryTimer, &QTimer::timeout, [] { retryLostDevice(); });
  }
  g_retryTimer->start(std::max(1, kLostDeviceRetryMs / g_waitDivisor));
}

bool deviceLostRetrying() { return g_lost; }

void setWaitDivisorForTests(int divisor) {
  g_waitDivisor = divisor > 0 ? divisor : 1;
  g_programEnding = false;
  stopRetrying();
}

void waitMs(int32_t ms, bool yieldEvents) {
  ms /= g_waitDivisor;
  if (ms <= 0) return;
  RunningWait wait;
  bool elapsed = false;
  QTimer::singleShot(std::chrono::milliseconds(ms), Qt::PreciseTimer, &wait.loop, [&] {
    elapsed = true;
    wait.loop.quit();
  });
  g_waits.append(&wait);
  // Without yielding, only repaints and timers run: no input, serial or socket events.
  wait.loop.exec(yieldEvents ? QEventLoop::AllEvents
                             : QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
  g_waits.removeOne(&wait);
  // Besides an interruption, only the program's end stops every event loop early.
  if (!elapsed && !wait.interrupted) g_programEnding = true;
}

void interruptWaits() {
  for (RunningWait* w : std::as_const(g_waits)) {
    w->interrupted = true;
    w->loop.quit();
  }
}

bool programEndingDuringWait() { return g_programEnding; }

