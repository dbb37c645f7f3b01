#include "web/socket_control.h"

#include <fcntl.h>
#include <linux/tcp.h>  // tcp_info with the bytes the peer acknowledged
#include <arpa/inet.h>
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
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <utility>

#include "core/util/text_helpers.h"
#include "web/lingering_close.h"

namespace {
// Enough of a waiting connection's bytes to tell whether its request head is there.
constexpr qsizetype kMaxWaitingHead = 16 * 1024 + 4;
// The line is offered again this often while anything waits: those whose
// time is up, and the first requests, for slots that came free or may be made free.
constexpr int kLineCheckMs = 100;
// While accepting pauses at the descriptor budget, it is tried again this often.
constexpr int kResumeCheckMs = 50;

bool wouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }

// The peer's address as the status rows show it: IPv4 when it is one.
QString addressText(const QHostAddress& a) {
  bool ok = false;
  const QHostAddress v4(a.toIPv4Address(&ok));
  return ok ? v4.toString() : a.toString();
}

// The address and port of a descriptor's peer; none and 0 when it has none.
std::pair<QHostAddress, int> peerOf(int fd) {
  sockaddr_storage a{};
  socklen_t length = sizeof a;
  if (fd < 0 || ::getpeername(fd, reinterpret_cast<sockaddr*>(&a), &length) != 0) return {};
  const in_port_t port = a.ss_family == AF_INET6 ? reinterpret_cast<const sockaddr_in6*>(&a)->sin6_port
                                                 : reinterpret_cast<const sockaddr_in*>(&a)->sin_port;
  return {QHostAddress(reinterpret_cast<const sockaddr*>(&a)), ntohs(port)};
}
}  // namespace

// Hands every connection the system accepted to the array as a descriptor.
// No socket object is made for it until it gets an element, and every
// pending connection is taken at each notice: the system's queue never fills
// while the server is busy.
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
      m_loaded(1, true),
      m_complete([](QByteArrayView bytes) { return bytes.indexOf(QByteArrayView("\r\n\r\n")) >= 0; }),
      m_lineTimer(new QTimer(this)),
      m_resumeTimer(new QTimer(this)) {
  m_clock.start();
  m_lineTimer->setInterval(kLineCheckMs);
  connect(m_lineTimer, &QTimer::timeout, this, &SocketArray::offerAgain);
  m_resumeTimer->setSingleShot(true);
  m_resumeTimer->setInterval(kResumeCheckMs);
  connect(m_resumeTimer, &QTimer::timeout, this, &SocketArray::resumeAccepting);
  connect(m_server, &QTcpServer::acceptError, this, [this](QAbstractSocket::SocketError e) {
    emit errorOccurred(0, int(e), m_server->errorString());
  });
  m_lingering->setHandBack([this](QByteArrayView head) { return head.size() >= kMaxWaitingHead || m_complete(head); },
                           [this](int fd, const QByteArray& head) { handedBack(fd, head); });
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
  m_server->setMaxPendingConnections(1);  // none is ever pending: each is taken at once
  if (!m_server->listen(QHostAddress::Any, quint16(port))) return Failure(m_server->errorString());
  return {};
}

void SocketArray::setRequestComplete(std::function<bool(QByteArrayView)> complete) {
  m_complete = std::move(complete);
}

void SocketArray::setDescriptorBudget(int descriptors) { m_budget = descriptors; }

int SocketArray::heldDescriptors() const {
  const int elements = int(std::count_if(m_sockets.begin(), m_sockets.end(), [](QTcpSocket* s) { return s; }));
  return (m_server->isListening() ? 1 : 0) + elements + int(m_arrived.size() + m_line.size()) +
         m_lingering->count();
}

qint64 SocketArray::answerBytesPending() const { return m_lingering->pendingBytes(); }

void SocketArray::arrived(int fd) {
  Waiting& w = m_arrived.emplace_back();
  w.id = m_nextRequestId++;
  w.fd = fd;
  w.since = m_clock.elapsed();
  // No maximum of pending connections is ever reached but this one: with none
  // allowed, the listener takes no more and leaves them to the system's queue.
  if (heldDescriptors() >= m_budget) {
    m_server->setMaxPendingConnections(0);
    m_resumeTimer->start();
  }
  offerLater();
}

// One put aside whose request came after all: a newcomer from now, its
// request complete; with the listener closed, nothing answers it.
void SocketArray::handedBack(int fd, const QByteArray& head) {
  if (!m_server->isListening()) {
    ::close(fd);
    return;
  }
  Waiting& w = m_arrived.emplace_back();
  w.id = m_nextRequestId++;
  w.fd = fd;
  w.since = w.completeAt = m_clock.elapsed();
  w.head = head;
  w.complete = w.fresh = w.handedBack = true;
  offerLater();
}

void SocketArray::resumeAccepting() {
  if (m_server->maxPendingConnections() > 0 || !m_server->isListening()) return;
  if (heldDescriptors() >= m_budget) {
    m_resumeTimer->start();
    return;
  }
  m_server->setMaxPendingConnections(1);
  m_server->resumeAccepting();
}

