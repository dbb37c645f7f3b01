#pragma once
// The plot requests' news for the chart above them, on one subject: the
// user's chart is wanted up to date (Plot, Auto Plot, the View menu). The
// chart connects and shows it; plot/ never calls the chart and takes nothing
// back from it.

#include <QObject>

class PlotEvents : public QObject {
  Q_OBJECT
 signals:
  void userGraphRequested(bool force);  // the user's chart shown and brought up to now
};

PlotEvents& plotEvents();
