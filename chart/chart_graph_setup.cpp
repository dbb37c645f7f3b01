// The graph set-up of the chart and of the web image: fetched plot data
// becomes the power and temperature time chart.
#include <algorithm>
#include <cmath>

#include "chart/chart_core.h"
#include "chart/selection_text.h"
#include "core/log/logmsg.h"
#include "core/util/format_pattern.h"
#include "core/util/text_helpers.h"
#include "platform/named_colours.h"
#include "plot/graph/font_text.h"
#include "plot/graph/picture_canvas.h"

namespace {
// A value axis's range the right way round and at least 8 wide.
void widenToEight(float& lo, float& hi) {
  if (hi < lo) vSwap(lo, hi);
  if (hi - lo < 8) {
    lo = std::floor((hi + lo) / 2 - 4);
    hi = lo + 8;
  }
}

// The range of a value axis: the set scale, else the data's; at least 8 wide.
void valueRange(float scaleMin, float scaleMax, float dataMin, float dataMax, float& lo, float& hi) {
  if (scaleMax > scaleMin) {
    lo = scaleMin;
    hi = scaleMax;
  } else {
    lo = dataMin;
    hi = dataMax;
  }
  widenToEight(lo, hi);
}

// The time axis's label format and step: the time alone within one day.
void timeFormatAndStep(Date start, Date end, QString& format, double& labelStep) {
  const Date span = end - start;
  if (std::floor(start) == std::floor(end)) {
    format = kTimeFormat;
    const double s = span > 2.0 / 24 ? 3.0 / 24 : span > 1.0 / 1440 ? 15.0 / 1440 : 0;
    labelStep = 2 * s;
  } else {
    format = kDateTimeFormat;
    labelStep = span / 4;
  }
}

QString footerText(const QString& appName) { return appName + QStringLiteral(" - recorded power and temperature"); }

void addText(graphRecord& g, const QString& text, int32_t colour, float posY, float posX,
             const QString& fontSpec = QString()) {
  graphTextRecord t{.layer = g.layerCount,
                    .text = text,
                    .colour = colour,
                    .posY = posY,
                    .posX = posX,
                    .fontSpec = fontSpec};
  g.texts.append(t);
}

template <class List>
auto* first(List& list) {
  return list.size() > 1 ? &list[1] : nullptr;
}

// What the request's series are: how many show power, temperature and the compare range,
// and the main series (the first that is not a compare range).
struct SeriesKinds {
  int count = 0;
  int power = 0, temperature = 0, compare = 0;
  int main = 0;
};

SeriesKinds classifySeries(const plotParamRecord& params) {
  SeriesKinds k;
  k.count = static_cast<int>(params.seriesInfo.size()) - 1;
  for (int i = 1; i <= k.count; ++i) {
    const seriesInfoEntry& e = params.seriesInfo[i];
    if (e.valueKind == 0 || e.valueKind == 2) ++k.power;
    if (e.valueKind == 3) ++k.temperature;
    if (e.styleCode == 4) ++k.compare;
    if (k.main == 0 && e.styleCode != 4) k.main = i;
  }
  return k;
}

// The request's title, or the energy used over the whole range after the energy's title.
QString chartTitle(const plotParamRecord& params, const QVector<plotSeries>& series, int mainSeries,
                   const ValueUnits& units) {
  if (mainSeries == 0 || series.size() <= 1) return params.title;
  const auto last = static_cast<int32_t>(series[1].points.size() - 1);
  const QString energy = makeSelectionText(mainSeries, 1, last, 1, kTextUsedEnergy, series, units);
  if (energy.isEmpty()) return params.title;
  return units.energy.title.isEmpty() ? energy : units.energy.title + u' ' + energy;
}

// The graph's own look, and each series' marks and line.
void setGraphLook(graphRecord& g, const plotParamRecord& params, int mainSeries) {
  g.fontSpec = params.fontSpec;
  g.pickRadius = 10.0f;
  g.frame3D = static_cast<int16_t>(params.displayFlags & 1);
  g.plotBackColour = params.colorC;
  for (int i = 1; i < g.series.size(); ++i) {
    g.series[i].markShape = params.showMarkers;
    g.series[i].lineStyle = static_cast<int16_t>(
        i == mainSeries && params.drawOptions > 1 ? (params.drawOptions / 2) & 3 : params.drawOptions & 1);
  }
}

// The compact style fills the picture with wide lines and no texts; the normal one has
// margins, the value captions, the date of a one-day chart and the footer.
void setStyleAndTexts(graphRecord& g, const plotParamRecord& params, const SeriesKinds& kinds,
                      const QString& title, const QString& timeFormat, const GraphLook& look) {
  if ((params.displayFlags & 2) == 2) {
    g.layerCount = 2;
    g.marginLeft = g.marginRight = g.marginTop = g.marginBottom = 0;
    for (int i = 1; i < g.series.size(); ++i) g.series[i].penWidth = 3.0f;
    return;
  }
  const valueType& vtPower = look.units.power;
  g.marginLeft = g.marginRight = 0.13f;
  if (!title.isEmpty() && g.texts.size() > 1) {
    g.texts[1].posY = 0.05f;
    g.texts[1].fontSpec = QStringLiteral("Arial, 5%, 16");
  }
  if (kinds.power > 0)
    addText(
        g,
        vtPower.title.isEmpty() ? vtPower.unit : vtPower.title + QStringLiteral(" (") + vtPower.unit + u')',
        kRed, 0.05f, 0.08f);
  if (kinds.temperature > 0) addText(g, QStringLiteral("Temp °C"), kBlue, 0.05f, 0.93f);
  if (timeFormat.size() <= 8) addText(g, formatDate(params.fromTime, kDateFormat), kBlack, 0.97f, 0.5f);
  addText(g, footerText(look.appName), kBlack, 0.98f, 0.15f, QStringLiteral(",3%,10"));
}

// The power axis: its limits and labels; without a power series neither labels nor ticks.
void setUpPowerAxis(graphAxisRecord& power, float yMin, float yMax, const valueType& vtPower, bool shown) {
  power.limitMin = 16.0 * yMin;
  power.limitMax = 16.0 * yMax;
  power.mark1 = 1000000;
  power.mark2 = -1000;
  if (axisLabelRecord* l = first(power.labels)) {
    l->numberFormat = padDecimals(QStringLiteral(" #,0.;-#0.; 0."), vtPower.decimals);
    l->labelFactor = vtPower.factor;
    l->labelOffset = vtPower.offset;
  }
  if (!shown) {
    power.labels.resize(1);
    power.ticks.resize(1);
  }
}

// The time axis runs over the request's range with the labels of its format.
void setUpTimeAxis(graphAxisRecord& time, const plotParamRecord& params, const QString& timeFormat,
                   double labelStep) {
  const Date start = params.fromTime, end = params.toTime;
  time.valueKind = 2;
  if (end == start) return;
  axisLabelRecord* l = first(time.labels);
  axisTickRecord* t = first(time.ticks);
  if (l) {
    l->numberFormat = timeFormat;
    l->step = labelStep;
  }
  if (t) t->step = labelStep;
  int16_t divisions = 0;
  if (timeFormat.size() <= 8)
    divisions = params.timeDivisions <= 6 ? params.timeDivisions : 4;
  else
    divisions = params.timeDivisions == 3 ? 3 : 2;
  if (l) l->divisions = divisions;
  if (t) t->divisions = divisions;
  time.minValue = time.homeMin = time.limitMin = time.drawnMin = start;
  time.maxValue = time.homeMax = time.limitMax = time.drawnMax = end;
}

// The grids' divisions; power drawn in the background changes layers with the grids.
void setUpGrids(graphRecord& g, const plotParamRecord& params, int mainSeries) {
  axisGridRecord* timeGrid = first(g.axes[1].gridLines);
  axisGridRecord* powerGrid = first(g.axes[2].gridLines);
  if (timeGrid) timeGrid->divisions = params.timeDivisions;
  if (powerGrid) powerGrid->divisions = params.yDivisions;
  if (mainSeries > 0 && mainSeries < g.series.size() && (g.series[mainSeries].lineStyle & 3) == 3 &&
      timeGrid && powerGrid) {
    const int16_t former = timeGrid->layer;
    timeGrid->layer = powerGrid->layer = g.series[mainSeries].layer;
    g.series[mainSeries].layer = former;
  }
}

// The temperature axis and its series in blue; without one, neither labels nor ticks.
void setUpTemperatureAxis(graphRecord& g, const plotParamRecord& params, const SeriesKinds& kinds) {
  graphAxisRecord& temp = g.axes[3];
  if (kinds.temperature == 0) {
    temp.labels.resize(1);
    temp.ticks.resize(1);
    return;
  }
  float tMin = 0, tMax = 0;
  valueRange(params.y2ScaleMin, params.y2ScaleMax, params.y2DataMin, params.y2DataMax, tMin, tMax);
  if (axisLabelRecord* l = first(temp.labels)) l->numberFormat = QStringLiteral("+#0;-#0;  0");
  temp.mark1 = 1000;
  temp.mark2 = -1000;
  temp.maxValue = temp.homeMax = tMax;
  temp.minValue = temp.homeMin = tMin;
  temp.limitMin = temp.drawnMin = -200;
  temp.limitMax = temp.drawnMax = 200;
  for (int i = 1; i <= kinds.count && i < g.series.size(); ++i) {
    if (params.seriesInfo[i].valueKind != 3) continue;
    seriesDefRecord& s = g.series[i];
    s.markLineColour = s.markFillColour = s.curveColour = kBlue;
    s.yAxis = 3;
  }
}

// The compare range: its series in green on an axis of their own, which draws no grid
// and, where the compare items ask for it ("h"), no labels.
void setUpComparison(graphRecord& g, const plotParamRecord& params, const SeriesKinds& kinds) {
  const int16_t mainAxis = kinds.main > 0 && kinds.main < g.series.size() ? g.series[kinds.main].yAxis : 2;
  for (int i = 1; i <= kinds.count && i < g.series.size(); ++i) {
    if (params.seriesInfo[i].styleCode != 4) continue;
    seriesDefRecord& s = g.series[i];
    s.xAxis = 4;
    s.yAxis = mainAxis;
    s.markLineColour = s.markFillColour = s.curveColour = kGreen;
    s.penWidth = 2.0f;
  }
  graphAxisRecord& compare = g.axes[4];
  compare.mark2 = params.compareFrom - 1;
  compare.minValue = params.compareFrom;
  compare.maxValue = params.compareTo;
  compare.mark1 = params.compareTo + 1;
  if (axisGridRecord* grid = first(compare.gridLines)) grid->layer = 0;
  if (axisLabelRecord* l = first(compare.labels)) {
    const QString items = u',' + removeBlanks(params.compareText) + u',';
    if (items.contains(QStringLiteral(",h,"), Qt::CaseInsensitive)) {
      l->layer = 0;
    } else {
      l->colours[1] = kDarkGreen;
      l->numberFormat = kCrLf + l->numberFormat;
    }
  }
}
}  // namespace

