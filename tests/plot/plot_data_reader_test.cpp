#include "plot/plot_data_reader.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <limits>
#include <random>

#include "core/settings/detector_types.h"
#include "plot/plot_file_view.h"
#include "plot/series_energy.h"
#include "plot_log.h"
#include "support/log_capture.h"
#include "zav_test_file.h"

namespace {
// Not a namespace-scope constant: the date helpers may not be initialised yet then.
Date kStart() { return testTime(2024, 5, 1, 8); }

// Records one count apart, `intervals` seconds apart (cycled), with matching ticks.
TestSection steps(Date start, int n, const std::vector<double>& intervals, uint32_t ticksPerSec = 1000,
                  int16_t temp = 50) {
  TestSection s;
  s.ticksPerSec = static_cast<int32_t>(ticksPerSec);
  double t = 0;
  for (int i = 0; i < n; ++i) {
    if (i > 0) t += intervals[(i - 1) % intervals.size()];
    s.records.append({.time = start + t / 86400.0,
                      .count = 100u + static_cast<uint32_t>(i),
                      .ticks = 5000u + static_cast<uint32_t>(std::llround(t * ticksPerSec)),
                      .temp = temp});
  }
  return s;
}

// Power between two records as the meter defines it, computed here independently.
double expectedPower(const TestSection& s, const TestRecord& a, const TestRecord& b) {
  const double ws = static_cast<double>(s.WsPerCount) * static_cast<uint32_t>(b.count - a.count);
  const double dt = std::llround(b.time * 86400.0) - std::llround(a.time * 86400.0);
  const double t = dt > 21600 || s.ticksPerSec <= 0
                       ? dt
                       : static_cast<uint32_t>(b.ticks - a.ticks) / double(s.ticksPerSec);
  return t >= 0.027 ? ws / t : -5;
}

QVector<float> values(const plotSeries& s) {
  QVector<float> v;
  for (const plotPoint& p : s.points) v.append(p.value);
  return v;
}

class PlotReader : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 2; ++i) {
      zavDatFileName[i] = "/nonexistent/pwrData.ZAV";
      testDataFileSlots()[i] = dataFileIndex{};
    }
    MessageLog::setLevel(3);
    ZAVdetectorVer = kNewFrameDetectorVer;
  }
  void TearDown() override { PlotFileView::setMappingDisabledForTests(false); }
  // Reads a range the way the chart does.
  QVector<plotSeries> read(Date from, Date to, int16_t method = kReduceOff, int32_t maxPoints = 300,
                           bool temperature = true) {
    m_param = plotParamRecord{};
    m_param.fromTime = from;
    m_param.toTime = to;
    m_param.reduceMethod = method;
    m_param.maxPlotPoints = maxPoints;
    m_param.y2ScaleMax = temperature ? 50 : kNoTemperatureScale;
    QVector<plotSeries> series;
    const Result<int32_t> read = getPlotData(m_param, series, plottedTestFile());
    EXPECT_TRUE(read) << read.error().toStdString();
    m_validTemp = read.valueOr(-1);
    return series;
  }

  // The plotted files, under the names the tests use.
  QString installTestFile(const QVector<TestSection>& sections, int slot = 0) {
    return m_files.install(sections, slot);
  }
  PlotFile plottedTestFile() const { return m_files.plotted(); }
  DataFileSlots& testDataFileSlots() { return m_files.indexes; }

  TestPlotFiles m_files;
  FileNamePair& zavDatFileName = m_files.settings.zavDatFileName;
  int32_t& ZAVdetectorVer = m_files.settings.ZAVdetectorVer;
  const DataFileSlots& dataFileSlots = m_files.indexes;
  int16_t& plotFileSlot = m_files.plotFileSlot;
  KeepLogLevel m_savedLevel;
  plotParamRecord m_param;
  int32_t m_validTemp = 0;  // validTempPoints of the last read
};
}  // namespace

