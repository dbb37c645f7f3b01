#include "web/lingering_close.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>

LingeringCloses::LingeringCloses(QObject* parent) : QObject(parent), m_sweep(new QTimer(this)) {
  m_clock.start();
  m_sweep->setInterval(250);
  connect(m_sweep, &QTimer::timeout, this, &LingeringCloses::sweep);
}

LingeringCloses::~LingeringCloses() { closeAll(); }

void LingeringCloses::add(int fd, const QByteArray& last) {
  if (fd < 0) return;
  if (!last.isEmpty()) (void)!::send(fd, last.constData(), size_t(last.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
  ::shutdown(fd, SHUT_WR);
  keep(fd);
}

void LingeringCloses::putAside(int fd) {
  if (fd >= 0) keep(fd);
}

void LingeringCloses::keep(int fd) {
  if (m_open.size() >= size_t(kMaxLingering)) closeAt(0);
  auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, [this, fd] { drain(fd); });
  m_open.push_back({fd, notifier, m_clock.elapsed() + kLingerTime.count()});
  if (!m_sweep->isActive()) m_sweep->start();
}

// What the peer sends is dropped; its close, or an error, ends the lingering.
void LingeringCloses::drain(int fd) {
  char buf[4096];
  for (int reads = 0; reads < 16; ++reads) {
    const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
    if (n > 0) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
    for (size_t i = 0; i < m_open.size(); ++i)
      if (m_open[i].fd == fd) return closeAt(i);
    return;
  }
}

void LingeringCloses::closeAt(size_t i) {
  delete m_open[i].notifier;  // before its descriptor goes
  ::close(m_open[i].fd);
  m_open.erase(m_open.begin() + qsizetype(i));
  if (m_open.empty()) m_sweep->stop();
}

void LingeringCloses::sweep() {
  const qint64 now = m_clock.elapsed();
  while (!m_open.empty() && m_open.front().until <= now) closeAt(0);
}

void LingeringCloses::closeAll() {
  while (!m_open.empty()) closeAt(0);
}
