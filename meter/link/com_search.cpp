// Finding the COM port of the meter device: the list of ports that open, and the search
// that tries them (the first port that opens, or the port whose controller answers).
// The progress window follows SearchProgress; its Cancel button calls cancelComSearch.
#include "core/log/logmsg.h"
#include "core/settings/ini_writer.h"
#include "meter/engine/meter_session.h"
#include "meter/link/meter_link.h"
#include "platform/comm_link.h"
#include "platform/named_colours.h"
#include "platform/user_notice.h"

namespace {
constexpr int kHighestPort = 16;
constexpr int kPolls = 30;  // 31 polls of 100 ms per port
}  // namespace

// Each port of the list goes into the setting while it is tried.
void MeterLink::tryPort(int port) {
  m_comPort = int16_t(port);
  emit m_portEvents.comPortChosen(port);
}

void MeterLink::stopWaiting() {
  m_session.dropSerialBytes();
  m_detectorAnswered = true;
}

void MeterLink::listPortsThatOpen(bool showProgress) {
  if (m_port.portOpen()) {
    userNotice(QStringLiteral("Cannot search ports while on-line!"));
    return;
  }
  emit m_portEvents.busy(true);
  m_ports.clear();
  for (int n = 1; n <= kHighestPort; ++n) {
    if (showProgress) emit m_progress.valueSet(0, n);
    // Within a search the Cancel button must get through.
    waitMs(100, showProgress);
    if (stopSearch()) break;
    m_port.setCommPort(n);
    if (m_port.setPortOpen(true)) {
      m_port.setPortOpen(false);
      m_ports.append(n);
    } else if (m_port.lastErrorKind() == CommError::Permission) {
      // Skipped like any port that does not open, but the user must learn why.
      logMsg(-1, QStringLiteral("findAvailableComPorts: ERROR ") + m_port.lastError());
    }
  }
  emit m_portEvents.portListChanged(m_ports);
  emit m_portEvents.busy(false);
}

// Tries each listed port; the first that opens is taken (plain pulse device, no answer to
// wait for).
void MeterLink::searchFirstPortThatOpens() {
  startWaiting();
  emit m_progress.started(QStringLiteral("searching for first available COM-port"));
  emit m_progress.barSet(0, 0, kHighestPort, QStringLiteral("Searching COM-ports"));
  emit m_progress.barSet(1, 0, 100, QString());
  listPortsThatOpen(true);
  const QList<int> ports = m_ports;
  emit m_progress.barSet(1, 0, ports.size(), QStringLiteral("Opening first available COM-port, testing "));
  for (int i = 1; i <= ports.size() && !stopSearch(); ++i) {
    emit m_progress.valueSet(1, i);
    tryPort(ports[i - 1]);
    if (openCom(true)) {
      m_detectorAnswered = true;
      waitMs(2000, true);
      closeCom();
      if (m_detectorAnswered || stopSearch()) break;
    }
  }
}

// Tries each listed port until a controller frame arrives on it.
void MeterLink::searchAnsweringController() {
  emit m_progress.started(QStringLiteral("searching for Zav Controller on all available COM-ports"));
  emit m_progress.barSet(0, 0, kHighestPort, QStringLiteral("Searching COM-ports"));
  emit m_progress.barSet(1, 0, 100, QString());
  emit m_progress.barSet(2, 0, 100, QStringLiteral("$Testing ComPort1"));
  listPortsThatOpen(true);
  const QList<int> ports = m_ports;
  emit m_progress.barSet(1, 0, ports.size(), QStringLiteral("Testing available COM-ports"));
  m_session.setSearching(true);
  startWaiting();
  for (int i = 1; i <= ports.size() && !stopSearch(); ++i) {
    tryPort(ports[i - 1]);
    emit m_progress.valueSet(1, i);
    waitMs(1000, true);
    if (stopSearch()) break;
    const QString number = QString::number(m_comPort);
    emit m_progress.barSet(2, 0, kPolls, QStringLiteral("$Testing ComPort ") + number);
    if (!openCom(true)) continue;
    for (int j = 0; j <= kPolls; ++j) {
      emit m_progress.valueSet(2, j);
      waitMs(100, true);
      if (stopSearch()) break;
      if (m_detectorAnswered) {
        emit m_progress.barSet(2, 0, kPolls,
                               QStringLiteral("$Zav detector found at ComPort ") + number + QStringLiteral("  (") +
                                   QString::number(100 * j) + QStringLiteral("ms)"));
        emit m_progress.valueSet(2, j);
        waitMs(2000, true);
        break;
      }
    }
    closeCom();
    if (m_detectorAnswered || stopSearch()) break;
  }
  m_session.setSearching(false);
}

// A search that took nothing says so and how to go on.
void MeterLink::showSearchFailed(bool cancelled) {
  LinkStatus status = m_status;
  status.setCaption(cancelled
                        ? QStringLiteral("Energy meter - Search cancelled: set the COM port in Setup")
                        : QStringLiteral("Energy meter - No detector found: set the COM port in Setup"));
  status.captionColour = kRed;
  status.onlineTicked = false;
  showStatus(status);
  logMsg(2, QStringLiteral("searchComPorts: ") + status.caption);
}

void MeterLink::searchComPorts() {
  m_searchRunning = true;
  m_cancelled = false;
  if (m_settings.ifType < 2) {
    searchFirstPortThatOpens();
  } else {
    searchAnsweringController();
  }
  m_searchRunning = false;
  const bool cancelled = m_cancelled;
  m_cancelled = false;
  if (m_programEnding) {
    // The program ends: no port is taken and nothing is written.
  } else if (!m_detectorAnswered || cancelled) {
    m_comPort = 0;
    emit m_portEvents.comPortChosen(0);
    showSearchFailed(cancelled);
  } else {
    addToIniFile(m_settings.iniFileName, QStringLiteral("comPort=") + QString::number(m_comPort));
    setOnLine(true);
  }
  emit m_progress.ended();
}

void MeterLink::findAvailableComPorts() { listPortsThatOpen(false); }

void MeterLink::cancelComSearch() {
  if (!m_searchRunning) return;
  m_cancelled = true;
  logMsg(2, QStringLiteral("searchComPorts: cancelled"));
  interruptWaits();
}
