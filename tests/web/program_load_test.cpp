// The built program as a user runs it, recording from the controller
// simulator, while its web server takes ordinary heavy use and cheap floods.
// Each case prints a LOAD line: the share of normal requests (a small page
// every 100 ms) answered within a second, the program's peak resident memory
// over its size at the case's start, and the longest time between readings
// reaching the data file.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>
#include <latch>
#include <memory>
#include <thread>
#include <vector>

#include "support/link_processes.h"
#include "tools/loopback_socket.h"

namespace {
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// AddressSanitizer's build draws and copies several times slower: its cases
// run shorter, with the same bounds.
#ifdef __SANITIZE_ADDRESS__
constexpr double kTimeScale = 0.5;
#else
constexpr double kTimeScale = 1.0;
#endif
milliseconds scaled(int ms) { return milliseconds(int(ms * kTimeScale)); }

qint64 msSince(Clock::time_point t) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - t).count();
}

void sleepFor(milliseconds d, const std::atomic<bool>& stop) {
  const auto end = Clock::now() + d;
  while (!stop && Clock::now() < end) std::this_thread::sleep_for(milliseconds(5));
}

// One request on a connection of its own: what came back, and how it ended.
struct Answer {
  QByteArray bytes;
  bool reset = false;     // the connection was reset (or refused)
  bool complete = false;  // the server closed after its answer
  qint64 ms = 0;
  int status() const { return bytes.startsWith("HTTP/1.1 ") ? bytes.mid(9, 3).toInt() : 0; }
};

// Reads until the server closes, at most `rate` bytes a second (0: at once),
// until `limit` passes or `stop`; the first 64 KiB are kept.
Answer readAnswer(int fd, Clock::time_point begin, milliseconds limit, qint64 rate = 0,
                  const std::atomic<bool>* stop = nullptr, qint64* total = nullptr) {
  Answer a;
  const auto end = begin + limit;
  qint64 got = 0;
  std::vector<char> buf(256 * 1024);
  while (Clock::now() < end && !(stop && *stop)) {
    qint64 room = qint64(buf.size());
    if (rate > 0) {
      room = std::min(room, rate * msSince(begin) / 1000 - got);
      if (room <= 0) {
        std::this_thread::sleep_for(milliseconds(20));
        continue;
      }
    }
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    const ssize_t n = ::recv(fd, buf.data(), size_t(room), MSG_DONTWAIT);
    if (n == 0) {
      a.complete = true;
      break;
    }
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      a.reset = true;
      break;
    }
    got += n;
    if (total) *total = got;
    if (a.bytes.size() < 65536) a.bytes.append(buf.data(), n);
  }
  a.ms = msSince(begin);
  return a;
}

Answer fetch(int port, const QByteArray& target, milliseconds limit = milliseconds(5000)) {
  const auto begin = Clock::now();
  const int fd = connectTo(port);
  if (fd < 0) {
    Answer refused;
    refused.reset = true;
    return refused;
  }
  const QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: zav\r\n\r\n";
  (void)!::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL);
  Answer a = readAnswer(fd, begin, limit);
  ::close(fd);
  return a;
}

// A connection that asked for the target and is read by its caller.
int ask(int port, const QByteArray& target) {
  const int fd = connectTo(port);
  const QByteArray request = "GET " + target + " HTTP/1.1\r\nHost: zav\r\n\r\n";
  if (fd >= 0) (void)!::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL);
  return fd;
}

long statusKiB(qint64 pid, const char* key) {
  QFile f(QStringLiteral("/proc/%1/status").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith(key)) return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLong();
  return -1;
}

double cpuSeconds(qint64 pid) {
  QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return 0;
  const QByteArray stat = f.readAll();
  const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
  return double(fields.value(11).toLongLong() + fields.value(12).toLongLong()) / double(sysconf(_SC_CLK_TCK));
}

// Threads of a case's clients, stopped and joined together. They stand for
// clients on other machines: they run below the program's priority, so they
// take its time only when it has none to spend.
struct Clients {
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  void add(std::function<void()> f) {
    threads.emplace_back([f = std::move(f)] {
      (void)setpriority(PRIO_PROCESS, pid_t(gettid()), 10);
      f();
    });
  }
  void join() {
    stop = true;
    for (std::thread& t : threads) t.join();
    threads.clear();
  }
  ~Clients() { join(); }
};

