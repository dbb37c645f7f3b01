// The chart window as the user works it: picking with the pointer and the
// keys, the value box, zoom and scroll, the options, and the output.

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "chart/chart_output.h"
#include "chart/chart_windows.h"
#include "chart/form4a.h"
#include "chart/marks_array.h"
#include "chart_fixture.h"
#include "core/util/format_pattern.h"
#include "support/outside_tool.h"
#include "imaging/gif_encoder.h"
#include "meter/meter_events.h"
#include "meter/record/index_reader.h"  // indexFileName
#include "platform/colour.h"
#include "plot/graph/picture_canvas.h"
#include "plot/graph/plot_graph.h"
#include "plot/graph/value_functions.h"
#include "plot/plot_requests.h"
#include "support/log_capture.h"
#include "support/qt_printers.h"
#include "tests/meter/record/zav_bytes.h"

namespace {
class ChartInteractionTest : public ChartFixture {
 protected:
  void SetUp() override {
    ChartFixture::SetUp();
    Settings& s = m_settings;
    s.plotWidth = 600;
    s.plotHeight = 400;
    s.fixedPlotSize = true;
    s.mousePointerFlags = 3;
    s.mouseMeasureFlags = 1 | 4 | 8;  // time, used energy, average power
    s.vtPower.factor = s.vtEnergy.factor = 1;
    s.vtPower.offset = s.vtEnergy.offset = 0;
    s.vtPower.decimals = s.vtEnergy.decimals = 0;
    s.vtPower.unit = "W";
    s.vtEnergy.unit = "Wh";
    m_charts = std::make_unique<ChartWindows>(m_settings, m_files.source());
    connectPlotRequests(m_charts.get());
    emit meterEvents().plotRequested();
    chart = chartWindow();
    ASSERT_NE(chart, nullptr);
    chart->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(chart));
    // Three hours from 03:00: one point a minute at 1,500 W.
    QTest::mouseClick(chart->Text3(), Qt::LeftButton);
    chart->Combo2()->setCurrentIndex(9);
    chart->Text3()->setText("2024-03-31 06:00:00");
    ASSERT_EQ(chart->core().chartMode, 2);
  }
  void TearDown() override {
    m_charts.reset();
    ChartFixture::TearDown();
  }
  void setChartSettings(const Settings& s) { m_charts->setSettings(s); }
  // A file of these sections becomes the plotted one, read when the span ends at `end`.
  void plotFile(const QVector<TestSection>& sections, const QString& end) {
    installTestFile(sections, 0);
    m_settings.zavDatFileName = zavDatFileName;
    setChartSettings(m_settings);
    chart->Text3()->setText(end);
  }
  Form4a* chartWindow() const { return m_charts->chartWindow(); }
  void releaseChartWindows() { m_charts->releaseChartWindows(); }

  std::unique_ptr<ChartWindows> m_charts;

  template <class T>
  T* child(const QString& name) const {
    T* w = chart->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
  }
  QAction* item(const char* name) const { return child<QAction>(QString::fromLatin1(name)); }
  graphRecord& graph() const { return chart->core().graphDef; }
  // Where a point of a series lies on Picture1, in the widget's own pixels.
  QPoint pointAt(int32_t p, int16_t s = 1) const {
    const QVector<plotSeries>& data = chart->core().plotSeriesData;
    const QPoint inner(qRound(getPointX(s, p, graph(), data)), qRound(getPointY(s, p, graph(), data)));
    return inner + chart->Picture1()->contentsRect().topLeft();
  }
  // The point of series 1 recorded at that time of the day.
  int32_t timeOf(int hour, int minute) const {
    const QVector<plotPoint>& pts = chart->core().plotSeriesData[1].points;
    for (int32_t p = 1; p < pts.size(); ++p)
      if (std::abs(pts[p].recTime - testTime(2024, 3, 31, hour, minute)) < 1e-6) return p;
    ADD_FAILURE() << "no point at " << hour << ":" << minute;
    return 1;
  }
  Date pickedTime() const {
    return chart->core().plotSeriesData[graph().selSerie].points[graph().selPoint].recTime;
  }
  QString valueBox() const { return child<QLabel>("Picture3")->text(); }
  // Marked pixels left of the selection's cross on its level (the curve's): the dotted line.
  int lineMarks(const QImage& on) const {
    const QImage& drawn = chart->core().picture1();
    const int y = qRound(graph().selY);
    int n = 0;
    for (int x = qRound(graph().plotLeft) + 1; x <= qRound(graph().selX) - 14; ++x)
      for (int dy = -1; dy <= 1; ++dy) n += on.pixel(x, y + dy) != drawn.pixel(x, y + dy);
    return n;
  }

  Form4a* chart = nullptr;
};
}  // namespace

TEST_F(ChartInteractionTest, PointerPicksThePointAndTheValueBoxShowsItsTimeAndPower) {
  QWidget* pic = chart->Picture1();
  QTest::mouseClick(pic, Qt::LeftButton, Qt::NoModifier, pointAt(timeOf(3, 30)));
  EXPECT_EQ(graph().selSerie, 1);
  EXPECT_EQ(pickedTime(), testTime(2024, 3, 31, 3, 30));
  EXPECT_TRUE(child<QLabel>("Picture3")->isVisible());
  EXPECT_EQ(valueBox(), "03:30:00\n1,500 W");
  // The box stays inside the picture.
  const QRect box = child<QLabel>("Picture3")->geometry(), picture = pic->geometry();
  EXPECT_TRUE(picture.contains(box)) << box.x() << "," << box.y();

  // A stretch dragged from 03:30 to 04:00: time, used energy and average power.
  QTest::mousePress(pic, Qt::LeftButton, Qt::NoModifier, pointAt(timeOf(3, 30)));
  QTest::mouseMove(pic, pointAt(timeOf(4, 0)));
  QTest::mouseRelease(pic, Qt::LeftButton, Qt::NoModifier, pointAt(timeOf(4, 0)));
  EXPECT_EQ(pickedTime(), testTime(2024, 3, 31, 4, 0));
  EXPECT_EQ(valueBox(), "+00:30:00\n750 Wh\n1,500 W");
  EXPECT_EQ(graph().selSer1, 0);  // the release ends the stretch

  // The "Visible" setting of the text box, through the Graph Menu's check box.
  item("mnuTxtBox_Visible")->setChecked(false);
  QTest::mouseClick(pic, Qt::LeftButton, Qt::NoModifier, pointAt(timeOf(3, 30)));
  EXPECT_FALSE(child<QLabel>("Picture3")->isVisible());
}

