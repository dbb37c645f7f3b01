// The data file's format, as the recorder writes it and the plot reads it:
// byte layout, temperature decoding, which headers can start a section.
#include <gtest/gtest.h>

#include "meter/record/zav_format.h"
#include "tests/meter/record/zav_bytes.h"

namespace {

constexpr double kDay = 45352.5;  // 2024-03-01 12:00

TEST(DataFileBytes, HeaderAndRecordAreLittleEndianWithoutPadding) {
  fileSection h;
  h.startTime = kDay;
  h.version = 1003000;
  h.sensorVer = 24840;
  h.meterID = 0x1234;
  h.ticksPerSec = 62500;
  h.WsPerCount = 1200;
  h.resetCount = 3;
  h.voltCount = -2;
  h.records = 70000;
  EXPECT_EQ(packSection(h).toHex(), QByteArray("000000001025e640"
                                               "f84d0f00"
                                               "08610000"
                                               "34120000"
                                               "24f40000"
                                               "b0040000"
                                               "03000000"
                                               "feff"
                                               "70110100"));
  meterRecord r{kDay, int32_t(0xFFFFFFF6u), 0x01020304, 0x0150};
  EXPECT_EQ(packRecord(r).toHex(), QByteArray("000000001025e640"
                                              "f6ffffff"
                                              "04030201"
                                              "5001"));
  const fileSection back = unpackSection(packSection(h).constData());
  EXPECT_EQ(back.records, 70000);
  EXPECT_EQ(back.voltCount, -2);
  EXPECT_EQ(unpackRecord(packRecord(r).constData()).count, -10);
}

// One table for both codings. Byte-coded values are one byte: a raw value
// beyond it (written under another detector type, or damaged) counts by its
// low byte, so recorder and reader can never disagree.
TEST(DataFileTemperature, RawValuesInBothCodings) {
  struct Row {
    int16_t raw;
    bool byteCoded;
    float degrees;
  };
  for (const Row& r : {Row{0x80, true, kNoTemperature}, Row{0xF0, true, 12.0f}, Row{0x50, true, 60.0f},
                       Row{200, true, -8.0f}, Row{0x7F, true, 83.5f}, Row{0x81, true, -43.5f},
                       Row{0, true, 20.0f}, Row{0x150, true, 60.0f}, Row{400, true, -36.0f},
                       Row{0x180, true, -44.0f}, Row{-5, true, 17.5f}, Row{-41, false, -20.5f},
                       Row{0x80, false, 64.0f}, Row{32767, false, 16383.5f}, Row{-32768, false, -16384.0f}}) {
    EXPECT_EQ(temperatureOf(r.raw, r.byteCoded), r.degrees) << r.raw << " byteCoded=" << r.byteCoded;
  }
  EXPECT_FALSE(validTemperature(kNoTemperature));
  EXPECT_FALSE(validTemperature(kNoTemperatureOld));
  EXPECT_TRUE(validTemperature(-16383.5f));
}

TEST(DataFileSections, HeaderLengthByVersionAndPlausibleHeaders) {
  EXPECT_EQ(headerBytesOf(1003000), 38);
  EXPECT_EQ(headerBytesOf(1002001), 38);
  EXPECT_EQ(headerBytesOf(1002000), 18);
  EXPECT_EQ(headerBytesOf(1000018), 28);
  fileSection good = unpackSection(ZavBytes().header(kDay, 5, 3).b.constData());
  EXPECT_TRUE(plausibleSection(good));
  struct Row {
    const char* what;
    void (*spoil)(fileSection&);
  };
  for (const Row& r : {Row{"version", [](fileSection& h) { h.version = 1004000; }},
                       Row{"records", [](fileSection& h) { h.records = -1; }},
                       Row{"start before 1990", [](fileSection& h) { h.startTime = 1000; }},
                       Row{"start after 2200", [](fileSection& h) { h.startTime = 2e5; }},
                       Row{"ticks per second", [](fileSection& h) { h.ticksPerSec = -1; }},
                       Row{"Ws per count", [](fileSection& h) { h.WsPerCount = -1; }},
                       Row{"reset count", [](fileSection& h) { h.resetCount = 256; }}}) {
    fileSection h = good;
    r.spoil(h);
    EXPECT_FALSE(plausibleSection(h)) << r.what;
  }
}

}  // namespace