// Open descriptors the process may have: its soft and hard limits.
std::pair<long, long> descriptorLimits(qint64 pid) {
  QFile f(QStringLiteral("/proc/%1/limits").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return {-1, -1};
  for (const QByteArray& line : f.readAll().split('\n'))
    if (line.startsWith("Max open files")) {
      const QList<QByteArray> fields = line.mid(14).simplified().split(' ');
      return {fields.value(0).toLong(), fields.value(1).toLong()};
    }
  return {-1, -1};
}

// Connections that each send part of a head and wait, and connect again at
// once when the server closes them, until `stop`.
void partialHeads(int port, int count, const std::atomic<bool>& stop, std::atomic<int>& connections) {
  const auto open = [&] {
    ++connections;
    const int fd = connectTo(port);
    if (fd >= 0) (void)!::send(fd, "GET /a.txt HTTP/1.1\r\nHost: z", 28, MSG_NOSIGNAL);
    return fd;
  };
  std::vector<int> fds;
  for (int i = 0; i < count; ++i) fds.push_back(open());
  while (!stop) {
    std::vector<pollfd> watched;
    for (const int fd : fds) watched.push_back({fd, POLLIN, 0});
    if (::poll(watched.data(), watched.size(), 20) <= 0) continue;
    for (size_t i = 0; i < fds.size(); ++i) {
      char buf[512];
      if (watched[i].revents == 0 || ::recv(fds[i], buf, sizeof buf, MSG_DONTWAIT) > 0) continue;
      ::close(fds[i]);
      fds[i] = open();
    }
  }
  for (const int fd : fds) ::close(fd);
}

struct Figures {
  int normal = 0;
  double withinSecondPercent = 0;
  int resets = 0;
  long peakOverStartMiB = 0;
  qint64 longestGapMs = 0;
};

class ProgramLoad : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_tmp.isValid());
    QDir(dir()).mkpath(QStringLiteral("www"));
    writeTextFile(dir() + "/www/a.txt", "A");
    writeTextFile(dir() + "/www/logo.png", "\x89PNG-logo");
    writeTextFile(dir() + "/www/zav.js", "function zav() { return <%=graphRangeIndex%>; }\r\n" + QByteArray(400, ' '));
    writeTextFile(dir() + "/www/index.asp", "<html><body>index <%=graphRangeIndex%></body></html>");
    // Started as from a shell that opens 1,024 descriptors at most, whatever the system allows.
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur > 1024) {
      files.rlim_cur = 1024;
      ::setrlimit(RLIMIT_NOFILE, &files);
    }
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    m_port = probe.serverPort();
    probe.close();
    writeTextFile(dir() + "/zav.INI", "startOnLine=1\r\nrunWebServer=1\r\nwebServerPort=\"" +
                                          QByteArray::number(m_port) + "\"\r\nwebRoot=\"" +
                                          (dir() + "/www").toUtf8() +
                                          "\"\r\ncomPort=3\r\nifType=2\r\nticksPerSec=125000\r\n");
    m_sim =
        std::make_unique<SimProcess>(QStringList{"--interval-ms", "100", "--power", "1500", "--temp", "21"});
    ASSERT_TRUE(m_sim->ok());
    QProcessEnvironment env;
    for (int n = 1; n <= 16; ++n)
      env.insert(QStringLiteral("ZAV_COM%1").arg(n),
                 n == 3 ? m_sim->endpoint() : QStringLiteral("/nonexistent/zav"));
    // The sanitizer's quarantine would hold freed memory as resident.
    env.insert("ASAN_OPTIONS", qEnvironmentVariable("ASAN_OPTIONS") + ":quarantine_size_mb=16");
    m_zav = std::make_unique<ZavProcess>(dir(), QStringList{dir() + "/"}, env);
    ASSERT_TRUE(m_zav->waitFor([&] { return dataFileSize() > 38 + 3 * 18; }, 30000))
        << m_zav->log().join('\n').toStdString();
    ASSERT_TRUE(m_zav->waitFor([&] { return fetch(m_port, "/a.txt").status() == 200; }, 10000));
    // Fonts, the pool and the encoders are ready before anything is measured.
    ASSERT_EQ(fetch(m_port, "/zavPlot.png?w=640&h=400", milliseconds(20000)).status(), 200);
  }

  QString dir() const { return m_tmp.path(); }
  int port() const { return m_port; }
  qint64 pid() const { return m_zav->processId(); }
  qint64 dataFileSize() const {
    struct stat st {};
    return ::stat(QFile::encodeName(dir() + "/pwrData.ZAV").constData(), &st) == 0 ? qint64(st.st_size) : 0;
  }
  // A file of the web root that takes no room on the disk.
  void sparseFile(const QString& name, qint64 size) {
    QFile f(dir() + "/www/" + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_TRUE(f.resize(size));
  }

  // Runs `load` (it starts its own threads and returns) for `length`, with
  // the normal requests and the watch on the data file going on meanwhile.
  Figures measure(const std::function<void(Clients&)>& load, milliseconds length,
                  milliseconds normalFrom = {}) {
    QFile clear(QStringLiteral("/proc/%1/clear_refs").arg(pid()));
    if (clear.open(QIODevice::WriteOnly)) clear.write("5");  // the peak starts again from here
    clear.close();
    const long startKiB = statusKiB(pid(), "VmRSS:");
    std::atomic<bool> stop{false};
    std::atomic<qint64> longestGap{0};
    std::thread readings([&] {
      qint64 size = dataFileSize();
      auto last = Clock::now();
      while (!stop) {
        std::this_thread::sleep_for(milliseconds(5));
        const qint64 now = dataFileSize();
        if (now == size) continue;
        longestGap = std::max(longestGap.load(), msSince(last));
        size = now;
        last = Clock::now();
      }
      longestGap = std::max(longestGap.load(), msSince(last));
    });
    std::vector<Answer> normal;
    std::thread normals([&] {
      sleepFor(normalFrom, stop);
      while (!stop) {
        const auto begin = Clock::now();
        normal.push_back(fetch(port(), "/a.txt"));
        sleepFor(milliseconds(100) - milliseconds(msSince(begin)), stop);
      }
    });
    {
      Clients clients;
      load(clients);
      sleepFor(length, clients.stop);
      stop = true;
      clients.join();
    }
    normals.join();
    readings.join();
    Figures f;
    f.normal = int(normal.size());
    int within = 0;
    for (const Answer& a : normal) {
      within += a.status() == 200 && a.bytes.endsWith("\r\n\r\nA") && a.ms <= 1000;
      f.resets += a.reset;
    }
    f.withinSecondPercent = f.normal ? 100.0 * within / f.normal : 0;
    f.peakOverStartMiB = (statusKiB(pid(), "VmHWM:") - startKiB) / 1024;
    f.longestGapMs = longestGap;
    return f;
  }

  void report(const char* name, const Figures& f, const QString& more = {}) {
    std::printf(
        "LOAD case=%s normal=%d within_1s=%.1f%% resets=%d peak_rss_over_start_mib=%ld "
        "longest_reading_gap_ms=%lld %s\n",
        name, f.normal, f.withinSecondPercent, f.resets, f.peakOverStartMiB,
        static_cast<long long>(f.longestGapMs), qPrintable(more));
    std::fflush(stdout);
    EXPECT_GE(f.withinSecondPercent, 95.0) << name;
    EXPECT_LE(f.peakOverStartMiB, 224) << name;
    EXPECT_LE(f.longestGapMs, 1000) << name;
  }

  void TearDown() override {
    if (m_zav) {
      EXPECT_TRUE(m_zav->terminate());
    }
  }

 private:
  QTemporaryDir m_tmp;
  int m_port = 0;
  std::unique_ptr<SimProcess> m_sim;
  std::unique_ptr<ZavProcess> m_zav;
};
}  // namespace

