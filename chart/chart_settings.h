#pragma once
// The chart takes its settings from the Settings value it is given
// (fixedPlotSize, plotWidth, plotHeight, the drawing options, viewRange, ...);
// these are the limits it puts on them.

#include <cstdint>

// The setup's range of the chart picture's sides.
constexpr int32_t kMinPlotSide = 100;
constexpr int32_t kMaxPlotSide = 2000;
