#include "chart/chart_core.h"

#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "chart/chart_windows.h"
#include "chart/form4a.h"
#include "chart_fixture.h"
#include "core/log/logmsg.h"
#include "core/util/format_pattern.h"
#include "plot/plot_requests.h"
#include "support/headless_env.h"
#include "support/log_capture.h"
#include "tests/plot/plot_log.h"

namespace {
class ChartCoreTest : public ChartFixture {
 protected:
  void SetUp() override {
    ChartFixture::SetUp();
    connectChartWindows();
    logMsg(0, QString());  // an empty window, so its length rule does not lower the level
  }
  void TearDown() override {
    releaseChartWindows();
    ChartFixture::TearDown();
  }
  static QImage webImage(const QString& query, const QString& type) {
    picBuffer.clear();
    plotWebGraph(query, QString(), type);
    return QImage::fromData(picBuffer);
  }
};

bool startsWith(const QByteArray& bytes, const char* magic) { return bytes.startsWith(QByteArray(magic)); }
}  // namespace

TEST_F(ChartCoreTest, HiddenInstanceIsMadeOnceAndLeavesTheChartFlag) {
  HeadlessLog log;
  msgLevel = 4;  // the hidden instance's lines are actions and details, never errors
  maxPlotPoints = 30;  // a short point dump
  chartWindowLoaded = false;
  EXPECT_EQ(webImage("w=300&h=200", "png").size(), QSize(300, 200));
  Form4a* hidden = webChartWindow();
  ASSERT_NE(hidden, nullptr);
  EXPECT_EQ(webImage("w=320&h=180", "png").size(), QSize(320, 180));
  EXPECT_EQ(webChartWindow(), hidden);
  EXPECT_FALSE(hidden->isVisible());
  EXPECT_FALSE(chartWindowLoaded);
  const QStringList lines = log.lines();
  const QString text = lines.join("\n");
  EXPECT_EQ(lines.count("plotWebGraph: making a temporaty plotForm"), 1);
  EXPECT_EQ(lines.count("plotWebGraph: using existing temporaty plotForm"), 1);
  EXPECT_TRUE(lines.contains("Form4a loaded as invisible ------"));
  EXPECT_EQ(lines.filter(QRegularExpression("^ERROR")), QStringList());
  EXPECT_TRUE(text.contains("writeImage: OK, stream created\nbytes = " + QString::number(picBuffer.size())));
  // The hidden instance drew the recorded power: the graph has a series with points.
  ASSERT_GE(hidden->core().graphDef.series.size(), 2);
  EXPECT_GT(hidden->core().plotSeriesData[1].points.size(), 2);
}

TEST_F(ChartCoreTest, AHealthyWebGraphAddsNothingAtErrorsOnlyAndNoPictureDetailsToTheSummary) {
  webImage("w=300&h=200", "gif");  // the hidden instance exists from here on
  const char* details[] = {"plotJtGraphToPicture()", "temporaty plotForm", "zavPlotFileNr", "thisDTime",
                           "setting fromRec", "all points:"};
  struct Row {
    const char* name;
    int16_t level;
  } rows[] = {{"errors only", 1}, {"summary", 2}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    HeadlessLog log;
    msgLevel = r.level;
    EXPECT_EQ(webImage("w=300&h=200", "gif").size(), QSize(300, 200));
    const QStringList lines = loggedLines(log);
    for (const char* part : details) EXPECT_EQ(lines.filter(part), QStringList()) << part;
    if (r.level == 1)
      EXPECT_EQ(lines, QStringList());
    else
      EXPECT_TRUE(lines.contains("writeImage: OK, stream created"));  // the summary still tells
  }
}

TEST_F(ChartCoreTest, GifInEitherCaseAndOtherTypesEncode) {
  for (const char* type : {"GIF", "gif"}) {
    const QImage img = webImage("w=200&h=100", type);
    EXPECT_TRUE(startsWith(picBuffer, "GIF89a")) << type;
    EXPECT_EQ(img.size(), QSize(200, 100)) << type;
  }
  webImage("w=200&h=100", "png");
  EXPECT_TRUE(startsWith(picBuffer, "\x89PNG"));
  webImage("w=200&h=100", "bmp");
  EXPECT_TRUE(startsWith(picBuffer, "BM"));
}

