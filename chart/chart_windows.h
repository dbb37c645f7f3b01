#pragma once
// The user's chart of the run (Form4a's default instance, made on first use)
// and the main window's chart entries. app/ makes one ChartWindows with the
// settings and what the charts draw from, and hands it each new settings
// value; it answers the plot requests (plotEvents) and the main window's
// chart entries (meterEvents) while it lives. Web graph pictures need no
// window (graph_image.h).

#include <QObject>
#include <QPointer>

#include "core/settings/settings.h"
#include "plot/plot_source.h"

class Form4a;

class ChartWindows : public QObject {
 public:
  ChartWindows(const Settings& settings, PlotSource source, QObject* parent = nullptr);
  // Closes the user's chart.
  ~ChartWindows() override;

  // The settings the charts work with: the open chart takes them; a chart made
  // later starts with the latest.
  void setSettings(const Settings& settings);
  Form4a* chartWindow() const;  // the user's chart, or nullptr before the first use
  // chartWindowLoaded: the user's chart is loaded, from its making to its closing.
  bool chartWindowLoaded() const;
  void showChartWindow();  // View/"Plot": shows the user's chart modeless
  // Closes the user's chart (the end of a test).
  void releaseChartWindows();

 private:
  Form4a* ensureUserChart();
  void userGraph(bool force);
  void loadTest();

  Settings m_settings;
  PlotSource m_source;
  QPointer<Form4a> m_userChart;
};
