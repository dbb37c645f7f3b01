#include "plot/graph/graph_record.h"

#include "core/util/text_helpers.h"
#include "platform/named_colours.h"
#include "plot/graph/picture_canvas.h"
#include "plot/plot_data_reader.h"

namespace {

// The element-0 rule: 0 appends, an index past the end enlarges the list,
// an existing index is overwritten. Hands back the item to fill in, or
// nullptr for a negative index (the caller's error; nothing changes).
template <class T>
T* putItem(QVector<T>& list, int16_t& index, const T& fresh) {
  if (index < 0) return nullptr;
  if (index == 0) index = static_cast<int16_t>(list.size());
  if (index >= list.size()) list.resize(index + 1);
  list[index] = fresh;
  return &list[index];
}

// Where a set starts: at its own step on a padded axis, else at the axis minimum.
double setStart(int16_t padUnits, double step, double minValue) { return padUnits != 0 ? step : minValue; }

}  // namespace

int32_t seriesColour(int n) {
  static constexpr int32_t kColours[8] = {kRed,     kGreen, kBlue,  kYellow,
                                          kMagenta, kCyan,  kBlack, rgbColour(255, 128, 0)};
  return kColours[(n - 1) & 7];
}

void initGraphRec(int16_t graphKind, float margin, int16_t layerCount, int16_t clipLayer, const QString& title,
                  graphRecord& graph) {
  graph.graphKind = graphKind;
  graph.layerCount = layerCount;
  graph.clipLayer = clipLayer;
  graph.marginLeft = graph.marginRight = graph.marginTop = graph.marginBottom = margin;
  graph.frame3D = 0;
  graph.plotBackColour = -1;
  graph.texts = QVector<graphTextRecord>(1);
  if (!title.isEmpty()) {
    graphTextRecord t;
    t.layer = layerCount;
    t.text = title;
    graph.texts.append(t);
  }
  graph.axes = QVector<graphAxisRecord>(1);
  graph.series = QVector<seriesDefRecord>(1);
}

void addGraphAxis(int16_t& index, const AxisOptions& o, graphRecord& graph) {
  graphAxisRecord a;
  a.layer = o.layer;
  a.position = o.position;
  a.padUnits = o.padUnits;
  a.axisFlags = o.axisFlags;
  a.scale = 1.0;
  a.maxValue = o.maxValue;
  a.minValue = o.minValue;
  a.mark1 = o.minValue + (o.maxValue - o.minValue) * 3 / 4;
  a.mark2 = o.minValue + (o.maxValue - o.minValue) / 4;
  a.homeMin = a.limitMin = o.minValue;
  a.homeMax = a.limitMax = o.maxValue;
  a.bandColours = {kRed, kGreen, kBlue, kMagenta, rgbColour(255, 128, 128), rgbColour(128, 128, 255)};
  if (o.colour != -1) a.bandColours.fill(o.colour);
  putItem(graph.axes, index, a);
}

void addGridLines(int16_t& index, const AxisSetOptions& set, int16_t padUnits, graphAxisRecord& axis) {
  putItem(axis.gridLines, index,
          axisGridRecord{.layer = set.layer,
                         .lineWidthPx = 1,
                         .padUnits = padUnits,
                         .divisions = set.divisions,
                         .start = set.start,
                         .end = set.end,
                         .step = set.step,
                         .colour = set.colour});
}

void addTickMarks(int16_t& index, const AxisSetOptions& set, graphAxisRecord& axis) {
  putItem(axis.ticks, index,
          axisTickRecord{.layer = set.layer,
                         .lineWidthPx = 1,
                         .tickLength = 10,
                         .divisions = set.divisions,
                         .start = set.start,
                         .end = set.end,
                         .step = set.step,
                         .colour = set.colour});
}

