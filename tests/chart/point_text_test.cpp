// The point text without the window: its choice between one point and a
// stretch, the value box's place, the series list, and the picture output.
#include "chart/point_text.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QPdfWriter>
#include <QTemporaryDir>

#include "chart/chart_core.h"
#include "chart/chart_output.h"
#include "chart/selection_text.h"
#include "support/log_capture.h"
#include "support/qt_printers.h"

namespace {
// A power series of three points a minute apart at 1,000 W, and a temperature series.
QVector<plotSeries> twoSeries() {
  QVector<plotSeries> s(3);
  s[1].WsPerCount = 3600;
  s[1].ticksPerSec = 1000;
  for (int i = 0; i <= 3; ++i)
    s[1].points.append({.recordNr = i,
                        .value = 1000.f,
                        .recTime = 45000.5 + i / 1440.0,
                        .count = 1000 + 50 * i / 3,
                        .ticks = 60000 * i});
  for (int i = 0; i <= 1; ++i) s[2].points.append({.recordNr = i, .value = 21.26f, .recTime = 45000.5});
  return s;
}

graphRecord graphOf(int16_t selSerie, int32_t selPoint, int16_t selSer1, int32_t selPnt1, int16_t stretchSer = 0) {
  graphRecord g;
  g.series.resize(3);
  g.series[1].seriesStyle = 1;
  g.series[2].seriesStyle = 3;
  g.selSerie = selSerie;
  g.selPoint = selPoint;
  g.selSer1 = selSer1;
  g.selPnt1 = selPnt1;
  g.stretchSer = stretchSer;
  return g;
}
// The core draws into its Picture1 of that size, as the window's own chart does.
void useOwnPicture(ChartCore& core, QSize size) {
  core.setPlotControls();
  core.setPicture1Size(size);
}
}  // namespace

TEST(PointText, OnePointOrAStretchByTheAnchor) {
  Settings settings;
  settings.mousePointerFlags = 3;
  settings.mouseMeasureFlags = 1 | 2;
  settings.vtPower = {};
  settings.vtPower.factor = 1;
  settings.vtPower.unit = "W";
  const QVector<plotSeries> data = twoSeries();
  const struct {
    graphRecord graph;
    int seriesListUpper;
    QString text;
  } rows[] = {
      {graphOf(1, 2, 0, 0), 2, "12:01:00\r\n1,000 W"},
      {graphOf(1, 3, 1, 1), 2, "+00:02:00\r\n+0 W"},     // a stretch from its anchor
      {graphOf(1, 3, 0, 1, 1), 2, "+00:02:00\r\n+0 W"},  // a stretch kept after its drag
      {graphOf(1, 3, 0, 1), 2, "12:02:00\r\n1,000 W"},   // the anchor of an ended stretch
      {graphOf(1, 3, 1, 3), 2, "12:02:00\r\n1,000 W"},   // anchor on the point: one point
      {graphOf(1, 3, 2, 1), 2, "12:02:00\r\n1,000 W"},   // anchor on another series
      {graphOf(1, 3, 1, 99), 2, "12:02:00\r\n1,000 W"},  // anchor beyond the series
      {graphOf(2, 1, 0, 0), 2, "12:00:00\r\n+21.3 °C"},
      {graphOf(2, 1, 0, 0), 1, ""},  // beyond the plotted series
      {graphOf(1, 5, 0, 0), 2, ""},  // beyond the points
      {graphOf(0, 1, 0, 0), 2, ""},
  };
  for (const auto& r : rows)
    EXPECT_EQ(makeGraphText(r.graph, r.seriesListUpper, data, settings), r.text) << r.graph.selSerie << "/" << r.graph.selPoint;
}

