#pragma once
// The user's chart of the run (Form4a's default instance, made on first use).
// connectChartWindows() lets the plot requests and the main window's chart
// entries reach it; once, at start. Web graph pictures need no window
// (graph_image.h).

class Form4a;

void connectChartWindows();
Form4a* chartWindow();   // the user's chart, or nullptr before the first use
void showChartWindow();  // View/"Plot": shows the user's chart modeless
// Closes the user's chart (the end of a test).
void releaseChartWindows();