TEST_F(ChartCoreTest, UnknownTypeWritesAndLogsNothing) {
  HeadlessLog log;
  picBuffer = "kept";
  plotWebGraph("w=200&h=100", QString(), "xyz");
  EXPECT_EQ(picBuffer, QByteArray("kept"));
  EXPECT_FALSE(log.lines().join('\n').contains("writeImage"));
}

TEST_F(ChartCoreTest, WebPictureSidesAreClamped) {
  struct Row {
    const char* query;
    QSize size;
  } rows[] = {{"w=5&h=0", {20, 20}}, {"w=-100&h=21", {20, 21}}, {"w=100000&h=30", {4096, 30}},
              {"w=30&h=2147483647", {30, 4096}}};
  for (const Row& r : rows) EXPECT_EQ(webImage(r.query, "png").size(), r.size) << r.query;
}

TEST_F(ChartCoreTest, GridDivisionsOfARequestAreClamped) {
  struct Row {
    const char* query;
    int16_t time, value;
  } rows[] = {// 100000 does not fit the item: the defaults stay
              {"g=0", 1, 1}, {"g=-5,-5", 1, 1}, {"g=100000", 6, 8}, {"g=30000,7", 100, 7}, {"g=6,200", 6, 100}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.query);
    EXPECT_EQ(webImage(QString("w=200&h=100&") + r.query, "png").size(), QSize(200, 100));
    const graphRecord& g = webChartWindow()->core().graphDef;
    ASSERT_GE(g.axes.size(), 3);
    EXPECT_EQ(g.axes[1].gridLines[1].divisions, r.time);
    EXPECT_EQ(g.axes[2].gridLines[1].divisions, r.value);
  }
}

TEST_F(ChartCoreTest, CompareRangeBeyondTheCalendarIsDropped) {
  plotParamRecord p;
  p.compareFrom = 100000000;
  p.compareTo = 100000001;
  p.compareText = "h";
  EXPECT_TRUE(dropUnusableCompareRange(p));
  EXPECT_EQ(p.compareFrom, 0);
  EXPECT_EQ(p.compareTo, 0);
  EXPECT_TRUE(p.compareText.isEmpty());
  p.compareFrom = testTime(2024, 3, 30);
  p.compareTo = testTime(2024, 3, 31);
  EXPECT_FALSE(dropUnusableCompareRange(p));

  EXPECT_EQ(webImage("w=200&h=100&v=100000000&r=1d", "png").size(), QSize(200, 100));
  for (const seriesInfoEntry& e : webChartWindow()->core().plotParam.seriesInfo) EXPECT_NE(e.styleCode, 4);
  // A reachable compare range is drawn as a further series on the fourth axis.
  webImage("w=200&h=100&e=2024-03-31 12:00:00&r=3h&v=-1", "png");
  const graphRecord& g = webChartWindow()->core().graphDef;
  ASSERT_GE(g.series.size(), 4);
  EXPECT_EQ(g.series[3].xAxis, 4);
}

TEST_F(ChartCoreTest, FetchSendsTheThreeBoxesAndTheReferenceTime) {
  viewRange = 9;  // 3h
  ChartCore core(false);
  for (int bits = 0; bits < 8; ++bits) {
    SCOPED_TRACE(bits);
    plotPointMarks = bits & 1;
    DrawOrthogonalLines = bits & 2;
    DrawPowerInBackground = bits & 4;
    core.setEndText("2024-03-31 12:00:00");
    EXPECT_EQ(core.plotParam.showMarkers, bits & 1 ? 1 : 0);
    EXPECT_EQ(core.plotParam.drawOptions, (bits & 2 ? 1 : 0) | (bits & 4 ? 6 : 0));
    EXPECT_EQ(core.chartMode, 2);
  }
  EXPECT_EQ(core.band().fetchCount, "8");
}

