#include "core/setup/setup_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/settings/factory_defaults.h"
#include "core/globals.h"
#include "core/settings/ini_reader.h"
#include "core/settings/ini_writer.h"
#include "core/log/logmsg.h"
#include "core/main_window_calls.h"
#include "core/util/number_text.h"
#include "core/setup/setup_file_dialog.h"
#include "platform/app_event_log.h"
#include "platform/colour.h"
#include "platform/message_box.h"
#include "web/web_services.h"

namespace {
SetupWindow* g_setup = nullptr;

// Arrays are named "Name(i)"; the array name is the part before "(".
QString arrayOf(const QString& name) { return name.section(u'(', 0, 0); }

// Check-box values: 0 clear, 1 ticked, 2 grey (Qt counts grey as 1 and ticked as 2).
int checkValueOf(Qt::CheckState s) { return s == Qt::Checked ? 1 : s == Qt::PartiallyChecked ? 2 : 0; }
Qt::CheckState checkStateOf(int v) {
  return v == 1 ? Qt::Checked : v == 2 ? Qt::PartiallyChecked : Qt::Unchecked;
}

// A user's click ticks or clears the box; only code sets the grey state.
class SettingCheckBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

 protected:
  void nextCheckState() override { setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked); }
};

class HourGlass {
 public:
  HourGlass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~HourGlass() { QApplication::restoreOverrideCursor(); }
};
}  // namespace

SetupWindow* frmSetup() { return g_setup; }

SetupWindow::SetupWindow() : m_fields(*this) {
  if (!g_setup) g_setup = this;
  setObjectName(QStringLiteral("frmSetup"));
  setWindowTitle(QStringLiteral("Setup"));
  auto* top = new QVBoxLayout(this);
  m_tabs = reg(QStringLiteral("SSTab1"), new QTabWidget(this));
  m_tabs->addTab(buildGeneralTab(), QStringLiteral("General"));
  m_tabs->addTab(buildMeterScaleTab(), QStringLiteral("Meter scale"));
  m_tabs->addTab(buildPlotScaleTab(), QStringLiteral("Plot scale"));
  m_tabs->addTab(buildFilesTab(), QStringLiteral("Files"));
  m_tabs->addTab(buildAppLogTab(), QStringLiteral("AppLog"));
  m_tabs->addTab(buildDetectorTab(), QStringLiteral("Detector Setup"));
  m_tabs->addTab(buildWebTab(), QStringLiteral("Web Server"));
  m_tabs->addTab(buildUnitsTab(), QStringLiteral("Units"));
  top->addWidget(m_tabs);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(makeButton(ctl("Command1", 1), QStringLiteral("Save settings")));
  buttons->addWidget(makeButton(ctl("Command1", 2), QStringLiteral("(re) Load .INI file")));
  buttons->addWidget(makeButton(ctl("Command1", 3), QStringLiteral("Restore factory defaults")));
  buttons->addStretch();
  buttons->addWidget(makeCheck(QStringLiteral("Check7"), QStringLiteral("debugMode")));
  top->addLayout(buttons);
  box(QStringLiteral("Check7"))->setVisible(false);

  m_trayMenu = reg(QStringLiteral("mnuTray"), new QMenu(QStringLiteral("&Tray"), this));
  for (const auto& [name, caption] :
       {std::pair{"mnuAbout", "&About"}, {"mnuOptions", "&Options"}, {"mnuStart", "&Start"}})
    m_trayMenu->addAction(QString::fromLatin1(caption))->setObjectName(QString::fromLatin1(name));

  // Hidden until "Advanced functions" is ticked or debugMode asks for them.
  for (const QString& n : SetupFields::advancedControls()) setVisible(n, false);
  for (const char* n : {"Label1(3)", "Text1(3)", "Frame9", "Label1(4)", "Text1(4)"})
    setVisible(QString::fromLatin1(n), false);
  connectHandlers();
}

