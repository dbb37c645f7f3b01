#pragma once
// What the plot requests announce to the chart above them: the user's chart
// is wanted up to date, a web graph is to be drawn off screen. The chart
// connects; plot/ never calls it. Connections are direct, so a web graph is
// drawn (and picBuffer filled) before the emit returns.

#include <QObject>

#include "plot/graph_request.h"

class PlotEvents : public QObject {
  Q_OBJECT
 signals:
  void userGraphRequested(bool force);                   // show the chart window and bring it up to now
  void webGraphRequested(const plotParamRecord& param);  // draw param in the hidden chart window
};

PlotEvents& plotEvents();
