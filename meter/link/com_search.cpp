#include "meter/link/com_search.h"

#include <QList>

#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/settings/ini_writer.h"
#include "meter/engine/meter_state.h"
#include "meter/link/link_state.h"
#include "meter/link/online_state.h"
#include "meter/link/serial_port.h"
#include "meter/meter_events.h"
#include "platform/comm_link.h"
#include "platform/user_notice.h"

namespace {
constexpr int kHighestPort = 16;
constexpr int kPolls = 30;  // 31 polls of 100 ms per port

bool g_searching = false;
bool g_cancelled = false;
QList<int> g_ports;

MeterEvents& events() { return meterEvents(); }

// The search stops at the program's end or at the user's Cancel.
bool stopSearch() { return programEndingDuringWait() || g_cancelled; }

// Each port of the list goes into the setting while it is tried.
void tryPort(int port) {
  testComPort = int16_t(port);
  comPort = testComPort;
  emit events().comPortChosen(port);
}

void listPortsThatOpen(bool showProgress) {
  CommLink& port = serialPort();
  if (port.portOpen()) {
    userNotice(QStringLiteral("Cannot search ports while on-line!"));
    return;
  }
  emit events().linkBusy(true);
  g_ports.clear();
  for (int n = 1; n <= kHighestPort; ++n) {
    if (showProgress) emit events().searchProgressValue(0, n);
    // Within a search the Cancel button must get through.
    waitMs(100, showProgress);
    if (stopSearch()) break;
    port.setCommPort(n);
    if (port.setPortOpen(true)) {
      port.setPortOpen(false);
      g_ports.append(n);
    } else if (port.lastErrorKind() == CommError::Permission) {
      // Skipped like any port that does not open, but the user must learn why.
      logMsg(-1, QStringLiteral("findAvailableComPorts: ERROR ") + port.lastError());
    }
  }
  emit events().portListChanged(g_ports);
  emit events().linkBusy(false);
}

// Tries each listed port; the first that opens is taken (plain pulse device, no answer to
// wait for).
void searchFirstPortThatOpens() {
  detectorAnswered = false;
  emit events().searchProgressReset(QStringLiteral("searching for first available COM-port"));
  emit events().searchProgressBar(0, 0, kHighestPort, QStringLiteral("Searching COM-ports"));
  emit events().searchProgressBar(1, 0, 100, QString());
  listPortsThatOpen(true);
  const QList<int> ports = g_ports;
  emit events().searchProgressBar(1, 0, ports.size(), QStringLiteral("Opening first available COM-port, testing "));
  for (int i = 1; i <= ports.size() && !stopSearch(); ++i) {
    emit events().searchProgressValue(1, i);
    tryPort(ports[i - 1]);
    if (openCom(true)) {
      detectorAnswered = true;
      waitMs(2000, true);
      openCom(false);
      if (detectorAnswered || stopSearch()) break;
    }
  }
}

// Tries each listed port until a controller frame arrives on it.
void searchAnsweringController() {
  emit events().searchProgressReset(QStringLiteral("searching for Zav Controller on all available COM-ports"));
  emit events().searchProgressBar(0, 0, kHighestPort, QStringLiteral("Searching COM-ports"));
  emit events().searchProgressBar(1, 0, 100, QString());
  emit events().searchProgressBar(2, 0, 100, QStringLiteral("$Testing ComPort1"));
  listPortsThatOpen(true);
  const QList<int> ports = g_ports;
  emit events().searchProgressBar(1, 0, ports.size(), QStringLiteral("Testing available COM-ports"));
  comSearchActive = true;
  detectorAnswered = false;
  for (int i = 1; i <= ports.size() && !stopSearch(); ++i) {
    tryPort(ports[i - 1]);
    emit events().searchProgressValue(1, i);
    waitMs(1000, true);
    if (stopSearch()) break;
    const QString number = QString::number(testComPort);
    emit events().searchProgressBar(2, 0, kPolls, QStringLiteral("$Testing ComPort ") + number);
    if (!openCom(true)) continue;
    for (int j = 0; j <= kPolls; ++j) {
      emit events().searchProgressValue(2, j);
      waitMs(100, true);
      if (stopSearch()) break;
      if (detectorAnswered) {
        emit events().searchProgressBar(2, 0, kPolls,
                                        QStringLiteral("$Zav detector found at ComPort ") + number +
                                            QStringLiteral("  (") + QString::number(100 * j) +
                                            QStringLiteral("ms)"));
        emit events().searchProgressValue(2, j);
        waitMs(2000, true);
        break;
      }
    }
    openCom(false);
    if (detectorAnswered || stopSearch()) break;
  }
  comSearchActive = false;
}

// A search that took nothing says so and how to go on.
void showSearchFailed(bool cancelled) {
  LinkStatus status = linkStatus();
  status.caption = cancelled ? QStringLiteral("Energy meter - Search cancelled: set the COM port in Setup")
                             : QStringLiteral("Energy meter - No detector found: set the COM port in Setup");
  status.captionColour = kColorRed;
  status.onlineTicked = false;
  showLinkStatus(status);
  logMsg(2, QStringLiteral("searchComPorts: ") + status.caption);
}
}  // namespace

void searchComPorts() {
  g_searching = true;
  g_cancelled = false;
  if (ifType < 2) {
    searchFirstPortThatOpens();
  } else {
    searchAnsweringController();
  }
  g_searching = false;
  const bool cancelled = g_cancelled;
  g_cancelled = false;
  if (programEndingDuringWait()) {
    // The program ends: no port is taken and nothing is written.
  } else if (!detectorAnswered || cancelled) {
    comPort = 0;
    emit events().comPortChosen(0);
    showSearchFailed(cancelled);
  } else {
    addToIniFile(QStringLiteral("comPort=") + QString::number(comPort));
    setOnLine(true);
  }
  emit events().searchProgressClosed();
}

void findAvailableComPorts() { listPortsThatOpen(false); }

void cancelComSearch() {
  if (!g_searching) return;
  g_cancelled = true;
  logMsg(2, QStringLiteral("searchComPorts: cancelled"));
  interruptWaits();
}
