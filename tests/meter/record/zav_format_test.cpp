// The data file's format, as the recorder writes it and the plot reads it:
// byte layout, temperature decoding, which headers can start a section and
// which records are readings.
#include "meter/record/zav_format.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/meter/record/zav_bytes.h"

namespace {

constexpr double kDay = 45352.5;  // 2024-03-01 12:00

TEST(DataFileBytes, HeaderAndRecordAreLittleEndianWithoutPadding) {
  fileSection h{.startTime = kDay,
                .version = 1003000,
                .sensorVer = 24840,
                .meterID = 0x1234,
                .ticksPerSec = 62500,
                .WsPerCount = 1200,
                .resetCount = 3,
                .voltCount = -2,
                .records = 70000};
  EXPECT_EQ(packSection(h).toHex(), QByteArray("000000001025e640"
                                               "f84d0f00"
                                               "08610000"
                                               "34120000"
                                               "24f40000"
                                               "b0040000"
                                               "03000000"
                                               "feff"
                                               "70110100"));
  meterRecord r{.recTime = kDay, .count = int32_t(0xFFFFFFF6u), .ticks = 0x01020304, .temp = 0x0150};
  EXPECT_EQ(packRecord(r).toHex(), QByteArray("000000001025e640"
                                              "f6ffffff"
                                              "04030201"
                                              "5001"));
  const fileSection back = unpackSection(packSection(h).constData());
  EXPECT_EQ(back.records, 70000);
  EXPECT_EQ(back.voltCount, -2);
  EXPECT_EQ(unpackRecord(packRecord(r).constData()).count, -10);
}

// One table for both codings, over the raw values a frame and a file can
// carry: a new frame's byte (0..255), an old frame's 16-bit value, the
// recorder's kRawNoSensor for a reading without temperature (plain pulse
// device), and anything a damaged file holds. Byte-coded values count by
// their low byte, so recorder and reader can never disagree.
TEST(DataFileTemperature, RawValuesInBothCodings) {
  struct Row {
    const char* what;
    int16_t raw;
    bool byteCoded;
    float degrees;
  };
  for (const Row& r : {
           Row{"byte: no sensor", 0x80, true, kNoTemperature},
           Row{"byte: negative", 0xF0, true, 12.0f},
           Row{"byte: positive", 0x50, true, 60.0f},
           Row{"byte: 200", 200, true, -8.0f},
           Row{"byte: highest", 0x7F, true, 83.5f},
           Row{"byte: lowest", 0x81, true, -43.5f},
           Row{"byte: zero", 0, true, 20.0f},
           Row{"byte: recorder's no sensor", -32768, true, kNoTemperature},
           Row{"byte: no sensor, high byte set", 0x180, true, kNoTemperature},
           Row{"byte: no sensor, sign-extended", -128, true, kNoTemperature},
           Row{"byte: high byte ignored", 0x150, true, 60.0f},
           Row{"byte: 400", 400, true, -36.0f},
           Row{"byte: -5", -5, true, 17.5f},
           Row{"half degrees: negative", -41, false, -20.5f},
           Row{"half degrees: 0x80", 0x80, false, 64.0f},
           Row{"half degrees: highest", 32767, false, 16383.5f},
           Row{"half degrees: recorder's no sensor", -32768, false, kNoTemperature},
           Row{"half degrees: lowest real", -32767, false, -16383.5f},
       }) {
    EXPECT_EQ(temperatureOf(r.raw, r.byteCoded), r.degrees) << r.what;
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
  // Opened for recording while the PC clock said 1980.
  EXPECT_TRUE(plausibleSection(unpackSection(ZavBytes().header(29221.5, 5, 3).b.constData())));
  struct Row {
    const char* what;
    void (*spoil)(fileSection&);
  };
  for (const Row& r : {Row{"version", [](fileSection& h) { h.version = 1004000; }},
                       Row{"records", [](fileSection& h) { h.records = -1; }},
                       Row{"start before 1900", [](fileSection& h) { h.startTime = 1; }},
                       Row{"start after 9999", [](fileSection& h) { h.startTime = 2958466; }},
                       Row{"start NaN", [](fileSection& h) { h.startTime = std::nan(""); }},
                       Row{"ticks per second", [](fileSection& h) { h.ticksPerSec = -1; }},
                       Row{"Ws per count", [](fileSection& h) { h.WsPerCount = -1; }},
                       Row{"reset count", [](fileSection& h) { h.resetCount = 256; }}}) {
    fileSection h = good;
    r.spoil(h);
    EXPECT_FALSE(plausibleSection(h)) << r.what;
  }
}

// A record is a reading when dated 1990-2200, whatever its count, timer and
// temperature: a count may look like a header's version, go back or jump.
TEST(DataFileReadings, OnlyTheDateDecides) {
  const struct {
    const char* what;
    QByteArray bytes;
    bool reading;
  } rows[] = {
      {"2024", ZavBytes().record(kDay, 5, 50).b, true},
      {"1990-01-01", ZavBytes().record(32874, 5, 50).b, true},
      {"1989-12-31 23:59:59", ZavBytes().record(32874 - 1.0 / 86400, 5, 50).b, false},
      {"2200-12-31 23:59:59", ZavBytes().record(109940 - 1.0 / 86400, 5, 50).b, true},
      {"2201-01-01", ZavBytes().record(109940, 5, 50).b, false},
      {"2202-09-27", ZavBytes().record(110574, 5, 50).b, false},
      {"1980", ZavBytes().record(29221.5, 5, 50).b, false},
      {"NaN", ZavBytes().record(std::nan(""), 5, 50).b, false},
      {"zeros", QByteArray(18, '\0'), false},
      {"a count like a version, the timer like a detector", ZavBytes().record(kDay, 1003000, 24840).b, true},
      {"every count, timer and temperature bit set", ZavBytes().record(kDay, -1, -1, -1).b, true},
  };
  for (const auto& r : rows) EXPECT_EQ(recordIsReading(r.bytes.constData()), r.reading) << r.what;
}

}  // namespace
