// The simulator's frame builder against the published check values and layouts.
#include <gtest/gtest.h>

#include "support/qt_printers.h"
#include "tools/zav_frames.h"

TEST(SimFrames, crcMatchesItsCatalogueValues) {
  EXPECT_EQ(zavsim::crc8("123456789"), 0x20);
  EXPECT_EQ(zavsim::crc8("abc"), 0xF0);
  EXPECT_EQ(zavsim::crc8(QByteArray::fromHex("08613412620000003f992e0301045742")), 0x9D);
}

TEST(SimFrames, lineCodesSendTheLowNibbleFirst) {
  EXPECT_EQ(zavsim::lineCode(QByteArray::fromHex("3412"), zavsim::kNewCode), QByteArray::fromHex("271e1d1b"));
  EXPECT_EQ(zavsim::lineCode(QByteArray::fromHex("0110"), zavsim::kOldCode), QByteArray::fromHex("a9aaaaa9"));
}

TEST(SimFrames, newFrameLayout) {
  zavsim::Reading r{.pgmID = 0x6108,
                    .txID = 0x1234,
                    .count = 0x62,
                    .ticks = 0x032E993F,
                    .temp1 = 0x01,
                    .temp2 = 0x04,
                    .voltRaw = 0x57,
                    .status = 0x42};
  EXPECT_EQ(zavsim::newFrameData(r), QByteArray::fromHex("08613412620000003f992e0301045742"));
  const QByteArray f = zavsim::newFrame(r);
  ASSERT_EQ(f.size(), 37);
  EXPECT_EQ(f.left(2), QByteArray::fromHex("369a"));
  EXPECT_EQ(f.mid(2, 4), QByteArray::fromHex("47171b2d"));  // 08 61
  EXPECT_EQ(f.mid(34, 2), QByteArray::fromHex("8b4b"));     // FCS 9D
  EXPECT_EQ(uint8_t(f.back()), 0xCC);
  EXPECT_EQ(zavsim::newFrame(r, true).left(2), QByteArray::fromHex("a963"));
}

TEST(SimFrames, oldFrameLayout) {
  zavsim::Reading r{.pgmID = 17593, .txID = 7, .count = 1000, .ticks = 5, .status = 0, .oldTemp = -3};
  const QByteArray d = zavsim::oldFrameData(r);
  ASSERT_EQ(d.size(), 16);
  EXPECT_EQ(d.left(15), QByteArray::fromHex("0700e803000005000000fdff00b944"));
  int sum = 0;
  for (int i = 0; i < 15; ++i) sum += uint8_t(d[i]);
  EXPECT_EQ(uint8_t(d[15]), sum % 256);
  const QByteArray f = zavsim::oldFrame(r);
  ASSERT_EQ(f.size(), 35);
  EXPECT_EQ(f.left(2), "\\N");
  EXPECT_EQ(f.back(), 'Z');
}

TEST(SimFrames, temperatureAndVoltageCodings) {
  EXPECT_EQ(zavsim::newTempByte(20), 0);
  EXPECT_EQ(zavsim::newTempByte(21.5), 3);
  EXPECT_EQ(zavsim::newTempByte(-10), uint8_t(-60));
  const uint8_t raw = zavsim::voltRawFor(12);  // the controller's supply, up to about 15 V
  double v = raw * 5.0 / 1023;
  v = v + v * 130 / 12;
  v = 0.995025 * v + 0.477612;
  EXPECT_NEAR(v, 12, 0.06);
}
