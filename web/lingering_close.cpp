#include "web/lingering_close.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>

namespace {
bool wouldBlock() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }
}  // namespace

LingeringCloses::LingeringCloses(QObject* parent) : QObject(parent), m_sweep(new QTimer(this)) {
  m_clock.start();
  m_sweep->setInterval(250);
  connect(m_sweep, &QTimer::timeout, this, &LingeringCloses::sweep);
}

LingeringCloses::~LingeringCloses() { closeAll(); }

void LingeringCloses::add(int fd, const QByteArray& last) {
  if (fd < 0) return;
  Lingering* l = keep(fd);
  l->out = last;
  flush(*l);
}

void LingeringCloses::putAside(int fd, const QByteArray& head) {
  if (fd < 0) return;
  Lingering* l = keep(fd);
  l->aside = true;
  l->head = head;
  if (m_headEnded && m_headEnded(l->head)) handBack(fd);
}

void LingeringCloses::setHandBack(std::function<bool(QByteArrayView)> headEnded,
                                  std::function<void(int fd, const QByteArray& head)> handBack) {
  m_headEnded = std::move(headEnded);
  m_handBack = std::move(handBack);
}

LingeringCloses::Lingering* LingeringCloses::keep(int fd) {
  if (m_open.size() >= size_t(kMaxLingering)) {
    const auto done = std::find_if(m_open.begin(), m_open.end(), [](const Lingering& l) { return l.out.isEmpty(); });
    closeAt(done != m_open.end() ? size_t(done - m_open.begin()) : 0);
  }
  auto* reader = new QSocketNotifier(fd, QSocketNotifier::Read, this);
  connect(reader, &QSocketNotifier::activated, this, [this, fd] { drain(fd); });
  Lingering& l = m_open.emplace_back();
  l.fd = fd;
  l.reader = reader;
  l.until = m_clock.elapsed() + kLingerTime.count();
  if (!m_sweep->isActive()) m_sweep->start();
  return &l;
}

LingeringCloses::Lingering* LingeringCloses::find(int fd) {
  const auto it = std::find_if(m_open.begin(), m_open.end(), [fd](const Lingering& l) { return l.fd == fd; });
  return it != m_open.end() ? &*it : nullptr;
}

// Each byte the system takes gives the answer its time again; once all is
// out, the sending side is shut, and a peer that has already ended its input
// is closed.
bool LingeringCloses::flush(Lingering& l) {
  while (!l.out.isEmpty()) {
    const ssize_t n = ::send(l.fd, l.out.constData(), size_t(l.out.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      l.out.remove(0, n);
      l.until = m_clock.elapsed() + kLingerTime.count();
      continue;
    }
    if (n < 0 && wouldBlock()) {
      if (!l.writer) {
        l.writer = new QSocketNotifier(l.fd, QSocketNotifier::Write, this);
        connect(l.writer, &QSocketNotifier::activated, this, [this, fd = l.fd] {
          if (Lingering* w = find(fd)) flush(*w);
        });
      }
      l.writer->setEnabled(true);
      return true;
    }
    closeFd(l.fd);  // the peer has gone: nothing more reaches it
    return false;
  }
  if (l.writer) l.writer->setEnabled(false);
  if (!l.shut) {
    ::shutdown(l.fd, SHUT_WR);
    l.shut = true;
  }
  if (!l.inputEnded) return true;
  closeFd(l.fd);
  return false;
}

// What the peer sends is dropped, but for the head of one put aside; its
// close, or an error, ends the lingering once the answer is out.
void LingeringCloses::drain(int fd) {
  char buf[4096];
  for (int reads = 0; reads < 16; ++reads) {
    Lingering* l = find(fd);
    if (!l) return;
    const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
    if (n > 0) {
      if (!l->aside) continue;
      l->head.append(buf, n);
      if (m_headEnded && m_headEnded(l->head)) return handBack(fd);
      continue;
    }
    if (n < 0 && wouldBlock()) return;
    if (n == 0 && !l->out.isEmpty()) {
      l->inputEnded = true;
      l->reader->setEnabled(false);
      return;
    }
    closeFd(fd);
    return;
  }
}

void LingeringCloses::closeFd(int fd) {
  for (size_t i = 0; i < m_open.size(); ++i)
    if (m_open[i].fd == fd) return closeAt(i);
}

void LingeringCloses::closeAt(size_t i) {
  const int fd = m_open[i].fd;
  release(i);
  ::close(fd);
}

void LingeringCloses::release(size_t i) {
  // Possibly from within their own notice: they go later, silent from now.
  for (QSocketNotifier* n : {m_open[i].reader, m_open[i].writer}) {
    if (!n) continue;
    n->setEnabled(false);
    n->deleteLater();
  }
  m_open.erase(m_open.begin() + qsizetype(i));
  if (m_open.empty()) m_sweep->stop();
}

void LingeringCloses::handBack(int fd) {
  for (size_t i = 0; i < m_open.size(); ++i) {
    if (m_open[i].fd != fd) continue;
    const QByteArray head = std::move(m_open[i].head);
    release(i);
    return m_handBack(fd, head);
  }
}

qint64 LingeringCloses::pendingBytes() const {
  qint64 bytes = 0;
  for (const Lingering& l : m_open) bytes += l.out.size();
  return bytes;
}

void LingeringCloses::sweep() {
  const qint64 now = m_clock.elapsed();
  for (size_t i = 0; i < m_open.size();) {
    if (m_open[i].until <= now)
      closeAt(i);
    else
      ++i;
  }
}

void LingeringCloses::closeAll() {
  while (!m_open.empty()) closeAt(0);
}
