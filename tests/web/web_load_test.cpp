// The running server under load and abuse on loopback: slow clients, clients
// that stop reading, and a long run of requests that must leave nothing behind.
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "tools/loopback_socket.h"
#include "web/web_client.h"
#include "web/web_fixture.h"

namespace {
using std::chrono::milliseconds;

// AddressSanitizer keeps freed memory in quarantine, so the resident size
// grows without a leak.
#ifdef __SANITIZE_ADDRESS__
constexpr bool kResidentSizeTells = false;
#else
constexpr bool kResidentSizeTells = true;
#endif

// ZAV_WEB_LOAD_REQUESTS sets the length of the long run (make load: 100,000).
int loadRequests() {
  const char* text = std::getenv("ZAV_WEB_LOAD_REQUESTS");
  const int n = text ? std::atoi(text) : 0;
  return n > 0 ? n : 5000;
}

// Requests for a.txt, one connection each, spaced apart while a load runs.
struct NormalRequests {
  qsizetype answered = 0;
  double withinSecondPercent = 0;
  qint64 slowestMs = 0;
};
NormalRequests normalRequests(int port, int count, milliseconds spacing) {
  const QVector<qint64> times =
      requestTimes(port, {{"GET /a.txt HTTP/1.1\r\nHost: zav\r\n\r\n", "\r\n\r\nA"}}, count, spacing,
                   milliseconds(count * (spacing.count() + 5000)));
  const qsizetype withinSecond =
      std::count_if(times.begin(), times.end(), [](qint64 t) { return t >= 0 && t <= 1000; });
  return {.answered = std::count_if(times.begin(), times.end(), [](qint64 t) { return t >= 0; }),
          .withinSecondPercent = 100.0 * double(withinSecond) / count,
          .slowestMs = times.isEmpty() ? 0 : *std::max_element(times.begin(), times.end())};
}
}  // namespace

TEST_F(WebServerTest, slowClientsLoseTheirSlotsAndANormalClientIsAnswered) {
  write(QStringLiteral("root/a.txt"), "A");
  server().setLimits({.requestHead = milliseconds(300), .idle = milliseconds(30000)});
  start();
  const int descriptors = openDescriptors();
  {
    // Each sends a byte every 20 ms and never ends its request.
    SlowClients slow(port(), 200, milliseconds(20));
    ASSERT_TRUE(pumpUntil([&] { return slow.connected() == 200 && counters().peak == 10; }, milliseconds(20000)));
    // The head's deadline counts from the accept, in line as in a slot, not
    // from the last byte: every slow client is closed and every slot frees.
    ASSERT_TRUE(
        pumpUntil([&] { return counters().active == 0 && slow.closedByServer() == 200; }, milliseconds(20000)));
    EXPECT_EQ(counters().requests, 200);
    EXPECT_GE(counters().accepts, 10);
    QElapsedTimer answered;
    answered.start();
    const ClientResult r = get(port(), "/a.txt");
    const qint64 ms = answered.elapsed();
    EXPECT_EQ(bodyOf(r.bytes), "A");
    EXPECT_TRUE(r.closedByServer);
    std::printf("LOAD slow_clients=200 accepted=%d answered_after_free_ms=%lld\n", counters().accepts - 1,
                static_cast<long long>(ms));
  }
  pumpFor(milliseconds(100));
  EXPECT_LE(openDescriptors(), descriptors);
}

