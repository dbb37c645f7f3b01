// The running server under load and abuse on loopback: slow clients, clients
// that stop reading, and a long run of requests that must leave nothing behind.
#include <sys/socket.h>

#include <cstdio>
#include <cstdlib>

#include <QElapsedTimer>

#include "web/web_client.h"
#include "web/web_fixture.h"

namespace {
using std::chrono::milliseconds;

// The one time asserted: a normal client's answer once the slots are free.
// AddressSanitizer slows every step several times over, and it keeps freed
// memory in quarantine, so the resident size grows without a leak.
#ifdef __SANITIZE_ADDRESS__
constexpr qint64 kAnswerLimitMs = 500;
constexpr bool kResidentSizeTells = false;
#else
constexpr qint64 kAnswerLimitMs = 100;
constexpr bool kResidentSizeTells = true;
#endif

// ZAV_WEB_LOAD_REQUESTS sets the length of the long run (make load: 100,000).
int loadRequests() {
  const char* text = std::getenv("ZAV_WEB_LOAD_REQUESTS");
  const int n = text ? std::atoi(text) : 0;
  return n > 0 ? n : 5000;
}
}  // namespace

TEST_F(WebServerTest, slowClientsLoseTheirSlotsAndANormalClientIsAnsweredAtOnce) {
  write(QStringLiteral("root/a.txt"), "A");
  webIdleTimeout = milliseconds(300);
  start();
  const int descriptors = openDescriptors();
  {
    // Each sends a byte every 20 ms, far within the timeout, and never ends its request.
    SlowClients slow(port(), 200, milliseconds(20));
    ASSERT_TRUE(pumpUntil([&] { return slow.connected() == 200 && webPeakActive == 10; }, milliseconds(20000)));
    // The timeout counts from the accept, not from the last byte: every slot
    // frees and every slow client is closed (late ones may take a slot first).
    ASSERT_TRUE(
        pumpUntil([&] { return webActiveCount == 0 && slow.closedByServer() == 200; }, milliseconds(20000)));
    EXPECT_EQ(webRequestCount, 200);
    EXPECT_GE(webAcceptCount, 10);
    QElapsedTimer answered;
    answered.start();
    const ClientResult r = get(port(), "/a.txt");
    const qint64 ms = answered.elapsed();
    EXPECT_EQ(bodyOf(r.bytes), "A");
    EXPECT_LT(ms, kAnswerLimitMs);
    std::printf("LOAD slow_clients=200 accepted=%d answered_after_free_ms=%lld\n", webAcceptCount - 1,
                static_cast<long long>(ms));
  }
  pumpFor(milliseconds(100));
  EXPECT_LE(openDescriptors(), descriptors);
}

TEST_F(WebServerTest, clientThatStopsReadingLosesItsSlot) {
  // Far more than the socket buffers hold, so the answer cannot complete.
  write(QStringLiteral("root/big.jpg"), QByteArray(32 * 1024 * 1024, 'j'));
  write(QStringLiteral("root/a.txt"), "A");
  webIdleTimeout = milliseconds(300);
  start();
  IdleClient reader(port());
  ASSERT_EQ(::send(reader.fd(), "GET /big.jpg HTTP/1.1\r\n\r\n", 25, MSG_NOSIGNAL), 25);
  ASSERT_TRUE(pumpUntil([] { return webActiveCount == 1; }));
  EXPECT_TRUE(pumpUntil([] { return webActiveCount == 0; }, milliseconds(10000)));
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
  EXPECT_EQ(webActiveCount, 0);
}
