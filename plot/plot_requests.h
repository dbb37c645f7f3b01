#pragma once
// The ways a graph gets drawn: "Plot" and "Auto Plot" of the main window, the
// re-plot after each reading, the user's chart and the web graph image. The
// drawing is the chart's: these announce on plotEvents().

#include <QString>

#include "plot/graph_request.h"

// The re-plot after a reading: plotFile(false) when autoPlot is on and the
// plotted slot holds a section. Readings that come faster than a few per
// second are drawn together: at most one re-plot per kAutoPlotPause, and
// the latest reading is always drawn.
void replotIfAuto();
constexpr int kAutoPlotPauseMs = 250;
void plotFile(bool force);
void plotUserGraph(bool force);
// Draws the graph of a web request into picBuffer (fileName empty) or a file,
// as the picture type imageType ("gif", "png", ...).
void plotWebGraph(const QString& query, const QString& fileName, const QString& imageType);
// A compare range outside the years 100..9999 cannot be read or labelled:
// it is dropped (true) and the graph is drawn without it.
bool dropUnusableCompareRange(plotParamRecord& param);
// Logs the times and, when it changed, the lines of the command file beside the text log.
void readCmdFile();

// Connects the main window's plot requests (meterEvents) to these. Once, at start.
void connectPlotRequests();
