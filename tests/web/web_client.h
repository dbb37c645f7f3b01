#pragma once
// An HTTP client independent of the server's code: plain POSIX sockets in a
// thread of its own, while the test's thread keeps the server's events going.

#include <QByteArray>
#include <QList>
#include <QVector>
#include <atomic>
#include <chrono>
#include <thread>

struct ClientResult {
  QByteArray bytes;       // everything received until the server closed
  bool closedByServer = false;
};

// Sends the chunks in order (a pause between them), then reads until the
// server closes or the time is up. With halfClose the client shuts its
// sending side after the last chunk.
ClientResult exchange(int port, const QList<QByteArray>& chunks,
                      std::chrono::milliseconds pause = std::chrono::milliseconds(50),
                      std::chrono::milliseconds limit = std::chrono::milliseconds(5000), bool halfClose = false);
inline ClientResult get(int port, const QByteArray& target, const QByteArray& headers = "Host: zav\r\n") {
  return exchange(port, {"GET " + target + " HTTP/1.1\r\n" + headers + "\r\n"});
}

// A connection that stays open until destroyed; the server's events run meanwhile.
class IdleClient {
 public:
  explicit IdleClient(int port);
  ~IdleClient();
  // True when the server closed the connection within the time.
  bool closedWithin(std::chrono::milliseconds limit);
  int fd() const { return m_fd; }
  bool send(const QByteArray& bytes);
  // What has arrived so far, read without waiting; answered once the server closed.
  const QByteArray& received();
  bool answered() const { return m_answered; }
  // Reads until the server closes the connection, running the server's events.
  bool answeredWithin(std::chrono::milliseconds limit);

 private:
  int m_fd = -1;
  QByteArray m_received;
  bool m_answered = false;
};

// Sends each request in turn, count times in all, one connection after another,
// from a thread of its own while the event loop runs; returns how many answers
// started with "HTTP/1.1 200 OK" and ended in the request's expected body.
struct RepeatedRequest {
  QByteArray request;
  QByteArray bodyEnd;
};
int repeatRequests(int port, const QList<RepeatedRequest>& requests, int count,
                   std::chrono::milliseconds limit = std::chrono::milliseconds(120000));
// The same, spaced apart; each entry is the time in ms from connecting to the
// end of its right answer, or -1 when the answer was wrong or missing.
QVector<qint64> requestTimes(int port, const QList<RepeatedRequest>& requests, int count,
                             std::chrono::milliseconds spacing, std::chrono::milliseconds limit);

// Connections that each send a request that never ends, from a thread of
// their own until destroyed: a byte every pause (a connection the server
// closes stays closed), or, with a new connection at once for one the server
// closes, a header line every pause, part of a head once, or nothing.
class SlowClients {
 public:
  enum class Pace { Byte, LineAndReconnect, PartOfHeadAndReconnect, SilentAndReconnect };
  SlowClients(int port, int count, std::chrono::milliseconds pause, Pace pace = Pace::Byte);
  ~SlowClients();
  int connected() const { return m_connected; }  // connections made, reconnections included
  int closedByServer() const { return m_closed; }

 private:
  std::atomic<bool> m_stop{false};
  std::atomic<int> m_connected{0};
  std::atomic<int> m_closed{0};
  std::thread m_thread;
};

// Connections that each ask for the target and then read `step` bytes every
// pause, from a thread of their own until destroyed; one the server closes is
// opened again at once.
class SlowReaders {
 public:
  SlowReaders(int port, int count, const QByteArray& target, int step, std::chrono::milliseconds pause);
  ~SlowReaders();
  int connected() const { return m_connected; }
  long long bytesRead() const { return m_read; }

 private:
  std::atomic<bool> m_stop{false};
  std::atomic<int> m_connected{0};
  std::atomic<long long> m_read{0};
  std::thread m_thread;
};

// Descriptors the process holds (/proc/self/fd) and its resident memory (VmRSS).
int openDescriptors();
long residentKiB();
long peakResidentKiB();     // VmHWM
double threadCpuSeconds();  // of the calling thread

// Runs the event loop until done() or the time is up.
template <typename Done>
bool pumpUntil(Done done, std::chrono::milliseconds limit = std::chrono::milliseconds(5000));
bool pumpFor(std::chrono::milliseconds time);

QByteArray headerOf(const QByteArray& response);  // up to and including the empty line
QByteArray afterDate(const QByteArray& response);  // what follows the Date line
QByteArray bodyOf(const QByteArray& response);
int freePort();

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
template <typename Done>
bool pumpUntil(Done done, std::chrono::milliseconds limit) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > limit.count()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::usleep(200);
  }
  return true;
}
