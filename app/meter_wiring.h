#pragma once
// What the meter side announces, connected to the plot and the chart window,
// which meter/ may not call. Connected once, before the windows load.

void connectMeterToPlotAndChart();