TEST_F(ChartInteractionTest, KeysMoveTheSelectionAlongTheSeries) {
  QWidget* pic = chart->Picture1();
  QTest::mouseClick(pic, Qt::LeftButton, Qt::NoModifier, pointAt(timeOf(3, 30)));
  const struct {
    Qt::Key key;
    int32_t point;
  } rows[] = {{Qt::Key_Right, 1}, {Qt::Key_Right, 2}, {Qt::Key_Left, 1}, {Qt::Key_Home, -30},
              {Qt::Key_Left, -30}, {Qt::Key_End, 150}, {Qt::Key_Right, 150}, {Qt::Key_Return, 150}};
  // Home and End go to the first and last point inside the plot (03:00 and 06:00).
  const int32_t start = timeOf(3, 30);
  for (const auto& r : rows) {
    QTest::keyClick(pic, r.key);
    EXPECT_EQ(graph().selPoint, start + r.point) << r.key;
    EXPECT_EQ(graph().selSerie, 1);
  }
  EXPECT_EQ(pickedTime(), testTime(2024, 3, 31, 6, 0));
}

TEST_F(ChartInteractionTest, DoubleClickMakesThePickedTimeTheEndOfTheSpan) {
  // The first click of the two picks the point.
  QTest::mouseClick(chart->Picture1(), Qt::LeftButton, Qt::NoModifier, pointAt(timeOf(4, 30)));
  QTest::mouseDClick(chart->Picture1(), Qt::LeftButton, Qt::NoModifier, pointAt(timeOf(4, 30)));
  EXPECT_EQ(chart->Text3()->text(), "2024-03-31 04:30:00");
  EXPECT_EQ(chart->core().plotParam.toTime, testTime(2024, 3, 31, 4, 30));
  EXPECT_EQ(chart->core().plotParam.fromTime, testTime(2024, 3, 31, 1, 30));
}

TEST_F(ChartInteractionTest, RightButtonOpensTheGraphMenuInsideTheWindow) {
  QWidget* pic = chart->Picture1();
  auto* frame6 = child<QWidget>("Frame6");
  const QSize client = chart->centralWidget()->size();
  QTest::mouseClick(pic, Qt::RightButton, Qt::NoModifier, pic->contentsRect().bottomRight());
  ASSERT_TRUE(frame6->isVisible());
  EXPECT_EQ(frame6->geometry().bottomRight(), QPoint(client.width() - 1, client.height() - 1));
  // Automatic updates wait while it is open.
  chart->autoUpdatePlot(testTime(2024, 3, 31, 12), false);
  EXPECT_EQ(chart->Text3()->text(), "2024-03-31 06:00:00");
  QTest::mouseMove(pic, pointAt(5));
  EXPECT_FALSE(frame6->isVisible());
  QTest::mouseClick(pic, Qt::RightButton, Qt::NoModifier, QPoint(1, 1));
  EXPECT_EQ(frame6->pos(), pic->pos() + QPoint(1, 1));
  QTest::mouseClick(child<QPushButton>("Command2"), Qt::LeftButton);
  EXPECT_FALSE(frame6->isVisible());
}

TEST_F(ChartInteractionTest, ZoomAndScrollTheTimeAxis) {
  graphAxisRecord& x = graph().axes[1];
  const double lo = x.limitMin, hi = x.limitMax;
  auto* bar = child<QScrollBar>("HScroll1");
  auto* zoomIn = child<QPushButton>("Command23(0)");
  auto* zoomOut = child<QPushButton>("Command23(1)");
  // The whole span is shown: nothing to scroll.
  EXPECT_FALSE(bar->isEnabled());
  EXPECT_FALSE(zoomOut->isEnabled());

  QTest::mouseClick(zoomIn, Qt::LeftButton);
  const double width = (hi - lo) / 2;
  EXPECT_DOUBLE_EQ(x.maxValue - x.minValue, width);
  EXPECT_DOUBLE_EQ(x.minValue, lo + width / 2);
  EXPECT_TRUE(bar->isEnabled());
  EXPECT_TRUE(zoomOut->isEnabled());
  EXPECT_EQ(bar->pageStep(), 5000);

  // Scrolled to the end, the range keeps its width and ends at the limit.
  bar->setValue(bar->maximum());
  EXPECT_DOUBLE_EQ(x.maxValue, hi);
  EXPECT_DOUBLE_EQ(x.maxValue - x.minValue, width);
  bar->setValue(0);
  EXPECT_DOUBLE_EQ(x.minValue, lo);
  EXPECT_TRUE(child<QLabel>("Label25")->text().startsWith("1 [ "));

  QTest::mouseClick(zoomOut, Qt::LeftButton);
  EXPECT_DOUBLE_EQ(x.minValue, lo);
  EXPECT_DOUBLE_EQ(x.maxValue, hi);
  EXPECT_FALSE(bar->isEnabled());
}

TEST_F(ChartInteractionTest, ValueAxesZoomShiftAndTheirLabelFormatsFollow) {
  int power = 0;
  for (int i = 1; i < graph().axes.size(); ++i)
    if (graph().axes[i].position == kAxisLeft) power = i;
  ASSERT_GT(power, 0);
  graphAxisRecord& y = graph().axes[power];
  const double min = y.minValue, max = y.maxValue, span = max - min;
  QTest::mouseClick(child<QPushButton>("Command19(0)"), Qt::LeftButton);
  EXPECT_DOUBLE_EQ(y.maxValue - y.minValue, span / 2);
  EXPECT_FALSE(child<QLineEdit>("Text37(0)")->text().isEmpty());
  auto* spin = child<QScrollBar>("VScroll1");
  const double top = y.maxValue;
  spin->setValue(1);  // the lower arrow: the range moves down an eighth
  EXPECT_EQ(spin->value(), 0);
  EXPECT_NEAR(y.maxValue, top - span / 16, 1e-3);
  QTest::mouseClick(child<QPushButton>("Command19(3)"), Qt::LeftButton);  // "def"
  EXPECT_DOUBLE_EQ(y.minValue, y.homeMin);
  // "set" with a decimal comma.
  child<QLineEdit>("Text37(0)")->setText("2000");
  child<QLineEdit>("Text37(1)")->setText("1,5");
  QTest::mouseClick(child<QPushButton>("Command19(5)"), Qt::LeftButton);
  EXPECT_DOUBLE_EQ(y.minValue, 1.5);
  EXPECT_DOUBLE_EQ(y.maxValue, 2000);
  EXPECT_EQ(y.labels[1].numberFormat, "####0");
}