GraphLook GraphLook::of(const Settings& settings) {
  return {.units = {.power = settings.vtPower, .energy = settings.vtEnergy},
          .pointMarks = settings.advancedFunctions,
          .appName = settings.appName};
}

void initZavGraph(graphRecord& g, const plotParamRecord& params, const QVector<plotSeries>& series,
                  const GraphLook& look) {
  const SeriesKinds kinds = classifySeries(params);
  logMsg(2, QStringLiteral("Form4.initZavGraph Start"));
  const Date start = params.fromTime, end = params.toTime, span = end - start;
  QString timeFormat;
  double labelStep = 0;
  timeFormatAndStep(start, end, timeFormat, labelStep);
  float yMin = 0, yMax = 0;
  valueRange(params.y1ScaleMin, params.y1ScaleMax, params.y1DataMin, params.y1DataMax, yMin, yMax);
  const double xStep = params.timeDivisions > 0 ? span / params.timeDivisions : span;
  const QString title = chartTitle(params, series, kinds.main, look.units);

  initTimeGraph({.title = title,
                 .seriesCount = static_cast<int16_t>(kinds.count),
                 .xMin = start,
                 .xMax = end,
                 .xStep = xStep,
                 .yMin = yMin,
                 .yMax = yMax,
                 .showMarks = look.pointMarks},
                series, g);
  setGraphLook(g, params, kinds.main);
  setStyleAndTexts(g, params, kinds, title, timeFormat, look);
  if (g.axes.size() >= 5) {
    setUpPowerAxis(g.axes[2], yMin, yMax, look.units.power, kinds.power > 0);
    setUpTimeAxis(g.axes[1], params, timeFormat, labelStep);
    setUpGrids(g, params, kinds.main);
    setUpTemperatureAxis(g, params, kinds);
    if (kinds.compare > 0) setUpComparison(g, params, kinds);
  }
  logMsg(2, QStringLiteral("Form4.initZavGraph Done"));
}

