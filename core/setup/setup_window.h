#pragma once
// frmSetup: the window that shows and edits the settings values (setup_values.h).
// Loaded hidden at start and never destroyed; closing it hides it. Its controls
// mirror the values: a user's edit goes to the values and runs the field rules,
// and every change of a value shows in its control. Nothing outside core/ reads
// its widgets.

#include <QHash>
#include <QIcon>
#include <QWidget>

#include "core/settings/settings.h"  // StartValues
#include "core/settings/settings_events.h"
#include "core/settings/setup_layout.h"
#include "core/setup/graph_slider.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class QMenu;

class SetupWindow : public QWidget {
  Q_OBJECT
 public:
  SetupWindow();

  // The load handler: the start values, default file names, diagnostics, then the settings'
  // start (factory defaults, the INI file unless `readIni` is false, the web server).
  void formLoad(const StartValues& start, bool readIni, const QIcon& icon = QIcon());
  void setDebugMode();
  // The application-log tab: starts the log with the tab's path and mode.
  void setAppLogMode();

  // Tab captions in order; a tab that is unavailable is hidden.
  bool tabAvailable(const QString& caption) const;

  QLineEdit* Text1(int i) const { return edit(ctl("Text1", i)); }
  QLineEdit* Text2(int i) const { return edit(ctl("Text2", i)); }
  QLineEdit* Text5(int i) const { return edit(ctl("Text5", i)); }
  QLineEdit* Text16(int i) const { return edit(ctl("Text16", i)); }
  QCheckBox* Check1(int i) const { return box(ctl("Check1", i)); }
  QCheckBox* Check4(int i) const { return box(ctl("Check4", i)); }
  QCheckBox* Check5(int i) const { return box(ctl("Check5", i)); }
  QCheckBox* Check8(int i) const { return box(ctl("Check8", i)); }
  QCheckBox* Check11(int i) const { return box(ctl("Check11", i)); }
  QCheckBox* Check7() const { return box(QStringLiteral("Check7")); }
  QCheckBox* Check9() const { return box(QStringLiteral("Check9")); }
  QRadioButton* option(const QString& group, int i) const;
  QSlider* Slider1() const { return m_slider.slider(); }
  QPlainTextEdit* Text17() const;
  QGroupBox* Frame10() const;
  QComboBox* Combo2() const;
  QPushButton* Command1(int i) const;
  QWidget* control(const QString& name) const { return m_controls.value(name); }
  GraphSlider& graphSlider() { return m_slider; }

 protected:
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  // Widget makers: each registers the widget under its designer name.
  QLineEdit* makeEdit(const QString& name, const QString& text = QString());
  QCheckBox* makeCheck(const QString& name, const QString& caption);
  QCheckBox* makeCheck(const QString& name) { return makeCheck(name, setupCaption(name)); }
  QRadioButton* makeOption(const char* group, int index);
  QLabel* makeLabel(const QString& name, const QString& caption);
  QPushButton* makeButton(const QString& name, const QString& caption);
  QGroupBox* makeFrame(const QString& name, const QString& caption);
  template <typename T>
  T* reg(const QString& name, T* w) {
    registerControl(name, w);
    return w;
  }
  void registerControl(const QString& name, QWidget* w);
  QLineEdit* edit(const QString& name) const;
  QCheckBox* box(const QString& name) const;

  QWidget* buildGeneralTab();
  QWidget* buildMeterScaleTab();
  QWidget* buildPlotScaleTab();
  QWidget* buildFilesTab();
  QWidget* buildAppLogTab();
  QWidget* buildDetectorTab();
  QWidget* buildWebTab();
  QWidget* buildUnitsTab();
  void connectHandlers();
  // Controls <-> settings values.
  void bindValues();
  void showText(const QString& name);
  void showValue(const QString& name);
  void showLook(const QString& name);
  void showPortList();

  void check7Click();
  void command1Click(int index);
  void command9Click(int index);
  void command3Click(int index);
  void refreshFileFields();
  // "Select": the request goes up, then the field shows the file in use.
  void pickFile(SettingsFile file);
  QString diagnosticHeader() const;

  QHash<QString, QWidget*> m_controls;
  QHash<QString, int> m_arrayCounts;
  QTabWidget* m_tabs = nullptr;
  QMenu* m_trayMenu = nullptr;
  GraphSlider m_slider;
};

// The setup window once loaded; nullptr before.
SetupWindow* frmSetup();
