// Protocol-analyzer tools: the capture report, file names and the test frame.
#include "meter/window/protocol_analyzer.h"

#include <gtest/gtest.h>

#include "core/settings/detector_types.h"
#include "tests/meter/window/meter_owners.h"

TEST(TestFrame, BothCrcPathsGiveTheControllersFrame) {
  const QByteArray expected = QByteArray::fromHex(
      "55 55 55 55 55 55 55 55 F0 55 A9 63 47 17 1B 2D 27 1E 1D 1B 1D 2D 17 17 17 17 17 17 8E 1E 4B 4B 8D 1D "
      "1E 17 "
      "1B 17 27 17 2E 2B 1D 27 8B 4B CC");
  for (bool table : {true, false}) {
    const QByteArray frame = buildTestFrame(table, kNewFrameDetectorVer);
    EXPECT_EQ(frame.size(), 47);
    EXPECT_EQ(frame.toHex(' ').toUpper(), expected.toHex(' ').toUpper()) << "table=" << table;
  }
}

TEST(DcdCapture, ClearMakesRoomAndCountsNothing) {
  MeterOwners meter;
  MeterLink& link = meter.link;
  link.setDcdCaptureForTests(QVector<int64_t>(8, 0), 7);
  link.clearDcdCapture(3);
  EXPECT_EQ(link.dcdCount(), 0);
  EXPECT_EQ(link.maxDcdEvents(), 3);
  EXPECT_EQ(link.dcdTimes().size(), 4);
  link.clearDcdCapture(-5);
  EXPECT_EQ(link.dcdTimes().size(), 1);
}

TEST(DcdCapture, ThreeStampsGiveTwoRows) {
  // 10 ms and 0.444 ms apart, in nanoseconds.
  const QVector<int64_t> t{1000000000, 1010000000, 1010444000};
  const QStringList rows = dcdReportRows(t, 3, kDcdCounterFrequency);
  ASSERT_EQ(rows.size(), 2);
  EXPECT_EQ(rows[0], "   1  0      10     225\r\n");
  EXPECT_EQ(rows[1], "   2  0              10\r\n");
  EXPECT_TRUE(dcdReportRows(t, 1, kDcdCounterFrequency).isEmpty());
  Date day = 0;
  ASSERT_TRUE(dateSerial(2026, 12, 7, day));
  EXPECT_EQ(dcdReportHeader(day + timeSerial(8, 0, 5), 3),
            "2026-12-07 08:00:05  dcdEvents=3\r\n--------------------\r\n");
}

TEST(DcdCapture, FileNameNumbersTheStar) {
  EXPECT_EQ(captureFileName("/tmp/Zav/PALOG*.txt", 7), "/tmp/Zav/PALOG007.txt");
  EXPECT_EQ(captureFileName("a*b*", 12), "a012b012");
}
