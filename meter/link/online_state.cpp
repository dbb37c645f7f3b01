#include "meter/link/online_state.h"

#include <QEventLoop>
#include <QTimer>
#include <cmath>

#include "core/util/format_pattern.h"
#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/util/number_text.h"
#include "meter/engine/frame_parser.h"
#include "meter/link/com_search.h"
#include "meter/link/link_host.h"
#include "meter/link/link_state.h"
#include "meter/record/data_file.h"
#include "meter/window/main_menus.h"
#include "platform/comm_link.h"
#include "platform/comm_port.h"
#include "platform/message_box.h"

namespace {
int g_waitDivisor = 1;
bool g_programEnding = false;

QString comNumber() { return QString::number(comPort); }

// The COM port field as a port number; false when it does not fit a 16-bit integer.
bool comPortFromField(const QString& text, int16_t& port) {
  const double v = val(text);
  return roundToInt16(v, port);
}
}  // namespace

int16_t effectiveIfType() { return (protocolAnalyzerMode || tempReceiverMode) ? int16_t(4) : ifType; }

void setOnLine(bool& goOnline) {
  LinkHost& h = linkHost();
  if (goOnline) {
    if (ZAVdetectorVer == -1 && ifType >= 2) {
      msgBox(QStringLiteral("Selected detector type is not supported"), MsgButtons::Ok, MsgIcon::Warning);
      goOnline = false;
    } else if (!meterOnline && h.comPortText().trimmed().isEmpty()) {
      h.setOnlineBox(0);
      h.setFrame1ForeColor(kSysColorWindowText);
      h.setFrame1Caption(QStringLiteral("Energy meter - Searching for detector"));
      searchComPorts();
      return;
    }
  }
  QString caption;
  if (goOnline) {
    h.setFrame1ForeColor(kColorRed);
    if (h.writeToZAVdataFile()) {
      if (!h.dataFileOpen()) h.openDataFile();
    } else {
      h.setAutoPlotEnabled(false);
    }
    meterOnline = false;
    if (h.writeToZAVdataFile() && !h.dataFileOpen()) {
      // Where the user looks: which file and why.
      const QString problem = dataFileOpenProblem();
      msgBox(QStringLiteral("Error: Cannot open Zav-file") + (problem.isEmpty() ? QString() : "\r\n" + problem));
      caption = QStringLiteral("Error: Cannot open data file") + (problem.isEmpty() ? QString() : " " + problem);
    } else {
      bool ok = false;
      openCom(true, ok);
      if (!ok) {
        caption = QStringLiteral("Error: Cannot open COM") + comNumber();
      } else {
        h.resetReadingCount();
        meterOnline = true;
        h.writeLogLine(dateNow(), -2);
        caption = QStringLiteral("Energy meter - waiting for meter at COM") + comNumber();
        h.setFrame1ForeColor(kSysColorWindowText);
      }
    }
  } else {
    h.setAutoPlotEnabled(true);
    meterOnline = false;
    bool ok = false;
    openCom(false, ok);
    if (h.dataFileOpen()) h.closeDataFile();
    h.writeLogLine(dateNow(), -4);
    caption = QStringLiteral("Energy meter - OffLine");
    h.setFrame1ForeColor(kSysColorWindowText);
  }
  h.setFrame1Caption(caption);
  h.setTemperatureText(QStringLiteral(" "));
  h.resetSimulatedPulses();
  if (meterOnline) {
    h.setOnlineBox(1);
    h.newMeterCount(true);
  } else {
    h.setOnlineBox(0);
  }
  h.meterOnOflineChanged();
}

void showSimulationState(bool& simulate) {
  LinkHost& h = linkHost();
  simulating = simulate;
  if (simulate) {
    h.setFrame1Caption(QStringLiteral("Energy meter - Simulating"));
    h.setSimulationTimer(true);
  } else {
    h.setFrame1Caption(QStringLiteral("Energy meter - OffLine"));
    h.setSimulationTimer(false);
  }
}

