// The compact runs of a section's readings read back as they were put in,
// whether their steps fit 16 bits or not, as they grow, end and are cut.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "meter/record/reading_runs.h"

namespace {

void expectSame(const ReadingRuns& runs, const std::vector<ReadingRun>& want, const char* what) {
  ASSERT_EQ(runs.size(), qsizetype(want.size())) << what;
  for (size_t j = 0; j < want.size(); ++j) {
    EXPECT_EQ(runs[qsizetype(j)].first, want[j].first) << what << " run " << j;
    EXPECT_EQ(runs[qsizetype(j)].end, want[j].end) << what << " run " << j;
  }
  // The searches agree with a walk over the plain runs.
  for (size_t j = 0; j < want.size(); j += 7) {
    const int32_t k = want[j].end - 1;
    qsizetype expect = 0;
    while (expect < qsizetype(want.size()) && want[size_t(expect)].end <= k) ++expect;
    EXPECT_EQ(runs.firstEndingAbove(k), expect) << what;
    qsizetype after = 0;
    while (after < qsizetype(want.size()) && want[size_t(after)].first <= want[j].first) ++after;
    EXPECT_EQ(runs.firstBeginningAfter(want[j].first), after) << what;
  }
}

TEST(ReadingRuns, ReadBackAsPutInWhateverTheirSteps) {
  const struct {
    const char* what;
    uint32_t maxGap, maxLength;
  } shapes[] = {
      {"every second record refused", 1, 1},
      {"short gaps and runs", 40, 300},
      {"gaps and runs past 16 bits now and then", 70000, 70000},
      {"huge runs", 1, 5000000},
  };
  std::mt19937 rng(7);
  for (const auto& shape : shapes) {
    ReadingRuns runs;
    std::vector<ReadingRun> want;
    uint32_t place = 0;
    int32_t readings = 0;
    for (int j = 0; j < 500; ++j) {
      place += std::uniform_int_distribution<uint32_t>(j == 0 ? 0 : 1, shape.maxGap)(rng);
      // As the walk builds them: the end grows with each reading of the run.
      runs.append({.first = place, .end = readings});
      const uint32_t length = std::uniform_int_distribution<uint32_t>(1, shape.maxLength)(rng);
      for (uint32_t step : {length / 2, length - length / 2})
        if (step > 0) runs.setLastEnd(readings += int32_t(step));
      want.push_back({.first = place, .end = readings});
      place += length;
    }
    expectSame(runs, want, shape.what);
    // Cut where the plot's index copy meets the end of a shorter file.
    for (const qsizetype n : {qsizetype(333), qsizetype(17), qsizetype(16), qsizetype(1)}) {
      runs.truncate(n);
      want.resize(size_t(n));
      const int32_t before = n > 1 ? want[size_t(n) - 2].end : 0;
      want.back().end = before + 1;
      runs.setLastEnd(before + 1);
      expectSame(runs, want, shape.what);
    }
  }
}

}  // namespace
