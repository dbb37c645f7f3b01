#include "web/socket_control.h"

#include <sys/socket.h>

#include <QNetworkInterface>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <utility>

#include "core/util/text_helpers.h"

namespace {
// Connections the system holds for the listener before they are taken: room
// for a crowd of clients that reconnect at once, so a newcomer's connect is
// not dropped (and retried a second later) while slots change hands.
constexpr int kListenBacklog = 256;
}  // namespace

SocketArray::SocketArray() : m_server(new QTcpServer(this)), m_sockets(1, nullptr), m_loaded(1, true) {
  connect(m_server, &QTcpServer::newConnection, this, &SocketArray::offerNextLater);
  connect(m_server, &QTcpServer::acceptError, this, [this](QAbstractSocket::SocketError e) {
    emit errorOccurred(0, int(e), m_server->errorString());
  });
}

SocketArray::~SocketArray() {
  for (QTcpSocket* s : m_pending) s->abort();
  if (m_held) m_held->abort();
}

void SocketArray::load(int index) {
  if (index <= 0) return;
  if (index >= m_sockets.size()) {
    m_sockets.resize(index + 1, nullptr);
    m_loaded.resize(index + 1, false);
  }
  m_loaded[index] = true;
}

void SocketArray::unload(int index) {
  if (index <= 0 || !isLoaded(index)) return;
  close(index);
  m_loaded[index] = false;
}

int SocketArray::loadedCount() const { return int(std::count(m_loaded.begin(), m_loaded.end(), true)); }

bool SocketArray::isLoaded(int index) const { return index >= 0 && index < m_loaded.size() && m_loaded[index]; }

QTcpSocket* SocketArray::socket(int index) const {
  return index > 0 && index < m_sockets.size() ? m_sockets[index] : nullptr;
}

Result<> SocketArray::listen(int port) {
  if (m_server->isListening()) m_server->close();
  if (port <= 0 || port > kMaxTcpPort) return Failure(QStringLiteral("no such port"));
  m_server->setListenBacklogSize(kListenBacklog);
  if (!m_server->listen(QHostAddress::Any, quint16(port))) return Failure(m_server->errorString());
  return {};
}

// Every pending connection is offered once; one the handler neither takes nor
// holds is closed at once, so a full pool keeps no descriptor but the held
// one (offered again by offerAgain, before any other). One is offered per
// pass of the event loop, so what the connections taken before it have sent
// is read first: a burst of new connections cannot push out a request that
// has already arrived.
void SocketArray::offerNextLater() {
  if (m_offerQueued || m_held) return;
  m_offerQueued = true;
  QMetaObject::invokeMethod(this, &SocketArray::offerNext, Qt::QueuedConnection);
}

void SocketArray::offerNext() {
  m_offerQueued = false;
  QTcpSocket* s = std::exchange(m_held, nullptr);
  const qintptr id = s ? m_heldId : m_nextRequestId;
  if (!s && (s = m_server->nextPendingConnection())) ++m_nextRequestId;
  if (!s) return;
  m_pending.insert(id, s);
  m_holdAsked = false;
  emit connectionRequest(0, id);
  if (m_pending.remove(id)) {
    if (m_holdAsked && m_server->isListening()) {
      m_held = s;
      m_heldId = id;
      return;
    }
    s->abort();
    s->deleteLater();
  }
  if (m_server->hasPendingConnections()) offerNextLater();
}

void SocketArray::holdRequest(qintptr requestId) {
  if (m_pending.contains(requestId)) m_holdAsked = true;
}

void SocketArray::offerAgain() {
  if (!m_held || m_offerQueued) return;
  m_offerQueued = true;
  QMetaObject::invokeMethod(this, &SocketArray::offerNext, Qt::QueuedConnection);
}

bool SocketArray::accept(int index, qintptr requestId) {
  QTcpSocket* s = m_pending.take(requestId);
  if (!s || !isLoaded(index) || index == 0) {
    if (s) {
      s->abort();
      s->deleteLater();
    }
    return false;
  }
  close(index);
  attach(index, s);
  // Bytes may already wait: they are announced like any later arrival.
  if (s->bytesAvailable() > 0)
    QMetaObject::invokeMethod(
        this, [this, index, s] { if (socket(index) == s && s->bytesAvailable() > 0) emit dataArrival(index, s->bytesAvailable()); },
        Qt::QueuedConnection);
  return true;
}

