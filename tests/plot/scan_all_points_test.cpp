// Method 1 reads long ranges in one pass that keeps only the values; with the
// point dump switched on it reads point by point. Both must keep the same points.
#include <gtest/gtest.h>

#include <QVector>
#include <algorithm>
#include <cstring>
#include <random>

#include "core/settings/detector_types.h"
#include "plot/plot_data_reader.h"
#include "plot_log.h"
#include "support/log_capture.h"
#include "zav_test_file.h"

namespace {
// Recordings with everything the power rule treats apart: breaks, equal and
// changed rates, no tick rate, intervals too short and around the six-hour
// limit, clocks and counts going back, temperature codes.
QVector<TestSection> randomRecordings(std::mt19937& rng) {
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); };
  QVector<TestSection> sections;
  double t = 0;
  uint32_t count = rng(), ticks = rng();
  int32_t tps = 1000, ws = 3600, reset = 1;
  const Date start = testTime(2024, 3, 1);
  for (int s = 1 + pick(5); s > 0; --s) {
    switch (pick(6)) {
      case 0: tps = 0; break;
      case 1: tps = -3; break;
      case 2: tps = 1 + pick(100000); break;
      case 3: tps = 1000; break;
      default: break;  // the rates of the section before
    }
    if (pick(3) == 0) ws = pick(10000) - 100;
    if (pick(3) == 0) reset = pick(3);
    TestSection sec;
    sec.ticksPerSec = tps;
    sec.WsPerCount = ws;
    sec.resetCount = reset;
    const int n = pick(5) == 0 ? pick(4) : 500 + pick(8000);
    for (int i = 0; i < n; ++i) {
      const int kind = pick(100);
      const double dt = kind < 3    ? 21590 + pick(30)
                        : kind < 5  ? 30000 + pick(100000)
                        : kind < 7  ? -pick(100)
                        : kind < 10 ? pick(60) / 1000.0
                                    : pick(100000) / 1000.0;
      t += dt;
      const int c = pick(100);
      count += c < 2 ? 0u - static_cast<uint32_t>(1 + pick(5)) : c < 4 ? 0u : static_cast<uint32_t>(pick(20));
      const int k = pick(100);
      ticks += k < 2 ? rng() : k < 4 ? 0u : static_cast<uint32_t>(std::max(0.0, dt) * std::max(tps, 1));
      const int16_t temp = pick(20) == 0   ? int16_t{128}
                           : pick(20) == 0 ? static_cast<int16_t>(rng())
                                           : static_cast<int16_t>(pick(256));
      sec.records.append({.time = start + t / 86400.0, .count = count, .ticks = ticks, .temp = temp});
    }
    sections.append(sec);
  }
  return sections;
}

uint32_t bitsOf(float f) {
  uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

struct Reading {
  QVector<plotSeries> series;
  plotParamRecord param;
  int32_t validTemp = 0;
};

Reading readKeepMaxMin(const TestPlotFiles& files, Date from, Date to, int32_t maxPoints, bool temperature,
                       bool pointByPoint) {
  Reading r;
  r.param.fromTime = from;
  r.param.toTime = to;
  r.param.reduceMethod = kReduceKeepMaxMin;
  r.param.maxPlotPoints = maxPoints;
  r.param.y2ScaleMax = temperature ? 50 : kNoTemperatureScale;
  MessageLog::setLevel(pointByPoint ? 4 : 3);  // the point dump reads point by point
  r.validTemp = getPlotData(r.param, r.series, files.plotted()).valueOr(-1);
  return r;
}

// Everything a reading gives, one line per point; floats by their bits.
QStringList facts(const Reading& r) {
  auto bits = [](float f) { return QString::number(bitsOf(f), 16); };
  QStringList out{QStringLiteral("%1 series, %2 temperatures, y1 %3..%4, y2 %5..%6")
                      .arg(r.series.size())
                      .arg(r.validTemp)
                      .arg(bits(r.param.y1DataMin), bits(r.param.y1DataMax), bits(r.param.y2DataMin),
                           bits(r.param.y2DataMax))};
  for (qsizetype s = 1; s < r.series.size(); ++s) {
    const plotSeries& x = r.series[s];
    out << QStringLiteral("series %1: type %2 ws %3 tps %4 %5..%6")
               .arg(s)
               .arg(x.seriesType)
               .arg(x.WsPerCount)
               .arg(x.ticksPerSec)
               .arg(bits(x.minValue), bits(x.maxValue));
    for (const plotPoint& p : x.points)
      out << QStringLiteral("%1 %2 %3 %4 %5")
                 .arg(p.recordNr)
                 .arg(bits(p.value))
                 .arg(p.recTime, 0, 'g', 17)
                 .arg(p.count)
                 .arg(p.ticks);
  }
  return out;
}
}  // namespace

TEST(ScanAllPoints, KeepsWhatAPointByPointReadKeeps) {
  KeepLogLevel savedLevel;
  TestPlotFiles files;
  HeadlessLog quiet;
  std::mt19937 rng(17);
  for (int round = 0; round < 24; ++round) {
    const QVector<TestSection> sections = randomRecordings(rng);
    files.install(sections);
    const dataFileIndex& ix = files.indexes[0];
    if (ix.recordCount < 1) continue;
    files.settings.ZAVdetectorVer = round % 3 ? kNewFrameDetectorVer : 1000;
    const Date span = ix.lastRecordTime - ix.firstRecordTime;
    const Date from = round % 4 ? ix.firstRecordTime + span * (rng() % 100) / 200.0 : ix.firstRecordTime - 1;
    const Date to = round % 5 ? from + span * (1 + rng() % 100) / 100.0 : ix.lastRecordTime;
    const int32_t maxPoints = std::vector<int32_t>{2, 3, 7, 50, 300}[rng() % 5];
    const bool temperature = round % 4 != 1;
    const Reading scanned = readKeepMaxMin(files, from, to, maxPoints, temperature, false);
    const Reading pointByPoint = readKeepMaxMin(files, from, to, maxPoints, temperature, true);
    const QStringList a = facts(scanned), b = facts(pointByPoint);
    ASSERT_EQ(a.size(), b.size()) << round;
    for (qsizetype i = 0; i < a.size(); ++i) ASSERT_EQ(a[i], b[i]) << "round " << round << " line " << i;
  }
}
