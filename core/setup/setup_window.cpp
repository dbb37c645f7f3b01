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
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>
#include <climits>

#include "core/globals.h"
#include "core/log/logmsg.h"
#include "core/settings/factory_defaults.h"
#include "core/settings/ini_reader.h"
#include "core/settings/ini_writer.h"
#include "core/settings/settings_events.h"
#include "core/settings/setup_values.h"
#include "core/setup/setup_file_dialog.h"
#include "core/util/number_text.h"
#include "core/util/text_helpers.h"
#include "platform/app_event_log.h"
#include "platform/colour.h"
#include "platform/comm_device.h"
#include "platform/message_box.h"

namespace {
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

SetupWindow::SetupWindow(SetupValues& values) : m_values(values) {
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

  m_trayMenu = reg(QStringLiteral("mnuTray"), new QMenu(QStringLiteral("&Tray"), this));
  for (const auto& [name, caption] :
       {std::pair{"mnuAbout", "&About"}, {"mnuOptions", "&Options"}, {"mnuStart", "&Start"}})
    m_trayMenu->addAction(QString::fromLatin1(caption))->setObjectName(QString::fromLatin1(name));

  // Every field takes any length: a long value read from the INI file is saved whole.
  for (QWidget* w : std::as_const(m_controls))
    if (auto* e = qobject_cast<QLineEdit*>(w)) e->setMaxLength(INT_MAX);
  Text1(0)->setToolTip(comDeviceTable());
  bindValues();
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

QRadioButton* SetupWindow::makeOption(const char* group, int index) {
  const QString name = ctl(group, index);
  return reg(name, new QRadioButton(setupCaption(name)));
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

// ---- controls <-> settings values ----

void SetupWindow::bindValues() {
  SetupValues& v = values();
  for (auto it = m_controls.cbegin(); it != m_controls.cend(); ++it) {
    const QString& name = it.key();
    showLook(name);
    if (!isSetupValue(name)) continue;
    showText(name);
    showValue(name);
    if (auto* e = qobject_cast<QLineEdit*>(it.value())) {
      connect(e, &QLineEdit::textChanged, this,
              [this, name](const QString& t) { values().setText(name, t); });
    } else if (auto* o = qobject_cast<QRadioButton*>(it.value())) {
      connect(o, &QRadioButton::toggled, this, [this, name](bool on) {
        if (on) values().setValue(name, 1);
      });
    } else if (auto* c = qobject_cast<QCheckBox*>(it.value())) {
      connect(c, &QCheckBox::stateChanged, this,
              [this, name, c] { values().setValue(name, checkValueOf(c->checkState())); });
    }
  }
  m_slider.setGraphTimeWidth(v.sliderValue());
  connect(m_slider.slider(), &QSlider::valueChanged, this, [this](int p) { values().takeSliderPosition(p); });
  showPortList();
  connect(&v, &SetupValues::textChanged, this, &SetupWindow::showText);
  connect(&v, &SetupValues::valueChanged, this, &SetupWindow::showValue);
  connect(&v, &SetupValues::lookChanged, this, &SetupWindow::showLook);
  connect(&v, &SetupValues::sliderChanged, this,
          [this] { m_slider.setGraphTimeWidth(values().sliderValue()); });
  connect(&v, &SetupValues::portListChanged, this, &SetupWindow::showPortList);
}

void SetupWindow::showText(const QString& name) {
  QWidget* w = control(name);
  const QString t = values().text(name);
  if (auto* e = qobject_cast<QLineEdit*>(w)) {
    if (e->text() != t) {
      const QSignalBlocker quiet(e);
      e->setText(t);
    }
    // A read-only figure shows its start, not its end.
    if (e->isReadOnly()) e->setCursorPosition(0);
  } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
    if (p->toPlainText() != t) p->setPlainText(t);
  }
}

void SetupWindow::showValue(const QString& name) {
  QWidget* w = control(name);
  const int v = values().value(name);
  if (auto* o = qobject_cast<QRadioButton*>(w)) {
    const QSignalBlocker quiet(o);
    o->setChecked(v != 0);
  } else if (auto* c = qobject_cast<QCheckBox*>(w)) {
    const QSignalBlocker quiet(c);
    c->setCheckState(checkStateOf(v));
  }
}

void SetupWindow::showLook(const QString& name) {
  QWidget* w = control(name);
  if (!w) return;
  const ControlLook look = values().look(name);
  if (look.foreColor || look.backColor) {
    QPalette p = w->palette();
    if (look.foreColor) {
      w->setProperty("foreColor", *look.foreColor);
      p.setColor(QPalette::Text, colourToQColor(*look.foreColor));
      p.setColor(QPalette::WindowText, colourToQColor(*look.foreColor));
    }
    if (look.backColor) {
      w->setProperty("backColor", *look.backColor);
      p.setColor(QPalette::Base, colourToQColor(*look.backColor));
    }
    w->setPalette(p);
  }
  if (look.toolTip) w->setToolTip(*look.toolTip);
  if (look.enabled) w->setEnabled(*look.enabled);
  // A child hidden here stays hidden when the window is shown.
  if (look.visible) w->setVisible(*look.visible);
  if (look.caption) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(*look.caption);
    if (auto* l = qobject_cast<QLabel*>(w)) l->setText(*look.caption);
    if (auto* g = qobject_cast<QGroupBox*>(w)) g->setTitle(*look.caption);
  }
}

void SetupWindow::showPortList() {
  QComboBox* list = Combo2();
  const QSignalBlocker quiet(list);
  list->clear();
  for (const PortListItem& item : values().portList()) list->addItem(item.text, item.port);
  list->setCurrentIndex(values().portListIndex());
}

bool SetupWindow::tabAvailable(const QString& caption) const {
  for (int i = 0; i < m_tabs->count(); ++i)
    if (m_tabs->tabText(i) == caption) return m_tabs->isTabVisible(i);
  return false;
}

// ---- handlers ----

void SetupWindow::connectHandlers() {
  connect(Check7(), &QCheckBox::stateChanged, this, [this] { check7Click(); });
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
          [] { emit meterLinkRequests().comSearchRequested(); });
  control("Frame11")->installEventFilter(this);
  for (int i = 0; i < m_arrayCounts.value("Label18"); ++i)
    control(ctl("Label18", i))->installEventFilter(this);
  control("Label2(0)")->installEventFilter(this);
}