TEST_F(PlotReader, AlternatingPowerOfOneSection) {
  const TestSection s = steps(kStart(), 21, {10, 5});
  installTestFile({s});
  const QVector<plotSeries> series = read(s.records.first().time, s.records.last().time);
  ASSERT_EQ(series.size(), 3);
  const plotSeries& power = series[1];
  // Reading starts two records before the first in range, never at record 1.
  ASSERT_EQ(power.points.size(), 20);
  EXPECT_EQ(power.points[0].recordNr, 2);
  EXPECT_EQ(power.points[0].value, kPowerNoPrevious);
  for (int i = 1; i < 20; ++i) {
    EXPECT_EQ(power.points[i].recordNr, i + 2);
    EXPECT_FLOAT_EQ(power.points[i].value, i % 2 ? 720 : 360) << i;
    EXPECT_EQ(power.points[i].count, static_cast<int32_t>(s.records[i + 1].count));
    EXPECT_EQ(power.points[i].ticks, static_cast<int32_t>(s.records[i + 1].ticks));
    EXPECT_DOUBLE_EQ(power.points[i].recTime, s.records[i + 1].time);
  }
  EXPECT_EQ(power.seriesType, 1);
  EXPECT_EQ(power.WsPerCount, 3600);
  EXPECT_EQ(power.ticksPerSec, 1000);
  EXPECT_FLOAT_EQ(power.minValue, 360);
  EXPECT_FLOAT_EQ(power.maxValue, 720);
  EXPECT_FLOAT_EQ(m_param.y1DataMin, 360);
  EXPECT_FLOAT_EQ(m_param.y1DataMax, 720);

  const plotSeries& temp = series[2];
  ASSERT_EQ(temp.points.size(), 20);
  EXPECT_EQ(temp.points[0].value, kNoTemperature);  // the first point has no power
  EXPECT_FLOAT_EQ(temp.points[5].value, 45);        // (50 + 40) / 2
  EXPECT_EQ(temp.points[5].count, 0);
  EXPECT_EQ(temp.seriesType, 3);
  EXPECT_EQ(m_validTemp, 19);
  EXPECT_FLOAT_EQ(m_param.y2DataMin, 45);
  EXPECT_FLOAT_EQ(m_param.y2DataMax, 45);
  ASSERT_EQ(m_param.seriesInfo.size(), 3);
  EXPECT_EQ(m_param.seriesInfo[1].valueKind, 0);
  EXPECT_EQ(m_param.seriesInfo[2].valueKind, 3);

  // The block-read path gives the same points.
  PlotFileView::setMappingDisabledForTests(true);
  const QVector<plotSeries> again = read(s.records.first().time, s.records.last().time);
  ASSERT_EQ(again.size(), 3);
  EXPECT_EQ(values(again[1]), values(power));
  EXPECT_EQ(values(again[2]), values(temp));
}

TEST_F(PlotReader, RangeBetweenRecordsIncludesTheRecordAfterTheEnd) {
  std::vector<double> intervals(30, 10.0);
  intervals[14] = 1;  // record 16 follows record 15 after 1 s: 3600 W, outside the range
  const TestSection s = steps(kStart(), 30, intervals);
  installTestFile({s});
  const Date from = s.records[9].time;                            // record 10
  const Date to = (s.records[14].time + s.records[15].time) / 2;  // between 15 and 16
  const QVector<plotSeries> series = read(from, to);
  ASSERT_GE(series.size(), 2);
  const plotSeries& power = series[1];
  ASSERT_EQ(power.points.size(), 9);
  EXPECT_EQ(power.points.first().recordNr, 8);
  EXPECT_EQ(power.points.last().recordNr, 16);
  EXPECT_FLOAT_EQ(power.points.last().value, 3600);
  EXPECT_FLOAT_EQ(m_param.y1DataMax, 360);  // only points inside the range count
}

TEST_F(PlotReader, SkippingReadsEvenlySpacedRecordsAndAveragesBetweenThem) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> seconds(1, 60);
  std::vector<double> intervals;
  for (int i = 0; i < 10000; ++i) intervals.push_back(seconds(rng));
  const TestSection s = steps(kStart(), 10002, intervals);
  installTestFile({s});
  // Records 3 .. 10002 in range: reading from record 1 (taken as 2) to 10002.
  const QVector<plotSeries> series = read(s.records[2].time, s.records.last().time, kReduceSkip, 300);
  ASSERT_GE(series.size(), 2);
  const plotSeries& power = series[1];
  ASSERT_EQ(power.points.size(), 301);
  const int fromRec = 2, toRec = 10002;
  const double perPoint = double(toRec - fromRec) / 300;
  int prevRec = 0;
  for (int p = 0; p < 301; ++p) {
    const int rec = p == 300 ? toRec : static_cast<int>(std::nearbyint(fromRec + p * perPoint));
    ASSERT_EQ(power.points[p].recordNr, rec) << p;
    if (p > 0) {
      const double want = expectedPower(s, s.records[prevRec - 1], s.records[rec - 1]);
      EXPECT_NEAR(power.points[p].value, want, want * 1e-6) << p;
    }
    prevRec = rec;
  }
  EXPECT_EQ(power.points[0].value, kPowerNoPrevious);
}

TEST_F(PlotReader, ScanAllKeepsTheExtremes) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> seconds(1, 100);
  std::vector<double> intervals;
  for (int i = 0; i < 1001; ++i) intervals.push_back(seconds(rng));
  const TestSection s = steps(kStart(), 1001, intervals);
  installTestFile({s});
  const QVector<plotSeries> all = read(s.records.first().time, s.records.last().time, kReduceOff);
  const QVector<plotSeries> kept =
      read(s.records.first().time, s.records.last().time, kReduceKeepMaxMin, 300);
  ASSERT_EQ(all[1].points.size(), 1000);
  ASSERT_EQ(kept[1].points.size(), 301);
  const QVector<float> v = values(all[1]);
  const QVector<float> k = values(kept[1]);
  EXPECT_EQ(k[0], v[0]);
  EXPECT_TRUE(k.contains(*std::max_element(v.begin(), v.end())));
  EXPECT_TRUE(k.contains(*std::min_element(v.begin() + 1, v.end())));
  for (int i = 1; i < kept[1].points.size(); ++i)
    EXPECT_LT(kept[1].points[i - 1].recordNr, kept[1].points[i].recordNr);
  EXPECT_EQ(kept[2].points.size(), 301);

  // The same through block reads, as where mapping fails.
  PlotFileView::setMappingDisabledForTests(true);
  const QVector<plotSeries> blocks =
      read(s.records.first().time, s.records.last().time, kReduceKeepMaxMin, 300);
  EXPECT_EQ(values(blocks[1]), k);
  EXPECT_EQ(blocks[1].points.last().recordNr, kept[1].points.last().recordNr);
}

