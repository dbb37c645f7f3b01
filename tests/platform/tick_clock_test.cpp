#include <gtest/gtest.h>

#include <QFile>

#include "platform/tick_clock.h"

// The tick counts from boot, as the kernel's uptime does: a run's first pulse is never
// taken for one that came too soon after a start at 0.
TEST(TickClock, CountsFromBootLikeTheUptime) {
  QFile uptime("/proc/uptime");
  if (!uptime.open(QIODevice::ReadOnly)) GTEST_SKIP() << "no /proc/uptime";
  const double seconds = uptime.readAll().split(' ').value(0).toDouble();
  const uint32_t tick = uint32_t(timeGetTime());
  ASSERT_GT(seconds, 0);
  const uint32_t fromUptime = uint32_t(uint64_t(seconds * 1000.0));
  // Both wrap modulo 2^32; a suspended machine's uptime runs ahead of the monotonic clock.
  const int32_t behind = int32_t(fromUptime - tick);
  EXPECT_GT(behind, -2000) << tick << " vs " << fromUptime;
  if (seconds > 60) {
    EXPECT_GT(tick, 30000u);
  }
}
