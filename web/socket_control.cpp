#include "web/socket_control.h"

#include <fcntl.h>
#include <linux/tcp.h>  // tcp_info with the bytes the peer acknowledged
#include <netinet/in.h>
#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QNetworkInterface>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <cerrno>
#include <utility>

#include "core/util/text_helpers.h"
#include "web/lingering_close.h"

namespace {
// Connections the system holds for the listener before they are taken: room
// for a crowd of clients that reconnect at once, so a newcomer's connect is
// not dropped (and retried a second later) while slots change hands.
constexpr int kListenBacklog = 256;

bool wouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }
// Enough of a waiting connection's bytes to tell whether its request head is there.
constexpr qsizetype kMaxWaitingPeek = 16 * 1024 + 4;
}  // namespace

// Hands every connection the system accepted to the array as a descriptor.
// No socket object is made for it until it gets an element, so nothing reads
// it meanwhile, and every pending connection is taken at each notice: the
// system's queue never fills while the server is busy.
class ConnectionListener : public QTcpServer {
 public:
  explicit ConnectionListener(SocketArray* array) : QTcpServer(array), m_array(array) {}

 protected:
  void incomingConnection(qintptr fd) override { m_array->arrived(int(fd)); }

 private:
  SocketArray* m_array;
};

SocketArray::SocketArray()
    : m_server(new ConnectionListener(this)),
      m_lingering(new LingeringCloses(this)),
      m_sockets(1, nullptr),
      m_loaded(1, true) {
  m_clock.start();
  connect(m_server, &QTcpServer::acceptError, this, [this](QAbstractSocket::SocketError e) {
    emit errorOccurred(0, int(e), m_server->errorString());
  });
}

SocketArray::~SocketArray() { closeWaiting(); }

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

int SocketArray::descriptor(int index) const {
  const QTcpSocket* s = socket(index);
  return s ? int(s->socketDescriptor()) : -1;
}

Result<> SocketArray::listen(int port) {
  if (m_server->isListening()) m_server->close();
  if (port <= 0 || port > kMaxTcpPort) return Failure(QStringLiteral("no such port"));
  m_server->setListenBacklogSize(kListenBacklog);
  if (!m_server->listen(QHostAddress::Any, quint16(port))) return Failure(m_server->errorString());
  return {};
}

void SocketArray::arrived(int fd) {
  m_arrived.push_back({.id = m_nextRequestId++, .fd = fd, .since = m_clock.elapsed()});
  offerLater();
}

void SocketArray::offerLater() {
  if (m_offerQueued) return;
  m_offerQueued = true;
  QMetaObject::invokeMethod(this, &SocketArray::offerNext, Qt::QueuedConnection);
}

void SocketArray::offerAgain() {
  m_offerFirst = true;
  offerLater();
}

SocketArray::Outcome SocketArray::offer(const Waiting& w) {
  m_offered = w;
  char c;
  m_offered.gone = ::recv(w.fd, &c, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
  m_outcome = Outcome::None;
  emit connectionRequest(0, w.id);
  m_offered = {};
  return m_outcome;
}

// The line's first while the handler takes them, then each newcomer once, in
// the order they came. One the handler neither takes nor keeps waiting is
// closed (without a reset, should it have sent its request).
void SocketArray::offerNext() {
  m_offerQueued = false;
  for (bool first = std::exchange(m_offerFirst, false); first && !m_line.empty();) {
    const Waiting w = m_line.front();
    const Outcome o = offer(w);
    if (o == Outcome::Held) break;
    if (m_line.empty() || m_line.front().id != w.id) continue;  // the server stopped meanwhile
    m_line.pop_front();
    if (o == Outcome::None) closeUntaken(w);
  }
  while (!m_arrived.empty()) {
    const Waiting w = m_arrived.front();
    m_arrived.pop_front();
    const Outcome o = offer(w);
    if (o == Outcome::Held)
      m_line.push_back(w);
    else if (o == Outcome::None)
      closeUntaken(w);
  }
}

// One whose peer left without a word is closed at once: a flood of them costs little.
void SocketArray::closeUntaken(const Waiting& w) {
  char c;
  if (::recv(w.fd, &c, 1, MSG_PEEK | MSG_DONTWAIT) == 0)
    ::close(w.fd);
  else
    m_lingering->add(w.fd);
}

void SocketArray::holdRequest(qintptr requestId) {
  if (requestId == m_offered.id && m_outcome == Outcome::None) m_outcome = Outcome::Held;
}

void SocketArray::refuseRequest(qintptr requestId, const QByteArray& answer) {
  if (requestId != m_offered.id || m_outcome != Outcome::None) return;
  m_outcome = Outcome::Refused;
  m_lingering->add(m_offered.fd, answer);
}

bool SocketArray::isWaiting(qintptr requestId) const {
  return std::any_of(m_line.begin(), m_line.end(), [&](const Waiting& w) { return w.id == requestId; });
}

qint64 SocketArray::waitedMs(qintptr requestId) const {
  for (const Waiting& w : m_line)
    if (w.id == requestId) return m_clock.elapsed() - w.since;
  return 0;
}

qintptr SocketArray::longestWaitingIncomplete(qint64 minAgeMs,
                                              const std::function<bool(QByteArrayView)>& complete) {
  const qint64 now = m_clock.elapsed();
  QByteArray bytes;
  for (Waiting& w : m_line) {
    if (now - w.since < minAgeMs) break;  // the rest came later
    if (w.complete || w.id == m_offered.id) continue;
    if (bytes.isEmpty()) bytes.resize(kMaxWaitingPeek);
    const ssize_t n = ::recv(w.fd, bytes.data(), size_t(bytes.size()), MSG_PEEK | MSG_DONTWAIT);
    w.complete = complete(QByteArrayView(bytes.constData(), n > 0 ? n : 0));
    if (!w.complete) return w.id;
  }
  return 0;
}

bool SocketArray::offeredIs(const std::function<bool(QByteArrayView)>& complete) const {
  if (m_offered.fd < 0) return false;
  QByteArray bytes(kMaxWaitingPeek, Qt::Uninitialized);
  const ssize_t n = ::recv(m_offered.fd, bytes.data(), size_t(bytes.size()), MSG_PEEK | MSG_DONTWAIT);
  return complete(QByteArrayView(bytes.constData(), n > 0 ? n : 0));
}

void SocketArray::dropWaiting(qintptr requestId) {
  for (auto it = m_line.begin(); it != m_line.end(); ++it)
    if (it->id == requestId) {
      m_lingering->putAside(it->fd);
      m_line.erase(it);
      return;
    }
}

void SocketArray::closeWaiting() {
  for (const std::deque<Waiting>* q : {&m_arrived, &m_line})
    for (const Waiting& w : *q) ::close(w.fd);
  m_arrived.clear();
  m_line.clear();
}

bool SocketArray::accept(int index, qintptr requestId) {
  if (requestId != m_offered.id || m_outcome != Outcome::None || !isLoaded(index) || index == 0) return false;
  auto* s = new QTcpSocket(this);
  if (!s->setSocketDescriptor(m_offered.fd)) {
    delete s;
    return false;
  }
  m_outcome = Outcome::Taken;
  close(index);
  attach(index, s);
  return true;
}

void SocketArray::attach(int index, QTcpSocket* s) {
  m_sockets[index] = s;
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
    closeWaiting();
    return;
  }
  QTcpSocket* s = socket(index);
  if (!s) return;
  dropWatch(index);
  m_sockets[index] = nullptr;
  s->disconnect(this);
  s->abort();
  s->deleteLater();
}

