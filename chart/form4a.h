#pragma once
// Form4a, the chart window: a shell around a ChartCore that shows its
// picture and its span band and passes the user's clicks on. The hidden
// instance that draws web images is a Form4a that is never shown.

#include <QMainWindow>
#include <optional>

#include "chart/chart_core.h"

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
class ChartPicture;

class Form4a : public QMainWindow {
  Q_OBJECT

 public:
  // defaultInstance: the user's chart, which keeps chartWindowLoaded.
  Form4a(bool loadAsInvisible, bool defaultInstance, QWidget* parent = nullptr);
  ~Form4a() override;

  ChartCore& core() { return *m_core; }
  void autoUpdatePlot(Date now, bool force) { m_core->autoUpdatePlot(now, force); }
  void makeZavGraph(plotParamRecord& param) { m_core->makeZavGraph(param); }

  QWidget* Picture1() const;
  QComboBox* Combo2() const { return m_combo2; }
  QLineEdit* Text3() const { return m_text3; }
  QCheckBox* chkNow() const { return m_chkNow; }
  QCheckBox* Check3() const { return m_check3; }
  QPushButton* Command3() const { return m_command3; }

 protected:
  void resizeEvent(QResizeEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void buildMenus();
  void buildControls();
  void showBand();
  void formResize();
  void layoutPlotArea();
  void layoutControls(bool fixedSize);
  QSize pictureBorderTw() const;

  bool m_defaultInstance = false;
  bool m_layoutDone = false;
  bool m_inResize = false;
  std::optional<QSize> m_fittedSize;
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
};
