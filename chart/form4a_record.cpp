// Routines of the chart window that nothing in the program reaches: the
// graph of one data record, the earlier set-up of the time chart and the
// point text assembled from the Text Box menu. They are kept complete for a
// record view: a Tools menu item or a list of records would open plotRec,
// and its point labels would come from makePointText.
#include <QAction>
#include <QRadioButton>

#include "chart/form4a.h"
#include "chart/point_text.h"
#include "core/util/format_pattern.h"

namespace {
// The Text Box items that show a point's text, with the caption of the value item.
constexpr const char* kPointTextItems[] = {"mnuTxtBox_AbsPoint", "mnuTxtBox_RelPoint", "mnuTxtBox_AbsRecord",
                                           "mnuTxtBox_RelRecord", "mnuTxtBox_AbsTime", "mnuTxtBox_RelTime",
                                           "mnuTxtBox_AbsVal",   "mnuTxtBox_RelVal"};
}  // namespace

void Form4a::plotRec(int32_t recordNo, const QString& name, const RecordGraphOptions& graph, bool withFormat) {
  ChartCore& c = *m_core;
  c.chartMode = 1;
  // One record has one value per channel: no points, records or times to choose.
  for (const char* item : {"mnuTxtBox_AbsPoint", "mnuTxtBox_AbsRecord", "mnuTxtBox_RelRecord", "mnuTxtBox_AbsTime",
                           "mnuTxtBox_RelTime", "mnuTxtBox_RelVal", "mnuTxtBox_list2"})
    menuItem(item)->setVisible(false);
  menuItem("mnuTxtBox_AbsVal")->setText(QStringLiteral("Value"));

  // The channels plotted are those of the window's last plot.
  if (withFormat)
    initGraphDefWithFormat(graph, c.seriesList, c.graphDef);
  else
    initGraphDef(graph, c.seriesList, c.graphDef);
  if (c.graphDef.axes.size() > 3) {
    c.graphDef.axes[3].minValue = 2.0;
    c.graphDef.axes[3].maxValue = 4.0;
  }

  fillSeriesList();
  applyYScale(true, kZoomHome);
  setSelXrange();

  m_recordTexts = {strPlain(recordNo),
                   formatDate(m_core->logFiles.getLogRecordTime(recordNo), kDateTimeFormat), name,
                   QStringLiteral("not set")};
  showInfoPanel(1);
}

void Form4a::initXYjt(QString& title, int16_t seriesCount, Date xMin, Date xMax, double xStep) {
  for (const char* item : kPointTextItems) {
    menuItem(item)->setVisible(true);
    menuItem(item)->setEnabled(true);
  }
  menuItem("mnuTxtBox_AbsVal")->setText(QStringLiteral("Abs Value"));
  int16_t xScale = kXScaleTime;
  for (int16_t i = 0; i < 3; ++i)
    if (findChild<QRadioButton*>(QStringLiteral("Option2(%1)").arg(i))->isChecked()) xScale = i;
  m_core->initXYjt(title, seriesCount, xMin, xMax, xStep, xScale);
}

QString Form4a::makePointText(int16_t seriesNr, int32_t pointNr, int16_t graphType) {
  // A key press counts once.
  if (m_lastKeyCode == kKeyInsert) m_refPoint = pointNr;
  if (m_lastKeyCode == kKeyDelete) m_refPoint = 0;
  if (m_lastKeyCode == kKeyInsert || m_lastKeyCode == kKeyDelete) m_lastKeyCode = 0;
  const auto on = [this](const char* item) { return menuItem(item)->isChecked(); };
  PointTextPieces pieces{.batName = on("mnuTxtBox_BatName"),
                         .channel = on("mnuTxtBox_Cha"),
                         .absPoint = on("mnuTxtBox_AbsPoint"),
                         .relPoint = on("mnuTxtBox_RelPoint"),
                         .absRecord = on("mnuTxtBox_AbsRecord"),
                         .relRecord = on("mnuTxtBox_RelRecord"),
                         .absTime = on("mnuTxtBox_AbsTime"),
                         .relTime = on("mnuTxtBox_RelTime"),
                         .absValue = on("mnuTxtBox_AbsVal"),
                         .relValue = on("mnuTxtBox_RelVal")};
  return ::makePointText(seriesNr, pointNr, graphType, m_refPoint, static_cast<int>(m_core->seriesList.size()) - 1,
                         pieces, m_core->plotSeriesData);
}
