#include "meter/link/com_search.h"

#include "core/globals.h"
#include "core/log/logmsg.h"
#include "meter/link/link_host.h"
#include "meter/link/link_state.h"
#include "meter/link/online_state.h"
#include "platform/comm_link.h"
#include "platform/message_box.h"

namespace {
constexpr int kHighestPort = 16;
constexpr int kPolls = 30;  // 31 polls of 100 ms per port

// Tries each listed port; the first that opens is taken (plain pulse device, no answer to
// wait for).
void searchFirstPortThatOpens(LinkHost& h, LinkProgress& progress) {
  detectorAnswered = false;
  progress.Reset(QStringLiteral("searching for first available COM-port"));
  progress.initBar(0, 0, kHighestPort, QStringLiteral("Searching COM-ports"));
  progress.initBar(1, 0, 100, QString());
  findAvailableComPorts(&progress);
  const int n = h.portListCount();
  progress.initBar(1, 0, n, QStringLiteral("Opening first available COM-port, testing "));
  for (int i = 1; i <= n; ++i) {
    progress.update(1, i);
    testComPort = int16_t(h.portListItemData(i - 1));
    h.setComPortText(QString::number(testComPort));
    bool ok = false;
    openCom(true, ok);
    if (ok) {
      detectorAnswered = true;
      waitMs(2000, true);
      openCom(false, ok);
      if (detectorAnswered || programEndingDuringWait()) break;
    }
  }
}

// Tries each listed port until a controller frame arrives on it.
void searchAnsweringController(LinkHost& h, LinkProgress& progress) {
  progress.Reset(QStringLiteral("searching for Zav Controller on all available COM-ports"));
  progress.initBar(0, 0, kHighestPort, QStringLiteral("Searching COM-ports"));
  progress.initBar(1, 0, 100, QString());
  progress.initBar(2, 0, 100, QStringLiteral("$Testing ComPort1"));
  findAvailableComPorts(&progress);
  const int n = h.portListCount();
  progress.initBar(1, 0, n, QStringLiteral("Testing available COM-ports"));
  comSearchActive = true;
  detectorAnswered = false;
  for (int i = 1; i <= n; ++i) {
    testComPort = int16_t(h.portListItemData(i - 1));
    h.setComPortText(QString::number(testComPort));
    progress.update(1, i);
    waitMs(1000, true);
    if (programEndingDuringWait()) break;
    const QString port = QString::number(testComPort);
    progress.initBar(2, 0, kPolls, QStringLiteral("$Testing ComPort ") + port);
    bool ok = false;
    openCom(true, ok);
    if (!ok) continue;
    for (int j = 0; j <= kPolls; ++j) {
      progress.update(2, j);
      waitMs(100, true);
      if (programEndingDuringWait()) break;
      if (detectorAnswered) {
        progress.initBar(2, 0, kPolls,
                         QStringLiteral("$Zav detector found at ComPort ") + port + QStringLiteral("  (") +
                             QString::number(100 * j) + QStringLiteral("ms)"));
        progress.update(2, j);
        waitMs(2000, true);
        break;
      }
    }
    openCom(false, ok);
    if (detectorAnswered || programEndingDuringWait()) break;
  }
  comSearchActive = false;
}
}  // namespace

void searchComPorts() {
  LinkHost& h = linkHost();
  std::unique_ptr<LinkProgress> progress = h.newProgress();
  if (ifType < 2) {
    searchFirstPortThatOpens(h, *progress);
  } else {
    searchAnsweringController(h, *progress);
  }
  if (programEndingDuringWait()) {
    // The program ends: no port is taken and nothing is written.
  } else if (!detectorAnswered) {
    h.setComPortText(QString());
  } else {
    h.addToIniFile(QStringLiteral("comPort=") + h.comPortText());
    bool online = true;
    setOnLine(online);
  }
  progress.reset();
}

void findAvailableComPorts(LinkProgress* progress) {
  LinkHost& h = linkHost();
  CommLink& port = MSComm1();
  if (port.portOpen()) {
    msgBox(QStringLiteral("Cannot search ports while on-line!"));
    return;
  }
  h.setBusyCursor(true);
  h.clearPortList();
  for (int n = 1; n <= kHighestPort; ++n) {
    if (progress) progress->update(0, n);
    waitMs(100, false);
    if (programEndingDuringWait()) break;
    port.setCommPort(n);
    if (port.setPortOpen(true)) {
      port.setPortOpen(false);
      h.addPortListItem(n);
    } else if (port.lastErrorKind() == CommError::Permission) {
      // Skipped like any port that does not open, but the user must learn why.
      logMsg(-1, QStringLiteral("findAvailableComPorts: ERROR ") + port.lastError());
    }
  }
  if (h.portListCount() > 0) h.selectPortListItem(0);
  h.setBusyCursor(false);
}

void findAvailableComPorts() { findAvailableComPorts(nullptr); }
