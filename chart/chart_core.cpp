#include "chart/chart_core.h"

#include <algorithm>

#include "chart/chart_spans.h"
#include "chart/fetch_request.h"
#include "chart/image_writer.h"
#include "chart/kept_selection.h"
#include "core/log/logmsg.h"
#include "core/settings/detector_types.h"
#include "core/util/format_pattern.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"
#include "imaging/gdip.h"
#include "plot/plot_requests.h"

namespace {

// An axis range as the setting chooses: 0 the fixed range, 1 the data's, other the set limits.
void scaleByChoice(int16_t choice, double fixedMin, double fixedMax, float dataMin, float dataMax, double setMin,
                   double setMax, float& lo, float& hi) {
  if (choice == 1) {
    lo = dataMin;
    hi = dataMax;
    return;
  }
  lo = static_cast<float>(choice == 0 ? fixedMin : setMin);
  hi = static_cast<float>(choice == 0 ? fixedMax : setMax);
}
}  // namespace

ChartCore::ChartCore(const Settings& settings, PlotSource source, PointLabelSource pointLabel,
                     QObject* parent)
    : QObject(parent),
      m_settings(settings),
      m_source(std::move(source)),
      m_pointLabel(std::move(pointLabel)) {
  // Each chart has its own picture layer.
  m_gdip = new cGDIP(this);
  connect(m_gdip, &cGDIP::Error, this, &gdip_Error);
  m_picture1BackColour = m_settings.plotBackgroundColor;
  chartMode = 0;
}

void ChartCore::formLoad() {
  logMsg(2, QStringLiteral("Form4.Form_Load Done"));
  // A chart that only draws pictures has no span or time of its own.
  if (m_loadAsInvisible) {
    logMsg(2, QStringLiteral("Form4a loaded as invisible ------"));
    return;
  }
  for (int i = 0; i < kSpanCount; ++i) m_band.spans << spanName(i);
  chooseSpan(std::clamp<int>(m_settings.viewRange, 0, kSpanCount - 1));
  setEndText(QString());
  m_band.now = true;
  startupForm(dateNow());
  m_band.fetchAtOnce = true;
  emit bandChanged();
}

ChartCore::~ChartCore() = default;

PickedGraph ChartCore::picked() {
  return {.graph = graphDef,
          .data = plotSeriesData,
          .pointLabel = m_pointLabel,
          .labelBackColour = m_settings.pointTextBackColor};
}

GraphLook ChartCore::look() const { return GraphLook::of(m_settings); }

void ChartCore::startupForm(Date endTime) {
  const dataFileIndex& plotted = m_source.index();
  setWebGraphDefaults(plotParam, m_settings, plotted.firstRecordTime, plotted.lastRecordTime);
  plotParam.spanIndex = static_cast<int16_t>(m_band.spanIndex);
  plotParam.toTime = endTime;
}

void ChartCore::autoUpdatePlot(Date now, bool force) {
  if (force) m_band.now = true;
  if (!m_band.now || !(force || (!m_graphMenuShown && graphDef.selSer1 == 0))) {
    emit bandChanged();
    return;
  }
  if (m_settings.savePlotToPicFile) {
    savePicToFile = true;
    const QString& name = m_settings.zavPlotFileName;
    plotParam.imageFileName = name;
    const qsizetype dot = name.lastIndexOf(u'.');
    plotParam.imageType = dot < 0 ? name : name.mid(dot + 1);
  } else {
    savePicToFile = false;
    plotParam.imageFileName.clear();
  }
  setEndText(formatDate(now, kDateTimeFormat));
}

void ChartCore::chooseSpan(int index) {
  if (index < 0 || index >= m_band.spans.size()) return;
  m_band.spanIndex = index;
  m_band.status = m_band.spans[index] + QStringLiteral(" Clk");
  applySpan();
  emit bandChanged();
}