// Twelve clients hold more than every slot: each sends a header line every 3 s
// and connects again at once when it is closed. Normal requests go on among them.
TEST_F(WebServerTest, slowClientsThatReconnectLeaveRoomForNormalRequests) {
  write(QStringLiteral("root/a.txt"), "A");
  start();
  const int count = std::max(120, loadRequests() / 100);
  const milliseconds spacing(50);
  SlowClients slow(port(), 12, milliseconds(3000), SlowClients::Pace::LineAndReconnect);
  ASSERT_TRUE(pumpUntil([&] { return slow.connected() >= 12 && counters().active == 10; }, milliseconds(10000)));
  const NormalRequests normal = normalRequests(port(), count, spacing);
  std::printf(
      "LOAD slow_reconnecting_clients=12 line_every_ms=3000 requests=%d answered=%lld within_1s=%.1f%% "
      "slowest_ms=%lld slow_connections=%d closed_by_server=%d\n",
      count, static_cast<long long>(normal.answered), normal.withinSecondPercent,
      static_cast<long long>(normal.slowestMs), slow.connected(), slow.closedByServer());
  // Every normal request is answered while the slow clients press on.
  EXPECT_EQ(normal.answered, count);
  EXPECT_GT(slow.closedByServer(), 0);
}

// Thirty, then a hundred clients that send part of a head or nothing and
// connect again at once when closed: normal requests among them are answered,
// and what the server spends on them is bounded.
TEST_F(WebServerTest, slowClientsThatReconnectWithoutAHeadLeaveRoomForNormalRequests) {
  write(QStringLiteral("root/a.txt"), "A");
  start();
  const int count = std::max(16, loadRequests() / 1000);
  const milliseconds spacing(50);
  for (const int clients : {30, 100}) {
    SlowClients part(port(), clients / 2, milliseconds(100), SlowClients::Pace::PartOfHeadAndReconnect);
    SlowClients silent(port(), clients - clients / 2, milliseconds(100),
                       SlowClients::Pace::SilentAndReconnect);
    ASSERT_TRUE(
        pumpUntil([&] { return part.connected() + silent.connected() >= clients && counters().active == 10; },
                  milliseconds(10000)));
    const double cpuBefore = threadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const NormalRequests normal = normalRequests(port(), count, spacing);
    const double cpu =
        100.0 * (threadCpuSeconds() - cpuBefore) * 1000.0 / double(std::max<qint64>(wall.elapsed(), 1));
    std::printf(
        "LOAD slow_reconnecting_heads=%d requests=%d answered=%lld within_1s=%.1f%% slowest_ms=%lld "
        "server_cpu=%.1f%% slow_connections=%d\n",
        clients, count, static_cast<long long>(normal.answered), normal.withinSecondPercent,
        static_cast<long long>(normal.slowestMs), cpu, part.connected() + silent.connected());
    EXPECT_EQ(normal.answered, count) << clients;
  }
}

// Ten clients ask for the biggest picture and read 128 KiB every 2 s: normal
// requests are answered meanwhile, and the pictures never hold more memory
// than the bound lets them.
TEST_F(WebServerTest, slowReadersOfBigPicturesLeaveRoomForNormalRequests) {
  write(QStringLiteral("root/a.txt"), "A");
  constexpr qsizetype kBmpBytes = 4096 * 4096 * 3 + 54;
  m_render = [](const QString&, const QString&) { return readyPicture(QByteArray(kBmpBytes, 'b')); };
  start();
  const long rssBefore = residentKiB();
  const int count = std::max(20, loadRequests() / 250);
  const milliseconds spacing(200);
  SlowReaders readers(port(), 10, "/zavPlot.bmp?w=4096&h=4096", 128 * 1024, milliseconds(2000));
  const NormalRequests normal = normalRequests(port(), count, spacing);
  const long peak = peakResidentKiB();
  std::printf(
      "LOAD slow_readers=10 picture_bytes=%lld requests=%d answered=%lld within_1s=%.1f%% rss_kib=%ld "
      "peak_rss_kib=%ld reader_connections=%d reader_bytes=%lld\n",
      static_cast<long long>(kBmpBytes), count, static_cast<long long>(normal.answered),
      normal.withinSecondPercent, rssBefore, peak, readers.connected(), readers.bytesRead());
  EXPECT_EQ(normal.answered, count);
  if (kResidentSizeTells) {
    // One picture is drawn or waits at a time; a copy of it is made while its answer is built.
    EXPECT_LT(peak - rssBefore, 3 * kBmpBytes / 1024);
  }
}