TEST_F(ChartInteractionTest, OptionsAndTheirMenuMirrors) {
  auto* marks = child<QCheckBox>("Check18");
  ASSERT_TRUE(marks->isChecked());
  for (int i = 1; i < graph().series.size(); ++i) graph().series[i].markShape = 3;
  // Opening the menu gives the items the boxes' states; the item then turns its box off.
  emit child<QMenu>("mnuChart")->aboutToShow();
  item("mnuChart_marks")->trigger();
  EXPECT_FALSE(marks->isChecked());
  for (int i = 1; i < graph().series.size(); ++i) EXPECT_EQ(graph().series[i].markShape, -3) << i;
  marks->setChecked(true);
  for (int i = 1; i < graph().series.size(); ++i) EXPECT_EQ(graph().series[i].markShape, 3) << i;

  child<QCheckBox>("Check19")->setChecked(false);
  for (const graphAxisRecord& a : graph().axes) {
    if (a.position != kAxisBottom) continue;
    for (int j = 1; j < a.labels.size(); ++j) EXPECT_LE(a.labels[j].layer, 0);
  }

  child<QCheckBox>("Check17")->setChecked(true);
  EXPECT_EQ(chart->core().picture1BackColour(), int32_t(0x80000005u));

  // The series list: "all" and the plotted channels; choosing one selects it.
  auto* combo1 = child<QComboBox>("Combo1");
  ASSERT_GE(combo1->count(), 2);
  EXPECT_EQ(combo1->itemText(0), QString("all %1 plotted channels").arg(combo1->count() - 1));
  EXPECT_EQ(combo1->itemText(1), "Power (main)");
  combo1->setCurrentIndex(1);
  emit combo1->activated(1);
  EXPECT_EQ(child<QLineEdit>("Text36")->text(), "1");
  EXPECT_EQ(child<QLineEdit>("Text38")->text(), QString::number(graph().series[1].yAxis));
  // Typing into the box chooses nothing.
  combo1->setEditText("Pow");
  EXPECT_EQ(child<QLineEdit>("Text36")->text(), "1");
  child<QLineEdit>("Text36")->setText("99");
  EXPECT_EQ(child<QLineEdit>("Text38")->text(), "0");

  // Tools: the panel and the info panels.
  item("mnuTools_Visible")->trigger();
  EXPECT_TRUE(child<QWidget>("Frame1")->isVisible());
  item("mnuTools_Rec")->trigger();
  EXPECT_FALSE(marks->isEnabled());
  item("mnuTools_Smpl")->trigger();
  EXPECT_TRUE(marks->isEnabled());
  EXPECT_TRUE(child<QWidget>("Frame4")->isVisible());
}

TEST_F(ChartInteractionTest, CopyPutsThePictureOnTheClipboard) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->setText("before");
  Form4a blank(m_settings, m_files.source());
  QTest::mouseClick(blank.findChild<QPushButton*>("Command22"), Qt::LeftButton);
  EXPECT_EQ(clipboard->text(), "before");  // no graph yet
  item("mnuFileCopy")->trigger();
  EXPECT_EQ(clipboard->image().size(), chart->core().picture1().size());
  EXPECT_EQ(clipboard->image().size(), QSize(600, 400));
}

TEST_F(ChartInteractionTest, PrintWritesOnePageAndNoPrinterIsReported) {
  QTemporaryDir dir;
  const QString pdf = dir.filePath("chart.pdf");
  qputenv("ZAV_PRINT_PDF", pdf.toLocal8Bit());
  QTest::mouseClick(child<QPushButton>("Command6"), Qt::LeftButton);
  qunsetenv("ZAV_PRINT_PDF");
  QFile f(pdf);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.read(5).startsWith("%PDF-"));
  f.close();

  const QString pdfinfo = outsideTool({"pdfinfo"});
  ZAV_NEED_TOOL(!pdfinfo.isEmpty(), "pdfinfo (poppler-utils) is not installed");
  QProcess info;
  info.start(pdfinfo, {pdf});
  ASSERT_TRUE(info.waitForFinished(30000));
  EXPECT_TRUE(QString::fromLatin1(info.readAllStandardOutput()).contains(QRegularExpression("Pages:\\s+1\\n")));
}

// A chart that fits the page prints at its natural size at the page's origin; a larger
// one is scaled down to the printable area, in its proportions, never cut at the edge.
TEST_F(ChartInteractionTest, PrintScalesOnlyAChartLargerThanThePage) {
  const QString pdftoppm = outsideTool({"pdftoppm"});
  ZAV_NEED_TOOL(!pdftoppm.isEmpty(), "pdftoppm (poppler-utils) is not installed");
  QTemporaryDir dir;
  const struct {
    const char* name;
    QSize chart;
  } rows[] = {{"fits", {600, 400}}, {"larger", {1400, 980}}};
  QRect fits;
  for (const auto& r : rows) {
    Settings s = m_settings;
    s.plotWidth = r.chart.width();
    s.plotHeight = r.chart.height();
    setChartSettings(s);
    chart->resize(chart->size() + QSize(1, 1));  // fixed size: the window fits the picture again
    ASSERT_EQ(chart->core().picture1().size(), r.chart) << r.name;
    const QString pdf = dir.filePath(r.name + QStringLiteral(".pdf"));
    qputenv("ZAV_PRINT_PDF", pdf.toLocal8Bit());
    item("mnuFilePrint")->trigger();
    qunsetenv("ZAV_PRINT_PDF");
    // The page at the screen's resolution, where the chart's pixels are the page's.
    const QString png = dir.filePath(QString::fromLatin1(r.name));
    ASSERT_EQ(QProcess::execute(pdftoppm, {"-r", "96", "-png", "-singlefile", pdf, png}), 0) << r.name;
    const QImage page(png + QStringLiteral(".png"));
    ASSERT_FALSE(page.isNull()) << r.name;
    QRect ink;
    for (int y = 0; y < page.height(); ++y)
      for (int x = 0; x < page.width(); ++x)
        if (page.pixel(x, y) != qRgb(255, 255, 255)) ink |= QRect(x, y, 1, 1);
    if (r.chart.width() < page.width()) {
      fits = ink;
      EXPECT_NEAR(ink.width(), r.chart.width(), 1) << r.name;
      EXPECT_NEAR(ink.height(), r.chart.height(), 1) << r.name;
    } else {
      EXPECT_EQ(ink.topLeft(), fits.topLeft()) << r.name;
      EXPECT_NEAR(page.width() - 1 - ink.right(), ink.left(), 1) << r.name;  // margins alike on both sides
      EXPECT_NEAR(double(ink.width()) / ink.height(), double(r.chart.width()) / r.chart.height(), 0.01)
          << r.name;
    }
  }
}

