#pragma once
// What the plot requests announce to the chart above them: the user's chart
// is wanted up to date. The chart connects; plot/ never calls it.

#include <QObject>

#include "plot/graph_request.h"

class PlotEvents : public QObject {
  Q_OBJECT
 signals:
  void userGraphRequested(bool force);                   // show the chart window and bring it up to now
};

PlotEvents& plotEvents();
