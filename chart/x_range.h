#pragma once
// The arithmetic of the chart's axis controls without the controls: the X
// scroll bar (HScroll1) in 1/10000 of the X data range, zooming and shifting
// an axis, and the X range summary (Label25). The window moves the results
// into its controls and redraws; each function acts only while the window
// shows a graph (chartMode).

#include <QString>
#include <cstdint>
#include <optional>

#include "plot/graph/graph_record.h"

// HScroll1 as values. The positions are 16-bit as the scroll bar's are;
// positions beyond them are held at the end.
struct XScrollBar {
  int16_t min = 0;
  int16_t max = 0;
  int16_t smallChange = 1;
  int16_t largeChange = 1;
  int16_t value = 0;
  QString tag;                  // the position last applied to the X axis
  bool shown = false;           // also enabled
  bool zoomOutEnabled = false;  // Command23(1) "z-out"
  bool enableZoomIn = false;    // Command23(0) "z-in" is enabled (never disabled here)
};

// Zoom commands (Command19's index).
enum : int16_t { kZoomIn = 0, kZoomOut = 1, kZoomDrawn = 2, kZoomHome = 3, kZoomLimits = 4, kZoomSet = 5 };

// A 16-bit conversion rounding half to even, held at the ends, NaN as 0.
int16_t toInt16Clamped(double v);

// The scroll bar for the X axis (axis 1) as it is shown.
XScrollBar setSelXrange(const graphAxisRecord& xAxis);

// Label25: "1 [ 0 { 10 - ( 10 ) - 19 } 99 ] 0" for the time plot (chartMode 2).
QString showRangeLabel(const graphAxisRecord& xAxis, int16_t chartMode, int32_t logRecordCount);

// Applies a moved scroll bar to the X axis: by the scaled amount, on a
// whole-number axis by whole units and at least one per change; the width
// kept, the range kept inside the limits (the upper one wins).
// Updates bar.tag. True when the axis moved and the chart must be redrawn.
bool setHScrollBar(graphAxisRecord& xAxis, XScrollBar& bar, int16_t chartMode);

// Text37(0) and Text37(1): the maximum and minimum of the last zoomed axis.
struct ZoomTexts {
  QString max, min;
};

// Sets the shown range of axis `axis` by command outFlg. labelScaleText is
// Text1 (the label scale the texts are in, 0 = axis units); typed holds what
// "set" reads. Returns the texts to show, nothing when no graph or no such axis.
std::optional<ZoomTexts> zoomAxisInOut(graphRecord& graph, int16_t chartMode, int16_t axis, int16_t outFlg,
                                       const QString& labelScaleText, const ZoomTexts& typed);

// Moves an axis by an eighth of its span: direction > 0 down, < 0 up.
void shiftAxis(graphRecord& graph, int16_t chartMode, int16_t axis, int16_t direction);

// The value-axis commands (Command19 with isCommand, VScroll1 without) on
// the axis of the series in seriesText (Text36), or every value axis when it
// names none; then every value axis's label formats follow its range.
// Returns the texts of the last zoom, if any.
std::optional<ZoomTexts> applyYScale(graphRecord& graph, int16_t chartMode, bool isCommand, int16_t n,
                                     const QString& seriesText, const QString& labelScaleText,
                                     const ZoomTexts& typed);
