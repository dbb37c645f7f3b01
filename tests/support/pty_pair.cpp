#include "support/pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair() {
  int master = -1, slave = -1;
  char name[256] = {};
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
  termios t{};
  tcgetattr(slave, &t);
  cfmakeraw(&t);
  tcsetattr(slave, TCSANOW, &t);
  fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  m_master = master;
  m_slave = slave;
  m_slavePath = QString::fromLocal8Bit(name);
}

PtyPair::~PtyPair() {
  closeMaster();
  if (m_slave >= 0) ::close(m_slave);
}

void PtyPair::write(const QByteArray& bytes) {
  qsizetype done = 0;
  while (m_master >= 0 && done < bytes.size()) {
    const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
    if (n > 0) {
      done += n;
    } else {
      pollfd p{m_master, POLLOUT, 0};
      ::poll(&p, 1, 100);
    }
  }
}

QByteArray PtyPair::readFor(int ms) {
  QByteArray got;
  runEventsUntil(
      [&] {
        char buf[512];
        ssize_t n;
        while (m_master >= 0 && (n = ::read(m_master, buf, sizeof buf)) > 0) got.append(buf, n);
        return false;
      },
      ms);
  return got;
}

void PtyPair::closeMaster() {
  if (m_master >= 0) ::close(m_master);
  m_master = -1;
}

bool runEventsFor(int ms) {
  return runEventsUntil([] { return false; }, ms);
}
