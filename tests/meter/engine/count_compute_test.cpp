// The arithmetic of one reading on its own: previous state + reading -> values.
#include <gtest/gtest.h>

#include "meter/engine/count_processor.h"

namespace {

CountInputs inputs(int32_t pcTick = 1000) {
  CountInputs in;
  in.pcTick = pcTick;
  in.ticksPerSec = 62500;
  in.WsPerCount = 3600;  // one count is 1 Wh
  in.detectorVer = kNewFrameDetectorVer;
  in.sampleClock = true;
  in.energyWh = 100;
  return in;
}

CountProcessorState after(uint32_t count, uint32_t ticks) {
  CountProcessorState s{.hasPrevious = true, .lastCount = int32_t(count), .lastTimer = int32_t(ticks)};
  return s;
}

TEST(CountCompute, CountsRateRegisterAndPower) {
  struct Row {
    const char* what;
    CountProcessorState previous;
    uint32_t count, ticks;
    int32_t counts;
    double secondsPerCount, energyWh, power;
  };
  const CountProcessorState none;
  for (const Row& r : {
           Row{"first reading: nothing to compare", none, 7, 62500, 0, 0, 100, 0},
           Row{"one count in one second", after(7, 0), 8, 62500, 1, 1, 101, 3600},
           Row{"a count of 0 before is a reading too", after(0, 0), 3, 3 * 62500, 3, 1, 103, 3600},
           Row{"counter wrap", after(4294967290u, 0), 5, 11 * 62500, 11, 1, 111, 3600},
           Row{"timer wrap", after(1, 0xFFFFFFFFu - 62499), 2, 0, 1, 1, 101, 3600},
           Row{"half range is no count", after(10, 0), 10 + 0x80000000u, 100, 0, 0, 100, 0},
           Row{"no new count", after(10, 0), 10, 62500, 0, 0, 100, 0},
           Row{"too slow a rate is no power", after(10, 0), 11, 3601 * 62500u, 1, 3601, 101, 0},
       }) {
    const CountValues v =
        computeReading(r.previous, Reading{.count = int32_t(r.count), .ticks = int32_t(r.ticks)}, inputs());
    EXPECT_EQ(v.elapsedCounts, r.counts) << r.what;
    EXPECT_DOUBLE_EQ(v.secondsPerCount, r.secondsPerCount) << r.what;
    EXPECT_DOUBLE_EQ(v.energyWh, r.energyWh) << r.what;
    EXPECT_DOUBLE_EQ(v.power, r.power) << r.what;
    EXPECT_EQ(v.rateValid, r.power > 0) << r.what;
    EXPECT_TRUE(v.next.hasPrevious) << r.what;
    EXPECT_EQ(uint32_t(v.next.lastCount), r.count) << r.what;
  }
}

TEST(CountCompute, TemperatureOnlyWithAPreviousReading) {
  Reading r{.count = 5, .ticks = 100, .temperature = 0xF0};
  EXPECT_EQ(computeReading({}, r, inputs()).tempDegC, kNoTemperature);
  EXPECT_EQ(computeReading(after(4, 0), r, inputs()).tempDegC, 12.0f);
  CountInputs old = inputs();
  old.detectorVer = 24000;
  r.temperature = -41;
  EXPECT_EQ(computeReading(after(4, 0), r, old).tempDegC, -20.5f);
}

TEST(CountCompute, PeriodTotalsAndRegisterWrap) {
  CountProcessorState s = after(1, 0);
  s.totalCounts = 40;
  CountInputs in = inputs();
  in.energyWh = 1999999999.5;
  CountValues v = computeReading(s, Reading{.count = 2, .ticks = 62500}, in);
  EXPECT_EQ(v.next.totalCounts, 41);
  EXPECT_DOUBLE_EQ(v.energyWh, 0.5);
  in.firstOfPeriod = true;
  v = computeReading(s, Reading{.count = 3, .ticks = 62500}, in);
  EXPECT_EQ(v.next.totalCounts, 0);  // a new on-line period starts from 0
  EXPECT_DOUBLE_EQ(registerAfter(0, 1200, -3), -1);
}

TEST(CountCompute, ClockRatioAgainstThePcTick) {
  CountProcessorState s = after(1, 0);
  s.lastTicks = 1000;
  CountValues v = computeReading(s, Reading{.count = 2, .ticks = 62500}, inputs(3000));  // 1 s against 2 s
  EXPECT_TRUE(v.clockStarted);
  EXPECT_DOUBLE_EQ(v.clockRatioMean, 0.5);
  EXPECT_DOUBLE_EQ(v.elapsedTcks, 2000);
  CountInputs pulses = inputs(3000);
  pulses.sampleClock = false;
  v = computeReading(s, Reading{.count = 2, .ticks = 62500}, pulses);
  EXPECT_EQ(v.next.clockRatioSamples, 0);
  EXPECT_DOUBLE_EQ(voltsOf(0), 0);
  EXPECT_NEAR(voltsOf(200), 200 * 5.0 / 1023 * (1 + 130.0 / 12) * 0.995025 + 0.477612, 1e-12);
}

}  // namespace
