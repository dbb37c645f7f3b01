#pragma once
// What the main window asks of the other windows: draw the plotted file, show
// the chart window, run the chart window's load test. The main window emits;
// the chart side connects. The meter's own news comes from the meter session
// and the link (their signals).

#include <QObject>

class MeterEvents : public QObject {
  Q_OBJECT
 signals:
  void plotRequested();           // "Plot": draw the plotted slot in the chart window
  void chartWindowRequested();    // View/"Plot": show the chart window
  void chartLoadTestRequested();  // the load test: a chart window created, loaded and unloaded
};

MeterEvents& meterEvents();