void SocketArray::offerLater() {
  if (m_offerQueued) return;
  m_offerQueued = true;
  QMetaObject::invokeMethod(this, &SocketArray::offerNext, Qt::QueuedConnection);
}

void SocketArray::offerAgain() {
  m_offerAll = true;
  offerLater();
}

std::deque<SocketArray::Waiting>::iterator SocketArray::findWaiting(qintptr id) {
  return std::find_if(m_line.begin(), m_line.end(), [id](const Waiting& w) { return w.id == id; });
}

// Reads what has come, up to the head's limit: the system holds no request
// unread that the line could judge incomplete.
void SocketArray::readHead(Waiting& w) {
  const bool was = w.complete;
  while (!w.complete && !w.ended && w.head.size() < kMaxWaitingHead) {
    const qsizetype old = w.head.size();
    w.head.resize(std::min(kMaxWaitingHead, old + 4096));
    const ssize_t n = ::recv(w.fd, w.head.data() + old, size_t(w.head.size() - old), MSG_DONTWAIT);
    w.head.resize(old + std::max<ssize_t>(n, 0));
    if (n > 0) {
      w.complete = m_complete(w.head);
      continue;
    }
    if (n == 0 || !wouldBlock()) w.ended = true;
    break;
  }
  // A head over the limit is judged as it is.
  w.complete = w.complete || w.head.size() >= kMaxWaitingHead;
  if (w.complete && !was) {
    w.fresh = true;
    w.completeAt = m_clock.elapsed();
  }
}

SocketArray::Outcome SocketArray::offer(Waiting& w, bool waiting) {
  // A request's wait counts from when it was all there, a head's from the accept.
  const qint64 since = w.complete ? w.completeAt : w.since;
  m_offered = {.id = w.id,
               .handle = w.fd,
               .waiting = waiting,
               .complete = w.complete,
               .fresh = w.fresh,
               .gone = w.ended && !w.complete,
               .handedBack = w.handedBack,
               .waitedMs = m_clock.elapsed() - since,
               .head = w.head};
  for (const Waiting& before : m_line) {
    if (before.id == w.id) break;
    ++m_offered.ahead;
    m_offered.completeAhead = m_offered.completeAhead || before.complete;
  }
  m_offeredFd = w.fd;
  m_heldForMs = -1;
  m_outcome = Outcome::None;
  w.fresh = false;
  const qintptr id = w.id;
  emit connectionRequest(0, id);
  const Outcome o = m_outcome;
  if (o == Outcome::Held) {
    if (waiting) {
      if (const auto it = findWaiting(id); it != m_line.end()) it->due = since + m_heldForMs;
    } else {
      w.due = since + m_heldForMs;
    }
  }
  m_offered = {};
  m_offeredFd = -1;
  return o;
}

// The line's first while the handler takes them; behind one it holds, the
// complete requests in order until one is held, and whoever's time is up.
// Then each newcomer once, in the order they came, with what it sent so far.
void SocketArray::offerNext() {
  m_offerQueued = false;
  if (std::exchange(m_offerAll, false)) {
    const qint64 now = m_clock.elapsed();
    bool slotsFull = false, completeHeld = false;
    for (size_t i = 0; i < m_line.size();) {
      Waiting& w = m_line[i];
      if (now < w.due && (w.complete ? completeHeld : slotsFull)) {
        ++i;
        continue;
      }
      const bool complete = w.complete;
      const qintptr id = w.id;
      const Outcome o = offer(w, true);
      if (o == Outcome::Held) {
        slotsFull = true;
        completeHeld = completeHeld || complete;
      }
      i = settle(i, id, o);
    }
  }
  while (!m_arrived.empty()) {
    Waiting w = m_arrived.front();
    m_arrived.pop_front();
    readHead(w);
    const Outcome o = offer(w, false);
    if (o == Outcome::None) closeUntaken(w);
    if (o != Outcome::Held) continue;
    if (!w.complete && !w.ended) {
      w.reader = new QSocketNotifier(w.fd, QSocketNotifier::Read, this);
      connect(w.reader, &QSocketNotifier::activated, this, [this, id = w.id] { headArrived(id); });
    }
    m_line.push_back(w);
  }
  if (m_line.empty())
    m_lineTimer->stop();
  else if (!m_lineTimer->isActive())
    m_lineTimer->start();
}

// A waiting connection's offer is over: one not held leaves the line. The
// index of the next to look at.
size_t SocketArray::settle(size_t i, qintptr id, Outcome o) {
  if (i >= m_line.size() || m_line[i].id != id) {
    const auto it = findWaiting(id);
    if (it == m_line.end()) return i;  // gone meanwhile (the server stopped)
    i = size_t(it - m_line.begin());
  }
  if (o == Outcome::Held) return i + 1;
  Waiting w = m_line[i];
  m_line.erase(m_line.begin() + qsizetype(i));
  forget(w);
  if (o == Outcome::None) closeUntaken(w);
  return i;
}