void SetupWindow::registerControl(const QString& name, QWidget* w) {
  w->setObjectName(name);
  m_controls.insert(name, w);
  if (name.endsWith(u')')) {
    const QString array = arrayOf(name);
    const int index = name.section(u'(', 1).chopped(1).toInt();
    m_arrayCounts[array] = std::max(m_arrayCounts.value(array), index + 1);
  }
}

QLineEdit* SetupWindow::makeEdit(const QString& name, const QString& text) {
  auto* e = reg(name, new QLineEdit(text));
  e->setProperty("foreColor", logColourNormal);
  return e;
}

QCheckBox* SetupWindow::makeCheck(const QString& name, const QString& caption) {
  auto* c = reg(name, new SettingCheckBox(caption));
  c->setTristate(true);
  return c;
}

QRadioButton* SetupWindow::makeOption(const char* group, int index, const QString& caption) {
  return reg(ctl(group, index), new QRadioButton(caption));
}

QLabel* SetupWindow::makeLabel(const QString& name, const QString& caption) {
  auto* l = new QLabel(caption);
  if (!name.isEmpty()) reg(name, l);
  return l;
}

QPushButton* SetupWindow::makeButton(const QString& name, const QString& caption) {
  return reg(name, new QPushButton(caption));
}

QGroupBox* SetupWindow::makeFrame(const QString& name, const QString& caption) {
  return reg(name, new QGroupBox(caption));
}

QLineEdit* SetupWindow::edit(const QString& name) const { return qobject_cast<QLineEdit*>(control(name)); }
QCheckBox* SetupWindow::box(const QString& name) const { return qobject_cast<QCheckBox*>(control(name)); }
QRadioButton* SetupWindow::option(const QString& group, int i) const {
  return qobject_cast<QRadioButton*>(control(group + u'(' + QString::number(i) + u')'));
}
QPlainTextEdit* SetupWindow::Text17() const { return qobject_cast<QPlainTextEdit*>(control("Text17")); }
QGroupBox* SetupWindow::Frame10() const { return qobject_cast<QGroupBox*>(control("Frame10")); }
QComboBox* SetupWindow::Combo2() const { return qobject_cast<QComboBox*>(control("Combo2")); }
QPushButton* SetupWindow::Command1(int i) const {
  return qobject_cast<QPushButton*>(control(ctl("Command1", i)));
}

// ---- SetupControls ----

QString SetupWindow::text(const QString& name) const {
  QWidget* w = control(name);
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  if (auto* p = qobject_cast<QPlainTextEdit*>(w)) return p->toPlainText();
  return QString();
}

void SetupWindow::setText(const QString& name, const QString& text) {
  if (auto* e = edit(name)) e->setText(text);  // textChanged runs the handler when the text differs
}

int SetupWindow::value(const QString& name) const {
  QWidget* w = control(name);
  if (auto* c = qobject_cast<QCheckBox*>(w)) return checkValueOf(c->checkState());
  if (auto* o = qobject_cast<QRadioButton*>(w)) return o->isChecked() ? 1 : 0;
  return 0;
}

void SetupWindow::setValue(const QString& name, int value) {
  QWidget* w = control(name);
  if (auto* c = qobject_cast<QCheckBox*>(w)) c->setCheckState(checkStateOf(value));
  if (auto* o = qobject_cast<QRadioButton*>(w)) o->setChecked(value != 0);
}

int SetupWindow::count(const QString& array) const { return m_arrayCounts.value(array); }

void SetupWindow::setForeColor(const QString& name, int32_t colour) {
  QWidget* w = control(name);
  if (!w) return;
  w->setProperty("foreColor", colour);
  QPalette p = w->palette();
  p.setColor(QPalette::Text, colourToQColor(colour));
  p.setColor(QPalette::WindowText, colourToQColor(colour));
  w->setPalette(p);
}

void SetupWindow::setBackColor(const QString& name, int32_t colour) {
  QWidget* w = control(name);
  if (!w) return;
  w->setProperty("backColor", colour);
  QPalette p = w->palette();
  p.setColor(QPalette::Base, colourToQColor(colour));
  w->setPalette(p);
}

