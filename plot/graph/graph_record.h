#pragma once
// The graph definition: header, free texts, axes (each with grid lines, tick
// marks, number labels and sign items) and series. Plain value records:
// copying a graphRecord copies everything.
//
// Every list keeps an element 0 that is never drawn; real items start at 1.
// The adders take the index by reference: 0 appends and hands the new index
// back, an index above the last enlarges the list, an existing index is
// overwritten.

#include <QString>
#include <QVector>
#include <array>
#include <cstdint>

#include "plot/graph/scale_map.h"

struct plotSeries;

struct graphTextRecord {
  int16_t layer = 0;
  QString text;  // lines separated by CR LF
  int32_t colour = 0;
  float posY = 0;    // centre, share of the picture height from the top
  float posX = 0.5;  // centre, share of the picture width from the left
  QString fontSpec;  // empty = the graph's
};

struct axisGridRecord {
  int16_t layer = 0;
  int16_t lineWidthPx = 0;
  int16_t padUnits = 0;
  int16_t divisions = 0;  // 0 = use step
  double start = 0;
  double end = 0;
  double step = 0;
  int32_t colour = 0;
};

struct axisTickRecord {
  int16_t layer = 0;
  int16_t lineWidthPx = 0;
  int16_t shiftUnits = 0;
  int16_t tickLength = 0;  // pixels
  int16_t divisions = 0;
  double start = 0;
  double end = 0;
  double step = 0;
  int32_t colour = 0;
};

struct axisLabelRecord {
  int16_t layer = 0;
  int16_t shiftUnits = 0;
  float labelGap = 0;      // pixels from the plot rectangle
  float labelShiftPx = 0;  // pixels along the axis
  int16_t divisions = 0;
  double start = 0;
  double end = 0;
  double step = 0;
  QString numberFormat;  // empty = not drawn
  double labelOffset = 0;
  double labelFactor = 0;
  // For values at or above mark1, between the marks, at or below mark2.
  std::array<int32_t, 3> colours{};
  QString labelFont;  // empty = the graph's
};

// Which axis value a sign item marks.
enum : int16_t { kSignMin = -2, kSignMark2 = -1, kSignReference = 0, kSignMark1 = 1, kSignMax = 2 };

struct axisSignRecord {
  int16_t layer = 0;
  int16_t sign = 0;
  int16_t lineWidthPx = 0;
  int32_t colour = 0;
};

// Axis positions: 0 top, 1 bottom (horizontal); 2 left, 3 right (vertical).
enum : int16_t { kAxisTop = 0, kAxisBottom = 1, kAxisLeft = 2, kAxisRight = 3 };

struct graphAxisRecord {
  int16_t layer = 0;
  int16_t position = 0;
  int16_t padUnits = 0;
  int16_t axisFlags = 0;  // -1 = whole-number axis
  int16_t valueKind = 0;  // X of a kind-1 series: 0 point number, 1 recordNr, 2 recTime
  int16_t lineWidth = 0;
  int32_t axisLineColour = 0;
  double scale = 0;
  double offset = 0;
  double maxValue = 0;
  double mark1 = 0;
  double referenceValue = 0;
  double mark2 = 0;
  double minValue = 0;
  double origin = 0;
  double homeMin = 0, homeMax = 0;
  double limitMin = 0, limitMax = 0;
  double drawnMin = 0, drawnMax = 0;
  std::array<int32_t, 6> bandColours{};
  QVector<axisGridRecord> gridLines{1};
  QVector<axisTickRecord> ticks{1};
  QVector<axisLabelRecord> labels{1};
  QVector<axisSignRecord> signItems{1};

  bool horizontal() const { return position == kAxisTop || position == kAxisBottom; }
  ScaleMap map() const { return {origin, scale, offset}; }
  void setMap(const ScaleMap& m) {
    origin = m.origin;
    scale = m.scale;
    offset = m.offset;
  }
};

