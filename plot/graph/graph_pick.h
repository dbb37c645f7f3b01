#pragma once
// Picking points on a drawn graph with the pointer and the navigation keys:
// finds the point meant, keeps it as the graph's selection, marks it on the
// picture and, with Alt held, shows its label beside it. The chart window's
// pointer and key handlers call showGraphPoint for every pick event.

#include <cstdint>

#include "plot/graph/graph_record.h"
#include "plot/graph/value_functions.h"

class PickPicture;

// Pick codes; any other code, such as kPickMarks, only redraws the marks of the selection.
enum : int16_t { kPickRefind = 0, kPickPress = 1, kPickMove = 2, kPickRelease = 3, kPickMarks = 4, kPickKey = 6 };
// Key codes of the navigation keys.
enum : int16_t {
  kKeyPageUp = 33, kKeyPageDown = 34, kKeyEnd = 35, kKeyHome = 36,
  kKeyLeft = 37, kKeyUp = 38, kKeyRight = 39, kKeyDown = 40, kKeyInsert = 45, kKeyDelete = 46,
};
// Shift bits and buttons as the pointer events report them.
constexpr int16_t kShiftCtrl = 2, kShiftAlt = 4;
constexpr int16_t kButtonLeft = 1;

struct PickEvent {
  int16_t aflg = 0;
  int16_t keyCode = 0;
  int16_t shift = 0;
  int16_t button = 0;
  float xMouse = 0, yMouse = 0;  // picture units
};

// The graph a pick works on: its definition (selection, anchor and last event
// are written back), its series points, where its point labels come from and
// the background of their box (pointTextBackColor).
struct PickedGraph {
  graphRecord& graph;
  const PlotData& data;
  const PointLabelSource& pointLabel;
  int32_t labelBackColour = 0xC0FFFF;
};

// The selection lies inside the plot rectangle. One that a zoom or a scroll has put
// outside it is kept, but gets no marks and no label until it is shown again.
bool selectionShown(const graphRecord& graph);

// selSerie: the series to search (0 all); selPoint: a start point (0 none).
// The result is in the graph and on picture. A stretch dragged with the left
// button stays the selection after the release, its anchor kept (stretchSer),
// until the next pick; a redraw of the marks draws its dotted line again.
void showGraphPoint(const PickEvent& event, int32_t seriesTypeMask, int32_t graphTypeMask, int16_t selSerie,
                    int32_t selPoint, PickPicture& picture, const PickedGraph& picked);