TEST(ReducePoints, KeepsStrictPeaksAndValleys) {
  auto make = [](std::initializer_list<float> vs) {
    QVector<plotPoint> pts;
    int i = 0;
    for (float v : vs) pts.append(plotPoint{.recordNr = ++i, .value = v});
    return pts;
  };
  QVector<plotPoint> peak = make({0, 5, 9, 5});
  ASSERT_TRUE(reducePoints(peak, 2));
  EXPECT_EQ(peak[1].value, 9);
  QVector<plotPoint> valley = make({0, 5, 1, 5});
  ASSERT_TRUE(reducePoints(valley, 2));
  EXPECT_EQ(valley[1].value, 1);
  // Values strictly between their neighbours go first.
  QVector<plotPoint> ramp = make({0, 1, 2, 3, 4, 10, 4});
  ASSERT_TRUE(reducePoints(ramp, 4));
  QVector<float> kept;
  for (int i = 1; i <= 4; ++i) kept.append(ramp[i].value);
  EXPECT_TRUE(kept.contains(10));
}

TEST(ReducePoints, RefusesATargetBelowTwo) {
  QVector<plotPoint> pts(10);
  for (int i = 0; i < 10; ++i) pts[i].value = static_cast<float>(i % 3);
  const QVector<plotPoint> before = pts;
  HeadlessLog log;
  EXPECT_FALSE(reducePoints(pts, 1));
  EXPECT_FALSE(reducePoints(pts, 0));
  EXPECT_EQ(values(plotSeries{pts}), values(plotSeries{before}));
  EXPECT_TRUE(logged(log, "reducePoints: ERROR maxPoints=1 is below 2"));
}

TEST_F(PlotReader, SectionBreaksAndRecordsTooClose) {
  TestSection a = steps(kStart(), 5, {10});
  // Same recording continued in a new section: power across the sections.
  TestSection b = steps(a.records.last().time + 10 / 86400.0, 4, {10});
  for (TestRecord& r : b.records) {
    r.count += 5;
    r.ticks += 50000;
  }
  // A controller reset: a break.
  TestSection c = steps(b.records.last().time + 10 / 86400.0, 4, {10});
  c.resetCount = 2;
  // A different meter constant: a break; then two records 0.02 s apart.
  TestSection d = steps(c.records.last().time + 10 / 86400.0, 3, {10, 0.02});
  d.resetCount = 2;
  d.WsPerCount = 1800;
  installTestFile({a, b, c, d});
  const QVector<plotSeries> series = read(kStart(), d.records.last().time + 1);
  ASSERT_GE(series.size(), 2);
  // Records 2..16: a(2..5) b(6..9) c(10..13) d(14..16).
  const QVector<float> v = values(series[1]);
  const QVector<float> want = {-2, 360, 360, 360, 360, 360, 360, 360, -2, 360, 360, 360, -2, 180, -5};
  EXPECT_EQ(v, want);
  EXPECT_EQ(series[2].points[8].value, kNoTemperature);
  EXPECT_EQ(series[2].points[14].value, kNoTemperature);
  EXPECT_EQ(series[1].WsPerCount, 1800);
}

// The points of a power series know their sections, so a stretch's energy is
// summed within each section: three days at 2,000, 500 and 1,000 W in two
// sections, the second after a controller reset or as a recording of its own.
TEST_F(PlotReader, StretchEnergyIsSummedWithinEachSection) {
  // One record every 6 minutes, 1 Wh per count: P / 10 counts per interval.
  const auto days = [](double fromSecond, double toSecond, uint32_t count, uint32_t ticks) {
    TestSection s;
    for (double t = fromSecond; t <= toSecond; t += 360) {
      const double watts = t <= 86400 ? 2000 : t <= 2 * 86400 ? 500 : 1000;
      if (t > fromSecond) {
        count += static_cast<uint32_t>(watts / 10);
        ticks += 360 * 1000;
      }
      s.records.append({.time = kStart() + t / 86400.0, .count = count, .ticks = ticks, .temp = 50});
    }
    return s;
  };
  const TestSection first = days(0, 1.5 * 86400, 7000, 123);
  struct Row {
    const char* what;
    TestSection second;
  };
  TestSection reset = days(1.5 * 86400 + 360, 3 * 86400, 0, 0);
  reset.resetCount = 2;
  const TestSection goingOn =
      days(1.5 * 86400 + 360, 3 * 86400, first.records.last().count + 50, first.records.last().ticks + 360000);
  TestSection bigger = days(1.5 * 86400 + 360, 3 * 86400, 4000000000u, 0);  // the counter wraps in it
  bigger.resetCount = 3;
  for (const Row& r : {Row{"a controller reset", reset}, Row{"a new recording, counts going on", goingOn},
                       Row{"a reset to a count that wraps", bigger}}) {
    installTestFile({first, r.second});
    const QVector<plotSeries> series = read(kStart(), kStart() + 3);
    ASSERT_GE(series.size(), 2) << r.what;
    const plotSeries& power = series[1];
    const int32_t last = static_cast<int32_t>(power.points.size()) - 1;
    ASSERT_EQ(power.sections.size(), 2) << r.what;
    EXPECT_EQ(power.points[power.sections[1].firstPoint].recordNr, first.records.size() + 1) << r.what;
    // From the second point on (as the graph title counts): records 3.. of the file.
    const double want = 54000 - 2 * 200 + 119 * 50 + 240 * 100;
    const StretchUse use = stretchUse(power, 1, last);
    EXPECT_DOUBLE_EQ(use.ws / 3600, want) << r.what;
    EXPECT_DOUBLE_EQ(stretchUse(power, last, 1).ws, use.ws) << r.what;
    // Recorded time, without the 6 minutes between the sections.
    EXPECT_DOUBLE_EQ(use.seconds, 3 * 86400 - 3 * 360) << r.what;
    // Within the second section alone.
    EXPECT_DOUBLE_EQ(stretchUse(power, power.sections[1].firstPoint, last).ws / 3600, 119 * 50 + 240 * 100)
        << r.what;
  }
}

