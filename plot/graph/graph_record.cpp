#include "plot/graph/graph_record.h"

#include "core/util/text_helpers.h"
#include "platform/colour.h"
#include "plot/graph/picture_canvas.h"
#include "plot/plot_data_reader.h"

namespace {

constexpr int32_t kBlack = rgbColour(0, 0, 0);
constexpr int32_t kRed = rgbColour(255, 0, 0);
constexpr int32_t kBlue = rgbColour(0, 0, 255);
constexpr int32_t kGridGrey = rgbColour(208, 208, 208);

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
  static constexpr int32_t kColours[8] = {kRed,
                                          rgbColour(0, 255, 0),
                                          kBlue,
                                          rgbColour(255, 255, 0),
                                          rgbColour(255, 0, 255),
                                          rgbColour(0, 255, 255),
                                          kBlack,
                                          rgbColour(255, 128, 0)};
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

void addGraphAxis(int16_t& index, int16_t layer, int16_t position, int16_t padUnits, int16_t axisFlags,
                  double minValue, double maxValue, int32_t colour, graphRecord& graph) {
  graphAxisRecord a;
  a.layer = layer;
  a.position = position;
  a.padUnits = padUnits;
  a.axisFlags = axisFlags;
  a.scale = 1.0;
  a.maxValue = maxValue;
  a.minValue = minValue;
  a.mark1 = minValue + (maxValue - minValue) * 3 / 4;
  a.mark2 = minValue + (maxValue - minValue) / 4;
  a.homeMin = a.limitMin = minValue;
  a.homeMax = a.limitMax = maxValue;
  a.bandColours = {kRed, rgbColour(0, 255, 0), kBlue, rgbColour(255, 0, 255), rgbColour(255, 128, 128),
                   rgbColour(128, 128, 255)};
  if (colour != -1) a.bandColours.fill(colour);
  putItem(graph.axes, index, a);
}

void addGridLines(int16_t& index, int16_t layer, int16_t padUnits, int16_t divisions, double start, double step,
                  double end, int32_t colour, graphAxisRecord& axis) {
  putItem(axis.gridLines, index, axisGridRecord{layer, 1, padUnits, divisions, start, end, step, colour});
}

void addTickMarks(int16_t& index, int16_t layer, int16_t, int16_t divisions, double start, double step, double end,
                  int32_t colour, graphAxisRecord& axis) {
  putItem(axis.ticks, index, axisTickRecord{layer, 1, 0, 10, divisions, start, end, step, colour});
}

void setAxisFormat(int16_t& index, int16_t layer, int16_t, int16_t divisions, double start, double step,
                   double end, const QString& format, int32_t colour, graphAxisRecord& axis) {
  axisLabelRecord l;
  l.layer = layer;
  l.labelGap = 15.0f;
  l.divisions = divisions;
  l.start = start;
  l.end = end;
  l.step = step;
  if (!format.isEmpty())
    l.numberFormat = format;
  else if (axis.minValue >= 0 && axis.maxValue >= 0)
    l.numberFormat = QStringLiteral("#,0.###");
  else
    l.numberFormat = QStringLiteral("+#,0.###;-#,0.###;0");
  l.labelFactor = 1.0;
  l.colours = {kRed, kBlack, kBlue};
  if (colour != -1) l.colours.fill(colour);
  putItem(axis.labels, index, l);
}

void addSignItem(int16_t& index, int16_t layer, int16_t sign, int32_t colour, graphAxisRecord& axis) {
  if (colour == -1) colour = sign == kSignMark1 ? kRed : sign == kSignMark2 ? kBlue : kBlack;
  putItem(axis.signItems, index, axisSignRecord{layer, sign, 1, colour});
}

void addXAxis(int16_t& index, int16_t padUnits, double minValue, double maxValue, double gridStep,
              int32_t gridColour, double tickStep, int32_t tickColour, double labelStep, int16_t, int16_t,
              graphRecord& graph) {
  addGraphAxis(index, 3, kAxisBottom, padUnits, 0, minValue, maxValue, -1, graph);
  if (index < 1) return;
  graphAxisRecord& a = graph.axes[index];
  int16_t k = 0;
  if (gridStep != 0)
    addGridLines(k = 0, 1, padUnits, 0, setStart(padUnits, gridStep, minValue), gridStep, maxValue, gridColour, a);
  if (tickStep != 0)
    addTickMarks(k = 0, 3, 0, 0, setStart(padUnits, tickStep, minValue), tickStep, maxValue, tickColour, a);
  if (labelStep != 0)
    setAxisFormat(k = 0, 3, 0, 0, setStart(padUnits, labelStep, minValue), labelStep, maxValue, QString(), -1, a);
}

void addYAxis(int16_t& index, float minValue, float maxValue, int16_t gridDivisions, int32_t gridColour,
              int16_t tickDivisions, int32_t tickColour, int16_t labelDivisions, int16_t signItems,
              int32_t signColour, graphRecord& graph) {
  addGraphAxis(index, 3, kAxisLeft, 0, 0, minValue, maxValue, -1, graph);
  if (index < 1) return;
  graphAxisRecord& a = graph.axes[index];
  int16_t k = 0;
  if (gridDivisions > 0) addGridLines(k = 0, 1, 0, gridDivisions, 0, 0, 0, gridColour, a);
  if (tickDivisions > 0) addTickMarks(k = 0, 3, 0, tickDivisions, 0, 0, 0, tickColour, a);
  if (labelDivisions > 0) setAxisFormat(k = 0, 3, 0, labelDivisions, 0, 0, 0, QString(), -1, a);
  if (signItems != 0) {
    addSignItem(k = 0, 4, kSignReference, signColour, a);
    addSignItem(k = 0, 2, kSignMark1, signColour, a);
    addSignItem(k = 0, 2, kSignMark2, signColour, a);
  }
}

void buildGraphAxes(int16_t graphKind, int16_t padUnits, double xMin, double xMax, double xStep,
                    int32_t gridColour, float yMin, float yMax, int16_t yGridDivisions, int16_t yTickDivisions,
                    int16_t signItems, int32_t signColour, float y2Min, float y2Max, const QString& title,
                    graphRecord& graph) {
  const bool leftRange = yMin != yMax, rightRange = y2Min != y2Max;
  const int16_t leftGrid = leftRange ? yGridDivisions : 0;
  const int16_t leftTicks = leftRange ? yTickDivisions : 0;
  const int16_t rightTicks = rightRange ? yTickDivisions : 0;
  const int16_t rightGrid = rightRange && leftGrid == 0 ? yGridDivisions : 0;

  initGraphRec(graphKind, 0.1f, 4, 0, title, graph);
  graph.marginBottom = 0.2f;
  int16_t i = 1;
  addXAxis(i = 1, padUnits, xMin, xMax, xStep, gridColour, xStep, kBlack, xStep, 0, 0, graph);
  addYAxis(i = 2, yMin, yMax, leftGrid, gridColour, leftTicks, kBlack, leftTicks, signItems, signColour, graph);
  addYAxis(i = 3, y2Min, y2Max, rightGrid, kBlack, rightTicks, kBlack, rightTicks, 0, kBlack, graph);
  addXAxis(i = 4, padUnits, xMin, xMax, 0, 0, 0, 0, 0, 0, 0, graph);
  for (int a = 1; a <= 4; ++a) graph.axes[a].lineWidth = 1;
  graph.axes[3].position = kAxisRight;
  graph.axes[4].position = kAxisTop;
}

void initTimeGraph(const QString& title, int16_t seriesCount, int16_t pointKind, double xMin, double xMax,
                   double xStep, float yMin, float yMax, graphRecord& graph, const QVector<plotSeries>& plotData,
                   bool showMarks) {
  buildGraphAxes(4, 0, xMin, xMax, xStep, kGridGrey, yMin, yMax, 8, 8, 0, kBlack, yMin, yMax, title, graph);
  graph.clipLayer = 2;
  for (int16_t n = 1; n <= seriesCount; ++n) {
    // A series the plot data lacks gets no points.
    const int32_t last = n < plotData.size() ? static_cast<int32_t>(plotData[n].points.size() - 1) : 0;
    int16_t i = n;
    addStdSeries(i, 2, pointKind, 0, last, 1, 2, graph, showMarks);
  }
}

void addStdSeries(int16_t& index, int16_t layer, int16_t pointKind, int16_t seriesStyle, int32_t lastPoint,
                  int16_t xAxis, int16_t yAxis, graphRecord& graph, bool showMarks) {
  const bool existing = index > 0 && index < graph.series.size();
  seriesDefRecord* s = putItem(graph.series, index, existing ? graph.series[0] : seriesDefRecord{});
  if (!s) return;
  const int32_t colour = seriesColour(index);
  s->layer = layer;
  s->barKind = 0;
  s->pointKind = pointKind;
  s->seriesStyle = seriesStyle;
  s->penWidth = index <= 8 ? 2.0f : 1.0f;
  s->penMode = kDrawModeCopyPen;
  s->penStyle = kDrawStyleSolid;
  s->markPenWidth = 1;
  s->markShape = showMarks ? 1 : -1;
  s->markSize = 3.0f;
  s->markLineColour = s->markFillColour = s->curveColour = colour;
  s->markFillStyle = kFillSolid;
  s->yAxis = yAxis;
  s->xAxis = xAxis;
  s->firstPoint = 1;
  s->lastPoint = s->pointCount = lastPoint;
}

void addGraphSeries(int16_t& index, int16_t layer, int16_t seriesStyle, int16_t seriesOption, int16_t xAxis,
                    int16_t yAxis, const QVector<int16_t>& indexList, graphRecord& graph) {
  const bool existing = index > 0 && index < graph.series.size();
  seriesDefRecord* s = putItem(graph.series, index, existing ? graph.series[0] : seriesDefRecord{});
  if (!s) return;
  s->layer = layer;
  s->barKind = -1;
  s->pointKind = kPointsIndexList;
  s->seriesStyle = seriesStyle;
  s->seriesOption = seriesOption;
  s->barWidth = 1.0f;
  s->barColour = s->barColour2 = -1;
  s->penWidth = 1.0f;
  s->penMode = kDrawModeCopyPen;
  s->penStyle = kDrawStyleSolid;
  s->markStyle = 0;
  s->yAxis = yAxis;
  s->xAxis = xAxis;
  s->firstPoint = 1;
  const int32_t entries = indexList.isEmpty() ? 0 : static_cast<int32_t>(indexList.size() - 1);
  s->lastPoint = s->pointCount = entries;
  s->indexList = indexList.isEmpty() ? QVector<int16_t>(1) : indexList;
}

void initGraphDef(const QString& title, double xMax, double xStep, double factor, double offset,
                  const QVector<int16_t>& channelIndex, graphRecord& graph) {
  buildGraphAxes(4, -1, 1.0, xMax, xStep, kGridGrey, -2.0f, 2.0f, 8, 8, 1, -1, -2.0f, 2.0f, title, graph);
  graphAxisRecord& y = graph.axes[2];
  graphAxisRecord& y2 = graph.axes[3];
  if (y.labels.size() > 1) y.labels[1].labelFactor = factor;
  int16_t k = 0;
  addGraphSeries(k, 2, 3, -1, 1, 2, channelIndex, graph);
  if (y2.labels.size() > 1) {
    y2.labels[1].labelFactor = factor;
    y2.labels[1].labelOffset = offset;
  }
  y.limitMin = y2.limitMin = -256;
  y.limitMax = y2.limitMax = 256;
  k = 0;
  setAxisFormat(k, 3, 0, 8, 0, 0, 0, QString(), -1, y);
  if (y.labels.size() > 1) y.labels[k] = y.labels[1];
  y.labels[k].labelGap = 60.0f;
  graph.marginLeft = graph.marginRight = 0.15f;
  y.labels[k].labelFactor = factor;
  y.labels[k].labelOffset = offset;
  if (y2.labels.size() > 1) y2.labels[1].layer = 0;
  if (y2.ticks.size() > 1) y2.ticks[1].layer = 0;
}

void initGraphDefWithFormat(const QString& title, double xMax, double xStep, double factor, double offset,
                            int16_t, int16_t, double axisMax, const QVector<int16_t>& channelIndex,
                            graphRecord& graph) {
  initGraphDef(title, xMax, xStep, factor, offset, channelIndex, graph);
  graphAxisRecord& y = graph.axes[2];
  y.mark1 = 1.0;
  y.maxValue = y.homeMax = axisMax;
  y.origin = offset;
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
    l.labelFactor = factor;
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