TEST_F(ChartCoreTest, EndTimeBoxStatesAndSteps) {
  viewRange = 4;  // 1mo
  ChartCore core(false);
  EXPECT_EQ(core.band().endColour, kEndTextInvalid);  // empty after loading
  EXPECT_TRUE(core.band().now);
  EXPECT_EQ(core.band().status, "1mo Clk");
  EXPECT_EQ(core.chartMode, 0);  // loading draws nothing

  core.setFetchAtOnce(false);
  core.setEndText("2024-03-31 12:00:00");
  EXPECT_EQ(formatDate(core.plotParam.fromTime, "yyyy-mm-dd hh:nn:ss"), "2024-03-01 12:00:00");
  EXPECT_EQ(core.band().endColour, kEndTextPending);
  EXPECT_TRUE(core.band().fetchEnabled);
  EXPECT_EQ(core.chartMode, 0);

  core.fetchAndPlot();
  EXPECT_EQ(core.band().endColour, kEndTextDrawn);
  EXPECT_FALSE(core.band().fetchEnabled);
  EXPECT_EQ(core.chartMode, 2);

  core.stepTime(2);
  EXPECT_EQ(core.band().endText, "2024-04-15 12:00:00");
  EXPECT_FALSE(core.band().now);
  core.setEndText("2024-0");
  EXPECT_EQ(core.band().endColour, kEndTextInvalid);
  EXPECT_EQ(formatDate(core.plotParam.toTime, "yyyy-mm-dd hh:nn:ss"), "2024-04-15 12:00:00");

  core.chooseSpan(0);  // ALL starts at the first record
  core.setEndText("2030-01-01 00:00:00");
  EXPECT_EQ(core.plotParam.fromTime, dataFileSlots[0].firstRecordTime);
  core.stepSpan(0);
  EXPECT_EQ(core.band().spanIndex, 1);
}

TEST_F(ChartCoreTest, AutoUpdateWritesThePlotFileInTheTypeOfItsExtension) {
  QTemporaryDir dir;
  viewRange = 9;
  savePlotToPicFile = true;
  ChartCore core(false);
  core.setPicture1Size({300, 200});
  struct Row {
    const char* name;
    const char* magic;
  } rows[] = {{"zavPlot.GIF", "GIF89a"}, {"zavPlot.png", "\x89PNG"}};
  for (const Row& r : rows) {
    zavPlotFileName = dir.filePath(r.name);
    core.autoUpdatePlot(testTime(2024, 3, 31, 12), true);
    QFile f(zavPlotFileName);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << r.name;
    EXPECT_TRUE(f.readAll().startsWith(r.magic)) << r.name;
    EXPECT_FALSE(core.savePicToFile);
  }
  // A file that cannot be written is reported with its name on the next line.
  HeadlessLog log;
  zavPlotFileName = dir.filePath("missing/zavPlot.png");
  core.autoUpdatePlot(testTime(2024, 3, 31, 12), true);
  EXPECT_TRUE(log.lines().join('\n').contains("writeImage: Error! bitmap1.SaveToFile = "));
  EXPECT_TRUE(log.lines().contains(zavPlotFileName));
}

TEST_F(ChartCoreTest, AutoUpdateWaitsWhileNowIsOffOrAnAnchorIsSet) {
  viewRange = 9;
  ChartCore core(false);
  core.setNow(false);
  core.autoUpdatePlot(testTime(2024, 3, 31, 12), false);
  EXPECT_TRUE(core.band().endText.isEmpty());
  core.setNow(true);
  core.graphDef.selSer1 = 1;
  core.autoUpdatePlot(testTime(2024, 3, 31, 12), false);
  EXPECT_TRUE(core.band().endText.isEmpty());
  core.setNow(false);
  core.autoUpdatePlot(testTime(2024, 3, 31, 12), true);  // forced: "Now" again
  EXPECT_EQ(core.band().endText, "2024-03-31 12:00:00");
  EXPECT_TRUE(core.band().now);
}