void SetupWindow::setToolTip(const QString& name, const QString& tip) {
  if (QWidget* w = control(name)) w->setToolTip(tip);
}

void SetupWindow::setEnabled(const QString& name, bool enabled) {
  if (QWidget* w = control(name)) w->setEnabled(enabled);
}

void SetupWindow::setVisible(const QString& name, bool visible) {
  // Hidden stays hidden after the window is shown: setVisible on a child is explicit.
  if (QWidget* w = control(name)) w->setVisible(visible);
}

QString SetupWindow::caption(const QString& name) const {
  QWidget* w = control(name);
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  return QString();
}

int SetupWindow::sliderValue() const { return m_slider.slider()->value(); }
void SetupWindow::setSliderQuietly(int position) { m_slider.setGraphTimeWidth(position); }

bool SetupWindow::tabAvailable(const QString& caption) const {
  for (int i = 0; i < m_tabs->count(); ++i)
    if (m_tabs->tabText(i) == caption) return m_tabs->isTabVisible(i);
  return false;
}

// ---- handlers ----

void SetupWindow::connectHandlers() {
  for (int i : SetupFields::text1Indexes())
    connect(Text1(i), &QLineEdit::textChanged, this, [this, i] { m_fields.text1Change(i); });
  for (int i = 0; i < count("Text5"); ++i)
    connect(Text5(i), &QLineEdit::textChanged, this, [this, i] { m_fields.text5Change(i); });
  for (const char* array : {"Check1", "Check4", "Check5", "Check8", "Check11"}) {
    const QString a = QString::fromLatin1(array);
    for (int i = 0; i < count(a); ++i)
      if (QCheckBox* c = box(ctl(array, i)))
        connect(c, &QCheckBox::stateChanged, this, [this, a, i] { m_fields.checkClick(a, i); });
  }
  for (const char* group : {"Option1", "Option2", "Option3", "Option5", "Option6", "Option7"}) {
    const QString g = QString::fromLatin1(group);
    for (int i = 0; i < count(g); ++i)
      connect(option(g, i), &QRadioButton::toggled, this, [this, g, i](bool on) {
        if (on) m_fields.optionClick(g, i);
      });
  }
  connect(Check7(), &QCheckBox::stateChanged, this, [this] { check7Click(); });
  connect(Check9(), &QCheckBox::stateChanged, this, [this] { check9Click(); });
  connect(box("cheLogging"), &QCheckBox::stateChanged, this, [this] { cheLoggingClick(); });
  for (int i : {0, 1, 2, 3, 4, 5})
    connect(Command1(i), &QPushButton::clicked, this, [this, i] { command1Click(i); });
  for (int i : {0, 1})
    connect(qobject_cast<QPushButton*>(control(ctl("Command9", i))), &QPushButton::clicked, this,
            [this, i] { command9Click(i); });
  auto* modes = qobject_cast<QComboBox*>(control("Combo1"));
  connect(modes, &QComboBox::currentIndexChanged, this, [this] { setAppLogMode(); });
  connect(qobject_cast<QPushButton*>(control("Command2")), &QPushButton::clicked, this,
          [this] { setAppLogMode(); });
  for (int i : {0, 1})
    connect(box(ctl("Check2", i)), &QCheckBox::stateChanged, this, [this] { setAppLogMode(); });
  for (int i : {0, 1, 2})
    connect(qobject_cast<QPushButton*>(control(ctl("Command3", i))), &QPushButton::clicked, this,
            [this, i] { command3Click(i); });
  connect(qobject_cast<QPushButton*>(control("Command11")), &QPushButton::clicked, this,
          [] { findAvailableComPorts(); });
  control("Frame11")->installEventFilter(this);
  for (int i = 0; i < count("Label18"); ++i) control(ctl("Label18", i))->installEventFilter(this);
  control("Label2(0)")->installEventFilter(this);
}

