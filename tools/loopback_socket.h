#pragma once
// A blocking TCP connection to 127.0.0.1, for the web tests and benchmark: an
// independent client that does not go through Qt's sockets.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <QByteArray>
#include <cstdint>

// The socket's descriptor, or -1 when the connection is refused.
inline int connectTo(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
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

// One GET on a connection of its own: the whole answer, read until the server
// closes it or a read waits longer than `waitSeconds` (0: as long as it takes);
// empty when refused.
inline QByteArray getWholeAnswer(int port, const QByteArray& target, int waitSeconds) {
  const int fd = connectTo(port);
  if (fd < 0) return QByteArray();
  const timeval wait{waitSeconds, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  const QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: zav\r\n\r\n";
  (void)!::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL);
  QByteArray answer;
  char buf[4096];
  for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;) answer.append(buf, n);
  ::close(fd);
  return answer;
}