void setAxisFormat(int16_t& index, const AxisSetOptions& set, const QString& format, graphAxisRecord& axis) {
  axisLabelRecord l;
  l.layer = set.layer;
  l.labelGap = 15.0f;
  l.divisions = set.divisions;
  l.start = set.start;
  l.end = set.end;
  l.step = set.step;
  if (!format.isEmpty())
    l.numberFormat = format;
  else if (axis.minValue >= 0 && axis.maxValue >= 0)
    l.numberFormat = QStringLiteral("#,0.###");
  else
    l.numberFormat = QStringLiteral("+#,0.###;-#,0.###;0");
  l.labelFactor = 1.0;
  l.colours = {kRed, kBlack, kBlue};
  if (set.colour != -1) l.colours.fill(set.colour);
  putItem(axis.labels, index, l);
}

void addSignItem(int16_t& index, int16_t layer, int16_t sign, int32_t colour, graphAxisRecord& axis) {
  if (colour == -1) colour = sign == kSignMark1 ? kRed : sign == kSignMark2 ? kBlue : kBlack;
  putItem(axis.signItems, index,
          axisSignRecord{.layer = layer, .sign = sign, .lineWidthPx = 1, .colour = colour});
}

void addXAxis(int16_t& index, const XAxisOptions& x, graphRecord& graph) {
  addGraphAxis(index, {.layer = 3, .position = kAxisBottom, .padUnits = x.padUnits, .minValue = x.minValue,
                       .maxValue = x.maxValue},
               graph);
  if (index < 1) return;
  graphAxisRecord& a = graph.axes[index];
  // Each set starts at its own step on a padded axis, else at the axis minimum.
  const auto from = [&x](double step) { return setStart(x.padUnits, step, x.minValue); };
  int16_t k = 0;
  const auto stepped = [&](int16_t layer, double step, int32_t colour) {
    return AxisSetOptions{.layer = layer, .start = from(step), .step = step, .end = x.maxValue, .colour = colour};
  };
  if (x.gridStep != 0) addGridLines(k = 0, stepped(1, x.gridStep, x.gridColour), x.padUnits, a);
  if (x.tickStep != 0) addTickMarks(k = 0, stepped(3, x.tickStep, x.tickColour), a);
  if (x.labelStep != 0) setAxisFormat(k = 0, stepped(3, x.labelStep, -1), QString(), a);
}

void addYAxis(int16_t& index, const YAxisOptions& y, graphRecord& graph) {
  addGraphAxis(index, {.layer = 3, .position = kAxisLeft, .minValue = y.minValue, .maxValue = y.maxValue}, graph);
  if (index < 1) return;
  graphAxisRecord& a = graph.axes[index];
  int16_t k = 0;
  const auto divided = [](int16_t layer, int16_t divisions, int32_t colour) {
    return AxisSetOptions{.layer = layer, .divisions = divisions, .colour = colour};
  };
  if (y.gridDivisions > 0) addGridLines(k = 0, divided(1, y.gridDivisions, y.gridColour), 0, a);
  if (y.tickDivisions > 0) addTickMarks(k = 0, divided(3, y.tickDivisions, y.tickColour), a);
  if (y.labelDivisions > 0) setAxisFormat(k = 0, divided(3, y.labelDivisions, -1), QString(), a);
  if (y.signItems) {
    addSignItem(k = 0, 4, kSignReference, y.signColour, a);
    addSignItem(k = 0, 2, kSignMark1, y.signColour, a);
    addSignItem(k = 0, 2, kSignMark2, y.signColour, a);
  }
}

