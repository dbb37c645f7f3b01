#include "web/web_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDirIterator>
#include <QEventLoop>
#include <QFile>
#include <QTcpServer>
#include <QTimer>

#include "tools/loopback_socket.h"

ClientResult exchange(int port, const QList<QByteArray>& chunks, std::chrono::milliseconds pause,
                      std::chrono::milliseconds limit) {
  ClientResult r;
  std::atomic<bool> done{false};
  std::thread client([&] {
    const int fd = connectTo(port);
    if (fd < 0) {
      done = true;
      return;
    }
    for (int i = 0; i < chunks.size(); ++i) {
      if (i > 0) std::this_thread::sleep_for(pause);
      (void)!::send(fd, chunks[i].constData(), size_t(chunks[i].size()), MSG_NOSIGNAL);
    }
    const auto end = std::chrono::steady_clock::now() + limit;
    char buf[65536];
    while (std::chrono::steady_clock::now() < end) {
      pollfd p{fd, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
      if (n <= 0) {
        r.closedByServer = true;
        break;
      }
      r.bytes.append(buf, n);
    }
    ::close(fd);
    done = true;
  });
  pumpUntil([&] { return done.load(); }, limit + std::chrono::milliseconds(2000));
  client.join();
  return r;
}

int repeatRequests(int port, const QList<RepeatedRequest>& requests, int count, std::chrono::milliseconds limit) {
  QEventLoop loop;
  std::atomic<bool> stop{false};
  int good = 0;
  std::thread client([&] {
    char buf[65536];
    for (int i = 0; i < count && !stop; ++i) {
      const RepeatedRequest& r = requests[i % requests.size()];
      const int fd = connectTo(port);
      if (fd < 0) continue;
      const timeval wait{5, 0};
      ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
      (void)!::send(fd, r.request.constData(), size_t(r.request.size()), MSG_NOSIGNAL);
      QByteArray answer;
      for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;) answer.append(buf, n);
      ::close(fd);
      if (answer.startsWith("HTTP/1.1 200 OK\r\n") && answer.endsWith(r.bodyEnd)) ++good;
    }
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  QTimer::singleShot(limit, &loop, &QEventLoop::quit);
  loop.exec();
  stop = true;
  client.join();
  return good;
}

SlowClients::SlowClients(int port, int count, std::chrono::milliseconds pause)
    : m_thread([this, port, count, pause] {
        const QByteArray request = "GET /a.txt HTTP/1.1\r\nX-Slow: " + QByteArray(16 * 1024, 's');
        std::vector<int> fds;
        for (int i = 0; i < count && !m_stop; ++i) {
          fds.push_back(connectTo(port));
          ++m_connected;
        }
        for (qsizetype at = 0; !m_stop && at < request.size(); ++at) {
          for (int& fd : fds) {
            if (fd < 0) continue;
            pollfd p{fd, POLLIN, 0};
            char c;
            const bool eof = ::poll(&p, 1, 0) > 0 && ::recv(fd, &c, 1, MSG_DONTWAIT) <= 0;
            if (eof || ::send(fd, request.constData() + at, 1, MSG_NOSIGNAL | MSG_DONTWAIT) != 1) {
              ::close(fd);
              fd = -1;
              ++m_closed;
            }
          }
          std::this_thread::sleep_for(pause);
        }
        for (int fd : fds)
          if (fd >= 0) ::close(fd);
      }) {}

SlowClients::~SlowClients() {
  m_stop = true;
  m_thread.join();
}

int openDescriptors() {
  int n = 0;
  for (QDirIterator it(QStringLiteral("/proc/self/fd"), QDir::Files | QDir::System); it.hasNext(); it.next()) ++n;
  return n;
}

long residentKiB() {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
  return -1;
}

IdleClient::IdleClient(int port) : m_fd(connectTo(port)) {}
IdleClient::~IdleClient() {
  if (m_fd >= 0) ::close(m_fd);
}

bool IdleClient::closedWithin(std::chrono::milliseconds limit) {
  bool closed = false;
  pumpUntil(
      [&] {
        pollfd p{m_fd, POLLIN, 0};
        if (::poll(&p, 1, 0) > 0) {
          char c;
          if (::recv(m_fd, &c, 1, MSG_PEEK) <= 0) closed = true;
        }
        return closed;
      },
      limit);
  return closed;
}

bool pumpFor(std::chrono::milliseconds time) {
  pumpUntil([] { return false; }, time);
  return true;
}

QByteArray headerOf(const QByteArray& response) {
  const qsizetype end = response.indexOf("\r\n\r\n");
  return end < 0 ? response : response.left(end + 4);
}

QByteArray bodyOf(const QByteArray& response) {
  const qsizetype end = response.indexOf("\r\n\r\n");
  return end < 0 ? QByteArray() : response.mid(end + 4);
}

int freePort() {
  QTcpServer s;
  s.listen(QHostAddress::LocalHost, 0);
  return s.serverPort();
}