bool SetupWindow::eventFilter(QObject* watched, QEvent* e) {
  const QString name = watched->objectName();
  if (name == u"Frame11" && e->type() == QEvent::MouseButtonRelease) {
    for (int i = 0; i < setupArrayCount("Text16"); ++i) values().showComEventCount(i, QString());
    emit meterLinkRequests().comEventCountersCleared(-1);
  } else if (name.startsWith(u"Label18(") && e->type() == QEvent::MouseButtonDblClick) {
    const int i = indexOf(name);
    values().showComEventCount(i, QString());
    emit meterLinkRequests().comEventCountersCleared(i);
    return true;
  } else if (name == u"Label2(0)" && e->type() == QEvent::MouseButtonRelease) {
    values().setText(QStringLiteral("Text2(0)"), QDir::currentPath());
  }
  return QWidget::eventFilter(watched, e);
}

void SetupWindow::check7Click() {
  const int16_t magnitude = int16_t(std::abs(values().settings().debugMode));
  values().setDebugMode(Check7()->checkState() == Qt::Checked ? magnitude : int16_t(-magnitude));
  setDebugMode();
}

void SetupWindow::command1Click(int index) {
  switch (index) {
    case 0:
    case 4:
    case 5:
      if (!values().mainWindowLoaded()) {
        msgBox(QStringLiteral("Main window is not loaded"));
        return;
      }
      pickFile(index == 0   ? SettingsFile::Data
               : index == 4 ? SettingsFile::TextLog
                            : SettingsFile::PlotPicture);
      break;
    case 1: {
      HourGlass h;
      saveIniFile(values().settings().iniFileName, values());
      break;
    }
    case 2: {
      HourGlass h;
      loadINIfile(values().settings().iniFileName, values());
      values().applySetupSettings(false);
      break;
    }
    case 3: {
      HourGlass h;
      values().applySetupSettings(true);
      break;
    }
    default: break;
  }
}

