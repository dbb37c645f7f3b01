// Starting and stopping the web server, as the setup window's web tab and its
// tray menu ask for it. Results are announced through the server's events.
#include <QFileInfo>
#include <QMetaObject>

#include "core/log/logmsg.h"
#include "core/util/text_helpers.h"
#include "platform/descriptor_limit.h"
#include "platform/user_notice.h"
#include "web/http_response.h"
#include "web/web_paths.h"
#include "web/web_server.h"

PortCheck checkWebPort(const Settings& settings) {
  if (!settings.webPortAccepted) return PortCheck::Refused;
  return settings.webPortText.isEmpty() ? PortCheck::DefaultPort : PortCheck::Accepted;
}

void WebServer::checkWebRootFolder() {
  const QString path = webRootPath(m_settings.webRootText, m_settings.defaultWebRoot);
  // A folder without files still serves the graph and the XML record.
  if (!QFileInfo(path).isDir()) {
    emit m_events.start.webRootRefused(path);
    userNotice(QStringLiteral("The selected folder path: ") + path + kCrLf +
                   QStringLiteral("was not found!") + kCrLf + kCrLf +
                   QStringLiteral("Please enter a valid path for Web Server Root Directory.") + kCrLf,
               MsgIcon::Information);
    return;
  }
  emit m_events.start.webRootAccepted(path);
  m_site.root = addBackslash(path);
  startWebServer();
}

void WebServer::startWebServer() {
  m_port = 0;
  m_maxConnections = 10;
  m_socketSlots = QVector<int16_t>(m_maxConnections + 1, 0);
  m_counters = {};
  m_counterLimit = 10000000;
  m_page404Text = make404Page();
  if (m_site.root.isEmpty()) m_site.root = addBackslash(webRootPath(m_settings.webRootText, m_settings.defaultWebRoot));
  // Resolved at each start: a root reached through a link may lead elsewhere now.
  m_site.realRoot = realWebRoot(m_site.root);

  m_sockets.close(0);
  // Each slot may hold a file it sends besides its connection.
  const int descriptors = m_limits.descriptors > 0 ? m_limits.descriptors : descriptorLimit() - kReservedDescriptors;
  m_sockets.setDescriptorBudget(descriptors - m_maxConnections);
  clearMarks();
  for (int box = 0; box < 5; ++box) showCounter(box);

  const int port = m_settings.webPort;
  if (const Result<> listening = m_sockets.listen(port); listening) {
    m_port = port;
    logMsg(3, QStringLiteral("startWebServer: listening on port ") + QString::number(port) +
                  QStringLiteral(", web root ") + m_site.root);
    initServerSockets();
    emit m_events.start.serverStarted(QStringLiteral("http://") + ipLinkText(listenerAddress(), port) + u'/');
  } else {
    // The reason goes on the next line, so the first stays as it always read.
    logMsg(-1, QStringLiteral("startWebServer: ERROR: Cannot open port: ") + QString::number(port) + kCrLf +
                   listening.error());
    emit m_events.start.serverStartFailed(port);
  }
}

void WebServer::initServerSockets() {
  resetSlots();
  m_slots.resize(size_t(m_maxConnections) + 1);
  for (int i = 1; i <= m_maxConnections; ++i) {
    m_sockets.load(i);
    m_socketSlots[i] = 0;
  }
  listSocketStates(-1);
}

void WebServer::stopWebServer() {
  m_sockets.close(0);
  emit m_events.start.serverStopped();
  closeAllSockets();
  resetServerSettings();
}

void WebServer::closeAllSockets() {
  for (int i = 0; i < m_sockets.size(); ++i) {
    if (!m_sockets.isLoaded(i)) continue;
    if (m_sockets.state(i) != sckClosed) m_sockets.close(i);
    if (i > 0) m_sockets.unload(i);
  }
  resetSlots();
  for (int16_t& s : m_socketSlots) s = 0;
  emit m_events.connections.socketRowsRemoved();
}

void WebServer::resetServerSettings() {
  m_port = 0;
  m_site.root.clear();
  m_site.realRoot.clear();
  m_page404Text.clear();
}

void WebServer::listSocketStates(int index) {
  for (int i = 0; i <= m_maxConnections; ++i) {
    if ((index >= 0 && i != index) || !m_sockets.isLoaded(i)) continue;
    const int state = m_sockets.state(i);
    emit m_events.connections.socketRowChanged(i, state, socketStateName(state), m_socketSlots.value(i));
  }
}

QString WebServer::listenerAddress() const { return m_port != 0 ? m_sockets.localIP() : QString(); }
int WebServer::listenerPort() const { return m_sockets.localPort(0); }

void WebServer::trayStartClicked(const QString& caption) {
  if (caption != QLatin1String(kTrayStartCaption)) {
    stopWebServer();
    return;
  }
  const PortCheck port = checkWebPort(m_settings);
  if (port == PortCheck::Refused) {
    emit m_events.start.portRefused(m_settings.webPortText);
    return;
  }
  emit m_events.start.portAccepted(port == PortCheck::DefaultPort);
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
