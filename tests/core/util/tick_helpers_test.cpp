#include "core/util/tick_helpers.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

#include "core/globals.h"
#include "platform/tick_clock.h"

namespace {
int32_t signedOf(uint32_t v) { return static_cast<int32_t>(v); }

// Fresh lap tables as Main leaves them.
void resetLaps() {
  lapMax = 10;
  lapTimes = {0};
  lapIds = {0};
}

int64_t g_fakeFileTime = 0;
int64_t fakeFileTime() { return g_fakeFileTime; }
}  // namespace

TEST(TickHelpers, UnsignedReadingsAndBack) {
  EXPECT_EQ(uLongToDouble(-1), 4294967295.0);
  EXPECT_EQ(uLongToDouble(5), 5.0);
  // Out of range wraps.
  for (const auto& [d, l] : {std::pair<double, int32_t>{4294967295.0, -1},
                             {2147483647.0, 2147483647},
                             {2147483648.0, INT32_MIN},
                             {4294967296.0, 0},
                             {-1, -1},
                             {std::nan(""), 0}})
    EXPECT_EQ(doubleToULong(d), l) << d;
}

TEST(TickHelpers, ElapsedAcrossTheWrap) {
  for (const auto& [from, to, ms] : {std::tuple<int32_t, int32_t, double>{signedOf(4294967290u), 5, 11},
                                     {5, 5, 0},
                                     {1, 1000, 999},
                                     {5, 4, 4294967295.0},
                                     {INT32_MAX, INT32_MIN, 1}})
    EXPECT_EQ(msElapsed(from, to), ms) << from << " " << to;
  EXPECT_EQ(tickDiff(-1, 0), 1);
}

TEST(TickHelpers, TickClockNearTheWrap) {
  // A running clock set just below the wrap reads a moment later, wrapped or not
  // (a busy machine may let milliseconds pass between the two calls).
  setTickCountForTests(0xFFFFFFF0u);
  EXPECT_LT(static_cast<uint32_t>(timeGetTime()) - 0xFFFFFFF0u, 1000u);
  holdTickCountForTests(0xFFFFFFF0u);
  const int32_t start = timeGetTime();
  holdTickCountForTests(0x10u);
  EXPECT_EQ(msElapsed(start, timeGetTime()), 0x20);
  setTickCountForTests(0);
}

TEST(LapTimer, StartsReadsStopsAndReleases) {
  resetLaps();
  setTickCountForTests(0xFFFFFF00u);  // the timer must survive the wrap
  int16_t id = -1;
  EXPECT_EQ(recordLapTime(id, 1), 0);
  EXPECT_EQ(id, 0);
  setTickCountForTests(0xFFFFFF00u + 1500u);
  const double lap = recordLapTime(id, 2);
  EXPECT_GE(lap, 1.5);
  EXPECT_LT(lap, 2.5);
  const double stopped = recordLapTime(id, 3);
  setTickCountForTests(0x00100000u);
  EXPECT_EQ(recordLapTime(id, 3), stopped);  // frozen
  EXPECT_EQ(recordLapTime(id, 4), stopped);
  int16_t next = -1;
  EXPECT_EQ(recordLapTime(next, 1), 0);  // released slots are reused
}

TEST(LapTimer, GrowsToLapMaxThenRefuses) {
  resetLaps();
  for (int i = 0; i <= 10; ++i) {
    int16_t id = -1;
    EXPECT_EQ(recordLapTime(id, 1), i);
  }
  EXPECT_EQ(lapIds.size(), 11);
  int16_t id = -1;
  EXPECT_EQ(recordLapTime(id, 1), -1);
  EXPECT_EQ(id, -1);
  id = 11;
  EXPECT_EQ(recordLapTime(id, 2), -1);
  id = -1;
  EXPECT_EQ(recordLapTime(id, 2), -1);
  id = 5;  // an explicit slot may be restarted
  EXPECT_EQ(recordLapTime(id, 1), 5);
  resetLaps();
  id = 3;  // an explicit slot beyond the table grows it
  EXPECT_EQ(recordLapTime(id, 1), 3);
  EXPECT_EQ(lapIds.size(), 4);
}

TEST(FileTimeClock, MarksAndDifferences) {
  setFileTimeClockForTests(fakeFileTime);
  clockRecord c;
  g_fakeFileTime = 133000000000000000LL;
  EXPECT_EQ(fileTimeClock(16 + 32 + 128 + 1, c), g_fakeFileTime);
  EXPECT_EQ(c.markLast, g_fakeFileTime);
  EXPECT_EQ(c.markStart, g_fakeFileTime);
  EXPECT_EQ(c.lastCmd, 16 + 32 + 128 + 1);
  g_fakeFileTime += 2500 * 10000LL + 5;  // 2.5 s and half a microsecond later
  EXPECT_DOUBLE_EQ(fixedToMs(fileTimeClock(16 + 7, c)), 2500.0005);
  EXPECT_EQ(fileTimeClock(16 + 32 + 64 + 9, c), 2500 * 10000LL + 5);
  EXPECT_EQ(c.markLap, c.markLast);
  EXPECT_EQ(fileTimeClock(8, c), 0);
  EXPECT_EQ(fileTimeClock(0, c), 8 * 10000LL);  // the last command, unchanged by cmd 0
  EXPECT_EQ(fileTimeClock(15, c), 0);
  setFileTimeClockForTests(nullptr);
  EXPECT_GT(fileTimeClock(16 + 1, c), 130000000000000000LL);
}

TEST(TimeStampMs, DateThenSecondsAndMilliseconds) {
  setTickCountForTests(123456789u);
  const QString s = timeStampMs();
  static const QRegularExpression re(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d  (\d\d)\.(\d\d\d)$)");
  const auto m = re.match(s);
  ASSERT_TRUE(m.hasMatch()) << s.toStdString();
  EXPECT_EQ(m.captured(1), "56");
  EXPECT_GE(m.captured(2).toInt(), 789 - 1);
}
