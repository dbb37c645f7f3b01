#pragma once
// Form4a, the chart window: a shell around a ChartCore that shows its
// picture and its span band and passes the user's clicks on.

#include <QMainWindow>
#include <QStringList>
#include <optional>

#include "chart/chart_core.h"
#include "chart/x_range.h"
#include "plot/graph/pick_picture.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTabWidget;
class QMenu;
class ChartPicture;
struct SeriesListEntries;

class Form4a : public QMainWindow {
  Q_OBJECT

 public:
  // source: what the chart draws from (chart_core.h).
  Form4a(const Settings& settings, PlotSource source, QWidget* parent = nullptr);
  ~Form4a() override;

  ChartCore& core() { return *m_core; }
  void autoUpdatePlot(Date now, bool force) { m_core->autoUpdatePlot(now, force); }

  QWidget* Picture1() const;
  QComboBox* Combo2() const { return m_combo2; }
  QLineEdit* Text3() const { return m_text3; }
  QCheckBox* chkNow() const { return m_chkNow; }
  QCheckBox* Check3() const { return m_check3; }
  QPushButton* Command3() const { return m_command3; }
  const PickPicture& pickPicture() const { return m_pick; }

  // The text of the current pick; fills and places the value box Picture3.
  QString getPntTxt();
  // Routines of the window that no control reaches.
  void fillSeriesList();
  void savePic(const QString& fileName);

  // One data record as a graph (form4a_record.cpp): the record plot over the
  // plotted channels; withFormat picks its variant with the formatted value
  // axis (up to the graph's axisMax).
  void plotRec(int32_t recordNo, const QString& name, const RecordGraphOptions& graph, bool withFormat);
  // The earlier set-up of the time chart from the window's own controls;
  // makeXYplot would call it in place of initZavGraph.
  void initXYjt(QString& title, int16_t seriesCount, Date xMin, Date xMax, double xStep);
  // The text of one point from the Text Box menu's choices; Insert as the
  // last key makes the point the reference of the relative pieces, Delete
  // drops the reference.
  QString makePointText(int16_t seriesNr, int32_t pointNr, int16_t graphType);

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void buildMenus();  // form4a_menus.cpp
  void buildControls();
  void showBand();
  void formResize();
  void layoutPlotArea();
  void layoutControls(bool fixedSize);
  void hideToolsPanel();
  QSize pictureBorderTw() const;

  bool m_layoutDone = false;
  bool m_inResize = false;
  bool m_formActive = false;  // between the window's activation and deactivation
  ChartCore* m_core = nullptr;
  ChartPicture* m_picture1 = nullptr;
  QLabel* m_picture3 = nullptr;
  QGroupBox* m_frame1 = nullptr;
  QGroupBox* m_frame4 = nullptr;
  QGroupBox* m_frame5 = nullptr;
  QGroupBox* m_frame6 = nullptr;
  QTabWidget* m_ssTab1 = nullptr;
  QScrollBar* m_hScroll2 = nullptr;
  QScrollBar* m_hScroll3 = nullptr;
  QComboBox* m_combo2 = nullptr;
  QLineEdit* m_text3 = nullptr;
  QLineEdit* m_text4 = nullptr;
  QLineEdit* m_text2 = nullptr;
  QCheckBox* m_chkNow = nullptr;
  QCheckBox* m_check3 = nullptr;
  QPushButton* m_command3 = nullptr;

  // Scrolling and zoom (form4a_scroll_zoom.cpp).
  void buildScaleTab(QWidget* page);
  void setSelXrange();
  void hScroll1Moved(int position, bool dragging);
  void applyZoom(int mode);
  void applyYScale(bool isCommand, int n);
  void showZoomTexts(const std::optional<ZoomTexts>& texts);
  XScrollBar m_xBar;
  bool m_scrollTrack = false;

  // Picking with the pointer and the keys (form4a_picking.cpp).
  void buildGraphMenu();
  bool picture1Event(QEvent* e);
  void showPointAt(int16_t aflg, int16_t keyCode, int16_t shift, int16_t button, float x, float y);
  void moveEndTimeToPick();
  void showKeptSelection();
  void openGraphMenu(QPoint atPx);
  void hideGraphMenu();
  PickPicture m_pick;
  int16_t m_lastKeyCode = 0;
  bool m_valueBoxFlag = true;
  int32_t m_selSeriesMask = -1;
  int16_t m_selSeriesIndex = 0;

  // The point text (form4a_point_text.cpp).
  void fillChannelList();
  void fillCombo1(const SeriesListEntries& entries);
  bool m_boxAbove = false;
  int32_t m_refPoint = 0;  // reference of makePointText's relative pieces

  // The record shown by plotRec: its number, time, name and the panel's note.
  QStringList m_recordTexts;

  // Options, menus and info panels (form4a_menus.cpp).
  void buildOptionsTab(QWidget* page);
  void connectMenus();
  void showInfoPanel(int kind);
  void selectSeries();
  void showSelectedSeriesAxes();
  void redrawAfterOption();
  QAction* menuItem(const char* name) const;

  // Output (form4a_output.cpp).
  void connectOutput();
  void copyChartToClipboard();
  void printChart();
  void saveMarks();
};
