// The chart's power of two stored records is the power the live reading showed.
#include <gtest/gtest.h>

#include "meter/engine/count_processor.h"
#include "plot/plot_records.h"

TEST(RecordPower, StoredRecordsGiveTheLiveReadingsPower) {
  struct Row {
    const char* what;
    uint32_t count0, count1, ticks0, ticks1;
    int32_t wsPerCount, ticksPerSec;
  };
  for (const Row& r : {Row{"one count in a second", 7, 8, 0, 62500, 3600, 62500},
                       Row{"counts across the counter's wrap", 4294967290u, 5, 0, 62500, 3600, 62500},
                       Row{"odd constants", 1000, 1003, 123456, 123456 + 777777, 1333, 31250},
                       Row{"across the timer's wrap", 1, 2, 0xFFFFFFFFu - 1000, 5000, 48000, 125000}}) {
    CountProcessorState previous{
        .hasPrevious = true, .lastCount = int32_t(r.count0), .lastTimer = int32_t(r.ticks0)};
    CountInputs in;
    in.ticksPerSec = r.ticksPerSec;
    in.WsPerCount = r.wsPerCount;
    const CountValues live =
        computeReading(previous, Reading{.count = int32_t(r.count1), .ticks = int32_t(r.ticks1)}, in);
    ASSERT_TRUE(live.rateValid) << r.what;
    const Date at = 45352.5;
    const RawRecord before{.recTime = at, .count = r.count0, .ticks = r.ticks0, .temp = 0},
        after{.recTime = at + 1.0 / 86400, .count = r.count1, .ticks = r.ticks1, .temp = 0};
    EXPECT_EQ(powerAfter(before, after, r.wsPerCount, r.ticksPerSec, false).power, float(live.power))
        << r.what;
  }
}