void buildGraphAxes(const GraphAxesOptions& o, graphRecord& graph) {
  const bool leftRange = o.yMin != o.yMax, rightRange = o.y2Min != o.y2Max;
  const int16_t leftGrid = leftRange ? o.yGridDivisions : 0;
  const int16_t leftTicks = leftRange ? o.yTickDivisions : 0;
  const int16_t rightTicks = rightRange ? o.yTickDivisions : 0;
  const int16_t rightGrid = rightRange && leftGrid == 0 ? o.yGridDivisions : 0;

  initGraphRec(o.graphKind, 0.1f, 4, 0, o.title, graph);
  graph.marginBottom = 0.2f;
  int16_t i = 1;
  addXAxis(i = 1,
           {.padUnits = o.padUnits, .minValue = o.xMin, .maxValue = o.xMax, .gridStep = o.xStep,
            .gridColour = o.gridColour, .tickStep = o.xStep, .tickColour = kBlack, .labelStep = o.xStep},
           graph);
  addYAxis(i = 2,
           {.minValue = o.yMin, .maxValue = o.yMax, .gridDivisions = leftGrid, .gridColour = o.gridColour,
            .tickDivisions = leftTicks, .tickColour = kBlack, .labelDivisions = leftTicks, .signItems = o.signItems,
            .signColour = o.signColour},
           graph);
  addYAxis(i = 3,
           {.minValue = o.y2Min, .maxValue = o.y2Max, .gridDivisions = rightGrid, .gridColour = kBlack,
            .tickDivisions = rightTicks, .tickColour = kBlack, .labelDivisions = rightTicks, .signColour = kBlack},
           graph);
  addXAxis(i = 4, {.padUnits = o.padUnits, .minValue = o.xMin, .maxValue = o.xMax}, graph);
  for (int a = 1; a <= 4; ++a) graph.axes[a].lineWidth = 1;
  graph.axes[3].position = kAxisRight;
  graph.axes[4].position = kAxisTop;
}

void initTimeGraph(const TimeGraphOptions& t, const QVector<plotSeries>& plotData, graphRecord& graph) {
  GraphAxesOptions axes;
  axes.xMin = t.xMin;
  axes.xMax = t.xMax;
  axes.xStep = t.xStep;
  axes.gridColour = kGridGrey;
  axes.yMin = axes.y2Min = t.yMin;
  axes.yMax = axes.y2Max = t.yMax;
  axes.yGridDivisions = axes.yTickDivisions = 8;
  axes.signColour = kBlack;
  axes.title = t.title;
  buildGraphAxes(axes, graph);
  graph.clipLayer = 2;
  for (int16_t n = 1; n <= t.seriesCount; ++n) {
    // A series the plot data lacks gets no points.
    const int32_t last = n < plotData.size() ? static_cast<int32_t>(plotData[n].points.size() - 1) : 0;
    int16_t i = n;
    addStdSeries(i, {.layer = 2, .pointKind = t.pointKind, .lastPoint = last, .showMarks = t.showMarks}, graph);
  }
}

void addStdSeries(int16_t& index, const SeriesOptions& o, graphRecord& graph) {
  const bool existing = index > 0 && index < graph.series.size();
  seriesDefRecord* s = putItem(graph.series, index, existing ? graph.series[0] : seriesDefRecord{});
  if (!s) return;
  const int32_t colour = seriesColour(index);
  s->layer = o.layer;
  s->barKind = 0;
  s->pointKind = o.pointKind;
  s->seriesStyle = o.seriesStyle;
  s->penWidth = index <= 8 ? 2.0f : 1.0f;
  s->penMode = kDrawModeCopyPen;
  s->penStyle = kDrawStyleSolid;
  s->markPenWidth = 1;
  s->markShape = o.showMarks ? 1 : -1;
  s->markSize = 3.0f;
  s->markLineColour = s->markFillColour = s->curveColour = colour;
  s->markFillStyle = kFillSolid;
  s->yAxis = o.yAxis;
  s->xAxis = o.xAxis;
  s->firstPoint = 1;
  s->lastPoint = s->pointCount = o.lastPoint;
}