// Eight clients connect and close without sending anything, as fast as they
// are let in.
TEST_F(ProgramLoad, connectAndCloseFlood) {
  std::atomic<int> connections{0};
  const Figures f = measure(
      [&](Clients& c) {
        for (int i = 0; i < 8; ++i)
          c.add([&] {
            while (!c.stop) {
              const int fd = connectTo(port());
              if (fd >= 0) ::close(fd);
              ++connections;
            }
          });
      },
      scaled(6000));
  report("connect_close_flood", f,
         QStringLiteral("connections_per_s=%1").arg(connections.load() * 1000 / scaled(6000).count()));
}

// Ten, then twenty clients fetch 1024 x 1024 pictures back to back; the
// normal requests are another client's small page among them.
TEST_F(ProgramLoad, picturesBackToBack) {
  for (const int clients : {10, 20}) {
    std::atomic<int> pictures{0}, refused{0}, failed{0};
    const Figures f = measure(
        [&](Clients& c) {
          for (int i = 0; i < clients; ++i)
            c.add([&] {
              while (!c.stop) {
                const Answer a = fetch(port(), "/zavPlot.png?w=1024&h=1024", milliseconds(20000));
                a.status() == 200 ? ++pictures : a.status() == 503 ? ++refused : ++failed;
              }
            });
        },
        scaled(5000));
    report(clients == 10 ? "png_1024_back_to_back_10" : "png_1024_back_to_back_20", f,
           QStringLiteral("pictures=%1 refused=%2 failed=%3").arg(pictures).arg(refused).arg(failed));
    EXPECT_EQ(f.resets, 0);
  }
}