TEST_F(ChartInteractionTest, PrintWithoutAPrinterSaysSo) {
  qunsetenv("ZAV_PRINT_PDF");
  if (!QProcess::execute("sh", {"-c", "lpstat -a >/dev/null 2>&1"})) GTEST_SKIP() << "a printer is installed";
  LogCapture log;
  item("mnuFilePrint")->trigger();
  EXPECT_TRUE(log.contains("printChart: ERROR no printer is installed"));
  EXPECT_TRUE(log.contains("MSGBOX: No printer is installed."));
}

TEST_F(ChartInteractionTest, MarksAreAppendedToTheirFileAndReadBack) {
  QTemporaryDir dir;
  const QString path = dir.filePath("marks.bin");
  auto* save = child<QPushButton>("Command4");
  // No file named: logged, nothing written anywhere.
  chart->core().fileTable.clear();
  {
    LogCapture log;
    QTest::mouseClick(save, Qt::LeftButton);
    EXPECT_TRUE(log.contains("appendMarksToFile: ERROR"));
  }
  EXPECT_EQ(save->text(), "save");

  chart->core().fileTable = {{path, "bin"}};
  QVector<markRecord>& marks = chart->core().marks;
  marks = QVector<markRecord>(3);
  marks[1].data[0] = 'A';
  marks[2].values = {7, -1};
  QTest::mouseClick(save, Qt::LeftButton);
  QTest::mouseClick(save, Qt::LeftButton);
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray bytes = f.readAll();
  // Each block: the upper bound 2, then records 0, 1 and 2 (60 data bytes, a count, the values).
  const int block = 4 + 3 * (60 + 4) + 2 * 4;
  ASSERT_EQ(bytes.size(), 2 * block);
  for (int b = 0; b < 2; ++b) {
    const QByteArray one = bytes.mid(b * block, block);
    EXPECT_EQ(one.left(4), QByteArray("\x02\x00\x00\x00", 4));
    EXPECT_EQ(one.at(4 + 64), 'A');
    EXPECT_EQ(one.right(12), QByteArray("\x02\x00\x00\x00\x07\x00\x00\x00\xff\xff\xff\xff", 12));
  }
}

TEST_F(ChartInteractionTest, LoadShowsTheSavedPictureUntilTheNextDrawing) {
  QTemporaryDir dir;
  m_settings.defDirName = dir.path() + "/";
  m_settings.debugMode = 1;
  setChartSettings(m_settings);
  releaseChartWindows();
  emit meterEvents().plotRequested();
  chart = chartWindow();
  QAction* load = item("mnuFileLoad");
  ASSERT_TRUE(load->isEnabled());
  const QImage before = chart->core().picture1().copy();
  {
    LogCapture log;
    load->trigger();  // no such file yet
    EXPECT_TRUE(log.contains("loadChartPicture: ERROR"));
  }
  EXPECT_EQ(chart->core().picture1(), before);

  QImage red(40, 30, QImage::Format_RGB32);
  red.fill(Qt::red);
  ASSERT_TRUE(saveBitmapAsGif(red, m_settings.defDirName + "Zav-pic001.gif"));
  load->trigger();
  EXPECT_EQ(QColor(chart->core().picture1().pixel(0, 0)), QColor(Qt::red));
  EXPECT_EQ(QColor(chart->core().picture1().pixel(39, 29)), QColor(Qt::red));
  EXPECT_EQ(chart->core().picture1().size(), before.size());
}

namespace {
// A click of a real pointer on the window at a point of a widget: the window
// finds the widget under it, as for a user.
void clickOnWindow(QWidget* at, QPoint pos, Qt::MouseButton button = Qt::LeftButton) {
  QWidget* window = at->window();
  QTest::mouseClick(window->windowHandle(), button, Qt::NoModifier, at->mapTo(window, pos));
}
void moveOnWindow(QWidget* at, QPoint pos) {
  QWidget* window = at->window();
  QTest::mouseMove(window->windowHandle(), at->mapTo(window, pos));
}
// The pixels of a colour inside a rectangle of an image.
int inkCount(const QImage& img, QColor colour, QRect within) {
  int n = 0;
  within &= img.rect();
  for (int y = within.top(); y <= within.bottom(); ++y)
    for (int x = within.left(); x <= within.right(); ++x)
      if (QColor(img.pixel(x, y)) == colour) ++n;
  return n;
}
}  // namespace

// A 24h chart zoomed to 12h: one arrow of the X scroll bar moves the view by a
// ten-thousandth of the data, so the view can stop in its middle.
TEST_F(ChartInteractionTest, ScrollBarArrowMovesASubDayViewByItsScaledStep) {
  chart->Combo2()->setCurrentIndex(6);  // 24h
  chart->Text3()->setText("2024-03-31 12:00:00");
  item("mnuTools_Visible")->trigger();
  QTest::mouseClick(child<QPushButton>("Command23(0)"), Qt::LeftButton);  // z-in
  graphAxisRecord& x = graph().axes[1];
  ASSERT_DOUBLE_EQ(x.limitMax - x.limitMin, 1.0);
  ASSERT_DOUBLE_EQ(x.maxValue - x.minValue, 0.5);
  auto* bar = child<QScrollBar>("HScroll1");
  ASSERT_TRUE(bar->isVisible());
  const double min = x.minValue;
  const int value = bar->value();
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(bar->width() - 3, bar->height() / 2));
  ASSERT_EQ(bar->value(), value + 1);
  EXPECT_NEAR(x.minValue, min + 1.0 / 10000, 1e-9);
  EXPECT_NEAR(x.maxValue - x.minValue, 0.5, 1e-9);
  EXPECT_LT(x.maxValue, x.limitMax);  // still in the middle
  QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, QPoint(3, bar->height() / 2));
  EXPECT_EQ(bar->value(), value);
  EXPECT_NEAR(x.minValue, min, 1e-9);
  EXPECT_TRUE(child<QLabel>("Label25")->text().contains(strPlain(x.minValue)));
}

// Two right clicks: the Graph Menu panel hides the curve beneath it.
TEST_F(ChartInteractionTest, GraphMenuIsOpaqueOverThePicture) {
  QWidget* pic = chart->Picture1();
  auto* frame6 = child<QWidget>("Frame6");
  const QColor curve(Qt::red);
  // A little above the curve: the curve runs through the panel's caption.
  const QPoint at = pointAt(timeOf(3, 30)) - QPoint(0, 12);
  const QRect beneath(pic->mapTo(chart, at), frame6->size());
  ASSERT_GT(inkCount(chart->grab().toImage(), curve, beneath), 20);
  clickOnWindow(pic, at, Qt::RightButton);
  ASSERT_TRUE(frame6->isVisible());
  const QImage shot = chart->grab().toImage();
  shot.save(QDir::temp().filePath("zav_chart_graph_menu.png"));
  EXPECT_EQ(frame6->geometry().topLeft(), pic->mapTo(chart->centralWidget(), at));
  EXPECT_EQ(inkCount(shot, curve, frame6->geometry().translated(chart->centralWidget()->pos())), 0);
}

