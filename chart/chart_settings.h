#pragma once
// Settings the chart reads that have no value of their own yet, named after
// their INI keys. The settings rules set them; the chart only reads them.

#include <QString>
#include <cstdint>

extern bool fixedPlotSize;            // "Fixed Plot Size"
extern int32_t plotWidth;             // chart picture width in pixels
extern int32_t plotHeight;            // chart picture height in pixels
extern bool DrawOrthogonalLines;      // "Draw orthogonal lines"
extern bool DrawPowerInBackground;    // "Draw power in background"
extern QString ReferencePowerEndTime; // "Reference power end time", as typed
extern int16_t viewRange;             // the graph slider's stop, 0 "ALL" .. 14 "1min"

// The setup's range of the chart picture's sides.
constexpr int32_t kMinPlotSide = 100;
constexpr int32_t kMaxPlotSide = 2000;
