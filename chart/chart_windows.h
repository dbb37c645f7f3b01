#pragma once
// The chart windows of the run: the user's chart (Form4a's default instance,
// made on first use) and the hidden instance that draws web graphs, made by
// the first web graph request and kept. connectChartWindows() lets the plot
// requests and the main window's chart entries reach them; once, at start.

class Form4a;

void connectChartWindows();
Form4a* chartWindow();     // the user's chart, or nullptr before the first use
Form4a* webChartWindow();  // the hidden instance, or nullptr before the first web graph
void showChartWindow();    // View/"Plot": shows the user's chart modeless
// Closes the user's chart and drops the hidden instance (the end of a test).
void releaseChartWindows();
