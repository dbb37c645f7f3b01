#pragma once
// What the meter side announces: a reading was recorded, the link changed state,
// the texts the main window shows. The engine and the link emit; the main window,
// the chart and the web server connect. Nothing in meter/ calls upward.

#include <QObject>

class MeterEvents : public QObject {
  Q_OBJECT
 signals:
  void plotRequested();           // "Plot": draw the plotted slot in the chart window
  void chartWindowRequested();    // View/"Plot": show the chart window
  void chartLoadTestRequested();  // the load test: a chart window created, loaded and unloaded
};

MeterEvents& meterEvents();