// The fetch counter counts on from what stands in it, typed or not.
TEST_F(ChartCoreTest, FetchCounterCountsOnFromItsText) {
  viewRange = 9;
  ChartCore core(false);
  core.setEndText("2024-03-31 12:00:00");
  ASSERT_EQ(core.band().fetchCount, "1");
  struct Row {
    const char* typed;
    const char* shown;
  } rows[] = {{"100", "101"}, {"", "1"}, {"abc", "1"}, {"7.5", "8.5"}, {"-3", "-2"}, {"1e300", "1E+300"}};
  for (const Row& r : rows) {
    core.setFetchCount(r.typed);
    core.fetchAndPlot();
    EXPECT_EQ(core.band().fetchCount, r.shown) << r.typed;
  }
}

// The earlier set-up of the time chart: the brand's title, the settings' ranges
// (none when the data's range is chosen), the captions and the label formats.
TEST_F(ChartCoreTest, InitXYjtSetsTheChartUpFromTheSettings) {
  RestoreOnExit saved{appName, yPowerScale, y1ScaleMin, y1ScaleMax, y2ScaleMin, y2ScaleMax};
  y1ScaleMin = 0, y1ScaleMax = 3000, y2ScaleMin = 18, y2ScaleMax = 22;
  struct Row {
    const char* name;
    const char* appName;
    int16_t yPowerScale, xScale;
    const char* title;
    double powerLimitMin, powerLimitMax, tempMin, tempMax;
    int texts;  // title, two captions, date, the footer for the first brand
  } rows[] = {{"firstBrandSetRanges", "Falvor", 0, kXScaleTime, "Falvor - Power over Time", 0, 48000, 16, 24, 5},
              {"secondBrandDataRange", "Zav", 1, kXScaleRecord, "Zav - Brisolan", -64, 64, -4, 4, 4}};
  for (const Row& r : rows) {
    appName = r.appName;
    yPowerScale = r.yPowerScale;
    ChartCore core(false);
    LogCapture log;
    QString title = "asked";
    const Date from = testTime(2024, 3, 31, 3), to = testTime(2024, 3, 31, 6);
    core.initXYjt(title, 1, from, to, (to - from) / 6, r.xScale);
    EXPECT_EQ(title, r.title) << r.name;
    const graphRecord& g = core.graphDef;
    ASSERT_EQ(g.texts.size(), r.texts + 1) << r.name;
    EXPECT_EQ(g.texts[1].text, r.title) << r.name;
    EXPECT_EQ(g.texts[2].text, "Power (W)") << r.name;
    EXPECT_EQ(g.texts[3].text, "Temp °C") << r.name;
    EXPECT_EQ(g.texts[4].text, "2024-03-31") << r.name;
    ASSERT_GE(g.axes.size(), 4) << r.name;
    EXPECT_EQ(g.axes[1].valueKind, r.xScale) << r.name;
    EXPECT_EQ(g.axes[1].labels[1].numberFormat == "hh:nn:ss", r.xScale == kXScaleTime) << r.name;
    EXPECT_EQ(g.axes[2].labels[1].numberFormat, " #,0;-#0; 0") << r.name;
    EXPECT_DOUBLE_EQ(g.axes[2].limitMin, r.powerLimitMin) << r.name;
    EXPECT_DOUBLE_EQ(g.axes[2].limitMax, r.powerLimitMax) << r.name;
    EXPECT_EQ(g.axes[3].labels[1].numberFormat, "+#0;-#0;  0") << r.name;
    EXPECT_DOUBLE_EQ(g.axes[3].minValue, r.tempMin) << r.name;
    EXPECT_DOUBLE_EQ(g.axes[3].maxValue, r.tempMax) << r.name;
    EXPECT_TRUE(log.contains("Form4.initXYjt Start")) << r.name;
    EXPECT_TRUE(log.contains("Form4.initXYjt Done")) << r.name;
  }
}
