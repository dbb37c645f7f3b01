#pragma once
// The user's chart of the run (Form4a's default instance, made on first use).
// connectChartWindows() lets the plot requests and the main window's chart
// entries reach it; once, at start. Web graph pictures need no window
// (graph_image.h).

#include "core/settings/settings.h"

class Form4a;

void connectChartWindows();
// The settings the charts work with: app/ hands each new value in (and the
// open chart takes it); a chart made later starts with the latest.
void setChartSettings(const Settings& settings);
Form4a* chartWindow();   // the user's chart, or nullptr before the first use
void showChartWindow();  // View/"Plot": shows the user's chart modeless
// Closes the user's chart (the end of a test).
void releaseChartWindows();
