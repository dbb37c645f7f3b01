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

// A record is a reading when dated 1990-2200 and its count advanced (modulo
// 2^32) by at most 1 MW at the section's Ws per count (1200 here: 833.3 a
// second, plus 2) over the time between: the dates' distance, at most one
// round of the timer (2^32 ticks at 62500 a second: 68,719.5 s) where the timer
// went forward and gives less, at least half a round where it went back; at least 1 s.
TEST(DataFileReadings, PlausibleDateAndCountAdvance) {
  fileSection h = unpackSection(ZavBytes().header(kDay, 5, 3).b.constData());
  const double second = 1.0 / 86400;
  const meterRecord prev{.recTime = kDay, .count = -6, .ticks = 1000};
  const auto next = [&](double days, int64_t counts, int64_t ticks) {
    return meterRecord{.recTime = kDay + days, .count = int32_t(-6 + counts), .ticks = int32_t(1000 + ticks)};
  };
  const struct {
    const char* what;
    meterRecord r;
    bool reading;
  } rows[] = {
      {"a count that wraps", next(60 * second, 11, 60 * 62500), true},
      {"one second by both clocks", next(second, 835, 62500), true},
      {"one count more", next(second, 836, 62500), false},
      {"no time by either clock counts as one second", next(0, 835, 0), true},
      {"a clock set back an hour, the timer a minute on", next(-3600 * second, 50000, 60 * 62500), true},
      {"a clock set back by the hour between, the timer an hour on", next(0, 3000000, 3600 * 62500), true},
      {"years on by the date, 10 s by the timer: one round", next(3000, 57266232, 10 * 62500), true},
      {"... and one count more", next(3000, 57266233, 10 * 62500), false},
      {"a minute on by the date, the timer went back: half a round", next(60 * second, 28633117, -5), true},
      {"... and one count more", next(60 * second, 28633118, -5), false},
      {"years on by the date, the timer went back", next(3000, 1000000000, -5), true},
      {"a count that went back", next(second, -1, 62500), false},
      {"dated 1899", meterRecord{.recTime = 0, .count = -6, .ticks = 1000}, false},
      {"dated 2200-12-31", meterRecord{.recTime = 110575, .count = -6, .ticks = 1000}, true},
      {"dated 2201", meterRecord{.recTime = 110576, .count = -6, .ticks = 1000}, false},
      {"dated NaN", meterRecord{.recTime = std::nan(""), .count = -6, .ticks = 1000}, false},
  };
  for (const auto& r : rows) EXPECT_EQ(ReadingCheck(h).follows(prev, r.r), r.reading) << r.what;
  h.WsPerCount = 0;  // taken as 1 Ws per count
  EXPECT_TRUE(ReadingCheck(h).follows(prev, next(second, 1000002, 62500)));
  EXPECT_FALSE(ReadingCheck(h).follows(prev, next(second, 1000003, 62500)));
}

}  // namespace
