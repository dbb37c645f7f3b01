// Static file throughput on loopback, a new connection per request: our server
// against nginx when installed, otherwise against a minimal blocking server
// written here. The live graph case waits for the chart renderer.
// Run: build/bench_web [requests]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "web/web_services.h"
#include "web/web_state.h"

namespace {
constexpr int kFileSize = 25 * 1024;

int freePort() {
  QTcpServer s;
  s.listen(QHostAddress::LocalHost, 0);
  return s.serverPort();
}

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

// One request per connection; true when the whole file came back.
bool fetch(int port) {
  const int fd = connectTo(port);
  if (fd < 0) return false;
  static const char req[] = "GET /static.txt HTTP/1.1\r\nHost: bench\r\n\r\n";
  (void)!::send(fd, req, sizeof req - 1, MSG_NOSIGNAL);
  char buf[65536];
  qint64 total = 0;
  for (ssize_t n; (n = ::recv(fd, buf, sizeof buf, 0)) > 0;) total += n;
  ::close(fd);
  return total > kFileSize;
}

// Requests per second of a client thread while the caller's loop runs.
template <typename Loop>
double measure(int port, int requests, Loop loop) {
  std::atomic<bool> done{false};
  std::atomic<int> failed{0};
  QElapsedTimer t;
  t.start();
  std::thread client([&] {
    for (int i = 0; i < requests; ++i)
      if (!fetch(port)) ++failed;
    done = true;
  });
  while (!done) loop();
  client.join();
  const double secs = t.nsecsElapsed() / 1e9;
  if (failed) std::fprintf(stderr, "%d requests failed\n", failed.load());
  return requests / secs;
}

// The smallest sound server: blocking accept, read to the empty line, write, close.
double referenceServer(const QByteArray& file, int requests) {
  const int port = freePort();
  const int ls = ::socket(AF_INET, SOCK_STREAM, 0);
  int one = 1;
  setsockopt(ls, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(uint16_t(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(ls, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::listen(ls, 64);
  const QByteArray answer =
      "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(file.size()) + "\r\n\r\n" + file;
  std::thread server([&] {
    for (int i = 0; i < requests; ++i) {
      const int fd = ::accept(ls, nullptr, nullptr);
      QByteArray in;
      char buf[4096];
      while (!in.contains("\r\n\r\n")) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        in.append(buf, n);
      }
      (void)!::send(fd, answer.constData(), size_t(answer.size()), MSG_NOSIGNAL);
      ::close(fd);
    }
  });
  const double rps = measure(port, requests, [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
  server.join();
  ::close(ls);
  return rps;
}

double nginxServer(const QString& nginx, const QString& root, int requests, QTemporaryDir& dir) {
  const int port = freePort();
  const QString conf = dir.filePath(QStringLiteral("nginx.conf"));
  QFile f(conf);
  f.open(QIODevice::WriteOnly);
  f.write(QStringLiteral("daemon off; master_process off; worker_processes 1; error_log %1/error.log; pid %1/nginx.pid;\n"
                         "events { worker_connections 256; }\n"
                         "http { access_log off; server { listen 127.0.0.1:%2; root %3; } }\n")
              .arg(dir.path())
              .arg(port)
              .arg(root)
              .toUtf8());
  f.close();
  QProcess p;
  p.start(nginx, {QStringLiteral("-c"), conf, QStringLiteral("-p"), dir.path()});
  if (!p.waitForStarted(5000)) return 0;
  for (int i = 0; i < 100; ++i) {
    const int fd = connectTo(port);
    if (fd >= 0) {
      ::close(fd);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const double rps = measure(port, requests, [] { std::this_thread::sleep_for(std::chrono::milliseconds(1)); });
  p.terminate();
  p.waitForFinished(5000);
  return rps;
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int requests = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
  QTemporaryDir dir;
  QDir(dir.path()).mkpath(QStringLiteral("root"));
  QByteArray file(kFileSize, 'z');
  for (int i = 0; i < kFileSize; i += 64) file[i] = '\n';
  QFile out(dir.filePath(QStringLiteral("root/static.txt")));
  out.open(QIODevice::WriteOnly);
  out.write(file);
  out.close();

  webRootText = dir.filePath(QStringLiteral("root"));
  webPortText = QString::number(freePort());
  webLogging = 0;
  checkWebRootFolder();
  if (webServerPort == 0) {
    std::fprintf(stderr, "the server did not start\n");
    return 1;
  }
  const double ours = measure(webServerPort, requests, [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 5); });
  stopWebServer();

  const QString nginx = QStandardPaths::findExecutable(QStringLiteral("nginx"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
  double base = nginx.isEmpty() ? 0 : nginxServer(nginx, dir.filePath(QStringLiteral("root")), requests, dir);
  const char* baseline = "nginx";
  if (base <= 0) {
    base = referenceServer(file, requests);
    baseline = "reference";
  }
  std::printf("BENCH static_vs_nginx requests=%d ours_rps=%.0f %s_rps=%.0f ratio=%.3f\n", requests, ours, baseline, base,
              ours / base);
  std::printf("BENCH graph_vs_rrdtool skipped (no graph renderer in this build yet)\n");
  return 0;
}
