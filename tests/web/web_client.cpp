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
#include <cerrno>
#include <ctime>
#include <vector>

#include "tools/loopback_socket.h"

ClientResult exchange(int port, const QList<QByteArray>& chunks, std::chrono::milliseconds pause,
                      std::chrono::milliseconds limit, bool halfClose) {
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
    if (halfClose) ::shutdown(fd, SHUT_WR);
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

QVector<qint64> requestTimes(int port, const QList<RepeatedRequest>& requests, int count,
                             std::chrono::milliseconds spacing, std::chrono::milliseconds limit) {
  QEventLoop loop;
  std::atomic<bool> stop{false};
  QVector<qint64> times(count, -1);
  std::thread client([&] {
    char buf[65536];
    for (int i = 0; i < count && !stop; ++i) {
      if (i > 0 && spacing.count() > 0) std::this_thread::sleep_for(spacing);
      const RepeatedRequest& r = requests[i % requests.size()];
      const auto begin = std::chrono::steady_clock::now();
      const int fd = connectTo(port);
      if (fd < 0) continue;
      const timeval wait{5, 0};
      ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
      (void)!::send(fd, r.request.constData(), size_t(r.request.size()), MSG_NOSIGNAL);
      QByteArray answer;
      for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;) answer.append(buf, n);
      ::close(fd);
      if (answer.startsWith("HTTP/1.1 200 OK\r\n") && answer.endsWith(r.bodyEnd))
        times[i] = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - begin)
                       .count();
    }
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  QTimer::singleShot(limit, &loop, &QEventLoop::quit);
  loop.exec();
  stop = true;
  client.join();
  return times;
}

int repeatRequests(int port, const QList<RepeatedRequest>& requests, int count, std::chrono::milliseconds limit) {
  const QVector<qint64> times = requestTimes(port, requests, count, std::chrono::milliseconds(0), limit);
  return int(std::count_if(times.begin(), times.end(), [](qint64 t) { return t >= 0; }));
}

SlowClients::SlowClients(int port, int count, std::chrono::milliseconds pause, Pace pace)
    : m_thread([this, port, count, pause, pace] {
        const QByteArray request = "GET /a.txt HTTP/1.1\r\nX-Slow: " + QByteArray(16 * 1024, 's');
        const bool lines = pace == Pace::LineAndReconnect;
        const bool reconnect = pace != Pace::Byte;
        struct Connection {
          int fd = -1;
          int pieces = 0;  // bytes or lines sent
        };
        const auto open = [&] {
          ++m_connected;
          return Connection{connectTo(port), 0};
        };
        // The next piece: the request line, then one header line at a time; or one byte.
        const auto sendPiece = [&](Connection& c) {
          const QByteArray piece = pace == Pace::Byte       ? request.mid(c.pieces, 1)
                                   : lines && c.pieces == 0 ? QByteArray("GET /a.txt HTTP/1.1\r\n")
                                   : lines ? "X-Slow-" + QByteArray::number(c.pieces) + ": v\r\n"
                                   : pace == Pace::PartOfHeadAndReconnect && c.pieces == 0
                                       ? QByteArray("GET /a.txt HTTP/1.1\r\nHost: z")
                                       : QByteArray();
          ++c.pieces;
          return piece.isEmpty() || ::send(c.fd, piece.constData(), size_t(piece.size()), MSG_NOSIGNAL | MSG_DONTWAIT) ==
                                        piece.size();
        };
        const auto closed = [&](Connection& c) {
          ::close(c.fd);
          ++m_closed;
          c = reconnect ? open() : Connection{};
          if (c.fd >= 0) sendPiece(c);
        };
        std::vector<Connection> connections;
        for (int i = 0; i < count && !m_stop; ++i) connections.push_back(open());
        auto next = std::chrono::steady_clock::now();
        while (!m_stop) {
          if (std::chrono::steady_clock::now() >= next) {
            for (Connection& c : connections)
              if (c.fd >= 0 && !sendPiece(c)) closed(c);
            next += pause;
          }
          // Until the next piece is due, watch for connections the server closes.
          std::vector<pollfd> watched;
          for (const Connection& c : connections) watched.push_back({c.fd, POLLIN, 0});
          if (::poll(watched.data(), watched.size(), 10) <= 0) continue;
          for (size_t i = 0; i < watched.size(); ++i) {
            char buf[256];
            if (watched[i].fd >= 0 && watched[i].revents != 0 && ::recv(watched[i].fd, buf, sizeof buf, MSG_DONTWAIT) <= 0)
              closed(connections[i]);
          }
        }
        for (const Connection& c : connections)
          if (c.fd >= 0) ::close(c.fd);
      }) {}

SlowClients::~SlowClients() {
  m_stop = true;
  m_thread.join();
}

SlowReaders::SlowReaders(int port, int count, const QByteArray& target, int step,
                         std::chrono::milliseconds pause)
    : m_thread([this, port, count, target, step, pause] {
        const QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: zav\r\n\r\n";
        const auto open = [&] {
          ++m_connected;
          const int fd = connectTo(port);
          if (fd >= 0) (void)!::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL);
          return fd;
        };
        std::vector<int> fds;
        for (int i = 0; i < count; ++i) fds.push_back(open());
        std::vector<char> buf(size_t(step) + 1);
        while (!m_stop) {
          for (int& fd : fds) {
            int got = 0;
            while (fd >= 0 && got < step) {
              const ssize_t n = ::recv(fd, buf.data(), size_t(step - got), MSG_DONTWAIT);
              if (n > 0) {
                got += int(n);
              } else {
                if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
                  ::close(fd);
                  fd = open();
                }
                break;
              }
            }
            m_read += got;
          }
          const auto next = std::chrono::steady_clock::now() + pause;
          while (!m_stop && std::chrono::steady_clock::now() < next)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        for (const int fd : fds)
          if (fd >= 0) ::close(fd);
      }) {}

SlowReaders::~SlowReaders() {
  m_stop = true;
  m_thread.join();
}

int openDescriptors() {
  int n = 0;
  for (QDirIterator it(QStringLiteral("/proc/self/fd"), QDir::Files | QDir::System); it.hasNext(); it.next()) ++n;
  return n;
}

namespace {
long statusKiB(const QByteArray& key) {
  QFile f(QStringLiteral("/proc/self/status"));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith(key)) return line.mid(key.size()).trimmed().split(' ').value(0).toLong();
  return -1;
}
}  // namespace

long residentKiB() { return statusKiB("VmRSS:"); }
long peakResidentKiB() { return statusKiB("VmHWM:"); }

double threadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
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

bool IdleClient::send(const QByteArray& bytes) {
  return ::send(m_fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
}

const QByteArray& IdleClient::received() {
  char buf[65536];
  while (!m_answered) {
    const ssize_t n = ::recv(m_fd, buf, sizeof buf, MSG_DONTWAIT);
    if (n > 0) m_received.append(buf, n);
    else if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) m_answered = true;
    else break;
  }
  return m_received;
}

bool IdleClient::answeredWithin(std::chrono::milliseconds limit) {
  return pumpUntil([&] { return received(), m_answered; }, limit);
}

bool pumpFor(std::chrono::milliseconds time) {
  pumpUntil([] { return false; }, time);
  return true;
}

QByteArray headerOf(const QByteArray& response) {
  const qsizetype end = response.indexOf("\r\n\r\n");
  return end < 0 ? response : response.left(end + 4);
}

QByteArray afterDate(const QByteArray& response) {
  return response.mid(response.indexOf("\r\n", response.indexOf("Date: ")) + 2);
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