// Point kinds of a series.
enum : int16_t { kPointsIndexList = 0, kPointsOverTime = 1, kPointsOverNumber = 2 };

struct seriesDefRecord {
  int16_t layer = 0;
  int16_t barKind = 0;
  int16_t pointKind = 0;
  int16_t seriesStyle = 0;
  int16_t xOrder = 0;  // -1 falling X along the points, else rising
  int16_t seriesOption = 0;
  float barWidth = 0;
  int32_t barColour = 0;
  int32_t barColour2 = 0;
  float penWidth = 0;  // pixels; 0 or less = no curve
  int16_t penMode = 0;
  int16_t penStyle = 0;
  int16_t markStyle = 0;
  int16_t lineStyle = 0;  // 0 straight, 1 steps, 2 outlined columns, 3 filled columns
  int16_t markPenWidth = 0;
  int16_t markShape = 0;  // 1 circle, 2 square, 0 or less none
  float markSize = 0;
  int32_t markLineColour = 0;
  int16_t markFillStyle = 0;
  int32_t markFillColour = 0;
  int16_t yAxis = 0;
  int16_t xAxis = 0;
  int32_t firstPoint = 0;
  int32_t lastPoint = 0;
  int32_t curveColour = 0;
  int32_t pointCount = 0;
  QVector<int16_t> indexList;
};

struct graphRecord {
  int16_t graphKind = 0;  // 4 = the standard time chart
  int16_t layerCount = 0;
  int16_t selSerie = 0;
  int32_t selPoint = 0;
  float selX = 0, selY = 0;
  int16_t selSer1 = 0;  // the anchor of the stretch the left button drags (0: no drag)
  int32_t selPnt1 = 0;
  float selX1 = 0, selY1 = 0;
  // After the drag: the series on which selPnt1 still starts the selected stretch (0: none).
  int16_t stretchSer = 0;
  int16_t lastAflg = 0, lastKeyCode = 0, lastShift = 0, lastButton = 0;
  float lastXMouse = 0, lastYMouse = 0;
  int16_t clipLayer = 0;
  QVector<graphTextRecord> texts{1};
  QVector<graphAxisRecord> axes{1};
  QVector<seriesDefRecord> series{1};
  float marginLeft = 0, marginRight = 0, marginTop = 0, marginBottom = 0;
  float plotLeft = 0, plotRight = 0, plotTop = 0, plotBottom = 0;
  int16_t frame3D = 0;
  int32_t plotBackColour = -1;
  QString fontSpec;
  float pickRadius = 0;
  float unitsPerPixelX = 0, unitsPerPixelY = 0;
};

// Builders. Each takes what it sets as one small record of options.

void initGraphRec(int16_t graphKind, float margin, int16_t layerCount, int16_t clipLayer, const QString& title,
                  graphRecord& graph);

struct AxisOptions {
  int16_t layer = 0;
  int16_t position = kAxisBottom;
  int16_t padUnits = 0;
  int16_t axisFlags = 0;  // -1 = whole-number axis
  double minValue = 0, maxValue = 0;
  int32_t colour = -1;  // every band colour; -1 = the standard colours
};
void addGraphAxis(int16_t& index, const AxisOptions& axis, graphRecord& graph);

// One set of grid lines, tick marks or number labels of an axis: `divisions`
// parts of the shown range, or (divisions 0) from start by step to end.
struct AxisSetOptions {
  int16_t layer = 0;
  int16_t divisions = 0;
  double start = 0, step = 0, end = 0;
  int32_t colour = 0;  // labels: -1 = the standard colours
};
void addGridLines(int16_t& index, const AxisSetOptions& set, int16_t padUnits, graphAxisRecord& axis);
void addTickMarks(int16_t& index, const AxisSetOptions& set, graphAxisRecord& axis);
// An empty format takes "#,0.###", or with negative values "+#,0.###;-#,0.###;0".
void setAxisFormat(int16_t& index, const AxisSetOptions& set, const QString& format, graphAxisRecord& axis);
void addSignItem(int16_t& index, int16_t layer, int16_t sign, int32_t colour, graphAxisRecord& axis);