void addGraphSeries(int16_t& index, const IndexSeriesOptions& o, graphRecord& graph) {
  const bool existing = index > 0 && index < graph.series.size();
  seriesDefRecord* s = putItem(graph.series, index, existing ? graph.series[0] : seriesDefRecord{});
  if (!s) return;
  s->layer = o.layer;
  s->barKind = -1;
  s->pointKind = kPointsIndexList;
  s->seriesStyle = o.seriesStyle;
  s->seriesOption = o.seriesOption;
  s->barWidth = 1.0f;
  s->barColour = s->barColour2 = -1;
  s->penWidth = 1.0f;
  s->penMode = kDrawModeCopyPen;
  s->penStyle = kDrawStyleSolid;
  s->markStyle = 0;
  s->yAxis = o.yAxis;
  s->xAxis = o.xAxis;
  s->firstPoint = 1;
  const int32_t entries = o.indexList.isEmpty() ? 0 : static_cast<int32_t>(o.indexList.size() - 1);
  s->lastPoint = s->pointCount = entries;
  s->indexList = o.indexList.isEmpty() ? QVector<int16_t>(1) : o.indexList;
}

void initGraphDef(const RecordGraphOptions& r, const QVector<int16_t>& channelIndex, graphRecord& graph) {
  GraphAxesOptions axes;
  axes.padUnits = -1;
  axes.xMin = 1.0;
  axes.xMax = r.xMax;
  axes.xStep = r.xStep;
  axes.gridColour = kGridGrey;
  axes.yMin = axes.y2Min = -2.0f;
  axes.yMax = axes.y2Max = 2.0f;
  axes.yGridDivisions = axes.yTickDivisions = 8;
  axes.signItems = true;
  axes.title = r.title;
  buildGraphAxes(axes, graph);
  graphAxisRecord& y = graph.axes[2];
  graphAxisRecord& y2 = graph.axes[3];
  if (y.labels.size() > 1) y.labels[1].labelFactor = r.factor;
  int16_t k = 0;
  addGraphSeries(k, {.layer = 2, .seriesStyle = 3, .seriesOption = -1, .indexList = channelIndex}, graph);
  if (y2.labels.size() > 1) {
    y2.labels[1].labelFactor = r.factor;
    y2.labels[1].labelOffset = r.offset;
  }
  y.limitMin = y2.limitMin = -256;
  y.limitMax = y2.limitMax = 256;
  k = 0;
  setAxisFormat(k, {.layer = 3, .divisions = 8, .colour = -1}, QString(), y);
  if (y.labels.size() > 1) y.labels[k] = y.labels[1];
  y.labels[k].labelGap = 60.0f;
  graph.marginLeft = graph.marginRight = 0.15f;
  y.labels[k].labelFactor = r.factor;
  y.labels[k].labelOffset = r.offset;
  if (y2.labels.size() > 1) y2.labels[1].layer = 0;
  if (y2.ticks.size() > 1) y2.ticks[1].layer = 0;
}

void initGraphDefWithFormat(const RecordGraphOptions& r, const QVector<int16_t>& channelIndex,
                            graphRecord& graph) {
  initGraphDef(r, channelIndex, graph);
  graphAxisRecord& y = graph.axes[2];
  y.mark1 = 1.0;
  y.maxValue = y.homeMax = r.axisMax;
  y.origin = r.offset;
  y.minValue = y.homeMin = -2.0;
  y.mark2 = -1.0;
  y.limitMin = -10000.0;
  y.limitMax = 10000.0;
  if (y.labels.size() > 1) {
    axisLabelRecord& l = y.labels[1];
    l.layer = 1;
    l.divisions = 4;
    l.numberFormat = QStringLiteral("+0.00;-0.00;0.00");
    l.labelGap = 15.0f;
    l.labelOffset = 0;
    l.labelFactor = r.factor;
    l.colours = {kRed, kBlack, kBlue};
  }
  graph.axes[3].layer = 0;
}

void printTextAt(const QString& text, double y, double x, PictureCanvas& picture) {
  picture.setCurrentY(y);
  QString rest = text;
  do {
    const QString line = splitFirstLine(rest);
    picture.setCurrentX(x);
    picture.print(line);
  } while (!rest.isEmpty());
}