void ChartCore::initXYjt(QString& title, int16_t seriesCount, Date xMin, Date xMax, double xStep,
                         int16_t xScale) {
  logMsg(2, QStringLiteral("Form4.initXYjt Start"));
  QString timeFormat;
  double labelStep = 0;
  if (xScale == kXScaleTime) timeFormatAndStep(xMin, xMax, timeFormat, labelStep);
  // With the data's own range chosen, the earlier set-up read two limits that nothing sets.
  const Settings& s = m_settings;
  const bool setRange = s.yPowerScale != 1;
  float yMin = setRange ? float(s.y1ScaleMin) : 0, yMax = setRange ? float(s.y1ScaleMax) : 0;
  float tMin = setRange ? float(s.y2ScaleMin) : 0, tMax = setRange ? float(s.y2ScaleMax) : 0;
  widenToEight(yMin, yMax);
  widenToEight(tMin, tMax);
  const bool firstBrand = s.appName == QStringLiteral("Falvor");
  title = firstBrand ? QStringLiteral("Falvor - Power over Time") : QStringLiteral("Zav - Brisolan");

  graphRecord& g = graphDef;
  initTimeGraph({.title = title, .seriesCount = seriesCount, .xMin = xMin, .xMax = xMax, .xStep = xStep,
                 .yMin = yMin, .yMax = yMax, .showMarks = s.advancedFunctions},
                plotSeriesData, g);
  addText(g, QStringLiteral("Power (W)"), kRed, 0.05f, 0.08f);
  addText(g, QStringLiteral("Temp °C"), kBlue, 0.05f, 0.93f);
  addText(g, formatDate(xMin, kDateFormat), kBlack, 0.97f, 0.5f);
  if (firstBrand) addText(g, footerText(s.appName), kBlack, 0.98f, 0.15f, QStringLiteral(",3%,10"));
  if (g.axes.size() > 3) {
    graphAxisRecord& time = g.axes[1];
    time.valueKind = xScale;
    if (xScale == kXScaleTime) {
      if (axisLabelRecord* l = first(time.labels)) {
        l->numberFormat = timeFormat;
        l->step = labelStep;
      }
      if (axisTickRecord* t = first(time.ticks)) t->step = labelStep;
    }
    graphAxisRecord& power = g.axes[2];
    if (axisLabelRecord* l = first(power.labels)) l->numberFormat = QStringLiteral(" #,0;-#0; 0");
    power.limitMin = 16.0 * yMin;
    power.limitMax = 16.0 * yMax;
    graphAxisRecord& temp = g.axes[3];
    temp.minValue = temp.homeMin = tMin;
    temp.maxValue = temp.homeMax = tMax;
    if (axisLabelRecord* l = first(temp.labels)) l->numberFormat = QStringLiteral("+#0;-#0;  0");
  }
  logMsg(2, QStringLiteral("Form4.initXYjt Done"));
}