// The X axis with grid lines, ticks and labels at their steps (0: none of that set).
struct XAxisOptions {
  int16_t padUnits = 0;
  double minValue = 0, maxValue = 0;
  double gridStep = 0;
  int32_t gridColour = 0;
  double tickStep = 0;
  int32_t tickColour = 0;
  double labelStep = 0;
};
void addXAxis(int16_t& index, const XAxisOptions& x, graphRecord& graph);

// A value axis with grid lines, ticks and labels in divisions (0: none of that set).
struct YAxisOptions {
  float minValue = 0, maxValue = 0;
  int16_t gridDivisions = 0;
  int32_t gridColour = 0;
  int16_t tickDivisions = 0;
  int32_t tickColour = 0;
  int16_t labelDivisions = 0;
  bool signItems = false;  // the reference line and both marks
  int32_t signColour = -1;
};
void addYAxis(int16_t& index, const YAxisOptions& y, graphRecord& graph);

// The four axes of a chart: time below and above, values left and right.
struct GraphAxesOptions {
  int16_t graphKind = 4;
  int16_t padUnits = 0;
  double xMin = 0, xMax = 0, xStep = 0;
  int32_t gridColour = 0;
  float yMin = 0, yMax = 0;  // the left axis; no sets when equal
  int16_t yGridDivisions = 0, yTickDivisions = 0;
  bool signItems = false;
  int32_t signColour = -1;
  float y2Min = 0, y2Max = 0;  // the right axis; no sets when equal
  QString title;
};
void buildGraphAxes(const GraphAxesOptions& axes, graphRecord& graph);

// The standard time chart, one series per plot-data series 1..seriesCount.
struct TimeGraphOptions {
  QString title;
  int16_t seriesCount = 0;
  int16_t pointKind = kPointsOverTime;
  double xMin = 0, xMax = 0, xStep = 0;
  float yMin = 0, yMax = 0;
  bool showMarks = false;  // round point marks (the advanced-functions setting)
};
void initTimeGraph(const TimeGraphOptions& time, const QVector<plotSeries>& plotData, graphRecord& graph);

struct SeriesOptions {
  int16_t layer = 0;
  int16_t pointKind = kPointsOverTime;
  int16_t seriesStyle = 0;
  int32_t lastPoint = 0;
  int16_t xAxis = 1, yAxis = 2;
  bool showMarks = false;
};
void addStdSeries(int16_t& index, const SeriesOptions& series, graphRecord& graph);
// A series over an index list (entry 0 unused).
struct IndexSeriesOptions {
  int16_t layer = 0;
  int16_t seriesStyle = 0;
  int16_t seriesOption = 0;
  int16_t xAxis = 1, yAxis = 2;
  QVector<int16_t> indexList;
};
void addGraphSeries(int16_t& index, const IndexSeriesOptions& series, graphRecord& graph);
int32_t seriesColour(int n);

// The record-plot graph over a channel index list (entry 0 unused): values
// labelled as value x factor + offset.
struct RecordGraphOptions {
  QString title;
  double xMax = 0, xStep = 0;
  double factor = 1, offset = 0;
  double axisMax = 0;  // the variant with the formatted value axis: its maximum
};
void initGraphDef(const RecordGraphOptions& record, const QVector<int16_t>& channelIndex, graphRecord& graph);
void initGraphDefWithFormat(const RecordGraphOptions& record, const QVector<int16_t>& channelIndex,
                            graphRecord& graph);

class PictureCanvas;
// Prints the lines of a text, each starting at x, the first at y.
void printTextAt(const QString& text, double y, double x, PictureCanvas& picture);