void SetupWindow::command9Click(int index) {
  const QString field = index == 0 ? QStringLiteral("txtWebRoot") : QStringLiteral("txtWebLogFile");
  QString name = values().text(field);
  if (index == 0 && name.endsWith(u'/')) name.chop(1);
  int16_t cancelled = 0;
  selectFileDialog(QString(), name, index == 0 ? 3 : 1, cancelled);
  if (cancelled == 0) values().setText(field, name);
}

void SetupWindow::setAppLogMode() {
  auto* modes = qobject_cast<QComboBox*>(control("Combo1"));
  QString t = QStringLiteral("setAppLogMode:") + kCrLf;
  t += QStringLiteral("  old appLogPath=") + appLogCurrentPath() + kCrLf +
       QStringLiteral("  old appLogMode=") + QString::number(appLogCurrentMode()) + kCrLf;
  const int32_t mode = std::max(modes->currentIndex(), 0) |
                       (checkValueOf(box("Check2(0)")->checkState()) * 16) |
                       (checkValueOf(box("Check2(1)")->checkState()) * 32);
  const QString path = values().text(QStringLiteral("Text2(6)"));
  t += QStringLiteral("  set appLogPath=") + path + kCrLf + QStringLiteral("  set appLogMode=") +
       QString::number(mode) + kCrLf;
  if (const Result<> started = appLogStart(path, mode); !started)
    logMsg(-1, QStringLiteral("setAppLogMode: ERROR ") + started.error());
  t += QStringLiteral("  new appLogPath=") + appLogCurrentPath() + kCrLf +
       QStringLiteral("  new appLogMode=") + QString::number(appLogCurrentMode()) + kCrLf;
  logMsg(2, t);
}

void SetupWindow::command3Click(int index) {
  const QString typeText = edit(ctl("Text4", index))->text();
  const Result<int32_t> type = localeToInt32(typeText);
  if (!type || typeText.contains(u'.') || typeText.contains(u',')) {
    logMsg(-1, QStringLiteral("Command3_Click: ERROR: event type '") + typeText +
                   QStringLiteral("' is not a whole number; nothing sent"));
    return;
  }
  if (const Result<> sent = appLogEvent(edit(ctl("Text3", index))->text(), *type); !sent)
    logMsg(-1, QStringLiteral("Command3_Click: ERROR ") + sent.error());
}

void SetupWindow::setDebugMode() {
  const int16_t debugMode = values().settings().debugMode;
  Check7()->setToolTip(QStringLiteral("debugMode = ") + QString::number(debugMode));
  const bool on = debugMode >= 2;
  for (int i = 0; i < m_tabs->count(); ++i)
    if (m_tabs->tabText(i) == u"AppLog" || m_tabs->tabText(i) == u"Detector Setup")
      m_tabs->setTabVisible(i, on);
  for (const char* n : {"Label1(3)", "Text1(3)", "Frame9"}) values().setVisible(QString::fromLatin1(n), on);
  if (values().mainWindowLoaded()) emit settingsEvents().mainWindowLayoutChanged();
}

void SetupWindow::pickFile(SettingsFile file) {
  emit fileRequests().filePickRequested(file);
  values().takeFilesInUse();
  const Settings& s = values().settings();
  switch (file) {
    case SettingsFile::Data: values().setText(QStringLiteral("Text2(2)"), s.zavDatFileName[0]); break;
    case SettingsFile::TextLog: values().setText(QStringLiteral("Text2(5)"), s.zavLogFileName); break;
    case SettingsFile::PlotPicture: values().setText(QStringLiteral("Text2(7)"), s.zavPlotFileName); break;
  }
}

void SetupWindow::refreshFileFields() {
  values().takeFilesInUse();
  const Settings& s = values().settings();
  const QString files[] = {QDir::currentPath(), s.iniFileName,    s.zavDatFileName[0], s.zavDatFileName[1],
                           s.hlpFileName,       s.zavLogFileName, appLogPath(),        s.zavPlotFileName};
  for (int i = 0; i < 8; ++i) values().setText(ctl("Text2", i), files[i]);
  Text1(0)->setToolTip(comDeviceTable());  // devices come and go
}

void SetupWindow::closeEvent(QCloseEvent* e) {
  e->ignore();
  hide();
}

void SetupWindow::changeEvent(QEvent* e) {
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) refreshFileFields();
  QWidget::changeEvent(e);
}