// Thirty clients ask for a 640 x 400 picture at once, three times: each gets
// its picture or 503, never nothing.
TEST_F(ProgramLoad, thirtyAtOnce) {
  std::atomic<int> pictures{0}, refused{0}, nothing{0};
  const Figures f = measure(
      [&](Clients& c) {
        c.add([&] {
          for (int round = 0; round < 3 && !c.stop; ++round) {
            std::vector<std::thread> crowd;
            for (int i = 0; i < 30; ++i)
              crowd.emplace_back([&] {
                const Answer a = fetch(port(), "/zavPlot.png?w=640&h=400", milliseconds(30000));
                a.status() == 200 && a.complete ? ++pictures : a.status() == 503 ? ++refused : ++nothing;
              });
            for (std::thread& t : crowd) t.join();
            sleepFor(scaled(1000), c.stop);
          }
        });
      },
      scaled(6000));
  report("thirty_at_once_640x400", f,
         QStringLiteral("pictures=%1 refused_503=%2 no_answer=%3").arg(pictures).arg(refused).arg(nothing));
  EXPECT_EQ(nothing, 0);
  EXPECT_EQ(pictures + refused, 90);
}

// Nine readers take a big file at 64 KiB/s, one at 384 KiB/s; once their
// answers can be judged, the normal requests need slots: only the slow
// readers make room, and the fast one gets the whole file.
TEST_F(ProgramLoad, fastReaderAmongSlowOnes) {
  constexpr qint64 kFile = 4 * 1024 * 1024;
  sparseFile("big.jpg", kFile);
  std::atomic<qint64> fastBytes{0}, fastMs{0};
  std::atomic<int> slowCut{0};
  const Figures f = measure(
      [&](Clients& c) {
        for (int i = 0; i < 10; ++i)
          c.add([&, i] {
            const bool fast = i == 0;
            const auto begin = Clock::now();
            const int fd = ask(port(), "/big.jpg");
            qint64 got = 0;
            const Answer a =
                readAnswer(fd, begin, milliseconds(30000), fast ? 384 * 1024 : 64 * 1024, &c.stop, &got);
            ::close(fd);
            if (fast) {
              fastBytes = got;
              fastMs = a.ms;
              c.stop = true;  // the case ends with the fast reader
            } else if (!a.complete || a.reset) {
              ++slowCut;
            }
          });
      },
      milliseconds(30000), milliseconds(6000));
  report("fast_reader_among_slow", f,
         QStringLiteral("fast_reader_bytes=%1/%2 fast_reader_ms=%3 slow_readers_cut=%4")
             .arg(fastBytes)
             .arg(kFile + 200)
             .arg(fastMs)
             .arg(slowCut));
  EXPECT_GT(fastBytes, kFile);
}

// One client takes a 1 GiB file, then ten clients a 150 MiB file each, as
// fast as they read.
TEST_F(ProgramLoad, bigFiles) {
  sparseFile("huge.jpg", qint64(1) << 30);
  sparseFile("big.jpg", qint64(150) << 20);
  struct Case {
    const char* name;
    QByteArray target;
    int clients;
  };
  for (const Case& k : {Case{"file_1gib", "/huge.jpg", 1}, Case{"file_150mib_ten_clients", "/big.jpg", 10}}) {
    std::atomic<qint64> bytes{0};
    std::atomic<int> whole{0};
    const Figures f = measure(
        [&](Clients& c) {
          for (int i = 0; i < k.clients; ++i)
            c.add([&] {
              const auto begin = Clock::now();
              const int fd = ask(port(), k.target);
              qint64 got = 0;
              const Answer a = readAnswer(fd, begin, milliseconds(8000), 0, &c.stop, &got);
              ::close(fd);
              bytes += got;
              whole += a.complete;
            });
        },
        // Not shorter with the sanitizer: while ten answers take every slot, the
        // normal requests wait, and the case must outlast those answers.
        milliseconds(8000));
    report(
        k.name, f,
        QStringLiteral("clients=%1 whole_answers=%2 mib_read=%3").arg(k.clients).arg(whole).arg(bytes >> 20));
  }
  QFile::remove(dir() + "/www/huge.jpg");
  QFile::remove(dir() + "/www/big.jpg");
}

