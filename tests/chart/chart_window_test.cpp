#include "chart/form4a.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>

#include "chart/chart_windows.h"
#include "chart_fixture.h"
#include "meter/meter_events.h"
#include "plot/plot_events.h"
#include "plot/plot_requests.h"

namespace {
class ChartWindowTest : public ChartFixture {
 protected:
  void SetUp() override {
    ChartFixture::SetUp();
    m_charts = std::make_unique<ChartWindows>(m_settings, m_files.source());
    connectPlotRequests();
  }
  void TearDown() override {
    m_charts.reset();
    ChartFixture::TearDown();
  }
  void setChartSettings(const Settings& s) { m_charts->setSettings(s); }
  Form4a* chartWindow() const { return m_charts->chartWindow(); }
  void showChartWindow() { m_charts->showChartWindow(); }
  bool chartWindowLoaded() const { return m_charts->chartWindowLoaded(); }
  void replotIfAuto() { m_autoPlot.replotIfAuto(); }

  std::unique_ptr<ChartWindows> m_charts;
  AutoPlot m_autoPlot{m_files.source()};
};
}  // namespace

TEST_F(ChartWindowTest, PlotShowsTheChartSizedFromTheSettingsAndDrawsToNow) {
  m_settings.plotWidth = 50;  // below the setup's range: 100
  m_settings.plotHeight = 300;
  m_settings.viewRange = 0;
  setChartSettings(m_settings);
  emit meterEvents().plotRequested();
  Form4a* chart = chartWindow();
  ASSERT_NE(chart, nullptr);
  EXPECT_TRUE(chart->isVisible());
  EXPECT_TRUE(chartWindowLoaded());
  EXPECT_EQ(chart->core().picture1().size(), QSize(100, 300));
  EXPECT_EQ(chart->core().chartMode, 2);
  EXPECT_TRUE(chart->chkNow()->isChecked());
  EXPECT_EQ(chart->Combo2()->currentText(), "ALL");
  // The band follows the core: a time typed into Text3 is taken at once.
  QTest::mouseClick(chart->Text3(), Qt::LeftButton);
  EXPECT_FALSE(chart->chkNow()->isChecked());
  chart->Combo2()->setCurrentIndex(9);  // 3h
  chart->Text3()->setText("2024-03-31 06:00:00");
  EXPECT_EQ(chart->core().plotParam.toTime, testTime(2024, 3, 31, 6));
  EXPECT_EQ(chart->core().plotParam.fromTime, testTime(2024, 3, 31, 3));

  chart->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(chartWindow(), nullptr);
  EXPECT_FALSE(chartWindowLoaded());
}

TEST_F(ChartWindowTest, LoadTestLeavesTheUserChartAlone) {
  showChartWindow();
  ASSERT_TRUE(chartWindowLoaded());
  for (int i = 0; i < 3; ++i) emit meterEvents().chartLoadTestRequested();
  EXPECT_TRUE(chartWindowLoaded());
}

TEST_F(ChartWindowTest, AutoPlotAfterReadingsIsPaced) {
  int plots = 0;
  const auto c = QObject::connect(&plotEvents(), &PlotEvents::userGraphRequested, [&] { ++plots; });
  autoPlot = false;
  replotIfAuto();
  EXPECT_EQ(plots, 0);
  autoPlot = true;
  // A re-plot of its own, at once or when an earlier one's pause is over; then a pause.
  replotIfAuto();
  QTRY_COMPARE_WITH_TIMEOUT(plots, 1, 5000);
  QElapsedTimer since;
  since.start();
  QTRY_VERIFY_WITH_TIMEOUT(since.elapsed() > kAutoPlotPauseMs, 5000);
  for (int i = 0; i < 20; ++i) replotIfAuto();
  EXPECT_EQ(plots, 2);  // the first at once
  QTRY_COMPARE_WITH_TIMEOUT(plots, 3, 5000);  // the rest together, once
  since.start();
  QTRY_VERIFY_WITH_TIMEOUT(since.elapsed() > 2 * kAutoPlotPauseMs, 5000);
  EXPECT_EQ(plots, 3);
  QObject::disconnect(c);
}

// The re-plot draws only a plotted slot that holds a section, as the main window's choice says now.
TEST_F(ChartWindowTest, AutoPlotNeedsASectionInThePlottedSlot) {
  int plots = 0;
  const auto c = QObject::connect(&plotEvents(), &PlotEvents::userGraphRequested, [&] { ++plots; });
  autoPlot = true;
  plotFileSlot = 1;  // the archive slot holds nothing
  replotIfAuto();
  EXPECT_EQ(plots, 0);
  plotFileSlot = 0;
  replotIfAuto();
  QTRY_COMPARE_WITH_TIMEOUT(plots, 1, 5000);
  QObject::disconnect(c);
}

// Back to the first size (as a restore after maximising does) the picture and the band
// fill the window again.
TEST_F(ChartWindowTest, EveryResizeLaysTheWindowOutAgain) {
  setChartSettings(m_settings);
  emit meterEvents().plotRequested();
  Form4a* chart = chartWindow();
  ASSERT_NE(chart, nullptr);
  const QSize first = chart->size();
  QWidget* band = chart->findChild<QWidget*>("Frame5");
  for (const QSize size : {QSize(1000, 700), first}) {
    chart->resize(size);
    const QRect client = chart->centralWidget()->rect();
    EXPECT_TRUE(client.contains(band->geometry())) << size.width() << "x" << size.height();
    EXPECT_LT(chart->Picture1()->width(), client.width()) << size.width() << "x" << size.height();
    EXPECT_EQ(chart->core().picture1().size(), chart->Picture1()->contentsRect().size());
  }
}