void openCom(bool open, bool& ok) {
  LinkHost& h = linkHost();
  CommLink& port = MSComm1();
  ok = false;
  h.clearBreakIndicated();
  if (!open) {
    if (!port.portOpen()) {
      logMsg(1, QStringLiteral("openCom: port is not open"));
      return;
    }
    port.setBreak(false);
    port.setDTREnable(false);
    port.setRTSEnable(false);
    for (int i = 0; i < 3; ++i) h.setLineBox(i, 0);
    port.setPortOpen(false);
    ok = true;
    logMsg(1, QStringLiteral("openCom: closing com") + comNumber());
    return;
  }

  const int16_t type = effectiveIfType();
  int16_t number = 0;
  if (!comPortFromField(h.comPortText(), number)) {
    // Beyond a 16-bit port number: the field's error, as for any port outside 1..255.
    comPort = 0;
    h.setComPortColor(kColorRed);
    logMsg(1, QStringLiteral("openCom: ERROR comPort=") + strPlain(val(h.comPortText())));
    return;
  }
  comPort = number;
  if (comPort < 1 || comPort > 255) {
    h.setComPortColor(kColorRed);
    logMsg(1, QStringLiteral("openCom: ERROR comPort=") + comNumber());
    return;
  }

  QString settings = comSetting;
  if (settings.isEmpty()) settings = type <= 1 ? QStringLiteral("1200,N,8,1") : QStringLiteral("19200,N,8,1");
  if (type >= 2) settings = QStringLiteral("19200,N,8,1");
  if (ZAVdetectorVer == 24841 && type >= 2) settings = QStringLiteral("2400,N,8,1");
  if (tempReceiverMode) {
    settings = QStringLiteral("9600,N,8,1");
    sensorBaud = 9600;
  }
  portBaudRate = val(settings);

  if (!port.setSettings(settings)) {
    h.setComSettingColor(kColorRed);
    msgBox(QStringLiteral("Error: Cannot open Comport\r\n") + port.lastError(), MsgButtons::Ok,
           MsgIcon::Information, QStringLiteral("COM-setting error"));
    return;
  }
  // Binary input, every waiting byte per read, 1024-byte buffer, no handshaking; the
  // protocol analyser only wants the line-signal events.
  port.setRThreshold(protocolAnalyzerMode ? 0 : 1);
  port.setInBufferSize(CommLink::kDefaultInBufferSize);
  // Going on-line again while open reopens the port with the new settings instead of
  // failing with "already open" and leaving it open behind an error caption.
  if (port.portOpen()) port.setPortOpen(false);
  port.setCommPort(comPort);
  if (!port.setPortOpen(true)) {
    h.setComPortColor(kColorRed);
    logMsg(-1, QStringLiteral("openCom: ERROR ") + port.lastError());
    return;
  }
  openIfType = type;
  const bool dtr = port.setDTREnable(true);
  const bool rts = port.setRTSEnable(true);
  if (!dtr || !rts) {
    const auto* real = qobject_cast<const CommPort*>(&port);
    logMsg(2, QStringLiteral("openCom: WARNING the device has no DTR/RTS lines: ") +
                  (real ? real->devicePath() : QStringLiteral("COM") + comNumber()));
  }
  h.setLineBox(2, 1);
  h.setLineBox(1, 1);
  port.setBreak(type == 3);
  h.setLineBox(0, type == 3 ? 1 : 0);
  ok = true;
  logMsg(1, QStringLiteral("openCom: opening com") + comNumber() + QStringLiteral(" MSComm1.Settings =") +
                port.settings());
}

void Check2_Click(int16_t /*index*/) {
  const LinkHost& h = linkHost();
  CommLink& port = MSComm1();
  port.setRTSEnable(h.lineBox(2) == 1);
  port.setDTREnable(h.lineBox(1) == 1);
  port.setBreak(h.lineBox(0) == 1);
}

void setWaitDivisorForTests(int divisor) {
  g_waitDivisor = divisor > 0 ? divisor : 1;
  g_programEnding = false;
}

void waitMs(int32_t ms, bool yieldEvents) {
  ms /= g_waitDivisor;
  if (ms <= 0) return;
  QEventLoop loop;
  bool elapsed = false;
  QTimer::singleShot(std::chrono::milliseconds(ms), Qt::PreciseTimer, &loop, [&] {
    elapsed = true;
    loop.quit();
  });
  // Without yielding, only repaints and timers run: no input, serial or socket events.
  loop.exec(yieldEvents ? QEventLoop::AllEvents
                        : QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
  // Only the program's end stops every event loop early.
  if (!elapsed) g_programEnding = true;
}

bool programEndingDuringWait() { return g_programEnding; }

void stopWaiting(bool /*answered*/) {
  serialFrameReceiver().clearBuffer();
  detectorAnswered = true;
}