// Near the picture's bottom edge the value box goes above the pointer at once,
// and the pointer over the box still works the picture beneath.
TEST_F(ChartInteractionTest, ValueBoxNeverTakesThePointersEvents) {
  QWidget* pic = chart->Picture1();
  auto* box = child<QLabel>("Picture3");
  const QPoint nearBottom(pointAt(timeOf(4, 0)).x(), pic->height() - 8);
  clickOnWindow(pic, nearBottom);
  ASSERT_TRUE(box->isVisible());
  EXPECT_EQ(pickedTime(), testTime(2024, 3, 31, 4, 0));
  const QPoint pointer = pic->mapTo(chart->centralWidget(), nearBottom);
  EXPECT_FALSE(box->geometry().contains(pointer)) << box->geometry().y();
  EXPECT_LT(box->geometry().bottom(), pointer.y());
  chart->grab().save(QDir::temp().filePath("zav_chart_value_box.png"));

  // The pointer moved into the box picks the point beneath it.
  const QPoint inBox = pic->mapFrom(chart->centralWidget(), box->geometry().center());
  moveOnWindow(pic, inBox);
  EXPECT_FLOAT_EQ(graph().lastYMouse, float(inBox.y() - pic->contentsRect().top()));
  // A right click there opens the Graph Menu.
  QTest::mouseClick(pic, Qt::LeftButton, Qt::NoModifier, pointAt(timeOf(3, 10)));
  ASSERT_TRUE(box->isVisible());
  const QPoint overBox = pic->mapFrom(chart->centralWidget(), box->geometry().center());
  clickOnWindow(pic, overBox, Qt::RightButton);
  EXPECT_TRUE(child<QWidget>("Frame6")->isVisible());
}

