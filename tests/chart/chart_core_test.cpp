#include "chart/chart_core.h"

#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "chart_fixture.h"
#include "core/log/logmsg.h"
#include "core/util/format_pattern.h"
#include "support/headless_env.h"
#include "support/log_capture.h"

namespace {
class ChartCoreTest : public ChartFixture {
 protected:
  void SetUp() override {
    ChartFixture::SetUp();
    logMsg(0, QString());  // an empty window, so its length rule does not lower the level
  }
};
}  // namespace

TEST_F(ChartCoreTest, FetchSendsTheThreeBoxesAndTheReferenceTime) {
  m_settings.viewRange = 9;  // 3h
  ChartCore core(m_settings, m_files.source());
  core.formLoad();
  for (int bits = 0; bits < 8; ++bits) {
    SCOPED_TRACE(bits);
    m_settings.plotPointMarks = bits & 1;
    m_settings.DrawOrthogonalLines = bits & 2;
    m_settings.DrawPowerInBackground = bits & 4;
    core.setSettings(m_settings);
    core.setEndText("2024-03-31 12:00:00");
    EXPECT_EQ(core.plotParam.showMarkers, bits & 1 ? 1 : 0);
    EXPECT_EQ(core.plotParam.drawOptions, (bits & 2 ? 1 : 0) | (bits & 4 ? 6 : 0));
    EXPECT_EQ(core.chartMode, 2);
  }
  EXPECT_EQ(core.band().fetchCount, "8");
}

TEST_F(ChartCoreTest, AnUnreadableDataFileIsLoggedAndDrawsNothing) {
  QTemporaryDir dir;
  m_settings.viewRange = 9;
  m_settings.zavDatFileName[0] = dir.path();  // a folder where the file was
  ChartCore core(m_settings, m_files.source());
  core.formLoad();
  LogCapture log;
  core.setEndText("2024-03-31 12:00:00");
  EXPECT_TRUE(log.contains("fetchAndPlot: ERROR cannot open " + dir.path() + ": "))
      << log.text().toStdString();
  EXPECT_EQ(core.chartMode, 0);
}

TEST_F(ChartCoreTest, AChartLoadedAsInvisibleHasNoSpanOrTimeOfItsOwn) {
  ChartCore core(m_settings, m_files.source());
  core.setLoadAsInVisible(true);
  LogCapture log;
  core.formLoad();
  EXPECT_TRUE(log.contains("Form4.Form_Load Done\nForm4a loaded as invisible ------")) << log.text().toStdString();
  EXPECT_TRUE(core.band().spans.isEmpty());
  EXPECT_FALSE(core.band().now);
  EXPECT_EQ(core.plotParam.toTime, plotParamRecord{}.toTime);
}

TEST_F(ChartCoreTest, EndTimeBoxStatesAndSteps) {
  m_settings.viewRange = 4;  // 1mo
  ChartCore core(m_settings, m_files.source());
  core.formLoad();
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
  m_settings.viewRange = 9;
  m_settings.savePlotToPicFile = true;
  ChartCore core(m_settings, m_files.source());
  core.formLoad();
  core.setPicture1Size({300, 200});
  struct Row {
    const char* name;
    const char* magic;
  } rows[] = {{"zavPlot.GIF", "GIF89a"}, {"zavPlot.png", "\x89PNG"}};
  for (const Row& r : rows) {
    m_settings.zavPlotFileName = dir.filePath(r.name);
    core.setSettings(m_settings);
    core.autoUpdatePlot(testTime(2024, 3, 31, 12), true);
    QFile f(m_settings.zavPlotFileName);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << r.name;
    EXPECT_TRUE(f.readAll().startsWith(r.magic)) << r.name;
    EXPECT_FALSE(core.savePicToFile);
  }
  // A file that cannot be written is reported with its name on the next line.
  HeadlessLog log;
  m_settings.zavPlotFileName = dir.filePath("missing/zavPlot.png");
  core.setSettings(m_settings);
  core.autoUpdatePlot(testTime(2024, 3, 31, 12), true);
  EXPECT_TRUE(log.lines().join('\n').contains("writeImage: Error! bitmap1.SaveToFile = "));
  EXPECT_TRUE(log.lines().contains(m_settings.zavPlotFileName));
}

TEST_F(ChartCoreTest, AutoUpdateWaitsWhileNowIsOffOrAnAnchorIsSet) {
  m_settings.viewRange = 9;
  ChartCore core(m_settings, m_files.source());
  core.formLoad();
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
  m_settings.viewRange = 9;
  ChartCore core(m_settings, m_files.source());
  core.formLoad();
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
  m_settings.y1ScaleMin = 0, m_settings.y1ScaleMax = 3000, m_settings.y2ScaleMin = 18, m_settings.y2ScaleMax = 22;
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
    m_settings.appName = r.appName;
    m_settings.yPowerScale = r.yPowerScale;
    ChartCore core(m_settings, m_files.source());
    core.formLoad();
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

// The anchor of a stretch, held by the button or kept after it, is kept by its time as the
// selection is, while the span shows it; a reading that the reduction thinned out of the new
// fetch gives way to the nearest one in time.
TEST_F(ChartCoreTest, SelectionAndAnchorFollowTheirReadingsAcrossFetches) {
  m_settings.viewRange = 9;  // 3h
  ChartCore core(m_settings, m_files.source());
  core.formLoad();
  core.setPicture1Size({600, 400});
  graphRecord& g = core.graphDef;
  const QVector<plotSeries>& data = core.plotSeriesData;
  const auto pointAt = [&](int h, int m) -> int32_t {
    for (int32_t p = 1; p < data[1].points.size(); ++p)
      if (data[1].points[p].recTime == testTime(2024, 3, 31, h, m)) return p;
    return 0;
  };
  const struct {
    const char* name;
    bool held;
    int anchorMinute, selMinute;  // past four
    int endHour;                  // the span ends then, at ten past
    bool anchorFound, selFound;
    int16_t selSer1, stretchSer;
  } rows[] = {{"held", true, 0, 31, 6, true, true, 1, 0},
              {"kept", false, 0, 31, 6, true, true, 0, 1},
              {"kept, its end left the span", false, 31, 0, 7, true, false, 0, 0},
              {"kept, its start left the span", false, 0, 31, 7, false, true, 0, 0}};
  for (const auto& r : rows) {
    core.setEndText("2024-03-31 06:00:00");
    g.selSerie = 1;
    g.selPoint = pointAt(4, r.selMinute);
    g.selPnt1 = pointAt(4, r.anchorMinute);
    (r.held ? g.selSer1 : g.stretchSer) = 1;
    core.autoUpdatePlot(testTime(2024, 3, 31, r.endHour, 10), true);
    EXPECT_EQ(g.selPoint, r.selFound ? pointAt(4, r.selMinute) : 0) << r.name;
    EXPECT_EQ(g.selPnt1, r.anchorFound ? pointAt(4, r.anchorMinute) : 0) << r.name;
    EXPECT_EQ(g.selSer1, r.selSer1) << r.name;
    EXPECT_EQ(g.stretchSer, r.stretchSer) << r.name;
    g.selSer1 = g.stretchSer = 0;
  }

  core.setEndText("2024-03-31 06:10:00");
  core.chooseSpan(7);  // twelve hours in at most 300 points
  ASSERT_EQ(pointAt(4, 31), 0);
  ASSERT_EQ(g.selSerie, 1);
  EXPECT_NEAR(data[1].points[g.selPoint].recTime, testTime(2024, 3, 31, 4, 31), 1.001 / 1440);
}
