#include "chart/chart_windows.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>

#include "chart/chart_layout.h"
#include "chart/form4a.h"
#include "meter/meter_events.h"
#include "plot/plot_events.h"

namespace {
QWidget* mainWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == u"Form1") return w;
  return nullptr;
}

bool normalState(const QWidget* w) { return !(w->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)); }
}  // namespace

ChartWindows::ChartWindows(const Settings& settings, PlotSource source, QObject* parent)
    : QObject(parent), m_settings(settings), m_source(std::move(source)) {
  connect(&plotEvents(), &PlotEvents::userGraphRequested, this, &ChartWindows::userGraph);
  connect(&meterEvents(), &MeterEvents::chartWindowRequested, this, &ChartWindows::showChartWindow);
  connect(&meterEvents(), &MeterEvents::chartLoadTestRequested, this, &ChartWindows::loadTest);
}

ChartWindows::~ChartWindows() { releaseChartWindows(); }

Form4a* ChartWindows::chartWindow() const { return m_userChart; }

bool ChartWindows::chartWindowLoaded() const { return !m_userChart.isNull(); }

Form4a* ChartWindows::ensureUserChart() {
  if (!m_userChart) {
    m_userChart = new Form4a(m_settings, m_source);
    m_userChart->setAttribute(Qt::WA_DeleteOnClose);
  }
  return m_userChart;
}

void ChartWindows::userGraph(bool force) {
  if (!chartWindowLoaded() || !m_userChart->isVisible()) {
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
  m_userChart->autoUpdatePlot(dateNow(), force);
}

void ChartWindows::loadTest() {
  // Created, loaded and unloaded at once; never shown.
  delete new Form4a(m_settings, m_source);
}

void ChartWindows::setSettings(const Settings& settings) {
  m_settings = settings;
  if (m_userChart) m_userChart->core().setSettings(settings);
}

void ChartWindows::showChartWindow() {
  Form4a* chart = ensureUserChart();
  chart->show();
  chart->raise();
}

void ChartWindows::releaseChartWindows() { delete m_userChart; }