// Ten clients that ask for a big file and stop reading hold every slot; once
// their answers have gone out slowly for a while, a newcomer whose answer is
// too big to go out without a slot takes the slot of one of them.
TEST_F(WebServerTest, aSlowAnswerGivesItsSlotToANewcomer) {
  write(QStringLiteral("root/big.jpg"), QByteArray(16 * 1024 * 1024, 'j'));
  const QByteArray mid(100 * 1024, 'm');
  write(QStringLiteral("root/mid.jpg"), mid);
  server().setLimits({.slowAnswerAfter = milliseconds(500), .maxAnswerBytes = qint64(512) * 1024 * 1024});
  start();
  std::vector<std::unique_ptr<IdleClient>> readers;
  for (int i = 0; i < 10; ++i) {
    readers.push_back(std::make_unique<IdleClient>(port()));
    ASSERT_TRUE(readers.back()->send("GET /big.jpg HTTP/1.1\r\n\r\n"));
  }
  ASSERT_TRUE(pumpUntil([&] { return counters().active == 10; }));
  // It waits in line while the answers are young, and is taken in once they are slow.
  EXPECT_TRUE(pumpUntil([&] { return bodyOf(get(port(), "/mid.jpg").bytes) == mid; }, milliseconds(10000)));
  EXPECT_EQ(counters().accepts, 11);
}

TEST_F(WebServerTest, clientThatStopsReadingLosesItsSlot) {
  // Far more than the socket buffers hold, so the answer cannot complete.
  write(QStringLiteral("root/big.jpg"), QByteArray(32 * 1024 * 1024, 'j'));
  write(QStringLiteral("root/a.txt"), "A");
  server().setLimits({.requestHead = milliseconds(300), .idle = milliseconds(300)});
  start();
  IdleClient reader(port());
  ASSERT_EQ(::send(reader.fd(), "GET /big.jpg HTTP/1.1\r\n\r\n", 25, MSG_NOSIGNAL), 25);
  ASSERT_TRUE(pumpUntil([&] { return counters().active == 1; }));
  EXPECT_TRUE(pumpUntil([&] { return counters().active == 0; }, milliseconds(10000)));
  EXPECT_EQ(bodyOf(get(port(), "/a.txt").bytes), "A");
}

TEST_F(WebServerTest, manyRequestsLeaveNoDescriptorsOrMemoryBehind) {
  write(QStringLiteral("root/a.txt"), "A");
  start();
  const QList<RepeatedRequest> mix{
      {"GET /a.txt HTTP/1.1\r\nHost: zav\r\n\r\n", "\r\n\r\nA"},
      {"GET /?r=5&w=300 HTTP/1.1\r\n\r\n", "\r\n\r\nindex 5"},
      {"GET /zavData.xml HTTP/1.0\r\n\r\n", "</zavData>\r\n"},
  };
  // Caches and pools fill first.
  ASSERT_EQ(repeatRequests(port(), mix, 1000), 1000);
  pumpFor(milliseconds(100));
  const int descriptorsBefore = openDescriptors();
  const long rssBefore = residentKiB();
  const int count = loadRequests();
  QElapsedTimer run;
  run.start();
  EXPECT_EQ(repeatRequests(port(), mix, count, milliseconds(600000)), count);
  const qint64 ms = run.elapsed();
  pumpFor(milliseconds(100));
  const int descriptorsAfter = openDescriptors();
  const long rssAfter = residentKiB();
  std::printf("LOAD requests=%d ms=%lld descriptors=%d->%d rss_kib=%ld->%ld\n", count, static_cast<long long>(ms),
              descriptorsBefore, descriptorsAfter, rssBefore, rssAfter);
  EXPECT_LE(descriptorsAfter, descriptorsBefore);
  if (kResidentSizeTells) {
    EXPECT_LT(rssAfter - rssBefore, 2048);
  }
  EXPECT_EQ(counters().active, 0);
}