TEST_F(PlotReader, LongGapsAndMissingTickRateUseThePcClock) {
  // 7 hours between sections of the same recording: the PC clock times the gap.
  TestSection a = steps(kStart(), 4, {10});
  TestSection b = steps(a.records.last().time + 7 / 24.0, 3, {10});
  for (TestRecord& r : b.records) r.count += 4 + 252;  // 252 counts over the gap
  // A section written without a tick rate: power from the PC clock, or -5 within a second.
  TestSection c = steps(b.records.last().time + 30 / 86400.0, 4, {10, 0.4, 20});
  c.ticksPerSec = 0;
  c.resetCount = 3;
  installTestFile({a, b, c});
  const QVector<plotSeries> series = read(kStart(), c.records.last().time);
  const QVector<float> v = values(series[1]);
  ASSERT_EQ(v.size(), 10);
  EXPECT_FLOAT_EQ(v[3], 3600.0f * 253 / (7 * 3600 + 0));  // records 4 -> 5 across the gap (253 counts)
  EXPECT_FLOAT_EQ(v[4], 360);
  EXPECT_EQ(v[6], kPowerNoPrevious);
  EXPECT_FLOAT_EQ(v[7], 360);
  EXPECT_EQ(v[8], kPowerTooClose);
  EXPECT_FLOAT_EQ(v[9], 180);
}

TEST_F(PlotReader, RangesWithoutRecordsAndTinyFilesGiveNoSeries) {
  const struct {
    const char* name;
    int records;  // 0: no file
    Date from, to;
  } rows[] = {{"beforeTheFirst", 50, kStart() - 2, kStart() - 1},
              {"afterTheLast", 50, kStart() + 1, kStart() + 2},
              {"twoRecords", 2, kStart() - 1, kStart() + 1},
              {"noFile", 0, kStart() - 1, kStart() + 1}};
  for (const auto& r : rows) {
    if (r.records > 0)
      installTestFile({steps(kStart(), r.records, {10})});
    else
      zavDatFileName[0] = "/nonexistent/x.ZAV";
    EXPECT_EQ(read(r.from, r.to).size(), 1) << r.name;
    EXPECT_EQ(m_param.seriesInfo.size(), 1) << r.name;
    EXPECT_FLOAT_EQ(m_param.y1DataMin, 1e9f) << r.name;
    EXPECT_FLOAT_EQ(m_param.y1DataMax, -1e9f) << r.name;
  }
  installTestFile({steps(kStart(), 3, {10})});
  EXPECT_EQ(values(read(kStart() - 1, kStart() + 1).value(1)), (QVector<float>{-2, 360}));
}

TEST_F(PlotReader, IndexPromisingMoreRecordsThanTheFileHolds) {
  TestSection s = steps(kStart(), 20, {10});
  s.headerRecords = 50;
  installTestFile({s});
  HeadlessLog log;
  MessageLog::setLevel(1);
  const QVector<plotSeries> series = read(kStart(), kStart() + 1);
  ASSERT_GE(series.size(), 2);
  ASSERT_EQ(series[1].points.size(), 19);
  EXPECT_EQ(series[1].points.last().recordNr, 20);
  for (const plotPoint& p : series[1].points) EXPECT_GT(p.recTime, 0);
  EXPECT_TRUE(logged(log, "getZavFileData: ERROR the file ends after record 20 of 50"));
}

TEST_F(PlotReader, ReadsThePlottedSlotsFile) {
  installTestFile({steps(kStart(), 10, {10})}, 0);
  installTestFile({steps(kStart(), 10, {5})}, 1);
  plotFileSlot = 1;
  QVector<plotSeries> series = read(kStart(), kStart() + 1);
  ASSERT_GE(series.size(), 2);
  EXPECT_FLOAT_EQ(series[1].points[3].value, 720);
  zavDatFileName[0] = "/nonexistent/x.ZAV";
  series = read(kStart(), kStart() + 1);
  ASSERT_GE(series.size(), 2);
  EXPECT_FLOAT_EQ(series[1].points[3].value, 720);
}