// More of a waiting connection's head: one that left before its head ended
// is closed (there is nothing to answer); one whose request is now complete
// is offered again at once.
void SocketArray::headArrived(qintptr id) {
  const auto it = findWaiting(id);
  if (it == m_line.end()) return;
  readHead(*it);
  if (it->ended && !it->complete) {
    Waiting w = *it;
    m_line.erase(it);
    forget(w);
    ::close(w.fd);
    return;
  }
  if (!it->complete) return;
  forget(*it);  // nothing more is read of it
  const size_t i = size_t(it - m_line.begin());
  settle(i, id, offer(*it, true));
}

void SocketArray::forget(Waiting& w) {
  if (!w.reader) return;
  // Possibly from within its own notice: it goes later, silent from now.
  w.reader->setEnabled(false);
  w.reader->deleteLater();
  w.reader = nullptr;
}

// One whose peer left before its request was complete is closed at once
// (nothing of it is left unread): a flood of them costs little.
void SocketArray::closeUntaken(Waiting& w) {
  forget(w);
  if (w.ended && !w.complete)
    ::close(w.fd);
  else
    m_lingering->add(w.fd);
}

void SocketArray::holdRequest(qintptr requestId, qint64 forMs) {
  if (requestId != m_offered.id || m_outcome != Outcome::None) return;
  m_outcome = Outcome::Held;
  m_heldForMs = forMs;
}

void SocketArray::answerRequest(qintptr requestId, const QByteArray& answer) {
  if (requestId != m_offered.id || m_outcome != Outcome::None) return;
  if (m_offered.waiting)
    if (const auto it = findWaiting(requestId); it != m_line.end()) forget(*it);
  m_outcome = Outcome::Answered;
  m_lingering->add(m_offeredFd, answer);
}

QString SocketArray::offeredPeerIP() const { return addressText(peerOf(m_offeredFd).first); }
int SocketArray::offeredPeerPort() const { return peerOf(m_offeredFd).second; }

// The line's room in descriptors: what the budget leaves beside the
// listener, the elements, the lingering closes and a full queue taken at once.
bool SocketArray::lineHolds(qint64 maxBytes) const {
  const qsizetype room = qsizetype(m_budget) - 1 - (m_sockets.size() - 1) - kMaxLingering - kListenBacklog;
  if (qsizetype(m_line.size()) + 1 > room) return false;
  qint64 bytes = kWaitingCost + m_offered.head.size();
  for (const Waiting& w : m_line) bytes += kWaitingCost + w.head.size();
  return bytes <= maxBytes;
}

qintptr SocketArray::longestWaitingIncomplete(qint64 minAgeMs) const {
  const qint64 now = m_clock.elapsed();
  for (const Waiting& w : m_line) {
    if (now - w.since < minAgeMs) break;  // the rest came later
    if (!w.complete && w.id != m_offered.id) return w.id;
  }
  return 0;
}

void SocketArray::dropWaiting(qintptr requestId) {
  const auto it = findWaiting(requestId);
  if (it == m_line.end()) return;
  Waiting w = *it;
  m_line.erase(it);
  forget(w);
  m_lingering->putAside(w.fd, w.head);
}

void SocketArray::closeWaiting() {
  for (std::deque<Waiting>* q : {&m_arrived, &m_line})
    for (Waiting& w : *q) {
      forget(w);
      ::close(w.fd);
    }
  m_arrived.clear();
  m_line.clear();
  m_lineTimer->stop();
}

bool SocketArray::accept(int index, qintptr requestId) {
  if (requestId != m_offered.id || m_outcome != Outcome::None || !isLoaded(index) || index == 0) return false;
  // Its reader goes first: the socket object watches the descriptor from now.
  if (m_offered.waiting)
    if (const auto it = findWaiting(requestId); it != m_line.end()) forget(*it);
  auto* s = new QTcpSocket(this);
  if (!s->setSocketDescriptor(m_offeredFd)) {
    delete s;
    return false;
  }
  m_outcome = Outcome::Taken;
  close(index);
  attach(index, s);
  if (!m_offered.head.isEmpty()) m_early.insert(index, m_offered.head);
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
    m_resumeTimer->stop();
    closeWaiting();
    return;
  }
  m_early.remove(index);
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

void SocketArray::putAside(int index, QByteArrayView seen) {
  QTcpSocket* s = socket(index);
  if (!s) return;
  const QByteArray read = seen.toByteArray() + m_early.value(index) + s->readAll();
  const int copy = s->state() == QAbstractSocket::ConnectedState ? ::fcntl(int(s->socketDescriptor()), F_DUPFD_CLOEXEC, 0)
                                                                 : -1;
  close(index);
  if (copy >= 0) m_lingering->putAside(copy, read);
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
  QByteArray bytes = m_early.take(index);
  if (s) bytes += s->readAll();
  return bytes;
}

QByteArray SocketArray::peekData(int index, qsizetype max) const {
  QTcpSocket* s = socket(index);
  if (!s) return QByteArray();
  QByteArray bytes = m_early.value(index).left(max);
  bytes += s->peek(std::min(s->bytesAvailable(), qint64(max - bytes.size())));
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
