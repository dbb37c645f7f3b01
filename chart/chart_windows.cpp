#include "chart/chart_windows.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>

#include "chart/chart_layout.h"
#include "chart/form4a.h"
#include "core/globals.h"
#include "core/log/logmsg.h"
#include "meter/meter_events.h"
#include "plot/plot_events.h"

namespace {
QPointer<Form4a> userChart;

Settings& chartSettings() {
  static Settings settings;
  return settings;
}

Form4a* ensureUserChart() {
  if (!userChart) {
    userChart = new Form4a(chartSettings(), true);
    userChart->setAttribute(Qt::WA_DeleteOnClose);
  }
  return userChart;
}

QWidget* mainWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == u"Form1") return w;
  return nullptr;
}

bool normalState(const QWidget* w) { return !(w->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)); }

void userGraph(bool force) {
  if (!chartWindowLoaded || !userChart || !userChart->isVisible()) {
    Form4a* chart = ensureUserChart();
    chart->show();
    const QWidget* main = mainWindow();
    const QScreen* screen = chart->screen();
    if (main && screen) {
      const std::optional<QPoint> below =
          chartPlaceBelow(main->frameGeometry(), normalState(chart) && normalState(main),
                          chart->frameGeometry().height(), screen->geometry().height());
      if (below) chart->move(*below);
    }
  }
  userChart->autoUpdatePlot(dateNow(), force);
}

void loadTest() {
  // Created, loaded and unloaded at once; never shown.
  delete new Form4a(chartSettings(), false);
}
}  // namespace

Form4a* chartWindow() { return userChart; }

void setChartSettings(const Settings& settings) {
  chartSettings() = settings;
  if (userChart) userChart->core().setSettings(settings);
}

void showChartWindow() {
  Form4a* chart = ensureUserChart();
  chart->show();
  chart->raise();
}

void releaseChartWindows() { delete userChart; }

void connectChartWindows() {
  static bool connected = false;
  if (connected) return;
  connected = true;
  QObject::connect(&plotEvents(), &PlotEvents::userGraphRequested, userGraph);
  QObject::connect(&meterEvents(), &MeterEvents::chartWindowRequested, showChartWindow);
  QObject::connect(&meterEvents(), &MeterEvents::chartLoadTestRequested, loadTest);
}