TEST_F(PlotReader, TemperatureCodesAndCountErrors) {
  TestSection s = steps(kStart(), 6, {10});
  s.records[2].temp = 128;  // no sensor
  s.records[3].temp = 200;  // -56 + 40 -> -8
  s.records[4].count -= 2;  // the count goes back by one
  installTestFile({s});
  MessageLog::setLevel(4);
  HeadlessLog log;
  QVector<plotSeries> series = read(kStart(), kStart() + 1);
  ASSERT_EQ(series.size(), 3);
  EXPECT_EQ(series[2].points[1].value, kNoTemperature);
  EXPECT_FLOAT_EQ(series[2].points[2].value, -8);
  const QStringList lines = loggedLines(log);
  const qsizetype errors = lines.indexOf("countErrors:");
  const qsizetype all = lines.indexOf("all points:");
  ASSERT_GE(errors, 0);
  EXPECT_EQ(all - errors, 4);  // header, previous and this point
  EXPECT_TRUE(lines[errors + 3].trimmed().startsWith("3 "));

  // The old detector type reads raw / 2; no valid temperature: no temperature series.
  ZAVdetectorVer = 1000;
  series = read(kStart(), kStart() + 1);
  EXPECT_FLOAT_EQ(series[2].points[2].value, 100);
  for (TestRecord& r : s.records) r.temp = 128;
  ZAVdetectorVer = kNewFrameDetectorVer;
  installTestFile({s});
  series = read(kStart(), kStart() + 1);
  EXPECT_EQ(series.size(), 2);
  EXPECT_EQ(m_param.seriesInfo.size(), 2);
  EXPECT_FLOAT_EQ(m_param.y2DataMax, -1e9f);
}

// A recording without a temperature sensor draws no temperature series, by
// either coding and every reading method.
TEST_F(PlotReader, NoSensorRecordsGiveNoTemperatureSeries) {
  struct Row {
    const char* what;
    int32_t detector;
    int16_t raw;
  };
  for (const Row& r : {Row{"pulse device, new detector type", kNewFrameDetectorVer, -32768},
                       Row{"pulse device, old detector type", 1000, -32768},
                       Row{"new frame's no-sensor byte", kNewFrameDetectorVer, 0x80},
                       Row{"no-sensor byte sign-extended", kNewFrameDetectorVer, -128}}) {
    ZAVdetectorVer = r.detector;
    installTestFile({steps(kStart(), 400, {10}, 1000, r.raw)});
    for (int16_t method : {kReduceOff, kReduceKeepMaxMin, kReduceSkip}) {
      const QVector<plotSeries> series = read(kStart(), kStart() + 1, method, 50);
      EXPECT_EQ(series.size(), 2) << r.what << " method " << method;
      EXPECT_EQ(m_validTemp, 0) << r.what << " method " << method;
      EXPECT_FLOAT_EQ(m_param.y2DataMax, -1e9f) << r.what;
    }
  }
}

TEST_F(PlotReader, CompareRangeAddsASeries) {
  const TestSection s = steps(kStart(), 100, {60});
  installTestFile({s});
  m_param = plotParamRecord{};
  plotParamRecord p;
  p.fromTime = s.records[60].time;
  p.toTime = s.records[90].time;
  p.compareTo = s.records[40].time;
  p.compareFrom = s.records[10].time;
  p.reduceMethod = kReduceOff;
  p.y2ScaleMax = 50;
  QVector<plotSeries> series;
  ASSERT_TRUE(getPlotData(p, series, plottedTestFile()));
  ASSERT_EQ(series.size(), 4);
  EXPECT_EQ(p.seriesInfo.size(), 4);
  EXPECT_EQ(p.seriesInfo[3].styleCode, 4);
  EXPECT_EQ(series[3].seriesType, 2);
  EXPECT_EQ(series[3].points.first().recordNr, 9);

  // A compare range without records adds nothing; with temperature off it takes element 2.
  p.compareTo = kStart() - 1;
  p.compareFrom = kStart() - 2;
  ASSERT_TRUE(getPlotData(p, series, plottedTestFile()));
  EXPECT_EQ(series.size(), 3);
  p.y2ScaleMax = kNoTemperatureScale;
  p.compareTo = s.records[40].time;
  p.compareFrom = s.records[10].time;
  ASSERT_TRUE(getPlotData(p, series, plottedTestFile()));
  ASSERT_EQ(series.size(), 3);
  EXPECT_EQ(series[2].seriesType, 2);
  EXPECT_EQ(p.seriesInfo[2].styleCode, 4);
}

TEST_F(PlotReader, AnUnreadableFileIsRefusedAMissingOrEmptyOneReadsAsNoSeries) {
  const TestSection s = steps(kStart(), 50, {10});
  const QString path = installTestFile({s});
  const PlotFile file = plottedTestFile();
  QTemporaryDir dir;
  const struct {
    const char* name;
    QString fileName;
    Date from;
    bool refused;
    qsizetype series;  // element 0 and the series kept
  } rows[] = {
      {"records in range", path, kStart(), false, 3},
      {"no records in range", path, kStart() + 10, false, 1},
      {"no such file", dir.filePath("gone.ZAV"), kStart(), false, 1},
      {"a folder in its place", dir.path(), kStart(), true, 1},
  };
  for (const auto& r : rows) {
    plotParamRecord p;
    p.fromTime = r.from;
    p.toTime = r.from + 1;
    p.y2ScaleMax = 50;
    QVector<plotSeries> series(5);
    const Result<int32_t> read =
        getPlotData(p, series, PlotFile{.fileName = r.fileName, .index = file.index});
    EXPECT_EQ(!read, r.refused) << r.name;
    if (r.refused) {
      EXPECT_TRUE(read.error().startsWith("cannot open " + r.fileName + ": ")) << r.name;
    }
    EXPECT_EQ(series.size(), r.series) << r.name;
    if (r.series == 1) {
      EXPECT_FLOAT_EQ(p.y1DataMax, -1e9f) << r.name;
    }
  }
}

