#include "web/web_services.h"

#include <QFileInfo>
#include <QMetaObject>
#include <algorithm>
#include <cmath>

#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"
#include "platform/user_notice.h"
#include "web/http_response.h"
#include "web/web_events.h"
#include "web/web_log.h"
#include "web/web_paths.h"
#include "web/web_server.h"


namespace {
const QString kCrLf = QStringLiteral("\r\n");
}

PortCheck checkWebPort(const QString& text) {
  if (text.isEmpty()) return PortCheck::DefaultPort;
  const double port = std::trunc(val(text));
  return port >= 80 && port <= 65535 ? PortCheck::Accepted : PortCheck::Refused;
}

void checkWebRootFolder() {
  emit webEvents().settingsNeeded();
  const QString path = webRootPath(webRootText);
  // A folder without files still serves the graph and the XML record.
  if (!QFileInfo(path).isDir()) {
    emit webEvents().webRootRefused(path);
    userNotice(QStringLiteral("The selected folder path: ") + path + kCrLf +
                   QStringLiteral("was not found!") + kCrLf + kCrLf +
                   QStringLiteral("Please enter a valid path for Web Server Root Directory.") + kCrLf,
               MsgIcon::Information);
    return;
  }
  emit webEvents().webRootAccepted(path);
  webRootFolder = addBackslash(path);
  startWebServer();
}

void startWebServer() {
  emit webEvents().settingsNeeded();
  WebServer& server = webServer();
  webServerPort = 0;
  webMaxConnections = 10;
  webSocketSlots = QVector<int16_t>(webMaxConnections + 1, 0);
  webRequestCount = webAcceptCount = webActiveCount = webPeakActive = webErrorCount = 0;
  webCounterLimit = 10000000;
  page404Text = make404Page();
  forgetWebRootPath();
  if (webRootFolder.isEmpty()) webRootFolder = addBackslash(webRootPath(webRootText));

  server.sockets().close(0);
  server.clearMarks();
  for (int box = 0; box < 5; ++box) server.showCounter(box);

  int port = int(std::trunc(std::clamp(val(webPortText), -1.0, 65536.0)));
  if (port == 0) port = 80;
  if (port > 0 && port <= 65535 && server.sockets().listen(port)) {
    webServerPort = port;
    logMsg(3, QStringLiteral("startWebServer: listening on port ") + QString::number(port) +
                  QStringLiteral(", web root ") + webRootFolder);
    initServerSockets();
    emit webEvents().serverStarted(QStringLiteral("http://") + ipLinkText(webListenerAddress(), port) + u'/');
  } else {
    logMsg(-1, QStringLiteral("startWebServer: ERROR: Cannot open port: ") + QString::number(port));
    emit webEvents().serverStartFailed(port);
  }
}

void initServerSockets() {
  WebServer& server = webServer();
  server.resetSlots();
  for (int i = 1; i <= webMaxConnections; ++i) {
    server.sockets().load(i);
    webSocketSlots[i] = 0;
  }
  listSocketStates(-1);
}

void stopWebServer() {
  webServer().sockets().close(0);
  emit webEvents().serverStopped();
  closeAllSockets();
  resetServerSettings();
}

void closeAllSockets() {
  WebServer& server = webServer();
  SocketArray& sockets = server.sockets();
  for (int i = 0; i < sockets.size(); ++i) {
    if (!sockets.isLoaded(i)) continue;
    if (sockets.state(i) != sckClosed) sockets.close(i);
    if (i > 0) sockets.unload(i);
  }
  server.resetSlots();
  for (int16_t& s : webSocketSlots) s = 0;
  emit webEvents().socketRowsRemoved();
}

void resetServerSettings() {
  webServerPort = 0;
  webRootFolder.clear();
  page404Text.clear();
}

void listSocketStates(int index) {
  SocketArray& sockets = webServer().sockets();
  for (int i = 0; i <= webMaxConnections; ++i) {
    if ((index >= 0 && i != index) || !sockets.isLoaded(i)) continue;
    const int state = sockets.state(i);
    emit webEvents().socketRowChanged(i, state, socketStateName(state), i < webSocketSlots.size() ? webSocketSlots[i] : 0);
  }
}

QString webListenerAddress() { return webServerPort != 0 ? webServer().sockets().localIP() : QString(); }
int webListenerPort() { return webServer().sockets().localPort(0); }

void trayStartClicked(const QString& caption) {
  if (caption != QLatin1String(kTrayStartCaption)) {
    stopWebServer();
    return;
  }
  emit webEvents().settingsNeeded();
  const PortCheck port = checkWebPort(webPortText);
  if (port == PortCheck::Refused) {
    emit webEvents().portRefused(webPortText);
    return;
  }
  emit webEvents().portAccepted(port == PortCheck::DefaultPort);
  checkWebRootFolder();
}

void trayAboutClicked() { userNotice(QStringLiteral("Zav Webserver"), MsgIcon::Information); }

// Nothing in the program calls it: the server unloads its socket elements by
// index, and windows close themselves. It serves a caller holding only the object.
bool unloadObject(QObject* object) {
  if (!object) return false;
  // A window runs its own closing and may refuse; a control has nothing to refuse.
  if (object->metaObject()->indexOfMethod("close()") >= 0) {
    bool closed = true;
    QMetaObject::invokeMethod(object, "close", Qt::DirectConnection, Q_RETURN_ARG(bool, closed));
    if (!closed) return false;
  }
  object->deleteLater();
  return true;
}
