#pragma once
// Values of series points and where they lie on the series' axes, read from
// the graph's plot data (`data`, numbered like the graph's series: the chart's
// plotSeriesData), and the nearest-value search over a series' points.
//
// Apart from dataValue (0 beyond the data) and searchNearestValue (stays
// inside the points), a series, point or axis number outside its list raises
// GraphError 9 to the caller; a point number beyond 16 bits given to
// xFromIndex or indexToSingle raises GraphError 6.

#include <QString>
#include <cstdint>
#include <functional>

#include "plot/graph/graph_record.h"

struct plotSeries;
using PlotData = QVector<plotSeries>;

double getPointX(int16_t series, int32_t point, const graphRecord& graph, const PlotData& data);
float getPointY(int16_t series, int32_t point, const graphRecord& graph, const PlotData& data);

float xFromIndex(int16_t series, int32_t point, const graphRecord& graph);
float indexToSingle(int16_t series, int32_t point);
float yFromIndex(int16_t series, int32_t point, const graphRecord& graph);
float xFromLong(int16_t series, int32_t point, const graphRecord& graph);
float longToSingle(int16_t series, int32_t point);
float yFromData(int16_t series, int32_t point, const graphRecord& graph, const PlotData& data);
float dataValue(int16_t series, int32_t point, const PlotData& data);
double xFromData(int16_t series, int32_t point, const graphRecord& graph, const PlotData& data);
// kind 0 the point number, 1 its recordNr, 2 its recTime; other kinds the point number.
double seriesValue(int16_t series, int32_t point, int16_t kind, const PlotData& data);
float yFromValue(int16_t series, int32_t point, const graphRecord& graph, const PlotData& data);
float seriesValueY(int16_t series, int32_t point, const PlotData& data);

// The point of a series whose value of `kind` lies nearest the target, for
// values that run one way along the points (direction 1 rising, -1 falling);
// O(log n) reads. 0 when the series has fewer than two points. The graph is
// not read.
int32_t searchNearestValue(const graphRecord& graph, int16_t series, double target, int16_t kind,
                           int16_t direction, const PlotData& data);

// Where a graph's point labels come from: the chart that shows the graph
// hands its point-text routine to its picking (none: no labels).
using PointLabelSource = std::function<QString(int16_t series, int32_t point)>;
// The label of a point: for the time chart (graph kind 4) what `source` says,
// empty for every other kind.
QString getPointLabel(int16_t series, int32_t point, const graphRecord& graph, const PointLabelSource& source);

// True for the codes the plot-data reader writes instead of a value: "no
// value" temperatures in every series, and in power series (every type but
// temperature) the "no preceding record" and "records too close" codes.
bool isGapValue(float value, int16_t seriesType);