// A stretch over a controller reset: the used energy and the average power
// are summed within each section of the data file, never across the reset.
TEST(PointText, StretchOverAResetCountsEachSectionAlone) {
  ValueUnits units;
  units.power.factor = 1;
  units.power.unit = "W";
  units.energy.factor = 1;
  units.energy.decimals = 1;
  units.energy.unit = "Wh";
  QVector<plotSeries> data(2);
  plotSeries& s = data[1];
  s.WsPerCount = 1800;
  s.ticksPerSec = 1000;
  s.points.clear();
  // Points a minute apart; the counter starts anew at point 3 (and counts half the energy).
  const int counts[] = {100, 110, 120, 0, 5};
  for (int i = 0; i < 5; ++i)
    s.points.append({.recordNr = i + 1,
                     .value = 1000.f,
                     .recTime = 45000.5 + i / 1440.0,
                     .count = counts[i],
                     .ticks = 60000 * i});
  s.sections = {{.WsPerCount = 3600, .ticksPerSec = 1000},
                {.firstPoint = 3, .WsPerCount = 1800, .ticksPerSec = 1000}};
  // 10 counts at 3600 Ws and 5 at 1800 Ws over two minutes of recording.
  EXPECT_EQ(makeSelectionText(1, 1, 4, 1, kTextUsedEnergy | kTextAveragePower, data, units), "12.5 Wh\r\n375 W");
  EXPECT_EQ(makeSelectionText(1, 4, 1, 1, kTextUsedEnergy, data, units), "12.5 Wh");
  // Without an anchor: from the series' first point.
  EXPECT_EQ(makeSelectionText(1, 0, 4, 1, kTextUsedEnergy, data, units), "22.5 Wh");
}

TEST(PointText, ValueBoxStaysOnOneSideUntilItWouldLeaveThePicture) {
  const QRect picture(90, 90, 9000, 6000);
  const QSize box(1500, 600);
  bool above = false;
  // Below the pointer, centred on it.
  EXPECT_EQ(placeValueBox(picture, {3000, 1000}, box, above), QPoint(90 + 22 + 3000 - 750, 90 + 1000 + 500));
  EXPECT_FALSE(above);
  // Near the bottom: held at the lower edge, and from now on above the pointer.
  EXPECT_EQ(placeValueBox(picture, {3000, 5300}, box, above).y(), 90 + 6000 - 600 - 30);
  EXPECT_TRUE(above);
  EXPECT_EQ(placeValueBox(picture, {3000, 3000}, box, above).y(), 90 + 3000 - 500 - 600);
  // Near the top it is held at the upper edge and goes below again.
  EXPECT_EQ(placeValueBox(picture, {3000, 700}, box, above).y(), 90 + 30);
  EXPECT_FALSE(above);
  // Held at an edge the box would lie under the pointer: it takes the other side at once.
  const QPoint nearBottom(3000, 5800), nearTop(3000, 100);
  EXPECT_EQ(placeValueBox(picture, nearBottom, box, above).y(), 90 + 5800 - 500 - 600);
  EXPECT_TRUE(above);
  EXPECT_EQ(placeValueBox(picture, nearTop, box, above).y(), 90 + 100 + 500);
  EXPECT_FALSE(above);
  // A picture too small for either side: held at the edge.
  bool small = false;
  EXPECT_EQ(placeValueBox(QRect(0, 0, 3000, 700), {1500, 350}, box, small).y(), 700 - 600 - 30);
  // Near the left and right edges.
  EXPECT_EQ(placeValueBox(picture, {0, 1000}, box, above).x(), 90);
  EXPECT_EQ(placeValueBox(picture, {9000, 1000}, box, above).x(), 7567);  // 22.5 inside the right edge
}

TEST(PointText, SeriesListsByStyleAndByNumber) {
  graphRecord g = graphOf(0, 0, 0, 0);
  g.series.resize(4);
  g.series[3].seriesStyle = 7;
  const SeriesListEntries channels = fillChannelList(5, g);
  EXPECT_EQ(channels.texts, QStringList({"all 5 plotted channels", "Power (main)", "Temperature", "undefined", "[4]",
                                         "[5]"}));
  EXPECT_EQ(channels.itemData, QVector<int32_t>(6, 0));
  EXPECT_EQ(channels.listIndex, 0);
  EXPECT_EQ(fillChannelList(0, g).texts, QStringList({"no plotted cannels"}));
  const SeriesListEntries series = fillSeriesList(g);
  EXPECT_EQ(series.texts.last(), "series 3");
  EXPECT_EQ(series.itemData, QVector<int32_t>({0, 1, 2, 3}));
  EXPECT_EQ(series.listIndex, 1);
  EXPECT_EQ(fillSeriesList(graphRecord{}).texts, QStringList({"no plotted serie"}));
}

