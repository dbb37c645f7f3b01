#pragma once
// What the main window asks of the chart window. Until the chart window
// exists these do nothing.

// View/"Plot": shows the chart window's default instance modeless, created on first use.
void showChartWindow();
// Drops the hidden chart window that renders web graphs (plotForm := Nothing).
void releasePlotForm();
// Creates a chart window, lets it load and unloads it at once (the load test).
void loadAndUnloadChartWindow();