void ChartCore::stepSpan(int position) {
  if (m_band.spans.isEmpty() || position == 1) return;
  const int next = steppedSpanIndex(m_band.spanIndex, position, static_cast<int>(m_band.spans.size()));
  // Only a change of the selection runs the list's click handler.
  if (next != m_band.spanIndex) chooseSpan(next);
}

void ChartCore::stepTime(int position) {
  m_band.now = false;
  if (position == 0 || position == 2) {
    if (const Result<Date> end = dateTimeFromText(m_band.endText))
      setEndText(
          formatDate(shiftedEndTime(*end, m_band.spanIndex, position == 0 ? -1 : +1), kDateTimeFormat));
  }
  emit bandChanged();
}

void ChartCore::setEndText(const QString& text) {
  m_band.endText = text;
  if (const Result<Date> end = dateTimeFromText(text)) {
    plotParam.toTime = *end;
    applySpan();
  } else {
    m_band.endColour = kEndTextInvalid;
  }
  emit bandChanged();
}

void ChartCore::setNow(bool on) {
  m_band.now = on;
  emit bandChanged();
}

void ChartCore::setFetchAtOnce(bool on) {
  m_band.fetchAtOnce = on;
  emit bandChanged();
}

void ChartCore::setFetchCount(const QString& text) { m_band.fetchCount = text; }

void ChartCore::applySpan() {
  if (plotParam.toTime <= 0) return;
  const dataFileIndex& plotted = m_source.index();
  plotParam.fromTime = spanStartTime(plotParam.toTime, m_band.spanIndex, plotted.firstRecordTime);
  m_band.endColour = kEndTextPending;
  if (m_band.fetchAtOnce)
    fetchAndPlot();
  else
    m_band.fetchEnabled = true;
  emit bandChanged();
}

void ChartCore::fetchAndPlot() {
  plotParam.drawOptions = 0;
  const Settings& s = m_settings;
  FetchOptions options{.pointMarks = s.plotPointMarks,
                       .orthogonalLines = s.DrawOrthogonalLines,
                       .powerInBackground = s.DrawPowerInBackground,
                       .referenceEndTime = s.ReferencePowerEndTime};
  parseGraphQuery(plotParam, fetchRequestString(options));
  dropUnusableCompareRange(plotParam);
  plotParam.reduceMethod = s.reduceMethod;
  plotParam.maxPlotPoints = s.maxPlotPoints;
  plotParam.timeDivisions = xDivisionsBySpan(m_band.spanIndex);
  m_band.fetchEnabled = false;
  m_band.fetchCount = strPlain(val(m_band.fetchCount) + 1);
  // The new data numbers its points anew: the picked reading is kept by series and time.
  const KeptSelection kept = keepSelection(graphDef, plotSeriesData);

  const Result<int32_t> read =
      getPlotData(plotParam, plotSeriesData,
                  PlotFile{.fileName = s.zavDatFileName[m_source.slot()],
                           .index = m_source.index(),
                           .byteTemperature = s.ZAVdetectorVer >= kNewFrameDetectorVer,
                           .lapTimes = s.debugLevel >= 4},
                  *m_readScratch);
  // An unreadable file draws as an empty chart; the log says it was not an empty one.
  if (!read) logMsg(-1, QStringLiteral("fetchAndPlot: ERROR ") + read.error());
  scaleByChoice(s.yPowerScale, 0, s.maxMeterPower, plotParam.y1DataMin, plotParam.y1DataMax, s.y1ScaleMin,
                s.y1ScaleMax, plotParam.y1ScaleMin, plotParam.y1ScaleMax);
  scaleByChoice(s.yTempScale, -30, 50, plotParam.y2DataMin, plotParam.y2DataMax, s.y2ScaleMin, s.y2ScaleMax,
                plotParam.y2ScaleMin, plotParam.y2ScaleMax);
  makeXYplot();
  findKeptSelection(kept, graphDef, plotSeriesData);
  emit selectionRebuilt();
  m_band.endColour = kEndTextDrawn;
  emit bandChanged();
}