// The fetch counter counts on from what the user typed.
TEST_F(ChartInteractionTest, FetchCounterCountsOnFromTheTypedNumber) {
  QTest::mouseClick(chart->Check3(), Qt::LeftButton);  // fetch with the button only
  ASSERT_FALSE(chart->Check3()->isChecked());
  chart->Text3()->setText("2024-03-31 07:00:00");
  ASSERT_TRUE(chart->Command3()->isEnabled());
  auto* text4 = child<QLineEdit>("Text4");
  text4->setFocus();
  QTest::keyClick(text4, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(text4, "100");
  QTest::mouseClick(chart->Command3(), Qt::LeftButton);
  EXPECT_EQ(text4->text(), "101");
  EXPECT_EQ(chart->core().plotParam.toTime, testTime(2024, 3, 31, 7));
}

// Records just outside the shown range (03:00:30 to 06:00:30) lead and end the
// points, and the minutes next to the first and last shown ones (03:01 and
// 06:00) draw at the height of those records. Home and End still take the
// first and last shown point.
TEST_F(ChartInteractionTest, HomeAndEndSelectTheFirstAndLastShownPoint) {
  TestSection s;
  uint32_t count = 1000, ticks = 0;
  for (int m = 0; m <= 12 * 60; ++m) {
    const bool high = m < 181 || m == 182 || m == 359 || m > 360;  // 3,000 W, else 1,500 W
    count += high ? 50 : 25;
    ticks += 60000;
    s.records.append({.time = testTime(2024, 3, 31, 0, m), .count = count, .ticks = ticks, .temp = 2});
  }
  plotFile({s}, "2024-03-31 06:00:30");
  const QVector<plotPoint>& pts = chart->core().plotSeriesData[1].points;
  ASSERT_LT(pts[1].recTime, testTime(2024, 3, 31, 3, 0, 30));
  ASSERT_GT(pts.last().recTime, testTime(2024, 3, 31, 6, 0, 30));
  QWidget* pic = chart->Picture1();
  QTest::mouseClick(pic, Qt::LeftButton, Qt::NoModifier, pointAt(timeOf(4, 30)));
  QTest::keyClick(pic, Qt::Key_Home);
  EXPECT_EQ(pickedTime(), testTime(2024, 3, 31, 3, 1));
  QTest::keyClick(pic, Qt::Key_End);
  EXPECT_EQ(pickedTime(), testTime(2024, 3, 31, 6, 0));
}

// A controller reset at 04:30 (the new section's first point has no power) and no
// sensor from 05:00 to 05:09: Left and Right step over the points without a value.
TEST_F(ChartInteractionTest, ArrowKeysSkipPointsWithoutAValue) {
  QVector<TestSection> sections(2);
  sections[1].resetCount = 2;
  uint32_t count = 1000, ticks = 0;
  for (int m = 0; m <= 12 * 60; ++m) {
    count += 25;
    ticks += 60000;
    const int16_t temp = m >= 300 && m < 310 ? kRawNoSensor : 2;
    sections[m < 270 ? 0 : 1].records.append(
        {.time = testTime(2024, 3, 31, 0, m), .count = count, .ticks = ticks, .temp = temp});
  }
  plotFile(sections, "2024-03-31 06:00:30");
  const struct {
    const char* name;
    int16_t series;
    int from;
    Qt::Key key;
    int to;
  } rows[] = {{"power over the reset", 1, 269, Qt::Key_Right, 271},
              {"power back over it", 1, 271, Qt::Key_Left, 269},
              {"temperature over no sensor", 2, 299, Qt::Key_Right, 310},
              {"temperature back over it", 2, 310, Qt::Key_Left, 299}};
  const auto pickedMinute = [this] { return std::lround((pickedTime() - testTime(2024, 3, 31)) * 1440); };
  QWidget* pic = chart->Picture1();
  for (const auto& r : rows) {
    QTest::mouseClick(pic, Qt::LeftButton, Qt::NoModifier, pointAt(timeOf(0, r.from), r.series));
    ASSERT_EQ(graph().selSerie, r.series) << r.name;
    ASSERT_EQ(pickedMinute(), r.from) << r.name;
    QTest::keyClick(pic, r.key);
    EXPECT_EQ(graph().selSerie, r.series) << r.name;
    EXPECT_EQ(pickedMinute(), r.to) << r.name;
  }
}

// Readings every 20 s draw under a pixel apart; a spike from 04:30 to 04:45 on a plot scaled to the
// data puts its highest readings on the plot's top edge, the rest within a pixel below it. Right
// visits every point in order across it, Left comes back the same way.
TEST_F(ChartInteractionTest, LeftAndRightVisitEveryShownPointAlongThePlotsTopEdge) {
  TestSection s;
  uint32_t count = 1000, ticks = 0;
  for (int t = 0; t <= 12 * 3600; t += 20) {
    const int m = t / 60;
    const double watts = m >= 270 && m < 285 ? 2836 + std::min(m - 270, 7) : 1500;
    count += 10;
    ticks += static_cast<uint32_t>(std::lround(10 * 3600 * 1000 / watts));
    s.records.append({.time = testTime(2024, 3, 31, 0, 0, t), .count = count, .ticks = ticks, .temp = 2});
  }
  m_settings.yPowerScale = 1;       // the data's range
  m_settings.maxPlotPoints = 1000;  // every reading a point
  plotFile({s}, "2024-03-31 06:00:20");
  QWidget* pic = chart->Picture1();
  QTest::mouseClick(pic, Qt::LeftButton, Qt::NoModifier, pointAt(timeOf(4, 25)));
  const int32_t start = graph().selPoint, steps = 90;  // to about 04:55 and back
  const QVector<plotSeries>& data = chart->core().plotSeriesData;
  ASSERT_LT(getPointX(1, start + 1, graph(), data) - getPointX(1, start, graph(), data), 1.0);
  QVector<int32_t> visited, expected;
  bool onTopEdge = false;
  for (int i = 1; i <= 2 * steps; ++i) {
    QTest::keyClick(pic, i <= steps ? Qt::Key_Right : Qt::Key_Left);
    visited.append(graph().selPoint);
    expected.append(start + std::min(i, 2 * steps - i));
    onTopEdge = onTopEdge || graph().selY == graph().plotTop;
  }
  EXPECT_TRUE(onTopEdge);
  EXPECT_EQ(visited, expected);
  EXPECT_EQ(valueBox(), "04:25:00\n1,500 W");
}

// Under Auto Plot each reading draws the chart anew with its span ending at the reading. The
// picked reading keeps its cross, its value box and the keys, though its point number changed;
// once the span has left it, all three go together.
TEST_F(ChartInteractionTest, AutoPlotKeepsThePickedReadingWhileItsSpanShowsIt) {
  chart->chkNow()->setChecked(true);
  // What Auto Plot asks of the window at a reading.
  const auto readingAt = [&](int h, int m) { chart->autoUpdatePlot(testTime(2024, 3, 31, h, m), false); };
  // The marks are where the picture on the screen differs from the drawn graph.
  const QImage &shown = chart->pickPicture().shown(), &drawn = chart->core().picture1();
  QTest::mouseClick(chart->Picture1(), Qt::LeftButton, Qt::NoModifier, pointAt(timeOf(4, 30)));

  readingAt(6, 10);
  const QPoint onTheCross(qRound(graph().selX) + 5, qRound(graph().selY) + 5);
  EXPECT_NE(shown.pixel(onTheCross), drawn.pixel(onTheCross));
  EXPECT_TRUE(child<QLabel>("Picture3")->isVisible());
  EXPECT_EQ(valueBox(), "04:30:00\n1,500 W");
  QTest::keyClick(chart->Picture1(), Qt::Key_Right);
  EXPECT_EQ(valueBox(), "04:31:00\n1,500 W");

  readingAt(7, 40);  // the span starts at 04:40
  EXPECT_EQ(graph().selSerie, 0);
  EXPECT_EQ(shown, drawn);
  EXPECT_FALSE(child<QLabel>("Picture3")->isVisible());
}

// A stretch measured under Auto Plot outlives the readings that draw the chart anew: both ends
// are kept by their times, with its text, the cross at its end and the dotted line from its
// start. Once the span has left its start, the end is one reading alone.
TEST_F(ChartInteractionTest, AutoPlotKeepsAMeasuredStretchWhileItsSpanShowsItsStart) {
  chart->chkNow()->setChecked(true);
  const auto readingAt = [&](int h, int m) { chart->autoUpdatePlot(testTime(2024, 3, 31, h, m), false); };
  const QImage& shown = chart->pickPicture().shown();
  QWidget* pic = chart->Picture1();
  const QString stretch = "+00:30:00\n750 Wh\n1,500 W";
  QTest::mousePress(pic, Qt::LeftButton, Qt::NoModifier, pointAt(timeOf(4, 30)));
  QTest::mouseMove(pic, pointAt(timeOf(5, 0)));
  readingAt(6, 5);  // waits while the button holds the start
  QTest::mouseRelease(pic, Qt::LeftButton, Qt::NoModifier, pointAt(timeOf(5, 0)));
  ASSERT_EQ(valueBox(), stretch);

  readingAt(6, 10);
  ASSERT_EQ(chart->Text3()->text(), "2024-03-31 06:10:00");
  EXPECT_EQ(valueBox(), stretch);
  EXPECT_EQ(pickedTime(), testTime(2024, 3, 31, 5, 0));
  EXPECT_EQ(chart->core().plotSeriesData[1].points[graph().selPnt1].recTime, testTime(2024, 3, 31, 4, 30));
  EXPECT_GT(lineMarks(shown), 10);
  chart->grab().save(QDir::temp().filePath("zav_chart_kept_stretch.png"));
  // Right after a renewal the screen as last painted (grab() draws anew) has marks, the earlier
  // or the new.
  const QRect inner(pic->mapTo(chart, pic->contentsRect().topLeft()), pic->contentsRect().size());
  for (int m = 11; m < 20; ++m) {
    QCoreApplication::processEvents();
    readingAt(6, m);
    EXPECT_GT(lineMarks(chart->screen()->grabWindow(chart->winId()).toImage().copy(inner)), 10) << m;
  }

  readingAt(7, 40);  // the span starts at 04:40
  EXPECT_EQ(pickedTime(), testTime(2024, 3, 31, 5, 0));
  EXPECT_EQ(valueBox(), "05:00:00\n1,500 W");
  EXPECT_EQ(lineMarks(shown), 0);
}

// A zoom or a scroll that hides the selection keeps it, unmarked; in view again (zoom out,
// scroll back, a renewal) it has its cross, dotted line and value box, and Left steps from it.
TEST_F(ChartInteractionTest, ASelectionOutOfViewIsKeptUnmarkedUntilItIsShownAgain) {
  const QImage &shown = chart->pickPicture().shown(), &drawn = chart->core().picture1();
  QWidget* pic = chart->Picture1();
  auto* bar = child<QScrollBar>("HScroll1");
  const auto marked = [&] { return shown != drawn && child<QLabel>("Picture3")->isVisible(); };
  for (const bool autoPlot : {false, true}) {
    chart->chkNow()->setChecked(autoPlot);
    chart->autoUpdatePlot(testTime(2024, 3, 31, 6, 0), false);
    // A stretch from 03:30 to 05:30: its end in the right quarter.
    QTest::mousePress(pic, Qt::LeftButton, Qt::NoModifier, pointAt(timeOf(3, 30)));
    QTest::mouseRelease(pic, Qt::LeftButton, Qt::NoModifier, pointAt(timeOf(5, 30)));
    const QString stretch = valueBox();
    child<QPushButton>("Command23(0)")->click();  // 03:45 to 05:15
    ASSERT_EQ(graph().selSerie, 1) << autoPlot;
    EXPECT_FALSE(marked()) << autoPlot;
    bar->setValue(bar->maximum());  // 04:30 to 06:00: the dotted line stops at the plot's edge
    EXPECT_TRUE(marked()) << autoPlot;
    EXPECT_GT(lineMarks(shown), 10) << autoPlot;
    const QRect margin(0, 0, qRound(graph().plotLeft) - 1, shown.height());
    EXPECT_EQ(shown.copy(margin), drawn.copy(margin)) << autoPlot;
    bar->setValue(0);  // 03:00 to 04:30: only the start shows
    EXPECT_FALSE(marked()) << autoPlot;
    // Shown again by a renewal, else by z-out.
    if (autoPlot) chart->autoUpdatePlot(testTime(2024, 3, 31, 6, 1), false);
    if (!autoPlot) child<QPushButton>("Command23(1)")->click();
    EXPECT_TRUE(marked()) << autoPlot;
    EXPECT_EQ(valueBox(), stretch) << autoPlot;
    EXPECT_GT(lineMarks(shown), 10) << autoPlot;
    QTest::keyClick(pic, Qt::Key_Left);
    EXPECT_EQ(pickedTime(), testTime(2024, 3, 31, 5, 29)) << autoPlot;
  }
}

// A resize lays the picture out anew, with or without a fixed plot size: the selection in view, a
// measured stretch, is marked again at once on the new axes, its cross, dotted line and value box.
TEST_F(ChartInteractionTest, AResizeMarksTheSelectionAgain) {
  const QImage &shown = chart->pickPicture().shown(), &drawn = chart->core().picture1();
  QWidget* pic = chart->Picture1();
  for (const bool fixed : {true, false}) {
    m_settings.fixedPlotSize = fixed;
    setChartSettings(m_settings);
    QTest::mousePress(pic, Qt::LeftButton, Qt::NoModifier, pointAt(timeOf(3, 30)));
    QTest::mouseRelease(pic, Qt::LeftButton, Qt::NoModifier, pointAt(timeOf(4, 0)));
    const QString stretch = valueBox();
    const QSize before = drawn.size();
    chart->resize(chart->size() + QSize(80, 60));
    EXPECT_EQ(drawn.size() != before, !fixed) << fixed;
    EXPECT_FLOAT_EQ(graph().selX, getPointX(1, timeOf(4, 0), graph(), chart->core().plotSeriesData)) << fixed;
    const QPoint onTheCross(qRound(graph().selX) + 5, qRound(graph().selY) + 5);
    EXPECT_NE(shown.pixel(onTheCross), drawn.pixel(onTheCross)) << fixed;
    EXPECT_GT(lineMarks(shown), 10) << fixed;
    EXPECT_TRUE(child<QLabel>("Picture3")->isVisible()) << fixed;
    EXPECT_EQ(valueBox(), stretch) << fixed;
    EXPECT_TRUE(pic->geometry().contains(child<QLabel>("Picture3")->geometry())) << fixed;
  }
}

// A control of the tools panel had the keys: closing the panel from its menu, or a resize
// that lays the window out anew, gives them back to the picture, and Right moves the selection;
// the menu's tick goes with the panel.
TEST_F(ChartInteractionTest, ClosingTheToolsPanelGivesTheKeysBackToThePicture) {
  QWidget* pic = chart->Picture1();
  const struct {
    const char* name;
    std::function<void()> close;
  } rows[] = {{"menu", [&] { item("mnuTools_Visible")->trigger(); }},
              {"resize", [&] { chart->resize(chart->size() + QSize(40, 0)); }}};
  for (const auto& r : rows) {
    clickOnWindow(pic, pointAt(timeOf(4, 30)));
    item("mnuTools_Visible")->trigger();
    auto* zoomIn = child<QPushButton>("Command23(0)");
    clickOnWindow(zoomIn, zoomIn->rect().center());
    ASSERT_TRUE(zoomIn->hasFocus()) << r.name;
    r.close();
    ASSERT_FALSE(child<QWidget>("Frame1")->isVisible()) << r.name;
    EXPECT_FALSE(item("mnuTools_Visible")->isChecked()) << r.name;
    EXPECT_TRUE(pic->hasFocus()) << r.name;
    QTest::keyClick(chart->windowHandle(), Qt::Key_Right);
    EXPECT_EQ(pickedTime(), testTime(2024, 3, 31, 4, 31)) << r.name;
  }
}

// The window's activation and deactivation are logged.
TEST_F(ChartInteractionTest, ActivationIsLogged) {
  LogCapture log;
  QWidget other;
  other.show();
  other.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
  QTRY_VERIFY(log.contains("Form4.Deactivate"));
  chart->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(chart));
  QTRY_VERIFY(log.contains("Form4.Activate"));
}