// Three clients ask for big pictures and read nothing for 10 s; then a 30 MiB
// file and a picture that needs room are asked for: the slow holders make
// room, nothing is refused.
TEST_F(ProgramLoad, slowHoldersMakeRoom) {
  sparseFile("big.jpg", qint64(30) << 20);
  std::atomic<int> fileStatus{0}, pictureStatus{0};
  const Figures f = measure(
      [&](Clients& c) {
        c.add([&] {
          std::vector<int> holders;
          for (int i = 0; i < 3; ++i) {
            holders.push_back(ask(port(), "/zavPlot.bmp?w=3000&h=3000&n=" + QByteArray::number(i)));
            // Each answer is under way before the next is asked for.
            pollfd p{holders.back(), POLLIN, 0};
            ::poll(&p, 1, 20000);
          }
          sleepFor(milliseconds(10000), c.stop);
          fileStatus = fetch(port(), "/big.jpg", milliseconds(20000)).status();
          pictureStatus = fetch(port(), "/zavPlot.bmp?w=4096&h=4096", milliseconds(30000)).status();
          for (const int fd : holders) ::close(fd);
          c.stop = true;
        });
      },
      milliseconds(60000));
  report("slow_holders_make_room", f,
         QStringLiteral("file_30mib_status=%1 picture_4096_status=%2").arg(fileStatus).arg(pictureStatus));
  EXPECT_EQ(fileStatus, 200);
  EXPECT_EQ(pictureStatus, 200);
  QFile::remove(dir() + "/www/big.jpg");
}

// Requests for 2048 x 2048 pictures that are given up at once: a burst of 45,
// then 500 a second. What the burst costs is told in drawn pictures.
TEST_F(ProgramLoad, abandonedPictures) {
  const double before = cpuSeconds(pid());
  ASSERT_EQ(fetch(port(), "/zavPlot.png?w=2048&h=2048", milliseconds(30000)).status(), 200);
  const double onePicture = std::max(cpuSeconds(pid()) - before, 0.01);
  const auto abandon = [&](int n) {
    for (int i = 0; i < n; ++i) ::close(ask(port(), "/zavPlot.png?w=2048&h=2048&n=" + QByteArray::number(i)));
  };
  // What recording and the rest cost meanwhile is taken off.
  const double idleStart = cpuSeconds(pid());
  std::this_thread::sleep_for(milliseconds(3000));
  const double idle = cpuSeconds(pid()) - idleStart;
  const double burstStart = cpuSeconds(pid());
  abandon(45);
  std::this_thread::sleep_for(milliseconds(3000));
  const double burst = cpuSeconds(pid()) - burstStart - idle;
  std::atomic<int> abandoned{0};
  const Figures f = measure(
      [&](Clients& c) {
        c.add([&] {
          const auto begin = Clock::now();
          while (!c.stop) {
            abandon(1);
            ++abandoned;
            std::this_thread::sleep_until(begin + milliseconds(2) * abandoned.load());
          }
        });
      },
      scaled(5000));
  report("abandoned_pictures_2048", f,
         QStringLiteral("burst_45_cost_in_pictures=%1 abandoned_at_500_per_s=%2")
             .arg(std::max(burst, 0.0) / onePicture, 0, 'f', 1)
             .arg(abandoned));
}