TEST_F(PlotReader, SearchFindsRecordsByTime) {
  const TestSection a = steps(kStart(), 10, {10});
  const TestSection b = steps(kStart() + 1, 10, {10});
  const QString path = installTestFile({a, b});
  PlotFileView file;
  ASSERT_TRUE(file.open(path));
  plotFileIndex ix;
  ix.index = dataFileSlots[0];
  ix.file = &file;
  // An exact time is found in both directions.
  searchRecTime(ix, 1, 20, a.records[4].time, true);
  searchRecTime(ix, 1, 20, a.records[4].time, false);
  EXPECT_EQ(ix.searchFirstRec, 5);
  EXPECT_EQ(ix.searchLastRec, 5);
  // Between two records.
  searchRecTime(ix, 1, 20, a.records[4].time + 1 / 86400.0, true);
  searchRecTime(ix, 1, 20, a.records[4].time + 1 / 86400.0, false);
  EXPECT_EQ(ix.searchFirstRec, 6);
  EXPECT_EQ(ix.searchLastRec, 5);
  // Between the sections the last-search yields the later section's first record.
  searchRecTime(ix, 1, 20, kStart() + 0.5, false);
  EXPECT_EQ(ix.searchLastRec, 11);
  EXPECT_DOUBLE_EQ(ix.searchLastTime, b.records[0].time);
  // After everything the first-search yields the last record.
  searchRecTime(ix, 1, 20, kStart() + 5, true);
  EXPECT_EQ(ix.searchFirstRec, 20);
}

TEST_F(PlotReader, LongRangesAreCappedForMethodsThatKeepEveryRecord) {
  const int n = kMaxPlotRecords + 100;
  TestSection s;
  s.records.resize(n);
  for (int i = 0; i < n; ++i)
    s.records[i] = {.time = kStart() + i * 2 / 86400.0, .count = 100u + i, .ticks = 2000u * i, .temp = 50};
  installTestFile({s});
  MessageLog::setLevel(1);
  for (int16_t method : {kReduceOff, kReduceKeepMaxMin}) {
    HeadlessLog log;
    const QVector<plotSeries> series = read(kStart(), kStart() + 100, method, 500, false);
    ASSERT_EQ(series.size(), 2);
    EXPECT_EQ(series[1].points.size(), 501);
    EXPECT_FLOAT_EQ(series[1].points[200].value, 1800);
    EXPECT_TRUE(logged(log, "reading 501 points by skipping records")) << method;
  }
}

TEST_F(PlotReader, ReadsThroughTheIndexTheLoaderBuilds) {
  const TestSection a = steps(kStart(), 30, {10, 5});
  TestSection b = steps(kStart() + 1, 30, {10});
  b.resetCount = 2;
  installTestFile({a, b});
  MessageLog::setLevel(0);
  ASSERT_TRUE(testDataFileSlots().load(0, zavDatFileName[0]));
  MessageLog::setLevel(3);
  ASSERT_EQ(dataFileSlots[0].recordCount, 60);
  const QVector<plotSeries> series = read(a.records[20].time, b.records[10].time);
  ASSERT_GE(series.size(), 2);
  const plotSeries& power = series[1];
  EXPECT_EQ(power.points.first().recordNr, 19);
  EXPECT_EQ(power.points.last().recordNr, 41);
  EXPECT_FLOAT_EQ(power.points[1].value, 360);
  EXPECT_FLOAT_EQ(power.points[2].value, 720);
  EXPECT_EQ(power.points[12].value, kPowerNoPrevious);  // record 31 starts the reset section
  EXPECT_FLOAT_EQ(power.points[13].value, 360);
}

// The thinning walk written plainly over a linked list: the positions it keeps.
static QVector<int> reduceByList(const QVector<float>& v, int maxPoints) {
  const int n = v.size() - 1;
  std::vector<int> next(n + 1);
  for (int i = 0; i < n; ++i) next[i] = i + 1;
  next[n] = 0;
  int remaining = n, cur = 0;
  // Strictly between: signed zeros, infinities and NaN get no special treatment.
  auto between = [](float x, float a, float b) { return (x > a && x < b) || (x < a && x > b); };
  while (remaining > maxPoints) {
    const int p1 = next[cur], p2 = p1 ? next[p1] : 0, p3 = p2 ? next[p2] : 0;
    if (!p1 || !p2 || !p3) {
      cur = 0;
      continue;
    }
    const int p4 = next[p3];
    const float a = v[p1], b = v[p2], c = v[p3];
    if (between(a, b, c))
      next[cur] = p2;
    else if (between(b, a, c))
      next[p1] = p3;
    else if (between(c, a, b))
      next[p2] = p4;
    else if ((b > a && b > c) || (b < a && b < c))
      next[cur] = p2;
    else
      next[p1] = p3;
    --remaining;
    cur = p4;
  }
  QVector<int> out{0};
  for (int i = next[0]; i != 0; i = next[i]) out.append(i);
  return out;
}