// After a plot the picture's font for later texts is Arial at 3 % of the picture, at most 10 points.
TEST_F(ChartInteractionTest, PlotLeavesThePictureFontForLaterTexts) {
  ASSERT_TRUE(chart->core().picture1Font().has_value());
  const QFont font = *chart->core().picture1Font();
  EXPECT_EQ(font.family(), "Arial");
  EXPECT_DOUBLE_EQ(font.pointSizeF(), 9);  // 3 % of 400 pixels at 96 dpi
  EXPECT_FALSE(font.bold());
}

// The graph of one record: the Text Box items it does not use are hidden, the
// record panel shows the record's number, time and name, and the record plot's
// index-list series draws nothing.
TEST_F(ChartInteractionTest, RecordPlotShowsTheRecordPanel) {
  QTemporaryDir dir;
  const QString data = dir.filePath("log.DAT");
  const Date recTime = testTime(2024, 3, 31, 8, 15, 30);
  ZavBytes d, ix;
  d.date(1.0).date(recTime);
  ix.i32(1).i32(9);  // record 2's header at position 9
  writeTextFile(data, d.b);
  writeTextFile(indexFileName(data), ix.b);
  chart->core().logFiles.logFileNames[0] = data;
  chart->core().logFiles.logRecordCount = 2;

  chart->plotRec(2, "meter one", {.title = "Record 2", .xMax = 8, .xStep = 1}, false);
  EXPECT_EQ(chart->core().chartMode, 1);
  for (const char* name : {"mnuTxtBox_AbsPoint", "mnuTxtBox_AbsRecord", "mnuTxtBox_RelRecord", "mnuTxtBox_AbsTime",
                           "mnuTxtBox_RelTime", "mnuTxtBox_RelVal", "mnuTxtBox_list2"})
    EXPECT_FALSE(item(name)->isVisible()) << name;
  EXPECT_TRUE(item("mnuTxtBox_RelPoint")->isVisible());
  EXPECT_EQ(item("mnuTxtBox_AbsVal")->text(), "Value");
  EXPECT_FALSE(child<QWidget>("Frame2")->isHidden());
  EXPECT_TRUE(child<QWidget>("Frame3")->isHidden());
  EXPECT_FALSE(child<QCheckBox>("Check18")->isEnabled());
  const QStringList panel = {child<QLabel>("Frame2Caption(0)")->text(), child<QLabel>("Frame2Caption(1)")->text(),
                             child<QLabel>("Frame2Caption(2)")->text(), child<QLabel>("Frame2Caption(3)")->text()};
  EXPECT_EQ(panel, QStringList({"2", "2024-03-31 08:15:30", "meter one", "not set"}));

  graphRecord& g = graph();
  ASSERT_GE(g.axes.size(), 4);
  EXPECT_DOUBLE_EQ(g.axes[3].minValue, 2.0);
  EXPECT_DOUBLE_EQ(g.axes[3].maxValue, 4.0);
  EXPECT_DOUBLE_EQ(g.axes[2].minValue, g.axes[2].homeMin);  // the default y scale
  ASSERT_EQ(g.series.size(), 2);
  EXPECT_EQ(g.series[1].pointKind, kPointsIndexList);
  EXPECT_EQ(child<QComboBox>("Combo1")->currentText(), "series 1");
  // Drawn as it stands, the picture is that of the graph without its series.
  graphRecord bare = g;
  bare.series.resize(1);
  QImage expected(chart->core().picture1().size(), QImage::Format_RGB32);
  {
    PictureCanvas canvas(&expected);
    canvas.setScaleMode(kScalePixels);
    if (chart->core().picture1Font()) canvas.setFont(*chart->core().picture1Font());
    canvas.setBackColor(chart->core().picture1BackColour());
    canvas.clear();
    plotJtGraphToPicture(bare, canvas, chart->core().plotSeriesData);
  }
  chart->core().redrawPlot();
  EXPECT_EQ(chart->core().picture1(), expected);

  // The variant with the formatted value axis.
  chart->plotRec(2, "meter one",
                 {.title = "Record 2", .xMax = 8, .xStep = 1, .factor = 2.5, .offset = 1, .axisMax = 3},
                 true);
  EXPECT_EQ(graph().axes[2].labels[1].numberFormat.isEmpty(), false);
  EXPECT_DOUBLE_EQ(graph().axes[2].homeMax, 3);
}