// Connections that close, before the server took them or after, free their
// slots at once, not when their head's time is up.
TEST_F(WebServerTest, aPeerThatClosesFreesItsSlotAtOnce) {
  start();
  for (int i = 0; i < 50; ++i) ::close(connectTo(port()));
  auto late = std::make_unique<IdleClient>(port());
  ASSERT_TRUE(
      pumpUntil([&] { return counters().requests == 51 && counters().active == 1; }, milliseconds(2000)));
  late.reset();
  EXPECT_TRUE(pumpUntil([&] { return counters().active == 0; }, milliseconds(1000)));
  EXPECT_EQ(bodyOf(get(port(), "/index.asp?r=3").bytes), "index 3");
}

// A reader at 8 MiB/s among more readers at 512 KiB/s than there are slots,
// who come back when they are closed, with answers judged under 2 MiB/s slow:
// only slow readers make room, and the fast one gets its whole file.
TEST_F(WebServerTest, aFastReaderAmongSlowOnesKeepsItsSlot) {
  constexpr qint64 kFile = 32 * 1024 * 1024;
  {
    QFile f(path(QStringLiteral("root/big.jpg")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(kFile));
  }
  server().setLimits({.slowAnswerAfter = milliseconds(1000), .minAnswerRate = 2 * 1024 * 1024});
  start();
  std::atomic<qint64> fastBytes{0};
  std::atomic<bool> fastDone{false};
  std::thread fast([&] {
    const int fd = connectTo(port());
    (void)!::send(fd, "GET /big.jpg HTTP/1.1\r\n\r\n", 25, MSG_NOSIGNAL);
    const auto begin = std::chrono::steady_clock::now();
    std::vector<char> buf(256 * 1024);
    for (qint64 got = 0;;) {
      const qint64 due =
          8 * 1024 * 1024 *
          std::chrono::duration_cast<milliseconds>(std::chrono::steady_clock::now() - begin).count() / 1000;
      if (got >= due) {
        std::this_thread::sleep_for(milliseconds(10));
        continue;
      }
      const ssize_t n = ::recv(fd, buf.data(), size_t(std::min<qint64>(qint64(buf.size()), due - got)), 0);
      if (n <= 0) break;
      got += n;
      fastBytes = got;
    }
    ::close(fd);
    fastDone = true;
  });
  ASSERT_TRUE(pumpUntil([&] { return counters().active == 1; }));
  SlowReaders slow(port(), 12, "/big.jpg", 128 * 1024, milliseconds(250));
  const bool done = pumpUntil([&] { return fastDone.load(); }, milliseconds(30000));
  fast.join();
  ASSERT_TRUE(done);
  EXPECT_GT(fastBytes, kFile);
  EXPECT_GE(counters().accepts, 13);  // slow ones made room for those that waited
}

// A file far over the bound on waiting bytes goes out whole, from disk a
// chunk at a time: the memory it takes stays small.
TEST_F(WebServerTest, aFileOverTheBoundGoesOutFromDisk) {
  constexpr qint64 kFile = qint64(512) << 20;
  {
    QFile f(path(QStringLiteral("root/huge.jpg")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(kFile));  // sparse
  }
  server().setLimits({.maxAnswerBytes = 1024 * 1024});
  start();
  const long before = residentKiB();
  std::atomic<qint64> got{0};
  std::atomic<bool> done{false};
  std::thread reader([&] {
    const int fd = connectTo(port());
    (void)!::send(fd, "GET /huge.jpg HTTP/1.1\r\n\r\n", 26, MSG_NOSIGNAL);
    std::vector<char> buf(1 << 20);
    for (ssize_t n; (n = ::recv(fd, buf.data(), buf.size(), 0)) > 0;) got += n;
    ::close(fd);
    done = true;
  });
  const bool finished = pumpUntil([&] { return done.load(); }, milliseconds(60000));
  reader.join();
  ASSERT_TRUE(finished);
  EXPECT_GT(got, kFile);
  if (kResidentSizeTells) {
    EXPECT_LT(peakResidentKiB() - before, 64 * 1024);
  }
}
