// What app/ wires for the charts, the web graph and the windows: each new
// settings value reaches the user's chart, the web's graph renderer draws from
// the settings it is handed (the server's own copy) on the chart's pool, and the
// main window's requests reach the windows the subsystems own.
#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/graph_renderer.h"
#include "app/wiring.h"
#include "chart/chart_windows.h"
#include "chart/form4a.h"
#include "core/log/message_window.h"
#include "core/settings/setup_values.h"
#include "core/setup/setup_window.h"
#include "meter/window/form1.h"
#include "meter/window/main_menus.h"
#include "support/headless_env.h"
#include "tests/meter/window/meter_owners.h"

TEST(GraphWiring, NewSettingsReachTheOpenChartAndTheNextOne) {
  MeterOwners meter;
  Subsystems subsystems(meter.session, meter.link, meter.values);
  ChartWindows& charts = subsystems.chartWindows();
  charts.showChartWindow();
  ASSERT_NE(charts.chartWindow(), nullptr);
  meter.values.setText("Text1(25)", "777");
  EXPECT_EQ(charts.chartWindow()->core().settings().plotWidth, 777);
  charts.releaseChartWindows();
  charts.showChartWindow();
  EXPECT_EQ(charts.chartWindow()->core().settings().plotWidth, 777);
  charts.releaseChartWindows();
}

TEST(GraphWiring, TheWebRendererDrawsFromTheSettingsOfTheRequestsTimeOnThePool) {
  Settings settings;
  const auto render = graphRenderer([&settings]() -> const Settings& { return settings; }, PlotSource{});
  settings.plotWidth = 160;  // read when the request comes
  settings.plotHeight = 120;
  const auto size = [&](const QString& query) {
    const QFuture<Result<QByteArray>> future = render(query, "png");
    EXPECT_TRUE(QTest::qWaitFor([&] { return future.isFinished(); }, 60000));
    return future.result() ? QImage::fromData(*future.result()).size() : QSize();
  };
  EXPECT_EQ(size(""), QSize(160, 120));
  EXPECT_EQ(size("w=120&h=80"), QSize(120, 80));
  EXPECT_FALSE(render("w=120&h=80", "xyz").result());  // no encoder for the type
}

// The main window's "Setup" command and View menu reach the windows the subsystems own.
TEST(GraphWiring, TheMainWindowAsksForTheSetupAndMessageWindows) {
  HeadlessLog log;  // message boxes answer themselves
  MeterOwners meter;
  Subsystems subsystems(meter.session, meter.link, meter.values);
  QTemporaryDir dir;  // the program's folder
  StartValues start;
  start.appName = QStringLiteral("Zav");
  start.defDirName = dir.path() + u'/';
  SetupWindow& setup = subsystems.loadSetupWindow(start);
  Form1& main = subsystems.showMainWindow();
  ASSERT_EQ(subsystems.mainWindow(), &main);
  EXPECT_FALSE(setup.isVisible());
  main.Command1()->click();
  EXPECT_TRUE(setup.isVisible());
  main.menus().mnuView_Messages->trigger();
  EXPECT_TRUE(subsystems.messageWindow().isVisible());
}