// The earlier chart set-up from the window: the point-text items come back
// and the x scale follows the window's choice.
TEST_F(ChartInteractionTest, InitXYjtTakesTheWindowsXScale) {
  chart->plotRec(1, "", {.title = "", .xMax = 8, .xStep = 1}, false);
  QTest::mouseClick(child<QRadioButton>("Option2(1)"), Qt::LeftButton);
  QString title;
  chart->initXYjt(title, 1, testTime(2024, 3, 31, 3), testTime(2024, 3, 31, 6), 0.125);
  EXPECT_EQ(graph().axes[1].valueKind, kXScaleRecord);
  EXPECT_TRUE(item("mnuTxtBox_AbsTime")->isVisible());
  EXPECT_EQ(item("mnuTxtBox_AbsVal")->text(), "Abs Value");
  EXPECT_FALSE(title.isEmpty());
}

// The point text from the Text Box items; Insert makes the point the reference.
TEST_F(ChartInteractionTest, PointTextFollowsTheTextBoxItemsAndInsert) {
  item("mnuTxtBox_AbsTime")->setChecked(false);
  item("mnuTxtBox_RelPoint")->setChecked(true);
  const int32_t p = timeOf(3, 30);
  EXPECT_EQ(chart->makePointText(1, p, 1), "refPoint ERROR  1,500 W");
  QWidget* pic = chart->Picture1();
  QTest::mouseClick(pic, Qt::LeftButton, Qt::NoModifier, pointAt(p));
  QTest::keyClick(pic, Qt::Key_Insert);
  EXPECT_EQ(chart->makePointText(1, p, 1), "+0  1,500 W");
  EXPECT_EQ(chart->makePointText(1, p + 3, 1), "+3  1,500 W");
  QTest::keyClick(pic, Qt::Key_Delete);
  EXPECT_EQ(chart->makePointText(1, p, 1), "refPoint ERROR  1,500 W");
}

// The main window's load test makes and drops a second chart while this one
// is open: this chart keeps its own point label.
TEST_F(ChartInteractionTest, LoadTestLeavesTheOpenChartsPointLabel) {
  for (int i = 0; i < 2; ++i) emit meterEvents().chartLoadTestRequested();
  QWidget* pic = chart->Picture1();
  const int32_t p = timeOf(3, 30);
  EXPECT_EQ(getPointLabel(1, p, graph(), chart->core().picked().pointLabel), "");  // nothing picked yet
  QTest::mousePress(pic, Qt::LeftButton, Qt::NoModifier, pointAt(p));
  QTest::mouseRelease(pic, Qt::LeftButton, Qt::AltModifier, pointAt(p) + QPoint(40, -40));
  EXPECT_EQ(getPointLabel(1, p, graph(), chart->core().picked().pointLabel), "03:30:00\r\n1,500 W");
  // The label was drawn into the chart's picture beside the point, on its box's colour.
  const QImage& drawn = chart->core().picture1();
  int boxPixels = 0;
  for (int y = 0; y < drawn.height(); ++y)
    for (int x = 0; x < drawn.width(); ++x)
      boxPixels += drawn.pixel(x, y) == colourToQColor(m_settings.pointTextBackColor).rgb();
  EXPECT_GT(boxPixels, 100);
}