bool SetupWindow::eventFilter(QObject* watched, QEvent* e) {
  const QString name = watched->objectName();
  if (name == u"Frame11" && e->type() == QEvent::MouseButtonRelease) {
    for (int i = 0; i < count("Text16"); ++i) Text16(i)->clear();
    clearComEventCounters(-1);
  } else if (name.startsWith(u"Label18(") && e->type() == QEvent::MouseButtonDblClick) {
    const int i = name.section(u'(', 1).chopped(1).toInt();
    Text16(i)->clear();
    clearComEventCounters(int16_t(i));
    return true;
  } else if (name == u"Label2(0)" && e->type() == QEvent::MouseButtonRelease) {
    Text2(0)->setText(QDir::currentPath());
  }
  return QWidget::eventFilter(watched, e);
}

void SetupWindow::check7Click() {
  const int16_t magnitude = int16_t(std::abs(debugMode));
  debugMode = Check7()->checkState() == Qt::Checked ? magnitude : int16_t(-magnitude);
  setDebugMode();
}

void SetupWindow::check9Click() {
  const int v = value("Check9");
  if (v == 1) {
    if (webServerPort != 0) {
      msgBox(QStringLiteral("Web server is already running on port: ") + QString::number(webServerPort));
      return;
    }
    const QString t = text("Text18");
    const double port = std::trunc(val(t));
    if (t.isEmpty() || (port >= 80 && port <= 65535)) {
      setForeColor("Text18", logColourNormal);
      setToolTip("Text18", t.isEmpty() ? QStringLiteral("Using default http port number: 80") : QString());
      checkWebRootFolder();
    } else {
      setForeColor("Text18", logColourError);
      setToolTip("Text18", QStringLiteral("Port number error"));
      setValue("Check9", 2);
    }
  } else if (v == 0 && webServerPort != 0) {
    stopWebServer();
  }
}

void SetupWindow::cheLoggingClick() {
  const bool off = value("cheLogging") == 0;
  setEnabled("txtWebLogFile", off);
  setEnabled("Command9(1)", off);
}

void SetupWindow::showWebServerUnavailable() {
  auto* status = qobject_cast<QLabel*>(control("lblServerStatus"));
  auto* url = qobject_cast<QLabel*>(control("lblServerURL"));
  status->setText(QStringLiteral("Web Server ERROR:"));
  setForeColor("lblServerStatus", logColourError);
  url->setText(QStringLiteral("The web server is not part of this build and cannot start."));
  setForeColor("lblServerURL", logColourError);
  url->setVisible(true);
  setValue("Check9", 0);
}

void SetupWindow::showWebServerStopped() {
  auto* status = qobject_cast<QLabel*>(control("lblServerStatus"));
  auto* url = qobject_cast<QLabel*>(control("lblServerURL"));
  status->setText(QStringLiteral("Web Server is Not running"));
  setForeColor("lblServerStatus", logColourNormal);
  url->clear();
  url->setToolTip(QString());
  url->setVisible(false);
  setEnabled("txtWebRoot", true);
  setEnabled("Text18", true);
}

void SetupWindow::command1Click(int index) {
  switch (index) {
    case 0:
    case 4:
    case 5:
      if (!mainWindowLoaded) {
        msgBox(QStringLiteral("Main window is not loaded"));
        return;
      }
      if (index == 0) {
        selZavdataFile();
        Text2(2)->setText(zavDatFileName[0]);
      } else if (index == 4) {
        selZavtextFile();
        Text2(5)->setText(zavLogFileName);
      } else {
        selPlotPictureFile();
        Text2(7)->setText(zavPlotFileName);
      }
      break;
    case 1: {
      HourGlass h;
      saveIniFile(iniFileName);
      break;
    }
    case 2: {
      HourGlass h;
      loadINIfile(iniFileName, *this);
      applySetupSettings(false);
      break;
    }
    case 3: {
      HourGlass h;
      applySetupSettings(true);
      break;
    }
    default: break;
  }
}

