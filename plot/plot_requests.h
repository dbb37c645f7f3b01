#pragma once
// The ways the user's chart gets drawn: "Plot" and "Auto Plot" of the main
// window and the re-plot after each reading. The drawing is the chart's: these
// announce on plotEvents(). (The web graph image is the chart's graph_image.)

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include "core/settings/settings.h"
#include "plot/graph_request.h"
#include "plot/plot_source.h"

// The re-plot after a reading: plotFile(false) when the source's auto-plot is
// on and its plotted slot holds a section. Readings that come faster than a
// few per second are drawn together: at most one re-plot per kAutoPlotPause,
// and the latest reading is always drawn.
constexpr int kAutoPlotPauseMs = 250;
class AutoPlot : public QObject {
 public:
  explicit AutoPlot(PlotSource source, QObject* parent = nullptr);
  void replotIfAuto();

 private:
  bool wanted() const;
  void run();

  PlotSource m_source;
  QTimer m_timer;
  QElapsedTimer m_last;
};

void plotFile(bool force);
void plotUserGraph(bool force);
// A compare range outside the years 100..9999 cannot be read or labelled:
// it is dropped (true) and the graph is drawn without it.
bool dropUnusableCompareRange(plotParamRecord& param);
// Logs the times and, when it changed, the lines of the command file beside
// the settings' text log.
void readCmdFile(const Settings& settings);

// Connects the main window's plot requests (meterEvents) to these while `context` lives.
void connectPlotRequests(QObject* context);
