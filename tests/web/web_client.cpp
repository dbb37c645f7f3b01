#include "web/web_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTcpServer>
#include <atomic>
#include <thread>

namespace {
int connectTo(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(uint16_t(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}
}  // namespace

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
