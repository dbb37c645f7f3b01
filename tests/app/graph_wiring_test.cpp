// What app/ wires for the charts and the web graph: each new settings value
// reaches the user's chart, and the web's graph renderer draws from the
// current settings on the chart's pool.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include "app/graph_renderer.h"
#include "app/wiring.h"
#include "chart/chart_windows.h"
#include "chart/form4a.h"
#include "core/settings/setup_values.h"
#include "tests/meter/window/meter_owners.h"

TEST(GraphWiring, NewSettingsReachTheOpenChartAndTheNextOne) {
  connectSubsystems(wiredMeterOwners().session, wiredMeterOwners().link);
  ChartWindows& charts = *programChartWindows();
  SetupValues& values = setupValues();
  const QString width = values.text("Text1(25)");
  charts.showChartWindow();
  ASSERT_NE(charts.chartWindow(), nullptr);
  values.setText("Text1(25)", "777");
  EXPECT_EQ(charts.chartWindow()->core().settings().plotWidth, 777);
  charts.releaseChartWindows();
  charts.showChartWindow();
  EXPECT_EQ(charts.chartWindow()->core().settings().plotWidth, 777);
  charts.releaseChartWindows();
  values.setText("Text1(25)", width);
}

TEST(GraphWiring, TheWebRendererDrawsFromTheCurrentSettingsOnThePool) {
  connectSubsystems(wiredMeterOwners().session, wiredMeterOwners().link);
  const auto render = graphRendererFromSettings();
  const QFuture<Result<QByteArray>> future = render("w=120&h=80", "png");
  ASSERT_TRUE(QTest::qWaitFor([&] { return future.isFinished(); }, 60000));
  ASSERT_TRUE(future.result());
  EXPECT_EQ(QImage::fromData(*future.result()).size(), QSize(120, 80));
  EXPECT_FALSE(render("w=120&h=80", "xyz").result());  // no encoder for the type
}