void ChartCore::makeXYplot() {
  logMsg(2, QStringLiteral("Form4.makeXYplot"));
  const int n = static_cast<int>(plotSeriesData.size()) - 1;
  seriesList = QVector<int16_t>(n + 1);
  qsizetype maxPoints = 0;
  for (int i = 1; i <= n; ++i) {
    seriesList[i] = static_cast<int16_t>(i);
    maxPoints = std::max(maxPoints, plotSeriesData[i].points.size() - 1);
  }
  setPlotControls();
  if (maxPoints < 1) {
    chartMode = 0;
    m_crossPointer = false;
  } else {
    chartMode = 2;
  }
  initZavGraph(plotParam, plotSeriesData);
  for (int i = 1; i < graphDef.series.size() && i < plotSeriesData.size(); ++i)
    graphDef.series[i].seriesStyle = plotSeriesData[i].seriesType;
  emit xyPlotBuilt();
  // The selection names points of the data before: the fetch finds it again.
  drawPicture1();
  if (m_plotPic == &m_picture1 && !m_picture1.isNull()) {
    // The picture's font for what is drawn on it later.
    PictureCanvas canvas(&m_picture1);
    canvas.setScaleMode(kScalePixels);
    if (m_picture1Font) canvas.setFont(*m_picture1Font);
    parseFontSpec(QStringLiteral("Arial, 3%, 10"), canvas);
    m_picture1Font = canvas.font();
  }
  if (savePicToFile) {
    if (m_settings.savePlotToPicFile && !plotParam.imageFileName.isEmpty() && m_plotPic) {
      QByteArray unused;
      writeImage(*m_plotPic, plotParam.imageType, plotParam.imageFileName, unused);
    } else if (!m_settings.savePlotToPicFile) {
      plotParam.imageFileName.clear();
    }
  }
  savePicToFile = false;
}

void ChartCore::initZavGraph(plotParamRecord& params, QVector<plotSeries>& series) {
  ::initZavGraph(graphDef, params, series, look());
}