void SetupWindow::command9Click(int index) {
  QString name = index == 0 ? text("txtWebRoot") : text("txtWebLogFile");
  if (index == 0 && name.endsWith(u'/')) name.chop(1);
  int16_t cancelled = 0;
  selectFileDialog(QString(), name, index == 0 ? 3 : 1, cancelled);
  if (cancelled == 0) setText(index == 0 ? "txtWebRoot" : "txtWebLogFile", name);
}

void SetupWindow::setAppLogMode() {
  auto* modes = qobject_cast<QComboBox*>(control("Combo1"));
  const QString eol = QStringLiteral("\r\n");
  QString t = QStringLiteral("setAppLogMode:") + eol;
  t += QStringLiteral("  old appLogPath=") + appLogCurrentPath() + eol + QStringLiteral("  old appLogMode=") +
       QString::number(appLogCurrentMode()) + eol;
  const int32_t mode =
      std::max(modes->currentIndex(), 0) | (value("Check2(0)") * 16) | (value("Check2(1)") * 32);
  t += QStringLiteral("  set appLogPath=") + text("Text2(6)") + eol + QStringLiteral("  set appLogMode=") +
       QString::number(mode) + eol;
  appLogStart(text("Text2(6)"), mode);
  t += QStringLiteral("  new appLogPath=") + appLogCurrentPath() + eol + QStringLiteral("  new appLogMode=") +
       QString::number(appLogCurrentMode()) + eol;
  logMsg(2, t);
}

void SetupWindow::command3Click(int index) {
  int32_t type = 0;
  const QString typeText = text(ctl("Text4", index));
  if (!localeToInt32(typeText, type) || typeText.contains(u'.') || typeText.contains(u',')) {
    logMsg(-1, QStringLiteral("Command3_Click: ERROR: event type '") + typeText +
                   QStringLiteral("' is not a whole number; nothing sent"));
    return;
  }
  appLogEvent(text(ctl("Text3", index)), type);
}

void SetupWindow::meterOnOflineChanged() {
  for (const char* n : {"Command1(3)", "Command1(2)", "Command1(0)", "Text2(2)", "Check8(0)", "Frame1",
                        "Text1(0)", "Text1(14)", "Text1(13)", "Label1(0)", "Label1(15)", "Label1(12)"})
    setEnabled(QString::fromLatin1(n), !meterOnline);
}

void SetupWindow::setDebugMode() {
  Check7()->setToolTip(QStringLiteral("debugMode = ") + QString::number(debugMode));
  const bool on = debugMode >= 2;
  for (int i = 0; i < m_tabs->count(); ++i)
    if (m_tabs->tabText(i) == u"AppLog" || m_tabs->tabText(i) == u"Detector Setup")
      m_tabs->setTabVisible(i, on);
  for (const char* n : {"Label1(3)", "Text1(3)", "Frame9"}) setVisible(QString::fromLatin1(n), on);
  if (mainWindowLoaded) setWindowSize();
}

void SetupWindow::shutDownProgram() {
  if (webServerPort != 0) stopWebServer();
}

void SetupWindow::searchComPorts() {
  Combo2()->clear();
  Combo2()->addItem(QStringLiteral("vbLogAuto"));
  Combo2()->setCurrentIndex(0);
}

void SetupWindow::refreshFileFields() {
  Text2(0)->setText(QDir::currentPath());
  Text2(1)->setText(iniFileName);
  Text2(2)->setText(zavDatFileName[0]);
  Text2(3)->setText(zavDatFileName[1]);
  Text2(4)->setText(hlpFileName);
  Text2(5)->setText(zavLogFileName);
  Text2(6)->setText(appLogPath());
  Text2(7)->setText(zavPlotFileName);
}

void SetupWindow::closeEvent(QCloseEvent* e) {
  e->ignore();
  hide();
}

void SetupWindow::changeEvent(QEvent* e) {
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) refreshFileFields();
  QWidget::changeEvent(e);
}

bool saveIniFile(const QString& fileName) { return g_setup && saveIniFile(fileName, *g_setup); }