// The point text from the Text Box menu's pieces, relative to a reference point.
TEST(PointText, PointTextFromTheChosenPieces) {
  const QVector<plotSeries> data = twoSeries();
  PointTextPieces none, names, absolute, relative, values;
  names.batName = names.channel = true;
  absolute.absPoint = absolute.absRecord = absolute.absTime = absolute.absValue = true;
  relative.relPoint = relative.relRecord = relative.relTime = relative.relValue = true;
  values.absValue = values.relValue = true;
  const struct Row {
    const char* name;
    int s;
    int32_t p;
    int16_t type;
    int32_t ref;
    PointTextPieces pieces;
    const char* text;
  } rows[] = {
      {"nothingChosen", 1, 3, 1, 1, none, ""},
      {"nameAndChannel", 1, 3, 1, 1, names, "Zav  adr,nch: 1,2"},
      {"absolute", 1, 3, 1, 0, absolute, "3  2  2023-03-15 12:02:00  1,000 W"},
      {"relative", 1, 3, 1, 1, relative, "+2  +2  00:02:00  +0 W"},
      {"noReference", 1, 3, 1, 0, relative, "refPoint ERROR"},
      {"referenceBeyondThePoints", 1, 3, 1, 5, values, "1,000 W  refPoint ERROR"},
      {"temperature", 2, 1, 3, 1, values, "21 °C  +0 °C"},
      {"noSuchPoint", 1, 5, 1, 1, absolute, ""},
      {"noSuchSeries", 3, 1, 1, 1, absolute, ""},
  };
  for (const Row& r : rows)
    EXPECT_EQ(makePointText(r.s, r.p, r.type, r.ref, 2, r.pieces, data), QString::fromUtf8(r.text)) << r.name;
  EXPECT_EQ(getEmptyText(), "hej");
}

TEST(ChartOutput, SavePicWritesGifOrBitmapByTheName) {
  QTemporaryDir dir;
  ChartCore core{Settings{}};
  core.formLoad();
  useOwnPicture(core, QSize(60, 40));
  const struct {
    const char* name;
    QByteArray magic;
  } rows[] = {{"a.GIF", "GIF89a"}, {"b.gif", "GIF89a"}, {"c.bmp", "BM"}};
  for (const auto& r : rows) {
    LogCapture log;
    savePic(core, dir.filePath(r.name));
    QFile f(dir.filePath(r.name));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << r.name;
    EXPECT_TRUE(f.readAll().startsWith(r.magic)) << r.name;
    EXPECT_TRUE(log.contains("savePic: elapsed time = ")) << r.name;
    EXPECT_FALSE(log.contains("ERROR ")) << r.name;  // a saved picture is no failure
  }
  LogCapture log;
  savePic(core, QString());
  EXPECT_FALSE(log.contains("savePic: saving"));
  EXPECT_TRUE(log.contains("savePic: elapsed time = "));
}

TEST(ChartOutput, SavePicThatWritesNothingSaysWhy) {
  QTemporaryDir dir;
  ChartCore core{Settings{}};
  core.formLoad();
  useOwnPicture(core, QSize(60, 40));
  const struct {
    const char* name;
    QString file;
    const char* logged;
  } rows[] = {
      {"GIF in a missing folder", dir.filePath("no/a.gif"),
       "savePicAsGif1: ERROR 3 The system cannot find the path specified.\n"},
      {"bitmap in a missing folder", dir.filePath("no/b.bmp"),
       "writeImage: Error! bitmap1.SaveToFile = 7: No such file or directory\n"},
  };
  for (const auto& r : rows) {
    LogCapture log;
    savePic(core, r.file);
    EXPECT_TRUE(log.contains(r.logged)) << r.name << ": " << log.text().toStdString();
    EXPECT_TRUE(log.contains(r.file)) << r.name;
    EXPECT_FALSE(log.contains("A GIF of")) << r.name;
  }
}

TEST(ChartOutput, PageGetsTheChartAtItsOrigin) {
  QTemporaryDir dir;
  ChartCore core{Settings{}};
  core.formLoad();
  useOwnPicture(core, QSize(300, 200));
  QPdfWriter pdf(dir.filePath("page.pdf"));
  pdf.setResolution(96);
  EXPECT_TRUE(drawChartOnPage(core, pdf));
}
