#pragma once
// Settings the chart reads: values of core/globals.h, named after their INI keys
// and set by the settings rules (fixedPlotSize, plotWidth, plotHeight,
// DrawOrthogonalLines, DrawPowerInBackground, ReferencePowerEndTime, viewRange).

#include "core/globals.h"

// The setup's range of the chart picture's sides.
constexpr int32_t kMinPlotSide = 100;
constexpr int32_t kMaxPlotSide = 2000;