// Bursts of small requests: n clients each connect and send a complete request
// at the same moment, three times. The server clears a burst in moments, so
// every request is answered: none is told to come again, none gets an empty
// close. The program opens as many descriptors as the system lets it.
TEST_F(ProgramLoad, burstsOfSmallRequestsAreAllAnswered) {
  const auto [soft, hard] = descriptorLimits(pid());
  EXPECT_EQ(soft, hard);
  for (const int n : {250, 300}) {
    std::atomic<int> asked{0}, answered{0}, refused{0}, empty{0}, resets{0}, other{0};
    std::atomic<qint64> slowest{0};
    const Figures f = measure(
        [&](Clients& c) {
          c.add([&] {
            for (int round = 0; round < 3 && !c.stop; ++round) {
              std::latch go(1);
              std::vector<std::thread> crowd;
              for (int i = 0; i < n; ++i)
                crowd.emplace_back([&] {
                  go.wait();
                  const Answer a = fetch(port(), "/zav.js", milliseconds(15000));
                  ++asked;
                  slowest = std::max(slowest.load(), a.ms);
                  if (a.reset) ++resets;
                  else if (a.complete && a.bytes.isEmpty()) ++empty;
                  else if (a.complete && a.status() == 200 && a.bytes.endsWith("  ")) ++answered;
                  else if (a.complete && a.status() == 503 && a.bytes.contains("\r\nRetry-After: 10\r\n")) ++refused;
                  else ++other;
                });
              go.count_down();
              for (std::thread& t : crowd) t.join();
              sleepFor(milliseconds(1000), c.stop);
            }
          });
        },
        milliseconds(5000));
    report(n == 250 ? "burst_250" : "burst_300", f,
           QStringLiteral("requests=%1 answered=%2 refused_503=%3 empty_closes=%4 resets=%5 other=%6 slowest_ms=%7 "
                          "fd_limit=%8/%9")
               .arg(asked)
               .arg(answered)
               .arg(refused)
               .arg(empty)
               .arg(resets)
               .arg(other)
               .arg(slowest)
               .arg(soft)
               .arg(hard));
    EXPECT_GE(asked, 2 * n) << n;
    EXPECT_EQ(answered, asked) << n;
    EXPECT_EQ(empty + resets + other, 0) << n;
  }
}

// Ten readers of a 50 MB file at 64 KiB/s start together and take every slot;
// 0.3 s later a page, the XML record and a small file are asked for, first
// alone, then with a hundred clients beside them that send part of a head and
// connect again when closed. Each small answer comes at once: it waits
// neither for the readers to show that they are slow nor behind the heads.
TEST_F(ProgramLoad, smallAnswersDoNotWaitForSlowReaders) {
  sparseFile("big.jpg", 50'000'000);
  for (const int heads : {0, 100}) {
    const QByteArray targets[] = {"/index.asp", "/zavData.xml", "/a.txt"};
    std::atomic<qint64> waits[3] = {-1, -1, -1};
    std::atomic<int> headConnections{0}, readersCut{0};
    const Figures f = measure(
        [&](Clients& c) {
          if (heads > 0) c.add([&] { partialHeads(port(), heads, c.stop, headConnections); });
          c.add([&] {
            if (heads > 0) sleepFor(milliseconds(500), c.stop);
            std::vector<std::thread> readers;
            for (int i = 0; i < 10; ++i)
              readers.emplace_back([&] {
                const auto begin = Clock::now();
                const int fd = ask(port(), "/big.jpg");
                const Answer a = readAnswer(fd, begin, milliseconds(30000), 64 * 1024, &c.stop);
                ::close(fd);
                if (a.complete || a.reset) ++readersCut;
              });
            sleepFor(milliseconds(300), c.stop);
            for (int k = 0; k < 3; ++k) {
              const Answer a = fetch(port(), targets[k], milliseconds(10000));
              waits[k] = a.complete && a.status() == 200 ? a.ms : -1;
            }
            for (std::thread& t : readers) t.join();
          });
        },
        milliseconds(3000));
    report(heads == 0 ? "small_answers_beside_slow_readers" : "small_answers_beside_slow_readers_and_heads", f,
           QStringLiteral("page_wait_ms=%1 xml_wait_ms=%2 file_wait_ms=%3 readers_cut=%4 head_connections=%5")
               .arg(waits[0])
               .arg(waits[1])
               .arg(waits[2])
               .arg(readersCut)
               .arg(headConnections));
    for (int k = 0; k < 3; ++k) {
      EXPECT_GE(waits[k], 0) << targets[k].constData() << " heads=" << heads;
      EXPECT_LT(waits[k], 2500) << targets[k].constData() << " heads=" << heads;
    }
  }
  QFile::remove(dir() + "/www/big.jpg");
}