void SocketArray::attach(int index, QTcpSocket* s) {
  m_sockets[index] = s;
  s->setParent(this);
  connect(s, &QTcpSocket::readyRead, this, [this, index, s] {
    if (socket(index) == s) emit dataArrival(index, s->bytesAvailable());
  });
  connect(s, &QTcpSocket::bytesWritten, this, [this, index, s](qint64 written) {
    if (socket(index) != s) return;
    emit sendProgress(index, written, s->bytesToWrite());
    if (socket(index) == s && s->bytesToWrite() == 0) emit sendComplete(index);
  });
  connect(s, &QTcpSocket::connected, this, [this, index, s] {
    if (socket(index) == s) emit connectReceived(index);
  });
  connect(s, &QTcpSocket::disconnected, this, [this, index, s] {
    if (socket(index) == s) emit closeReceived(index);
  });
  connect(s, &QTcpSocket::errorOccurred, this, [this, index, s](QAbstractSocket::SocketError e) {
    // The peer's close is its own event; every other failure is an error.
    if (socket(index) == s && e != QAbstractSocket::RemoteHostClosedError) emit errorOccurred(index, int(e), s->errorString());
  });
}

void SocketArray::close(int index) {
  if (index == 0) {
    m_server->close();
    if (QTcpSocket* held = std::exchange(m_held, nullptr)) {
      held->abort();
      held->deleteLater();
    }
    return;
  }
  QTcpSocket* s = socket(index);
  if (!s) return;
  m_sockets[index] = nullptr;
  s->disconnect(this);
  s->close();  // written bytes still reach the peer
  s->deleteLater();
}

void SocketArray::sendData(int index, const QByteArray& bytes) {
  if (QTcpSocket* s = socket(index)) s->write(bytes);
}

QByteArray SocketArray::getData(int index) {
  QTcpSocket* s = socket(index);
  return s ? s->readAll() : QByteArray();
}

QByteArray SocketArray::peekData(int index, qsizetype max) const {
  QTcpSocket* s = socket(index);
  if (!s) return QByteArray();
  QByteArray bytes = s->peek(std::min(s->bytesAvailable(), qint64(max)));
  const qsizetype room = max - bytes.size();
  if (room > 0 && s->socketDescriptor() >= 0) {
    QByteArray more(room, Qt::Uninitialized);
    const ssize_t n = ::recv(int(s->socketDescriptor()), more.data(), size_t(room), MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) bytes.append(more.constData(), n);
  }
  return bytes;
}

void SocketArray::holdInput(int index) {
  QTcpSocket* s = socket(index);
  if (!s) return;
  // With its read buffer full, the socket stops reading: the end of the
  // peer's input stays unseen until the answer is out.
  if (s->bytesAvailable() == 0) s->ungetChar(' ');
  s->setReadBufferSize(1);
}

int SocketArray::state(int index) const {
  if (index == 0) return m_server->isListening() ? sckListening : sckClosed;
  const QTcpSocket* s = socket(index);
  if (!s) return sckClosed;
  switch (s->state()) {
    case QAbstractSocket::ConnectedState: return sckConnected;
    case QAbstractSocket::ClosingState: return sckClosing;
    case QAbstractSocket::HostLookupState: return sckResolvingHost;
    case QAbstractSocket::ConnectingState: return sckConnecting;
    default: return sckClosed;
  }
}

int SocketArray::localPort(int index) const {
  if (index == 0) return m_server->isListening() ? m_server->serverPort() : 0;
  const QTcpSocket* s = socket(index);
  return s ? s->localPort() : 0;
}

// The address others on the network reach the server at: the first
// non-loopback IPv4 address, else the loopback address.
QString SocketArray::localIP() const {
  for (const QHostAddress& a : QNetworkInterface::allAddresses())
    if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) return a.toString();
  return QStringLiteral("127.0.0.1");
}

QString SocketArray::remoteHostIP(int index) const {
  const QTcpSocket* s = socket(index);
  if (!s) return QString();
  QHostAddress a = s->peerAddress();
  bool ok = false;
  const QHostAddress v4(a.toIPv4Address(&ok));
  return ok ? v4.toString() : a.toString();
}

int SocketArray::remotePort(int index) const {
  const QTcpSocket* s = socket(index);
  return s ? s->peerPort() : 0;
}

qintptr SocketArray::socketHandle(int index) const {
  if (index == 0) return m_server->isListening() ? m_server->socketDescriptor() : -1;
  const QTcpSocket* s = socket(index);
  return s ? s->socketDescriptor() : -1;
}