// The socket object goes; a copy of its descriptor lingers, unless nothing
// of the peer's waits unread and all that was sent has been acknowledged (a
// reset could cut nothing off then).
void SocketArray::closeAnswered(int index) {
  const QTcpSocket* s = socket(index);
  const int fd = s && s->state() == QAbstractSocket::ConnectedState && s->bytesToWrite() == 0
                     ? int(s->socketDescriptor())
                     : -1;
  int unread = 0, unacknowledged = 0;
  const bool settled = fd < 0 || (::ioctl(fd, FIONREAD, &unread) == 0 && unread == 0 &&
                                  ::ioctl(fd, SIOCOUTQ, &unacknowledged) == 0 && unacknowledged == 0);
  const int copy = settled ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
  close(index);
  if (copy >= 0) m_lingering->add(copy);
}

void SocketArray::sendData(int index, const QByteArray& bytes) {
  if (QTcpSocket* s = socket(index)) s->write(bytes);
}

qint64 SocketArray::bytesToWrite(int index) const {
  const QTcpSocket* s = socket(index);
  return s ? s->bytesToWrite() : 0;
}

qint64 SocketArray::deliveredBytes(int index) const {
  const int fd = descriptor(index);
  tcp_info info{};
  socklen_t length = sizeof info;
  if (fd < 0 || ::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &length) != 0) return 0;
  return qint64(info.tcpi_bytes_acked);
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

// Its own notices on the descriptor: the socket object reads no more
// (holdInput), so it sees neither the end of input nor a reset.
void SocketArray::watchPeer(int index) {
  const int fd = descriptor(index);
  if (fd < 0 || m_watched.contains(index)) return;
  PeerWatch w{new QSocketNotifier(fd, QSocketNotifier::Read, this),
              new QSocketNotifier(fd, QSocketNotifier::Exception, this)};
  connect(w.input, &QSocketNotifier::activated, this, [this, index, fd] {
    char buf[4096];
    const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
    if (n > 0 || (n < 0 && wouldBlock())) return;  // what follows the request is dropped
    if (const auto it = m_watched.constFind(index); it != m_watched.cend()) it->input->setEnabled(false);
    if (n == 0)
      emit peerInputEnded(index);
    else
      emit peerGone(index);
  });
  // An error or a hang-up: what was sent to the peer was refused.
  connect(w.gone, &QSocketNotifier::activated, this, [this, index] {
    if (const auto it = m_watched.constFind(index); it != m_watched.cend()) it->gone->setEnabled(false);
    emit peerGone(index);
  });
  m_watched.insert(index, w);
}

void SocketArray::stopWatching(int index) { dropWatch(index); }

void SocketArray::dropWatch(int index) {
  const PeerWatch w = m_watched.take(index);
  // Possibly from within their own notice: they go later, silent from now.
  for (QSocketNotifier* n : {w.input, w.gone}) {
    if (!n) continue;
    n->setEnabled(false);
    n->deleteLater();
  }
}

bool SocketArray::inputEnded(int index) const {
  const int fd = descriptor(index);
  char c;
  return fd >= 0 && ::recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

bool SocketArray::sendAhead(int index, QByteArrayView bytes) {
  const QTcpSocket* s = socket(index);
  if (!s || s->bytesToWrite() > 0) return false;
  return ::send(int(s->socketDescriptor()), bytes.data(), size_t(bytes.size()),
                MSG_NOSIGNAL | MSG_DONTWAIT) == bytes.size();
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