TEST(ReducePoints, MatchesTheListWalkOnRandomSeries) {
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  const float special[] = {0.0f, -0.0f, inf, -inf, nan, 1e-45f, -1e-45f, 5, 5, 7};
  std::mt19937 rng(3);
  for (int round = 0; round < 300; ++round) {
    const bool specials = round % 3 == 2;
    const int n = 3 + static_cast<int>(rng() % 400);
    const int levels = 2 + static_cast<int>(rng() % 20);  // few levels: many ties
    QVector<plotPoint> pts(n + 1);
    QVector<float> v(n + 1);
    for (int i = 0; i <= n; ++i) {
      v[i] = specials ? special[rng() % 10] : static_cast<float>(rng() % levels);
      pts[i] = plotPoint{.recordNr = i, .value = v[i]};
    }
    const int target = 2 + static_cast<int>(rng() % n);
    ASSERT_TRUE(reducePoints(pts, target));
    const QVector<int> want = reduceByList(v, target);
    for (int i = 0; i < want.size(); ++i) ASSERT_EQ(pts[i].recordNr, want[i]) << round << " " << i;
  }
}

TEST_F(PlotReader, DamagedFilesAreReadWithoutCrashing) {
  const TestSection a = steps(kStart(), 40, {10, 5});
  TestSection b = steps(kStart() + 0.01, 40, {7});
  b.resetCount = 9;
  const QString path = installTestFile({a, b});
  const QByteArray good = testFileBytes({a, b});
  const dataFileIndex index = dataFileSlots[0];
  MessageLog::setLevel(0);
  std::mt19937 rng(5);
  for (int round = 0; round < 60; ++round) {
    QByteArray bytes = good;
    if (round % 2) {
      bytes.truncate(static_cast<qsizetype>(rng() % good.size()));
    } else {
      for (int k = 0; k < 20; ++k)
        bytes[static_cast<qsizetype>(rng() % bytes.size())] = static_cast<char>(rng());
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.close();
    testDataFileSlots()[0] = index;  // the index still describes the undamaged file
    for (int16_t method : {kReduceOff, kReduceKeepMaxMin, kReduceSkip}) {
      const QVector<plotSeries> series = read(kStart() - 1, kStart() + 1, method, 10);
      for (const plotSeries& s : series) {
        EXPECT_LE(s.points.size(), 80);
        for (const plotPoint& p : s.points.mid(1)) EXPECT_LE(p.recordNr, 80);
      }
    }
  }
}

// A file the loader read past damage: stray bytes between two sections. The
// records of the later section are read at their place, by every method.
TEST_F(PlotReader, SectionsBehindDamageAreReadAtTheirPlace) {
  TestSection a = steps(kStart(), 30, {10});
  TestSection b = steps(kStart() + 1, 30, {10});
  for (TestRecord& r : b.records) r.count += 1000;
  const QByteArray first = testFileBytes({a});
  const QByteArray bytes = first + QByteArray(7, '\x5A') + testFileBytes({b});
  const QString path = installTestFile({a, b});  // a temp folder of its own
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
  f.close();
  zavDatFileName[0] = path;
  testDataFileSlots().load(0, zavDatFileName[0]);
  ASSERT_EQ(dataFileSlots[0].sectionCount, 2);
  ASSERT_EQ(dataFileSlots[0].sections[1].from, first.size() + 7 + 1);
  for (int16_t method : {kReduceOff, kReduceKeepMaxMin, kReduceSkip}) {
    const QVector<plotSeries> series = read(b.records[2].time, b.records.last().time, method, 10);
    ASSERT_GE(series.size(), 2) << method;
    for (const plotPoint& p : series[1].points) {
      const TestRecord& want = b.records[p.recordNr - 31];
      EXPECT_EQ(p.count, static_cast<int32_t>(want.count)) << method << " record " << p.recordNr;
      EXPECT_DOUBLE_EQ(p.recTime, want.time) << method;
    }
  }
}

// A file with what a lost write or a bad copy leaves, indexed as the program
// reads it: a too large count claiming a block of zeros, stray bytes in place
// of a section's last three records (its count still covering them), a last
// section whose count runs past the end. 12:00-20:00 shows every reading in
// its place, the damaged section keeps its last reading's time, and nothing else
// comes in (every power is the records' 6 W).
TEST_F(PlotReader, DamageShowsEveryReadingAndNothingElse) {
  const Date day = testTime(2024, 5, 1);
  TestSection a = steps(day + 12 / 24.0, 13, {600}), b = steps(day + 14.5 / 24, 10, {600}),
              c = steps(day + 16.5 / 24, 22, {600});
  a.headerRecords = 40;
  b.resetCount = 2;
  c.resetCount = 3;
  c.headerRecords = 30;
  QByteArray strayEnd = testFileBytes({b});
  for (qsizetype i = strayEnd.size() - 54; i < strayEnd.size(); ++i) strayEnd[i] = char(0x9D + 7 * i);
  const QString path = installTestFile({a, b, c});
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(testFileBytes({a}) + QByteArray(4096, '\0') + strayEnd + testFileBytes({c}));
  f.close();
  const Result<DataFileIndexRead> index = readDataFileIndex(path);
  ASSERT_TRUE(index.ok());
  testDataFileSlots()[0] = index->index;
  EXPECT_EQ(index->index.sections[1].lastTime, b.records[6].time);
  QVector<TestRecord> readings = a.records + b.records.mid(0, 7) + c.records;
  const QVector<plotSeries> series = read(day + 12 / 24.0, day + 20 / 24.0, kReduceOff, 300, false);
  ASSERT_EQ(series.size(), 2);
  const QVector<plotPoint>& points = series[1].points;
  ASSERT_EQ(points.size(), readings.size() - 1);  // from the second record on
  for (qsizetype i = 0; i < points.size(); ++i) {
    EXPECT_DOUBLE_EQ(points[i].recTime, readings[i + 1].time) << i;
    EXPECT_EQ(points[i].count, int32_t(readings[i + 1].count)) << i;
  }
  EXPECT_FLOAT_EQ(m_param.y1DataMin, 6);
  EXPECT_FLOAT_EQ(m_param.y1DataMax, 6);
}

// Records damaged in the midst of a section cost themselves alone: every other
// reading shows in its place, the power behind the damage comes from the
// reading before it (6 W throughout), and the energy of a stretch across it is
// every count's.
TEST_F(PlotReader, RecordsDamagedInTheMidstCostOnlyThemselves) {
  const Date day = testTime(2024, 5, 1);
  const TestSection a = steps(day + 12 / 24.0, 20, {600});
  const QString path = installTestFile({a});
  QByteArray bytes = testFileBytes({a});
  bytes.replace(38 + 8 * 18, 3 * 18, QByteArray(3 * 18, '\0'));
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
  f.write(bytes);
  f.close();
  const Result<DataFileIndexRead> index = readDataFileIndex(path);
  ASSERT_TRUE(index.ok());
  testDataFileSlots()[0] = index->index;
  const QVector<TestRecord> readings = a.records.mid(0, 8) + a.records.mid(11);
  const QVector<plotSeries> series = read(day + 12 / 24.0, day + 20 / 24.0, kReduceOff, 300, false);
  ASSERT_EQ(series.size(), 2);
  const plotSeries& power = series[1];
  ASSERT_EQ(power.points.size(), readings.size() - 1);
  for (qsizetype i = 0; i < power.points.size(); ++i) {
    EXPECT_DOUBLE_EQ(power.points[i].recTime, readings[i + 1].time) << i;
    EXPECT_EQ(power.points[i].count, int32_t(readings[i + 1].count)) << i;
  }
  EXPECT_FLOAT_EQ(m_param.y1DataMin, 6);
  EXPECT_FLOAT_EQ(m_param.y1DataMax, 6);
  EXPECT_EQ(power.sections.size(), 1);
  const StretchUse use = stretchUse(power, 0, int32_t(power.points.size()) - 1);
  EXPECT_DOUBLE_EQ(use.ws, double(readings.last().count - readings[1].count) * a.WsPerCount);
}

// Every other record refused: each method reads the readings as it reads the
// same readings undamaged, also where the span starts among refused records
// (the line enters at the left edge from the last reading before it).
TEST_F(PlotReader, EveryOtherRecordRefusedReadsAsTheReadingsAlone) {
  const Date day = testTime(2024, 5, 1);
  TestSection a = steps(day + 12 / 24.0, 41, {600, 300});
  const QByteArray clean = testFileBytes({a});
  QByteArray damaged = clean.left(38);
  for (int i = 0; i < 41; ++i) damaged += clean.mid(38 + 18 * i, 18) + (i < 40 ? QByteArray(18, '\0') : "");
  damaged.replace(34, 4, QByteArray("\x51\0\0\0", 4));  // 81 records
  const Date from[] = {a.records[20].time, (a.records[19].time + a.records[20].time) / 2};
  for (int16_t method : {kReduceOff, kReduceKeepMaxMin, kReduceSkip}) {
    for (Date start : from) {
      const QString path = installTestFile({a});
      const QVector<plotSeries> want = read(start, a.records.last().time, method, 8);
      QFile f(path);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
      f.write(damaged);
      f.close();
      testDataFileSlots()[0] = readDataFileIndex(path)->index;
      const QVector<plotSeries> got = read(start, a.records.last().time, method, 8);
      ASSERT_EQ(got.size(), want.size()) << method;
      for (int s = 1; s < want.size(); ++s) {
        EXPECT_EQ(values(got[s]), values(want[s])) << method << " " << s;
        ASSERT_EQ(got[s].points.size(), want[s].points.size());
        for (int i = 0; i < want[s].points.size(); ++i)
          EXPECT_EQ(got[s].points[i].recordNr, want[s].points[i].recordNr) << method << " " << i;
      }
      if (method == kReduceOff) {
        EXPECT_LT(got[1].points[1].recTime, start);
        EXPECT_GE(got[1].points[1].value, 0);
      }
    }
  }
}
